#include "db/sql/DefinitionStatements.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"
#include "db/sql/DataQuery.h"
#include "db/sql/DefinitionDescriptors.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SelectPlan.h"
#include "db/sql/SqlErrors.h"

#include <algorithm>

namespace vorsam {

namespace {

// Every statement here works on the table alone.
TDataCursor& PreparedCursor(TDataQuery& query) {
    TDataCursor& cursor = DefinitionCursor(query);
    cursor.SetExclusive(true);
    cursor.SetInMemory(query.IntoMemory);
    cursor.SetDDLMode(false);
    cursor.SetQueryCursor(false);
    return cursor;
}

bool TableExists(const TDataCursor& cursor) {
    return cursor.Directory().TableExists(cursor.TableName(), cursor.InMemory());
}

// Closes the cursor when the scope ends, however it ends.
class TOpenCursor {
public:
    explicit TOpenCursor(TDataCursor& cursor) : cursor_(cursor) { cursor_.OpenCursor(); }
    ~TOpenCursor() {
        try {
            cursor_.CloseCursor();
        } catch (...) {
            // the error that ended the statement, if any, is the one to report
        }
    }
    TOpenCursor(const TOpenCursor&) = delete;
    TOpenCursor& operator=(const TOpenCursor&) = delete;

private:
    TDataCursor& cursor_;
};

std::string CharacterText(const TCharSet& set) {
    std::string text;
    for (size_t c = 1; c < set.size(); ++c)
        if (set.test(c)) text.push_back(char(c));
    return text;
}

std::string JoinWords(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// The text index's options of the block (CREATE TABLE always, ALTER TABLE with STOP WORDS).
void SetTextIndexOptions(const TDataQuery& query, TCreateTableArgs& args) {
    if (query.StopWordsGiven) args.StopWords = JoinWords(query.StopWords);
    args.SpaceCharacters = CharacterText(query.SpaceChars);
    args.IncludeCharacters = CharacterText(query.IncludeChars);
}

void CheckTextIndex(TDataQuery& query, std::span<const TFieldDescriptor> fields) {
    if (!query.TextIndex) return;
    query.TextIndex->BuildColumnNames();
    CheckTextIndexColumns(*query.TextIndex, fields);
}

// ---- ALTER TABLE ----

// The new structure of an altered table: its fields by position, the largest field number it ever had,
// and its index slots.
struct TAlteredTable {
    std::vector<TFieldDescriptor> Fields;
    uint16_t MaxNumber = 0;
    std::vector<TIndexDescriptor> Indexes; // slot 0 the primary index, then the secondary ones
    bool PrimaryDropped = false;

    size_t PositionOf(const std::string& name) const {
        const TFieldDescriptor* field = FindFieldByName(Fields, name);
        if (!field) SqlError("Column " + name + " not found");
        return size_t(field - Fields.data());
    }
    // Moves the field at `from` to the 1-based position `at`, or to the end for a position past it.
    void Move(size_t from, uint16_t at) {
        TFieldDescriptor field = Fields[from];
        Fields.erase(Fields.begin() + ptrdiff_t(from));
        size_t to = std::min<size_t>(at - 1, Fields.size());
        Fields.insert(Fields.begin() + ptrdiff_t(to), field);
    }
};

// The settings the statement does not give are the table's.
void TakeTableSettings(TDataQuery& query, const TDataCursor& cursor) {
    if (!query.EncryptionGiven) {
        query.Encrypted = cursor.IsEncrypted();
        query.Password = cursor.GetPassword();
    }
    if (!query.LanguageGiven) query.LanguageId = cursor.GetLanguageId();
    if (!query.SortGiven) query.SortId = cursor.GetSortId();
    if (!query.BlobBlockSizeGiven) query.BlobBlockSize = uint16_t(cursor.GetBlobBlockSize());
    if (!query.DescriptionGiven) query.Description = cursor.GetDescription();
    if (!query.UserMajorVersionGiven) query.UserMajorVersion = cursor.GetUserMajorVersion();
    if (!query.UserMinorVersionGiven) query.UserMinorVersion = cursor.GetUserMinorVersion();
}

void ApplyColumnAction(TAlteredTable& table, TCreateField& column) {
    if (column.Add) {
        column.AssignFromToken(uint16_t(table.Fields.size() + 1));
        TFieldDescriptor field = FieldDescriptorOf(column);
        field.SetFieldNumber(++table.MaxNumber); // a dropped field's number is never given again
        table.Fields.push_back(field);
        if (column.Position != 0) table.Move(table.Fields.size() - 1, column.Position);
        return;
    }
    column.AssignFromToken(0);
    size_t at = table.PositionOf(column.FieldName);
    if (column.Drop) {
        table.Fields.erase(table.Fields.begin() + ptrdiff_t(at));
        return;
    }
    RedefineFieldDescriptor(table.Fields[at], column);
    if (column.Position != 0) table.Move(at, column.Position);
}

void ApplyPrimaryKeyAction(TAlteredTable& table, TCreateIndex& index, const TDataCursor& cursor) {
    index.BuildColumnNames();
    if (!index.Add && !index.Redefine) {
        table.Indexes[0] = TIndexDescriptor();
        table.PrimaryDropped = true;
        return;
    }
    if (index.Add && !cursor.IsDefaultPrimaryIndex() && !table.PrimaryDropped)
        SqlError("Cannot REDEFINE the primary key using the ADD keyword");
    table.Indexes[0] = IndexDescriptorOf(index, table.Fields, cursor.TableName());
}

TAlteredTable AlteredTable(TDataQuery& query, const TDataCursor& cursor) {
    TAlteredTable table;
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor field;
        cursor.GetFieldDesc(number, field);
        table.Fields.push_back(field);
        table.MaxNumber = std::max(table.MaxNumber, field.FieldNumber());
    }
    for (auto& column : query.CreateFields) ApplyColumnAction(table, *column);
    for (uint8_t slot = 0; slot <= cursor.GetIndexCount(); ++slot)
        table.Indexes.push_back(cursor.GetIndexDesc(slot));
    for (auto& index : query.CreateIndexes) ApplyPrimaryKeyAction(table, *index, cursor);
    CheckTextIndex(query, table.Fields);
    return table;
}

} // namespace

void SetTableSettings(const TDataQuery& query, TCreateTableArgs& args) {
    args.LanguageId = query.LanguageId;
    args.SortId = query.SortId;
    args.UserMajorVersion = query.UserMajorVersion;
    args.UserMinorVersion = query.UserMinorVersion;
    args.Encrypted = query.Encrypted;
    args.Password = query.Password;
    args.Description = query.Description;
    args.BlobBlockSize = query.BlobBlockSize;
}

TDataCursor& DefinitionCursor(TDataQuery& query) {
    if (!query.ResultCursor) CreateResultCursor(query, false);
    return *query.ResultCursor;
}

void ExecuteCreateTable(TDataQuery& query) {
    TCreateTableArgs args;
    SetTableSettings(query, args);
    SetTextIndexOptions(query, args);
    for (size_t i = 0; i < query.CreateFields.size(); ++i) {
        query.CreateFields[i]->AssignFromToken(uint16_t(i + 1));
        args.Fields.push_back(FieldDescriptorOf(*query.CreateFields[i]));
    }
    for (auto& index : query.CreateIndexes) {
        index->BuildColumnNames();
        args.Indexes.push_back(IndexDescriptorOf(*index, args.Fields, query.ResultTableName));
    }
    if (args.Indexes.empty()) args.Indexes.emplace_back(); // the record order
    args.SecondaryCount = uint8_t(args.Indexes.size() - 1);
    CheckTextIndex(query, args.Fields);
    args.LastAutoIncValue = query.LastAutoInc;
    TDataCursor& cursor = PreparedCursor(query);
    if (query.IfNotExists && TableExists(cursor)) return;
    cursor.CreateTable(args);
}

void ExecuteCreateIndex(TDataQuery& query) {
    TDataCursor& cursor = PreparedCursor(query);
    TOpenCursor open(cursor);
    std::vector<TFieldDescriptor> fields(cursor.GetFieldCount());
    for (uint16_t number = 1; number <= fields.size(); ++number)
        cursor.GetCursorFieldDesc(number, fields[number - 1]);
    TCreateIndex& index = *query.CreateIndexes.front();
    index.BuildColumnNames();
    TIndexDescriptor descriptor = IndexDescriptorOf(index, fields, cursor.TableName());
    if (query.IfNotExists && cursor.IndexExists(index.IndexName)) return;
    cursor.AddSecondaryIndex(descriptor);
}

void ExecuteAlterTable(TDataQuery& query) {
    TDataCursor& cursor = PreparedCursor(query);
    cursor.SetPasswordCallback(query.Statement->OnPassword);
    TRestructureArgs args;
    {
        TOpenCursor open(cursor);
        TakeTableSettings(query, cursor);
        TAlteredTable table = AlteredTable(query, cursor);
        args.Fields = std::move(table.Fields);
        args.Indexes = std::move(table.Indexes);
        args.SecondaryCount = cursor.GetIndexCount();
    }
    SetTableSettings(query, args);
    if (query.StopWordsGiven) SetTextIndexOptions(query, args);
    args.LastAutoIncValue = query.LastAutoInc;
    args.NoBackup = query.NoBackup;
    PreparedCursor(query).RestructureTable(args);
}

void ExecuteDropTable(TDataQuery& query) {
    TDataCursor& cursor = PreparedCursor(query);
    if (query.IfExists && !TableExists(cursor)) return;
    cursor.DeleteTable();
}

void ExecuteDropIndex(TDataQuery& query) {
    TDataCursor& cursor = PreparedCursor(query);
    TOpenCursor open(cursor);
    if (!SameIndexName(query.DropIndexName, "PRIMARY")) {
        if (!query.IfExists || cursor.IndexExists(query.DropIndexName))
            cursor.DeleteIndex(query.DropIndexName);
    } else if (!query.IfExists || !cursor.IsDefaultPrimaryIndex()) {
        cursor.DeleteIndex({});
    }
}

} // namespace vorsam
