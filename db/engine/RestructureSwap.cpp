// The swap that ends a restructure, and its settling after a crash (RestructureSwap.h).
#include "db/engine/RestructureSwap.h"

#include "db/engine/WorkingFiles.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <vector>
#include <zlib.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view SwapMagic = "TBLSWAP1";
constexpr uint8_t Swapping = 1, Swapped = 2;
constexpr size_t MaxRecordBytes = 4096;
constexpr const char* Extensions[] = {".DAT", ".IDX", ".BLB"};

struct TSwapRecord {
    uint8_t OldFiles = 0;
    uint8_t NewFiles = 0;
    bool DropBackup = false;
    std::string Working;
    uint8_t State = Swapping;
};

std::vector<uint8_t> RecordBytes(const TSwapRecord& record) {
    std::vector<uint8_t> bytes(14);
    std::memcpy(bytes.data(), SwapMagic.data(), SwapMagic.size());
    bytes[8] = record.OldFiles;
    bytes[9] = record.NewFiles;
    bytes[10] = record.DropBackup;
    StoreLE16(&bytes[12], uint16_t(record.Working.size()));
    bytes.insert(bytes.end(), record.Working.begin(), record.Working.end());
    uint8_t crc[4];
    StoreLE32(crc, uint32_t(crc32(0, bytes.data(), uInt(bytes.size()))));
    bytes.insert(bytes.end(), crc, crc + 4);
    bytes.push_back(record.State);
    return bytes;
}

// The record the bytes hold, when they are a whole one that this engine writes: both tables with a data
// file, and a working name that is "_VT" and 8 hexadecimal digits (so its files lie in the table's folder).
bool ParseRecord(const std::vector<uint8_t>& bytes, TSwapRecord& record) {
    if (bytes.size() < 19 || std::memcmp(bytes.data(), SwapMagic.data(), SwapMagic.size()) != 0) return false;
    size_t length = LoadLE16(&bytes[12]);
    if (bytes.size() != 14 + length + 5) return false;
    if (LoadLE32(&bytes[14 + length]) != uint32_t(crc32(0, bytes.data(), uInt(14 + length)))) return false;
    record = {bytes[8], bytes[9], bytes[10] != 0,
              std::string(reinterpret_cast<const char*>(&bytes[14]), length), bytes.back()};
    return (record.State == Swapping || record.State == Swapped) && record.OldFiles < 8 &&
           record.NewFiles < 8 && (record.OldFiles & record.NewFiles & 1) &&
           IsWorkingFileName(record.Working + Extensions[0]);
}

// The files of one storage (disk or memory); each is opened exclusively before it moves or goes:
// refused while anyone has it open.
class TStorage {
public:
    explicit TStorage(bool inMemory) : inMemory_(inMemory) {}
    bool Exists(const std::string& file) const { return GetFileList().Exists(file, inMemory_); }
    bool IsPlain(const std::string& file) const { return IsPlainFile(file, inMemory_); }
    void Move(const std::string& from, const std::string& to) const { Opened(from).RenameFile(to); }
    void Remove(const std::string& name) const {
        if (Exists(name)) Opened(name).DeleteFile();
    }
    TFileHandler& Prepare(TFileHandler& file, const std::string& name) const {
        file.SetFileName(name);
        file.SetInMemory(inMemory_);
        file.SetExclusive(true);
        return file;
    }

private:
    TFileHandler& Opened(const std::string& name) const {
        Prepare(file_, name).Open();
        return file_;
    }

    bool inMemory_;
    mutable TFileHandler file_;
};

std::string WorkingFile(const TSwapNames& names, const std::string& working, size_t role) {
    return (fs::path(names.Files[0]).parent_path() / (working + Extensions[role])).string();
}

void SetState(TFileHandler& record, uint8_t state, bool flush) {
    record.Seek(int64_t(record.GetFileSize()) - 1);
    record.WriteBuffer(&state, 1);
    if (flush) record.FlushBuffers();
}

