#include "TableScan.h"

#include "db/engine/BlobBuffer.h"
#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
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

// The numbers of the records of the cursor's order, forwards or backwards; a walk that visits more
// records than the table holds runs in a circle (a problem).
std::vector<uint32_t> CursorWalk(TDataCursor& cursor, bool forwards, uint32_t limit, TScanReport& report) {
    std::vector<uint32_t> records;
    forwards ? cursor.SetToBegin() : cursor.SetToEnd();
    while ((forwards ? cursor.GetNextRecord() : cursor.GetPriorRecord()) == 0) {
        if (records.size() > limit) {
            report.Problems.push_back("cursor: the walk runs in a circle");
            break;
        }
        records.push_back(cursor.Position().Record);
    }
    if (!forwards) std::reverse(records.begin(), records.end());
    return records;
}

// Walks the order at `slot` both ways and back to each record through its bookmark.
void CursorWalks(TDataCursor& cursor, uint8_t slot, TScanReport& report) {
    std::string order = "cursor, order " + std::to_string(slot) + ": ";
    cursor.SetIndexNumber(slot);
    uint32_t limit = cursor.Table().DataFile().GetRecordCount();
    std::vector<uint32_t> forwards = CursorWalk(cursor, true, limit, report);
    if (forwards != CursorWalk(cursor, false, limit, report))
        report.Problems.push_back(order + "other records backwards");
    std::vector<uint8_t> bookmark(cursor.GetBookmarkSize());
    cursor.SetToBegin();
    for (uint32_t record : forwards) {
        if (cursor.GetNextRecord() != 0) break; // the walks above tell
        cursor.GetBookmark(bookmark);
        cursor.SetToBegin();
        if (!cursor.SetToBookmark(bookmark) || cursor.Position().Record != record) {
            report.Problems.push_back(order + "the bookmark of record " + std::to_string(record) +
                                      " leads elsewhere");
            return;
        }
    }
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
    try {
        report.Verify = VerifyTable(table);
    } catch (const EVORSAMEngineError& e) {
        report.Verify.Add(std::string("the check raised: ") + e.what()); // it could not be made: noticed
    }
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

void CloseAndWalkWithCursor(TDataTable& table, TScanReport& report) {
    std::string password = table.IsEncrypted() ? table.DataFile().GetPassword() : std::string();
    table.Close();
    const TTableLocation& location = table.Location();
    if (location.InMemory && !location.Directory.empty()) return;
    TDataSession session;
    session.AddPassword(password);
    TDataDirectory& database = location.InMemory ? session.OpenDataDirectory("Memory", "")
                                                 : session.OpenDataDirectory("", location.Directory);
    TDataCursor cursor(database);
    cursor.SetTableName(location.Name);
    cursor.SetInMemory(location.InMemory);
    try {
        cursor.OpenCursor();
        cursor.BeginRead();
        std::vector<uint8_t> orders = cursor.Table().KeySlots();
        if (std::find(orders.begin(), orders.end(), PrimaryIndexSlot) == orders.end())
            orders.insert(orders.begin(), PrimaryIndexSlot);
        for (uint8_t slot : orders) CursorWalks(cursor, slot, report);
        cursor.EndRead();
    } catch (const EVORSAMEngineError& e) {
        if (report.Raised.empty()) report.Raised = std::string("cursor: ") + e.what();
    }
}

} // namespace vorsam::test
