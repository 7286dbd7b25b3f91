#pragma once
// Reader of RIFF/WAVE sounds holding uncompressed PCM samples.
//
// Layout (all numbers little-endian):
//   "RIFF" u32 size "WAVE", then chunks: 4-byte id, u32 size, data, one pad byte when size is odd.
//   "fmt " u16 format (1 = PCM, 0xFFFE = extensible, whose sub-format GUID must start with 1 as
//          u16), u16 channels (1-8), u32 sample rate (1-384000), u32 bytes per second,
//          u16 block align (= channels * bytes per sample), u16 bits per sample (8, 16, 24, 32)
//   "data" the interleaved samples (8 bits unsigned, others signed); a size that runs past the
//          end (as streaming writers leave it) is cut to the bytes present, then to whole frames
// Other chunks are skipped. Anything else raises EqvxWaveFile with the reason.

#include <QByteArray>

#include <stdexcept>

class EqvxWaveFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TqvxWaveFormat {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int BlockAlign() const { return channels * bitsPerSample / 8; }
};

struct TqvxWaveSound {
    TqvxWaveFormat format;
    QByteArray samples; // whole frames
};

TqvxWaveSound qvxReadWave(const QByteArray& bytes);