// Steps 4 and 5: the record says "swapped" before any backup goes, so that a later settling never takes
// a new file for an old one.
void FinishSwap(const TSwapNames& names, TFileHandler& record, bool dropBackup, bool flush) {
    SetState(record, Swapped, flush);
    TStorage storage(names.InMemory);
    if (dropBackup)
        for (const std::string& backup : names.Backups) storage.Remove(backup);
    record.DeleteFile();
}

} // namespace

TSwapNames SwapNamesBy(const std::function<std::string(const char* extension)>& name, bool inMemory) {
    constexpr const char* backups[] = {".DBK", ".IBK", ".BBK"};
    TSwapNames names;
    for (size_t role = 0; role < 3; ++role) {
        names.Files[role] = name(Extensions[role]);
        names.Backups[role] = name(backups[role]);
    }
    names.Record = names.Files[0].substr(0, names.Files[0].size() - 4) + ".SWP";
    names.InMemory = inMemory;
    return names;
}

void SwapRestructuredTable(const TSwapNames& names, const std::string& working, bool keepBackup, bool flush) {
    TStorage storage(names.InMemory);
    for (const std::string& backup : names.Backups) storage.Remove(backup);
    TSwapRecord described;
    described.DropBackup = !keepBackup;
    described.Working = working;
    for (size_t role = 0; role < 3; ++role) {
        described.OldFiles |= uint8_t(storage.Exists(names.Files[role]) << role);
        described.NewFiles |= uint8_t(storage.Exists(WorkingFile(names, working, role)) << role);
    }
    TFileHandler record;
    storage.Prepare(record, names.Record).CreateFile();
    std::vector<uint8_t> bytes = RecordBytes(described);
    record.WriteBuffer(bytes.data(), bytes.size());
    if (flush) {
        record.FlushBuffers();
        record.SyncFolder();
    }
    std::vector<std::pair<std::string, std::string>> moved;
    try {
        for (size_t role = 0; role < 3; ++role)
            if (described.OldFiles & (1 << role)) {
                storage.Move(names.Files[role], names.Backups[role]);
                moved.emplace_back(names.Files[role], names.Backups[role]);
            }
        for (size_t role = 3; role-- > 0;)
            if (described.NewFiles & (1 << role)) {
                storage.Move(WorkingFile(names, working, role), names.Files[role]);
                moved.emplace_back(WorkingFile(names, working, role), names.Files[role]);
            }
        if (flush) record.SyncFolder();
    } catch (...) {
        // What moved goes back; once all did, the old table stands: the record goes at once, so that
        // nothing settles the swap forward from new files about to go, then the new files.
        try {
            for (auto move = moved.rbegin(); move != moved.rend(); ++move)
                storage.Move(move->second, move->first);
            record.DeleteFile();
            for (size_t role = 0; role < 3; ++role) storage.Remove(WorkingFile(names, working, role));
        } catch (...) {
            // the record stays: the next user of the table settles the swap
        }
        throw;
    }
    FinishSwap(names, record, described.DropBackup, flush);
}

namespace {

// Where the files of a swap stand, role by role, as a settling finds them.
struct TSwapFiles {
    std::array<bool, 3> Table{}, Backup{}, Working{}, WorkingPlain{};

    TSwapFiles(const TStorage& storage, const TSwapNames& names, const std::string& working) {
        for (size_t role = 0; role < 3; ++role) {
            Table[role] = storage.Exists(names.Files[role]);
            Backup[role] = storage.Exists(names.Backups[role]);
            Working[role] = storage.Exists(WorkingFile(names, working, role));
            WorkingPlain[role] = Working[role] && storage.IsPlain(WorkingFile(names, working, role));
        }
    }

