#include "desktop/qvxWaveFile.h"

#include <QtEndian>

#include <string>

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatExtensible = 0xFFFE;
constexpr int MaxChannels = 8;
constexpr int MaxSampleRate = 384000;
constexpr qsizetype ChunkHeaderSize = 8;
constexpr qsizetype FmtSize = 16;
constexpr qsizetype ExtensibleSubFormatOffset = 24; // within the fmt chunk

[[noreturn]] void Refuse(const std::string& reason) {
    throw EqvxWaveFile("Not a playable wave sound: " + reason);
}

quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

TqvxWaveFormat ReadFormat(const char* fmt, qsizetype size) {
    if (size < FmtSize) Refuse("format chunk too short");
    quint16 format = U16(fmt);
    if (format == FormatExtensible) {
        if (size < ExtensibleSubFormatOffset + 2) Refuse("extensible format chunk too short");
        format = U16(fmt + ExtensibleSubFormatOffset);
    }
    if (format != FormatPcm) Refuse("compressed samples (format " + std::to_string(format) + ")");
    TqvxWaveFormat result{U16(fmt + 2), int(U32(fmt + 4)), U16(fmt + 14)};
    if (result.channels < 1 || result.channels > MaxChannels)
        Refuse(std::to_string(result.channels) + " channels");
    if (result.sampleRate < 1 || result.sampleRate > MaxSampleRate)
        Refuse("sample rate " + std::to_string(U32(fmt + 4)));
    if (result.bitsPerSample % 8 != 0 || result.bitsPerSample < 8 || result.bitsPerSample > 32)
        Refuse(std::to_string(result.bitsPerSample) + " bits per sample");
    if (U16(fmt + 12) != result.BlockAlign()) Refuse("block size does not match the format");
    return result;
}

} // namespace

TqvxWaveSound qvxReadWave(const QByteArray& bytes) {
    const char* p = bytes.constData();
    if (bytes.size() < 12 || bytes.left(4) != "RIFF" || bytes.mid(8, 4) != "WAVE")
        Refuse("no RIFF/WAVE header");
    TqvxWaveSound sound;
    bool haveFormat = false;
    for (qsizetype at = 12; at + ChunkHeaderSize <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = U32(p + at + 4);
        const qsizetype start = at + ChunkHeaderSize;
        const qsizetype present = std::min(size, bytes.size() - start);
        if (id == "fmt ") {
            if (present < size) Refuse("format chunk cut short");
            sound.format = ReadFormat(p + start, size);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) Refuse("data before the format chunk");
            sound.samples = bytes.mid(start, present - present % sound.format.BlockAlign());
            return sound;
        }
        at = start + size + (size & 1);
    }
    Refuse(haveFormat ? "no data chunk" : "no format chunk");
}
