#include "db/lib/ExpressionProgram.h"

#include "db/lib/Bcd.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionOperators.h"
#include "db/lib/ExpressionTree.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace vorsam {

namespace {

// Where a record image holds its +5 value (the auto-increment value).
constexpr size_t PlusFiveOffset = 5;

// The value types a column is read in: the fixed-size ones and strings.
bool ReadableType(uint8_t dataType) {
    switch (dataType) {
    case dtString:
    case dtDate:
    case dtBoolean:
    case dtSmallInt:
    case dtInteger:
    case dtFloat:
    case dtBcd:
    case dtTime:
    case dtTimeStamp:
    case dtWord:
    case dtLargeInt:
        return true;
    default:
        return false;
    }
}

// The bytes of a value of the type (ReadExpValue reads no more; fewer are padded with zeros).
size_t FixedSize(uint8_t dataType) {
    switch (dataType) {
    case dtBoolean:
    case dtSmallInt:
    case dtWord:
        return 2;
    case dtDate:
    case dtInteger:
    case dtTime:
        return 4;
    case dtFloat:
    case dtTimeStamp:
    case dtLargeInt:
        return 8;
    case dtBcd:
        return BcdValueSize;
    default:
        return 0;
    }
}

// The lane's types: numbers but BCD, booleans, dates, times, timestamps.
bool LaneType(uint8_t dataType) {
    switch (dataType) {
    case dtSmallInt:
    case dtInteger:
    case dtWord:
    case dtLargeInt:
    case dtFloat:
    case dtBoolean:
    case dtDate:
    case dtTime:
    case dtTimeStamp:
        return true;
    default:
        return false;
    }
}

bool LaneNumber(uint8_t dataType) {
    return LaneType(dataType) && TypeClassOf(dataType, 0) == tcNumeric;
}

// Two lane types that CompareExpValues compares within one class (without reading a string).
bool LaneComparable(uint8_t a, uint8_t b) {
    TTypeClass ca = TypeClassOf(a, 0), cb = TypeClassOf(b, 0);
    return ca == cb && (ca == tcNumeric || ca == tcBoolean || ca == tcDateTime || ca == tcTime);
}

template <typename T> int SignOf(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

template <typename T> T LoadPadded(const uint8_t* bytes, size_t size) {
    uint8_t buffer[sizeof(T)] = {};
    std::memcpy(buffer, bytes, std::min(sizeof(T), size));
    return LoadNative<T>(buffer);
}

// Where a column's value lies in its record, and its size: null when the source is at its end or the
// value is NULL.
const uint8_t* ColumnBytes(const TExpColumnPlace& place, std::span<const uint8_t* const> images,
                           size_t& size) {
    const uint8_t* image = images[place.Image];
    if (!image) return nullptr;
    if (place.AutoIncrement) {
        size = 4;
        return image + PlusFiveOffset;
    }
    size = place.Size;
    return image[place.Offset] == 0 ? nullptr : image + place.Offset + 1;
}

// Reads a value of a number type (booleans, integers, dates, times, floats, timestamps) into `whole` or
// `real`; false for any other type.
bool LoadNumber(uint8_t dataType, const uint8_t* value, size_t size, int64_t& whole, double& real) {
    switch (dataType) {
    case dtBoolean:
        whole = LoadPadded<int16_t>(value, size) != 0;
        return true;
    case dtSmallInt:
        whole = LoadPadded<int16_t>(value, size);
        return true;
    case dtWord:
        whole = LoadPadded<uint16_t>(value, size);
        return true;
    case dtInteger:
    case dtDate:
    case dtTime:
        whole = LoadPadded<int32_t>(value, size);
        return true;
    case dtLargeInt:
        whole = LoadPadded<int64_t>(value, size);
        return true;
    case dtFloat:
    case dtTimeStamp:
        real = LoadPadded<double>(value, size);
        return true;
    default:
        return false;
    }
}

} // namespace

void TExpProgram::Clear() {
    nodes_.clear();
    operands_.clear();
    constants_.clear();
    constantScalars_.clear();
    columns_.clear();
    direct_.clear();
    imageCount_ = 0;
}

namespace {

// The nodes of the tree, bounded: room for a program's nodes is made once.
size_t NodeCount(const TExpToken* node, size_t bound) {
    if (!node || bound == 0) return 0;
    size_t count = 1;
    auto add = [&](const TExpToken* child) {
        if (count < bound) count += NodeCount(child, bound - count);
    };
    add(node->Left());
    add(node->Right());
    for (size_t i = 0; i < node->ArgCount(); ++i) add(node->GetArg(i));
    return count;
}

} // namespace

bool TExpProgram::Compile(const TExpToken& tree, const TExpColumnResolver& resolver,
                          const TEvaluationContext& context) {
    Clear();
    const size_t nodes = NodeCount(&tree, 64);
    nodes_.reserve(nodes);
    operands_.reserve(nodes);
    rules_ = {context.LanguageId, context.SortId, (context.Flags & efCaseInsensitive) != 0};
    if (Add(tree, resolver) < 0) {
        Clear();
        return false;
    }
    return true;
}

namespace {

// A node's operands, three of them without a heap allocation (IN lists take more).
template <typename T> class TOperandList {
public:
    void push_back(T value) {
        if (count_ < few_.size())
            few_[count_] = value;
        else
            more_.push_back(value);
        ++count_;
    }
    TOperandList& operator=(std::initializer_list<T> values) {
        count_ = 0;
        more_.clear();
        for (T value : values) push_back(value);
        return *this;
    }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T operator[](size_t i) const { return i < few_.size() ? few_[i] : more_[i - few_.size()]; }

private:
    std::array<T, 3> few_{};
    std::vector<T> more_;
    size_t count_ = 0;
};

} // namespace

// Adds the node after its operands; its index, or -1 when it cannot be compiled.
int32_t TExpProgram::Add(const TExpToken& node, const TExpColumnResolver& resolver) {
    TNode compiled;
    compiled.Kind = node.Kind;
    compiled.Operator = node.Operator;
    compiled.PrefixLength = node.PrefixLength;
    TOperandList<const TExpToken*> operands;
    switch (node.Kind) {
    case nkConstant:
        try {
            constants_.push_back(ReadExpValue(node));
        } catch (const EVORSAMEngineError&) {
            return -1; // the evaluator raises only when the row reaches it
        }
        compiled.First = uint32_t(constants_.size() - 1);
        constantScalars_.push_back(ScalarOf(constants_.back()));
        break;
    case nkColumn: {
        TColumn column;
        if (!ReadableType(node.DataType) || !resolver || !resolver(node, column.Place)) return -1;
        if (!column.Place.AutoIncrement && node.DataType != dtString &&
            column.Place.Size < FixedSize(node.DataType))
            return -1;
        column.DataType = node.DataType;
        column.SubType = node.SubType;
        column.Scale = node.Scale;
        imageCount_ = std::max<size_t>(imageCount_, size_t(column.Place.Image) + 1);
        columns_.push_back(column);
        compiled.First = uint32_t(columns_.size() - 1);
        break;
    }
    case nkUnary:
        if (node.Operator != opIsNull && node.Operator != opNot && node.Operator != opNegate &&
            node.Operator != opUnaryPlus)
            return -1;
        operands = {node.Left()};
        break;
    case nkBinary:
        if (!IsComparisonOperator(node.Operator) && node.Operator != opAnd && node.Operator != opOr &&
            node.Operator != opAdd && node.Operator != opSubtract && node.Operator != opMultiply &&
            node.Operator != opDivide && node.Operator != opConcat)
            return -1;
        operands = {node.Left(), node.Right()};
        break;
    case nkPrefixCompare:
        operands = {node.Left(), node.Right()};
        break;
    case nkPredicate: {
        size_t wanted = node.Operator == opLike ? 2 : node.Operator == opBetween ? 3 : 0;
        if (node.Operator == opIn) {
            if (node.ArgCount() < 2) return -1;
            wanted = node.ArgCount();
        }
        if (wanted == 0 || node.ArgCount() < wanted) return -1;
        for (size_t i = 0; i < wanted; ++i) {
            const TExpToken* arg = node.GetArg(i);
            if (arg && arg->Kind == nkSubSelect) return -1;
            operands.push_back(arg);
        }
        break;
    }
    default:
        return -1;
    }
    TOperandList<uint32_t> indexes;
    for (size_t i = 0; i < operands.size(); ++i) {
        if (!operands[i]) return -1;
        int32_t index = Add(*operands[i], resolver);
        if (index < 0) return -1;
        indexes.push_back(uint32_t(index));
    }
    if (!operands.empty()) {
        compiled.First = uint32_t(operands_.size());
        compiled.Count = uint32_t(indexes.size());
        for (size_t i = 0; i < indexes.size(); ++i) operands_.push_back(indexes[i]);
    }
    PlaceInLane(compiled);
    PlaceDirect(compiled);
    nodes_.push_back(compiled);
    return int32_t(nodes_.size() - 1);
}

// Puts the node in the lane when its operands are there and its operator keeps the result there.
void TExpProgram::PlaceInLane(TNode& node) const {
    auto operand = [&](uint32_t i) -> const TNode& { return nodes_[operands_[node.First + i]]; };
    auto allInLane = [&] {
        for (uint32_t i = 0; i < node.Count; ++i)
            if (!operand(i).Lane) return false;
        return true;
    };
    auto type = [&](uint32_t i) { return operand(i).Type.DataType; };
    TExpType boolean{dtBoolean, 0, 0, 0};
    node.Lane = false;
    switch (node.Kind) {
    case nkConstant: {
        const TExpValue& value = constants_[node.First];
        node.Type = {value.DataType, value.SubType, 0, value.Scale};
        node.Lane = LaneType(value.DataType);
        return;
    }
    case nkColumn: {
        const TColumn& column = columns_[node.First];
        node.Type = {column.DataType, column.SubType, 0, column.Scale};
        node.Lane = LaneType(column.DataType);
        return;
    }
    case nkUnary:
        if (!allInLane()) return;
        if (node.Operator == opIsNull || (node.Operator == opNot && type(0) == dtBoolean)) {
            node.Type = boolean;
            node.Lane = true;
        } else if ((node.Operator == opNegate || node.Operator == opUnaryPlus) && LaneNumber(type(0))) {
            node.Type = ArithmeticResultType(node.Operator, operand(0).Type, operand(0).Type);
            node.Lane = LaneNumber(node.Type.DataType);
        }
        return;
    case nkBinary:
        if (!allInLane()) return;
        if (node.Operator == opAnd || node.Operator == opOr) {
            node.Lane = type(0) == dtBoolean && type(1) == dtBoolean;
            node.Type = boolean;
        } else if (IsComparisonOperator(node.Operator)) {
            node.Lane = LaneComparable(type(0), type(1));
            node.Type = boolean;
        } else if (node.Operator != opConcat && LaneNumber(type(0)) && LaneNumber(type(1))) {
            node.Type = ArithmeticResultType(node.Operator, operand(0).Type, operand(1).Type);
            node.Lane = LaneNumber(node.Type.DataType);
        }
        return;
    case nkPredicate:
        if (node.Operator == opLike || !allInLane()) return;
        node.Type = boolean;
        node.Lane = true;
        for (uint32_t i = 1; i < node.Count; ++i) node.Lane = node.Lane && LaneComparable(type(0), type(i));
        return;
    default:
        return;
    }
}

// Makes the node a direct test when it compares a lane column with constants of its class that are not
// NULL (numbers of any kind, or booleans), or a string column with string constants that are not NULL.
void TExpProgram::PlaceDirect(TNode& node) {
    node.Direct = 0;
    bool comparison = node.Kind == nkBinary && IsComparisonOperator(node.Operator);
    bool predicate = node.Kind == nkPredicate && (node.Operator == opBetween || node.Operator == opIn);
    if (!comparison && !predicate) return;
    auto operand = [&](uint32_t i) -> const TNode& { return nodes_[operands_[node.First + i]]; };
    TDirect test;
    test.Kind = node.Kind;
    test.Operator = node.Operator;
    uint32_t columnAt = comparison && operand(1).Kind == nkColumn ? 1 : 0;
    test.Reversed = columnAt == 1;
    if (operand(columnAt).Kind != nkColumn) return;
    const TColumn& column = columns_[operand(columnAt).First];
    test.Place = column.Place;
    test.DataType = column.DataType;
    test.Text = column.DataType == dtString && !column.Place.AutoIncrement;
    bool numeric = TypeClassOf(column.DataType, 0) == tcNumeric;
    if (test.Text ? node.Lane : !node.Lane || (!numeric && column.DataType != dtBoolean)) return;
    std::vector<uint32_t> constants;
    for (uint32_t i = 0; i < node.Count; ++i) {
        if (i == columnAt) continue;
        if (operand(i).Kind != nkConstant) return;
        const TScalar& constant = constantScalars_[operand(i).First];
        bool sameClass = test.Text ? constant.DataType == dtString
                         : numeric ? TypeClassOf(constant.DataType, 0) == tcNumeric
                                   : constant.DataType == column.DataType;
        if (constant.IsNull || !sameClass) return;
        test.Real = test.Real || constant.DataType == dtFloat;
        constants.push_back(operand(i).First);
    }
    test.Real = test.Real || column.DataType == dtFloat;
    for (uint32_t i : constants) {
        const TScalar& constant = constantScalars_[i];
        if (test.Text) {
            std::string text = CollationKeyText(constants_[i].Text, rules_);
            text.resize(strnlen(text.c_str(), text.size())); // compared up to its first zero byte
            test.Texts.push_back(std::move(text));
            continue;
        }
        test.Ints.push_back(constant.Int);
        test.Reals.push_back(constant.DataType == dtFloat ? constant.Real : double(constant.Int));
    }
    direct_.push_back(std::move(test));
    node.Direct = uint32_t(direct_.size());
}

namespace {

// A direct test's truth from `compare(i)`, the column's value against its i-th constant (of `count`): a
// comparison (the constant first when `reversed`), BETWEEN (the constants known) or IN.
template <typename F>
TExpTruth JudgeDirect(uint8_t kind, uint8_t op, bool reversed, size_t count, F compare) {
    if (kind == nkBinary) return ExpComparisonHolds(op, reversed ? -compare(0) : compare(0));
    if (op == opBetween) return compare(0) >= 0 && compare(1) <= 0;
    for (size_t i = 0; i < count; ++i)
        if (compare(i) == 0) return true;
    return false;
}

} // namespace

// A direct test of a string column: its text up to its first zero byte, upper-cased where the rules
// ignore case, against each constant's, as CompareStrings compares the two values.
TExpTruth TExpProgram::DirectTextTruth(const TDirect& test, std::span<const uint8_t* const> images) const {
    size_t size = 0;
    const uint8_t* bytes = ColumnBytes(test.Place, images, size);
    if (!bytes) return std::nullopt;
    std::string_view text(reinterpret_cast<const char*>(bytes),
                          size == 0 ? 0 : strnlen(reinterpret_cast<const char*>(bytes), size));
    std::array<char, 256> local;
    std::string upper;
    if (rules_.CaseInsensitive) {
        char* out = local.data();
        if (text.size() > local.size()) {
            upper.assign(text);
            out = upper.data();
        } else {
            std::copy(text.begin(), text.end(), out);
        }
        LocaleUpperCase(rules_.LanguageId, rules_.SortId, out, text.size());
        text = std::string_view(out, text.size());
    }
    auto compare = [&](size_t i) {
        if (rules_.LanguageId != 0)
            return LocaleCompareTexts(rules_.LanguageId, rules_.SortId, text, test.Texts[i]);
        int c = text.compare(test.Texts[i]); // neither holds a zero byte: bytewise, as language 0 compares
        return (c > 0) - (c < 0);
    };
    return JudgeDirect(test.Kind, test.Operator, test.Reversed, test.Texts.size(), compare);
}

TExpTruth TExpProgram::DirectTruth(const TDirect& test, std::span<const uint8_t* const> images) const {
    if (test.Text) return DirectTextTruth(test, images);
    size_t size = 0;
    const uint8_t* bytes = ColumnBytes(test.Place, images, size);
    if (!bytes) return std::nullopt;
    int64_t whole = 0;
    double real = 0;
    LoadNumber(test.DataType, bytes, size, whole, real);
    double value = test.DataType == dtFloat ? real : double(whole);
    auto compare = [&](size_t i) {
        return test.Real ? SignOf(value, test.Reals[i]) : SignOf(whole, test.Ints[i]);
    };
    return JudgeDirect(test.Kind, test.Operator, test.Reversed, test.Ints.size(), compare);
}

// ---- the lane ----

TExpValue TExpProgram::ValueOf(const TScalar& scalar) {
    TExpValue v;
    v.DataType = scalar.DataType;
    v.SubType = scalar.SubType;
    v.Scale = scalar.Scale;
    v.IsNull = scalar.IsNull;
    v.Int = scalar.Int;
    v.Real = scalar.Real;
    return v;
}

TExpProgram::TScalar TExpProgram::ScalarOf(const TExpValue& value) {
    return {value.DataType, value.SubType, value.Scale, value.IsNull, value.Int, value.Real};
}

TExpTruth TExpProgram::TruthOf(const TScalar& scalar) {
    if (scalar.IsNull) return std::nullopt;
    return scalar.Int != 0; // a boolean: the lane holds no other operand of NOT, AND and OR
}

// As CompareExpValues for two non-null values of one class of the lane.
int TExpProgram::CompareScalars(const TScalar& a, const TScalar& b) {
    switch (TypeClassOf(a.DataType, 0)) {
    case tcNumeric:
        if (a.DataType == dtFloat || b.DataType == dtFloat) {
            double x = a.DataType == dtFloat ? a.Real : double(a.Int);
            double y = b.DataType == dtFloat ? b.Real : double(b.Int);
            return SignOf(x, y);
        }
        return SignOf(a.Int, b.Int);
    case tcDateTime: {
        if (a.DataType == dtDate && b.DataType == dtDate) return SignOf(a.Int, b.Int);
        auto stamp = [](const TScalar& v) {
            return v.DataType == dtDate ? MakeTimeStamp(int32_t(v.Int), 0) : v.Real;
        };
        return SignOf(stamp(a), stamp(b));
    }
    default: // boolean, time
        return SignOf(a.Int, b.Int);
    }
}

TExpProgram::TScalar TExpProgram::Arithmetic(uint8_t op, const TExpType& type, const TScalar& a,
                                             const TScalar& b) {
    TScalar r{type.DataType, type.SubType, type.Scale, true, 0, 0};
    if (a.IsNull || b.IsNull) return r;
    r.IsNull = false;
    if (type.DataType == dtFloat) {
        double x = a.DataType == dtFloat ? a.Real : double(a.Int);
        double y = b.DataType == dtFloat ? b.Real : double(b.Int);
        r.Real = op == opAdd ? x + y : op == opSubtract ? x - y : op == opMultiply ? x * y : x / y;
        if ((op == opDivide && y == 0) || !std::isfinite(r.Real)) ExpArithmetic(op, ValueOf(a), ValueOf(b));
        return r;
    }
    bool overflow = op == opAdd        ? __builtin_add_overflow(a.Int, b.Int, &r.Int)
                    : op == opSubtract ? __builtin_sub_overflow(a.Int, b.Int, &r.Int)
                                       : __builtin_mul_overflow(a.Int, b.Int, &r.Int);
    if (overflow || (type.DataType == dtInteger && (r.Int < INT32_MIN || r.Int > INT32_MAX)))
        ExpArithmetic(op, ValueOf(a), ValueOf(b)); // raises the evaluator's error
    r.SubType = r.Scale = 0;
    return r;
}

TExpProgram::TScalar TExpProgram::Sign(uint8_t op, const TExpType& type, const TScalar& a) {
    TScalar r{type.DataType, type.SubType, type.Scale, true, 0, 0};
    if (a.IsNull) return r;
    r.IsNull = false;
    bool negate = op == opNegate;
    if (type.DataType == dtFloat) {
        r.Real = negate ? -a.Real : a.Real;
        if (!std::isfinite(r.Real)) ExpSign(op, ValueOf(a));
        r.Scale = 0;
        return r;
    }
    if ((negate && a.Int == INT64_MIN) ||
        (type.DataType == dtInteger &&
         ((negate ? -a.Int : a.Int) < INT32_MIN || (negate ? -a.Int : a.Int) > INT32_MAX)))
        ExpSign(op, ValueOf(a)); // raises the evaluator's error
    r.Int = negate ? -a.Int : a.Int;
    r.SubType = 0;
    return r;
}

TExpProgram::TScalar TExpProgram::ScalarColumn(const TColumn& column,
                                               std::span<const uint8_t* const> images) const {
    TScalar v{column.DataType, column.SubType, column.Scale, true, 0, 0};
    size_t size = 0;
    const uint8_t* value = ColumnBytes(column.Place, images, size);
    if (!value) return v;
    v.IsNull = false;
    if (!LoadNumber(column.DataType, value, size, v.Int, v.Real)) v.Int = LoadPadded<int32_t>(value, size);
    return v;
}

TExpProgram::TScalar TExpProgram::Scalar(uint32_t index, std::span<const uint8_t* const> images) const {
    const TNode& node = nodes_[index];
    auto boolean = [](TExpTruth truth) {
        return TScalar{dtBoolean, 0, 0, !truth.has_value(), truth.value_or(false), 0};
    };
    if (node.Direct != 0) return boolean(DirectTruth(direct_[node.Direct - 1], images));
    switch (node.Kind) {
    case nkConstant:
        return constantScalars_[node.First];
    case nkColumn:
        return ScalarColumn(columns_[node.First], images);
    case nkUnary: {
        TScalar a = ScalarOperand(node, 0, images);
        if (node.Operator == opIsNull) return boolean(a.IsNull);
        if (node.Operator == opNot) {
            TExpTruth t = TruthOf(a);
            return boolean(t ? TExpTruth(!*t) : std::nullopt);
        }
        return Sign(node.Operator, node.Type, a);
    }
    case nkBinary: {
        if (node.Operator == opAnd || node.Operator == opOr) {
            bool isAnd = node.Operator == opAnd;
            TExpTruth left = TruthOf(ScalarOperand(node, 0, images));
            if (ExpLogicalDecided(isAnd, left)) return boolean(left);
            return boolean(ExpLogical(isAnd, left, TruthOf(ScalarOperand(node, 1, images))));
        }
        TScalar a = ScalarOperand(node, 0, images);
        TScalar b = ScalarOperand(node, 1, images);
        if (IsComparisonOperator(node.Operator)) {
            if (a.IsNull || b.IsNull) return boolean(std::nullopt);
            return boolean(ExpComparisonHolds(node.Operator, CompareScalars(a, b)));
        }
        return Arithmetic(node.Operator, node.Type, a, b);
    }
    default: { // BETWEEN, IN
        TScalar value = ScalarOperand(node, 0, images);
        auto compare = [&](uint8_t op, const TScalar& other) -> TExpTruth {
            if (value.IsNull || other.IsNull) return std::nullopt;
            return ExpComparisonHolds(op, CompareScalars(value, other));
        };
        if (node.Operator == opBetween) {
            TExpTruth low = compare(opGreaterEqual, ScalarOperand(node, 1, images));
            TExpTruth high = compare(opLessEqual, ScalarOperand(node, 2, images));
            return boolean(ExpBetween(low, high));
        }
        if (value.IsNull) return boolean(std::nullopt);
        bool sawNull = false;
        for (uint32_t i = 1; i < node.Count; ++i) {
            TExpTruth equal = compare(opEqual, ScalarOperand(node, i, images));
            if (equal.value_or(false)) return boolean(true);
            sawNull = sawNull || !equal;
        }
        return boolean(sawNull ? std::nullopt : TExpTruth(false));
    }
    }
}

TExpValue TExpProgram::Evaluate(std::span<const uint8_t* const> images) const {
    return Value(uint32_t(nodes_.size() - 1), images);
}

bool TExpProgram::Holds(std::span<const uint8_t* const> images) const {
    const TNode& root = nodes_.back();
    if (root.Direct != 0) return DirectTruth(direct_[root.Direct - 1], images).value_or(false);
    if (root.Lane && root.Type.DataType == dtBoolean) {
        TScalar truth = Scalar(uint32_t(nodes_.size() - 1), images);
        return !truth.IsNull && truth.Int != 0;
    }
    return ExpTruth(Evaluate(images)).value_or(false);
}

TExpValue TExpProgram::ColumnValue(const TColumn& column, std::span<const uint8_t* const> images) const {
    TExpValue v;
    v.DataType = column.DataType;
    v.SubType = column.SubType;
    v.Scale = column.Scale;
    size_t size = 0;
    const uint8_t* value = ColumnBytes(column.Place, images, size);
    if (!value) return v; // NULL, or a source at its end
    v.IsNull = false;
    if (LoadNumber(column.DataType, value, size, v.Int, v.Real)) return v;
    if (column.DataType == dtString) {
        v.Text.assign(reinterpret_cast<const char*>(value),
                      strnlen(reinterpret_cast<const char*>(value), size));
    } else if (column.DataType == dtBcd) {
        if (size < BcdValueSize || !BcdToCurrencyValue(value, v.Int))
            RaiseEngineError(VORSAM_OUTOFRANGE, "BCD value beyond the currency range");
        v.Scale = value[1] & 0x3F;
    }
    return v;
}

TExpValue TExpProgram::Value(uint32_t index, std::span<const uint8_t* const> images) const {
    const TNode& node = nodes_[index];
    if (node.Lane && node.Kind != nkConstant) return ValueOf(Scalar(index, images));
    if (node.Direct != 0) return MakeBooleanValue(DirectTruth(direct_[node.Direct - 1], images));
    switch (node.Kind) {
    case nkConstant:
        return constants_[node.First];
    case nkColumn:
        return ColumnValue(columns_[node.First], images);
    case nkUnary: {
        if (node.Operator == opIsNull) return MakeBooleanValue(Operand(node, 0, images).IsNull);
        if (node.Operator == opNot) {
            TExpTruth t = ExpTruth(Operand(node, 0, images));
            return MakeBooleanValue(t ? TExpTruth(!*t) : std::nullopt);
        }
        return ExpSign(node.Operator, Operand(node, 0, images));
    }
    case nkBinary: {
        if (node.Operator == opAnd || node.Operator == opOr) {
            bool isAnd = node.Operator == opAnd;
            TExpTruth left = ExpTruth(Operand(node, 0, images));
            if (ExpLogicalDecided(isAnd, left)) return MakeBooleanValue(left);
            return MakeBooleanValue(ExpLogical(isAnd, left, ExpTruth(Operand(node, 1, images))));
        }
        TExpValue a = Operand(node, 0, images);
        TExpValue b = Operand(node, 1, images);
        if (IsComparisonOperator(node.Operator))
            return MakeBooleanValue(CompareExp(node.Operator, a, b, rules_));
        if (node.Operator == opConcat) return ExpConcatenate(a, b);
        return ExpArithmetic(node.Operator, a, b);
    }
    case nkPrefixCompare: {
        TExpValue value = Operand(node, 0, images);
        TExpValue prefix = Operand(node, 1, images);
        return MakeBooleanValue(ExpPrefixCompare(node.Operator, value, prefix, node.PrefixLength, rules_));
    }
    default: { // nkPredicate
        if (node.Operator == opLike) {
            TExpValue value = Operand(node, 0, images);
            TExpValue pattern = Operand(node, 1, images);
            return MakeBooleanValue(ExpLike(value, pattern, rules_));
        }
        TExpValue value = Operand(node, 0, images);
        if (node.Operator == opBetween) {
            TExpTruth low = CompareExp(opGreaterEqual, value, Operand(node, 1, images), rules_);
            TExpTruth high = CompareExp(opLessEqual, value, Operand(node, 2, images), rules_);
            return MakeBooleanValue(ExpBetween(low, high));
        }
        // IN: TRUE when an item equals the value, else NULL when the value or an item is NULL.
        if (value.IsNull) return MakeBooleanValue(std::nullopt);
        bool sawNull = false;
        for (uint32_t i = 1; i < node.Count; ++i) {
            TExpTruth equal = CompareExp(opEqual, value, Operand(node, i, images), rules_);
            if (equal.value_or(false)) return MakeBooleanValue(true);
            sawNull = sawNull || !equal;
        }
        return MakeBooleanValue(sawNull ? std::nullopt : TExpTruth(false));
    }
    }
}

} // namespace vorsam
