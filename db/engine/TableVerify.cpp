#include "db/engine/TableVerify.h"

#include "db/engine/DataFile.h"
#include "db/engine/DataFileValidation.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexVerify.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <unordered_map>

namespace vorsam {

namespace {

std::string RecordText(uint32_t n) {
    return "record " + std::to_string(n) + ": ";
}

bool CheckHeader(TDataFile& file, TVerifyReport& report) {
    std::vector<TFieldDescriptor> fields = file.FieldDescriptors();
    const TDataFileHeader& header = file.Header();
    if (header.FieldCount() > MaxFieldCount || fields.size() != header.FieldCount()) {
        report.Add("header: field count " + std::to_string(header.FieldCount()));
        return false;
    }
    if (TLayoutBreach breach =
            CheckDataFileLayout(header, fields, file.GetFileSize(), file.HasUnwrittenSlots())) {
        report.Add("header: " + breach.Reason);
        return false;
    }
    auto blobFields = size_t(std::count_if(fields.begin(), fields.end(),
                                           [](const TFieldDescriptor& f) { return f.DataType() == dtBlob; }));
    if (blobFields != header.BlobFieldCount() || blobFields > MaxBlobFieldCount)
        report.Add("header: blob field count " + std::to_string(header.BlobFieldCount()) + ", fields give " +
                   std::to_string(blobFields));
    return true;
}

void CheckFreeChain(TDataFile& file, const std::unordered_map<uint32_t, uint32_t>& links,
                    TVerifyReport& report) {
    std::vector<bool> seen(file.GetRecordCount() + 1);
    for (uint32_t n = file.Header().FreeChainHead(); n != 0; n = links.at(n)) {
        if (n >= seen.size()) return report.Add("free chain: record " + std::to_string(n) + " out of range");
        if (seen[n]) return report.Add("free chain: cycle at record " + std::to_string(n));
        if (!links.contains(n))
            return report.Add("free chain: record " + std::to_string(n) + " is not deleted");
        seen[n] = true;
        ++report.FreeChainLength;
    }
    if (!file.Owner().RecordOrder() && report.FreeChainLength != report.DeletedRecords)
        report.Add("free chain: holds " + std::to_string(report.FreeChainLength) + " of " +
                   std::to_string(report.DeletedRecords) + " deleted records");
}

} // namespace

void VerifyDataFile(TDataFile& file, TVerifyReport& report) {
    if (!CheckHeader(file, report)) return;
    std::unordered_map<uint32_t, uint32_t> links; // deleted record -> its free-chain link
    try {
        file.ForEachRecord([&](const TRecord& record) {
            uint32_t n = record.RecordNumber();
            if (record.Status() == RecordActive) {
                ++report.ActiveRecords;
            } else if (record.Status() == RecordDeleted) {
                ++report.DeletedRecords;
                links[n] = record.GetNextFree();
            } else {
                report.Add(RecordText(n) + "status " + std::to_string(record.Status()));
            }
        });
    } catch (const EVORSAMEngineError& e) {
        return report.Add(std::string("records: ") + e.what());
    }
    CheckFreeChain(file, links, report);
}

TVerifyReport VerifyTable(TDataTable& table) {
    return VerifyTable(table, TIndexVerifyOptions{});
}

TVerifyReport VerifyTable(TDataTable& table, const TIndexVerifyOptions& options) {
    TVerifyReport report;
    try {
        TTableRead read(table);
        VerifyDataFile(table.DataFile(), report);
        if (!report.Ok()) return report;
        for (std::string& problem :
             VerifyIndexFile(table.IndexFile(), table.KeyInfo(), &table.DataFile(), options))
            report.Add(std::move(problem));
        if (table.HasBlobFile()) {
            std::vector<TBlobReference> references = CollectBlobReferences(table.DataFile());
            VerifyBlobFile(table.BlobFile(), report, &references);
        }
    } catch (const EVORSAMEngineError& e) {
        report.Add(std::string("table: ") + e.what());
    }
    return report;
}

} // namespace vorsam
