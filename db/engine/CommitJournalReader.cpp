// The commit journal (CommitJournal.h), read back: a copy checked whole, its writes handed on, both in
// pieces of JournalReadPiece bytes.
#include "db/engine/CommitJournal.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <zlib.h>

namespace vorsam {

namespace {

// The bytes of a copy from `from` to `end`, front to back, through a buffer of JournalReadPiece bytes (or
// all of them, when fewer); the checksum of what was taken and passed since StartChecksum.
class TJournalStream {
public:
    TJournalStream(TFileHandler& file, uint64_t from, uint64_t end)
        : file_(file), next_(from), end_(end),
          buffer_(size_t(std::min<uint64_t>(JournalReadPiece, end - from))) {}

    uint64_t At() const { return next_ - (filled_ - used_); }
    uint64_t Left() const { return end_ - At(); }
    void StartChecksum() { checksum_ = 0; }
    uint32_t Checksum() const { return checksum_; }

    // The next `count` bytes (at most a piece; they stay until the next Take or Pass), none when fewer are
    // left.
    const uint8_t* Take(size_t count) {
        if (count > Left()) return nullptr;
        assert(count <= buffer_.size());
        if (filled_ - used_ < count) Refill();
        if (filled_ - used_ < count) return nullptr;
        const uint8_t* bytes = buffer_.data() + used_;
        used_ += count;
        checksum_ = JournalChecksum(bytes, count, checksum_);
        return bytes;
    }
    // The next `count` bytes handed to `visit(bytes, count)` in parts; false when fewer are left.
    template <typename Visit> bool Pass(uint64_t count, Visit&& visit) {
        while (count > 0) {
            if (used_ == filled_) Refill();
            size_t part = size_t(std::min<uint64_t>(count, filled_ - used_));
            if (part == 0) return false;
            checksum_ = JournalChecksum(buffer_.data() + used_, part, checksum_);
            visit(buffer_.data() + used_, part);
            used_ += part;
            count -= part;
        }
        return true;
    }
    // Passes over `count` bytes unread (unless buffered); false when fewer are left.
    bool Skip(uint64_t count) {
        if (count > Left()) return false;
        if (count <= filled_ - used_) {
            used_ += size_t(count);
            return true;
        }
        next_ += count - (filled_ - used_);
        used_ = filled_ = 0;
        return true;
    }

private:
    void Refill() {
        size_t kept = filled_ - used_;
        std::memmove(buffer_.data(), buffer_.data() + used_, kept);
        size_t count = size_t(std::min<uint64_t>(buffer_.size() - kept, end_ - next_));
        file_.Seek(int64_t(next_));
        file_.ReadBuffer(buffer_.data() + kept, count);
        next_ += count;
        used_ = 0;
        filled_ = kept + count;
    }

