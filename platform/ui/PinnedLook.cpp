#include "platform/ui/PinnedLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>
#include <QStyleFactory>

namespace {
const char* const kFontFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                  "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
const char* const kFamily = "DejaVu Sans";
} // namespace

void PreparePinnedLook() {
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

bool ApplyPinnedLook(QApplication& app) {
    app.setStyle(QStyleFactory::create("Fusion"));
    app.setPalette(app.style()->standardPalette());
    if (!QFontDatabase::hasFamily(kFamily))
        for (const char* file : kFontFiles) QFontDatabase::addApplicationFont(file);
    if (!QFontDatabase::hasFamily(kFamily)) return false;
    QFont font(kFamily);
    font.setPointSize(8);
    app.setFont(font);
    return true;
}
