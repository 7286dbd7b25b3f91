// TDataDirectory: an engine database, opened through its session (TDataSession::OpenDataDirectory).
// It is either a folder of table files or the in-memory database "Memory", whose tables live in the
// file layer's in-memory files until they are deleted or the engine stops.
//
// Table names and their files: a table "Clientes" (or "Clientes.DAT") of the folder /dados has the files
// /dados/Clientes.DAT, .IDX and .BLB. A table name may carry a folder of its own ('/' or '\'), absolute
// or relative to the directory's folder; folders keep their case. Extensions are written in upper case;
// when the exact file does not exist, a file of the folder whose name differs only in case is taken
// (tables copied from systems that ignore case). In memory a table is named by its name without folder,
// in upper case: in-memory table names ignore case.
//
// A remote session's database lives on its server: the directory has no folder and keeps the server's
// handle of the database (TDataSession opens it there and sets the handle). Its tables have no files
// here: naming one's files raises VORSAM_NOTSUPPORTED, and so do its transaction calls; its
// in-transaction flag follows the transaction statements that the server ran for it
// (FollowServerTransaction). When the connection on which its transaction ran goes, the server rolls the
// transaction back: the transaction is lost (TransactionLost), and stays so, in transaction, until the
// application ends it (DataSession.h).
//
// The directory keeps:
//   - the shared tables of its tables, one per table however many cursors use it, by the normalised name
//     of the table's data file (TableKey), each with a use count; the last release frees the table,
//     unless the table keeps itself open for its next use (TSharedTable::Kept): the directory then holds
//     it unused, up to KeptTableLimit of them (the longest unused goes first), until the database
//     closes. A table in use whose names came to lead to other files (a rename by another process) is
//     found by no name from then on: its users keep it to the end of their use, and the next use of the
//     name gets a table of its own over the files the names now give;
//   - the statements made on it (not owned: a statement adds itself and removes itself);
//   - its transaction (Transaction.h): StartTransaction, Commit, Rollback; InTransaction is the
//     in-transaction flag the dataset layer reads. Closing the database (its last close in the session,
//     or its destruction) rolls back a transaction still open: nothing is ever committed unasked;
//   - the temporary table names it handed out, so that none is given twice;
//   - in memory, its spare tables (SpareTables.h): results' tables kept empty for the next result.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/engine/FolderStamp.h"
#include "db/engine/SpareTables.h"
#include "db/engine/Transaction.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataSession;
class TDataTable;

// What a directory keeps of a shared table: the table over the three files implements it.
class TSharedTable {
public:
    virtual ~TSharedTable() = default;
    // Unused, and kept open for its next use.
    virtual bool Kept() const { return false; }
    // Its files are still those its names give (another process may rename others into their place).
    virtual bool StillNamed() const { return true; }
};

inline constexpr size_t KeptTableLimit = 16;

// What a directory keeps of a statement made on it.
class TDirectoryStatement {
public:
    virtual ~TDirectoryStatement() = default;
};

// Makes the shared table of a table key when the directory has none yet; may raise.
using TSharedTableFactory = std::function<std::unique_ptr<TSharedTable>(const std::string& key)>;

// The folder made absolute (against the current folder), with '/' separators, without "." and ".."
// steps and without a trailing separator; its case kept.
std::string NormaliseFolder(std::string_view folder);

class TDataDirectory {
public:
    ~TDataDirectory();
    TDataDirectory(const TDataDirectory&) = delete;
    TDataDirectory& operator=(const TDataDirectory&) = delete;

    TDataSession& Session() const { return session_; }
    // The session's settings, as the table files read them.
    const EngineSettings& Settings() const;
    // The database name it was opened with (may be empty).
    const std::string& Name() const { return name_; }
    // The folder: absolute, '/' separators, no trailing separator; empty for the in-memory database.
    const std::string& Folder() const { return folder_; }
    bool InMemory() const { return inMemory_; }
    // A database of a server (a remote session's): no folder here, the server's handle of it.
    bool IsRemote() const { return remote_; }
    uint32_t RemoteHandle() const { return remoteHandle_; }
    // What the host's rights hook granted when it was opened (every bit without a hook).
    uint32_t Rights() const { return rights_; }

    // The name put into error contexts: the folder of a disk database, else the database name.
    std::string GetDatabaseName() const;

    // The file of a table with the extension (".DAT", ".IDX", ".BLB"), by the rules above; in memory
    // when the flag is set or the directory is the in-memory database.
    std::string TableFileName(std::string_view tableName, std::string_view extension, bool inMemory) const;
    // The table's key among the shared tables: its data file's name, marked when in memory.
    std::string TableKey(std::string_view tableName, bool inMemory) const;
    // True when the table's data file exists.
    bool TableExists(std::string_view tableName, bool inMemory) const;
    // A name for a new temporary table, on disk in the folder or in memory: no table file of that name
    // exists and the directory never gave the name before. Without folder and extension.
    std::string GetTempTableName(bool inMemory);

    // The shared table of the table (made by `open` when there is none yet), with one more use.
    TSharedTable& AcquireTable(std::string_view tableName, bool inMemory, const TSharedTableFactory& open);
    // One more use of a table acquired before.
    void AddTableUse(TSharedTable& table);
    // One use less; the last one frees the table, unless it is kept.
    void ReleaseTable(TSharedTable& table);
    TSharedTable* FindTable(std::string_view tableName, bool inMemory) const;
    // Uses of the table; 0 for one the directory does not hold.
    uint32_t TableUseCount(const TSharedTable& table) const;
    // The shared tables in use (kept ones aside).
    size_t SharedTableCount() const;
    // Frees the kept tables.
    void DropKeptTables();

