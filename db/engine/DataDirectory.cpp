#include "db/engine/DataDirectory.h"

#include "db/engine/DataSession.h"
#include "db/engine/DataTable.h"
#include "db/engine/RestructureSwap.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/Collation.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TableNames.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view DataExtension = ".DAT";
constexpr std::string_view TableExtensions[] = {".DAT", ".IDX", ".BLB"};
constexpr std::string_view MemoryKeyMark = "memory:";

// The table name without a ".DAT" it may carry.
std::string_view WithoutDataExtension(std::string_view tableName) {
    size_t n = DataExtension.size();
    if (tableName.size() >= n &&
        strncasecmp(tableName.data() + tableName.size() - n, DataExtension.data(), n) == 0)
        tableName.remove_suffix(n);
    return tableName;
}

// The file when it exists, else the first file of its folder whose name differs only in case, else the
// file as given (a folder that does not exist holds none). A folder that cannot be listed whole cannot
// tell: refused with the system's error naming it.
std::string ExistingFileIgnoringCase(const std::string& file) {
    struct stat info {};
    if (StatusByName(file, info, true) == 0) return file;
    fs::path path(file);
    std::string wanted = path.filename().string(), found;
    std::vector<TFolderEntry> entries;
    if (ListFolder(path.parent_path().string(), entries) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return file;
        TErrorContext context;
        context.Table = path.parent_path().string();
        context.ExtraText = "the folder cannot be listed for " + wanted + ": " + std::strerror(error);
        RaiseOSError(error, VORSAM_OSERROR, context);
    }
    for (const TFolderEntry& entry : entries)
        if (strcasecmp(entry.Name.c_str(), wanted.c_str()) == 0 && (found.empty() || entry.Name < found))
            found = entry.Name;
    return found.empty() ? file : (path.parent_path() / found).string();
}

} // namespace

std::string NormaliseFolder(std::string_view folder) {
    fs::path path = fs::absolute(ForwardToBackslashes(folder)).lexically_normal();
    return RemoveTrailingBackslashes(path.string());
}

TDataDirectory::TDataDirectory(TDataSession& session, std::string name, std::string folder, bool inMemory,
                               uint32_t rights)
    : session_(session), name_(std::move(name)), folder_(std::move(folder)), inMemory_(inMemory),
      rights_(rights) {
    assert(!inMemory_ || folder_.empty());
}

TDataDirectory::~TDataDirectory() {
    if (!remote_ && InTransaction()) {
        try {
            Rollback();
        } catch (...) {
            // every table has left; a table whose headers could not be read again counts as damaged
        }
    }
    assert(!InUse() && "cursors and statements end before their database");
}

const EngineSettings& TDataDirectory::Settings() const {
    return session_.Settings();
}

std::string TDataDirectory::GetDatabaseName() const {
    return folder_.empty() ? name_ : folder_;
}

std::string TDataDirectory::ExactTableFileName(std::string_view tableName, std::string_view extension,
                                               bool inMemory) const {
    // An in-memory name costs less to make than to look up, and the result tables' passing names
    // would crowd the folder's names out of the memo.
    if (StoredInMemory(inMemory)) return NameTableFile(tableName, extension, inMemory);
    std::string key = std::string(extension) + ":" + std::string(tableName);
    auto known = exactNames_.find(key);
    if (known != exactNames_.end()) return known->second;
    std::string name = NameTableFile(tableName, extension, inMemory);
    if (exactNames_.size() >= ExactNameLimit) exactNames_.clear();
    exactNames_.emplace(std::move(key), name);
    return name;
}

std::string TDataDirectory::NameTableFile(std::string_view tableName, std::string_view extension,
                                          bool inMemory) const {
    if (remote_)
        RaiseEngineError(VORSAM_NOTSUPPORTED, "", "", GetDatabaseName(), std::string(tableName), "", "",
                         "the files of a table of a database server");
    if (TrimBlanks(tableName).empty())
        RaiseEngineError(VORSAM_INVALIDPARAM, "", "", GetDatabaseName(), "", "", "", "table name missing");
    std::string name = ForwardToBackslashes(WithoutDataExtension(tableName));
    if (StoredInMemory(inMemory))
        return LocaleUpperCase(0, 0, ExtractBaseName(name, "")) + std::string(extension);
    fs::path path(name);
    if (path.is_relative()) path = fs::path(folder_) / path;
    return path.lexically_normal().string() + std::string(extension);
}