    // Whether the swap can be finished forward: every new file the record names is under its working
    // name, a plain file whose place is free once the old file there went to its backup, or is in place
    // already (its old file gone to its backup).
    bool Complete(const TSwapRecord& record) const {
        for (size_t role = 0; role < 3; ++role) {
            bool old = record.OldFiles & (1 << role);
            if (!(record.NewFiles & (1 << role))) continue;
            bool ready = Working[role] ? WorkingPlain[role] && (!Table[role] || (old && !Backup[role]))
                                       : Table[role] && (Backup[role] || !old);
            if (!ready) return false;
        }
        return true;
    }
};

// A swap that cannot be finished forward goes back: the old table stays. Its data file moves out first
// and back last, so while it is in place nothing else is moved and the files stay as they are; once it is
// at its backup name, the files in the table's places are new ones (or places the old table did not
// have): they go to new working names (stray files, removed later), and the old files come back from
// their backups, the data file last.
void SettleBackward(const TStorage& storage, const TSwapNames& names, const TSwapRecord& record,
                    const TSwapFiles& files) {
    if (files.Table[0] || !files.Backup[0]) return;
    std::string folder = fs::path(names.Files[0]).parent_path().string();
    for (size_t role = 0; role < 3; ++role) {
        bool old = record.OldFiles & (1 << role);
        if (files.Table[role] &&
            (old ? files.Backup[role] : (record.NewFiles & (1 << role)) && !files.Working[role]))
            storage.Move(names.Files[role], TempFileName(folder, Extensions[role], names.InMemory));
    }
    for (size_t role = 3; role-- > 0;)
        if ((record.OldFiles & (1 << role)) && files.Backup[role] && !storage.Exists(names.Files[role]))
            storage.Move(names.Backups[role], names.Files[role]);
}

// Settles the swap whose record is there. A record that is not whole or not one this engine writes
// (a working name elsewhere than the table's folder, another table's) is deleted, the table left as it is.
void SettleRecord(const TSwapNames& names) {
    TStorage storage(names.InMemory);
    TFileHandler record;
    storage.Prepare(record, names.Record).Open(); // VORSAM_FILEINUSE while the swap is under way
    uint64_t size = record.GetFileSize();
    std::vector<uint8_t> bytes(std::min<uint64_t>(size, MaxRecordBytes + 1));
    if (!bytes.empty()) record.ReadBuffer(bytes.data(), bytes.size());
    TSwapRecord found;
    if (!ParseRecord(bytes, found)) {
        record.DeleteFile(); // cut short while it was written: nothing had moved
        return;
    }
    if (found.State == Swapping) {
        TSwapFiles files(storage, names, found.Working);
        if (!files.Complete(found)) {
            SettleBackward(storage, names, found, files);
            record.DeleteFile();
            return;
        }
        for (size_t role = 0; role < 3; ++role)
            if ((found.OldFiles & (1 << role)) && files.Table[role] && !files.Backup[role])
                storage.Move(names.Files[role], names.Backups[role]);
        for (size_t role = 3; role-- > 0;)
            if ((found.NewFiles & (1 << role)) && files.Working[role])
                storage.Move(WorkingFile(names, found.Working, role), names.Files[role]);
    }
    FinishSwap(names, record, found.DropBackup, false);
}

} // namespace

void SettleTableSwap(const TSwapNamer& name, bool inMemory) {
    TStorage storage(inMemory);
    std::string data = name(".DAT");
    std::string record = data.substr(0, data.size() - 4) + ".SWP";
    if (!storage.Exists(record)) {
        if (storage.Exists(data)) return; // the table stands, and no swap of it is pending
        record = name(".SWP");
        if (!storage.Exists(record)) return;
    }
    if (!storage.IsPlain(record)) return; // not a record this engine made: a link is never followed
    TSwapNames names = SwapNamesBy(name, inMemory);
    names.Record = record;
    SettleRecord(names);
}

bool SettleSwapsIn(const std::string& folder) noexcept {
    const std::string listed = folder.empty() ? "." : folder;
    std::vector<TFolderEntry> entries;
    if (ListFolder(listed, entries) != 0) return false; // a folder not listed whole may hold a swap under way
    bool settled = true;
    for (const TFolderEntry& entry : entries) {
        std::string file = (fs::path(listed) / entry.Name).string();
        if (file.size() < 4 || strcasecmp(file.c_str() + file.size() - 4, ".SWP") != 0) continue;
        try {
            std::string base = file.substr(0, file.size() - 4);
            SettleTableSwap([&](const char* extension) { return base + extension; }, false);
        } catch (...) {
            settled = false; // under way, or it cannot be settled now
        }
    }
    return settled;
}

} // namespace vorsam
