#include "screens/Chefsecr.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/UiServices.h"
#include "screens/DataFields.h"
#include "screens/Gruporam.h"
#include "screens/ScratchTables.h"
#include "screens/ScreenGrid.h"
#include "screens/TableRows.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using platform::data::TDataSet;

namespace {

constexpr int ChefeSecrHelp = 20;
constexpr std::size_t GroupCount = 4;
constexpr char EmptyMemberText[] = "     ";
constexpr std::array<const char*, TFormChefeSecr::Slots> SlotColumns = {"CHEFE01", "CHEFE02", "SECRE01",
                                                                        "SECRE02"};
enum Slot : std::size_t { Boss1, Boss2, Secretary1, Secretary2 };

TDBComboBox* NewMemberList(QWidget* parent, const char* name, platform::data::TDataSource& source,
                           const char* column) {
    auto* list = new TDBComboBox(parent);
    BindDataList(list, name, source, column);
    return list;
}

QGroupBox* NewPair(QWidget* parent, QLabel* first, QWidget* firstList, QLabel* second, QWidget* secondList) {
    auto* box = new QGroupBox(parent);
    auto* layout = new QFormLayout(box);
    for (auto [label, list] : {std::pair{first, firstList}, std::pair{second, secondList}}) {
        label->setBuddy(list);
        layout->addRow(label, list);
    }
    return box;
}

// The four codes of the current row, in slot order.
std::array<PositionCode, TFormChefeSecr::Slots> RowCodes(TDataSet& table) {
    std::array<PositionCode, TFormChefeSecr::Slots> codes{};
    for (std::size_t slot = 0; slot < codes.size(); ++slot)
        codes[slot] = RamalParaIndice(ColumnText(table, SlotColumns[slot]));
    return codes;
}

} // namespace

TFormChefeSecr::TFormChefeSecr(QWidget* parent)
    : TScreenForm(parent, WithHelp, ChefeSecrHelp), Label1(new QLabel(this)),
      Edit1(NewKeyEdit(this, "Edit1", 1)),
      DBNavigator1(NewRowNavigator(this, DataSourceChefeSecr, [this] { AtualizaGrupo(); })),
      Label2(new QLabel(this)), Label3(new QLabel(this)), Label4(new QLabel(this)), Label5(new QLabel(this)),
      DBComboBox1(NewMemberList(this, "DBComboBox1", DataSourceChefeSecr, SlotColumns[Boss1])),
      DBComboBox2(NewMemberList(this, "DBComboBox2", DataSourceChefeSecr, SlotColumns[Boss2])),
      DBComboBox3(NewMemberList(this, "DBComboBox3", DataSourceChefeSecr, SlotColumns[Secretary1])),
      DBComboBox4(NewMemberList(this, "DBComboBox4", DataSourceChefeSecr, SlotColumns[Secretary2])),
      GroupBox1(NewPair(this, Label2, DBComboBox1, Label3, DBComboBox2)),
      GroupBox2(NewPair(this, Label4, DBComboBox3, Label5, DBComboBox4)), Button1(new QPushButton(this)) {
    KeepScratchTableWhileShown(this, DataSourceChefeSecr);
    Button1->setObjectName("Button1");
    QHBoxLayout* group = NewKeyRow(Label1, Edit1, DBNavigator1);
    auto* members = new QHBoxLayout;
    members->addWidget(GroupBox1);
    members->addWidget(GroupBox2);
    auto* content = new QVBoxLayout;
    content->addLayout(group);
    content->addLayout(members);
    content->addWidget(Button1, 0, Qt::AlignLeft);
    SetContent(content);

    Edit1->OnKeyDown = [this](QObject*, int& key, TShiftState shift) { EnterGrupo(key, shift); };
    Edit1->OnChange = [this](QObject*) { Edit1Change(); };
    for (TDBComboBox* list : Lists()) list->OnExit = [this](QObject*) { VRamalGrupo(); };
    DBComboBox1->OnKeyDown = [this](QObject*, int& key, TShiftState shift) {
        DBComboBox1KeyDown(key, shift);
    };
    DBComboBox2->OnKeyDown = [this](QObject*, int& key, TShiftState shift) {
        DBComboBox2KeyDown(key, shift);
    };
    DBComboBox3->OnKeyDown = [this](QObject*, int& key, TShiftState shift) {
        DBComboBox3KeyDown(key, shift);
    };
    DBComboBox4->OnKeyDown = [this](QObject*, int& key, TShiftState shift) {
        DBComboBox4KeyDown(key, shift);
    };
    connect(Button1, &QPushButton::clicked, this, &TFormChefeSecr::Button1Click);
    connect(OkButton, &QPushButton::clicked, this, &TFormChefeSecr::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormChefeSecr::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormChefeSecr::HelpBitBtnClick);
}

TDataSet& TFormChefeSecr::TableChefeSecr() {
    return ScratchTable(DataSourceChefeSecr);
}

void TFormChefeSecr::FormShow() {
    setWindowTitle(TrText("Grupos chefe-secretária"));
    CaptionButtons();
    Label1->setText(TrLabel("Chefe-&secretária"));
    Button1->setText(TrLabel("A&paga"));
    GroupBox1->setTitle(TrText("Chefes"));
    GroupBox2->setTitle(TrText("Secretárias"));
    Label2->setText(TrText("Chefe 1"));
    Label3->setText(TrText("Chefe 2"));
    Label4->setText(TrText("Secretária 1"));
    Label5->setText(TrText("Secretária 2"));
    OpenOnFirstRow(TableChefeSecr());
    Edit1->SetText("1");
    Edit1->setFocus();
}

