// A plain string grid with headings, laid out as the key list of the programming screens shows
// it. With CENTRPRG_SCREENSHOT set to a file name the window is saved there (run it under Xvfb to
// look at it as users will).
#include "GridFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace {

TEST(Screenshot, PlainStringGridWithHeadings) {
    QWidget window;
    window.setWindowTitle("Teclas");
    window.resize(290, 330);
    TStringGrid grid(&window);
    grid.setGeometry(10, 10, 270, 310);
    grid.SetColCount(2);
    grid.SetRowCount(26);
    grid.SetColWidths(0, 48);
    grid.SetColWidths(1, 200);
    grid.SetDefaultRowHeight(21);
    grid.SetCells(0, 0, "TECLA ");
    grid.SetCells(1, 0, "FUNÇÃO PROGRAMADA     ");
    const QStringList keys = {"A", "B", "C", "D", "E", "F", "G", "H", "I",   "J", "K", "L", "M",
                              "N", "O", "P", "Q", "R", "S", "T", "U", "V/W", "X", "Y", "Z"};
    for (int r = 1; r < 26; ++r) grid.SetCells(0, r, QString(7 - keys[r - 1].size(), ' ') + keys[r - 1]);
    grid.SetCells(1, 1, "Rediscagem");
    grid.SetCells(1, 2, "Captura de chamadas");
    grid.SetCells(1, 3, "Não perturbe");
    grid.SetRow(2);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    grid.setFocus();
    QApplication::processEvents();

    const QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(grid.VisibleRowCount(), 13);
    const QString file = qEnvironmentVariable("CENTRPRG_SCREENSHOT");
    if (!file.isEmpty()) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        EXPECT_TRUE(shot.save(file));
    }
}

} // namespace
