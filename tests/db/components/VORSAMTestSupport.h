// Shared pieces of the tests of the session, database and type-mapping components: a fixture that
// gives every test a fresh session list (and so a stopped engine), a dataset that binds to its
// database as the datasets over a cursor do, and checks of the database errors raised.
#pragma once

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/lib/TestSupport.h"
#include "platform/data/Errors.h"
#include "support/VectorDataSet.h"

#include <gtest/gtest.h>
#include <string>

namespace vorsam::test {

class ComponentsTest : public ::testing::Test {
protected:
    void SetUp() override { FinalizeSessions(); }
    void TearDown() override {
        FinalizeSessions();
        SetSessionDialogs(nullptr, nullptr);
    }
};

// The message of the database error a callable raises; empty when it raises none.
template <typename F> std::string DatabaseErrorOf(F&& f) {
    try {
        f();
    } catch (const platform::data::EDatabaseError& e) {
        return e.what();
    }
    return {};
}

#define EXPECT_DATABASE_ERROR(statement, message)                                                            \
    EXPECT_EQ(::vorsam::test::DatabaseErrorOf([&] { statement; }), (message))

// A dataset over a vector that, like a dataset over a cursor, opens its database through its session
// when it opens, joins the database's datasets, and leaves and releases the database when it closes.
class TBoundDataSet : public platform::data::test::TVectorDataSet, public TSessionBoundComponent {
public:
    explicit TBoundDataSet(std::string databaseName, TVORSAMOwner* owner = nullptr)
        : TVectorDataSet({{"ID", platform::data::ftInteger}}), TSessionBoundComponent(owner),
          databaseName_(std::move(databaseName)) {
        InsertIntoOwner();
    }
    ~TBoundDataSet() override { Close(); }

    const std::string& SessionName() const override { return sessionName_; }
    void SetSessionName(const std::string& name) override { sessionName_ = name; }
    TVORSAMDatabase* Database() const { return database_; }

protected:
    void OpenCursor(bool infoQuery) override {
        database_ = &Sessions().GetSession(sessionName_).OpenDatabase(databaseName_, Owner());
        database_->AddDataSet(*this);
        TVectorDataSet::OpenCursor(infoQuery);
    }
    void CloseCursor() override {
        TVectorDataSet::CloseCursor();
        if (database_ == nullptr) return;
        TVORSAMDatabase* database = std::exchange(database_, nullptr);
        database->RemoveDataSet(*this);
        database->Session()->CloseDatabase(*database);
    }

private:
    std::string databaseName_;
    std::string sessionName_;
    TVORSAMDatabase* database_ = nullptr;
};

} // namespace vorsam::test