    TFileHandler& file_;
    uint64_t next_; // the file offset after the buffered bytes
    uint64_t end_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0, filled_ = 0;
    uint32_t checksum_ = 0;
};

bool TakeName(TJournalStream& in, std::string& name) {
    const uint8_t* bytes = in.Take(2);
    if (!bytes) return false;
    const uint16_t length = LoadLE16(bytes);
    if (!(bytes = in.Take(length))) return false;
    name.assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

struct TWriteHead {
    uint16_t Table;
    uint8_t File;
    uint64_t Offset;
    uint32_t Length;
};

TWriteHead WriteHeadOf(const uint8_t* bytes) {
    return {LoadLE16(bytes), bytes[2], LoadLE64(bytes + 4), LoadLE32(bytes + 12)};
}

} // namespace

uint32_t JournalChecksum(const uint8_t* bytes, size_t count, uint32_t crc) {
    while (count > 0) {
        uInt part = uInt(std::min<size_t>(count, 1u << 30));
        crc = uint32_t(crc32(crc, bytes, part));
        bytes += part;
        count -= part;
    }
    return crc;
}

std::string ReadJournal(TFileHandler& file, TJournalContents& contents) {
    const uint64_t size = file.GetFileSize();
    if (size < JournalHeaderSize) return "shorter than its header";
    if (size > MaxJournalBytes) return "longer than a journal may be";
    TJournalStream in(file, 0, size);
    const uint8_t* head = in.Take(JournalHeaderSize);
    if (std::memcmp(head, JournalMagic.data(), JournalMagic.size()) != 0) return "not a journal";
    if (LoadLE32(head + 44) != JournalChecksum(head, 44)) return "header checksum";
    uint64_t rest = LoadLE64(head + 32);
    if (rest != size - JournalHeaderSize) return "length " + std::to_string(rest);
    TJournalContents read;
    read.Flags = LoadLE32(head + 8);
    uint32_t tables = LoadLE32(head + 12), folders = LoadLE32(head + 24);
    read.WriteId = LoadLE64(head + 16);
    read.CopyFolder = LoadLE32(head + 28);
    const uint32_t checksum = read.Checksum = LoadLE32(head + 40);
    if (tables == 0 || tables > UINT16_MAX || folders == 0 || folders > tables || read.CopyFolder > folders)
        return "table count " + std::to_string(tables) + ", folder count " + std::to_string(folders);
    in.StartChecksum();
    auto describedTooLong = [&] { return in.At() > JournalHeaderSize + MaxJournalDescriptionBytes; };
    read.Folders.resize(folders);
    for (std::string& folder : read.Folders)
        if (!TakeName(in, folder) || folder.empty() || describedTooLong()) return "folder names";
    read.Tables.resize(tables);
    for (TJournalTable& table : read.Tables) {
        for (std::string& name : table.Files)
            if (!TakeName(in, name) || describedTooLong()) return "file names";
        const uint8_t* header = in.Take(TDataFileHeader::Size);
        if (!header) return "table headers";
        std::memcpy(table.MarkedHeader.data(), header, TDataFileHeader::Size);
    }
    read.WritesAt = in.At();
    while (in.Left() > 0) {
        const uint64_t at = in.At();
        const uint8_t* bytes = in.Take(JournalWriteHeaderSize);
        if (!bytes) return "write at " + std::to_string(at);
        TWriteHead write = WriteHeadOf(bytes);
        if (write.Table >= tables || write.File > 2 || read.Tables[write.Table].Files[write.File].empty() ||
            write.Length > in.Left())
            return "write at " + std::to_string(at);
        TJournalTable& table = read.Tables[write.Table];
        table.Written[write.File] += write.Length;
        uint64_t reach = write.Offset > UINT64_MAX - write.Length ? UINT64_MAX : write.Offset + write.Length;
        table.Reach[write.File] = std::max(table.Reach[write.File], reach);
        if (write.File == 0 && write.Offset == 0 && write.Length == TDataFileHeader::Size) {
            std::memcpy(table.WrittenHeader.data(), in.Take(write.Length), write.Length);
            table.HeaderWritten = true;
        } else {
            in.Pass(write.Length, [](const uint8_t*, size_t) {});
        }
    }
    if (in.Checksum() != checksum) return "checksum";
    for (size_t i = 0; i < read.Tables.size(); ++i)
        if (!read.Tables[i].Files[0].empty() && !read.Tables[i].HeaderWritten)
            return "table " + std::to_string(i) + " without its header";
    read.Size = size;
    contents = std::move(read);
    return {};
}

void VisitJournalWrites(TFileHandler& file, const TJournalContents& contents, size_t table,
                        const TJournalApply& apply) {
    TJournalStream in(file, contents.WritesAt, contents.Size);
    struct TCuts {
        uint8_t File;
        uint64_t Lowest, Last;
    };
    std::optional<TCuts> cuts;
    auto cutShort = [&] {
        RaiseEngineError(VORSAM_READERR, "", "", "", file.FileName(), "", "", "cut short");
    };
    auto endCuts = [&] {
        if (!cuts) return;
        apply(cuts->File, cuts->Lowest, nullptr, 0);
        if (cuts->Last != cuts->Lowest) apply(cuts->File, cuts->Last, nullptr, 0);
        cuts.reset();
    };
    while (in.Left() > 0) {
        const uint8_t* bytes = in.Take(JournalWriteHeaderSize);
        if (!bytes) cutShort();
        TWriteHead write = WriteHeadOf(bytes);
        if (write.Table != table) {
            if (!in.Skip(write.Length)) cutShort();
            continue;
        }
        if (write.Length == 0) {
            if (cuts && cuts->File != write.File) endCuts();
            if (!cuts) cuts = TCuts{write.File, write.Offset, write.Offset};
            cuts->Lowest = std::min(cuts->Lowest, write.Offset);
            cuts->Last = write.Offset;
            continue;
        }
        endCuts();
        uint64_t offset = write.Offset;
        if (!in.Pass(write.Length, [&](const uint8_t* part, size_t count) {
                apply(write.File, offset, part, count);
                offset += count;
            }))
            cutShort();
    }
    endCuts();
}

bool AwaitsJournal(const TJournalContents& contents, size_t table, std::span<const uint8_t> header) {
    const TJournalTable& described = contents.Tables[table];
    const auto& marked = described.MarkedHeader;
    if (header.size() != marked.size() || !TDataFileHeader::IsMarked(header)) return false;
    if (std::equal(header.begin(), header.end(), marked.begin())) return true;
    if (!described.HeaderWritten) return false;
    const auto& last = described.WrittenHeader;
    size_t same = std::mismatch(header.begin(), header.end(), last.begin()).first - header.begin();
    return std::equal(header.begin() + same, header.end(), marked.begin() + same);
}

bool JournalCompleted(const TJournalContents& contents, size_t table, std::span<const uint8_t> header) {
    const auto& written = contents.Tables[table].WrittenHeader;
    int32_t ahead = int32_t(LoadLE32(header.data()) - LoadLE32(written.data()));
    if (TDataFileHeader::IsMarked(header)) return ahead >= 1;
    return ahead > 0 || (ahead == 0 && std::equal(header.begin(), header.end(), written.begin()));
}

} // namespace vorsam
