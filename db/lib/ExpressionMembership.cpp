#include "db/lib/ExpressionMembership.h"

#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace vorsam {

namespace {

constexpr int64_t CurrencyUnit = 10000;
// Sets kept beside the first: strings read as the types of the values looked up among them.
constexpr size_t MaxSets = 8;

enum class TLayout : uint8_t {
    Empty,    // no value that is not NULL
    Exact,    // 64-bit integers: integers, BCD (currency), dates, times, booleans
    Real,     // doubles: floats, timestamps
    Collated, // collation keys: strings
    Bytes,    // bytes
    Unusable, // no set answers exactly: the values are compared one by one
};

TLayout LayoutOf(uint8_t dataType, uint8_t subType) {
    switch (TypeClassOf(dataType, subType)) {
    case tcNumeric:
    case tcDateTime:
        return dataType == dtFloat || dataType == dtTimeStamp ? TLayout::Real : TLayout::Exact;
    case tcBoolean:
    case tcTime:
        return TLayout::Exact;
    case tcString:
        return TLayout::Collated;
    case tcBytes:
        return TLayout::Bytes;
    default:
        return TLayout::Unusable;
    }
}

// The text up to its first zero byte, as collation keys compare.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, std::min(text.size(), text.find('\0')));
}

// The first element for which `below` is false, and whether it compares equal (neither below nor above).
template <typename It, typename Below, typename Above>
bool Holds(It first, It last, const Below& below, const Above& above) {
    It at = std::partition_point(first, last, below);
    return at != last && !above(*at);
}

} // namespace

enum class TSetAnswer { Answered, ReadAsType, Unanswered };

class TExpValueSet {
public:
    // Reads the values; with `readAs`, each string as a constant of that value's type.
    void Read(const TExpValueReader& read, const TCollationRules& rules, const TExpValue* readAs);
    TSetAnswer Find(const TExpValue& x, const TCollationRules& rules, TExpMembership& answer) const;

private:
    void Add(const TExpValue& value, const TCollationRules& rules);
    void Seal(const TCollationRules& rules);
    bool FindSameClass(const TExpValue& x, const TCollationRules& rules) const;
    bool FindReal(double x) const;
    bool FindText(std::string_view key, const TCollationRules& rules) const;
    std::string_view TextAt(size_t i) const { return {pool_.data() + spans_[i].first, spans_[i].second}; }

    TLayout layout_ = TLayout::Empty;
    // The type of the values (the first that is not NULL); all are of it.
    TExpValue prototype_;
    bool sameScale_ = true;
    bool sawNull_ = false;
    bool sawNaN_ = false;
    std::vector<int64_t> exact_;
    std::vector<double> reals_;
    std::string pool_;                             // the texts one after another
    std::vector<std::pair<size_t, size_t>> spans_; // each text's place and length in the pool
};

void TExpValueSet::Read(const TExpValueReader& read, const TCollationRules& rules, const TExpValue* readAs) {
    read([&](const TExpToken& token) {
        try {
            TExpValue value = ReadExpValue(token);
            if (readAs && !value.IsNull) value = ExpStringAsTypeOf(value, *readAs);
            Add(value, rules);
        } catch (const EVORSAMEngineError&) {
            // A value that does not read (or is no value of the type) is met by the one-by-one comparison,
            // which raises there unless an earlier value is found equal.
            layout_ = TLayout::Unusable;
        }
        return layout_ != TLayout::Unusable;
    });
    Seal(rules);
}

