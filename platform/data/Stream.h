#pragma once
// TStream: a sequence of bytes with a position; TMemoryStream keeps them in memory. Seeking beyond
// the end is allowed (a write there fills the gap with zeros); a negative position is refused.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace platform::data {

class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Read and Write move up to Count bytes and answer how many they moved.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Answers the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize);

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
    // Like Read and Write, but moving fewer bytes is an error ("Stream read error", "Stream write error").
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies Count bytes from the source's position, or with Count 0 the whole source from its start.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(fData.size()); }
    void SetSize(std::int64_t newSize) override;

    const std::uint8_t* Memory() const { return fData.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return fData; }
    void Clear();
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);

private:
    std::vector<std::uint8_t> fData;
    std::int64_t fPosition = 0;
};

// A position computed by Seek: negative results are refused with EStreamError.
std::int64_t CheckedSeekPosition(std::int64_t base, std::int64_t offset);

} // namespace platform::data
