#include "db/lib/ExpressionMembership.h"

#include "db/lib/DataTypes.h"
#include "db/lib/DateTimeValues.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

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

uint64_t Mix(uint64_t bits) {
    bits ^= bits >> 33;
    bits *= 0xFF51AFD7ED558CCDull;
    return bits ^ (bits >> 33);
}

// Keys hashed into a table at most half full (open addressing, linear probing); Contains finds the key
// equal to the one given.
template <typename Key, typename Hash> class TKeyTable {
public:
    static size_t SizeFor(size_t count) {
        size_t size = 16;
        while (size < 2 * count) size *= 2;
        return size;
    }
    // Answers how many slots past their first the keys went to (duplicates count again).
    size_t Build(const std::vector<Key>& keys, Hash hash = {}) {
        hash_ = hash;
        slots_.assign(SizeFor(keys.size()), Key{});
        used_.assign(slots_.size(), false);
        size_t steps = 0;
        for (const Key& key : keys) steps += Insert(key);
        return steps;
    }
    bool Contains(const Key& key) const {
        if (slots_.empty()) return false;
        for (size_t at = hash_(key) & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            if (!used_[at]) return false;
            if (slots_[at] == key) return true;
        }
    }
    bool Empty() const { return slots_.empty(); }
    // Each key once.
    template <typename F> void ForEach(F&& f) const {
        for (size_t at = 0; at < slots_.size(); ++at)
            if (used_[at]) f(slots_[at]);
    }

private:
    size_t Insert(const Key& key) {
        size_t steps = 0, at = hash_(key) & (slots_.size() - 1);
        for (; used_[at]; at = (at + 1) & (slots_.size() - 1), ++steps)
            if (slots_[at] == key) return steps;
        slots_[at] = key;
        used_[at] = true;
        return steps;
    }

    Hash hash_;
    std::vector<Key> slots_;
    std::vector<bool> used_;
};

// Integers placed by where they lie between the least and the greatest of the table's keys, so that keys
// looked up in their order read the table in its order; or, with no factor, mixed.
struct TExactHash {
    uint64_t Least = 0;
    unsigned __int128 Factor = 0;
    size_t operator()(int64_t key) const {
        if (Factor == 0) return size_t(Mix(uint64_t(key)));
        return size_t(((unsigned __int128)(uint64_t(key) - Least) * Factor) >> 64);
    }
};
// Equal doubles hash alike: 0 and -0 are one key (no NaN is kept).
struct TRealHash {
    size_t operator()(double key) const {
        uint64_t bits = 0;
        if (key != 0) std::memcpy(&bits, &key, sizeof bits);
        return size_t(Mix(bits));
    }
};
struct TTextHash {
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
};

} // namespace

enum class TSetAnswer { Answered, ReadAsType, Unanswered };

class TExpValueSet {
public:
    // Reads the values; with `readAs`, each string as a constant of that value's type.
    void Read(const TExpValueReader& read, const TCollationRules& rules, const TExpValue* readAs);
    TSetAnswer Find(const TExpValue& x, const TCollationRules& rules, TExpMembership& answer);

private:
    void Add(const TExpValue& value, const TCollationRules& rules);
    void Seal(const TCollationRules& rules);
    // The exact keys each once, as a bitmap of their range when it is dense enough, else hashed.
    void BuildExactKeys();
    bool ContainsExact(int64_t key) const;
    template <typename F> void ForEachExact(F&& f) const;
    bool FindSameClass(const TExpValue& x, const TCollationRules& rules);
    bool FindSorted(std::string_view key, const TCollationRules& rules) const;

    TLayout layout_ = TLayout::Empty;
    // The type of the values (the first that is not NULL); all are of it.
    TExpValue prototype_;
    bool sameScale_ = true;
    bool sawNull_ = false;
    bool sawNaN_ = false;
    bool hashedTexts_ = false; // texts compared bytewise (else sorted in the collation's order)
    // The keys as read (until the set is sealed), then in their tables.
    std::vector<int64_t> exact_;
    std::vector<double> reals_;
    std::string pool_;             // the texts one after another
    std::vector<size_t> textEnds_; // where each ends in the pool, until the pool is whole
    std::vector<std::string_view> texts_;
    TKeyTable<int64_t, TExactHash> exactTable_;
    int64_t least_ = 0, greatest_ = -1;      // of the exact keys (none: an empty range)
    std::vector<uint64_t> bits_;             // bit i: least_ + i is a key
    TKeyTable<double, TRealHash> realTable_; // also the exact keys read as doubles, when asked for
    TKeyTable<std::string_view, TTextHash> textTable_;
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
        pool_.append(UpToZero(CollationKeyText(UpToZero(value.Text), rules)));
        textEnds_.push_back(pool_.size());
        break;
    case TLayout::Bytes:
        pool_.append(value.Text);
        textEnds_.push_back(pool_.size());
        break;
    default:
        break;
    }
}