void TExpValueSet::Add(const TExpValue& value, const TCollationRules& rules) {
    if (value.IsNull) {
        sawNull_ = true;
        return;
    }
    if (layout_ == TLayout::Empty) {
        prototype_ = value;
        prototype_.Text.clear();
        layout_ = LayoutOf(value.DataType, value.SubType);
    } else if (value.DataType != prototype_.DataType ||
               TypeClassOf(value.DataType, value.SubType) !=
                   TypeClassOf(prototype_.DataType, prototype_.SubType)) {
        layout_ = TLayout::Unusable;
    }
    sameScale_ = sameScale_ && value.Scale == prototype_.Scale;
    switch (layout_) {
    case TLayout::Exact:
        exact_.push_back(value.Int);
        break;
    case TLayout::Real:
        if (std::isnan(value.Real))
            sawNaN_ = true;
        else
            reals_.push_back(value.Real);
        break;
    case TLayout::Collated:
    case TLayout::Bytes: {
        std::string key = layout_ == TLayout::Collated ? CollationKeyText(UpToZero(value.Text), rules) : "";
        std::string_view text = layout_ == TLayout::Collated ? UpToZero(key) : std::string_view(value.Text);
        spans_.emplace_back(pool_.size(), text.size());
        pool_.append(text);
        break;
    }
    default:
        break;
    }
}

void TExpValueSet::Seal(const TCollationRules& rules) {
    switch (layout_) {
    case TLayout::Exact:
        std::sort(exact_.begin(), exact_.end());
        exact_.erase(std::unique(exact_.begin(), exact_.end()), exact_.end());
        exact_.shrink_to_fit();
        break;
    case TLayout::Real:
        std::sort(reals_.begin(), reals_.end());
        reals_.erase(std::unique(reals_.begin(), reals_.end()), reals_.end());
        reals_.shrink_to_fit();
        break;
    case TLayout::Collated:
    case TLayout::Bytes: {
        bool collated = layout_ == TLayout::Collated;
        auto text = [&](const std::pair<size_t, size_t>& span) {
            return std::string_view(pool_.data() + span.first, span.second);
        };
        auto compare = [&](const auto& a, const auto& b) {
            return collated ? CompareCollationKeys(text(a), text(b), rules) : text(a).compare(text(b));
        };
        std::sort(spans_.begin(), spans_.end(),
                  [&](const auto& a, const auto& b) { return compare(a, b) < 0; });
        spans_.erase(std::unique(spans_.begin(), spans_.end(),
                                 [&](const auto& a, const auto& b) { return compare(a, b) == 0; }),
                     spans_.end());
        spans_.shrink_to_fit();
        break;
    }
    default:
        exact_ = {};
        reals_ = {};
        pool_ = {};
        spans_ = {};
        break;
    }
}

TSetAnswer TExpValueSet::Find(const TExpValue& x, const TCollationRules& rules,
                              TExpMembership& answer) const {
    answer.SawNull = sawNull_;
    answer.Found = false;
    // NULLs alone: every comparison is NULL, none raises.
    if (layout_ == TLayout::Empty) return TSetAnswer::Answered;
    if (layout_ == TLayout::Unusable) return TSetAnswer::Unanswered;
    TTypeClass own = TypeClassOf(prototype_.DataType, prototype_.SubType);
    TTypeClass other = TypeClassOf(x.DataType, x.SubType);
    if (other == own) {
        answer.Found = FindSameClass(x, rules);
        return TSetAnswer::Answered;
    }
    if (other == tcString && own != tcBytes) {
        // The string is read as each value's type: the values' scales must agree for one reading to do.
        if (!sameScale_) return TSetAnswer::Unanswered;
        answer.Found = FindSameClass(ExpStringAsTypeOf(x, prototype_), rules);
        return TSetAnswer::Answered;
    }
    if (own == tcString && other != tcBytes && other != tcOther && other != tcUnknown)
        return TSetAnswer::ReadAsType;
    return TSetAnswer::Unanswered;
}

