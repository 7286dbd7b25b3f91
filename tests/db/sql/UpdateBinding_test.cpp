// Binding the target columns and values of INSERT and UPDATE, as their preparation does.
#include "SqlRunSupport.h"

#include "db/lib/DataTypes.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"

namespace vorsam::test {

namespace {

class UpdateBindingTest : public TSqlTest {
protected:
    UpdateBindingTest() {
        AddTable({"T", {{"N", dtInteger}, {"D", dtDate}, {"NAME", dtString, 8}}, {{"1", "2003-01-31", "x"}}});
    }

    // Parses the statement and binds its targets and values; the master block.
    TDataQuery& Bind(const std::string& sql) {
        statement_ = std::make_unique<TQueryStatement>(*database_);
        statement_->ParseText(sql);
        TDataQuery& query = *statement_->MasterQuery;
        bool insert = query.StatementType == sqlInsert;
        for (size_t i = statement_->Queries.size(); i-- > 1;) statement_->Queries[i]->PrepareSelect();
        OpenSources(query);
        if (query.InsertFromSelect) PrepareInsertSelect(query);
        ResolveUpdateFields(query, insert);
        ResolveUpdateValues(query, insert);
        return query;
    }

    std::string ErrorOfBinding(const std::string& sql) {
        try {
            Bind(sql);
        } catch (const EVORSAMEngineError& e) {
            return e.ErrorMessage;
        }
        return {};
    }

    std::unique_ptr<TQueryStatement> statement_;
};

TEST_F(UpdateBindingTest, AStarTargetsEveryStoredColumnInOrder) {
    TDataQuery& query = Bind("INSERT INTO T VALUES (1, '2003-01-31', 'a')");
    ASSERT_EQ(query.UpdateFields.size(), 3u);
    EXPECT_EQ(query.UpdateFields[2]->ColumnName, "NAME");
    EXPECT_EQ(query.UpdateFields[2]->FieldNumber, 3);
    EXPECT_EQ(query.UpdateFields[2]->Size, 8);
}

TEST_F(UpdateBindingTest, ADateConstantIsConvertedAtPreparation) {
    TDataQuery& query = Bind("INSERT INTO T (D) VALUES ('2003-01-31')");
    EXPECT_EQ(query.UpdateValues[0]->Expression->DataType, dtDate);
}

TEST_F(UpdateBindingTest, UpdateValuesReadTheTargetsColumns) {
    TDataQuery& query = Bind("UPDATE T SET N = N + 1, NAME = NAME || 'y'");
    EXPECT_EQ(query.UpdateValues[0]->Expression->Left()->FieldNumber, 1);
    EXPECT_EQ(query.UpdateFields[1]->DataType, dtString);
}

TEST_F(UpdateBindingTest, InsertSelectValuesAreTheSelectsResultColumnsWithTheirResultTypes) {
    TDataQuery& query = Bind("INSERT INTO T (N) SELECT SUM(N) FROM T");
    ASSERT_EQ(query.UpdateValues.size(), 1u);
    EXPECT_EQ(query.UpdateValues[0]->Expression->DataType, dtLargeInt);
    EXPECT_EQ(query.UpdateValues[0]->Expression->FieldNumber, 1);
}

TEST_F(UpdateBindingTest, RefusalsNameTheColumnAndValue) {
    EXPECT_EQ(ErrorOfBinding("INSERT INTO T (D) VALUES ('abc')"),
              "Date, time, or timestamp expression expected, instead found 'abc' in update values");
    EXPECT_EQ(ErrorOfBinding("INSERT INTO T (N, D) VALUES (1)"),
              "The number of values must match the number of table columns");
    EXPECT_EQ(ErrorOfBinding("INSERT INTO T (ZZ) VALUES (1)"),
              "Invalid column name 'ZZ' or table correlation name '' specified in table columns");
    EXPECT_EQ(ErrorOfBinding("INSERT INTO T (N) VALUES (TRUE)"),
              "Type mismatch between column 'N' and constant 'TRUE' in update values");
}

} // namespace

} // namespace vorsam::test
