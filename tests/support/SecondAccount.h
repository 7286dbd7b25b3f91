#pragma once
// A second account for tests of what one account's files do to another account's copy: commands run
// as nobody through setpriv, which only root can do. A test never adds an account to the machine.

#include "support/ShellCommand.h"

#include <string>
#include <unistd.h>

// Why nothing can run as the second account here (the test skips saying so), "" when it can.
inline std::string SecondAccountMissing() {
    if (::geteuid() != 0) return "a second account needs root, which runs a copy as nobody through setpriv";
    return CommandOutput("command -v setpriv").empty() ? "a second account needs setpriv (util-linux)" : "";
}

// The text as one word of a shell command.
inline std::string ShellWord(const std::string& text) {
    std::string word = "'";
    for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

// The shell command that runs the shell command as the second account, with the umask 022.
inline std::string AsSecondAccount(const std::string& command) {
    return "setpriv --reuid=65534 --regid=65534 --clear-groups -- sh -c " +
           ShellWord("umask 022 && " + command);
}
