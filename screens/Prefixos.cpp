#include "screens/Prefixos.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/Sections.h"
#include "core/ValueConversions.h"
#include "db/components/VORSAMTable.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"
#include "screens/PrefixTrie.h"
#include "screens/ScratchTables.h"
#include "screens/ScreenFields.h"
#include "screens/TableRows.h"
#include "screens/Todpref.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <vector>

namespace {

constexpr int PrefHelp = 32;
constexpr char PrefixField[] = "PREFIXOS";
constexpr char AccessField[] = "TLIBERA";
constexpr int TodPrefOk = 1;

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TFormPref::TFormPref(QWidget* parent) : TFormPref(parent, TabTemp()) {}

TFormPref::TFormPref(QWidget* parent, platform::data::TDataSet& table)
    : TScreenForm(parent, WithHelp, PrefHelp), Label1(new QLabel(this)),
      Edit1(NewMaskEdit(this, "Edit1", "0000000;_")), Label2(new QLabel(this)),
      MaskEdit1(NewMaskEdit(this, "MaskEdit1", " \\0000;_")), ListBox1(new QListWidget(this)),
      DBRadioGroup1(new TDBRadioGroup(this)), Button1(new QPushButton(this)), TablePref(table),
      DataSourcePref() {
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSortingEnabled(true);
    ListBox1->setMinimumHeight(260);
    DBRadioGroup1->setObjectName("DBRadioGroup1");
    DBRadioGroup1->SetDataSource(&DataSourcePref);
    DBRadioGroup1->SetDataField(AccessField);
    Button1->setObjectName("Button1");
    Label1->setBuddy(Edit1);
    Label2->setBuddy(MaskEdit1);
    Edit1->installEventFilter(this);
    ListBox1->installEventFilter(this);

    auto* content = new QGridLayout;
    content->addWidget(Label1, 0, 0);
    content->addWidget(Edit1, 1, 0);
    content->addWidget(ListBox1, 2, 0, 3, 1);
    content->addWidget(Label2, 0, 1);
    content->addWidget(MaskEdit1, 1, 1, Qt::AlignLeft);
    content->addWidget(DBRadioGroup1, 2, 1);
    content->addWidget(Button1, 3, 1, Qt::AlignLeft);
    content->setRowStretch(4, 1);
    content->setColumnMinimumWidth(1, 260);
    SetContent(content);

    BindExit(Edit1, [this] { Edit1Exit(); });
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { Guard([this] { ListBox1Click(); }); });
    connect(Button1, &QPushButton::clicked, this, &TFormPref::Button1Click);
    connect(OkButton, &QPushButton::clicked, this, &TFormPref::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormPref::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormPref::HelpBitBtnClick);
}

void TFormPref::FormShow() {
    setWindowTitle(TrText("Bloqueio de prefixos"));
    CaptionButtons();
    Label1->setText(TrLabel("&Prefixo"));
    Label2->setText(TrLabel("Código &DDD da localidade"));
    DBRadioGroup1->SetCaption(TrText("Acesso ao prefixo"));
    Button1->setText(TrLabel("&Todos"));
    SetAccessItems();
    SetText(MaskEdit1, " 0" + MostraCodigoDDD(ProgrammingHeader.U16(Offset::AreaCode)));
    AttachTable(DataSourcePref, TablePref);
    TablePref.First();
    SetText(Edit1, CurrentPrefix());
    FillList();
    TablePref.First();
    Edit1->setFocus();
}

void TFormPref::SetAccessItems() {
    QStringList items, values;
    for (const TPrefixAccess& access : PrefixAccessCodes(ModelCode)) {
        items << TrText(access.Item);
        values << QString(QChar(access.Code));
    }
    DBRadioGroup1->SetItems(items);
    DBRadioGroup1->SetValues(values);
}

void TFormPref::FillList() {
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    ForEachRow(TablePref, [this] { ListBox1->addItem(QString::fromStdString(CurrentPrefix())); });
}

std::string TFormPref::CurrentPrefix() const {
    if (!TablePref.Active() || TablePref.IsEmpty()) return {};
    return RemoveSpaces(TablePref.FieldByName(PrefixField).AsString());
}

char TFormPref::CurrentAccess() const {
    const std::string code = TablePref.FieldByName(AccessField).AsString();
    return code.empty() ? PrefixAccessCodes(ModelCode).front().Code : code.front();
}

void TFormPref::AdicionaPrefixo(TAfterAdd after) {
    const std::string current = CurrentPrefix();
    std::string typed = RemoveSpaces(Text(Edit1));
    if (typed.empty()) return;
    if (!LocateRow(TablePref, [&] { return CurrentPrefix() == typed; })) {
        std::string under; // the first row under the typed prefix
        ForEachRow(TablePref, [&] {
            const std::string prefix = CurrentPrefix();
            if (prefix.starts_with(typed) && (under.empty() || prefix < under)) under = prefix;
        });
        if (!under.empty()) {
            if (!ConfirmaReducaoCifras(typed, under)) typed = current;
        } else {
            DivideAte(typed);
        }
    }
    SelecionaPrefixo(typed);
    SetText(Edit1, typed);
    if (after == TAfterAdd::FocusList) ListBox1->setFocus();
}

