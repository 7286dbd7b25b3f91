// Memory and file streams: positions, growth, short reads, copies and file errors.

#include "platform/data/Stream.h"
#include "platform/data/FileStream.h"
#include "platform/os/TestTempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::data {
namespace {

std::string Contents(TMemoryStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

TEST(MemoryStream, WritingBeyondTheEndFillsTheGapWithZeros) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    EXPECT_EQ(stream.Seek(3, soCurrent), 5);
    stream.WriteBuffer("c", 1);
    EXPECT_EQ(Contents(stream), std::string("ab\0\0\0c", 6));
    EXPECT_EQ(stream.Seek(-1, soEnd), 5);
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 1) << "reading past the end gives what is there";
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    stream.SetPosition(100);
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Size(), 6);
}

TEST(MemoryStream, RefusesNegativePositionsAndShortBufferReads) {
    TMemoryStream stream;
    stream.WriteBuffer("xyz", 3);
    EXPECT_THROW(stream.Seek(-4, soEnd), EStreamError);
    EXPECT_EQ(stream.Position(), 3) << "a refused seek leaves the position";
    stream.SetPosition(1);
    char buffer[3];
    try {
        stream.ReadBuffer(buffer, 3);
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    stream.SetSize(1);
    EXPECT_EQ(stream.Position(), 1);
    EXPECT_EQ(Contents(stream), "x");
}

TEST(MemoryStream, CopyFromWithoutCountTakesTheWholeSource) {
    TMemoryStream source;
    std::string big(200000, 'q');
    big[150000] = 'Z';
    source.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
    TMemoryStream target;
    target.WriteBuffer(">", 1);
    EXPECT_EQ(target.CopyFrom(source, 0), 200000);
    EXPECT_EQ(Contents(target), ">" + big);
    source.SetPosition(150000);
    TMemoryStream part;
    part.CopyFrom(source, 2);
    EXPECT_EQ(Contents(part), "Zq");
    TMemoryStream loaded;
    loaded.LoadFromStream(source);
    EXPECT_EQ(loaded.Position(), 0);
    EXPECT_EQ(loaded.Size(), 200000);
}

class FileStreams : public ::testing::Test {
protected:
    TTestTempFolder folder;
};

TEST_F(FileStreams, WriteThenReadBackWithSizeAndTruncation) {
    const std::string path = folder.Path("data.bin");
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("hello, file", 11);
        EXPECT_EQ(out.Size(), 11);
        out.SetSize(5);
        EXPECT_EQ(out.Position(), 5);
    }
    TFileStream in(path, fmOpenRead);
    EXPECT_EQ(in.Size(), 5);
    char buffer[16] = {};
    EXPECT_EQ(in.Read(buffer, 16), 5);
    EXPECT_EQ(std::string(buffer), "hello");
    EXPECT_THROW(in.WriteBuffer("x", 1), EStreamError) << "a file opened for reading refuses writes";
    TFileStream again(path, fmCreate);
    EXPECT_EQ(again.Size(), 0) << "creating empties an existing file";
}

TEST_F(FileStreams, OpeningAMissingFileNamesIt) {
    const std::string path = folder.Path("missing.bin");
    try {
        TFileStream in(path, fmOpenRead);
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + path + "\""), std::string::npos)
            << e.what();
    }
    EXPECT_THROW(TFileStream(folder.Path("no/dir.bin"), fmCreate), EStreamError);
}

} // namespace
} // namespace platform::data
