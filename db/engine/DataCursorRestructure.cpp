// TDataCursor: rebuilding a table's files with a new structure, carrying its records over by field
// number.
//
// The new table is made beside the old one under a temporary name and filled from the old table's
// records, in record order, through a cursor of its own (so defaults, character case, constraints,
// indexes and blobs are those of any append); a record that cannot be carried (a value that does not
// fit its new field, a key twice in a unique index, a required field left empty) stops the rebuild,
// the new files are deleted and the old table stays as it was. Then the new files take the old ones'
// places, the old ones becoming the backup (".DBK", ".IBK", ".BBK"), in a swap that a crash never leaves
// half done (RestructureSwap.h); the backup is deleted unless it is to be kept. An error that names the
// new table (a field name twice, a key twice, a value that does not fit) is reported against this one:
// the new table's name is nobody's business.
#include "db/engine/DataCursor.h"

#include "db/engine/DataSession.h"
#include "db/engine/RestructureSwap.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TableNames.h"
#include "db/lib/Values.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vorsam {

namespace {

TValueKind KindOf(const TFieldDescriptor& field) {
    return {field.DataType(), field.DeclaredSize(), field.Decimals()};
}

bool SameKind(const TFieldDescriptor& a, const TFieldDescriptor& b) {
    return a.DataType() == b.DataType() && a.DeclaredSize() == b.DeclaredSize() &&
           a.Decimals() == b.Decimals();
}

// Runs the step; an error it raises is dropped (a later error, or the first, is the one to report).
template <typename Step> void Quietly(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // see above
    }
}

// Puts a password into the session for a scope, unless it was there.
class TSessionPassword {
public:
    TSessionPassword(TDataSession& session, const std::string& password, bool needed)
        : session_(session), password_(password), added_(needed && !session.HasPassword(password)) {
        if (added_) session_.AddPassword(password_);
    }
    ~TSessionPassword() {
        if (added_) session_.RemovePassword(password_);
    }
    TSessionPassword(const TSessionPassword&) = delete;
    TSessionPassword& operator=(const TSessionPassword&) = delete;

private:
    TDataSession& session_;
    std::string password_;
    bool added_;
};

// The old field each new field takes its values from (0: none), by the numbers the fields carry.
std::vector<uint16_t> SourcesOf(const std::vector<TFieldDescriptor>& fields, uint16_t oldFieldCount) {
    std::vector<uint16_t> sources;
    for (const TFieldDescriptor& field : fields) {
        uint16_t number = field.FieldNumber() <= oldFieldCount ? field.FieldNumber() : 0;
        if (number != 0 && std::count(sources.begin(), sources.end(), number) > 0)
            RaiseEngineError(VORSAM_INVALIDPARAM,
                             "two fields take the values of field " + std::to_string(number));
        sources.push_back(number);
    }
    return sources;
}

// The index descriptors name the fields by the numbers the fields carry; the new table numbers its
// fields by position.
void RenumberIndexFields(TCreateTableArgs& args, const std::vector<uint16_t>& given) {
    for (size_t slot = 0; slot <= args.SecondaryCount && slot < args.Indexes.size(); ++slot) {
        TIndexDescriptor& index = args.Indexes[slot];
        for (size_t i = 0; i < index.FieldCount() && i < MaxIndexFields; ++i) {
            auto at = std::find(given.begin(), given.end(), index.FieldNumber(i));
            if (index.FieldNumber(i) == 0 || at == given.end()) {
                TErrorContext context;
                context.Index = slot == PrimaryIndexSlot ? "Primary" : index.Name();
                context.ExtraText =
                    "field " + std::to_string(index.FieldNumber(i)) + " is not in the new structure";
                RaiseEngineError(VORSAM_SEARCHCOLREQD, context);
            }
            index.SetFieldNumber(i, uint16_t(at - given.begin() + 1));
        }
    }
}

// Whether the error's table is the table of that name (its base name, ignoring extension and folder).
bool NamesTable(const EVORSAMEngineError& error, const std::string& name) {
    auto base = [](const std::string& path) {
        std::string name = ForwardToBackslashes(path);
        name = name.substr(name.rfind('/') + 1);
        return name.substr(0, name.find('.'));
    };
    return !error.ErrorTableName.empty() && base(error.ErrorTableName) == base(name);
}

} // namespace

void TDataCursor::RestructureTable(const TRestructureArgs& args) {
    RequireClosed();
    RequireLocalTable("restructuring tables");
    bool exclusive = exclusive_;
    exclusive_ = true; // no other user may see the table change under it
    try {
        OpenCursor();
    } catch (...) {
        exclusive_ = exclusive;
        throw;
    }
    exclusive_ = exclusive;
    bool inMemory = inMemory_ || directory_.InMemory();
    TSwapNames names;
    std::string working;
    try {
        table_->RequireDefinable();
        table_->CompleteCommitsNamingIt(true);
        working = ExtractBaseName(BuildRestructured(args), "");
        names = SwapNamesBy(
            [&](const char* extension) { return directory_.TableFileName(tableName_, extension, inMemory_); },
            inMemory);
    } catch (...) {
        Quietly([&] { CloseCursor(); });
        throw;
    }
    CloseCursor();
    SwapRestructuredTable(names, working, !args.NoBackup, directory_.Settings().ForceBufferFlush);
}

