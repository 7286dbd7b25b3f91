#include "db/sql/QueryDump.h"

#include "db/lib/DataTypes.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryStatement.h"

#include <sstream>

namespace vorsam {

namespace {

int QueryIndex(const TQueryStatement& statement, const TDataQuery* query) {
    for (size_t i = 0; i < statement.Queries.size(); ++i)
        if (statement.Queries[i].get() == query) return static_cast<int>(i);
    return -1;
}

std::string Qualified(const std::string& qualifier, const std::string& name) {
    return qualifier.empty() ? name : qualifier + "." + name;
}

class TDumper {
public:
    TDumper(const TQueryStatement& statement, TDataQuery& query) : statement_(statement), query_(query) {}

    std::string Run() {
        TDataQuery& q = query_;
        out_ << "(" << StatementTypeName(q.StatementType);
        Flag(q.Distinct, "distinct");
        Flag(q.SelectAll, "selectall");
        Flag(q.MultipleTables, "multi");
        Flag(q.Parenthesized, "paren");
        Flag(q.SubSelect, "sub");
        Flag(q.UnionPart, "unionpart");
        Flag(q.IntoMemory, "memory");
        Flag(q.WithLocks, "locks");
        Flag(q.NoJoinOptimize, "nojoinoptimize");
        Flag(q.NoAutoInc, "noautoinc");
        Flag(q.CommitFlush, "flush");
        Flag(q.IfExists, "ifexists");
        Flag(q.IfNotExists, "ifnotexists");
        Flag(q.NoBackup, "nobackup");
        Flag(q.Encrypted, "encrypted");
        Flag(q.EncryptionGiven && !q.Encrypted, "unencrypted");
        Flag(q.HasAvg, "hasavg");
        Flag(q.HasExpressionColumns, "exprcols");
        Value(!q.ResultTableName.empty(), "table", q.ResultTableName);
        Value(!q.DropIndexName.empty(), "index", q.DropIndexName);
        Value(q.TopCount != -1, "top", std::to_string(q.TopCount));
        Value(q.LanguageGiven, "language", std::to_string(q.LanguageId));
        Value(q.SortGiven, "sort", std::to_string(q.SortId));
        Value(!q.Password.empty(), "password", q.Password);
        Value(q.CommitIntervalGiven, "interval", std::to_string(q.CommitInterval));
        Value(q.DescriptionGiven, "description", q.Description);
        Value(q.BlobBlockSizeGiven, "blobblocksize", std::to_string(q.BlobBlockSize));
        Value(q.UserMajorVersionGiven, "major", std::to_string(q.UserMajorVersion));
        Value(q.UserMinorVersionGiven, "minor", std::to_string(q.UserMinorVersion));
        Value(q.LastAutoInc != -1, "lastautoinc", std::to_string(q.LastAutoInc));
        Value(q.InsertSourceQuery, "source",
              "#" + std::to_string(QueryIndex(statement_, q.InsertSourceQuery)));
        Value(q.HasUnion, q.UnionAll ? "unionall" : "union",
              "#" + std::to_string(QueryIndex(statement_, q.NextUnion)));
        ResultFields();
        Sources();
        Tree("where", q.WhereTree.get());
        Entries("group", q.GroupByItems);
        Tree("having", q.HavingTree.get());
        Entries("order", q.OrderByItems);
        Flag(q.OrderByNoCase, "nocase");
        Updates();
        CreateFields();
        for (auto& index : q.CreateIndexes) Index("index", *index);
        if (q.TextIndex) Index("textindex", *q.TextIndex);
        Words();
        out_ << ")";
        return out_.str();
    }

private:
    void Flag(bool set, const char* name) {
        if (set) out_ << " :" << name;
    }
    void Value(bool set, const char* name, const std::string& value) {
        if (set) out_ << " :" << name << " " << value;
    }
    void Tree(const char* name, const TExpToken* tree) {
        if (tree) out_ << " (" << name << " " << DumpExpression(statement_, tree) << ")";
    }

    void ResultFields() {
        for (auto& f : query_.ResultFields) {
            out_ << " (F " << DumpExpression(statement_, f->Expression.get());
            Value(!f->ColumnName.empty(), "col", Qualified(f->TableName, f->ColumnName));
            Value(!f->Alias.empty(), "alias", f->Alias);
            Flag(!f->DefaultName, "named");
            Value(f->IsExpression, "text", "\"" + f->SourceText + "\"");
            Value(f->AggregateKind != akNone, "agg", std::to_string(f->AggregateKind));
            out_ << ")";
        }
    }

    void Sources() {
        const TDataDirectory& database = *statement_.Database;
        std::string defaultDatabase = database.InMemory() ? database.Name() : database.Folder();
        for (auto& s : query_.SourceTables) {
            out_ << " (T " << s->TableName << " #" << s->TableNumber;
            Value(s->CorrelationName != s->TableName, "as", s->CorrelationName);
            Value(s->DatabaseName != defaultDatabase, "db", s->DatabaseName);
            Flag(s->InMemory, "memory");
            out_ << ")";
        }
    }

