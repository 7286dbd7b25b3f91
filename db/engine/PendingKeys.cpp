#include "db/engine/PendingKeys.h"

#include "db/engine/IndexKeys.h"
#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"

#include <algorithm>
#include <cassert>
#include <filesystem>
#include <queue>

namespace vorsam {

namespace {
// The spill file is written this many bytes at a time.
constexpr size_t WriteBytes = size_t(256) << 10;
} // namespace

TPendingKeys::TPendingKeys() = default;
TPendingKeys::~TPendingKeys() = default;
TPendingKeys::TPendingKeys(TPendingKeys&&) noexcept = default;
TPendingKeys& TPendingKeys::operator=(TPendingKeys&&) noexcept = default;

void TPendingKeys::Add(size_t i, std::span<const uint8_t> keys, std::span<const uint32_t> numbers) {
    TSlot& held = slots_[i];
    assert(keys.size() == numbers.size() * held.Length);
    held.Runs.push_back(held.Numbers.size());
    held.Keys.insert(held.Keys.end(), keys.begin(), keys.end());
    held.Numbers.insert(held.Numbers.end(), numbers.begin(), numbers.end());
    memoryBytes_ += keys.size() + numbers.size() * sizeof(uint32_t);
}

void TPendingKeys::SpillSlot(const EngineSettings& settings, size_t i, const TKeyComparator& order) {
    TSlot& held = slots_[i];
    const size_t length = held.Length, count = held.Numbers.size();
    if (count == 0) return;
    if (!file_) {
        std::string folder = settings.PrivateDirectory.empty()
                                 ? std::filesystem::temp_directory_path().string()
                                 : settings.PrivateDirectory;
        auto file = std::make_unique<TFileHandler>();
        file->SetFileName(TempFileName(folder, ".TMP"));
        file->SetTemporary(true);
        file->CreateFile();
        file_ = std::move(file);
    }
    std::vector<TPendingRun> runs;
    runs.reserve(held.Runs.size());
    for (size_t run = 0; run < held.Runs.size(); ++run)
        runs.emplace_back(*this, i, held.Runs[run], run + 1 < held.Runs.size() ? held.Runs[run + 1] : count);
    TSpilledRun spilled;
    spilled.Offset = fileEnd_;
    spilled.Count = count;
    std::vector<uint8_t> piece;
    auto write = [&] {
        TFileAccess access(*file_);
        file_->Seek(int64_t(fileEnd_));
        file_->WriteBuffer(piece.data(), piece.size());
        fileEnd_ += piece.size();
        piece.clear();
    };
    MergePendingRuns(runs, order, held.Length, WriteBytes / (length + sizeof(uint32_t)),
                     [&](const uint8_t* keys, const uint32_t* numbers, size_t merged) {
                         if (spilled.First.empty()) spilled.First.assign(keys, keys + length);
                         for (size_t k = 0; k < merged; ++k) {
                             piece.insert(piece.end(), keys + k * length, keys + (k + 1) * length);
                             const auto* number = reinterpret_cast<const uint8_t*>(&numbers[k]);
                             piece.insert(piece.end(), number, number + sizeof(uint32_t));
                         }
                         spilled.Last.assign(keys + (merged - 1) * length, keys + merged * length);
                         write();
                     });
    spilledBytes_ += count * (length + sizeof(uint32_t));
    held.Spilled.push_back(std::move(spilled));
}

void TPendingKeys::ForgetMemory() {
    for (TSlot& held : slots_) {
        held.Keys = {};
        held.Numbers = {};
        held.Runs.clear();
    }
    memoryBytes_ = 0;
}

void TPendingKeys::ReadAt(uint64_t offset, void* bytes, size_t count) const {
    TFileAccess access(*file_);
    file_->Seek(int64_t(offset));
    file_->ReadBuffer(bytes, count);
}

TPendingRun::TPendingRun(const TPendingKeys& held, size_t slot, size_t begin, size_t end)
    : held_(held), length_(held.slots_[slot].Length), count_(end - begin) {
    const TPendingKeys::TSlot& keys = held.slots_[slot];
    keys_ = keys.Keys.data() + begin * length_;
    numbers_ = reinterpret_cast<const uint8_t*>(keys.Numbers.data() + begin);
    stride_ = length_;
    numberStride_ = sizeof(uint32_t);
    loaded_ = count_;
}

TPendingRun::TPendingRun(const TPendingKeys& held, size_t slot, const TPendingKeys::TSpilledRun& run,
                         size_t pieceBytes)
    : held_(held), length_(held.slots_[slot].Length), count_(run.Count), spilled_(&run),
      pieceEntries_(std::max<size_t>(pieceBytes / (length_ + sizeof(uint32_t)), 1)) {
    stride_ = numberStride_ = length_ + sizeof(uint32_t);
}

void TPendingRun::Start() {
    at_ = 0;
    if (spilled_ && count_ > 0 && (loaded_ == 0 || first_ != 0)) Load();
}

void TPendingRun::Load() {
    first_ = at_;
    loaded_ = std::min(pieceEntries_, count_ - at_);
    piece_.resize(loaded_ * stride_);
    held_.ReadAt(spilled_->Offset + first_ * stride_, piece_.data(), piece_.size());
    keys_ = piece_.data();
    numbers_ = piece_.data() + length_;
}

void TPendingRun::SeekNotBefore(const TKeyComparator& order, const uint8_t* key) {
    std::vector<uint8_t> probe(spilled_ ? length_ : 0);
    auto keyAt = [&](size_t index) -> const uint8_t* {
        if (index >= first_ && index < first_ + loaded_) return keys_ + (index - first_) * stride_;
        held_.ReadAt(spilled_->Offset + index * stride_, probe.data(), length_);
        return probe.data();
    };
    size_t at = at_;
    for (size_t span = count_ - at; span > 0;) {
        const size_t half = span / 2;
        if (order.Compare(keyAt(at + half), key, length_) < 0) {
            at += half + 1;
            span -= half + 1;
        } else {
            span = half;
        }
    }
    at_ = at;
    if (spilled_ && at_ < count_ && (at_ < first_ || at_ >= first_ + loaded_)) Load();
}

void MergePendingRuns(
    std::span<TPendingRun> runs, const TKeyComparator& order, uint16_t length, size_t pieceEntries,
    const std::function<void(const uint8_t* keys, const uint32_t* numbers, size_t count)>& put) {
    std::vector<uint8_t> keys;
    std::vector<uint32_t> numbers;
    pieceEntries = std::max<size_t>(pieceEntries, 1);
    keys.reserve(pieceEntries * length);
    numbers.reserve(pieceEntries);
    auto flush = [&] {
        if (numbers.empty()) return;
        put(keys.data(), numbers.data(), numbers.size());
        keys.clear();
        numbers.clear();
    };
    // The run whose key comes first on top; among equal keys the earlier run.
    auto after = [&](size_t a, size_t b) {
        int c = order.Compare(runs[a].Key(), runs[b].Key(), length);
        return c != 0 ? c > 0 : a > b;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(after)> next(after);
    for (size_t run = 0; run < runs.size(); ++run)
        if (!runs[run].AtEnd()) next.push(run);
    while (!next.empty()) {
        size_t run = next.top();
        next.pop();
        keys.insert(keys.end(), runs[run].Key(), runs[run].Key() + length);
        numbers.push_back(runs[run].Number());
        if (numbers.size() == pieceEntries) flush();
        runs[run].Next();
        if (!runs[run].AtEnd()) next.push(run);
    }
    flush();
}

} // namespace vorsam
