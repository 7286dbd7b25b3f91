// TIndexPath: where a descent from an index's root to a leaf went. Level 1 is the root; for each level
// it keeps the page visited and the 1-based position taken in it, so the parent page of a level is the
// page of the level above (0 at the root). The tree operations walk back up through it to update
// separators and counts, and a cursor keeps one as its place in the index.
//
// A tree deeper than 64 levels is corrupt (4096-byte pages hold at least 7 entries, so 64 levels would
// hold more than 2^179 keys): descending further raises VORSAM_INDEXCORRUPT.
#pragma once

#include "db/engine/IndexErrors.h"

#include <array>
#include <cassert>
#include <cstdint>

namespace vorsam {

class TIndexPath {
public:
    static constexpr uint8_t MaxLevels = 64;

    // Forgets the descent: no level.
    void Reset() { level_ = depth_ = 0; }

    uint8_t Level() const { return level_; }
    // The deepest level the descent reached (the leaf's, once it arrived).
    uint8_t Depth() const { return depth_; }

    // Enters the page one level below the current one (the root from level 0), at position 1; what lay
    // below the current level is forgotten. `errors` names the table in the error.
    void Descend(uint32_t page, const TIndexErrorSource* errors = nullptr) {
        if (level_ >= MaxLevels) RaiseIndexError(VORSAM_INDEXCORRUPT, errors);
        ++level_;
        depth_ = level_;
        pages_[level_] = page;
        positions_[level_] = 1;
    }

    uint32_t GetPathPosition() const { return positions_[Current()]; }
    void SetPathPosition(uint32_t position) { positions_[Current()] = position; }
    uint32_t GetPathPage() const { return pages_[Current()]; }
    // The page of the level above; 0 at the root.
    uint32_t GetPathParentPage() const { return level_ > 1 ? pages_[level_ - 1] : 0; }
    void SetPathPage(uint32_t page) { pages_[Current()] = page; }

    // One level up, never above the root.
    void PathLevelUp() {
        if (level_ > 1) --level_;
    }
    // Back one level down towards the depth reached, never below it.
    void PathLevelDown() {
        if (level_ < depth_) ++level_;
    }
    void SetLevel(uint8_t level) {
        assert(level >= 1 && level <= depth_);
        level_ = level;
    }

    // The page and position at any level of the descent (1 .. Depth()).
    uint32_t PageAt(uint8_t level) const { return pages_[level]; }
    uint32_t PositionAt(uint8_t level) const { return positions_[level]; }

private:
    uint8_t Current() const {
        assert(level_ >= 1);
        return level_;
    }

    uint8_t level_ = 0;
    uint8_t depth_ = 0;
    std::array<uint32_t, MaxLevels + 1> pages_{};
    std::array<uint32_t, MaxLevels + 1> positions_{};
};

} // namespace vorsam
