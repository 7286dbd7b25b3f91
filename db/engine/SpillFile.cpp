#include "db/engine/SpillFile.h"

#include "db/lib/FileList.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <filesystem>

namespace vorsam {

namespace {
constexpr size_t RunBytes = size_t(1) << 20;
} // namespace

TSpillFile::TSpillFile(const EngineSettings& settings, size_t itemSize)
    : settings_(settings), itemSize_(std::max<size_t>(itemSize, 1)) {}

TSpillFile::~TSpillFile() = default;

void TSpillFile::Put(uint32_t first, uint32_t count, const uint8_t* bytes) {
    if (count == 0) return;
    if (!file_) {
        std::string folder = settings_.PrivateDirectory.empty()
                                 ? std::filesystem::temp_directory_path().string()
                                 : settings_.PrivateDirectory;
        auto file = std::make_unique<TFileHandler>();
        file->SetFileName(TempFileName(folder, ".TMP"));
        file->SetTemporary(true);
        file->CreateFile();
        file_ = std::move(file);
    }
    {
        TFileAccess access(*file_);
        file_->Seek(int64_t(uint64_t(first - 1) * itemSize_));
        file_->WriteBuffer(bytes, size_t(count) * itemSize_);
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
    TFileAccess access(*file_);
    file_->Seek(int64_t(uint64_t(number - 1) * itemSize_));
    file_->ReadBuffer(bytes, itemSize_);
}

void TSpillFile::ForEachRun(const std::function<void(uint32_t, uint32_t, const uint8_t*)>& write) {
    const uint32_t piece = uint32_t(std::max<size_t>(1, RunBytes / itemSize_));
    const uint32_t end = uint32_t(bits_.size() * 64);
    for (uint32_t n = 0; n < end;) {
        uint64_t word = bits_[n / 64] >> (n % 64);
        if (word == 0) {
            n = (n / 64 + 1) * 64;
            continue;
        }
        n += uint32_t(std::countr_zero(word));
        uint32_t first = n;
        while (n < end && Holds(n) && n - first < piece) ++n;
        uint32_t count = n - first;
        buffer_.resize(size_t(count) * itemSize_);
        {
            TFileAccess access(*file_);
            file_->Seek(int64_t(uint64_t(first - 1) * itemSize_));
            file_->ReadBuffer(buffer_.data(), buffer_.size());
        }
        write(first, count, buffer_.data());
    }
}

void TSpillFile::Clear() {
    if (held_ == 0) return;
    bits_.clear();
    bits_.shrink_to_fit();
    held_ = 0;
    std::vector<uint8_t>().swap(buffer_);
    file_.reset(); // a temporary file goes with its last handle
}

void TChangeCharge::Set(const EngineSettings& settings, uint64_t bytes, TChangeHolder& holder) {
    const TChangeBytes& held = settings.HeldChanges;
    held.Held = (held.Held >= charged_ ? held.Held - charged_ : 0) + bytes;
    if (bytes > 0 && charged_ == 0) held.Holders.push_back(&holder);
    if (bytes == 0 && charged_ > 0) std::erase(held.Holders, &holder);
    charged_ = bytes;
}

void TChangeCharge::GiveBackOthers(const EngineSettings& settings, const TChangeHolder& holder) {
    std::vector<TChangeHolder*> others;
    for (TChangeHolder* other : settings.HeldChanges.Holders)
        if (other->HolderTable() != holder.HolderTable()) others.push_back(other);
    for (TChangeHolder* other : others) other->GiveBack();
}

} // namespace vorsam
