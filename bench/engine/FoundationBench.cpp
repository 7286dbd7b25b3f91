// The engine's base layers against the bare calls under them: positioned file transfers and byte-range
// locks of the file layer against pread/pwrite/fcntl, locale comparison against ICU on UTF-16, and field
// key encoding.
#include "db/lib/Bcd.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FieldDescriptor.h"
#include "db/lib/FieldKeys.h"
#include "db/lib/FileHandler.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/SharedFile.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unicode/ucol.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace vorsam;

constexpr size_t PageSize = 4096;
constexpr int64_t FilePages = 256;

struct TGlobals {
    TGlobals() { InitializeLibraryGlobals(); }
} Globals;

std::string ScratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("dbengine-bench-") + name)).string();
}

// 4 KiB pages written then read at random page numbers of a 1 MiB file.
void FileLayerPages(benchmark::State& state, bool inMemory) {
    TFileHandler file;
    file.SetFileName(ScratchFile("pages.dat"));
    file.SetInMemory(inMemory);
    file.CreateFile();
    std::vector<uint8_t> page(PageSize, 0x5A);
    std::mt19937 random(1);
    for (auto _ : state) {
        file.Seek(int64_t(random() % FilePages * PageSize));
        file.WriteBuffer(page.data(), page.size());
        file.Seek(int64_t(random() % FilePages * PageSize));
        file.ReadBuffer(page.data(), page.size(), true);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2 * PageSize);
    file.DeleteFile();
}
BENCHMARK_CAPTURE(FileLayerPages, Disk, false);
BENCHMARK_CAPTURE(FileLayerPages, Memory, true);

void PeerPreadPwritePages(benchmark::State& state) {
    std::string name = ScratchFile("peer.dat");
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    std::vector<uint8_t> page(PageSize, 0x5A);
    std::mt19937 random(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(::pwrite(fd, page.data(), PageSize, off_t(random() % FilePages * PageSize)));
        benchmark::DoNotOptimize(::pread(fd, page.data(), PageSize, off_t(random() % FilePages * PageSize)));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2 * PageSize);
    ::close(fd);
    ::unlink(name.c_str());
}
BENCHMARK(PeerPreadPwritePages);

// One read-slot lock and unlock, as every table read takes.
void FileLayerLockUnlock(benchmark::State& state, bool inMemory) {
    TFileHandler file;
    file.SetFileName(ScratchFile("locks.dat"));
    file.SetInMemory(inMemory);
    file.CreateFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.LockRegion(true, 1, 0xFFFFFFFF - 77));
        benchmark::DoNotOptimize(file.LockRegion(false, 1, 0xFFFFFFFF - 77));
    }
    file.DeleteFile();
}
BENCHMARK_CAPTURE(FileLayerLockUnlock, Disk, false);
BENCHMARK_CAPTURE(FileLayerLockUnlock, Memory, true);

void PeerOfdLockUnlock(benchmark::State& state) {
    std::string name = ScratchFile("peerlocks.dat");
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetDescriptorLock(fd, true, true, 0xFFFFFFFF - 77, 1));
        benchmark::DoNotOptimize(SetDescriptorLock(fd, false, true, 0xFFFFFFFF - 77, 1));
    }
    ::close(fd);
    ::unlink(name.c_str());
}
BENCHMARK(PeerOfdLockUnlock);

std::vector<std::string> Words() {
    std::mt19937 random(2);
    const std::string letters = "abcdefghijklmnopqrstuvwxyz\xE1\xE3\xE7\xE9\xED\xF3\xF5\xFA";
    std::vector<std::string> words(1024);
    for (auto& w : words)
        for (size_t n = 4 + random() % 20; n > 0; --n) w += letters[random() % letters.size()];
    return words;
}

void LocaleCompare(benchmark::State& state, uint16_t languageId) {
    std::vector<std::string> words = Words();
    size_t i = 0;
    for (auto _ : state) {
        const std::string &a = words[i % 1024], &b = words[(i * 7 + 3) % 1024];
        benchmark::DoNotOptimize(LocaleCompareStrings(languageId, 0, a.c_str(), b.c_str(), 31));
        ++i;
    }
}
BENCHMARK_CAPTURE(LocaleCompare, Bytewise, uint16_t(0));
BENCHMARK_CAPTURE(LocaleCompare, PortugueseBrazil, uint16_t(0x0416));

void PeerIcuCompareUtf16(benchmark::State& state) {
    std::vector<std::u16string> words;
    for (const std::string& w : Words()) {
        std::u16string u;
        for (char c : w) u += char16_t(uint8_t(c));
        words.push_back(u);
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("pt_BR", &status);
    size_t i = 0;
    for (auto _ : state) {
        const std::u16string &a = words[i % 1024], &b = words[(i * 7 + 3) % 1024];
        benchmark::DoNotOptimize(
            ucol_strcoll(collator, a.data(), int32_t(a.size()), b.data(), int32_t(b.size())));
        ++i;
    }
    ucol_close(collator);
}
BENCHMARK(PeerIcuCompareUtf16);

void EncodeKey(benchmark::State& state, uint8_t type, bool caseInsensitive) {
    TFieldDescriptor field;
    field.SetDataType(type);
    field.SetDeclaredSize(type == dtString ? 30 : 0);
    GetFieldPhysicalSize(field);
    std::vector<uint8_t> value(field.PhysicalSize(), 0), key(GetFieldKeySize(field) + 1u, 1);
    if (type == dtString) std::memcpy(value.data(), "Jo\xE3o da Silva", 13);
    if (type == dtBcd) CurrencyToBcdValue(123456789, 2, value.data());
    for (auto _ : state) {
        EncodeFieldKey(field, value.data(), key.data(), caseInsensitive, false, 0, 0);
        benchmark::DoNotOptimize(key.data());
    }
}
BENCHMARK_CAPTURE(EncodeKey, Integer, dtInteger, false);
BENCHMARK_CAPTURE(EncodeKey, Float, dtFloat, false);
BENCHMARK_CAPTURE(EncodeKey, String30, dtString, false);
BENCHMARK_CAPTURE(EncodeKey, String30NoCase, dtString, true);
BENCHMARK_CAPTURE(EncodeKey, Bcd, dtBcd, false);

} // namespace

BENCHMARK_MAIN();
