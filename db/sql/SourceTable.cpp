#include "db/sql/SourceTable.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/TableNames.h"
#include "db/sql/DataQuery.h"
#include "db/sql/JoinAccess.h"
#include "db/sql/QueryStatement.h"

namespace vorsam {

namespace {

const char* const MemoryDatabaseName = "Memory";

// The folder part of a name with a folder: what precedes its last separator, without trailing
// separators; case kept.
std::string FolderPart(const std::string& name) {
    size_t last = name.find_last_of("/\\");
    if (last == std::string::npos) return {};
    std::string folder = RemoveTrailingBackslashes(name.substr(0, last + 1));
    return folder;
}

} // namespace

TSourceTable::TSourceTable(TDataQuery& query) : Query(&query) {}

TSourceTable::~TSourceTable() {
    ClearJoins();
    RecordBuffer.clear();
    ReleaseCaches();
    Cursor.reset();
    if (Directory) Directory->Session().CloseDataDirectory(*Directory);
}

bool TSourceTable::CursorOpen() const {
    return Cursor && Cursor->IsOpen();
}

void TSourceTable::ReleaseCaches() noexcept {
    // A cursor closed meanwhile may have let its table go: only the open cursor's table is told.
    if (CachesHeld && CursorOpen() && &Cursor->Table() == CachesHeld) CachesHeld->ReleaseReaderCaches();
    CachesHeld = nullptr;
}

void TSourceTable::SetTableName(const std::string& name) {
    if (CursorOpen()) return;
    std::string normalised = ForwardToBackslashes(name);
    if (normalised == TableName) return;
    TableName = ExtractBaseName(normalised, ".DAT");
    if (InMemory) {
        DatabaseName = MemoryDatabaseName;
    } else if (HasDirectoryPart(normalised)) {
        DatabaseName = FolderPart(normalised);
    } else {
        const TDataDirectory& database = *Query->Statement->Database;
        DatabaseName = database.InMemory() ? database.Name() : database.Folder();
    }
    if (CorrelationName.empty()) CorrelationName = TableName;
}

void TSourceTable::SetCorrelationName(const std::string& name) {
    if (CursorOpen() || CorrelationName == name) return;
    CorrelationName = name;
}

uint16_t TSourceTable::FieldNumber(const std::string& name) const {
    return CursorOpen() ? Cursor->GetFieldNumber(name) : 0;
}

void TSourceTable::ClearJoins() {
    Joins.clear();
}

TTableJoin::TTableJoin(TSourceTable& owner, TSourceTable& target, TExpTree condition, uint8_t kind)
    : Owner(&owner), JoinKind(kind), Target(&target), Condition(std::move(condition)) {}

TTableJoin::~TTableJoin() {
    DropFilter();
}

void TTableJoin::DropFilter() {
    if (FilterHandle != 0 && Target && Target->CursorOpen()) Target->Cursor->DropFilter(FilterHandle);
    FilterHandle = 0;
}

} // namespace vorsam
