// The libFuzzer target of one kind of grid input (GridFuzzInput.h), named by GRID_FUZZ_KIND ("fuzz"
// preset only). It writes its seeds into the corpus folders it is given; a failed check aborts.
#include "GridFuzzInput.h"

#include <QApplication>
#include <QDir>
#include <cstdlib>

const TGridFuzzKind kind = GridFuzzKindNamed(GRID_FUZZ_KIND);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    for (int i = 1; i < *argc; ++i)
        for (const TGridFuzzSeed& seed :
             (*argv)[i][0] != '-' ? MakeGridFuzzSeeds(kind) : std::vector<TGridFuzzSeed>{}) {
            QFile file(QDir((*argv)[i]).filePath(QString::fromStdString("seed-" + seed.Name)));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(seed.Input);
        }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (!RunGridInput(kind, {data, size})) std::abort(); // the grid failed its check
    return 0;
}
