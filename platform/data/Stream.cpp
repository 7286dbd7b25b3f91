#include "platform/data/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform::data {

std::int64_t CheckedSeekPosition(std::int64_t base, std::int64_t offset) {
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) || base + offset < 0)
        throw EStreamError("Invalid stream position");
    return base + offset;
}

std::int64_t TStream::Size() {
    const std::int64_t position = Seek(0, soCurrent);
    const std::int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) {
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 65536)));
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t chunk = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), chunk);
        WriteBuffer(buffer.data(), chunk);
        left -= chunk;
    }
    return count;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t available = std::max<std::int64_t>(0, Size() - fPosition);
    const std::int64_t n = std::clamp<std::int64_t>(count, 0, available);
    if (n > 0) std::memcpy(buffer, fData.data() + fPosition, static_cast<std::size_t>(n));
    fPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const std::int64_t end = CheckedSeekPosition(fPosition, count);
    if (end > Size()) fData.resize(static_cast<std::size_t>(end));
    std::memcpy(fData.data() + fPosition, buffer, static_cast<std::size_t>(count));
    fPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? fPosition : Size();
    fPosition = CheckedSeekPosition(base, offset);
    return fPosition;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size");
    fData.resize(static_cast<std::size_t>(newSize));
    fPosition = std::min(fPosition, newSize);
}

void TMemoryStream::Clear() {
    fData.clear();
    fPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    const std::int64_t size = stream.Size();
    SetSize(size);
    if (size != 0) stream.ReadBuffer(fData.data(), size);
    fPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
    stream.WriteBuffer(fData.data(), Size());
}

} // namespace platform::data