void TFormPref::DivideAte(const std::string& prefix) {
    std::string covering;
    for (std::size_t length = 1; length < prefix.size() && covering.empty(); ++length)
        if (LocateRow(TablePref, [&] { return CurrentPrefix() == prefix.substr(0, length); }))
            covering = prefix.substr(0, length);
    if (covering.empty()) return; // the rows do not divide the number space: nothing to split
    const char code = CurrentAccess();
    const TControlsDisabled disabled(TablePref);
    for (std::string stem = covering; stem.size() < prefix.size(); stem = prefix.substr(0, stem.size() + 1)) {
        RemovePrefixo(stem);
        for (char digit = '0'; digit <= '9'; ++digit) AcrescentaPrefixo(stem + digit, code);
    }
}

bool TFormPref::ConfirmaReducaoCifras(const std::string& prefix, const std::string& firstUnder) {
    if (!AskConfirmation(this, LngText("Reduzir o número de cifras ?"))) return false;
    LocateRow(TablePref, [&] { return CurrentPrefix() == firstUnder; });
    const char code = CurrentAccess();
    const TControlsDisabled disabled(TablePref);
    DeleteRows(TablePref, [&] { return CurrentPrefix().starts_with(prefix); });
    RemoveListItems(prefix, Qt::MatchStartsWith);
    AcrescentaPrefixo(prefix, code);
    return true;
}

void TFormPref::AcrescentaPrefixo(const std::string& prefix, char code) {
    TablePref.Append();
    TablePref.FieldByName(PrefixField).SetAsString(prefix);
    TablePref.FieldByName(AccessField).SetAsString(std::string(1, code));
    TablePref.Post();
    const QSignalBlocker quiet(ListBox1);
    ListBox1->addItem(QString::fromStdString(prefix));
}

void TFormPref::RemovePrefixo(const std::string& prefix) {
    if (LocateRow(TablePref, [&] { return CurrentPrefix() == prefix; })) TablePref.Delete();
    RemoveListItems(prefix, Qt::MatchExactly);
}

void TFormPref::RemoveListItems(const std::string& prefix, Qt::MatchFlags match) {
    const QSignalBlocker quiet(ListBox1);
    for (QListWidgetItem* item : ListBox1->findItems(QString::fromStdString(prefix), match)) delete item;
}

void TFormPref::SelecionaPrefixo(const std::string& prefix) {
    LocateRow(TablePref, [&] { return CurrentPrefix() == prefix; });
    const QSignalBlocker quiet(ListBox1);
    const auto items = ListBox1->findItems(QString::fromStdString(prefix), Qt::MatchExactly);
    if (items.isEmpty()) {
        ListBox1->setCurrentRow(-1);
        ListBox1->clearSelection();
    } else {
        ListBox1->setCurrentItem(items.front());
    }
}

void TFormPref::Edit1KeyPress(int key) {
    if (IsEnter(key)) Guard([this] { AdicionaPrefixo(); });
}

void TFormPref::Edit1Exit() {
    AdicionaPrefixo(TAfterAdd::KeepFocus);
}

void TFormPref::ListBox1Click() {
    const QListWidgetItem* item = ListBox1->currentItem();
    if (item == nullptr) return;
    const std::string prefix = item->text().toStdString();
    SetText(Edit1, prefix);
    LocateRow(TablePref, [&] { return CurrentPrefix() == prefix; });
}

void TFormPref::ListBox1KeyPress(int key) {
    if (!IsEnter(key)) return;
    Guard([this] { ListBox1Click(); });
    Edit1->setFocus();
}

void TFormPref::Button1Click() {
    Guard([this] {
        TablePref.CheckBrowseMode();
        const std::string current = CurrentPrefix();
        TFormTodPref dialog(this);
        dialog.CheckCode(CurrentAccess());
        if (dialog.exec() == TodPrefOk && TodPrefResult != '0') {
            ForEachRow(TablePref, [this] {
                TablePref.Edit();
                TablePref.FieldByName(AccessField).SetAsString(std::string(1, TodPrefResult));
                TablePref.Post();
            });
            SelecionaPrefixo(current);
        }
    });
    Edit1->setFocus();
}

void TFormPref::OkButtonClick() {
    // A prefix typed but not yet taken is taken first, as leaving its field would.
    if (!Guard([this] {
            if (RemoveSpaces(Text(Edit1)) != CurrentPrefix()) AdicionaPrefixo(TAfterAdd::KeepFocus);
        }))
        return;
    RunOk([this](TProgrammingEdit& edit) {
        std::vector<TPrefixRow> rows;
        ForEachRow(TablePref, [&] { rows.push_back({CurrentPrefix(), CurrentAccess()}); });
        TablePref.First();
        StorePrefixTrie(rows, Text(MaskEdit1), ModelCode, edit.Header(), MaskEdit1);
        edit.Mark(Section::Prefixes);
    });
}

void TFormPref::CancButtonClick() {
    CloseWithoutChange();
}

void TFormPref::HelpBitBtnClick() {
    ShowHelp();
}

void TFormPref::done(int result) {
    Guard([this] { DetachTable(DataSourcePref); });
    TScreenForm::done(result);
}

bool TFormPref::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Edit1 || watched == ListBox1)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (IsEnterKey(*static_cast<QKeyEvent*>(event))) {
            if (watched == Edit1)
                Edit1KeyPress(key);
            else
                ListBox1KeyPress(key);
            return true; // Enter takes the prefix; it does not press "O&k"
        }
    }
    return TScreenForm::eventFilter(watched, event);
}
