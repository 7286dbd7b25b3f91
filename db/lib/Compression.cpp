#include "db/lib/Compression.h"

#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace vorsam {

namespace {

// zlib counts in 32-bit units: buffers are handed over in slices of at most this.
constexpr size_t MaxSlice = std::numeric_limits<uInt>::max();

[[noreturn]] void RaiseUncompress(const char* what) {
    RaiseEngineError(VORSAM_UNCOMPRESS, what);
}

// Frees the stream however the routine leaves.
struct TDeflateStream {
    z_stream Stream{};
    ~TDeflateStream() { deflateEnd(&Stream); }
};

struct TInflateStream {
    z_stream Stream{};
    ~TInflateStream() { inflateEnd(&Stream); }
};

void FeedInput(z_stream& stream, const uint8_t*& next, size_t& left) {
    if (stream.avail_in != 0 || left == 0) return;
    auto slice = std::min(left, MaxSlice);
    stream.next_in = const_cast<Bytef*>(next);
    stream.avail_in = uInt(slice);
    next += slice;
    left -= slice;
}

} // namespace

std::vector<uint8_t> CompressBuffer(std::span<const uint8_t> input) {
    TDeflateStream z;
    if (deflateInit(&z.Stream, CompressionLevel) != Z_OK) RaiseEngineError(VORSAM_UNCOMPRESS, "deflate init");
    std::vector<uint8_t> output(
        deflateBound(&z.Stream, uLong(std::min<size_t>(input.size(), std::numeric_limits<uLong>::max()))));
    const uint8_t* next = input.data();
    size_t left = input.size();
    size_t produced = 0;
    for (int result = Z_OK; result != Z_STREAM_END;) {
        FeedInput(z.Stream, next, left);
        if (produced == output.size()) output.resize(output.size() * 2 + 64);
        size_t room = std::min(output.size() - produced, MaxSlice);
        z.Stream.next_out = output.data() + produced;
        z.Stream.avail_out = uInt(room);
        result = deflate(&z.Stream, left == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) RaiseUncompress("deflate");
        produced += room - z.Stream.avail_out;
    }
    output.resize(produced);
    return output;
}

std::vector<uint8_t> DecompressBuffer(std::span<const uint8_t> input, size_t maxOutput) {
    TInflateStream z;
    if (inflateInit(&z.Stream) != Z_OK) RaiseUncompress("inflate init");
    std::vector<uint8_t> output(
        std::min(std::max<size_t>(input.size() * 2, 64), std::max<size_t>(maxOutput, 1)));
    const uint8_t* next = input.data();
    size_t left = input.size();
    size_t produced = 0;
    for (int result = Z_OK; result != Z_STREAM_END;) {
        FeedInput(z.Stream, next, left);
        if (produced == output.size()) {
            if (output.size() >= maxOutput) RaiseUncompress("data inflates beyond its limit");
            output.resize(std::min(output.size() * 2, maxOutput));
        }
        size_t room = std::min(output.size() - produced, MaxSlice);
        z.Stream.next_out = output.data() + produced;
        z.Stream.avail_out = uInt(room);
        uInt inBefore = z.Stream.avail_in;
        result = inflate(&z.Stream, Z_NO_FLUSH);
        size_t gained = room - z.Stream.avail_out;
        produced += gained;
        if (result == Z_NEED_DICT || result == Z_DATA_ERROR || result == Z_MEM_ERROR ||
            result == Z_STREAM_ERROR)
            RaiseUncompress("corrupt compressed data");
        bool stalled = gained == 0 && z.Stream.avail_in == inBefore;
        if (result == Z_BUF_ERROR || (stalled && result != Z_STREAM_END)) {
            if (z.Stream.avail_in == 0 && left == 0) RaiseUncompress("compressed data cut short");
        }
    }
    if (z.Stream.avail_in != 0 || left != 0) RaiseUncompress("bytes after the compressed data");
    output.resize(produced);
    return output;
}

} // namespace vorsam
