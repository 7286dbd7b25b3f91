#include "screens/Progind.h"

#include "core/Language.h"
#include "core/ValueConversions.h"
#include "db/components/VORSAMTable.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTextControls.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"
#include "screens/ScratchTables.h"
#include "screens/ScreenFields.h"
#include "screens/TableRows.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int ProgIndHelp = 23;
constexpr char RamalField[] = "RAMAL";
constexpr std::size_t RamalDigits = 4;

bool IsUserMove(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

TFormProgInd::TFormProgInd(QWidget* parent) : TFormProgInd(parent, TabTemp()) {}

TFormProgInd::TFormProgInd(QWidget* parent, platform::data::TDataSet& table)
    : TScreenForm(parent, WithHelp, ProgIndHelp), Label1(new QLabel(this)),
      EditRamal(NewMaskEdit(this, "EditRamal", "0000;_")), DBNavigator1(new TDBNavigator(this)),
      TableIndProg(table), DataSourceIndProg() {
    OkButton->setObjectName("OKButton");
    CancButton->hide();
    DBNavigator1->setObjectName("DBNavigator1");
    DBNavigator1->SetDataSource(&DataSourceIndProg);
    DBNavigator1->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    DBNavigator1->OnClick = [this](QObject*, TNavigateBtn) { DBNavigator1Click(); };
    Label1->setBuddy(EditRamal);
    EditRamal->installEventFilter(this);

    auto* choice = new QHBoxLayout;
    choice->addWidget(Label1);
    choice->addWidget(EditRamal);
    choice->addSpacing(16);
    choice->addWidget(DBNavigator1);
    choice->addStretch();

    auto* hotLine = new QGroupBox(this);
    hotLine->setObjectName("GroupBoxHotLine");
    auto* hotLineRow = new QFormLayout(hotLine);
    auto* hotLineLabel = new QLabel(hotLine);
    auto* hotLineValues = new QHBoxLayout;
    for (const char* column : {"HOTLINE", "THOTLIN"}) {
        auto* text = new TDBText(hotLine);
        text->setObjectName(column);
        text->SetDataSource(&DataSourceIndProg);
        text->SetDataField(column);
        text->setMinimumWidth(column == std::string_view("HOTLINE") ? 60 : 180);
        hotLineValues->addWidget(text);
    }
    hotLineValues->addStretch();
    hotLineRow->addRow(hotLineLabel, hotLineValues);
    captions_.push_back({hotLineLabel, LngText("Hot-Line")});
    groups_.push_back({hotLine, LngText("Hot Line")});

    auto* content = new QVBoxLayout;
    content->addLayout(choice);
    content->addWidget(hotLine);
    content->addWidget(NewGroup(LngText("Desvios"), {{LngText("Desvio se não atende"), "DESVNATD"},
                                                     {LngText("Siga-me"), "SIGAME"},
                                                     {LngText("Desvio se ocupado"), "DESVOCUP"}}));
    content->addWidget(
        NewGroup(LngText("Outros"), {{LngText("Nº de toques para desvio se não atende"), "NTNAOATD"},
                                     {LngText("Tempo de geração de flash"), "TMPFLASH"},
                                     {LngText("Tempo de rechamada automática a ramal"), "TMPRECRAM"},
                                     {LngText("Tempo de retorno de chamada retida"), "TMPRECRET"},
                                     {LngText("Tempo de rechamada automática a linha"), "TMPRECTRO"}}));
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormProgInd::OKButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormProgInd::HelpBitBtnClick);
}

QGroupBox* TFormProgInd::NewGroup(const char* name,
                                  std::initializer_list<std::pair<const char*, const char*>> rows) {
    auto* group = new QGroupBox(this);
    auto* form = new QFormLayout(group);
    for (const auto& [caption, column] : rows) {
        auto* label = new QLabel(group);
        auto* text = new TDBText(group);
        text->setObjectName(column);
        text->SetDataSource(&DataSourceIndProg);
        text->SetDataField(column);
        text->setMinimumWidth(60);
        form->addRow(label, text);
        captions_.push_back({label, caption});
    }
    groups_.push_back({group, name});
    return group;
}

TDBText* TFormProgInd::ColumnText(const char* column) const {
    return findChild<TDBText*>(column);
}

void TFormProgInd::FormShow() {
    setWindowTitle(TrText("Programações individuais"));
    CaptionButtons();
    Label1->setText(TrLabel("&Ramal"));
    for (const auto& [label, caption] : captions_) label->setText(TrText(caption));
    for (const auto& [group, caption] : groups_) group->setTitle(TrText(caption));
    AttachTable(DataSourceIndProg, TableIndProg);
    ShowCurrentRamal();
    EditRamal->setFocus();
}

void TFormProgInd::ShowCurrentRamal() {
    const bool row = TableIndProg.Active() && !TableIndProg.IsEmpty();
    SetText(EditRamal, row ? TableIndProg.FieldByName(RamalField).AsString() : std::string());
}

bool TFormProgInd::Procura(const std::string& text) {
    if (text.empty() || text.size() > RamalDigits ||
        !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int number = std::stoi(text);
    return LocateRow(TableIndProg,
                     [&] { return TableIndProg.FieldByName(RamalField).AsInteger() == number; });
}

void TFormProgInd::EnterRml(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    Guard([this] {
        if (!Procura(RemoveSpaces(Text(EditRamal)))) ShowCurrentRamal();
    });
    EditRamal->setFocus();
}

void TFormProgInd::PosicRml() {
    Guard([this] {
        const std::string text = RemoveSpaces(Text(EditRamal));
        if (Procura(text)) return;
        ShowMessage(this, TMsgKind::Information,
                    (TrText("Ramal") + " " + QString::fromStdString(text) + " " + TrText("não existe."))
                        .toStdString());
        ShowCurrentRamal();
        EditRamal->setFocus(); // to correct the number at once
    });
}

void TFormProgInd::DBNavigator1Click() {
    ShowCurrentRamal();
}

void TFormProgInd::OKButtonClick() {
    accept();
}

void TFormProgInd::HelpBitBtnClick() {
    ShowHelp();
}

void TFormProgInd::done(int result) {
    Guard([this] { DetachTable(DataSourceIndProg); });
    TScreenForm::done(result);
}

bool TFormProgInd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditRamal && event->type() == QEvent::KeyPress &&
        IsEnterKey(*static_cast<QKeyEvent*>(event))) {
        EnterRml(Qt::Key_Return);
        return true; // not "O&k"
    }
    if (watched == EditRamal && event->type() == QEvent::FocusOut &&
        IsUserMove(static_cast<QFocusEvent*>(event)->reason())) {
        // Once the focus has settled: a move to another control of the view, buttons included.
        QTimer::singleShot(0, this, [this] {
            const QWidget* now = QApplication::focusWidget();
            if (isVisible() && now != nullptr && now != EditRamal && now->window() == this) PosicRml();
        });
    }
    return TScreenForm::eventFilter(watched, event);
}
