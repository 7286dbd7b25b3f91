#include "screens/Gruporam.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/UiServices.h"
#include "screens/DataFields.h"
#include "screens/ScreenGrid.h"
#include "screens/TableRows.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

using platform::data::TDataSet;

namespace {

constexpr int GrupoRamHelp = 19;
constexpr int GroupCount = 4;
constexpr std::uint8_t Hierarchical = 0, Distributor = 1, Multiple = 16;
constexpr std::size_t MaxMultipleMembers = 6;
constexpr char EmptyMemberText[] = "    ";    // how the lists offer "no extension"
constexpr char ClearedMemberText[] = "     "; // what "A&paga" writes

std::string MemberColumn(int slot) {
    return "RAMAL0" + std::to_string(slot + 1);
}

// TIPOGRUPO "1".."3"; anything else is no type.
std::optional<std::uint8_t> GroupType(const std::string& text) {
    if (text == "1") return Hierarchical;
    if (text == "2") return Distributor;
    if (text == "3") return Multiple;
    return std::nullopt;
}

// The 56 bytes from 2425 on, built while the rows are walked.
struct TGroupBytes {
    std::array<std::uint8_t, GroupCount * Offset::GroupRecordSize> records{};
    std::array<std::uint8_t, MaxPositions> membership{};
    std::array<std::uint8_t, GroupCount> rings{};
};

} // namespace

PositionCode RamalParaIndice(std::string_view text) {
    bool ok = false;
    const PositionCode code = ExtensionCodeFromText(text, ok);
    return ok ? code : NoExtension;
}

TFormGrupoRam::TFormGrupoRam(QWidget* parent)
    : TScreenForm(parent, WithHelp, GrupoRamHelp), Label1(new QLabel(this)),
      Edit1(NewKeyEdit(this, "Edit1", 1)),
      DBNavigator1(NewRowNavigator(this, DataSourceGrupoRam, [this] { AtualizaGrupo(); })),
      DBRadioGroup1(new TDBRadioGroup(this)), Label2(new QLabel(this)), DBComboBox8(new TDBComboBox(this)),
      GroupBox1(new QGroupBox(this)), Button1(new QPushButton(this)) {
    KeepScratchTableWhileShown(this, DataSourceGrupoRam);
    DBRadioGroup1->setObjectName("DBRadioGroup1");
    DBRadioGroup1->SetValues({"1", "2", "3"});
    DBRadioGroup1->SetDataSource(&DataSourceGrupoRam);
    DBRadioGroup1->SetDataField("TIPOGRUPO");
    BindDataList(DBComboBox8, "DBComboBox8", DataSourceGrupoRam, "NUMTOQUES");
    QStringList rings;
    for (int count = 3; count <= 7; ++count) rings << QString::number(count);
    DBComboBox8->SetItems(rings);
    Label2->setBuddy(DBComboBox8);

    auto* members = new QFormLayout(GroupBox1);
    for (int slot = 0; slot < Members; ++slot) {
        auto* list = new TDBComboBox(GroupBox1);
        BindDataList(list, ("DBComboBox" + std::to_string(slot + 1)).c_str(), DataSourceGrupoRam,
                     MemberColumn(slot));
        list->OnExit = [this](QObject*) { VRamalGrupo(); };
        members->addRow(list);
        DBComboBoxes[static_cast<std::size_t>(slot)] = list;
    }
    Button1->setObjectName("Button1");
    members->addRow(Button1);

    QHBoxLayout* group = NewKeyRow(Label1, Edit1, DBNavigator1);
    auto* left = new QVBoxLayout;
    left->addLayout(group);
    left->addWidget(DBRadioGroup1);
    left->addWidget(Label2);
    left->addWidget(DBComboBox8, 0, Qt::AlignLeft);
    left->addStretch();
    auto* content = new QHBoxLayout;
    content->addLayout(left);
    content->addWidget(GroupBox1);
    SetContent(content);

    Edit1->OnKeyDown = [this](QObject*, int& key, TShiftState shift) { EnterGrupo(key, shift); };
    connect(Button1, &QPushButton::clicked, this, &TFormGrupoRam::Button1Click);
    connect(OkButton, &QPushButton::clicked, this, &TFormGrupoRam::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormGrupoRam::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormGrupoRam::HelpBitBtnClick);
}

TDataSet& TFormGrupoRam::TableGrupoRam() {
    return ScratchTable(DataSourceGrupoRam);
}

void TFormGrupoRam::FormShow() {
    setWindowTitle(TrText("Grupo de ramais"));
    CaptionButtons();
    Label1->setText(TrLabel("&Grupo"));
    DBRadioGroup1->SetCaption(TrLabel("&Tipo de grupo"));
    DBRadioGroup1->SetItems({TrText("Hierárquico"), TrText("Distribuidor"), TrText("Múltiplo")});
    Button1->setText(TrLabel("A&paga"));
    Label2->setText(TrText("Número de toques de desvio se não atende"));
    GroupBox1->setTitle(TrText("Ramais do grupo"));
    BuildExtensionList(false);
    TDataSet& table = TableGrupoRam();
    OpenOnFirstRow(table);
    table.Edit();
    Edit1->SetText("1");
    Edit1->setFocus();
    AtualizaCombosGrupo(true);
}

