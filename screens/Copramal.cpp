#include "screens/Copramal.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <QPushButton>

#include <algorithm>
#include <numeric>

std::uint8_t CopyMode = 0;
std::array<std::uint8_t, MaxPositions> CopyTargets{};

namespace {
constexpr int TilesPerRow = 5;
// The number of a tile beyond the model's extensions.
constexpr std::uint16_t NoNumber = 65535;
} // namespace

TFormCopRamal::TFormCopRamal(QWidget* parent) : TCopySelector(parent), SelButton(new QPushButton(this)) {
    SelButton->setObjectName("SelButton");
    LayOut(Panel, TilesPerRow, SelButton);
    connect(SelButton, &QPushButton::clicked, this, &TFormCopRamal::SelButtonClick);
}

void TFormCopRamal::FormShow() {
    CaptionFrame(LngText("Copia programação do ramal atual"), LngText("Selecione os ramais"));
    SelButton->setText(TrLabel(" &Todos"));

    // Tiles 1 .. E show the extensions by number, ascending; the tiles after them show nothing.
    const int extensions = std::min<int>(CurrentModel().Extensions, MaxPositions);
    std::array<int, MaxPositions> positions{};
    std::iota(positions.begin(), positions.end(), 0);
    const auto numberAt = [extensions](int position) {
        return position < extensions ? ExtensionNumber(position) : NoNumber;
    };
    std::stable_sort(positions.begin(), positions.begin() + extensions,
                     [&](int a, int b) { return numberAt(a) < numberAt(b); });

    for (int j = 0; j < MaxPositions; ++j) {
        const std::uint16_t number = numberAt(positions[j]);
        selected_[j] = 0;
        position_[j] = static_cast<std::uint8_t>(positions[j] + 1);
        clickable_[j] = j < extensions && BeginsWithTwoOrThree(number);
        lowered_[j] = j < extensions && !clickable_[j];
        Panel[j]->setEnabled(clickable_[j]);
        Panel[j]->SetLook(lowered_[j], clBtnFace);
        Panel[j]->SetCaption(number == NoNumber ? QStringLiteral("*****") : QString::number(number));
    }
}

void TFormCopRamal::PanelMouseDown(int panel) {
    const int j = panel - 2;
    if (j < 0 || j >= MaxPositions || !clickable_[j]) return;
    selected_[j] ^= 1;
    lowered_[j] = selected_[j] != 0;
    Panel[j]->ShowSelected(lowered_[j]);
}

void TFormCopRamal::SelButtonClick() {
    for (int j = 0; j < MaxPositions; ++j) {
        selected_[j] = 1;
        if (!clickable_[j]) continue;
        lowered_[j] = true;
        Panel[j]->ShowSelected(true);
    }
}

void TFormCopRamal::OkButtonClick() {
    for (int j = 0; j < MaxPositions; ++j) CopyTargets[position_[j] - 1] = selected_[j];
    done(SelectorResultOk);
}
