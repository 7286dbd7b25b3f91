#include "db/sql/RowSpool.h"

#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"

#include <algorithm>
#include <cassert>
#include <filesystem>

namespace vorsam {

TRowSpool::TRowSpool(const EngineSettings& settings, size_t recordSize)
    : settings_(settings), size_(std::max<size_t>(recordSize, 1)) {}

TRowSpool::~TRowSpool() = default;

void TRowSpool::Add(std::span<const uint8_t> record) {
    assert(!reading_ && record.size() >= size_);
    const size_t pieceBytes = std::max(PieceBytes, size_) / size_ * size_;
    if (piece_.capacity() < pieceBytes) piece_.reserve(pieceBytes);
    if (piece_.size() + size_ > pieceBytes) WritePiece();
    piece_.insert(piece_.end(), record.begin(), record.begin() + std::ptrdiff_t(size_));
    ++count_;
}

void TRowSpool::WritePiece() {
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
    TFileAccess access(*file_);
    file_->Seek(int64_t(written_));
    file_->WriteBuffer(piece_.data(), piece_.size());
    written_ += piece_.size();
    piece_.clear();
}

bool TRowSpool::Next(std::span<uint8_t> record) {
    if (!reading_) {
        reading_ = true;
        // Once pieces went to the file, the last follows them: all are read back from it in turn.
        if (file_ && !piece_.empty()) WritePiece();
    }
    if (next_ == piece_.size()) {
        if (!file_ || read_ == written_) return false;
        const size_t bytes =
            size_t(std::min<uint64_t>(written_ - read_, std::max(PieceBytes, size_) / size_ * size_));
        piece_.resize(bytes);
        TFileAccess access(*file_);
        file_->Seek(int64_t(read_));
        file_->ReadBuffer(piece_.data(), bytes);
        read_ += bytes;
        next_ = 0;
    }
    std::copy_n(piece_.begin() + std::ptrdiff_t(next_), size_, record.begin());
    next_ += size_;
    return true;
}

} // namespace vorsam
