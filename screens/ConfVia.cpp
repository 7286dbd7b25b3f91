#include "screens/ConfVia.h"

#include "core/Configuration.h"
#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"
#include "screens/Atdport.h"
#include "screens/Copconf.h"
#include "screens/Padrao.h"
#include "screens/ScratchRows.h"
#include "screens/ScreenFields.h"
#include "screens/TableRows.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <array>
#include <cassert>
#include <charconv>
#include <span>

using platform::data::TDataSet;

namespace {

constexpr int ConfViaHelp = 14;
constexpr int RouteItemHeight = 19; // pixels per item of the route group
constexpr std::size_t CopiedLength = 6;

// The columns of the scratch table of the trunks, by position.
constexpr std::array<const char*, 28> Columns = {
    "VIA",       "LIMCIFRAS", "ACESSAIU",  "DDCNOT",     "DDCDIU",   "ATENDDIG", "RECHAMADA",
    "APOSTTD",   "BINA",      "DETFAX",    "RTSAIDA",    "RTENTRA",  "RTBLOQ",   "TIPOVIA",
    "TOM425",    "CIFRAS",    "ATENDPRIN", "TRANSBORDO", "ATENDNOT", "TMPTRANS", "TMPTOMDIS",
    "TMPINIBIL", "NROTA",     "DATDAUTO",  "NTOQUES",    "TRANSBN",  "ATDCORR",  "DTMFFSK"};

// The defaults of columns 1..27 ("Padrão"); LIMCIFRAS and the attendants are set when applied.
constexpr std::array<const char*, 27> Defaults = {"1",  "1", "0", "0",  "0", "0", "0", "0", "0",
                                                  "1",  "1", "0", "MF", "0", "8", "0", "1", "0",
                                                  "35", "7", "7", "0",  "0", "0", "1", "0", "0"};

// Summaries of the attendants: codes 0..119 count (positions, "60", the groups), 0xBB does not.
constexpr int SummaryCodes = 120;

// Bits of the trunk record byte 0, record byte 7 and the trunk byte, with their columns.
struct TFlagBit {
    const char* field;
    std::uint8_t bit;
};
constexpr TFlagBit Byte0Flags[] = {
    {"LIMCIFRAS", 0x08}, {"ACESSAIU", 0x10}, {"DDCNOT", 0x20}, {"DDCDIU", 0x40}, {"ATENDDIG", 0x80}};
constexpr TFlagBit Byte7Flags[] = {{"APOSTTD", 0x08},  {"BINA", 0x20},    {"DETFAX", 0x40},
                                   {"DATDAUTO", 0x10}, {"NTOQUES", 0x02}, {"TRANSBN", 0x80},
                                   {"ATDCORR", 0x04},  {"DTMFFSK", 0x01}};
constexpr TFlagBit DirectionFlags[] = {{"RTSAIDA", 0x20}, {"RTENTRA", 0x40}, {"RTBLOQ", 0x80}};
constexpr std::uint8_t RouteBits = 0x07;
constexpr std::uint8_t MultiFrequency = 0x08;
constexpr std::uint8_t AnyDirection = 0x20; // a trunk byte below it has no direction
constexpr std::uint8_t NightOverflow = 0x80;

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The number a field holds; a text that is no number from 0 to 255 is refused at its control.
std::uint8_t ByteValue(const std::string& text, QWidget* control) {
    const std::string digits = Trimmed(text);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        FailCheck(control, LngText("O valor deve ser um número."));
    if (value > 255) FailCheck(control, LngText("O valor está fora da faixa permitida."));
    return static_cast<std::uint8_t>(value);
}

TDBCheckBox* NewCheck(QWidget* parent, const char* name) {
    auto* box = new TDBCheckBox(parent);
    box->setObjectName(name);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    return box;
}

TDBRadioGroup* NewRadio(QWidget* parent, const char* name) {
    auto* group = new TDBRadioGroup(parent);
    group->setObjectName(name);
    return group;
}

TDBComboBox* NewCombo(QWidget* parent, const char* name) {
    auto* list = new TDBComboBox(parent);
    list->setObjectName(name);
    list->SetStyle(TComboBoxStyle::csDropDownList);
    return list;
}

// A timer list offering first..last seconds (and 0 first when withZero).
TDBComboBox* NewTimeCombo(QWidget* parent, const char* name, int first, int last, bool withZero = false) {
    TDBComboBox* list = NewCombo(parent, name);
    if (withZero) list->AddItem("0");
    for (int value = first; value <= last; ++value) list->AddItem(QString::number(value));
    return list;
}

QLineEdit* NewTrunkEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName("EditVia");
    edit->setMaxLength(2);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9 ]{0,2}"), edit));
    edit->setFixedWidth(40);
    return edit;
}

