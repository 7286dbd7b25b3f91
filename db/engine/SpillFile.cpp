#include "db/engine/SpillFile.h"

#include "db/lib/FileList.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>
#include <numeric>

namespace vorsam {

namespace {
// New items gather in memory up to this many bytes and go to the file in one write, in number order, so
// that items that came in any order lie in sorted runs of that length.
constexpr size_t TailBytes = 262144;
// ForEachRun takes the items in number order this many bytes at a time; places at most GapBytes apart
// are read in one read (with the bytes between them), up to ReadBytes.
constexpr size_t WindowBytes = size_t(1) << 20;
constexpr uint64_t GapBytes = 65536;
constexpr uint64_t ReadBytes = uint64_t(1) << 20;
} // namespace

TSpillFile::TSpillFile(const EngineSettings& settings, size_t itemSize)
    : settings_(settings), itemSize_(std::max<size_t>(itemSize, 1)) {}

TSpillFile::~TSpillFile() {
    Uncount(HeldBytes());
}

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

uint32_t& TSpillFile::Entry(uint32_t number) {
    size_t page = number >> MapPageBits;
    if (page >= map_.size()) map_.resize(page + 1);
    if (!map_[page]) map_[page] = std::make_unique<uint32_t[]>(MapPageEntries); // zeroed
    return map_[page][number & (MapPageEntries - 1)];
}

void TSpillFile::ReadAt(uint64_t place, uint8_t* bytes, size_t count) {
    TFileAccess access(*file_);
    file_->Seek(int64_t(place * itemSize_));
    file_->ReadBuffer(bytes, count);
}

void TSpillFile::WriteAt(uint64_t place, const uint8_t* bytes, size_t count) {
    TFileAccess access(*file_);
    file_->Seek(int64_t(place * itemSize_));
    file_->WriteBuffer(bytes, count);
}

void TSpillFile::WriteTail() {
    const size_t count = tailNumbers_.size();
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    auto byNumber = [&](uint32_t a, uint32_t b) { return tailNumbers_[a] < tailNumbers_[b]; };
    if (!std::is_sorted(order.begin(), order.end(), byNumber)) {
        std::sort(order.begin(), order.end(), byNumber);
        std::vector<uint8_t> sorted(tail_.size());
        for (uint32_t k = 0; k < count; ++k) {
            std::memcpy(&sorted[size_t(k) * itemSize_], &tail_[size_t(order[k]) * itemSize_], itemSize_);
            // An item forgotten since keeps no place.
            uint32_t& entry = Entry(tailNumbers_[order[k]]);
            if (entry == tailStart_ + order[k] + 1) entry = tailStart_ + k + 1;
        }
        tail_.swap(sorted);
    }
    if (!tail_.empty()) WriteAt(tailStart_, tail_.data(), tail_.size());
    tail_.clear();
    tailNumbers_.clear();
    tailStart_ = places_;
}

void TSpillFile::Put(uint32_t first, uint32_t count, const uint8_t* bytes) {
    if (count == 0) return;
    assert(first > 0);
    Open();
    // Items held before whose places lie one after another in the file go back in one write.
    uint32_t runPlace = 0, runCount = 0;
    const uint8_t* runBytes = nullptr;
    auto writeRun = [&] {
        if (runCount > 0) WriteAt(runPlace, runBytes, size_t(runCount) * itemSize_);
        runCount = 0;
    };
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* item = bytes + size_t(i) * itemSize_;
        uint32_t& entry = Entry(first + i);
        if (entry == 0) {
            if (tail_.size() + itemSize_ > std::max(TailBytes, itemSize_)) WriteTail();
            tail_.insert(tail_.end(), item, item + itemSize_);
            tailNumbers_.push_back(first + i);
            entry = ++places_;
            ++held_;
            settings_.HeldChanges.Spilled += itemSize_;
            continue;
        }
        uint32_t place = entry - 1;
        if (place >= tailStart_) {
            std::memcpy(&tail_[size_t(place - tailStart_) * itemSize_], item, itemSize_);
        } else if (runCount > 0 && place == runPlace + runCount && item == runBytes + runCount * itemSize_) {
            ++runCount;
        } else {
            writeRun();
            runPlace = place;
            runBytes = item;
            runCount = 1;
        }
    }
    writeRun();
}

