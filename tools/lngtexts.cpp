// Lists the texts of the sources that the language file lacks, as lines ready for its [Labels]
// section ("text=text"); exits 1 when there is any.
//
//   lngtexts SOURCE_ROOT LANGUAGE_FILE

#include "tools/SourceTexts.h"

#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: lngtexts SOURCE_ROOT LANGUAGE_FILE\n";
        return 2;
    }
    try {
        const auto missing = MissingTexts(ExtractTextsFromTree(argv[1]), argv[2]);
        for (const TSourceText& text : missing) std::cout << text.text << "=" << text.text << "\n";
        return missing.empty() ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "lngtexts: " << error.what() << "\n";
        return 2;
    }
}
