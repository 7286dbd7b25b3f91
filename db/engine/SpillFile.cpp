#include "db/engine/SpillFile.h"

#include "db/lib/FileList.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <filesystem>

namespace vorsam {

namespace {
// Items are written through a staged region of this many bytes (read, patched, written back), so that
// scattered items cost a read and a write per region, not a write each; they are read back in windows.
constexpr uint64_t RegionBytes = 65536;
constexpr uint64_t WindowBytes = uint64_t(1) << 20;
} // namespace

TSpillFile::TSpillFile(const EngineSettings& settings, size_t itemSize)
    : settings_(settings), itemSize_(std::max<size_t>(itemSize, 1)) {}

TSpillFile::~TSpillFile() = default;

void TSpillFile::Open() {
    if (file_) return;
    std::string folder = settings_.PrivateDirectory.empty() ? std::filesystem::temp_directory_path().string()
                                                            : settings_.PrivateDirectory;
    auto file = std::make_unique<TFileHandler>();
    file->SetFileName(TempFileName(folder, ".TMP"));
    file->SetTemporary(true);
    file->CreateFile();
    file_ = std::move(file);
}

void TSpillFile::ReadAt(uint64_t offset, uint8_t* bytes, size_t count) {
    TFileAccess access(*file_);
    file_->Seek(int64_t(offset));
    file_->ReadBuffer(bytes, count, true); // what was never written reads as zeros
}

void TSpillFile::StageRegion(uint64_t start) {
    if (start == regionStart_) return;
    WriteRegion();
    region_.resize(RegionBytes);
    ReadAt(start, region_.data(), region_.size());
    regionStart_ = start;
}

void TSpillFile::WriteRegion() {
    if (!regionDirty_) return;
    TFileAccess access(*file_);
    file_->Seek(int64_t(regionStart_));
    file_->WriteBuffer(region_.data(), region_.size());
    regionDirty_ = false;
}

void TSpillFile::Put(uint32_t first, uint32_t count, const uint8_t* bytes) {
    if (count == 0) return;
    assert(first > 0);
    Open();
    uint64_t offset = uint64_t(first - 1) * itemSize_, end = offset + uint64_t(count) * itemSize_;
    for (uint64_t at = offset; at < end;) {
        uint64_t start = at / RegionBytes * RegionBytes;
        size_t length = size_t(std::min(end, start + RegionBytes) - at);
        if (length == RegionBytes || itemSize_ >= RegionBytes / 16) {
            // A whole region, or items large enough to be written each: no staging.
            if (start == regionStart_) {
                if (length != RegionBytes) WriteRegion(); // the staged items outside this write stay
                regionStart_ = UINT64_MAX;
                regionDirty_ = false;
            }
            TFileAccess access(*file_);
            file_->Seek(int64_t(at));
            file_->WriteBuffer(bytes + (at - offset), length);
        } else {
            StageRegion(start);
            std::memcpy(&region_[at - start], bytes + (at - offset), length);
            regionDirty_ = true;
        }
        at += length;
    }
    uint32_t last = first + count - 1;
    if (last / 64 >= bits_.size()) bits_.resize(last / 64 + 1);
    for (uint32_t n = first; n <= last; ++n) {
        uint64_t& word = bits_[n / 64];
        uint64_t bit = uint64_t(1) << (n % 64);
        held_ += (word & bit) == 0;
        word |= bit;
    }
}

void TSpillFile::Get(uint32_t number, uint8_t* bytes) {
    assert(Holds(number) && file_);
    WriteRegion();
    ReadAt(uint64_t(number - 1) * itemSize_, bytes, itemSize_);
}

void TSpillFile::ForEachRun(const std::function<void(uint32_t, uint32_t, const uint8_t*)>& write) {
    if (held_ == 0) return;
    WriteRegion();
    const uint32_t end = uint32_t(bits_.size() * 64);
    uint64_t windowStart = UINT64_MAX;
    std::vector<uint8_t> window;
    for (uint32_t n = 0; n < end;) {
        uint64_t word = bits_[n / 64] >> (n % 64);
        if (word == 0) {
            n = (n / 64 + 1) * 64;
            continue;
        }
        n += uint32_t(std::countr_zero(word));
        uint64_t offset = uint64_t(n - 1) * itemSize_;
        if (windowStart == UINT64_MAX || offset < windowStart ||
            offset + itemSize_ > windowStart + window.size()) {
            windowStart = offset;
            window.resize(std::max<size_t>(WindowBytes, itemSize_));
            ReadAt(windowStart, window.data(), window.size());
        }
        uint32_t first = n;
        while (n < end && Holds(n) && uint64_t(n) * itemSize_ <= windowStart + window.size()) ++n;
        write(first, n - first, &window[offset - windowStart]);
    }
}

void TSpillFile::Clear() {
    if (held_ == 0 && !file_) return;
    bits_.clear();
    bits_.shrink_to_fit();
    held_ = 0;
    std::vector<uint8_t>().swap(region_);
    regionStart_ = UINT64_MAX;
    regionDirty_ = false;
    file_.reset(); // a temporary file goes with its last handle
}

// ---- the session's budget ----

void TChangeCharge::Set(const EngineSettings& settings, uint64_t bytes, TChangeHolder& holder) {
    if (bytes == 0) return Release();
    const TChangeBytes& held = settings.HeldChanges;
    assert((!held_ || (held_ == &held && holder_ == &holder)) && "one charge counts one file in one session");
    if (!held_) {
        held.Holders.push_back(&holder);
        held_ = &held;
        holder_ = &holder;
    }
    held.Held = (held.Held >= charged_ ? held.Held - charged_ : 0) + bytes;
    charged_ = bytes;
}

void TChangeCharge::Release() noexcept {
    if (!held_) return;
    held_->Held = held_->Held >= charged_ ? held_->Held - charged_ : 0;
    std::erase(held_->Holders, holder_);
    held_ = nullptr;
    holder_ = nullptr;
    charged_ = 0;
}

void TChangeCharge::GiveBackOthers(const EngineSettings& settings, const TChangeHolder& holder) {
    std::vector<TChangeHolder*> others;
    for (TChangeHolder* other : settings.HeldChanges.Holders)
        if (other->HolderTable() != holder.HolderTable()) others.push_back(other);
    for (TChangeHolder* other : others) other->GiveBack();
}

} // namespace vorsam