void TFormChefeSecr::PreencheCombosChefeSecr(int group) {
    const auto first = BossSecretaryCodes.begin() + Slots * (group - 1);
    const std::vector<QStringList> items = MemberItems(Slots, EmptyMemberText, [&](PositionCode code) {
        const auto at = std::find(first, first + Slots, code);
        if (at != first + Slots) return static_cast<int>(at - first);
        return std::ranges::find(BossSecretaryCodes, code) == BossSecretaryCodes.end() ? AllSlots : NoSlot;
    });
    TDataSet& table = TableChefeSecr();
    if (!table.Active()) table.Open();
    TControlsDisabled disabled(table);
    for (std::size_t slot = 0; slot < items.size(); ++slot) Lists()[slot]->SetItems(items[slot]);
}

void TFormChefeSecr::ReadBossSecretaryCodes() {
    TDataSet& table = TableChefeSecr();
    if (!table.Active()) return;
    TControlsDisabled disabled(table);
    const auto current = table.Bookmark();
    std::size_t group = 0;
    ForEachRow(table, [&] {
        if (group == GroupCount) return;
        std::ranges::copy(RowCodes(table), BossSecretaryCodes.begin() + Slots * group++);
    });
    if (!current.empty()) table.GotoBookmark(current);
}

void TFormChefeSecr::RefreshCombos(bool reread) {
    if (Edit1->Text().isEmpty()) return;
    if (reread) ReadBossSecretaryCodes();
    long group = 0;
    if (DigitsValue(ColumnText(TableChefeSecr(), "GRUPO"), GroupCount, group) && group > 0)
        PreencheCombosChefeSecr(static_cast<int>(group));
}

void TFormChefeSecr::Edit1Change() {
    Guard([this] { ReadBossSecretaryCodes(); });
}

void TFormChefeSecr::EnterGrupo(int& key, TShiftState shift) {
    Guard([&] {
        if (GoToTypedGroup(key, shift, *Edit1, TableChefeSecr(),
                           LngText("Grupo chefe-secretária não existe.")) == TGroupKey::Found)
            RefreshCombos(true);
    });
}

void TFormChefeSecr::VRamalGrupo() {
    Guard([this] {
        ShowCurrentGroup(*Edit1, TableChefeSecr());
        RefreshCombos(true);
    });
}

void TFormChefeSecr::AtualizaGrupo() {
    Guard([this] {
        RefreshCombos(false);
        ShowCurrentGroup(*Edit1, TableChefeSecr());
    });
}

void TFormChefeSecr::ApagaRamalChefeSecr(int slot) {
    TDataSet& table = TableChefeSecr();
    table.Edit();
    table.FieldByName(SlotColumns[static_cast<std::size_t>(slot - 1)]).SetAsString(EmptyMemberText);
}

void TFormChefeSecr::ClearOnKey(int slot, int& key, TShiftState shift) {
    if ((key != VK_SPACE && key != VK_DELETE) || IsChord(shift)) return;
    key = 0;
    Guard([&] { ApagaRamalChefeSecr(slot); });
}

void TFormChefeSecr::DBComboBox1KeyDown(int& key, TShiftState shift) {
    ClearOnKey(1, key, shift);
}

void TFormChefeSecr::DBComboBox2KeyDown(int& key, TShiftState shift) {
    ClearOnKey(2, key, shift);
}

void TFormChefeSecr::DBComboBox3KeyDown(int& key, TShiftState shift) {
    ClearOnKey(3, key, shift);
}

void TFormChefeSecr::DBComboBox4KeyDown(int& key, TShiftState shift) {
    ClearOnKey(4, key, shift);
}

void TFormChefeSecr::Button1Click() {
    Guard([this] {
        for (int slot = 1; slot <= Slots; ++slot) ApagaRamalChefeSecr(slot);
        RefreshCombos(true);
    });
}

void TFormChefeSecr::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        TDataSet& table = TableChefeSecr();
        std::array<std::uint8_t, 2 * GroupCount> bosses, secretaries;
        bosses.fill(NoExtension);
        secretaries.fill(NoExtension);
        std::size_t group = 0;
        const auto visit = [&] {
            if (group == GroupCount) return; // the table holds the four groups only
            const auto codes = RowCodes(table);
            const bool empty = std::ranges::all_of(codes, [](PositionCode c) { return c == NoExtension; });
            if (!empty && (codes[Boss1] == NoExtension || codes[Secretary1] == NoExtension))
                FailCheck(Edit1, LngText("Se grupo for preenchido deve existir Chefe 1 e Secretária 1."));
            bosses[2 * group] = codes[Boss1];
            bosses[2 * group + 1] = codes[Boss2];
            secretaries[2 * group] = codes[Secretary1];
            secretaries[2 * group + 1] = codes[Secretary2];
            ++group;
        };
        try {
            ForEachRow(table, visit);
        } catch (const EScreenCheck&) {
            ShowCurrentGroup(*Edit1, table);
            RefreshCombos(true);
            throw;
        }
        std::ranges::copy(bosses, edit.Header().Span(Offset::Bosses, bosses.size()).begin());
        std::ranges::copy(secretaries, edit.Header().Span(Offset::Secretaries, secretaries.size()).begin());
        edit.Mark(Section::BossSecretary);
        table.Close();
    });
}

void TFormChefeSecr::CancButtonClick() {
    Guard([this] { TableChefeSecr().Close(); });
    CloseWithoutChange();
}

void TFormChefeSecr::HelpBitBtnClick() {
    ShowHelp();
}