    // --- Spare tables (SpareTables.h); the in-memory database only ---

    // The spare made from an equal definition, now the directory's table of its name with one use (the
    // caller's); none when there is none.
    TDataTable* TakeSpareTable(const TTableDefinition& definition);
    // Ends the caller's use of the table, its only one, by keeping it as a spare; false, the use still
    // held, when it may not become one (TDataTable::ResetToMade; the table may have been emptied).
    bool SpareTable(TDataTable& table);
    bool HasSpareTables() const { return !spares_.Empty(); }

    // What a process killed at its work left in a folder of the database's tables (WorkingFiles.h), looked
    // for only when the folder changed since it was last left clear: its stamp (FolderStamp.h) is not the
    // one taken before that clearing (a change within the step of the clock that stamped the one before
    // would not show until the trust below: what it left stays until the next change, which is harmless).
    // Returns the stamp when the folder is left clear with it and the stamp is trusted (now or at a later
    // look): no name of the folder can have been made, renamed or deleted while the folder keeps it.
    std::optional<TFolderStamp> RemoveStrayWorkingFilesIn(const std::string& folder);

    // The statements made on the directory; adding one twice or removing one never added does nothing.
    void AddStatement(TDirectoryStatement& statement);
    void RemoveStatement(TDirectoryStatement& statement);
    size_t StatementCount() const { return statements_.size(); }

    // --- Transactions (Transaction.cpp); local databases only ---

    bool InTransaction() const { return remote_ ? serverTransaction_ : transaction_.Active(); }
    // A database of a server: its flag follows a transaction the server started (true) or ended (false).
    void FollowServerTransaction(bool active);
    // A database of a server in a transaction whose connection is gone: the server rolled it back.
    bool TransactionLost() const;
    // VORSAM_INVALIDPARAM when one is already open.
    void StartTransaction();
    // Writes the changes of the transaction's tables (synced with `flush`); with `endTransaction` the
    // transaction ends, else it goes on. VORSAM_INVALIDPARAM when none is open.
    void Commit(bool endTransaction, bool flush);
    // Forgets the changes of the transaction's tables and ends it. VORSAM_INVALIDPARAM when none is open.
    void Rollback();
    // The tables that joined the open transaction.
    std::vector<TDataTable*> TransactionTables() const { return transaction_.Tables(); }
    // A table's first write inside the open transaction: the table joins it (locked whole until it
    // ends). Returns what the table's lock found changed.
    bool JoinTransaction(TDataTable& table);
    // A table that goes away during the transaction leaves it, its changes forgotten.
    void DropFromTransaction(TDataTable& table) noexcept { transaction_.Drop(table); }

    // Shared tables in use or statements.
    bool InUse() const { return SharedTableCount() > 0 || !statements_.empty(); }

private:
    friend class TDataSession;
    TDataDirectory(TDataSession& session, std::string name, std::string folder, bool inMemory,
                   uint32_t rights);

    struct TTableEntry {
        std::unique_ptr<TSharedTable> Table;
        uint32_t Uses = 0;
        uint64_t LastUse = 0;  // when its last use ended, in releases of the directory
        bool SetAside = false; // found by no name (see above), freed at its last release
    };
    using TTables = std::map<std::string, TTableEntry>;

    bool StoredInMemory(bool inMemory) const { return inMemory || inMemory_; }
    TTables::iterator EntryOf(const TSharedTable& table);
    TTables::const_iterator EntryOf(const TSharedTable& table) const;
    // Raises for a table the directory does not hold.
    TTables::iterator RequireEntry(const TSharedTable& table);
    // The file name by the rules above, without looking for a file that differs only in case; the names
    // made on disk are remembered (up to ExactNameLimit, then forgotten at once), as they depend on
    // nothing else.
    std::string ExactTableFileName(std::string_view tableName, std::string_view extension,
                                   bool inMemory) const;
    std::string NameTableFile(std::string_view tableName, std::string_view extension, bool inMemory) const;
    static constexpr size_t ExactNameLimit = 1024;
    bool AnyTableFileExists(const std::string& tableName, bool inMemory) const;

    TDataSession& session_;
    std::string name_;
    std::string folder_;
    bool inMemory_;
    uint32_t rights_;
    bool remote_ = false;
    uint32_t remoteHandle_ = 0;
    bool serverTransaction_ = false;
    uint64_t transactionConnection_ = 0; // the session's connection that started it
    TTables tables_;
    uint64_t releases_ = 0;
    uint64_t setAside_ = 0; // tables set aside so far, which makes their keys
    TTransaction transaction_{*this};
    std::vector<TDirectoryStatement*> statements_;
    std::set<std::string> tempNames_;
    mutable std::map<std::string, std::string> exactNames_;
    struct TClearedFolder {
        TFolderStamp Stamp; // when it was left clear
        bool ThisClock;     // its file system stamps with this machine's clock
        bool Trusted;       // the stamp was older than its step at a look
    };
    std::map<std::string, TClearedFolder> clearedFolders_;
    TSpareTables spares_; // last: the spares go before the rest of the directory
};

} // namespace vorsam
