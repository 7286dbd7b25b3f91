// Runs the tests inside one QApplication with the pinned look (offscreen platform, fixed fonts).
#include "platform/ui/PinnedLook.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    PreparePinnedLook();
    QApplication app(argc, argv);
    if (!ApplyPinnedLook(app)) {
        fprintf(stderr, "The DejaVu Sans font is missing (package fonts-dejavu-core).\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
