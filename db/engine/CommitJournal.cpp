// The commit journal (CommitJournal.h): the journaled write.
#include "db/engine/CommitJournal.h"

#include "db/engine/DataTable.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>
#include <random>
#include <strings.h>
#include <zlib.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

// Writes at most this far apart go into the file together, in one write of at most this many bytes:
// reading and writing back a kilobyte between them costs about what a write of its own does.
constexpr uint64_t ApplyGapBytes = 1024;
constexpr uint64_t ApplySpanBytes = 256 << 10;

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    uint8_t length[2];
    StoreLE16(length, uint16_t(name.size()));
    out.insert(out.end(), length, length + 2);
    out.insert(out.end(), name.begin(), name.end());
}

// A journal copy's handle: its errors name the table the write began with.
class TJournalFile : public TFileHandler {
public:
    TJournalFile(const TDataTable& table, const std::string& path)
        : table_(table.TableName()), database_(table.DatabaseName()) {
        SetFileName(path);
        SetExclusive(true);
    }

protected:
    void GetErrorContext(TErrorContext& context) const override {
        context.Table = table_;
        context.Database = database_;
    }

private:
    std::string table_;
    std::string database_;
};

std::string RandomJournalName() {
    static thread_local std::mt19937 random{std::random_device{}()};
    char name[16];
    std::snprintf(name, sizeof name, "_VJ%08X.JNL", unsigned(random()));
    return name;
}

} // namespace

bool IsJournalFileName(std::string_view name) {
    return name.size() > 4 && strncasecmp(name.data() + name.size() - 4, ".JNL", 4) == 0;
}

// ---- the journaled write ----

void TCommitJournal::WriteTables(std::span<TDataTable* const> tables, bool flush) {
    assert(!tables.empty());
    if (tables.size() > UINT16_MAX) tables.front()->DataFile().RaiseError(VORSAM_TABLEFULL);
    // The tables' writes go to the journal while it gathers them.
    struct TGathering {
        TGathering(std::span<TDataTable* const> tables, TTableWriteSink* sink) : Tables(tables) {
            for (TDataTable* table : Tables) table->writeSink_ = sink;
        }
        ~TGathering() {
            for (TDataTable* table : Tables) table->writeSink_ = nullptr;
        }
        std::span<TDataTable* const> Tables;
    };
    TCommitJournal journal(flush || tables.front()->Settings().ForceBufferFlush);
    bool committed = false;
    // Before the commit point nothing but the marks reached the tables: the changes are forgotten and
    // the marks cleared. After it, what the files miss is completed from the journal, which the recovery
    // then reads: its copies are closed, not deleted.
    auto fail = [&] {
        if (committed) {
            journal.copies_.clear();
        } else {
            journal.ReleaseRoom();
            journal.EmptyCopies();
        }
        for (TDataTable* table : tables) table->EndJournaledWrite(true);
    };
    try {
        for (TDataTable* table : tables) table->BeginCommit(flush);
        for (TDataTable* table : tables) journal.AddTable(*table);
        journal.OpenCopies();
        {
            TGathering gathering(tables, &journal);
            for (TDataTable* table : tables) table->WriteContent();
            for (TDataTable* table : tables) table->WriteDataHeader();
        }
        journal.ReserveRoom();
        journal.WriteCopies();
        committed = true;
        journal.Apply();
    } catch (const EVORSAMEngineError&) {
        fail();
        // Past the commit point the write is done, whatever stopped its writes (a disk full after all, a
        // file that failed): the tables' next locks complete it, this process's too.
        if (committed) return;
        throw;
    } catch (...) {
        fail();
        throw;
    }
    journal.EmptyCopies();
    for (TDataTable* table : tables) table->EndJournaledWrite(false);
}

void TCommitJournal::AddTable(TDataTable& table) {
    tables_.push_back(&table);
    TJournalTable& described = described_.emplace_back();
    const TDataFileHeader& marked = table.DataFile().FileHeader();
    assert(marked.WriteInProgress());
    std::copy(marked.Bytes.begin(), marked.Bytes.end(), described.MarkedHeader.begin());
    if (table.Location().InMemory) return;
    const TTableFile* files[] = {&table.DataFile(), &table.IndexFile(), &table.BlobFile()};
    for (size_t i = 0; i < 3; ++i)
        if (files[i]->IsOpen())
            described.Files[i] = fs::absolute(files[i]->FileName()).lexically_normal().string();
}