TDBNavigator* NewNavigator(QWidget* parent) {
    auto* navigator = new TDBNavigator(parent);
    navigator->setObjectName("DBNavigator1");
    navigator->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    return navigator;
}

QGroupBox* NewGroup(QWidget* parent, const char* name, std::initializer_list<QWidget*> boxes) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    auto* column = new QVBoxLayout(group);
    for (QWidget* box : boxes) column->addWidget(box);
    column->addStretch();
    return group;
}

// The most frequent code among 0..119 of one byte of the model's trunk records; ties go to the
// lowest code, and with no such code at all the answer is 0.
std::uint8_t MostFrequentCode(const TImageView& header, std::size_t byte) {
    std::array<int, SummaryCodes> count{};
    for (int trunk = 0; trunk < CurrentModel().Trunks; ++trunk) {
        const std::uint8_t code = header[Offset::TrunkRecords + Offset::TrunkRecordSize * trunk + byte];
        if (code < SummaryCodes) ++count[code];
    }
    int best = 0;
    for (int code = 1; code < SummaryCodes; ++code)
        if (count[code] > count[best]) best = code;
    return static_cast<std::uint8_t>(best);
}

} // namespace

bool ViaComGrupoVazio() {
    for (int trunk = 0; trunk < CurrentModel().Trunks; ++trunk)
        for (std::size_t byte = 1; byte <= 3; ++byte)
            if (GrupoVazio(ProgrammingHeader[Offset::TrunkRecords + Offset::TrunkRecordSize * trunk + byte]))
                return true;
    return false;
}

void PreencheRotas(TFormConfigVias& screen, int n) {
    QStringList items, values;
    for (int route = 0; route <= n; ++route) {
        items << TrText("Rota") + " " + QString::number(route);
        values << QString::number(route);
    }
    screen.RadioRotas->SetValues(values);
    screen.RadioRotas->SetItems(items);
    screen.RadioRotas->setMinimumHeight((n + 2) * RouteItemHeight);
}

void PrepareTrunkScreen(TFormConfigVias& screen, TDataSet& table, int which) {
    BuildExtensionList(true);
    screen.FillAttendantLists();
    PreencheRotas(screen, CurrentModel().Trunks);
    screen.SetMode(which);
    screen.OpenTable(table);
    screen.MontaTelaVias();
}

