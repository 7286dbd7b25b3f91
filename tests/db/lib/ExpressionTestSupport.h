// Helpers of the expression tests: a compact text form of trees, the text of a raised engine error, and
// a fake statement host whose sub-selects are fixed lists of rows.
#pragma once

#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionMembership.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/ExpressionValues.h"

#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

// Prefix form: (op operands...), columns as t.c, strings as 'x', parameters as ?, sub-selects as SELECT.
inline std::string DescribeTree(const TExpToken* node) {
    if (!node) return "nil";
    switch (node->Kind) {
    case nkColumn:
        return (node->CorrelationName.empty() ? "" : node->CorrelationName + ".") + node->ColumnName;
    case nkConstant:
        if (node->IsParameter) return "?";
        if (node->IsNull) return "NULL";
        return node->DataType == 1 ? "'" + std::string(node->StringValue()) + "'"
                                   : ExpValueText(ReadExpValue(*node));
    case nkSubSelect:
        return "SELECT";
    default:
        break;
    }
    std::string text = "(" + node->Name;
    if (node->Kind == nkPrefixCompare) text += "prefix" + std::to_string(node->PrefixLength);
    node->ForEachOperand([&](const TExpToken& operand) { text += " " + DescribeTree(&operand); });
    return text + ")";
}

// The message text (extra text) of the engine error a callable raises; "" when none.
template <typename F> std::string ErrorTextOf(F&& f) {
    try {
        f();
    } catch (const EVORSAMEngineError& e) {
        return e.ErrorMessage;
    }
    return "";
}

// A sub-select whose result is a fixed list of values of one type; with `Sets` given, it keeps the sets
// of its values there (the test clears them when it changes the rows).
class TFakeSubQuery : public TExpSubQuery {
public:
    unsigned Columns = 1;
    std::vector<TExpValue> Rows;
    TExpType Type{6, 0, 0, 0};
    TExpMembershipCache* Sets = nullptr;
    unsigned Reads = 0;
    TExpMembershipCache* MembershipCache() override { return Sets; }
    unsigned ResultColumnCount() const override { return Columns; }
    bool BindColumn(TExpToken& token) override {
        SetExpType(token, Type);
        return true;
    }
    void ReadValues(const TEvaluationContext&, const std::function<bool(const TExpToken&)>& visit) override {
        ++Reads;
        for (const TExpValue& row : Rows) {
            TExpToken value;
            WriteExpValue(value, row);
            if (!visit(value)) break;
        }
    }
};

// A statement: keeps the parameters, makes a TFakeSubQuery for each "(SELECT ..." by skipping to the
// matching ")", notes function sources.
class TFakeHost : public TExpressionHost {
public:
    std::vector<TExpToken*> Params;
    std::vector<std::unique_ptr<TFakeSubQuery>> SubQueries;
    std::vector<std::string> FunctionSources;

    void AddParam(TExpToken& parameter) override { Params.push_back(&parameter); }
    TExpSubQuery* ParseSubSelect(TExpressionParser& parser) override {
        parser.Subject = "SQL statement"; // as the block's clauses leave it
        for (int depth = 0; !parser.TokenTypeIs(tkEnd) && !(depth == 0 && parser.TokenTypeIs(')'));
             parser.NextToken())
            depth += parser.TokenTypeIs('(') - parser.TokenTypeIs(')');
        SubQueries.push_back(std::make_unique<TFakeSubQuery>());
        return SubQueries.back().get();
    }
    void AddFunctionSource(TExpToken& call) override {
        FunctionSources.push_back(std::string(call.GetArg(0)->StringValue()));
    }
};

// Parses a whole text with every permission (or the given ones).
inline TExpTree ParseText(const std::string& text, uint32_t permissions = 31,
                          TExpressionHost* host = nullptr) {
    TExpressionParser parser(host);
    return parser.ParseExpressionText(text, permissions);
}

} // namespace vorsam::test
