#include "app/CommandLine.h"

#include "core/Language.h"

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    TCommandLine line;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--data-dir" && i + 1 < arguments.size())
            line.dataDir = arguments[++i];
        else if (argument.starts_with("--data-dir="))
            line.dataDir = argument.substr(11);
        else if (argument == "--help" || argument == "-h")
            line.help = true;
        else
            line.bad = true;
    }
    return line;
}

std::string UsageText() {
    return TranslateText("Uso: centrprg [--data-dir PASTA]");
}