TFormConfigVias::TFormConfigVias(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, ConfViaHelp), LabelVia(new QLabel(this)),
      EditVia(NewTrunkEdit(this)), DBNavigator1(NewNavigator(this)), CopiaButton(new QPushButton(this)),
      CheckLimCifras(NewCheck(this, "CheckLimCifras")), CheckAcessaIU(NewCheck(this, "CheckAcessaIU")),
      CheckDDCNot(NewCheck(this, "CheckDDCNot")), CheckDDCDiu(NewCheck(this, "CheckDDCDiu")),
      CheckAtendDig(NewCheck(this, "CheckAtendDig")), CheckAposTTD(NewCheck(this, "CheckAposTTD")),
      DBCheckBox5(NewCheck(this, "DBCheckBox5")), CheckDetFax(NewCheck(this, "CheckDetFax")),
      CheckNToques(NewCheck(this, "CheckNToques")), CheckTransBN(NewCheck(this, "CheckTransBN")),
      CheckDAtdAuto(NewCheck(this, "CheckDAtdAuto")), Label3(new QLabel(this)),
      DBCheckBox1(NewCheck(this, "DBCheckBox1")), DBCheckBox2(NewCheck(this, "DBCheckBox2")),
      DBCheckBox3(NewCheck(this, "DBCheckBox3")), CheckEnlace(new QCheckBox(this)),
      RadioTipoVia(NewRadio(this, "RadioTipoVia")), RadioCifras(NewRadio(this, "RadioCifras")),
      RadioDTMFFSK(NewRadio(this, "RadioDTMFFSK")), RadioRotas(NewRadio(this, "RadioRotas")),
      LabelAtendPrin(new QLabel(this)), LabelTransbordo(new QLabel(this)), LabelAtendNot(new QLabel(this)),
      ComboAtendPrin(NewCombo(this, "ComboAtendPrin")), ComboTransbordo(NewCombo(this, "ComboTransbordo")),
      ComboAtendNot(NewCombo(this, "ComboAtendNot")), LabelTmpTrans(new QLabel(this)),
      LabelTmpTomDis(new QLabel(this)), LabelTmpInibil(new QLabel(this)),
      ComboTmpTrans(NewTimeCombo(this, "ComboTmpTrans", 5, 80)),
      ComboTmpTomDis(NewTimeCombo(this, "ComboTmpTomDis", 6, 90)),
      ComboTmpInibil(NewTimeCombo(this, "ComboTmpInibil", 5, 45, true)),
      GroupOpcoes(
          NewGroup(this, "GroupOpcoes",
                   {CheckLimCifras, CheckAcessaIU, CheckDDCNot, CheckDDCDiu, CheckAtendDig, CheckAposTTD,
                    DBCheckBox5, CheckDetFax, CheckNToques, CheckTransBN, CheckDAtdAuto, Label3})),
      GroupSentido(NewGroup(this, "GroupSentido", {DBCheckBox1, DBCheckBox2, DBCheckBox3, CheckEnlace})),
      GroupAtend(NewFieldGroup(this, "GroupAtend",
                               {{LabelAtendPrin, ComboAtendPrin},
                                {LabelTransbordo, ComboTransbordo},
                                {LabelAtendNot, ComboAtendNot}})),
      GroupTempos(NewFieldGroup(this, "GroupTempos",
                                {{LabelTmpTrans, ComboTmpTrans},
                                 {LabelTmpTomDis, ComboTmpTomDis},
                                 {LabelTmpInibil, ComboTmpInibil}})),
      FormCopiaVia(new TFormCopiaVia(this)) {
    CopiaButton->setObjectName("CopiaButton");
    LabelVia->setBuddy(EditVia);
    Label3->setObjectName("Label3");
    Label3->setContentsMargins(20, 0, 0, 0); // under its box, as the rest of its caption
    Label3->installEventFilter(this);
    CheckEnlace->setObjectName("CheckEnlace");
    CheckEnlace->setEnabled(false);

    const auto bind = [this](auto* control, const char* field) {
        control->SetDataSource(&DataSourceConfVias);
        control->SetDataField(field);
    };
    bind(CheckLimCifras, "LIMCIFRAS");
    bind(CheckAcessaIU, "ACESSAIU");
    bind(CheckDDCNot, "DDCNOT");
    bind(CheckDDCDiu, "DDCDIU");
    bind(CheckAtendDig, "ATENDDIG");
    bind(CheckAposTTD, "APOSTTD");
    bind(DBCheckBox5, "BINA");
    bind(CheckDetFax, "DETFAX");
    bind(DBCheckBox1, "RTSAIDA");
    bind(DBCheckBox2, "RTENTRA");
    bind(DBCheckBox3, "RTBLOQ");
    bind(RadioTipoVia, "TIPOVIA");
    bind(RadioCifras, "CIFRAS");
    bind(ComboAtendPrin, "ATENDPRIN");
    bind(ComboTransbordo, "TRANSBORDO");
    bind(ComboAtendNot, "ATENDNOT");
    bind(ComboTmpTrans, "TMPTRANS");
    bind(ComboTmpTomDis, "TMPTOMDIS");
    bind(ComboTmpInibil, "TMPINIBIL");
    bind(RadioRotas, "NROTA");
    bind(CheckDAtdAuto, "DATDAUTO");
    bind(CheckNToques, "NTOQUES");
    bind(CheckTransBN, "TRANSBN");
    bind(RadioDTMFFSK, "DTMFFSK");
    DBNavigator1->SetDataSource(&DataSourceConfVias);
    DataSourceConfVias.OnDataChange = [this](platform::data::TDataSource&, platform::data::TField*) {
        DBCheckBox1Click();
        DBCheckBox5Click();
    };

    auto* trunkRow = new QHBoxLayout;
    trunkRow->addWidget(LabelVia);
    trunkRow->addWidget(EditVia);
    trunkRow->addWidget(DBNavigator1);
    trunkRow->addStretch();
    trunkRow->addWidget(CopiaButton);
    auto* middle = new QVBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{GroupSentido, RadioTipoVia, RadioCifras, RadioDTMFFSK})
        middle->addWidget(widget);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{RadioRotas, GroupAtend, GroupTempos})
        right->addWidget(widget);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(GroupOpcoes);
    columns->addLayout(middle);
    columns->addLayout(right);
    auto* content = new QVBoxLayout;
    content->addLayout(trunkRow);
    content->addLayout(columns);
    SetContent(content);

    BindExit(EditVia, [this] { PosicVia(); });
    EditVia->installEventFilter(this);
    DBNavigator1->OnClick = [this](QObject*, TNavigateBtn) { AtualizaVia(); };
    for (TDBCheckBox* box : {DBCheckBox1, DBCheckBox2, DBCheckBox3})
        connect(box, &QCheckBox::clicked, this, &TFormConfigVias::DBCheckBox1Click);
    connect(DBCheckBox5, &QCheckBox::clicked, this, &TFormConfigVias::DBCheckBox5Click);
    connect(OkButton, &QPushButton::clicked, this, &TFormConfigVias::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormConfigVias::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormConfigVias::DefButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormConfigVias::HelpBitBtnClick);
    connect(CopiaButton, &QPushButton::clicked, this, &TFormConfigVias::CopiaButtonClick);
}

