// The table model over a dataset: its rows are the records in order, it follows their changes, and
// reading it neither moves the dataset nor disturbs a record being edited.
#include "DataControlsFixture.h"

#include "platform/ui/DataTableModel.h"

#include <QSignalSpy>

namespace datacontrols_test {
namespace {

class DataTableModelTest : public DataControlsTest {
protected:
    DataTableModelTest() { model_.SetDataSource(&source_); }
    // The texts of one column, top to bottom.
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < model_.rowCount(); ++row)
            texts.push_back(model_.data(model_.index(row, column)).toString().toStdString());
        return texts;
    }
    TDataTableModel model_;
};

using Texts = std::vector<std::string>;

TEST_F(DataTableModelTest, ShowsEveryRecordAndFieldInOrderAndNoRowsWhenClosed) {
    ASSERT_EQ(model_.columnCount(), 5);
    EXPECT_EQ(Column(0), (Texts{"21", "22", "23"}));
    EXPECT_EQ(Column(4), (Texts{"Recepção", "Almoxarifado", "Diretoria"}));
    EXPECT_EQ(model_.headerData(3, Qt::Horizontal).toString(), "TIPOVIA");
    model_.SetFieldNames("NOME;RAMAL");
    EXPECT_EQ(Column(1), (Texts{"21", "22", "23"}));
    dataSet_->Close();
    EXPECT_EQ(model_.rowCount(), 0);
    EXPECT_EQ(model_.CurrentRow(), -1);
}

TEST_F(DataTableModelTest, ReadingNeitherMovesTheDataSetNorEndsAnEdit) {
    QSignalSpy changed(&model_, &QAbstractItemModel::dataChanged);
    dataSet_->Next();
    int scrolls = 0;
    dataSet_->AfterScroll = [&](TDataSet&) { ++scrolls; };
    dataSet_->Edit();
    dataSet_->FieldByName("NOME").SetAsString("Portaria");
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last().at(0).toModelIndex().row(), 1);
    EXPECT_EQ(Column(4), (Texts{"Recepção", "Portaria", "Diretoria"}));
    EXPECT_EQ(dataSet_->State(), dsEdit);
    EXPECT_EQ(model_.CurrentRow(), 1);
    EXPECT_EQ(scrolls, 0);
    dataSet_->Cancel();
    EXPECT_EQ(Column(4)[1], "Almoxarifado");
}

TEST_F(DataTableModelTest, FollowsNewAndDeletedRecordsAndTheCurrentOne) {
    dataSet_->AppendRecord({20, "0", " ", "DC", "Garagem"});
    dataSet_->AppendRecord({30, "0", " ", "DC", "Depósito"});
    EXPECT_EQ(Column(0), (Texts{"21", "22", "23", "20", "30"}));
    EXPECT_EQ(model_.CurrentRow(), 4);
    dataSet_->First();
    dataSet_->Delete();
    EXPECT_EQ(Column(0), (Texts{"22", "23", "20", "30"}));
    dataSet_->Insert();
    EXPECT_EQ(model_.rowCount(), 5); // the record being inserted has its row
    dataSet_->Cancel();
    EXPECT_EQ(model_.rowCount(), 4);
}

} // namespace
} // namespace datacontrols_test
