// A statement on a scratch database for parser tests: parse a text and look at the dump or the error.
#pragma once

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/EngineErrors.h"
#include "db/sql/QueryDump.h"
#include "db/sql/QueryStatement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorsam {

class SqlParserTest : public ::testing::Test {
protected:
    SqlParserTest() : database_(session_.OpenDataDirectory("", ::testing::TempDir())) {}
    ~SqlParserTest() override {
        statement_.reset();
        session_.CloseDataDirectory(database_);
    }

    // Parses the text's first statement into a fresh statement; the dump of every block.
    std::string Parse(const std::string& text) {
        statement_ = std::make_unique<TQueryStatement>(database_);
        statement_->ParseText(text);
        return DumpStatement(*statement_);
    }

    // The SQL error's text for a text that must fail to parse ("no error" when it parses).
    std::string ParseError(const std::string& text) {
        try {
            Parse(text);
        } catch (const EVORSAMEngineError& error) {
            EXPECT_EQ(error.ErrorCode, VORSAM_SQLPARSE) << text;
            return error.ErrorMessage;
        }
        return "no error";
    }

    TDataQuery& Master() { return *statement_->MasterQuery; }

    TDataSession session_;
    TDataDirectory& database_;
    std::unique_ptr<TQueryStatement> statement_;
};

// One row of a table-driven parser test.
struct TParseCase {
    std::string Text;
    std::string Expected; // the dump, or the error text
};

inline void PrintTo(const TParseCase& c, std::ostream* os) {
    *os << c.Text;
}

} // namespace vorsam
