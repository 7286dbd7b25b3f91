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

TMountedFolder::TMountedFolder(const std::string& kind) {
    const std::string folder = File(""), image = base_.File("image");
    std::filesystem::create_directory(folder);
    mounted_ = kind == "tmpfs"
                   ? ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=32m") == 0
                   : ::geteuid() == 0 &&
                         std::system(("truncate -s 32m " + image + " && mke2fs -q -F -t ext4 -I 128 " +
                                      image + " >/dev/null 2>&1 && mount -o loop " + image + " " + folder)
                                         .c_str()) == 0;
}

TMountedFolder::~TMountedFolder() {
    if (mounted_ && ::umount2(File("").c_str(), 0) != 0) ::umount2(File("").c_str(), MNT_DETACH);
}

size_t TTempDir::EntryCount() const {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(path_)) ++n;
    return n;
}

} // namespace vorsam::test
