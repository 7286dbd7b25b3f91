#include "screens/CategoryScreen.h"

#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/UiServices.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr std::array<const char*, 7> CategoryCaptions = {
    LngText("Recebe externa"),  LngText("Acesso Local"),   LngText("Acesso DDD"),     LngText("Acesso DDI"),
    LngText("Acesso Regional"), LngText("Acesso Interno"), LngText("Acesso a agenda")};
constexpr std::array<const char*, 6> FacilityCaptions = {
    LngText("Atuação externa 2"), LngText("Atuação externa 1"), LngText("Proteção para intercalação"),
    LngText("Gera intercalação"), LngText("Acesso porteiro 2"), LngText("Acesso porteiro 1")};
constexpr std::array<int, 6> FacilityFields = {1, 2, 3, 4, 6, 7};
// "Atuação externa 2" and "Acesso porteiro 2": the boxes the models 8, 9 and 13 lack.
constexpr std::array<std::size_t, 2> SecondActuationAndDoorPhone = {0, 4};

TDBCheckBox* NewBox(QWidget* parent, platform::data::TDataSource& source, const std::string& name,
                    const std::string& field) {
    auto* box = new TDBCheckBox(parent);
    box->setObjectName(QString::fromStdString(name));
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    box->SetDataSource(&source);
    box->SetDataField(QString::fromStdString(field));
    return box;
}

QGroupBox* NewGroup(QWidget* parent, const char* name, std::initializer_list<QWidget*> rows) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    auto* column = new QVBoxLayout(group);
    for (QWidget* row : rows) column->addWidget(row);
    column->addStretch();
    return group;
}

bool IsOneOf(std::uint8_t model, std::initializer_list<std::uint8_t> models) {
    return std::find(models.begin(), models.end(), model) != models.end();
}

} // namespace

TCategoryScreen::TCategoryScreen(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, 15, "BitBtn1"), TabbedNotebook1(new QTabWidget(this)),
      Atributos(new QGroupBox(this)), DBFacG1(NewBox(Atributos, CatRamSource, "DBFacG1", "CAR1")),
      DBFacG3(NewBox(Atributos, CatRamSource, "DBFacG3", "CAR3")),
      DBFACG4(NewBox(Atributos, CatRamSource, "DBFACG4", "CAR4")), ButtonCat(new QPushButton(this)),
      content_(new QVBoxLayout) {
    OkButton->setObjectName("ButtonOk");
    CancButton->setObjectName("ButtonCancela");
    TabbedNotebook1->setObjectName("TabbedNotebook1");
    ButtonCat->setObjectName("ButtonCat");
    Day = MakePage('D');
    Night = MakePage('N');
    TabbedNotebook1->addTab(Day.Page, QString());
    TabbedNotebook1->addTab(Night.Page, QString());
    Atributos->setObjectName("Atributos");
    auto* attributes = new QHBoxLayout(Atributos);
    for (TDBCheckBox* box : {DBFacG1, DBFacG3, DBFACG4}) attributes->addWidget(box);
    attributes->addStretch();

    buttonRow_ = static_cast<QBoxLayout*>(layout()->itemAt(0)->layout()); // TScreenForm's button row
    buttonRow_->insertWidget(0, ButtonCat);
    content_->addWidget(TabbedNotebook1);
    content_->addWidget(Atributos);
    SetContent(content_);
    connect(TabbedNotebook1, &QTabWidget::currentChanged, this, [this] { TabbedNotebook1Change(); });
}

void TCategoryScreen::SetTop(QLayout* top) {
    content_->insertLayout(0, top);
}

void TCategoryScreen::AddLeftButton(QPushButton* button) {
    buttonRow_->insertWidget(buttonRow_->indexOf(ButtonCat) + 1, button);
}

