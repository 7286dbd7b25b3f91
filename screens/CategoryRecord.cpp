#include "screens/CategoryRecord.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/ValueConversions.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"

#include <charconv>
#include <initializer_list>

using platform::data::TDataSet;

namespace {

constexpr std::array<char, 2> HalfLetter = {'D', 'N'}; // day, night

std::string Name(const char* stem, char half, int n) {
    return stem + std::string(1, half) + std::to_string(n);
}

bool IsSet(TDataSet& table, const std::string& field) {
    return table.FieldByName(field).AsString() == "1";
}

// Category bits: 1 local, 2 DDD, 3 DDI, 4 regional, 5 internal.
constexpr int Local = 1, Ddd = 2, Ddi = 3, Regional = 4, Internal = 5;

std::uint8_t Widen(std::uint8_t categories) {
    const auto bit = [](int n) { return static_cast<std::uint8_t>(1u << n); };
    for (auto [from, to] : {std::pair{Ddi, Ddd}, {Ddd, Regional}, {Regional, Local}, {Local, Internal}})
        if (categories & bit(from)) categories |= bit(to);
    return categories;
}

TCategoryHalf ReadHalf(TDataSet& table, char half) {
    TCategoryHalf read;
    for (int n = 1; n <= 7; ++n) {
        if (IsSet(table, Name("CAT", half, n))) read.categories |= static_cast<std::uint8_t>(1u << (n - 1));
        if (IsSet(table, Name("FAC", half, n))) read.facilities |= static_cast<std::uint8_t>(1u << n);
    }
    for (int r = 0; r <= 7; ++r)
        if (IsSet(table, Name("ROT", half, r))) read.routes |= static_cast<std::uint8_t>(1u << r);
    read.categories = Widen(read.categories);
    read.subRoute = RemoveSpaces(table.FieldByName(std::string("SRota") + half).AsString());
    return read;
}

// The route a sub-route text names; -1 when it names none of routes 0..7.
int SubRouteNumber(const std::string& text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 7) return -1;
    return value;
}

// 0, or the error of one half: base + 0 route 0 with a sub-route, base + 1 routes without
// local access, base + 2 the sub-route's route not permitted.
int HalfError(const TCategoryHalf& half, int base) {
    constexpr std::uint8_t outside = (1u << Local) | (1u << Ddd) | (1u << Ddi);
    if (!half.subRoute.empty()) {
        if (half.routes & 1u) return base;
        const int route = SubRouteNumber(half.subRoute);
        if (route < 0 || (half.routes & (1u << route)) == 0) return base + 2;
        return 0;
    }
    if (half.routes != 0 && (half.categories & outside) == 0) return base + 1;
    return 0;
}

std::uint8_t SubRouteByte(const TCategoryHalf& half) {
    if (!half.subRoute.empty()) return static_cast<std::uint8_t>(SubRouteNumber(half.subRoute));
    return (half.routes & 1u) ? 0 : 238;
}

// The bytes of one half, from its categories byte.
constexpr std::size_t Routes = Offset::DayRoutes - Offset::DayCategories;
constexpr std::size_t Facilities = Offset::DayFacilities - Offset::DayCategories;
constexpr std::size_t SubRoutes = Offset::DaySubRoutes - Offset::DayCategories;
static_assert(Offset::NightRoutes - Offset::NightCategories == Routes);

std::uint8_t Keep(std::uint8_t old, std::uint8_t keptBits, std::uint8_t value) {
    return static_cast<std::uint8_t>((old & keptBits) | (value & ~keptBits));
}

} // namespace

const std::vector<std::string>& CategoryCopyFields() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const char half : HalfLetter) {
            for (int n = 1; n <= 7; ++n) list.push_back(Name("CAT", half, n));
            for (int r = 0; r <= 7; ++r) list.push_back(Name("ROT", half, r));
            for (int n = 1; n <= 7; ++n) list.push_back(Name("FAC", half, n));
        }
        for (int n = 1; n <= 4; ++n) list.push_back("CAR" + std::to_string(n));
        list.push_back("SRotaD");
        list.push_back("SRotaN");
        return list;
    }();
    return names;
}

