// The trunk table (code 2). Format: ScratchRows.h.

#include "screens/ScratchColumns.h"

#include "core/ImageLayout.h"

namespace {

// Trunk index (0-based) whose record is being written.
struct TTrunk {
    const TScratchSource* Source;
    int Index;

    // Byte k of the trunk's 8-byte record.
    std::uint8_t Record(std::size_t k) const {
        return Source
            ->Image[Offset::TrunkRecords + Offset::TrunkRecordSize * static_cast<std::size_t>(Index) + k];
    }
    // The per-trunk byte (route, dialling, directions).
    std::uint8_t TrunkByte() const {
        return Source->Image[Offset::TrunkBytes + static_cast<std::size_t>(Index)];
    }
};

auto RecordByte(std::size_t k) {
    return [k](const TTrunk& trunk) { return trunk.Record(k); };
}

const auto TrunkByte = [](const TTrunk& trunk) { return trunk.TrunkByte(); };

TScratchColumn<TTrunk> Constant(std::string name, const char* text) {
    return {std::move(name), 1, [text](const TTrunk&) { return std::string(text); }};
}

TScratchColumn<TTrunk> Attendant(std::string name, std::size_t k) {
    return {std::move(name), 4, [k](const TTrunk& t) { return AttendantText(*t.Source, t.Record(k)); }};
}

std::string TrunkNumber(const TTrunk& trunk) {
    const int number = trunk.Index + 1;
    std::string text = std::to_string(number);
    if (number < 10) text.insert(0, 1, '0');
    return text;
}

// The digits after which the trunk takes the call: the lowest of bits 0..2 of R0; 7 without one.
std::string DigitCount(const TTrunk& trunk) {
    const std::uint8_t flags = trunk.Record(0);
    if ((flags & 1) != 0) return "7";
    if ((flags & 2) != 0) return "8";
    return (flags & 4) != 0 ? "9" : "7";
}

std::string Overflow(const TTrunk& trunk) {
    return trunk.Record(2) == NoExtension ? "    " : AttendantText(*trunk.Source, trunk.Record(2));
}

TScratchColumns<TTrunk> TrunkColumns() {
    const auto flags = RecordByte(0), options = RecordByte(7);
    return {
        {"VIA", 2, TrunkNumber},
        BitColumn<TTrunk>("LIMCIFRAS", 3, flags),
        BitColumn<TTrunk>("ACESSAIU", 4, flags),
        BitColumn<TTrunk>("DDCNOT", 5, flags),
        BitColumn<TTrunk>("DDCDIU", 6, flags),
        BitColumn<TTrunk>("ATENDDIG", 7, flags),
        Constant("RECHAMADA", "0"),
        BitColumn<TTrunk>("APOSTTD", 3, options),
        BitColumn<TTrunk>("BINA", 5, options),
        BitColumn<TTrunk>("DETFAX", 6, options),
        BitColumn<TTrunk>("RTSAIDA", 5, TrunkByte),
        BitColumn<TTrunk>("RTENTRA", 6, TrunkByte),
        BitColumn<TTrunk>("RTBLOQ", 7, TrunkByte),
        {"TIPOVIA", 2, [](const TTrunk& t) { return std::string((t.TrunkByte() & 8) != 0 ? "MF" : "DC"); }},
        Constant("TOM425", "0"),
        {"CIFRAS", 1, DigitCount},
        Attendant("ATENDPRIN", 1),
        {"TRANSBORDO", 4, Overflow},
        Attendant("ATENDNOT", 3),
        ByteColumn<TTrunk>("TMPTRANS", RecordByte(4)),
        ByteColumn<TTrunk>("TMPTOMDIS", RecordByte(5)),
        ByteColumn<TTrunk>("TMPINIBIL", RecordByte(6)),
        {"NROTA", 1, [](const TTrunk& t) { return std::to_string(t.TrunkByte() & 7); }},
        BitColumn<TTrunk>("DATDAUTO", 4, options),
        BitColumn<TTrunk>("NTOQUES", 1, options),
        BitColumn<TTrunk>("TRANSBN", 7, options),
        BitColumn<TTrunk>("ATDCORR", 2, options),
        BitColumn<TTrunk>("DTMFFSK", 0, options),
    };
}

} // namespace

TScratchTable TrunkScratchTable(const TScratchSource& source, int which) {
    std::vector<TTrunk> trunks;
    for (int trunk = 1; trunk <= source.Trunks(); ++trunk)
        if (which == AllTempTableItems || which == trunk) trunks.push_back({&source, trunk - 1});
    return Tabulate(TrunkColumns(), trunks);
}