TFormConfigVias::~TFormConfigVias() {
    DataSourceConfVias.SetDataSet(nullptr);
}

TDataSet& TFormConfigVias::Table() const {
    assert(TableConfVia != nullptr);
    return *TableConfVia;
}

std::string TFormConfigVias::Text(const char* field) const {
    return Table().FieldByName(field).AsString();
}

void TFormConfigVias::OpenTable(TDataSet& table) {
    TableConfVia = &table;
    DataSourceConfVias.SetDataSet(&table);
    if (!table.Active()) table.Open();
    table.First();
}

void TFormConfigVias::CloseTable() {
    if (TableConfVia == nullptr) return;
    if (TableConfVia->Active()) {
        TableConfVia->Cancel();
        TableConfVia->Close();
    }
    DataSourceConfVias.SetDataSet(nullptr);
    TableConfVia = nullptr;
}

void TFormConfigVias::done(int result) {
    TScreenForm::done(result);
    CloseTable();
}

void TFormConfigVias::FillAttendantLists() {
    for (TDBComboBox* list : {ComboAtendPrin, ComboTransbordo, ComboAtendNot}) list->ClearItems();
    ComboTransbordo->AddItem("     ");
    for (int entry = 1; entry < ExtensionListCount; ++entry) {
        const QString number = QString::number(ExtensionList[entry]);
        ComboTransbordo->AddItem(number);
        if (ExtensionList[entry] == 60) continue;
        ComboAtendPrin->AddItem(number);
        ComboAtendNot->AddItem(number);
    }
}

void TFormConfigVias::SetMode(int which) {
    const bool allTrunks = which == AllTempTableItems;
    CopiaButton->setVisible(allTrunks);
    DBNavigator1->setVisible(allTrunks);
    EditVia->setEnabled(allTrunks);
    EditVia->setText(allTrunks ? QStringLiteral("01") : QStringLiteral("%1").arg(which, 2, 10, QChar('0')));
}