std::string TDataDirectory::TableFileName(std::string_view tableName, std::string_view extension,
                                          bool inMemory) const {
    std::string exact = ExactTableFileName(tableName, extension, inMemory);
    return StoredInMemory(inMemory) ? exact : ExistingFileIgnoringCase(exact);
}

std::string TDataDirectory::TableKey(std::string_view tableName, bool inMemory) const {
    std::string file = TableFileName(tableName, DataExtension, inMemory);
    return StoredInMemory(inMemory) ? std::string(MemoryKeyMark) + file : file;
}

bool TDataDirectory::TableExists(std::string_view tableName, bool inMemory) const {
    // A restructure's swap that a crash cut short is finished first (RestructureSwap.h).
    try {
        SettleTableSwap([&](const char* extension) { return TableFileName(tableName, extension, inMemory); },
                        StoredInMemory(inMemory));
    } catch (const EVORSAMEngineError& e) {
        if (e.ErrorCode == VORSAM_FILEINUSE) return true; // a restructure swaps it in another process
        throw;
    }
    return GetFileList().Exists(TableFileName(tableName, DataExtension, inMemory), StoredInMemory(inMemory));
}

bool TDataDirectory::AnyTableFileExists(const std::string& tableName, bool inMemory) const {
    return std::any_of(std::begin(TableExtensions), std::end(TableExtensions), [&](std::string_view ext) {
        return GetFileList().Exists(ExactTableFileName(tableName, ext, inMemory), StoredInMemory(inMemory));
    });
}

std::string TDataDirectory::GetTempTableName(bool inMemory) {
    bool memory = StoredInMemory(inMemory);
    for (;;) {
        std::string file = TempFileName(memory ? std::string() : folder_, std::string(DataExtension), memory);
        std::string name = ExtractBaseName(file, DataExtension);
        if (tempNames_.count(name) || AnyTableFileExists(name, inMemory)) continue;
        tempNames_.insert(name);
        return name;
    }
}

void TDataDirectory::FollowServerTransaction(bool active) {
    serverTransaction_ = remote_ && active;
    transactionConnection_ = session_.ConnectionNumber();
}

bool TDataDirectory::TransactionLost() const {
    return serverTransaction_ &&
           (!session_.IsConnected() || session_.ConnectionNumber() != transactionConnection_);
}

TSharedTable& TDataDirectory::AcquireTable(std::string_view tableName, bool inMemory,
                                           const TSharedTableFactory& open) {
    // A table the directory holds by its exact name is found without looking at the folder (the open of
    // a kept table checks its files).
    std::string exact =
        StoredInMemory(inMemory) ? std::string() : ExactTableFileName(tableName, DataExtension, false);
    auto it = exact.empty() ? tables_.end() : tables_.find(exact);
    std::string key = it != tables_.end() ? exact : TableKey(tableName, inMemory);
    if (it == tables_.end()) it = tables_.find(key);
    if (it != tables_.end() && it->second.Uses > 0 && !it->second.Table->StillNamed()) {
        // No table's key holds a line break: the table is found by no name any more.
        auto node = tables_.extract(it);
        node.key() += "\n" + std::to_string(++setAside_);
        node.mapped().SetAside = true;
        tables_.insert(std::move(node));
        it = tables_.end();
    }
    if (it == tables_.end()) {
        std::unique_ptr<TSharedTable> table = open(key);
        if (!table)
            RaiseEngineError(VORSAM_INVALIDPARAM, "", "", GetDatabaseName(), key, "", "", "no table made");
        it = tables_.emplace(key, TTableEntry{std::move(table), 0}).first;
    }
    ++it->second.Uses;
    return *it->second.Table;
}

TDataDirectory::TTables::iterator TDataDirectory::EntryOf(const TSharedTable& table) {
    return std::find_if(tables_.begin(), tables_.end(),
                        [&](const auto& entry) { return entry.second.Table.get() == &table; });
}

TDataDirectory::TTables::const_iterator TDataDirectory::EntryOf(const TSharedTable& table) const {
    return const_cast<TDataDirectory*>(this)->EntryOf(table);
}