void TFormGrupoRam::EnterGrupo(int& key, TShiftState shift) {
    Guard([&] {
        if (GoToTypedGroup(key, shift, *Edit1, TableGrupoRam(), LngText("Grupo de ramais não existe.")) ==
            TGroupKey::Found)
            AtualizaCombosGrupo(true);
    });
}

void TFormGrupoRam::VRamalGrupo() {
    Guard([this] {
        ShowCurrentGroup(*Edit1, TableGrupoRam());
        AtualizaCombosGrupo(true);
    });
}

void TFormGrupoRam::AtualizaGrupo() {
    VRamalGrupo();
}

void TFormGrupoRam::Button1Click() {
    Guard([this] {
        TDataSet& table = TableGrupoRam();
        table.Edit();
        for (int slot = 0; slot < Members; ++slot)
            table.FieldByName(MemberColumn(slot)).SetAsString(ClearedMemberText);
        table.FieldByName("TIPOGRUPO").SetAsString("0");
        AtualizaCombosGrupo(true);
    });
}

void TFormGrupoRam::AtualizaCombosGrupo(bool reread) {
    if (Edit1->Text().isEmpty()) return;
    if (reread) {
        TDataSet& table = TableGrupoRam();
        for (int slot = 0; slot < Members; ++slot)
            members_[static_cast<std::size_t>(slot)] = RamalParaIndice(ColumnText(table, MemberColumn(slot)));
    }
    PreencheCombosGrupo();
}

void TFormGrupoRam::PreencheCombosGrupo() {
    const std::vector<QStringList> items = MemberItems(Members, EmptyMemberText, [this](PositionCode code) {
        const auto member = std::ranges::find(members_, code);
        return member == members_.end() ? AllSlots : static_cast<int>(member - members_.begin());
    });
    TControlsDisabled disabled(TableGrupoRam());
    for (std::size_t slot = 0; slot < items.size(); ++slot) DBComboBoxes[slot]->SetItems(items[slot]);
}

void TFormGrupoRam::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) { StoreGroups(edit); });
}

void TFormGrupoRam::StoreGroups(TProgrammingEdit& edit) {
    TDataSet& table = TableGrupoRam();
    TGroupBytes bytes;
    int group = 0;
    const auto visit = [&] {
        if (group >= GroupCount) return; // the table holds the four groups only
        std::uint8_t* record = &bytes.records[Offset::GroupRecordSize * static_cast<std::size_t>(group)];
        long rings = 0;
        if (!DigitsValue(ColumnText(table, "NUMTOQUES"), 255, rings))
            FailCheck(DBComboBox8, LngText("O valor deve ser um número."));
        bytes.rings[static_cast<std::size_t>(group)] = static_cast<std::uint8_t>(rings);
        std::fill_n(record + 1, Offset::GroupMembers, NoExtension);
        std::size_t count = 0;
        for (int slot = 0; slot < Members; ++slot) {
            const PositionCode code = RamalParaIndice(ColumnText(table, MemberColumn(slot)));
            if (code == NoExtension) continue;
            record[1 + count++] = code;
            if (code < MaxPositions) bytes.membership[code] |= static_cast<std::uint8_t>(2 << group);
        }
        const std::optional<std::uint8_t> type = GroupType(ColumnText(table, "TIPOGRUPO"));
        if (count == 0) {
            record[0] = EmptyGroupType;
        } else if (!type) {
            FailCheck(Edit1, LngText("Tipo de grupo não foi definido."));
        } else if (*type == Multiple && count > MaxMultipleMembers) {
            FailCheck(Edit1, LngText("Grupo Múltiplo não pode possuir mais que 6 ramais."));
        } else {
            record[0] = *type;
        }
        ++group;
    };
    try {
        ForEachRow(table, visit);
    } catch (const EScreenCheck&) {
        ShowCurrentGroup(*Edit1, TableGrupoRam());
        AtualizaCombosGrupo(true);
        throw;
    }
    ShowCurrentGroup(*Edit1, TableGrupoRam());
    const TImageView& image = edit.Image();
    std::ranges::copy(bytes.records, image.Span(Offset::Groups, bytes.records.size()).begin());
    std::ranges::copy(bytes.membership, image.Span(Offset::GroupMembership, bytes.membership.size()).begin());
    std::ranges::copy(bytes.rings, image.Span(Offset::GroupRings, bytes.rings.size()).begin());
    edit.Mark(Section::ExtensionGroups);
    table.Close();
}

void TFormGrupoRam::CancButtonClick() {
    Guard([this] { TableGrupoRam().Close(); });
    CloseWithoutChange();
}

void TFormGrupoRam::HelpBitBtnClick() {
    ShowHelp();
}