void TFormConfigVias::MontaTelaVias() {
    setWindowTitle(TrText("Configuração das vias"));
    CaptionButtons();
    CopiaButton->setText(TrLabel("C&opia"));
    LabelVia->setText(TrText("Via"));
    const std::pair<QAbstractButton*, const char*> boxes[] = {
        {CheckLimCifras, LngText("Limite de cifras")},
        {CheckAcessaIU, LngText("Acessa tabela IU")},
        {CheckDDCNot, LngText("Bloqueia DDC noturno")},
        {CheckDDCDiu, LngText("Bloqueia DDC diurno")},
        {CheckAtendDig, LngText("Atendedor digital instalado")},
        {CheckAposTTD, LngText("Desliga ligação após TTD")},
        {DBCheckBox5, LngText("Identificador de chamada")},
        {CheckDetFax, LngText("Com detector de FAX")},
        {CheckNToques, LngText("Número de toques para atender")},
        {CheckTransBN, LngText("Possui transbordo noturno")},
        {CheckDAtdAuto, LngText("Derruba após atendimento")},
        {DBCheckBox1, LngText("Via de saída")},
        {DBCheckBox2, LngText("Via de entrada")},
        {DBCheckBox3, LngText("Via bloqueada")},
        {CheckEnlace, LngText("Enlace")}};
    for (const auto& [box, caption] : boxes) box->setText(TrText(caption));
    CheckDDCDiu->setToolTip(TrText("Efetua bloqueio de ligações a cobrar em serviço diurno"));
    Label3->setText(TrText("automático sem discagem"));
    const std::pair<QLabel*, const char*> labels[] = {
        {LabelAtendPrin, LngText("Ramal atendedor principal")},
        {LabelTransbordo, LngText("Ramal de transbordo")},
        {LabelAtendNot, LngText("Ramal atendedor noturno")},
        {LabelTmpTrans, LngText("Tempo de transbordo (segundos)")},
        {LabelTmpTomDis, LngText("Tempo de tom de discar")},
        {LabelTmpInibil, LngText("Início de tarifação (segundos)")}};
    for (const auto& [label, caption] : labels) label->setText(TrText(caption));
    GroupOpcoes->setTitle(TrText("Opções"));
    GroupSentido->setTitle(TrText("Sentido"));
    GroupAtend->setTitle(TrText("Ramais atendedores"));
    GroupTempos->setTitle(TrText("Temporizações"));
    RadioRotas->SetCaption(TrText("Rota"));
    RadioTipoVia->SetCaption(TrText("Tipo de discagem"));
    RadioTipoVia->SetValues({"DC", "MF"});
    RadioTipoVia->SetItems({TrText("Decádica"), TrText("Multi-Frequencial")});
    RadioCifras->SetCaption(TrText("Cifras locais"));
    RadioCifras->SetValues({"7", "8", "9"});
    RadioCifras->SetItems({TrText("7 cifras locais"), TrText("8 cifras locais"), TrText("9 cifras locais")});
    RadioDTMFFSK->SetCaption(TrText("Identificação"));
    RadioDTMFFSK->SetValues({"0", "1"});
    RadioDTMFFSK->SetItems({TrText("DTMF/MFP"), TrText("FSK")});

    CheckDetFax->setEnabled(ModelCode != 8 && ModelCode != 9 && ModelCode != 13);
    if (ModelCode < 5 && TableConfVia != nullptr && !Table().IsEmpty()) {
        Table().Edit();
        Table().FieldByName("TRANSBN").SetAsString("0");
        Table().FieldByName("DATDAUTO").SetAsString("0");
    }
    const bool laterModel = ModelCode > 5;
    CheckDAtdAuto->setEnabled(laterModel);
    CheckTransBN->setEnabled(laterModel);
    Label3->setEnabled(laterModel);
}

void TFormConfigVias::FormShow() {
    if (EditVia->isEnabled())
        EditVia->setFocus();
    else
        CheckLimCifras->setFocus();
}

// ---- the trunk in edit ------------------------------------------------------------------------

bool TFormConfigVias::GoToVia(const std::string& via) {
    TDataSet& table = Table();
    table.CheckBrowseMode();
    const platform::data::TBookmark current = table.Bookmark();
    TControlsDisabled disabled(table);
    for (table.First(); !table.Eof(); table.Next())
        if (Trimmed(Text("VIA")) == via) return true;
    if (!current.empty()) table.GotoBookmark(current);
    return false;
}

