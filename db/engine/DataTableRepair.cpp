// TDataTable: mending a table's files after an interrupted write or other damage (DataTable.h).
//
// The steps, each told to the progress event, and the lines of the log:
//   1. "Checking the definitions": the field descriptors, the index definitions and the blob file's
//      format must hold; when they do not, the table cannot be mended and nothing is written.
//   2. "Checking the records": the record area is cut to whole slots ("the part of a record at the end of
//      the file was dropped"); a slot that holds neither an active nor a deleted record, or an active
//      record not stored under its own number (a slot that was never written), becomes a deleted one;
//      the last auto-increment value and blob sequence become at least those the records hold.
//   3. "Checking the keys": of records whose key a unique index holds twice, the first in record order
//      stays and the others are deleted.
//   4. "Checking the BLOB chains": the blob file is cut to whole blocks; a chain that breaks a rule of
//      the table check (TableVerify.h) is dropped (its field becomes NULL); every block no chain holds
//      goes to a new free chain.
//   5. "Rebuilding the indexes": the deleted records form a new free chain, and every index is built
//      anew from the active records.
// Then everything is written as one write of the table, ending with the data header without its
// write-in-progress mark. Before all that, a commit that the table or another table of its journal
// awaits is completed (DataTableRecovery.cpp).
#include "db/engine/DataTable.h"

#include "db/engine/DataFileValidation.h"
#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vorsam {

namespace {

class TRepairReporter {
public:
    explicit TRepairReporter(const TRepairEvents& events) : events_(events) {}

    void Step(const std::string& step) {
        step_ = step;
        percent_ = -1;
        Progress(0, 1);
    }
    void Progress(uint64_t done, uint64_t total) {
        int percent = total == 0 ? 100 : int(done * 100 / total);
        if (percent == percent_ || !events_.Progress) return;
        percent_ = percent;
        events_.Progress(step_, percent);
    }
    void Log(const std::string& message) {
        if (events_.Log) events_.Log(message);
    }

private:
    const TRepairEvents& events_;
    std::string step_;
    int percent_ = -1;
};

std::string RecordText(uint32_t n) {
    return "record " + std::to_string(n) + ": ";
}

// The data file's header with its counts made to fit the whole slots the file holds, checked with the
// descriptors: only what defines the table can break it.
TLayoutBreach CheckDataDefinitions(TDataFile& file) {
    TDataFileHeader header = file.Header();
    std::vector<TFieldDescriptor> fields = file.FieldDescriptors();
    const uint64_t area = header.RecordAreaOffset(), size = file.GetFileSize();
    const uint64_t slots = size > area && header.RecordSize() > 0 ? (size - area) / header.RecordSize() : 0;
    header.SetNextRecordNumber(uint32_t(std::min<uint64_t>(slots, MaxRecordNumber) + 1));
    header.SetFreeChainHead(0);
    return CheckDataFileLayout(header, fields, area + (header.NextRecordNumber() - 1) * header.RecordSize());
}

} // namespace

void TDataTable::Repair(const TRepairEvents& events) {
    if (IsOpen()) Raise(VORSAM_FILEINUSE);
    CloseKept();
    mode_ = {.Exclusive = true};
    PrepareFiles(mode_);
    useCount_ = 1;
    try {
        OpenFiles();
        ReadHeaders();
        // A commit is never dropped by a repair: it is completed first, in this table and the others.
        CompleteOwnCommit();
        CompleteCommitsNamingIt(true);
        RepairFiles(events);
    } catch (...) {
        CloseFiles();
        useCount_ = 0;
        throw;
    }
    Close();
}

