#include "db/engine/RecordSortRuns.h"

#include "db/lib/FileList.h"
#include "db/lib/Scramble.h"

#include <algorithm>

namespace vorsam {

struct TSortRuns::TRun {
    TFileHandler File;
    uint32_t Count = 0;  // entries in the run
    uint32_t Loaded = 0; // entries read into chunks so far
    std::vector<uint8_t> Chunk;
    uint32_t ChunkCount = 0;
    uint32_t Position = 0; // of the current entry in the chunk
    uint32_t ChunkCapacity = 1;
    const uint8_t* Current(size_t entrySize) const { return &Chunk[size_t(Position) * entrySize]; }
};

TSortRuns::TSortRuns(const TSortKeys& keys, size_t entrySize, std::string folder, bool inMemory,
                     bool encrypted)
    : keys_(keys), entrySize_(entrySize), folder_(std::move(folder)), inMemory_(inMemory),
      encrypted_(encrypted) {}

TSortRuns::~TSortRuns() = default;

void TSortRuns::AddRun(std::vector<uint8_t>& entries, uint32_t count) {
    auto run = std::make_unique<TRun>();
    run->File.SetFileName(TempFileName(folder_, ".TMP", inMemory_));
    run->File.SetInMemory(inMemory_);
    run->File.SetTemporary(true);
    run->File.CreateFile();
    run->Count = count;
    runs_.push_back(std::move(run)); // closed, and so deleted, with the runs whatever happens next
    if (encrypted_)
        for (uint32_t i = 0; i < count; ++i)
            ScrambleBuffer(&entries[i * entrySize_], entrySize_, TableDataSeed1, TableDataSeed2);
    runs_.back()->File.WriteBuffer(entries.data(), size_t(count) * entrySize_);
}

bool TSortRuns::LoadChunk(TRun& run) {
    run.ChunkCount = std::min(run.ChunkCapacity, run.Count - run.Loaded);
    run.Position = 0;
    if (run.ChunkCount == 0) return false;
    size_t bytes = size_t(run.ChunkCount) * entrySize_;
    run.File.Seek(int64_t(uint64_t(run.Loaded) * entrySize_));
    run.File.ReadBuffer(run.Chunk.data(), bytes);
    if (encrypted_)
        for (uint32_t i = 0; i < run.ChunkCount; ++i)
            UnscrambleBuffer(&run.Chunk[i * entrySize_], entrySize_, TableDataSeed1, TableDataSeed2);
    run.Loaded += run.ChunkCount;
    return true;
}

bool TSortRuns::After(size_t a, size_t b) const {
    int order = keys_.Compare(runs_[a]->Current(entrySize_), runs_[b]->Current(entrySize_), true);
    return order > 0 || (order == 0 && a > b);
}

void TSortRuns::Merge(size_t memoryBudget, const std::function<bool(const uint8_t* entry)>& take) {
    if (runs_.empty()) return;
    // A min-heap of the runs by their current entry.
    auto after = [this](size_t a, size_t b) { return After(a, b); };
    std::vector<size_t> heap;
    uint32_t chunkCapacity = uint32_t(std::max<size_t>(1, memoryBudget / runs_.size() / entrySize_));
    for (size_t i = 0; i < runs_.size(); ++i) {
        TRun& run = *runs_[i];
        run.ChunkCapacity = chunkCapacity;
        run.Chunk.resize(size_t(chunkCapacity) * entrySize_);
        if (LoadChunk(run)) heap.push_back(i);
    }
    std::make_heap(heap.begin(), heap.end(), after);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), after);
        TRun& run = *runs_[heap.back()];
        if (!take(run.Current(entrySize_))) return;
        if (++run.Position < run.ChunkCount || LoadChunk(run))
            std::push_heap(heap.begin(), heap.end(), after);
        else
            heap.pop_back();
    }
}

} // namespace vorsam
