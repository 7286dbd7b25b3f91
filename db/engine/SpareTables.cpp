// Spare tables of the in-memory database (SpareTables.h): the list, and the table's side of becoming one.
#include "db/engine/SpareTables.h"

#include "db/engine/DataTable.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vorsam {

namespace {

bool SameIndex(const TIndexDefinition& a, const TIndexDefinition& b) {
    auto descending = [](const TIndexDefinition& index, size_t i) {
        return i < index.FieldDescending.size() && index.FieldDescending[i];
    };
    if (a.Name != b.Name || a.Fields != b.Fields || a.Descending != b.Descending ||
        a.CaseInsensitive != b.CaseInsensitive || a.Unique != b.Unique || a.NoCounts != b.NoCounts ||
        a.TextIndex != b.TextIndex || a.Compression != b.Compression)
        return false;
    for (size_t i = 0; i < a.Fields.size(); ++i)
        if (descending(a, i) != descending(b, i)) return false;
    return true;
}

bool SameBytes(const std::vector<TFieldDescriptor>& a, const std::vector<TFieldDescriptor>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const auto& x, const auto& y) { return x.Bytes == y.Bytes; });
}

// The bytes of the data header that a write moves on without changing what the table is: the change
// counter, the time of the write, the header-changed flag (DataFileHeader.h).
bool SameDataHeader(const TDataFileHeader& a, const TDataFileHeader& b) {
    auto same = [&](size_t from, size_t to) {
        return std::memcmp(a.Bytes.data() + from, b.Bytes.data() + from, to - from) == 0;
    };
    return same(4, 27) && same(35, 111) && same(112, TDataFileHeader::Size);
}

// The index header but for its change counter and changed flag.
bool SameIndexHeader(const TIndexFileHeader& a, const TIndexFileHeader& b) {
    return a.Format == b.Format && a.NextPage == b.NextPage && a.SecondaryCount == b.SecondaryCount &&
           a.ActiveRecords == b.ActiveRecords && a.RecordOrder == b.RecordOrder &&
           std::equal(a.Slots.begin(), a.Slots.end(), b.Slots.begin(),
                      [](const auto& x, const auto& y) { return x.Bytes == y.Bytes; });
}

} // namespace

bool SameDefinition(const TTableDefinition& a, const TTableDefinition& b) {
    return SameBytes(a.Fields, b.Fields) && SameIndex(a.PrimaryIndex, b.PrimaryIndex) &&
           a.SecondaryIndexes.size() == b.SecondaryIndexes.size() &&
           std::equal(a.SecondaryIndexes.begin(), a.SecondaryIndexes.end(), b.SecondaryIndexes.begin(),
                      SameIndex) &&
           a.LanguageId == b.LanguageId && a.SortId == b.SortId && a.BlobBlockSize == b.BlobBlockSize &&
           a.Description == b.Description && a.Password == b.Password && a.Encrypted == b.Encrypted &&
           a.UserMajorVersion == b.UserMajorVersion && a.UserMinorVersion == b.UserMinorVersion &&
           a.LastAutoIncValue == b.LastAutoIncValue;
}

// ---- the list ----

TSpareTables::~TSpareTables() {
    while (!spares_.empty()) {
        Discard(std::move(spares_.back()));
        spares_.pop_back();
    }
}

std::unique_ptr<TDataTable> TSpareTables::Take(const TTableDefinition& definition) {
    for (size_t i = spares_.size(); i-- > 0;) {
        const TMadeShape* made = spares_[i]->MadeShape();
        assert(made && "a spare remembers what it was made from");
        if (!SameDefinition(made->Definition, definition)) continue;
        std::unique_ptr<TDataTable> table = std::move(spares_[i]);
        spares_.erase(spares_.begin() + ptrdiff_t(i));
        bool named = false;
        try {
            named = table->UnhideFiles();
        } catch (...) {
            // not to be had: it goes below
        }
        if (named) return table;
        Discard(std::move(table)); // its name was taken meanwhile
    }
    return nullptr;
}

void TSpareTables::Keep(std::unique_ptr<TDataTable> table) {
    spares_.push_back(std::move(table));
    if (spares_.size() <= SpareTableLimit) return;
    Discard(std::move(spares_.front()));
    spares_.erase(spares_.begin());
}

void TSpareTables::Discard(std::unique_ptr<TDataTable> table) noexcept {
    try {
        table->HideFiles(); // a hidden file goes with its close; no file of its name is touched
        table->Close();
    } catch (...) {
        // the files go with the table's handlers
    }
}

// ---- the table's side ----

void TDataTable::HideFiles() {
    for (TTableFile* file : Files())
        if (file->IsOpen()) file->Hide();
}

bool TDataTable::UnhideFiles() {
    std::vector<TTableFile*> shown;
    for (TTableFile* file : Files()) {
        if (!file->IsOpen()) continue;
        if (!file->Unhide()) {
            for (TTableFile* back : shown) back->Hide();
            return false;
        }
        shown.push_back(file);
    }
    return true;
}

void TDataTable::NoteMadeFrom(TTableDefinition definition) {
    assert(IsOpen() && location_.InMemory);
    made_ = std::make_unique<TMadeShape>(TMadeShape{std::move(definition), dataFile_.Header(),
                                                    dataFile_.FieldDescriptors(), indexFile_.Header(),
                                                    contentVersion_});
}

bool TDataTable::MayBeSpare() const {
    return made_ && location_.InMemory && useCount_ == 1 && mode_.Exclusive && !mode_.ReadOnly &&
           !encrypted_ && !HasBlobFile() && !inTransaction_ && !damaged_ && !writeMarked_ && !Locked() &&
           !made_->Definition.Encrypted && made_->Definition.Password.empty();
}

bool TDataTable::ResetToMade() {
    if (!MayBeSpare()) return false;
    auto asMade = [&] {
        return !HasUnwrittenChanges() && SameDataHeader(dataFile_.Header(), made_->Data) &&
               SameBytes(dataFile_.FieldDescriptors(), made_->Fields) &&
               SameIndexHeader(indexFile_.Header(), made_->Index);
    };
    // Nothing written since it was made (or last emptied) leaves the content version as it was.
    if (made_->Version != contentVersion_ || !asMade()) {
        EmptyTable();
        if (!asMade()) return false;
        made_->Version = contentVersion_;
    }
    return true;
}

} // namespace vorsam
