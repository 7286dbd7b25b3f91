// The commit journal (CommitJournal.h): its file's check, and the journaled write.
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

constexpr size_t WriteHeaderSize = 16; // table, file, reserved, offset, length

uint32_t Checksum(const uint8_t* bytes, size_t count, uint32_t crc = 0) {
    while (count > 0) {
        uInt part = uInt(std::min<size_t>(count, 1u << 30));
        crc = uint32_t(crc32(crc, bytes, part));
        bytes += part;
        count -= part;
    }
    return crc;
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    uint8_t length[2];
    StoreLE16(length, uint16_t(name.size()));
    out.insert(out.end(), length, length + 2);
    out.insert(out.end(), name.begin(), name.end());
}

// Reads what the check needs, in order; false once the bytes run out.
class TJournalReader {
public:
    TJournalReader(const std::vector<uint8_t>& bytes, size_t at) : bytes_(bytes), at_(at) {}
    bool Left(size_t count) const { return bytes_.size() - at_ >= count; }
    bool Done() const { return at_ == bytes_.size(); }
    size_t At() const { return at_; }
    const uint8_t* Take(size_t count) {
        const uint8_t* p = bytes_.data() + at_;
        at_ += count;
        return p;
    }
    bool Name(std::string& name) {
        if (!Left(2)) return false;
        uint16_t length = LoadLE16(Take(2));
        if (!Left(length)) return false;
        const uint8_t* p = Take(length);
        name.assign(reinterpret_cast<const char*>(p), length);
        return true;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t at_;
};

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

std::string ParseJournal(std::vector<uint8_t> bytes, TJournalContents& contents) {
    if (bytes.size() < JournalHeaderSize) return "shorter than its header";
    const uint8_t* head = bytes.data();
    if (std::memcmp(head, JournalMagic.data(), JournalMagic.size()) != 0) return "not a journal";
    if (LoadLE32(head + 44) != Checksum(head, 44)) return "header checksum";
    uint64_t rest = LoadLE64(head + 32);
    if (rest != bytes.size() - JournalHeaderSize) return "length " + std::to_string(rest);
    if (LoadLE32(head + 40) != Checksum(head + JournalHeaderSize, bytes.size() - JournalHeaderSize))
        return "checksum";
    TJournalContents read;
    read.Flags = LoadLE32(head + 8);
    uint32_t tables = LoadLE32(head + 12), folders = LoadLE32(head + 24);
    read.WriteId = LoadLE64(head + 16);
    if (tables == 0 || tables > UINT16_MAX || folders == 0 || folders > tables)
        return "table count " + std::to_string(tables) + ", folder count " + std::to_string(folders);
    TJournalReader reader(bytes, JournalHeaderSize);
    read.Folders.resize(folders);
    for (std::string& folder : read.Folders)
        if (!reader.Name(folder) || folder.empty()) return "folder names";
    read.Tables.resize(tables);
    for (TJournalTable& table : read.Tables) {
        for (std::string& file : table.Files)
            if (!reader.Name(file)) return "file names";
        if (!reader.Left(TDataFileHeader::Size)) return "table headers";
        std::memcpy(table.MarkedHeader.data(), reader.Take(TDataFileHeader::Size), TDataFileHeader::Size);
    }
    while (!reader.Done()) {
        if (!reader.Left(WriteHeaderSize)) return "write at " + std::to_string(reader.At());
        const uint8_t* w = reader.Take(WriteHeaderSize);
        TJournalWrite write{LoadLE16(w), w[2], LoadLE64(w + 4), {}};
        uint32_t length = LoadLE32(w + 12);
        if (write.Table >= tables || write.File > 2 || read.Tables[write.Table].Files[write.File].empty() ||
            !reader.Left(length))
            return "write at " + std::to_string(reader.At() - WriteHeaderSize);
        write.Bytes = {reader.Take(length), length};
        read.Writes.push_back(write);
    }
    read.Bytes = std::move(bytes); // the spans stay valid: the buffer moves, its bytes do not
    contents = std::move(read);
    return {};
}

bool AwaitsJournal(const TJournalContents& contents, size_t table, std::span<const uint8_t> header) {
    const auto& marked = contents.Tables[table].MarkedHeader;
    if (header.size() != marked.size() || !TDataFileHeader::IsMarked(header)) return false;
    if (std::equal(header.begin(), header.end(), marked.begin())) return true;
    const TJournalWrite* last = nullptr;
    for (const TJournalWrite& write : contents.Writes)
        if (write.Table == table && write.File == 0 && write.Offset == 0 &&
            write.Bytes.size() == marked.size())
            last = &write;
    if (!last) return false;
    size_t same = std::mismatch(header.begin(), header.end(), last->Bytes.begin()).first - header.begin();
    return std::equal(header.begin() + same, header.end(), marked.begin() + same);
}

// ---- the journaled write ----

void TCommitJournal::WriteTables(std::span<TDataTable* const> tables, bool flush) {
    assert(!tables.empty());
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
    try {
        for (TDataTable* table : tables) table->BeginCommit(flush);
        for (TDataTable* table : tables) journal.AddTable(*table);
        journal.OpenCopies();
        {
            TGathering gathering(tables, &journal);
            for (TDataTable* table : tables) table->WriteContent();
            for (TDataTable* table : tables) table->WriteDataHeader();
        }
        journal.WriteCopies();
        committed = true;
        journal.Apply();
    } catch (...) {
        // Before the commit point nothing but the marks reached the tables: the changes are forgotten
        // and the marks cleared. After it, what the files miss is completed from the journal, which
        // the recovery then reads: its copies are closed, not deleted.
        if (committed)
            journal.copies_.clear();
        else
            journal.EmptyCopies();
        for (TDataTable* table : tables) table->EndJournaledWrite(true);
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
    size_t table = 0;
    while (table < tables_.size() && &file.Owner() != static_cast<TableFileOwner*>(tables_[table])) ++table;
    assert(table < tables_.size());
    TDataTable& owner = *tables_[table];
    // A table in memory has no place in the journal: its writes are only kept for step 4.
    bool journaled = !owner.Location().InMemory;
    TGatheredBytes& bytesOf = journaled ? payload_ : kept_;
    if (journaled) {
        uint8_t head[WriteHeaderSize] = {};
        StoreLE16(head, uint16_t(table));
        head[2] = &file == &owner.DataFile() ? 0 : &file == &owner.IndexFile() ? 1 : 2;
        StoreLE64(head + 4, offset);
        StoreLE32(head + 12, uint32_t(count));
        payload_.Append(head, WriteHeaderSize);
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
        pieces_.push_back({std::make_unique<uint8_t[]>(capacity), capacity, 0});
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

// A blank header, the folders and the tables; the payload follows them.
std::vector<uint8_t> TCommitJournal::Describe() const {
    std::vector<uint8_t> out(JournalHeaderSize);
    std::vector<std::string> folders;
    for (const TJournalTable& table : described_) {
        if (table.Files[0].empty()) continue;
        std::string folder = fs::path(table.Files[0]).parent_path().string();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    StoreLE32(&out[24], uint32_t(folders.size()));
    for (const std::string& folder : folders) PutName(out, folder);
    for (const TJournalTable& table : described_) {
        for (const std::string& file : table.Files) PutName(out, file);
        out.insert(out.end(), table.MarkedHeader.begin(), table.MarkedHeader.end());
    }
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
    StoreLE32(&head[24], LoadLE32(&description_[24]));
    StoreLE64(&head[32], description_.size() - JournalHeaderSize + payload_.Size());
    StoreLE32(&head[40], crc_);
    StoreLE32(&head[44], Checksum(head.data(), 44));
    return head;
}

// The copy at `path` opened exclusively and emptied, ready to be written; none when another process
// holds the file or it holds a journal that a table awaits.
std::optional<TCommitJournal::TCopy> TCommitJournal::OpenCopy(const std::string& path) const {
    TCopy copy{std::make_unique<TJournalFile>(*tables_.front(), path), false};
    if (!GetFileList().Exists(path, false)) {
        copy.Handle->CreateFile();
        copy.Created = true;
        return copy;
    }
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
    crc_ = Checksum(&description_[JournalHeaderSize], description_.size() - JournalHeaderSize);
    const std::vector<uint8_t>& head = description_;
    TJournalReader reader(head, JournalHeaderSize);
    std::vector<std::string> folders(LoadLE32(&head[24]));
    for (std::string& folder : folders) reader.Name(folder);
    auto first = std::find_if(described_.begin(), described_.end(),
                              [](const TJournalTable& table) { return !table.Files[0].empty(); });
    if (first == described_.end()) return;
    std::rotate(folders.begin(), folders.begin() + 1, folders.end());
    name_ = fs::path(first->Files[0]).stem().string() + ".JNL";
    for (const std::string& folder : folders) {
        std::optional<TCopy> copy = OpenCopy(folder + "/" + name_);
        if (!copy) break;
        copies_.push_back(std::move(*copy));
    }
    if (copies_.size() < folders.size()) {
        EmptyCopies();
        randomName_ = true;
        do {
            name_ = RandomJournalName();
        } while (std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
            return GetFileList().Exists(folder + "/" + name_, false);
        }));
        for (const std::string& folder : folders) {
            copies_.push_back({std::make_unique<TJournalFile>(*tables_.front(), folder + "/" + name_), true});
            copies_.back().Handle->CreateFile();
        }
    }
}

// A full piece of the payload, appended to the copies (after a blank header and the description, the
// first time) and counted into the checksum.
void TCommitJournal::SpillPayload(const uint8_t* bytes, size_t count) {
    if (!spilled_)
        for (TCopy& copy : copies_) copy.Handle->WriteBuffer(description_.data(), description_.size());
    spilled_ = true;
    for (TCopy& copy : copies_) copy.Handle->WriteBuffer(bytes, count);
    crc_ = Checksum(bytes, count, crc_);
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
        crc_ = Checksum(bytes, count, crc_);
    });
    std::array<uint8_t, JournalHeaderSize> head = Head();
    for (TCopy& copy : copies_) {
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
// mostly small ones (records, pages).
void TCommitJournal::Apply() {
    std::vector<uint8_t> readBack;
    uint64_t readFrom = 0, readTo = 0; // the payload's bytes that readBack holds
    for (const TGathered& write : gathered_) {
        if (write.Sync) {
            write.File->ApplySync();
            continue;
        }
        const uint8_t* bytes = write.Bytes;
        if (write.Journaled && write.Length > 0 && write.PayloadAt < payload_.Released()) {
            if (write.PayloadAt < readFrom || write.PayloadAt + write.Length > readTo) {
                readFrom = write.PayloadAt;
                readTo = std::min<uint64_t>(payload_.Size(), readFrom + TGatheredBytes::PieceBytes);
                readTo = std::max<uint64_t>(readTo, readFrom + write.Length);
                readBack.resize(size_t(readTo - readFrom));
                TFileHandler& copy = *copies_.back().Handle;
                copy.Seek(int64_t(description_.size() + readFrom));
                copy.ReadBuffer(readBack.data(), readBack.size());
            }
            bytes = readBack.data() + (write.PayloadAt - readFrom);
        }
        write.File->ApplyWrite(write.Offset, bytes, write.Length);
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