bool TExpValueSet::FindSameClass(const TExpValue& x, const TCollationRules& rules) const {
    const uint8_t own = prototype_.DataType;
    switch (layout_) {
    case TLayout::Real: {
        double real = own == dtTimeStamp ? ExpDateTimeAsReal(x) : ExpNumberAsReal(x);
        return sawNaN_ || FindReal(real);
    }
    case TLayout::Exact: {
        if (x.DataType == dtFloat || x.DataType == dtTimeStamp) {
            // Against a float (a timestamp) every value reads as a double, in the same order (a NaN
            // below none and above none: equal to the first).
            auto asReal = [&](int64_t value) {
                return own == dtDate ? MakeTimeStamp(int32_t(value), 0) : ExpExactAsReal(value, own == dtBcd);
            };
            return Holds(
                exact_.begin(), exact_.end(), [&](int64_t value) { return asReal(value) < x.Real; },
                [&](int64_t value) { return x.Real < asReal(value); });
        }
        int64_t key = x.Int;
        if (own == dtBcd && x.DataType != dtBcd) {
            // An integer against currency: scaled, out of reach when the scaling leaves 64 bits.
            if (key > std::numeric_limits<int64_t>::max() / CurrencyUnit ||
                key < std::numeric_limits<int64_t>::min() / CurrencyUnit)
                return false;
            key *= CurrencyUnit;
        } else if (own != dtBcd && x.DataType == dtBcd) {
            // Currency against integers: only a whole number can equal one.
            if (key % CurrencyUnit != 0) return false;
            key /= CurrencyUnit;
        }
        return std::binary_search(exact_.begin(), exact_.end(), key);
    }
    case TLayout::Collated:
        return FindText(UpToZero(CollationKeyText(UpToZero(x.Text), rules)), rules);
    case TLayout::Bytes:
        return FindText(x.Text, rules);
    default:
        return false;
    }
}

bool TExpValueSet::FindReal(double x) const {
    if (std::isnan(x)) return true; // equal to every value (there is one)
    return std::binary_search(reals_.begin(), reals_.end(), x);
}

bool TExpValueSet::FindText(std::string_view key, const TCollationRules& rules) const {
    bool collated = layout_ == TLayout::Collated;
    auto compare = [&](size_t i) {
        return collated ? CompareCollationKeys(TextAt(i), key, rules) : TextAt(i).compare(key);
    };
    size_t low = 0, high = spans_.size();
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (compare(middle) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low < spans_.size() && compare(low) == 0;
}

struct TExpMembershipCache::TEntry {
    TCollationRules Rules;
    bool ReadAs = false;
    TExpValue As; // the type the strings were read as (its value unused)
    std::unique_ptr<TExpValueSet> Set;
};

TExpMembershipCache::TExpMembershipCache() = default;
TExpMembershipCache::~TExpMembershipCache() = default;

void TExpMembershipCache::Clear() {
    sets_.clear();
}

TExpValueSet& TExpMembershipCache::SetFor(const TCollationRules& rules, const TExpValue* readAs,
                                          const TExpValueReader& read) {
    for (TEntry& entry : sets_) {
        bool sameRules = entry.Rules.LanguageId == rules.LanguageId && entry.Rules.SortId == rules.SortId &&
                         entry.Rules.CaseInsensitive == rules.CaseInsensitive;
        if (!sameRules || entry.ReadAs != (readAs != nullptr)) continue;
        if (!readAs || (entry.As.DataType == readAs->DataType && entry.As.SubType == readAs->SubType &&
                        entry.As.Scale == readAs->Scale))
            return *entry.Set;
    }
    if (sets_.size() == MaxSets) sets_.erase(sets_.begin() + 1); // the first (values as they are) stays
    TEntry entry;
    entry.Rules = rules;
    entry.ReadAs = readAs != nullptr;
    if (readAs) {
        entry.As = *readAs;
        entry.As.Text.clear();
    }
    entry.Set = std::make_unique<TExpValueSet>();
    entry.Set->Read(read, rules, readAs ? &entry.As : nullptr);
    sets_.push_back(std::move(entry));
    return *sets_.back().Set;
}

std::optional<TExpMembership> TExpMembershipCache::Find(const TExpValue& x, const TCollationRules& rules,
                                                        const TExpValueReader& read) {
    assert(!x.IsNull);
    TExpMembership answer;
    switch (SetFor(rules, nullptr, read).Find(x, rules, answer)) {
    case TSetAnswer::Answered:
        return answer;
    case TSetAnswer::ReadAsType:
        if (SetFor(rules, &x, read).Find(x, rules, answer) == TSetAnswer::Answered) return answer;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace vorsam
