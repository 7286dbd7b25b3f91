#pragma once
// Shell commands for tests that read what the tool wrote with outside programs (the poppler tools
// for the PDF reports).

#include <array>
#include <cstdio>
#include <string>

// The standard output of a shell command; empty when it cannot run.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe))
            output.append(buffer.data(), read);
        ::pclose(pipe);
    }
    return output;
}

// pdfinfo and pdftotext (poppler-utils) are installed.
inline bool HavePoppler() {
    return !CommandOutput("command -v pdfinfo pdftotext").empty();
}
