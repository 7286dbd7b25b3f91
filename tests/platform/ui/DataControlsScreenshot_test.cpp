// A small form with one data-aware control of each kind on the scratch table, and a list of the
// table. With CENTRPRG_SCREENSHOTS naming a folder the form is saved there as data-controls.png:
//   CENTRPRG_SCREENSHOTS=docs/img xvfb-run -a build/ci/tests/platform/ui/platform_ui_tests
//       --gtest_filter='*DataControlsScreenshot*'
#include "DataControlsFixture.h"

#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTableModel.h"
#include "platform/ui/DataTextControls.h"
#include "platform/ui/UiServices.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace datacontrols_test {
namespace {

QLabel* Caption(QWidget* parent, const char* text, QRect where) {
    auto* label = new QLabel(TrLabel(text), parent);
    label->setGeometry(where);
    return label;
}

TEST_F(DataControlsTest, DataControlsScreenshotOfAFormWithEveryKind) {
    window_.setWindowTitle(TrText("Configuração das vias"));
    window_.resize(520, 250);
    other_->hide();
    Caption(&window_, "Ramal", QRect(10, 12, 90, 20));
    Bind(new TDBText(&window_), "RAMAL")->setGeometry(110, 12, 60, 20);
    Caption(&window_, "Nome", QRect(10, 40, 90, 20));
    Bind(new TDBEdit(&window_), "NOME")->setGeometry(110, 38, 150, 24);
    auto* box = Bind(new TDBCheckBox(&window_), "CATD1");
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    box->SetCaption(TrText("Recebe externa"));
    box->setGeometry(10, 68, 250, 22);
    auto* list = new TDBComboBox(&window_);
    Caption(&window_, "Nº da &Sub-rota", QRect(10, 98, 100, 20))->setBuddy(list);
    list->SetStyle(TComboBoxStyle::csDropDownList);
    list->SetItems({" ", "1", "2", "3", "4"});
    Bind(list, "SROTAD")->setGeometry(110, 96, 60, 24);
    auto* radio = new TDBRadioGroup(&window_);
    radio->SetCaption(TrText("Tipo de discagem"));
    radio->SetItems({TrText("Decádica"), TrText("Multi-Frequencial")});
    radio->SetValues({"DC", "MF"});
    Bind(radio, "TIPOVIA")->setGeometry(10, 126, 250, 70);
    auto* navigator = new TDBNavigator(&window_);
    navigator->SetDataSource(&source_);
    navigator->setGeometry(10, 210, 240, 25);

    TDataTableModel model;
    model.SetDataSource(&source_);
    model.SetFieldNames("RAMAL;SROTAD;NOME");
    auto* table = new QTableView(&window_);
    table->setModel(&model);
    table->verticalHeader()->hide();
    table->setGeometry(275, 10, 235, 225);
    table->resizeColumnsToContents();
    GoTo(22);
    table->selectRow(model.CurrentRow());

    ShowWindow();
    QApplication::processEvents();
    const QImage shot = window_.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(list->ShownText(), "2");
    EXPECT_EQ(radio->ItemIndex(), 0);
    const char* folder = std::getenv("CENTRPRG_SCREENSHOTS");
    if (folder == nullptr) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(QDir(folder).filePath("data-controls.png")));
}

} // namespace
} // namespace datacontrols_test
