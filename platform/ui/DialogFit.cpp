#include "platform/ui/DialogFit.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLayout>
#include <QStyle>

#include <algorithm>

int TitleBarWidth(const QDialog& dialog) {
    QFont font = dialog.font();
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(dialog.windowTitle());
    // The window's icon at the left, minimise, maximise and close at the right, and a margin.
    const int button = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &dialog);
    return text + 4 * button + 16;
}

void FitDialogToTexts(QDialog& dialog) {
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), TitleBarWidth(dialog)));
    if (QLayout* layout = dialog.layout()) layout->activate();
    // Not adjustSize(), which would hold a window to two thirds of its screen.
    dialog.resize(dialog.sizeHint().expandedTo(dialog.minimumSize()));
}