    template <typename TItems> void Entries(const char* name, const TItems& items) {
        if (items.empty()) return;
        out_ << " (" << name;
        for (auto& item : items) {
            out_ << " ";
            if (item->ColumnNumber != 0)
                out_ << item->ColumnNumber;
            else
                out_ << Qualified(item->TableName, item->ColumnName);
            if constexpr (requires { item->Descending; })
                if (item->Descending) out_ << ":desc";
        }
        out_ << ")";
    }

    void Updates() {
        if (!query_.UpdateFields.empty()) {
            out_ << " (columns";
            for (auto& f : query_.UpdateFields) out_ << " " << Qualified(f->TableName, f->ColumnName);
            out_ << ")";
        }
        if (!query_.UpdateValues.empty()) {
            out_ << " (values";
            for (auto& v : query_.UpdateValues)
                out_ << " " << DumpExpression(statement_, v->Expression.get());
            out_ << ")";
        }
    }

    void CreateFields() {
        for (auto& f : query_.CreateFields) {
            f->AssignFromToken(0);
            out_ << " (C " << f->FieldName;
            Value(!f->OldFieldName.empty(), "newname", f->OldFieldName);
            if (f->DataType != 0) {
                out_ << " " << int(f->DataType);
                if (f->SubType) out_ << "/" << int(f->SubType);
                if (f->Size) out_ << " :size " << f->Size;
                if (f->Scale) out_ << " :scale " << int(f->Scale);
            }
            Flag(f->Add, "add");
            Flag(f->Redefine, "redefine");
            Flag(f->Drop, "drop");
            Value(f->Position != 0, "at", std::to_string(f->Position));
            Value(!f->Description.empty(), "description", f->Description);
            Flag(f->NotNull, "notnull");
            Value(!f->DefaultText.empty(), "default", f->DefaultText);
            Value(!f->MinimumText.empty(), "min", f->MinimumText);
            Value(!f->MaximumText.empty(), "max", f->MaximumText);
            Value(f->CharCase != ccNoChange, "case", std::to_string(f->CharCase));
            std::string given;
            for (auto [set, letter] : {std::pair{f->DescriptionGiven, 'd'},
                                       {f->NotNullGiven, 'n'},
                                       {f->DefaultGiven, 'f'},
                                       {f->MinimumGiven, 'i'},
                                       {f->MaximumGiven, 'x'},
                                       {f->CharCaseGiven, 'c'}})
                if (set) given += letter;
            Value(!given.empty(), "given", given);
            out_ << ")";
        }
    }

    void Index(const char* name, TCreateIndex& index) {
        index.BuildColumnNames();
        out_ << " (" << name;
        if (!index.IndexName.empty()) out_ << " " << index.IndexName;
        out_ << " [";
        for (size_t i = 0; i < index.ColumnNames.size(); ++i) out_ << (i ? " " : "") << index.ColumnNames[i];
        out_ << "]";
        Flag(index.Unique, "unique");
        Flag(index.Descending, "desc");
        Flag(index.NoCase, "nocase");
        Value(index.Compression != icNone, "compress", std::to_string(index.Compression));
        Flag(index.Add, "add");
        Flag(index.Redefine, "redefine");
        Flag(index.Drop, "drop");
        out_ << ")";
    }

    void Words() {
        if (query_.StopWordsGiven) {
            out_ << " (stopwords";
            for (auto& w : query_.StopWords) out_ << " " << w;
            out_ << ")";
        }
        for (auto [set, name] :
             {std::pair{&query_.SpaceChars, "spacechars"}, {&query_.IncludeChars, "includechars"}}) {
            if (set->none()) continue;
            std::string chars;
            for (size_t c = 0; c < set->size(); ++c)
                if (set->test(c)) chars += static_cast<char>(c);
            out_ << " (" << name << " \"" << chars << "\")";
        }
    }

    const TQueryStatement& statement_;
    TDataQuery& query_;
    std::ostringstream out_;
};

} // namespace

std::string DumpExpression(const TQueryStatement& statement, const TExpToken* tree) {
    if (!tree) return "nil";
    const TExpToken& t = *tree;
    std::string marks =
        (t.JoinKind != jkWhere ? "/" + std::to_string(t.JoinKind) : "") + (t.FromOnClause ? "^" : "");
    switch (t.Kind) {
    case nkColumn:
        return t.NamedByString ? "\"" + t.ColumnName + "\"" : Qualified(t.CorrelationName, t.ColumnName);
    case nkConstant:
        if (t.IsParameter) return "?";
        return t.DataType == dtString ? "'" + std::string(t.StringValue()) + "'" : t.Name;
    case nkSubSelect:
        return "(SELECT #" +
               std::to_string(QueryIndex(statement, dynamic_cast<const TDataQuery*>(t.SubQuery))) + ")";
    default:
        break;
    }
    std::string text = "(" + t.Name + marks;
    t.ForEachOperand([&](const TExpToken& operand) { text += " " + DumpExpression(statement, &operand); });
    return text + ")";
}

std::string DumpQuery(const TQueryStatement& statement, TDataQuery& query) {
    return TDumper(statement, query).Run();
}

std::string DumpStatement(const TQueryStatement& statement) {
    std::string text;
    for (size_t i = 0; i < statement.Queries.size(); ++i) {
        if (i) text += "\n";
        text += "#" + std::to_string(i) + " " + DumpQuery(statement, *statement.Queries[i]);
    }
    return text;
}

} // namespace vorsam
