// The extension tables: categories (code 1), facilities (code 4) and the individual programming
// view (code 8). Formats: ScratchRows.h.

#include "screens/ScratchColumns.h"

#include "core/ImageLayout.h"

namespace {

constexpr std::uint8_t HotLineUnset = 255;
constexpr std::uint8_t ExternalHotLine = 0x40, HotLineWithoutDelay = 0x80, HotLinePosition = 0x3F;
constexpr std::uint8_t RecallUnset = 7;

// The position of index i (0-based) whose record is being written.
struct TExtension {
    const TScratchSource* Source;
    int Index;

    // The per-extension byte of this position in the array at offset.
    std::uint8_t At(std::size_t offset) const {
        return Source->Image[offset + static_cast<std::size_t>(Index)];
    }
};

// Positions 1..E (or the one numbered which) whose number begins with "2" or "3".
std::vector<TExtension> Extensions(const TScratchSource& source, int which = AllTempTableItems) {
    std::vector<TExtension> items;
    for (int position = 1; position <= source.Extensions(); ++position)
        if ((which == AllTempTableItems || which == position) && source.HasExtensionRecord(position))
            items.push_back({&source, position - 1});
    return items;
}

auto ByteAt(std::size_t offset) {
    return [offset](const TExtension& extension) { return extension.At(offset); };
}

TScratchColumns<TExtension> KeyColumn() {
    return {{"RAMAL", 0, [](const TExtension& e) { return e.Source->NumberText(e.Index); }}};
}

std::string SubRouteText(std::uint8_t subRoute) {
    return subRoute == 0 || subRoute == NoSubRoute ? " " : std::to_string(subRoute);
}

// CATx1..7, ROTx0..7, FACx1..7 of the day (x = D) or night (x = N) bytes.
void AddPeriodColumns(TScratchColumns<TExtension>& columns, const std::string& period, std::size_t categories,
                      std::size_t routes, std::size_t facilities, std::size_t subRoute) {
    AddBitColumns(columns, "CAT" + period, 1, {0, 1, 2, 3, 4, 5, 6}, ByteAt(categories));
    columns.push_back({"ROT" + period + "0", 1, [subRoute](const TExtension& e) {
                           return std::string(e.At(subRoute) == 0 ? "1" : "0");
                       }});
    AddBitColumns(columns, "ROT" + period, 1, {1, 2, 3, 4, 5, 6, 7}, ByteAt(routes));
    AddBitColumns(columns, "FAC" + period, 1, {1, 2, 3, 4, 5, 6, 7}, ByteAt(facilities));
}

TScratchColumn<TExtension> SubRouteColumn(std::string name, std::size_t subRoute) {
    return {std::move(name), 1, [subRoute](const TExtension& e) { return SubRouteText(e.At(subRoute)); }};
}

// The byte of service row r of the position.
auto ServiceByte(std::size_t row) {
    return ByteAt(Offset::ServiceRows + row);
}

std::string HotLineKind(std::uint8_t hotLine) {
    if (hotLine == HotLineUnset) return "NAO PROGRAMADA";
    return std::string((hotLine & ExternalHotLine) != 0 ? "EXTERNO" : "INTERNO") + " " +
           ((hotLine & HotLineWithoutDelay) != 0 ? "SEM RETARDO" : "COM RETARDO");
}

// The target of an internal hot line is the position in its low six bits; an external one has
// no extension to show.
std::string HotLineTarget(const TExtension& e) {
    const std::uint8_t hotLine = e.At(Offset::ServiceRows);
    if (hotLine == HotLineUnset || (hotLine & ExternalHotLine) != 0) return "";
    return e.Source->NumberText(hotLine & HotLinePosition);
}

TScratchColumn<TExtension> DiversionColumn(std::string name, std::size_t row) {
    return {std::move(name), 7,
            [row](const TExtension& e) { return DiversionText(*e.Source, ServiceByte(row)(e)); }};
}

// A nibble of the recall byte; 7 is no time.
TScratchColumn<TExtension> RecallColumn(std::string name, int shift) {
    return {std::move(name), 2, [shift](const TExtension& e) {
                const int nibble = ServiceByte(180)(e) >> shift & 0xF;
                return nibble == RecallUnset ? std::string() : std::to_string(nibble);
            }};
}

} // namespace

TScratchTable CategoryScratchTable(const TScratchSource& source, int which) {
    using namespace Offset;
    TScratchColumns<TExtension> columns = KeyColumn();
    AddPeriodColumns(columns, "D", DayCategories, DayRoutes, DayFacilities, DaySubRoutes);
    AddPeriodColumns(columns, "N", NightCategories, NightRoutes, NightFacilities, NightSubRoutes);
    AddBitColumns(columns, "CAR", 1, {3, 4, 6, 7}, ByteAt(Attributes));
    columns.push_back(SubRouteColumn("SRotaD", DaySubRoutes));
    columns.push_back(SubRouteColumn("SRotaN", NightSubRoutes));
    return Tabulate(columns, Extensions(source, which));
}

TScratchTable FacilityScratchTable(const TScratchSource& source) {
    TScratchColumns<TExtension> columns = KeyColumn();
    const auto facilities = ByteAt(Offset::ExtensionFacilities);
    int bit = 0;
    for (const char* name : {"SENHAPROG", "NAOPERTURB", "CADEADO", "SIGAME", "HOTLINE", "RAMALTI"})
        columns.push_back(BitColumn<TExtension>(name, bit++, facilities));
    return Tabulate(columns, Extensions(source));
}

TScratchTable IndividualScratchTable(const TScratchSource& source) {
    TScratchColumns<TExtension> columns = KeyColumn();
    columns.push_back({"THOTLIN", 20, [](const TExtension& e) { return HotLineKind(ServiceByte(0)(e)); }});
    columns.push_back({"HOTLINE", 5, HotLineTarget});
    columns.push_back(DiversionColumn("DESVOCUP", 20));
    columns.push_back(DiversionColumn("DESVNATD", 40));
    columns.push_back(DiversionColumn("SIGAME", 60));
    columns.push_back(ByteColumn<TExtension>("NTNAOATD", ServiceByte(120)));
    columns.push_back(ByteColumn<TExtension>("TMPFLASH", ServiceByte(140)));
    columns.push_back(RecallColumn("TMPRECTRO", 4));
    columns.push_back(RecallColumn("TMPRECRAM", 0));
    columns.push_back(ByteColumn<TExtension>("TMPRECRET", ServiceByte(160)));
    return Tabulate(columns, Extensions(source));
}