TDataDirectory::TTables::iterator TDataDirectory::RequireEntry(const TSharedTable& table) {
    auto it = EntryOf(table);
    if (it == tables_.end())
        RaiseEngineError(VORSAM_INVALIDPARAM, "", "", GetDatabaseName(), "", "", "",
                         "the table is not one of this database");
    return it;
}

void TDataDirectory::AddTableUse(TSharedTable& table) {
    ++RequireEntry(table)->second.Uses;
}

void TDataDirectory::ReleaseTable(TSharedTable& table) {
    auto it = RequireEntry(table);
    assert(it->second.Uses > 0);
    if (--it->second.Uses > 0) return;
    if (!table.Kept() || it->second.SetAside) {
        tables_.erase(it);
        return;
    }
    it->second.LastUse = ++releases_;
    size_t kept = 0;
    auto oldest = tables_.end();
    for (auto entry = tables_.begin(); entry != tables_.end(); ++entry) {
        if (entry->second.Uses > 0) continue;
        ++kept;
        if (oldest == tables_.end() || entry->second.LastUse < oldest->second.LastUse) oldest = entry;
    }
    if (kept > KeptTableLimit) tables_.erase(oldest);
}

size_t TDataDirectory::SharedTableCount() const {
    return size_t(
        std::count_if(tables_.begin(), tables_.end(), [](const auto& e) { return e.second.Uses > 0; }));
}

void TDataDirectory::DropKeptTables() {
    std::erase_if(tables_, [](const auto& entry) { return entry.second.Uses == 0; });
}

TSharedTable* TDataDirectory::FindTable(std::string_view tableName, bool inMemory) const {
    auto it = tables_.find(TableKey(tableName, inMemory));
    return it == tables_.end() ? nullptr : it->second.Table.get();
}

uint32_t TDataDirectory::TableUseCount(const TSharedTable& table) const {
    auto it = EntryOf(table);
    return it == tables_.end() ? 0 : it->second.Uses;
}

TDataTable* TDataDirectory::TakeSpareTable(const TTableDefinition& definition) {
    if (!inMemory_ || remote_ || spares_.Empty()) return nullptr;
    std::unique_ptr<TDataTable> spare = spares_.Take(definition);
    if (!spare) return nullptr;
    auto [it, added] = tables_.try_emplace(TableKey(spare->TableName(), true));
    if (!added) { // a table of that name is held meanwhile: not one to share a name with
        TSpareTables::Discard(std::move(spare));
        return nullptr;
    }
    TDataTable& table = *spare;
    it->second.Table = std::move(spare);
    it->second.Uses = 1;
    return &table;
}

bool TDataDirectory::SpareTable(TDataTable& table) {
    if (!inMemory_ || remote_) return false;
    auto it = EntryOf(table);
    if (it == tables_.end() || it->second.Uses != 1 || it->second.SetAside || !table.ResetToMade())
        return false;
    table.HideFiles();
    std::unique_ptr<TDataTable> spare(&table);
    it->second.Table.release();
    tables_.erase(it);
    spares_.Keep(std::move(spare));
    return true;
}

std::optional<TFolderStamp> TDataDirectory::RemoveStrayWorkingFilesIn(const std::string& folder) {
    std::optional<TFolderStamp> stamp = FolderStampOf(folder);
    auto it = clearedFolders_.find(folder);
    if (!stamp || it == clearedFolders_.end() || it->second.Stamp != *stamp) {
        if (it != clearedFolders_.end()) clearedFolders_.erase(it);
        if (!RemoveStrayWorkingFiles(folder) || !stamp) return std::nullopt;
        it = clearedFolders_.emplace(folder, TClearedFolder{*stamp, StampedByThisClock(folder), false}).first;
    }
    TClearedFolder& cleared = it->second;
    cleared.Trusted = cleared.Trusted || (cleared.ThisClock && OlderThanItsStep(cleared.Stamp));
    return cleared.Trusted ? stamp : std::nullopt;
}

void TDataDirectory::AddStatement(TDirectoryStatement& statement) {
    if (std::find(statements_.begin(), statements_.end(), &statement) == statements_.end())
        statements_.push_back(&statement);
}

void TDataDirectory::RemoveStatement(TDirectoryStatement& statement) {
    statements_.erase(std::remove(statements_.begin(), statements_.end(), &statement), statements_.end());
}

} // namespace vorsam
