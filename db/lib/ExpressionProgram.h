// The compiled form of a bound, type-checked expression tree, for evaluating it row after row over record
// images: each column read straight from its image at a place worked out once, each constant taken out
// once, the operators those of the evaluator (ExpressionOperators.h) applied in the evaluator's order, so
// that values, NULLs and errors are the evaluator's (ExpressionEvaluator.h) for the same row.
//
// It takes trees of constants, columns, NOT, unary minus and plus, IS NULL, comparisons, AND, OR,
// arithmetic, ||, prefix compares, LIKE, BETWEEN and IN over a list of items. Compile refuses any other
// node (sub-selects, functions), a constant whose value cannot be read, and a column that the resolver
// does not place or whose type is not one of the fixed-size types and strings: the caller evaluates the
// tree itself then.
//
// Numbers without a BCD, booleans, dates, times and timestamps are evaluated in a lane of their own, without
// the evaluator's value objects: a node whose operands are all in the lane and whose operator keeps its
// result there (comparisons within one of those classes, AND, OR, NOT, IS NULL, arithmetic, BETWEEN, IN).
// Where the lane's operator would raise, it hands the operands to the evaluator's operator, which raises
// the evaluator's error. A comparison, BETWEEN or IN of a number or boolean column with constants of its
// class (none NULL) is judged straight from the column's bytes against constants converted once, as the
// lane would compare them; one of a string column with string constants (none NULL) compares the column's
// bytes where they lie with the constants' texts collated once, as CompareExpValues compares them.
//
// Column places. A column's value lies in one of the images given to Evaluate (by index): at its field's
// place (the null-indicator byte, 0 for NULL, then `Size` bytes of the native value; a string ends at its
// first zero byte), or, for an auto-increment field, the image's +5 value (never NULL). An image given as
// null reads every column placed in it as NULL (the columns of a source at its end). The value is read
// in the token's type, as ReadExpValue reads a token that a column-value callback filled.
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionOperators.h"
#include "db/lib/ExpressionValues.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

class TExpToken;

struct TExpColumnPlace {
    uint8_t Image = 0;   // index of the image
    uint16_t Offset = 0; // the field's null-indicator byte
    uint16_t Size = 0;   // bytes of the value after it
    bool AutoIncrement = false;
};
// Places the column token; false when it cannot be read from an image.
using TExpColumnResolver = std::function<bool(const TExpToken& column, TExpColumnPlace& place)>;

class TExpProgram {
public:
    // Compiles the tree (with the context's flags and collation; its callbacks are not used). False, the
    // program left empty, when the tree holds what the compiled form does not take.
    bool Compile(const TExpToken& tree, const TExpColumnResolver& resolver,
                 const TEvaluationContext& context);
    bool Empty() const { return nodes_.empty(); }
    void Clear();
    // The number of images the columns read (one more than the highest index placed).
    size_t ImageCount() const { return imageCount_; }

    // The tree's value for the row the images hold.
    TExpValue Evaluate(std::span<const uint8_t* const> images) const;
    // As EvaluatePredicate: true only for TRUE; a value that is not a boolean raises.
    bool Holds(std::span<const uint8_t* const> images) const;

private:
    struct TNode {
        uint8_t Kind = 0;
        uint8_t Operator = 0;
        uint16_t PrefixLength = 0;
        uint32_t First = 0;  // the first operand's index in operands_, the constant's or column's index
        uint32_t Count = 0;  // operands
        bool Lane = false;   // evaluated in the lane of scalars
        uint32_t Direct = 0; // a direct test: its index in direct_ + 1; 0 when none
        TExpType Type;       // in the lane: the type of its value (a NULL's too)
    };
    // A value of the lane: what TExpValue holds for those types, without the text.
    struct TScalar {
        uint8_t DataType = 0;
        uint8_t SubType = 0;
        uint8_t Scale = 0;
        bool IsNull = true;
        int64_t Int = 0;
        double Real = 0;
    };
    struct TColumn {
        TExpColumnPlace Place;
        uint8_t DataType = 0;
        uint8_t SubType = 0;
        uint8_t Scale = 0;
    };
    // A column compared with constants (a comparison either way round, BETWEEN, IN), as doubles when a
    // float stands on either side, else as 64-bit integers.
    struct TDirect {
        TExpColumnPlace Place;
        uint8_t DataType = 0; // the column's
        uint8_t Kind = 0;     // the node's kind and operator
        uint8_t Operator = 0;
        bool Real = false;
        bool Reversed = false; // a comparison whose constant stands first
        bool Text = false;     // a string column: Texts, else Ints and Reals
        std::vector<int64_t> Ints;
        std::vector<double> Reals;
        std::vector<std::string> Texts; // as CollationKeyText makes them
    };

    int32_t Add(const TExpToken& node, const TExpColumnResolver& resolver);
    TExpValue Value(uint32_t node, std::span<const uint8_t* const> images) const;
    TExpValue ColumnValue(const TColumn& column, std::span<const uint8_t* const> images) const;
    TExpValue Operand(const TNode& node, uint32_t i, std::span<const uint8_t* const> images) const {
        return Value(operands_[node.First + i], images);
    }
    void PlaceInLane(TNode& node) const;
    void PlaceDirect(TNode& node);
    TExpTruth DirectTruth(const TDirect& test, std::span<const uint8_t* const> images) const;
    TExpTruth DirectTextTruth(const TDirect& test, std::span<const uint8_t* const> images) const;
    TScalar Scalar(uint32_t node, std::span<const uint8_t* const> images) const;
    TScalar ScalarOperand(const TNode& node, uint32_t i, std::span<const uint8_t* const> images) const {
        return Scalar(operands_[node.First + i], images);
    }
    TScalar ScalarColumn(const TColumn& column, std::span<const uint8_t* const> images) const;
    static TExpValue ValueOf(const TScalar& scalar);
    static TScalar ScalarOf(const TExpValue& value);
    static TExpTruth TruthOf(const TScalar& scalar);
    static int CompareScalars(const TScalar& a, const TScalar& b);
    static TScalar Arithmetic(uint8_t op, const TExpType& type, const TScalar& a, const TScalar& b);
    static TScalar Sign(uint8_t op, const TExpType& type, const TScalar& a);

    std::vector<TNode> nodes_; // the root last
    std::vector<uint32_t> operands_;
    std::vector<TExpValue> constants_;
    std::vector<TScalar> constantScalars_; // of the constants in the lane, by the constant's index
    std::vector<TColumn> columns_;
    std::vector<TDirect> direct_;
    TCollationRules rules_;
    size_t imageCount_ = 0;
};

} // namespace vorsam