void TDataTable::RepairFiles(const TRepairEvents& events) {
    RequireDefinable();
    TRepairReporter report(events);

    report.Step("Checking the definitions");
    if (TLayoutBreach breach = CheckDataDefinitions(dataFile_)) {
        report.Log("the field descriptors are damaged (" + breach.Reason + "): the table cannot be repaired");
        Raise(breach.Code, breach.Reason);
    }
    if (HasBlobFile()) blobFile_.CheckFormat();
    // The trees are built anew below: only the index definitions must hold as they are.
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) {
        indexFile_.SetRoot(slot, 0);
        indexFile_.SetFreeHead(slot, 0);
        indexFile_.SetKeptPageNumber(slot, 0);
    }
    try {
        indexFile_.ValidateIndexHeader(dataFile_.FieldDescriptors());
    } catch (const EVORSAMEngineError& e) {
        report.Log(std::string("the index definitions are damaged (") + e.what() +
                   "): the table cannot be repaired");
        throw;
    }

    TTableWrite write(*this);
    NoteContentChanged();

    report.Step("Checking the records");
    if (uint64_t cut = dataFile_.RestoreRecordSlots(); cut > 0)
        report.Log("the part of a record at the end of the file was dropped (" + std::to_string(cut) +
                   " bytes)");
    dataFile_.ValidateHeader(); // the physical sizes the types give
    const uint32_t slots = dataFile_.GetRecordCount();
    uint32_t lastAutoInc = dataFile_.GetLastAutoIncValue();
    uint32_t lastSequence = dataFile_.Header().LastBlobSequence();
    std::vector<TFieldDescriptor> blobFields;
    for (const TFieldDescriptor& field : dataFile_.FieldDescriptors())
        if (field.DataType() == dtBlob && !field.Computed()) blobFields.push_back(field);
    for (uint32_t n = 1; n <= slots; ++n) {
        report.Progress(n, slots);
        TPinnedRecord record(dataFile_.GetRecord(nullptr, n));
        if (record->Status() == RecordActive && dataFile_.StoredRecordNumber(n) != n) {
            report.Log(RecordText(n) + "never written; made a deleted record");
            record->SetStatus(RecordDeleted);
        } else if (record->Status() != RecordActive && record->Status() != RecordDeleted) {
            report.Log(RecordText(n) + "status " + std::to_string(record->Status()) +
                       "; made a deleted record");
            record->SetStatus(RecordDeleted);
        }
        if (record->Status() != RecordActive) continue;
        lastAutoInc = std::max(lastAutoInc, std::min(record->AutoIncValue(), MaxCounterValue));
        for (const TFieldDescriptor& field : blobFields)
            lastSequence = std::max(
                lastSequence, std::min(LoadLE32(&record->Image()[field.Offset() + 5]), MaxCounterValue));
    }
    dataFile_.SetLastAutoIncValue(lastAutoInc);
    dataFile_.SetLastBlobSequence(lastSequence);

    report.Step("Checking the keys");
    // A key twice in a unique index: the later record goes. In another index a key ends with the
    // record's +5 value, which a record then holds twice: the later one gets a new value.
    std::vector<uint8_t> keySlots = KeySlots();
    std::stable_partition(keySlots.begin(), keySlots.end(),
                          [&](uint8_t slot) { return indexFile_.GetIndexDesc(slot).Unique(); });
    for (size_t i = 0; i < keySlots.size(); ++i) {
        report.Progress(i, keySlots.size());
        const uint8_t slot = keySlots[i];
        const bool unique = indexFile_.GetIndexDesc(slot).Unique();
        const TKeyComparator& order = OrderOf(slot);
        auto less = [&](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
            return order.Compare(a.data(), b.data(), a.size()) < 0;
        };
        std::map<std::vector<uint8_t>, uint32_t, decltype(less)> first(less);
        std::vector<uint32_t> twice;
        dataFile_.ForEachActiveRecord([&](uint32_t n, std::span<const uint8_t> image) {
            if (!first.emplace(KeyOf(slot, image), n).second) twice.push_back(n);
        });
        const std::string index =
            slot == PrimaryIndexSlot ? std::string("Primary") : indexFile_.GetIndexDesc(slot).Name();
        for (uint32_t n : twice) {
            TPinnedRecord record(dataFile_.GetRecord(nullptr, n));
            if (unique) {
                report.Log(RecordText(n) + "its key in the index '" + index +
                           "' is another record's; the record was deleted");
                record->SetStatus(RecordDeleted);
            } else {
                report.Log(RecordText(n) + "its auto-increment value is another record's; it got a new one");
                StoreLE32(&record->Image()[AutoIncValueOffset], dataFile_.NextAutoIncValue());
                record->SetModified();
            }
        }
    }

    if (HasBlobFile()) {
        report.Step("Checking the BLOB chains");
        if (uint64_t cut = blobFile_.RestoreBlockCount(); cut > 0)
            report.Log("the part of a BLOB block at the end of the file was dropped (" + std::to_string(cut) +
                       " bytes)");
        std::vector<TBlobReference> references = CollectBlobReferences(dataFile_);
        std::vector<bool> used;
        std::vector<std::string> broken = CheckBlobChains(blobFile_, references, used);
        for (size_t i = 0; i < references.size(); ++i) {
            report.Progress(i, references.size());
            if (broken[i].empty()) continue;
            const TBlobReference& reference = references[i];
            TFieldDescriptor field;
            dataFile_.GetFieldDescByNumber(reference.FieldNumber, field);
            report.Log(RecordText(reference.RecordNumber) + "the BLOB of the field '" + field.Name() +
                       "' was dropped (" + broken[i] + ")");
            TPinnedRecord record(dataFile_.GetRecord(nullptr, reference.RecordNumber));
            std::memset(&record->Image()[field.Offset()], 0, 9);
            record->SetModified();
        }
        uint32_t freed = blobFile_.RebuildFreeChain(used);
        report.Log("BLOB blocks free: " + std::to_string(freed));
    }

    report.Step("Rebuilding the indexes");
    // The deleted records form the free chain anew, the lowest number at its head.
    uint32_t deleted = 0;
    for (uint32_t n = slots; n >= 1; --n) {
        TPinnedRecord record(dataFile_.GetRecord(nullptr, n));
        if (record->Status() != RecordDeleted) continue;
        record->SetNextFree(dataFile_.Header().FreeChainHead());
        dataFile_.SetFreeChainHead(n);
        ++deleted;
    }
    indexFile_.ResetIndexes();
    BuildIndexes(keySlots);
    report.Progress(1, 1);
    report.Log("records: " + std::to_string(indexFile_.GetActiveRecords()) + " active, " +
               std::to_string(deleted) +
               " deleted; every index built anew; now written: a repair cut short from here leaves the table "
               "refused until it is repaired again");
    write.End();
}

} // namespace vorsam
