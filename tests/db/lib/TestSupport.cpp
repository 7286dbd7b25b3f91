#include "TestSupport.h"

#include "db/lib/LibraryGlobals.h"

#include <cstdlib>
#include <sys/mount.h>
#include <unistd.h>

namespace vorsam::test {

namespace {

class TLibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override { InitializeLibraryGlobals(); }
    void TearDown() override { FinalizeLibraryGlobals(); }
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

} // namespace

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dblib-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TMountedFolder::TMountedFolder(const std::string& kind, uint32_t megabytes) : path_(base_.File("mounted")) {
    std::filesystem::create_directory(path_);
    const std::string size = std::to_string(megabytes) + "m";
    if (kind == "tmpfs") {
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        return;
    }
    const std::string image = base_.File("image");
    mounted_ = kind == "ext4" && ::geteuid() == 0 &&
               std::system(("truncate -s " + size + " " + image + " && mke2fs -q -F -t ext4 -I 128 " + image +
                            " >/dev/null 2>&1 && mount -o loop " + image + " " + path_ + " >/dev/null 2>&1")
                               .c_str()) == 0;
}

TMountedFolder::~TMountedFolder() {
    if (mounted_ && ::umount2(path_.c_str(), 0) != 0) ::umount2(path_.c_str(), MNT_DETACH);
}

size_t TTempDir::EntryCount() const {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(path_)) ++n;
    return n;
}

} // namespace vorsam::test
