// The user interface gives up the dataset walks' read levels when its event loop is about to wait, so
// that a table a window only shows is open to other processes' writers.
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "dbui/EngineIdle.h"
#include "support/QtTestApplication.h"

#include <QAbstractEventDispatcher>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace vorsam {
namespace {

using namespace platform::data;

TEST(EngineIdleTest, TheEventLoopAboutToWaitEndsAWalksReadLevel) {
    FinalizeSessions();
    QTemporaryDir dir;
    {
        TVORSAMTable table;
        table.SetTableName(dir.filePath("WALKED.DAT").toStdString());
        table.FieldDefs().Add("RAMAL", ftInteger);
        table.IndexDefs().Add("WALKED", "RAMAL", TIndexOptions{ixPrimary, ixUnique});
        table.CreateTable();
        table.Open();
        for (const int ramal : {1, 2, 3}) table.AppendRecord({ramal});
        InstallEngineIdleRelease();
        InstallEngineIdleRelease(); // once per thread, however often asked
        table.First();
        table.Next();
        ASSERT_TRUE(table.Handle()->Table().HoldsReadSlots());
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
        ASSERT_NE(dispatcher, nullptr);
        emit dispatcher->aboutToBlock();
        EXPECT_FALSE(table.Handle()->Table().HoldsReadSlots());
        table.Next();
        EXPECT_EQ(table.FieldByName("RAMAL").AsInteger(), 3);
        table.Close();
    }
    FinalizeSessions();
}

} // namespace
} // namespace vorsam