void TExpValueSet::Seal(const TCollationRules& rules) {
    size_t start = 0;
    for (size_t end : textEnds_) {
        texts_.emplace_back(pool_.data() + start, end - start);
        start = end;
    }
    textEnds_ = {};
    hashedTexts_ = layout_ == TLayout::Bytes || (layout_ == TLayout::Collated && rules.LanguageId == 0);
    if (layout_ == TLayout::Exact) BuildExactKeys();
    if (layout_ == TLayout::Real) realTable_.Build(reals_);
    if (hashedTexts_) textTable_.Build(texts_);
    if (layout_ == TLayout::Collated && !hashedTexts_) {
        auto below = [&](std::string_view a, std::string_view b) {
            return CompareCollationKeys(a, b, rules) < 0;
        };
        std::sort(texts_.begin(), texts_.end(), below);
        texts_.erase(std::unique(texts_.begin(), texts_.end(),
                                 [&](std::string_view a, std::string_view b) {
                                     return CompareCollationKeys(a, b, rules) == 0;
                                 }),
                     texts_.end());
        texts_.shrink_to_fit();
    } else {
        texts_ = {};
    }
    if (layout_ == TLayout::Unusable) pool_ = {};
    exact_ = {};
    reals_ = {};
}

void TExpValueSet::BuildExactKeys() {
    if (exact_.empty()) return;
    auto [least, greatest] = std::minmax_element(exact_.begin(), exact_.end());
    least_ = *least;
    greatest_ = *greatest;
    uint64_t span = uint64_t(greatest_) - uint64_t(least_);
    if (span / 64 < exact_.size()) {
        // At most 64 bits a value read: a bit for each value of the range, which the caches hold best.
        bits_.assign(size_t(span / 64) + 1, 0);
        for (int64_t key : exact_) {
            uint64_t at = uint64_t(key) - uint64_t(least_);
            bits_[at / 64] |= uint64_t(1) << (at % 64);
        }
        return;
    }
    exactTable_.Build(exact_);
    std::vector<int64_t> keys; // each once
    exactTable_.ForEach([&](int64_t key) { keys.push_back(key); });
    exact_ = {};
    // Placed by value when they lie evenly enough (most keys in their own slot or the next), else mixed.
    TExactHash spread{uint64_t(least_),
                      ((unsigned __int128)TKeyTable<int64_t, TExactHash>::SizeFor(keys.size()) << 64) /
                          ((unsigned __int128)span + 1)};
    if (exactTable_.Build(keys, spread) > keys.size()) exactTable_.Build(keys);
}

bool TExpValueSet::ContainsExact(int64_t key) const {
    if (key < least_ || key > greatest_) return false;
    if (bits_.empty()) return exactTable_.Contains(key);
    uint64_t at = uint64_t(key) - uint64_t(least_);
    return (bits_[at / 64] >> (at % 64)) & 1;
}

template <typename F> void TExpValueSet::ForEachExact(F&& f) const {
    if (bits_.empty()) return exactTable_.ForEach(f);
    for (size_t word = 0; word < bits_.size(); ++word)
        for (uint64_t rest = bits_[word]; rest != 0; rest &= rest - 1)
            f(int64_t(uint64_t(least_) + word * 64 + uint64_t(std::countr_zero(rest))));
}

TSetAnswer TExpValueSet::Find(const TExpValue& x, const TCollationRules& rules, TExpMembership& answer) {
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

bool TExpValueSet::FindSameClass(const TExpValue& x, const TCollationRules& rules) {
    const uint8_t own = prototype_.DataType;
    switch (layout_) {
    case TLayout::Real: {
        double real = own == dtTimeStamp ? ExpDateTimeAsReal(x) : ExpNumberAsReal(x);
        // A NaN equals every value (there is one).
        return sawNaN_ || std::isnan(real) || realTable_.Contains(real);
    }
    case TLayout::Exact: {
        if (x.DataType == dtFloat || x.DataType == dtTimeStamp) {
            // Against a float (a timestamp) every value reads as a double.
            if (std::isnan(x.Real)) return true;
            if (realTable_.Empty()) {
                std::vector<double> reals;
                ForEachExact([&](int64_t value) {
                    reals.push_back(own == dtDate ? MakeTimeStamp(int32_t(value), 0)
                                                  : ExpExactAsReal(value, own == dtBcd));
                });
                realTable_.Build(reals);
            }
            return realTable_.Contains(x.Real);
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
        return ContainsExact(key);
    }
    case TLayout::Collated: {
        std::string key = CollationKeyText(UpToZero(x.Text), rules);
        return hashedTexts_ ? textTable_.Contains(UpToZero(key)) : FindSorted(UpToZero(key), rules);
    }
    case TLayout::Bytes:
        return textTable_.Contains(x.Text);
    default:
        return false;
    }
}

bool TExpValueSet::FindSorted(std::string_view key, const TCollationRules& rules) const {
    auto at = std::partition_point(texts_.begin(), texts_.end(), [&](std::string_view text) {
        return CompareCollationKeys(text, key, rules) < 0;
    });
    return at != texts_.end() && CompareCollationKeys(*at, key, rules) == 0;
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