// The new table, under a temporary name beside this one, filled with this table's records; its name.
std::string TDataCursor::BuildRestructured(const TRestructureArgs& args) {
    std::vector<uint16_t> given;
    for (const TFieldDescriptor& field : args.Fields) given.push_back(field.FieldNumber());
    std::vector<uint16_t> sources = SourcesOf(args.Fields, uint16_t(TableFields().size()));
    TCreateTableArgs made = args;
    made.LastAutoIncValue = -1; // set once the records are carried
    RenumberIndexFields(made, given);

    std::string name = ForwardToBackslashes(tableName_);
    std::string temporary =
        name.substr(0, name.rfind('/') + 1) + directory_.GetTempTableName(inMemory_ || directory_.InMemory());
    TSessionPassword password(directory_.Session(), args.Password, args.Encrypted);
    try {
        BuildRestructuredAs(temporary, made, sources, args.LastAutoIncValue);
    } catch (const EVORSAMEngineError& e) {
        if (!NamesTable(e, temporary)) throw;
        TErrorContext context = e.Context();
        context.Table = table_->TableName();
        context.Database = table_->DatabaseName();
        RaiseEngineError(e.ErrorCode, context);
    }
    return temporary;
}

void TDataCursor::BuildRestructuredAs(const std::string& temporary, const TCreateTableArgs& made,
                                      const std::vector<uint16_t>& sources, int64_t lastAutoInc) {
    TDataCursor target(directory_);
    target.SetTableName(temporary);
    target.SetInMemory(inMemory_);
    target.SetExclusive(true);
    target.CreateTable(made);
    try {
        target.OpenCursor();
        CarryRecords(target, sources);
        // The counter goes on from the value given, or the old table's, and never below a carried value.
        uint32_t last = lastAutoInc >= 0 ? uint32_t(std::min<int64_t>(lastAutoInc, MaxCounterValue))
                                         : table_->DataFile().GetLastAutoIncValue();
        TTableWrite write(target.Table());
        TDataFile& file = target.Table().DataFile();
        file.SetLastAutoIncValue(std::max(last, file.GetLastAutoIncValue()));
        write.End();
        target.CloseCursor();
    } catch (...) {
        Quietly([&] { target.CloseCursor(); });
        Quietly([&] { target.DeleteTable(); });
        throw;
    }
}

// Every active record of this table, in record order, into the target, as one write of the target.
void TDataCursor::CarryRecords(TDataCursor& target, const std::vector<uint16_t>& sources) {
    SetIndexNumber(RecordOrderIndex);
    target.SuppressAutoInc(true);
    std::vector<uint8_t> from(GetRecordSize()), to(target.GetRecordSize());
    TTableWrite write(target.Table());
    for (SetToBegin(); GetNextRecord(from) == 0;) {
        CarryRecord(target, sources, from, to);
        target.AppendRecord(to);
    }
    write.End();
}

void TDataCursor::CarryRecord(TDataCursor& target, const std::vector<uint16_t>& sources,
                              std::span<uint8_t> from, std::span<uint8_t> to) {
    target.InitRecordBuffer(to);
    // The +5 value stays the record's: its auto-increment value and the suffix of its non-unique keys.
    std::copy_n(&from[AutoIncValueOffset], 4, &to[AutoIncValueOffset]);
    std::array<uint8_t, 512> value{};
    for (size_t i = 0; i < sources.size(); ++i) {
        const TFieldDescriptor& field = target.TableFields()[i];
        if (sources[i] == 0 || field.IsAutoIncrement() || field.Computed()) continue;
        const TFieldDescriptor& old = TableFields()[sources[i] - 1];
        if (old.Computed()) continue;
        bool null = false;
        value.fill(0);
        GetValue(old, from, null, value.data());
        if (null) {
            target.PutValue(field, to, nullptr);
            continue;
        }
        bool blobs = old.DataType() == dtBlob || field.DataType() == dtBlob;
        if (blobs && old.DataType() == field.DataType()) {
            uint32_t size = 0;
            RaiseErrorWithText(OpenBlob(sources[i], from, TBlobOpenMode::Read, &size), old.Name());
            std::span<uint8_t> data = OpenBlobOf(sources[i], from).Buffer->GetData();
            uint16_t number = uint16_t(i + 1);
            RaiseErrorWithText(target.OpenBlob(number, to), field.Name());
            RaiseErrorWithText(target.PutBlob(number, to, 0, size, data.data()), field.Name());
            FreeBlob(sources[i], from);
            continue;
        }
        if (blobs ||
            (!SameKind(old, field) && !ConvertValue(KindOf(old), KindOf(field), value.data(), value.size())))
            target.RaiseFieldError(VORSAM_OUTOFRANGE, field.Name());
        target.PutValue(field, to, value.data());
    }
}

} // namespace vorsam
