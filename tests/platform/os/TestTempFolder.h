#pragma once
// A fresh folder under the temporary folder for one test, removed with its contents afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

class TTestTempFolder {
public:
    TTestTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "centrprg-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    TTestTempFolder(const TTestTempFolder&) = delete;
    TTestTempFolder& operator=(const TTestTempFolder&) = delete;
    ~TTestTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::string Path(const std::string& name = "") const { return name.empty() ? path_ : path_ + "/" + name; }

    void Write(const std::string& name, const std::string& contents) const {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << contents;
    }

    std::string Read(const std::string& name) const {
        std::ifstream file(Path(name), std::ios::binary);
        std::stringstream contents;
        contents << file.rdbuf();
        return contents.str();
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

    // Names of the entries of the folder (not recursive).
    int EntryCount() const {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path_)) ++count;
        return count;
    }

private:
    std::string path_;
};
