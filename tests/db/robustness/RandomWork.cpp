#include "RandomWork.h"

namespace vorsam::test {

std::vector<size_t> TStep::ChangedTables() const {
    std::vector<size_t> tables;
    if (Unit == TUnit::RolledBack) return tables;
    for (const TEdit& edit : Edits)
        if (std::find(tables.begin(), tables.end(), edit.Table) == tables.end()) tables.push_back(edit.Table);
    return tables;
}

std::string TStep::Text() const {
    static const char* units[] = {"write", "transaction", "rolled-back transaction", "locked batch"};
    std::string text = units[size_t(Unit)];
    for (const TEdit& edit : Edits) {
        text += " | " + std::to_string(edit.Table) + ":" + (edit.Put ? "put " : "delete ") +
                std::to_string(edit.Key);
        if (edit.Put) text += " memo " + std::to_string(edit.Put->Memo.size());
    }
    return text;
}

void ApplyToOracle(const TStep& step, TTablesContents& contents) {
    if (step.Unit == TUnit::RolledBack) return;
    for (const TEdit& edit : step.Edits) {
        if (edit.Put)
            contents[edit.Table][edit.Key] = *edit.Put;
        else
            contents[edit.Table].erase(edit.Key);
    }
}

void ApplyEdit(TDataTable& table, const TEdit& edit) {
    if (edit.Put)
        PutPerson(table, *edit.Put);
    else
        DeletePerson(table, edit.Key);
}

void RunStep(const TStep& step, const std::vector<TDataTable*>& tables, TDataDirectory& database) {
    switch (step.Unit) {
    case TUnit::Write:
        ApplyEdit(*tables[step.Edits.front().Table], step.Edits.front());
        return;
    case TUnit::Transaction:
    case TUnit::RolledBack:
        database.StartTransaction();
        for (const TEdit& edit : step.Edits) ApplyEdit(*tables[edit.Table], edit);
        if (step.Unit == TUnit::Transaction)
            database.Commit(true, step.Flush);
        else
            database.Rollback();
        return;
    case TUnit::LockedBatch: {
        TDataTable& table = *tables[step.Edits.front().Table];
        table.LockTable();
        for (const TEdit& edit : step.Edits) ApplyEdit(table, edit);
        table.UnlockTable();
        return;
    }
    }
}

TRandomWork::TRandomWork(uint32_t seed, size_t tables, int32_t firstKey, int32_t keyCount)
    : random_(seed), firstKey_(firstKey), keyCount_(keyCount), oracle_(tables) {}

TEdit TRandomWork::RandomEdit(size_t table, TContents& contents) {
    int32_t key = firstKey_ + int32_t(random_() % uint32_t(keyCount_));
    if (contents.count(key) && random_() % 3 == 0) {
        contents.erase(key);
        return {table, key, std::nullopt};
    }
    // Memos of no block, part of one, one and a half, several; names equal but for case.
    static const size_t memoSizes[] = {0, 7, 494, 1400, 3000};
    static const char* names[] = {"ana", "Ana", "bruno", "Carla", ""};
    TPerson person{key, int32_t(random_()), names[random_() % 5],
                   std::string(memoSizes[random_() % 5], char('a' + random_() % 26))};
    contents[key] = person;
    return {table, key, person};
}

TStep TRandomWork::Next() {
    TStep step;
    uint32_t kind = random_() % 10;
    step.Unit = kind < 5   ? TUnit::Write
                : kind < 7 ? TUnit::Transaction
                : kind < 8 ? TUnit::RolledBack
                           : TUnit::LockedBatch;
    step.Flush = random_() % 2 == 0;
    size_t edits = step.Unit == TUnit::Write ? 1 : 2 + random_() % 5;
    size_t table = random_() % oracle_.size();
    TTablesContents changed = oracle_;
    for (size_t i = 0; i < edits; ++i) {
        if (step.Unit == TUnit::Transaction || step.Unit == TUnit::RolledBack)
            table = random_() % oracle_.size();
        step.Edits.push_back(RandomEdit(table, changed[table]));
    }
    if (step.Unit != TUnit::RolledBack) oracle_ = std::move(changed);
    return step;
}

} // namespace vorsam::test