void TCommitJournal::Write(TTableFile& file, uint64_t offset, const uint8_t* bytes, size_t count) {
    if (count > UINT32_MAX) file.RaiseError(VORSAM_WRITEERR);
    // A journal that a recovery would not take is refused before the commit point.
    if (description_.size() + payload_.Size() + JournalWriteHeaderSize + count > MaxJournalBytes)
        file.RaiseError(VORSAM_TABLEFULL);
    size_t table = 0;
    while (table < tables_.size() && &file.Owner() != static_cast<TableFileOwner*>(tables_[table])) ++table;
    assert(table < tables_.size());
    TDataTable& owner = *tables_[table];
    // A table in memory has no place in the journal: its writes are only kept for step 4.
    bool journaled = !owner.Location().InMemory;
    TGatheredBytes& bytesOf = journaled ? payload_ : kept_;
    if (journaled) {
        uint8_t head[JournalWriteHeaderSize] = {};
        StoreLE16(head, uint16_t(table));
        head[2] = &file == &owner.DataFile() ? 0 : &file == &owner.IndexFile() ? 1 : 2;
        StoreLE64(head + 4, offset);
        StoreLE32(head + 12, uint32_t(count));
        payload_.Append(head, JournalWriteHeaderSize);
    }
    uint64_t payloadAt = journaled ? payload_.Size() : 0;
    const uint8_t* at = count > 0 ? bytesOf.Append(bytes, count) : nullptr;
    gathered_.push_back({&file, offset, at, payloadAt, count, false, journaled});
    // Full pieces go to the copies as they come, so that a big write never holds its payload whole.
    if (journaled && !copies_.empty())
        payload_.Hand(false, [this](const uint8_t* bytes, size_t count) { SpillPayload(bytes, count); });
}

const uint8_t* TGatheredBytes::Append(const uint8_t* bytes, size_t count) {
    if (pieces_.empty() || pieces_.back().Capacity - pieces_.back().Used < count) {
        size_t capacity = std::max(count, PieceBytes);
        pieces_.push_back({std::make_unique_for_overwrite<uint8_t[]>(capacity), capacity, 0});
    }
    TPiece& piece = pieces_.back();
    assert(piece.Bytes);
    uint8_t* at = piece.Bytes.get() + piece.Used;
    std::memcpy(at, bytes, count);
    piece.Used += count;
    size_ += count;
    return at;
}

void TCommitJournal::Sync(TTableFile& file) {
    if (!gathered_.empty() && gathered_.back().Sync && gathered_.back().File == &file) return;
    gathered_.push_back({&file, 0, nullptr, 0, 0, true, false});
}

// A blank header, the folders (kept in folders_) and the tables; the payload follows them.
std::vector<uint8_t> TCommitJournal::Describe() {
    std::vector<uint8_t> out(JournalHeaderSize);
    for (const TJournalTable& table : described_) {
        if (table.Files[0].empty()) continue;
        std::string folder = fs::path(table.Files[0]).parent_path().string();
        if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) folders_.push_back(folder);
    }
    StoreLE32(&out[24], uint32_t(folders_.size()));
    for (const std::string& folder : folders_) PutName(out, folder);
    for (const TJournalTable& table : described_) {
        for (const std::string& file : table.Files) PutName(out, file);
        out.insert(out.end(), table.MarkedHeader.begin(), table.MarkedHeader.end());
    }
    if (out.size() - JournalHeaderSize > MaxJournalDescriptionBytes)
        tables_.front()->DataFile().RaiseError(VORSAM_TABLEFULL);
    return out;
}

// The header of the copies once the whole payload is written: its length and checksum count the
// description and the payload.
std::array<uint8_t, JournalHeaderSize> TCommitJournal::Head() const {
    std::array<uint8_t, JournalHeaderSize> head{};
    std::memcpy(head.data(), JournalMagic.data(), JournalMagic.size());
    StoreLE32(&head[8], flush_ ? JournalSyncedFlag : 0);
    StoreLE32(&head[12], uint32_t(described_.size()));
    static thread_local std::mt19937_64 random{std::random_device{}()};
    StoreLE64(&head[16], random());
    StoreLE32(&head[24], uint32_t(folders_.size()));
    StoreLE64(&head[32], description_.size() - JournalHeaderSize + payload_.Size());
    StoreLE32(&head[40], crc_);
    StoreLE32(&head[44], JournalChecksum(head.data(), 44));
    return head;
}

