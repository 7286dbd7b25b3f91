// Runs the tests in one QApplication with the pinned look, made as the tool makes it, in an English locale.
#include "platform/ui/PinnedLook.h"
#include "platform/ui/ToolLocale.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    PreparePinnedLook();
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    PinSystemLocale();
    QApplication app(argc, argv);
    if (!ApplyPinnedLook(app)) {
        fprintf(stderr, "The DejaVu Sans font is missing (package fonts-dejavu-core).\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
