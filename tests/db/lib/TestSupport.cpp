#include "TestSupport.h"

#include "db/lib/LibraryGlobals.h"

#include <cstdlib>

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

size_t TTempDir::EntryCount() const {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(path_)) ++n;
    return n;
}

} // namespace vorsam::test
