// What a statement takes beside the time it runs: the growth of this process's resident memory from just
// before it to its peak during it, and the peak of the bytes a folder holds meanwhile.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace vorsam::bench {

// The growth of resident memory from Before (the heap's free memory given back to the system, the peak
// mark set there) to its peak at After, in KiB; the largest of the runs measured.
class TStatementMemory {
public:
    void Before() {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        before_ = Status("VmRSS:");
    }
    void After() { grown_ = std::max(grown_, Status("VmHWM:") - before_); }
    double MiB() const { return double(grown_) / 1024; }

private:
    static int64_t Status(const char* field) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
        return 0;
    }
    int64_t before_ = 0, grown_ = 0;
};

// The most bytes of disk that the files this process holds open in a folder took while it lived, looked at
// every millisecond by a thread of its own: nameless working files (spill files, sort runs) count too, and
// so do those that earlier statements left open for the next ones.
class TFolderPeak {
public:
    explicit TFolderPeak(std::string folder) : folder_(std::move(folder)), thread_([this] { Watch(); }) {}
    ~TFolderPeak() {
        stop_ = true;
        thread_.join();
    }
    TFolderPeak(const TFolderPeak&) = delete;
    TFolderPeak& operator=(const TFolderPeak&) = delete;
    double MiB() const { return double(peak_.load()) / double(1 << 20); }

private:
    void Watch() {
        while (!stop_) {
            peak_ = std::max<uint64_t>(peak_, Bytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    uint64_t Bytes() const {
        uint64_t bytes = 0;
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            std::error_code linkError;
            std::string target = std::filesystem::read_symlink(it->path(), linkError).string();
            struct stat status {};
            if (linkError || target.rfind(folder_, 0) != 0 || ::stat(it->path().c_str(), &status) != 0 ||
                !S_ISREG(status.st_mode))
                continue;
            bytes += uint64_t(status.st_blocks) * 512;
        }
        return bytes;
    }
    std::string folder_;
    std::atomic<bool> stop_ = false;
    std::atomic<uint64_t> peak_ = 0;
    std::thread thread_;
};

} // namespace vorsam::bench