void TSpillFile::Get(uint32_t number, uint8_t* bytes) {
    uint32_t entry = PlaceOf(number);
    assert(entry != 0 && file_);
    uint32_t place = entry - 1;
    if (place >= tailStart_)
        std::memcpy(bytes, &tail_[size_t(place - tailStart_) * itemSize_], itemSize_);
    else
        ReadAt(place, bytes, itemSize_);
}

void TSpillFile::Forget(uint32_t number) {
    if (!Holds(number)) return;
    Entry(number) = 0;
    --held_;
    Uncount(itemSize_);
}

void TSpillFile::ForEachRun(const std::function<void(uint32_t, uint32_t, const uint8_t*)>& write) {
    if (held_ == 0) return;
    const size_t perWindow = std::max<size_t>(1, WindowBytes / itemSize_);
    std::vector<uint32_t> numbers, places, byPlace;
    std::vector<uint8_t> window, read;
    numbers.reserve(perWindow);
    places.reserve(perWindow);
    // The window's items (numbers ascending) into `window` in number order, read from their places in
    // place order; then handed on in runs of consecutive numbers.
    auto take = [&] {
        const size_t count = numbers.size();
        window.resize(count * itemSize_);
        byPlace.resize(count);
        std::iota(byPlace.begin(), byPlace.end(), 0u);
        auto placeOrder = [&](uint32_t a, uint32_t b) { return places[a] < places[b]; };
        if (!std::is_sorted(byPlace.begin(), byPlace.end(), placeOrder))
            std::sort(byPlace.begin(), byPlace.end(), placeOrder);
        for (size_t i = 0; i < count;) {
            const uint64_t start = places[byPlace[i]];
            if (start >= tailStart_) {
                std::memcpy(&window[size_t(byPlace[i]) * itemSize_],
                            &tail_[size_t(start - tailStart_) * itemSize_], itemSize_);
                ++i;
                continue;
            }
            size_t j = i + 1;
            while (j < count) {
                const uint64_t place = places[byPlace[j]], last = places[byPlace[j - 1]];
                if (place >= tailStart_ || (place - last - 1) * itemSize_ > GapBytes ||
                    (place - start + 1) * itemSize_ > ReadBytes)
                    break;
                ++j;
            }
            const uint64_t end = places[byPlace[j - 1]] + 1;
            read.resize(size_t(end - start) * itemSize_);
            ReadAt(start, read.data(), read.size());
            for (size_t k = i; k < j; ++k)
                std::memcpy(&window[size_t(byPlace[k]) * itemSize_],
                            &read[size_t(places[byPlace[k]] - start) * itemSize_], itemSize_);
            i = j;
        }
        for (size_t i = 0; i < count;) {
            size_t j = i + 1;
            while (j < count && numbers[j] == numbers[j - 1] + 1) ++j;
            write(numbers[i], uint32_t(j - i), &window[i * itemSize_]);
            i = j;
        }
        numbers.clear();
        places.clear();
    };
    for (size_t page = 0; page < map_.size(); ++page) {
        if (!map_[page]) continue;
        for (uint32_t i = 0; i < MapPageEntries; ++i) {
            uint32_t entry = map_[page][i];
            if (entry == 0) continue;
            numbers.push_back(uint32_t(page << MapPageBits) + i);
            places.push_back(entry - 1);
            if (numbers.size() == perWindow) take();
        }
    }
    if (!numbers.empty()) take();
}

void TSpillFile::Uncount(uint64_t bytes) {
    uint64_t& spilled = settings_.HeldChanges.Spilled;
    spilled -= std::min(spilled, bytes);
}

void TSpillFile::Clear() {
    Uncount(HeldBytes());
    map_.clear();
    held_ = 0;
    places_ = 0;
    tail_.clear();
    tailNumbers_.clear();
    tailStart_ = 0;
}

void TSpillFile::Close() {
    Clear();
    std::vector<uint8_t>().swap(tail_);
    std::vector<uint32_t>().swap(tailNumbers_);
    map_.shrink_to_fit();
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