// The copy at `path` opened exclusively and emptied, ready to be written; none when another process
// holds the file, it is not a plain file, it holds a journal that a table awaits, or it cannot be opened
// or read (whether a table awaits it cannot be told): such a file is left as it is, and the write's
// copies take a name of their own.
std::optional<TCommitJournal::TCopy> TCommitJournal::OpenCopy(const std::string& path) const {
    TCopy copy{std::make_unique<TJournalFile>(*tables_.front(), path), false, 0};
    if (!GetFileList().Exists(path, false)) {
        copy.Handle->CreateFile();
        copy.Created = true;
        return copy;
    }
    if (!IsPlainFile(path)) return std::nullopt; // a link is never written through
    try {
        copy.Handle->Open();
        if (copy.Handle->GetFileSize() > 0) {
            if (JournalAwaited(*copy.Handle)) return std::nullopt;
            copy.Handle->Seek(0);
            copy.Handle->WriteBuffer(nullptr, 0);
        }
    } catch (const EVORSAMEngineError&) {
        return std::nullopt;
    }
    return copy;
}

// Into each folder, the first one's last; nothing when every table is in memory. The copies are named
// after the first table on disk (its name with ".JNL"): once emptied, the file serves the next write
// (a new file at every commit costs the file system far more than the writes, and only a new one needs
// its folder synced). When that name does not serve in every folder, a random one does.
void TCommitJournal::OpenCopies() {
    description_ = Describe();
    crc_ = JournalChecksum(&description_[JournalHeaderSize], description_.size() - JournalHeaderSize);
    auto first = std::find_if(described_.begin(), described_.end(),
                              [](const TJournalTable& table) { return !table.Files[0].empty(); });
    if (first == described_.end()) return;
    // The folders' places in the description, the first one's last.
    std::vector<uint32_t> order(folders_.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = (i + 1) % uint32_t(order.size());
    name_ = fs::path(first->Files[0]).stem().string() + ".JNL";
    for (uint32_t folder : order) {
        std::optional<TCopy> copy = OpenCopy(folders_[folder] + "/" + name_);
        if (!copy) break;
        copy->Folder = folder;
        copies_.push_back(std::move(*copy));
    }
    if (copies_.size() < order.size()) {
        EmptyCopies();
        randomName_ = true;
        do {
            name_ = RandomJournalName();
        } while (std::any_of(folders_.begin(), folders_.end(), [&](const std::string& folder) {
            return GetFileList().Exists(folder + "/" + name_, false);
        }));
        for (uint32_t folder : order) {
            copies_.push_back(
                {std::make_unique<TJournalFile>(*tables_.front(), folders_[folder] + "/" + name_), true,
                 folder});
            copies_.back().Handle->CreateFile();
        }
    }
}

// Room on disk for what the writes add to each file on disk, before the commit point: a disk that cannot
// hold them refuses the write now, cleanly, instead of failing it past the commit point.
void TCommitJournal::ReserveRoom() {
    for (const TGathered& write : gathered_) {
        if (!write.Journaled || write.Length == 0) continue;
        auto reserved = std::find_if(reserved_.begin(), reserved_.end(),
                                     [&](const auto& file) { return file.first == write.File; });
        if (reserved == reserved_.end()) reserved = reserved_.insert(reserved_.end(), {write.File, 0});
        reserved->second = std::max(reserved->second, write.Offset + write.Length);
    }
    for (auto [file, end] : reserved_) file->Reserve(end);
}

void TCommitJournal::ReleaseRoom() noexcept {
    for (auto [file, end] : reserved_) file->Unreserve();
    reserved_.clear();
}

// A full piece of the payload, appended to the copies (after a blank header and the description, the
// first time) and counted into the checksum.
void TCommitJournal::SpillPayload(const uint8_t* bytes, size_t count) {
    if (!spilled_)
        for (TCopy& copy : copies_) copy.Handle->WriteBuffer(description_.data(), description_.size());
    spilled_ = true;
    for (TCopy& copy : copies_) copy.Handle->WriteBuffer(bytes, count);
    crc_ = JournalChecksum(bytes, count, crc_);
}

// The copies made whole, the first folder's last: that one whole is the commit point. A payload that
// stayed in memory goes with its header in one pass over each copy; after pieces went ahead, the rest
// follows them and the headers come last.
void TCommitJournal::WriteCopies() {
    if (copies_.empty()) return;
    bool spilled = spilled_;
    std::vector<std::pair<const uint8_t*, size_t>> rest;
    payload_.Hand(true, [&](const uint8_t* bytes, size_t count) {
        rest.emplace_back(bytes, count);
        crc_ = JournalChecksum(bytes, count, crc_);
    });
    std::array<uint8_t, JournalHeaderSize> head = Head();
    for (TCopy& copy : copies_) {
        StoreLE32(&head[28], copy.Folder + 1);
        StoreLE32(&head[44], JournalChecksum(head.data(), 44));
        if (spilled) {
            for (auto [bytes, count] : rest) copy.Handle->WriteBuffer(bytes, count);
            copy.Handle->Seek(0);
            copy.Handle->WriteBuffer(head.data(), head.size());
        } else {
            std::copy(head.begin(), head.end(), description_.begin());
            copy.Handle->WriteBuffer(description_.data(), description_.size());
            for (auto [bytes, count] : rest) copy.Handle->WriteBuffer(bytes, count);
        }
        if (flush_) {
            copy.Handle->FlushBuffers();
            if (copy.Created) copy.Handle->SyncFolder();
        }
    }
}

// The bytes of a write that left memory for the copies are read back from the first folder's copy, a
// piece's worth at a time: the writes lie there one after another in their order, and a big write is
// mostly small ones (records, pages). Writes to one file that follow one another a little apart in
// ascending order (the records and pages of a change of many rows) go in one write with the bytes
// between them, read from the file first and written back as they were.
void TCommitJournal::Apply() {
    std::vector<uint8_t> readBack, span;
    uint64_t readFrom = 0, readTo = 0; // the payload's bytes that readBack holds
    auto bytesOf = [&](const TGathered& write) {
        if (!write.Journaled || write.Length == 0 || write.PayloadAt >= payload_.Released())
            return write.Bytes;
        if (write.PayloadAt < readFrom || write.PayloadAt + write.Length > readTo) {
            readFrom = write.PayloadAt;
            readTo = std::min<uint64_t>(payload_.Size(), readFrom + TGatheredBytes::PieceBytes);
            readTo = std::max<uint64_t>(readTo, readFrom + write.Length);
            readBack.resize(size_t(readTo - readFrom));
            TFileHandler& copy = *copies_.back().Handle;
            copy.Seek(int64_t(description_.size() + readFrom));
            copy.ReadBuffer(readBack.data(), readBack.size());
        }
        return static_cast<const uint8_t*>(readBack.data() + (write.PayloadAt - readFrom));
    };
    auto joins = [](const TGathered& last, const TGathered& next, uint64_t from) {
        const uint64_t end = last.Offset + last.Length;
        return !next.Sync && next.Length > 0 && next.File == last.File && next.Offset >= end &&
               next.Offset - end <= ApplyGapBytes && next.Offset + next.Length - from <= ApplySpanBytes;
    };
    for (size_t i = 0; i < gathered_.size();) {
        const TGathered& write = gathered_[i];
        if (write.Sync) {
            write.File->ApplySync();
            ++i;
            continue;
        }
        size_t past = i + 1;
        if (write.Length > 0)
            while (past < gathered_.size() && joins(gathered_[past - 1], gathered_[past], write.Offset))
                ++past;
        if (past == i + 1) {
            write.File->ApplyWrite(write.Offset, bytesOf(write), write.Length);
            ++i;
            continue;
        }
        const TGathered& last = gathered_[past - 1];
        span.resize(size_t(last.Offset + last.Length - write.Offset));
        write.File->ReadForApply(write.Offset, span.data(), span.size());
        for (size_t k = i; k < past; ++k)
            std::memcpy(&span[gathered_[k].Offset - write.Offset], bytesOf(gathered_[k]),
                        gathered_[k].Length);
        write.File->ApplyWrite(write.Offset, span.data(), span.size());
        i = past;
    }
}

// The copies, the first folder's last, are emptied for the next write (a random name's deleted); what
// cannot be emptied stays, found stale later (an engine error here is not the write's).
void TCommitJournal::EmptyCopies() {
    for (TCopy& copy : copies_) {
        try {
            if (randomName_) {
                copy.Handle->DeleteFile();
            } else {
                copy.Handle->Seek(0);
                copy.Handle->WriteBuffer(nullptr, 0);
            }
        } catch (const EVORSAMEngineError&) {
            // see above
        }
    }
    copies_.clear();
}

} // namespace vorsam
