// The screens' data-aware controls and list model over a real scratch table of the engine, and the
// table-password dialog asked by the engine when it opens an encrypted table.
#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "dbui/VORSAMPw.h"
#include "platform/data/DataSource.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTableModel.h"
#include "support/QtTestApplication.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace vorsam {
namespace {

using namespace platform::data;

class TableControlsTest : public testing::Test {
protected:
    TableControlsTest() {
        FinalizeSessions();
        table_.SetTableName(dir_.filePath("TEMPORAR.DAT").toStdString());
        table_.FieldDefs().Add("RAMAL", ftInteger);
        table_.FieldDefs().Add("CATD1", ftString, 1);
        table_.IndexDefs().Add("TEMPORAR", "RAMAL", TIndexOptions{ixUnique});
        table_.SetIndexName("TEMPORAR");
        table_.CreateTable();
        table_.Open();
        for (const int ramal : {23, 21, 22}) table_.AppendRecord({ramal, "0"});
        table_.First();
        source_.SetDataSet(&table_);
    }
    ~TableControlsTest() override {
        source_.SetDataSet(nullptr);
        table_.Close();
        FinalizeSessions();
        SetSessionDialogs(nullptr, nullptr);
    }

    QTemporaryDir dir_;
    TVORSAMTable table_;
    TDataSource source_;
    QWidget window_;
};

TEST_F(TableControlsTest, TickingABoundCheckBoxWritesOneToTheTablesRecord) {
    auto* box = new TDBCheckBox(&window_);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    box->SetDataSource(&source_);
    box->SetDataField("CATD1");
    ASSERT_TRUE(table_.FindKey({22}));
    EXPECT_FALSE(box->Checked());
    box->click();
    EXPECT_EQ(table_.State(), dsEdit);
    table_.Post();
    table_.Close();
    table_.Open();
    ASSERT_TRUE(table_.FindKey({22}));
    EXPECT_EQ(table_.FieldByName("CATD1").AsString(), "1");
    EXPECT_TRUE(box->Checked());
    table_.FindKey({21});
    EXPECT_FALSE(box->Checked());
}

TEST_F(TableControlsTest, NavigatorMovesInKeyOrderAndTheListShowsEveryRecord) {
    table_.FindKey({22});
    table_.Edit();
    table_.FieldByName("CATD1").SetAsString("1");
    table_.Post();
    auto* box = new TDBCheckBox(&window_);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    box->SetDataSource(&source_);
    box->SetDataField("CATD1");
    auto* navigator = new TDBNavigator(&window_);
    navigator->SetDataSource(&source_);
    TDataTableModel model;
    model.SetDataSource(&source_);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "21");
    EXPECT_EQ(model.data(model.index(2, 0)).toString(), "23");

    navigator->BtnClick(TNavigateBtn::nbFirst);
    EXPECT_EQ(table_.FieldByName("RAMAL").AsInteger(), 21);
    EXPECT_FALSE(box->Checked());
    navigator->BtnClick(TNavigateBtn::nbNext);
    EXPECT_EQ(table_.FieldByName("RAMAL").AsInteger(), 22);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(model.CurrentRow(), 1);
}

// The screens' table walk: controls stay on the record they showed while disabled, and show the
// current record again when enabled; a drop-down list shows the field's text.
TEST_F(TableControlsTest, DisabledControlsIgnoreTheWalkAndADropDownListShowsTheFieldsText) {
    auto* list = new TDBComboBox(&window_);
    list->SetStyle(TComboBoxStyle::csDropDownList);
    list->SetItems({"0", "1"});
    list->SetDataSource(&source_);
    list->SetDataField("CATD1");
    table_.FindKey({23});
    table_.Edit();
    table_.FieldByName("CATD1").SetAsString("1");
    table_.Post();
    EXPECT_EQ(list->ShownText(), "1");

    table_.DisableControls();
    for (table_.First(); !table_.Eof(); table_.Next()) {
    }
    table_.FindKey({21});
    EXPECT_EQ(list->ShownText(), "1") << "disabled: still the record it showed";
    table_.EnableControls();
    EXPECT_EQ(list->ShownText(), "0");
}

// The dialog answers the engine's request: the typed password opens the encrypted table; Cancel
// leaves the open failing.
TEST_F(TableControlsTest, PasswordDialogOpensAnEncryptedTable) {
    {
        TCreateTableArgs args;
        TFieldDescriptor id;
        id.SetName("ID");
        id.SetDataType(dtInteger);
        args.Fields.push_back(id);
        args.Indexes.emplace_back();
        args.Encrypted = true;
        args.Password = "segredo";
        TDataCursor cursor(
            *Sessions().DefaultSession().OpenDatabase(table_.DatabaseName(), nullptr).Handle());
        cursor.SetTableName("LOCKED.DAT");
        cursor.CreateTable(args);
    }
    InstallPasswordDialog();
    const auto answer = [](const QString& text, bool ok) {
        QTimer::singleShot(0, [text, ok] {
            auto* dialog = dynamic_cast<TPasswordDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->PasswordEdit()->setText(text);
            ok ? dialog->accept() : dialog->reject();
        });
    };
    TVORSAMTable locked;
    locked.SetDatabaseName(table_.DatabaseName());
    locked.SetTableName("LOCKED.DAT");
    answer("whatever", false);
    EXPECT_THROW(locked.Open(), EVORSAMEngineError);
    answer("segredo", true);
    locked.Open();
    EXPECT_TRUE(locked.Active());
}

} // namespace
} // namespace vorsam
