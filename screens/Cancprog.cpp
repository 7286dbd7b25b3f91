#include "screens/Cancprog.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/UiServices.h"
#include "screens/DataFields.h"
#include "screens/TableRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using platform::data::TDataSet;

namespace {

constexpr int CancProgHelp = 17;
constexpr int ExtensionDigits = 4;
constexpr std::uint8_t KeptBits = 0xC0; // bits 6-7 are not the screen's
constexpr std::array<std::uint8_t, 3> ModelsWithoutPassword = {8, 9, 13};

enum FacilityBit : std::uint8_t { Password = 0, Padlock = 2, FollowMe = 3, HotLine = 4 };

struct TFacility {
    const char* column;
    const char* caption;
};
constexpr std::array<TFacility, TFormCancProg::Facilities> FacilityColumns = {{
    {"SENHAPROG", LngText("Ramal com senha programada")},
    {"NAOPERTURB", LngText("Ramal com não perturbe")},
    {"CADEADO", LngText("Ramal cadeado")},
    {"SIGAME", LngText("Ramal com siga-me")},
    {"HOTLINE", LngText("Ramal com Hot-Line")},
    {"RAMALTI", LngText("Ramal TI")},
}};

constexpr std::uint8_t NoHotLine = 0xFF, NoPassword = 0xED, NoPadlock = 0xFF;

bool IsClear(std::uint8_t facilities, FacilityBit bit) {
    return (facilities & (1u << bit)) == 0;
}

} // namespace

void CancelaDadosRamal(const TImageView& image, int positionPlusOne, std::uint8_t facilities) {
    const auto p = static_cast<std::size_t>(positionPlusOne - 1);
    if (IsClear(facilities, HotLine)) image[Offset::ServiceHotLine + p] = NoHotLine;
    if (IsClear(facilities, FollowMe)) image[Offset::ServiceFollowMe + p] = NoExtension;
    if (IsClear(facilities, Password)) image.Fill(Offset::ServicePasswords + 2 * p, 2, NoPassword);
    if (IsClear(facilities, Padlock)) image[Offset::ServicePadlock + p] = NoPadlock;
}

TFormCancProg::TFormCancProg(QWidget* parent)
    : TScreenForm(parent, WithHelp, CancProgHelp), Label1(new QLabel(this)),
      Edit1(NewKeyEdit(this, "Edit1", ExtensionDigits)),
      DBNavigator1(NewRowNavigator(this, DataSourceCancProg, [this] { AtualizaRml(); })) {
    KeepScratchTableWhileShown(this, DataSourceCancProg);
    QHBoxLayout* extension = NewKeyRow(Label1, Edit1, DBNavigator1);
    auto* content = new QVBoxLayout;
    content->addLayout(extension);
    for (std::size_t bit = 0; bit < DBCheckBoxes.size(); ++bit) {
        auto* box = new TDBCheckBox(this);
        BindDataCheckBox(box, ("DBCheckBox" + std::to_string(bit + 1)).c_str(), DataSourceCancProg,
                         FacilityColumns[bit].column);
        content->addWidget(box);
        DBCheckBoxes[bit] = box;
    }
    SetContent(content);

    Edit1->OnKeyDown = [this](QObject*, int& key, TShiftState shift) { EnterRml(key, shift); };
    BindExit(Edit1, [this] { PosicRml(); });
    connect(OkButton, &QPushButton::clicked, this, &TFormCancProg::OKButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormCancProg::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormCancProg::HelpBitBtnClick);
}

TDataSet& TFormCancProg::TableCancProg() {
    return ScratchTable(DataSourceCancProg);
}

void TFormCancProg::FormShow() {
    setWindowTitle(TrText("Cancelamento das programações"));
    CaptionButtons();
    Label1->setText(TrLabel("&Ramal"));
    for (std::size_t bit = 0; bit < DBCheckBoxes.size(); ++bit)
        DBCheckBoxes[bit]->SetCaption(TrText(FacilityColumns[bit].caption));
    DBCheckBoxes[Password]->setEnabled(std::ranges::find(ModelsWithoutPassword, ModelCode) ==
                                       ModelsWithoutPassword.end());
    OpenOnFirstRow(TableCancProg());
    ShowCurrentExtension();
    Edit1->setFocus();
}

void TFormCancProg::ShowCurrentExtension() {
    Edit1->SetText(QString::fromStdString(ColumnText(TableCancProg(), "RAMAL")));
}

void TFormCancProg::PosicRml() {
    Guard([this] {
        const std::string text = RemoveSpaces(Edit1->Text().toStdString());
        if (FindRow(TableCancProg(), "RAMAL", text)) {
            ShowCurrentExtension();
            return;
        }
        ShowMessage(this, TMsgKind::Information,
                    TranslateText("Ramal") + " " + text + " " + TranslateText("não existe."));
        ShowCurrentExtension();
        Edit1->setFocus();
    });
}

void TFormCancProg::EnterRml(int& key, TShiftState shift) {
    if (key != VK_RETURN || IsChord(shift)) return;
    key = 0;
    PosicRml();
}

void TFormCancProg::AtualizaRml() {
    Guard([this] { ShowCurrentExtension(); });
}

void TFormCancProg::OKButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        TDataSet& table = TableCancProg();
        ForEachRow(table, [&] {
            bool ok = false;
            const PositionCode p = ExtensionCodeFromText(ColumnText(table, "RAMAL"), ok);
            if (!ok || p >= MaxPositions) return; // the rows hold the physical extensions only
            std::uint8_t& stored = edit.Header()[Offset::ExtensionFacilities + p];
            std::uint8_t facilities = stored & KeptBits;
            for (std::size_t bit = 0; bit < FacilityColumns.size(); ++bit)
                if (ColumnText(table, FacilityColumns[bit].column) == "1")
                    facilities |= static_cast<std::uint8_t>(1u << bit);
            stored = facilities;
            CancelaDadosRamal(edit.Image(), p + 1, facilities);
        });
        edit.Mark(Section::NumberingPlan);
        table.Close();
    });
}

void TFormCancProg::CancButtonClick() {
    Guard([this] { TableCancProg().Close(); });
    CloseWithoutChange();
}

void TFormCancProg::HelpBitBtnClick() {
    ShowHelp();
}