void TFormConfigVias::SelecionaVia() {
    std::string via = Trimmed(EditVia->text().toStdString());
    if (via.size() == 1) via = "0" + via;
    if (!GoToVia(via)) {
        ShowMessage(this, TMsgKind::Information, via + " " + TranslateText(LngText("Não existe a via")));
        EditVia->setFocus();
    }
    EditVia->setText(QString::fromStdString(via));
}

void TFormConfigVias::PosicVia() {
    Guard([this] { SelecionaVia(); });
}

void TFormConfigVias::EnterVia() {
    Guard([this] { SelecionaVia(); });
}

void TFormConfigVias::AtualizaVia() {
    Guard([this] { EditVia->setText(QString::fromStdString(Trimmed(Text("VIA")))); });
}

bool TFormConfigVias::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditVia && event->type() == QEvent::KeyPress) {
        if (IsEnterKey(*static_cast<QKeyEvent*>(event))) {
            EnterVia();
            return true; // not the default button's press
        }
    }
    if (watched == Label3 && event->type() == QEvent::MouseButtonPress && Label3->isEnabled()) Label3Click();
    return TScreenForm::eventFilter(watched, event);
}

// ---- couplings of the options ----------------------------------------------------------------

void TFormConfigVias::DBCheckBox1Click() {
    CheckEnlace->setChecked(!DBCheckBox1->isChecked() && !DBCheckBox2->isChecked() &&
                            !DBCheckBox3->isChecked());
}

void TFormConfigVias::DBCheckBox5Click() {
    RadioDTMFFSK->setEnabled(DBCheckBox5->isChecked());
}

void TFormConfigVias::Label3Click() {
    CheckDAtdAuto->click();
}

// ---- OK -------------------------------------------------------------------------------------

void TFormConfigVias::StoreTrunk(const TImageView& header) {
    try {
        PackTrunk(header);
    } catch (const EScreenCheck&) {
        EditVia->setText(QString::fromStdString(Trimmed(Text("VIA")))); // the trunk that failed
        throw;
    }
}

void TFormConfigVias::PackTrunk(const TImageView& header) {
    const int trunk = ByteValue(Text("VIA"), EditVia);
    if (trunk < 1 || trunk > CurrentModel().Trunks) return; // the builder makes no such row
    const auto flags = [this](std::span<const TFlagBit> bits) {
        std::uint8_t value = 0;
        for (const TFlagBit& flag : bits)
            if (Text(flag.field) == "1") value |= flag.bit;
        return value;
    };
    std::uint8_t trunkByte = ByteValue(Text("NROTA"), RadioRotas) & RouteBits;
    trunkByte |= flags(DirectionFlags);
    const char* error = trunkByte < AnyDirection
                            ? LngText("Deve ser definido o tipo da via (saída, entrada, bloqueada)")
                            : nullptr;
    QWidget* errorField = DBCheckBox1;
    if (Text("TIPOVIA") == "MF") trunkByte |= MultiFrequency;
    const std::string digits = Text("CIFRAS");
    const std::uint8_t byte0 = flags(Byte0Flags) | (digits == "7" ? 0x01 : digits == "9" ? 0x04 : 0x02);
    std::uint8_t byte7 = flags(Byte7Flags);

    // An attendant text no position has counts as no attendant.
    const auto attendant = [this](const char* field) {
        bool ok = false;
        const PositionCode code = ExtensionCodeFromText(Text(field), ok);
        return ok ? code : NoExtension;
    };
    const PositionCode main = attendant("ATENDPRIN");
    const PositionCode night = attendant("ATENDNOT");
    bool overflowOk = false;
    const PositionCode overflow = ExtensionCodeFromText(Text("TRANSBORDO"), overflowOk);
    if (overflow == NoExtension) byte7 &= ~NightOverflow;
    if (main == NoExtension) {
        error = LngText("Ramal atendedor principal deve existir.");
        errorField = ComboAtendPrin;
    } else if (night == NoExtension) {
        error = LngText("Ramal atendedor noturno deve existir.");
        errorField = ComboAtendNot;
    } else if (!error && !overflowOk) {
        error = LngText("Ramal não existe.");
        errorField = ComboTransbordo;
    }
    if (error) FailCheck(errorField, error);
    const std::size_t record = Offset::TrunkRecords + Offset::TrunkRecordSize * (trunk - 1);
    header[record] = byte0;
    header[record + 1] = main;
    header[record + 2] = overflow;
    header[record + 3] = night;
    header[record + 4] = ByteValue(Text("TMPTRANS"), ComboTmpTrans);
    header[record + 5] = ByteValue(Text("TMPTOMDIS"), ComboTmpTomDis);
    header[record + 6] = ByteValue(Text("TMPINIBIL"), ComboTmpInibil);
    header[record + 7] = byte7;
    header[Offset::TrunkBytes + trunk - 1] = trunkByte;
}

