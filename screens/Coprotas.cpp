#include "screens/Coprotas.h"

#include "core/Language.h"

std::array<std::uint8_t, RouteCount> RouteCopyTargets{};

TFormCopiaRota::TFormCopiaRota(QWidget* parent) : TCopySelector(parent) {
    LayOut(Panel, RouteCount);
    for (int r = 0; r < RouteCount; ++r) Panel[r]->SetCaption(QString::number(r));
}

void TFormCopiaRota::FormShow() {
    CaptionFrame(LngText("Copia rota atual"), LngText("Selecione as rotas"));
    for (int r = 0; r < RouteCount; ++r) {
        selected_[r] = 0;
        Panel[r]->ShowSelected(false);
    }
}

void TFormCopiaRota::PanelMouseDown(int panel) {
    const int r = panel - 2;
    if (r < 0 || r >= RouteCount) return;
    selected_[r] ^= 1;
    Panel[r]->ShowSelected(selected_[r] != 0);
}

void TFormCopiaRota::OkButtonClick() {
    RouteCopyTargets = selected_;
    done(SelectorResultOk);
}