TCategoryPage TCategoryScreen::MakePage(char half) {
    const bool day = half == 'D';
    const std::string x(1, half);
    TCategoryPage page;
    page.Page = new QWidget(this);
    page.Page->setObjectName(day ? "Diurno" : "Noturno");
    for (int n = 1; n <= 7; ++n) {
        const std::string name = n < 7 ? "DBCat" + x + std::to_string(n) : (day ? "DBFacG2" : "DBCheckBox7");
        page.Cat[n - 1] = NewBox(page.Page, CatRamSource, name, "CAT" + x + std::to_string(n));
    }
    for (int r = 0; r <= 6; ++r) {
        const std::string name =
            day ? "DBCheckBox" + std::to_string(r == 0 ? 8 : r) : "DBRotaN" + std::to_string(r);
        page.Rota[r] = NewBox(page.Page, CatRamSource, name, "ROT" + x + std::to_string(r));
    }
    for (std::size_t f = 0; f < page.Fac.size(); ++f)
        page.Fac[f] = NewBox(page.Page, CatRamSource, "DBFac" + x + std::to_string(f + 1),
                             "FAC" + x + std::to_string(FacilityFields[f]));
    page.Combo = new TDBComboBox(page.Page);
    page.Combo->setObjectName(day ? "DBComboD" : "DBComboN");
    page.Combo->SetStyle(TComboBoxStyle::csDropDownList);
    page.Combo->setMinimumWidth(72);
    page.Combo->SetDataSource(&CatRamSource);
    page.Combo->SetDataField(QString::fromStdString("SRota" + x));
    page.SubRouteLabel = new QLabel(page.Page);
    page.SubRouteLabel->setBuddy(page.Combo);

    const auto& c = page.Cat;
    page.Acesso1 = NewGroup(page.Page, "GroupBoxAcesso1", {c[0], c[1], c[2], c[3], c[4], c[5], c[6]});
    const auto& r = page.Rota;
    page.Acesso2 = NewGroup(page.Page, "GroupBoxAcesso2", {r[1], r[2], r[3], r[4], r[5], r[6], r[0]});
    const auto& f = page.Fac;
    page.Facilidades = NewGroup(page.Page, "GroupBoxFacilidades", {f[0], f[1], f[2], f[3], f[4], f[5]});
    auto* subRoute = new QHBoxLayout;
    subRoute->addWidget(page.SubRouteLabel);
    subRoute->addWidget(page.Combo);
    subRoute->addStretch();
    auto* grid = new QGridLayout(page.Page);
    grid->addWidget(page.Acesso1, 0, 0, 2, 1);
    grid->addWidget(page.Acesso2, 0, 1);
    grid->addLayout(subRoute, 1, 1);
    grid->addWidget(page.Facilidades, 0, 2, 2, 1);
    return page;
}

void TCategoryScreen::CaptionCategoryControls() {
    TabbedNotebook1->setTabText(DayPage, TrText("Diurno"));
    TabbedNotebook1->setTabText(NightPage, TrText("Noturno"));
    for (TCategoryPage* page : {&Day, &Night}) {
        page->Acesso1->setTitle(TrText("Acesso 1"));
        page->Acesso2->setTitle(TrText("Acesso 2"));
        page->Facilidades->setTitle(TrText("Facilidades"));
        for (std::size_t n = 0; n < page->Cat.size(); ++n) page->Cat[n]->setText(TrText(CategoryCaptions[n]));
        for (std::size_t n = 0; n < page->Fac.size(); ++n) page->Fac[n]->setText(TrText(FacilityCaptions[n]));
        for (std::size_t r = 0; r < page->Rota.size(); ++r)
            page->Rota[r]->setText(TrText("Rota") + " " + QString::number(r));
        page->SubRouteLabel->setText(TrLabel("Nº da &Sub-rota"));
    }
    DBFacG1->setText(TrText("Ramal com proteção"));
    DBFACG4->setText(TrText("Ramal internet"));
    CaptionButtons();
    TabbedNotebook1->setCurrentIndex(DayPage);
    TabbedNotebook1Change();
}

void TCategoryScreen::ApplyModelRules() {
    const bool secondActuation = !IsOneOf(ModelCode, {8, 9, 13});
    for (TCategoryPage* page : {&Day, &Night})
        for (std::size_t f : SecondActuationAndDoorPhone) page->Fac[f]->setEnabled(secondActuation);
    const int trunks = CurrentModel().Trunks;
    for (TCategoryPage* page : {&Day, &Night}) {
        page->Combo->clear();
        page->Combo->addItem(" ");
        for (int t = 1; t <= trunks; ++t) page->Combo->addItem(QString::number(t));
    }
    DBFacG1->setEnabled(ModelCode >= 9 && ModelCode <= 13);
    DBFacG3->setText(ModelCode == 9 ? TrText("Acesso a secretária") : TrText("Acesso ao correio"));
    DBFACG4->setVisible(ModelCode == 9);
    HabilitaRotas(trunks);
}

void TCategoryScreen::HabilitaRotas(int trunks) {
    for (TCategoryPage* page : {&Day, &Night}) {
        for (int r : {3, 4}) page->Rota[r]->setEnabled(trunks >= 3);
        for (int r : {5, 6}) page->Rota[r]->setEnabled(trunks >= 5);
    }
}

void TCategoryScreen::OpenTable() {
    if (Table() && !Table()->Active()) Table()->Open();
}

void TCategoryScreen::PostRecord() {
    Table()->CheckBrowseMode();
}

void TCategoryScreen::ShowErrorPage(int error) {
    TabbedNotebook1->setCurrentIndex(error >= 4 ? NightPage : DayPage);
}

void TCategoryScreen::ShowHelpContext(int context) {
    Guard([this, context] { HelpService().ShowContext(this, context); });
}

void TCategoryScreen::done(int result) {
    Guard([this] {
        if (Table()) Table()->Close();
    });
    SetTable(nullptr); // the table is rebuilt with other fields for other screens
    TScreenForm::done(result);
}