void TFormConfigVias::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        TDataSet& table = Table();
        table.Edit();
        if (Trimmed(Text("TRANSBORDO")).empty()) table.FieldByName("TRANSBN").SetAsString("0");
        if (Text("ATDCORR") == "1") {
            table.FieldByName("ATENDDIG").SetAsString("1");
            table.FieldByName("DATDAUTO").SetAsString("0");
        }
        table.Post();
        {
            TControlsDisabled disabled(table);
            for (table.First(); !table.Eof(); table.Next()) StoreTrunk(edit.Header());
        }
        const TImageView& header = edit.Header();
        header[Offset::MainAttendantSummary] = MostFrequentCode(header, 1);
        header[Offset::NightAttendantSummary] = MostFrequentCode(header, 3);
        edit.Mark(Section::Trunks);
    });
}

void TFormConfigVias::CancButtonClick() {
    CloseWithoutChange();
}

void TFormConfigVias::HelpBitBtnClick() {
    ShowHelp();
}

// ---- Padrão and copy --------------------------------------------------------------------------

void TFormConfigVias::ApplyDefaults() {
    TDataSet& table = Table();
    table.Edit();
    for (std::size_t column = 1; column < Columns.size(); ++column)
        table.Fields()[static_cast<int>(column)].SetAsString(Defaults[column - 1]);
    table.FieldByName("LIMCIFRAS").SetAsString(ConfigDigitLimit() ? "1" : "0");
    table.FieldByName("ATENDPRIN").SetAsString(std::to_string(ExtensionNumber(0)));
    table.FieldByName("TRANSBORDO").SetAsString(std::to_string(ExtensionNumber(1)));
    table.FieldByName("ATENDNOT").SetAsString(std::to_string(ExtensionNumber(1)));
    table.Post();
}

void TFormConfigVias::DefButtonClick() {
    Guard([this] {
        if (!CopiaButton->isHidden()) {
            if (!AskDefaultScope(this, LngText("A todos as vias do PABX"), LngText("A via em edição")))
                return;
            if (DefaultScope == 0) {
                TDataSet& table = Table();
                table.CheckBrowseMode();
                {
                    TControlsDisabled disabled(table);
                    for (table.First(); !table.Eof(); table.Next()) ApplyDefaults();
                    table.First();
                }
                EditVia->setText("01");
                return;
            }
        }
        ApplyDefaults();
    });
}

void TFormConfigVias::CopiaButtonClick() {
    Guard([this] {
        if (FormCopiaVia->exec() != SelectorResultOk) return;
        TDataSet& table = Table();
        table.CheckBrowseMode();
        std::vector<std::string> values;
        for (std::size_t column = 1; column < Columns.size(); ++column)
            values.push_back(table.Fields()[static_cast<int>(column)].AsString().substr(0, CopiedLength));
        const auto& picked = FormCopiaVia->Selected();
        {
            TControlsDisabled disabled(table);
            for (table.First(); !table.Eof(); table.Next()) {
                const int trunk = ByteValue(Text("VIA"), EditVia);
                if (trunk < 1 || trunk > MaxTrunks || picked[trunk - 1] == 0) continue;
                table.Edit();
                for (std::size_t column = 1; column < Columns.size(); ++column)
                    table.Fields()[static_cast<int>(column)].SetAsString(values[column - 1]);
                table.Post();
            }
        }
        std::string via = Trimmed(EditVia->text().toStdString());
        if (via.size() == 1) via = "0" + via;
        GoToVia(via);
        AtualizaVia();
    });
}