TCategoryRecord ReadCategoryRecord(TDataSet& table) {
    TCategoryRecord record;
    for (std::size_t h = 0; h < HalfLetter.size(); ++h) record.halves[h] = ReadHalf(table, HalfLetter[h]);
    if (IsSet(table, "CAR1")) record.attributes |= 0x08;
    if (IsSet(table, "CAR3")) record.attributes |= 0x40;
    if (IsSet(table, "CAR4")) record.attributes |= 0x80;
    return record;
}

int CategoryError(const TCategoryRecord& record) {
    if (const int day = HalfError(record.halves[0], 1)) return day;
    return HalfError(record.halves[1], 4);
}

const char* CategoryErrorMessage(int error) {
    switch (error) {
    case 1:
    case 4:
        return LngText("Quando o ramal tem acesso a sub-rota, não pode acessar a rota 0.");
    case 2:
    case 5:
        return LngText("Quando o acesso às rotas é permitido, o acesso a local, a DDD ou a DDI também deve "
                       "ser permitido.");
    default:
        return LngText("A rota deverá estar definida para permitir acesso a sub-rota");
    }
}

void FoldCategoryRecord(const TCategoryRecord& record, const TImageView& header, int i, TFacilityBit5 bit5) {
    const std::uint8_t facilities = bit5 == TFacilityBit5::Clear ? 0xDE : 0xFE;
    const std::size_t bases[2] = {Offset::DayCategories, Offset::NightCategories};
    for (std::size_t h = 0; h < 2; ++h) {
        const TCategoryHalf& half = record.halves[h];
        const std::size_t at = bases[h] + static_cast<std::size_t>(i);
        header[at] = Keep(header[at], 0x80, half.categories);
        header[at + Routes] = Keep(header[at + Routes], 0x01, half.routes);
        header[at + Facilities] = Keep(header[at + Facilities], 0x01, half.facilities & facilities);
        header[at + SubRoutes] = SubRouteByte(half);
    }
    const std::size_t attributes = Offset::Attributes + static_cast<std::size_t>(i);
    header[attributes] = static_cast<std::uint8_t>((header[attributes] & 0x27) | record.attributes);
}

void SetCategoryDefaults(TDataSet& table) {
    table.Edit();
    const std::vector<std::string>& fields = CategoryCopyFields();
    for (std::size_t f = 0; f + 2 < fields.size(); ++f) table.FieldByName(fields[f]).SetAsString("0");
    for (const char half : HalfLetter) {
        for (const int n : {1, 2, 3, 5, 6}) table.FieldByName(Name("CAT", half, n)).SetAsString("1");
        table.FieldByName(Name("ROT", half, 0)).SetAsString("1");
        table.FieldByName(std::string("SRota") + half).SetAsString(" ");
    }
    table.Post();
}

std::vector<std::string> ReadCopyFields(TDataSet& table) {
    std::vector<std::string> texts;
    for (const std::string& field : CategoryCopyFields())
        texts.push_back(table.FieldByName(field).AsString());
    return texts;
}

void WriteCopyFields(TDataSet& table, const std::vector<std::string>& texts) {
    const std::vector<std::string>& fields = CategoryCopyFields();
    table.Edit();
    for (std::size_t f = 0; f < fields.size(); ++f) table.FieldByName(fields[f]).SetAsString(texts.at(f));
    table.Post();
}

std::string CurrentRamal(TDataSet& table) {
    if (!table.Active() || table.IsEmpty()) return {};
    return table.FieldByName("RAMAL").AsString();
}

bool FindRamal(TDataSet& table, const std::string& number) {
    if (number.empty() || !table.Active() || table.IsEmpty()) return false;
    table.CheckBrowseMode();
    const auto current = table.Bookmark();
    table.DisableControls();
    table.First();
    while (!table.Eof() && table.FieldByName("RAMAL").AsString() != number) table.Next();
    const bool found = !table.Eof();
    if (!found) table.GotoBookmark(current);
    table.EnableControls();
    return found;
}
