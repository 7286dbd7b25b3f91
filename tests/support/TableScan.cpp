#include "TableScan.h"

#include "db/engine/BlobBuffer.h"
#include "db/engine/IndexPath.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>

namespace vorsam::test {

namespace {

std::string SlotText(uint8_t slot) {
    return "index slot " + std::to_string(slot) + ": ";
}

TPageRef FetchPage(TIndexFile& file, uint8_t slot, uint32_t number) {
    TPage* page = nullptr;
    file.GetPage(slot, number, page);
    return TPageRef(file, page);
}

// The first (or last) leaf of the index, descending from its root by the first (or last) entries; an
// empty reference for an empty index or a descent deeper than an index may be (a problem).
TPageRef EdgeLeaf(TIndexFile& file, uint8_t slot, bool first, TScanReport& report) {
    uint32_t number = file.GetRoot(slot);
    if (number == 0) return {};
    for (unsigned level = 1; level <= TIndexPath::MaxLevels; ++level) {
        TPageRef page = FetchPage(file, slot, number);
        if (page->IsLeaf() || page->KeyCount() == 0) return page;
        number = page->GetValue(first ? 1 : page->KeyCount());
    }
    report.Problems.push_back(SlotText(slot) + "deeper than " + std::to_string(TIndexPath::MaxLevels) +
                              " levels");
    return {};
}

// Reads the record an index entry names, with its blobs; false (a problem) when it is not active.
bool ReadIndexedRecord(TDataTable& table, uint8_t slot, uint32_t number, TScanReport& report) {
    TPinnedRecord record(table.DataFile().GetRecord(nullptr, number));
    if (record->Status() != RecordActive) {
        report.Problems.push_back(SlotText(slot) + "names record " + std::to_string(number) +
                                  ", which is not active");
        return false;
    }
    report.BlobBytes += ReadRecordBlobs(table, number, record->Image());
    return true;
}

void WalkRecordOrder(TDataTable& table, bool forwards, TScanReport& report) {
    TDataFile& file = table.DataFile();
    uint32_t count = file.GetRecordCount();
    TReadDirection direction = forwards ? TReadDirection::Forward : TReadDirection::Backward;
    uint32_t active = 0;
    for (uint32_t i = 1; i <= count; ++i) {
        uint32_t number = forwards ? i : count + 1 - i;
        TPinnedRecord record(file.GetRecord(nullptr, number, direction, false, true));
        if (record->Status() != RecordActive) continue;
        ++active;
        report.BlobBytes += ReadRecordBlobs(table, number, record->Image());
    }
    if (forwards) report.ActiveRecords = active;
    if (!forwards && active != report.ActiveRecords)
        report.Problems.push_back("record order: " + std::to_string(report.ActiveRecords) +
                                  " active records forwards, " + std::to_string(active) + " backwards");
}

} // namespace

std::string TScanReport::Text() const {
    std::string text;
    for (const std::string& problem : Verify.Problems) text += problem + "\n";
    for (const std::string& problem : Problems) text += problem + "\n";
    if (!Raised.empty()) text += Raised + "\n";
    return text;
}

uint64_t ReadRecordBlobs(TDataTable& table, uint32_t recordNumber, std::span<const uint8_t> image) {
    uint64_t bytes = 0;
    for (const TFieldDescriptor& field : table.DataFile().FieldDescriptors()) {
        if (field.DataType() != dtBlob || size_t(field.Offset()) + 9 > image.size()) continue;
        const uint8_t* value = &image[field.Offset() + 1];
        if (LoadLE32(value) == 0) continue;
        TBlobBuffer blob(table.BlobFile(), field.FieldNumber(), recordNumber, LoadLE32(value),
                         LoadLE32(value + 4));
        blob.ReadBlob(nullptr);
        bytes += blob.Size();
    }
    return bytes;
}

std::vector<uint32_t> WalkIndex(TDataTable& table, uint8_t slot, bool forwards, TScanReport& report) {
    TIndexFile& file = table.IndexFile();
    std::vector<uint32_t> records;
    TPageRef page = EdgeLeaf(file, slot, forwards, report);
    // A chain that visits more leaves than the file has pages runs in a circle.
    for (uint32_t leaves = 0; page; ++leaves) {
        if (leaves > file.GetPageCount()) {
            report.Problems.push_back(SlotText(slot) + "the leaf chain runs in a circle");
            break;
        }
        for (uint32_t i = 1; i <= page->KeyCount(); ++i) {
            uint32_t number = page->GetValue(forwards ? i : page->KeyCount() + 1 - i);
            if (ReadIndexedRecord(table, slot, number, report)) records.push_back(number);
        }
        uint32_t next = forwards ? page->NextPage() : page->PrevPage();
        page = next == 0 ? TPageRef() : FetchPage(file, slot, next);
    }
    return records;
}

TScanReport ScanTable(TDataTable& table) {
    TScanReport report;
    report.Verify = VerifyTable(table);
    try {
        TTableRead read(table);
        WalkRecordOrder(table, true, report);
        WalkRecordOrder(table, false, report);
        for (uint8_t slot : table.KeySlots()) {
            std::vector<uint32_t> forwards = WalkIndex(table, slot, true, report);
            std::vector<uint32_t> backwards = WalkIndex(table, slot, false, report);
            std::reverse(backwards.begin(), backwards.end());
            if (forwards != backwards)
                report.Problems.push_back(SlotText(slot) + "the leaves hold other records backwards");
            if (forwards.size() != report.ActiveRecords)
                report.Problems.push_back(SlotText(slot) + std::to_string(forwards.size()) + " records for " +
                                          std::to_string(report.ActiveRecords) + " active ones");
        }
    } catch (const EVORSAMEngineError& e) {
        report.Raised = e.what();
    }
    return report;
}

} // namespace vorsam::test
