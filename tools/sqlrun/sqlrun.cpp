// sqlrun: runs SQL text on a database folder and prints the result as canonical rows (ResultRows.h).
//
//   sqlrun FOLDER SQL          the text itself (a script of statements separated by ';' runs whole)
//   sqlrun FOLDER -f FILE      the text of a file
// A SELECT prints one line per row; other statements print "<n> rows affected". Errors go to standard
// error with exit code 1 (2 for bad arguments).
#include "db/engine/DataSession.h"
#include "db/lib/EngineErrors.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/ResultRows.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

int Usage() {
    std::cerr << "usage: sqlrun FOLDER SQL\n       sqlrun FOLDER -f FILE\n";
    return 2;
}

bool ReadText(int argc, char** argv, std::string& text) {
    if (argc == 3) {
        text = argv[2];
        return true;
    }
    if (argc != 4 || std::string(argv[2]) != "-f") return false;
    std::ifstream file(argv[3], std::ios::binary);
    if (!file) {
        std::cerr << "sqlrun: cannot read " << argv[3] << "\n";
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    text = bytes.str();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string text;
    if (argc < 3 || !ReadText(argc, argv, text)) return Usage();
    try {
        vorsam::TDataSession session;
        vorsam::TDataDirectory& database = session.OpenDataDirectory("", argv[1]);
        session.SetPrivateDirectory(database.Folder());
        vorsam::TQueryStatement statement(database);
        statement.Prepare(text);
        vorsam::TDataCursor* result = statement.Execute({}, false);
        if (result) {
            auto columns = uint16_t(statement.MasterQuery->ResultFields.size());
            for (const std::string& row : vorsam::CanonicalRows(*result, columns)) std::cout << row << "\n";
        } else {
            std::cout << statement.RowsAffected << " rows affected\n";
        }
    } catch (const vorsam::EVORSAMEngineError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
