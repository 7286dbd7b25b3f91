// The programming screens' use of the grid, reproduced through the operations they rely on only
// (cell texts, row count, current row, combo items, the alignment, edit-mask, editor-type and
// select-cell events): the numbering plan, the general speed dial, the private codes, the wake-up
// list and the night-service times. Typing goes through the keyboard; what the screens read back
// is what their OK buttons store, masked texts padded as the mask leaves them.
//
// With CENTRPRG_GRID_SCREENSHOT set to a file name, the speed-dial and wake-up grids are saved
// there as a picture (run under Xvfb to see them as users will).
#include "GridTestSupport.h"
#include "grid/ComboEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace {

QString Repeat(QChar c, int n) {
    return QString(n, c);
}

// A screen's grid in the order the screens set it up.
void SetUpGrid(TVevIvizudEvar& grid, int cols, int rows, const QStringList& headings,
               const std::vector<int>& widths) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    grid.SetOptions(grid.Options() + goEditing);
    for (size_t c = 0; c < widths.size(); ++c)
        if (widths[c] > 0) grid.SetColWidths(int(c), widths[c]);
    for (int c = 0; c < headings.size(); ++c) grid.SetGridCells(c, 0, headings[c]);
}

void Masks(TVevIvizudEvar& grid, std::map<int, QString> masks) {
    grid.OnGetEditMask = [masks](QObject*, int col, int, QString& mask) {
        auto it = masks.find(col);
        mask = it == masks.end() ? QString() : it->second;
    };
}

void CentreColumns(TVevIvizudEvar& grid, int first, int last) {
    grid.OnGetAlignment = [first, last](QObject*, int, int col, TAlignment& h, TVAlignment&) {
        h = col >= first && col <= last ? TAlignment::taCenter : TAlignment::taLeftJustify;
    };
}

// The general speed dial: entries 760 to 789, every category "Não", chosen from a list.
void SpeedDialGrid(TVevIvizudEvar& grid, const std::vector<int>& widths) {
    SetUpGrid(grid, 5, 31, {"Agenda", "Categoria", "Rota", "Número", "Nome"}, widths);
    Masks(grid, {{2, "9"}, {3, Repeat(u'9', 20)}, {4, Repeat(u'c', 20)}});
    CentreColumns(grid, 0, 2);
    grid.OnGetEditorType = [](QObject*, int col, int, TEditorType& type) {
        if (col == 1) type = TEditorType::edComboList;
    };
    grid.ClearComboItems();
    grid.AddComboItem("Sim");
    grid.AddComboItem("Não");
    for (int i = 1; i <= 30; ++i) {
        grid.SetGridCells(0, i, QString::number(759 + i));
        grid.SetGridCells(1, i, "Não");
    }
}

// The wake-up list: extension and time, the time typed through a mask.
void WakeUpGrid(TVevIvizudEvar& grid, int rows, const std::vector<int>& widths) {
    SetUpGrid(grid, 2, rows, {"Ramal", "Hora"}, widths);
    Masks(grid, {{1, "99:99"}});
    CentreColumns(grid, 0, 1);
}

// Types any text (accents included) into the widget that has the focus.
void TypeText(const QString& text) {
    for (QChar ch : text) {
        QWidget* target = QApplication::focusWidget();
        QKeyEvent press(QEvent::KeyPress, ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_unknown,
                        Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(QApplication::focusWidget(), &release);
    }
}

class ScreenUse : public testing::Test {
protected:
    void TypeAt(TAdvancedGridWindow& w, int col, int row, const QString& text) {
        w.Grid().SetCol(col);
        w.Grid().SetCurrentRow(row);
        TypeText(text);
        w.Key(Qt::Key_Return); // Enter closes the editor; the cell stays
    }
};

TEST_F(ScreenUse, NumberingPlan) {
    TAdvancedGridWindow w(1, 1, QSize(300, 360));
    TVevIvizudEvar& grid = w.Grid();
    SetUpGrid(grid, 3, 16, {"POS.", "RAMAL", "NOME"}, {0, 70, 184});
    Masks(grid, {{1, "9999"}, {2, Repeat(u'c', 25)}});
    CentreColumns(grid, 0, 1);
    for (int r = 1; r < 16; ++r) {
        grid.SetGridCells(0, r, QString("%1").arg(r - 1, 2, 10, QChar(u'0')));
        grid.SetGridCells(1, r, QString::number(19 + r));
    }
    grid.SetCol(1);
    grid.SetCurrentRow(1);
    grid.setFocus();
    EXPECT_EQ(grid.GetRowCount(), 16);

    TypeAt(w, 1, 2, "211");
    EXPECT_EQ(grid.GetGridCells(1, 2), "211 ");
    TypeAt(w, 1, 3, "3");
    EXPECT_EQ(grid.GetGridCells(1, 3), "3   ");
    TypeAt(w, 2, 2, "Recepção");
    EXPECT_EQ(grid.GetGridCells(2, 2), QStringLiteral("Recepção") + Repeat(u' ', 17));
    TypeAt(w, 1, 4, "2a5"); // letters do not go into a number
    EXPECT_EQ(grid.GetGridCells(1, 4), "25  ");
    // The alignment event reaches the painting: positions and numbers centred, names left.
    const auto ops = RenderOps(grid);
    const auto number = TextOps(ops, "211 "), position = TextOps(ops, "07"),
               name = TextOps(ops, QStringLiteral("Recepção") + Repeat(u' ', 17));
    ASSERT_EQ(number.size() + position.size() + name.size(), 3u);
    EXPECT_TRUE(number[0].Flags & DT_CENTER);
    EXPECT_TRUE(position[0].Flags & DT_CENTER);
    EXPECT_FALSE(name[0].Flags & DT_CENTER);
}

TEST_F(ScreenUse, GeneralSpeedDialWithItsCategoryList) {
    TAdvancedGridWindow w(1, 1, QSize(520, 300));
    TVevIvizudEvar& grid = w.Grid();
    SpeedDialGrid(grid, {0, 64, 48, 120, 184});
    grid.SetCol(1);
    grid.SetCurrentRow(1);

    grid.SetCurrentRow(3);
    w.Key(Qt::Key_F2);
    ASSERT_TRUE(grid.Combo()->isVisible());
    EXPECT_EQ(grid.Combo()->Text(), "Não");
    w.Key(Qt::Key_Up); // the list moves to "Sim"
    w.Key(Qt::Key_Return);
    EXPECT_EQ(grid.GetGridCells(1, 3), "Sim");
    TypeAt(w, 2, 3, "7");
    EXPECT_EQ(grid.GetGridCells(2, 3), "7");
    TypeAt(w, 3, 3, "0123");
    EXPECT_EQ(grid.GetGridCells(3, 3), "0123" + Repeat(u' ', 16));
    TypeAt(w, 3, 4, Repeat(u'9', 21)); // the 21st digit does not fit
    EXPECT_EQ(grid.GetGridCells(3, 4), Repeat(u'9', 20));
    // A number typed and cleared again is twenty blanks: not empty for the screen's check.
    TypeAt(w, 3, 5, "1");
    grid.SetCurrentRow(5);
    w.Key(Qt::Key_F2);
    w.Key(Qt::Key_Home);
    w.Key(Qt::Key_Delete);
    w.Key(Qt::Key_Return);
    EXPECT_EQ(grid.GetGridCells(3, 5), Repeat(u' ', 20));
    EXPECT_EQ(grid.GetGridCells(0, 30), "789");
}

TEST_F(ScreenUse, PrivateCodesFocusTheFailingRowThroughRowTwo) {
    TAdvancedGridWindow w(1, 1, QSize(320, 300));
    TVevIvizudEvar& grid = w.Grid();
    SetUpGrid(grid, 3, 41, {"CÓDIGO", "RAMAL", "NOME"}, {0, 0, 184});
    Masks(grid, {{0, Repeat(u'c', 20)}, {1, "99999"}, {2, Repeat(u'c', 20)}});
    CentreColumns(grid, 0, 1);
    std::vector<int> updates;
    grid.OnRowUpdate = [&](QObject*, int, int newRow) { updates.push_back(newRow); };
    for (int r = 1; r <= 40; ++r) grid.SetGridCells(0, r, QString("%1").arg(r - 1, 2, 10, QChar(u'0')));
    grid.SetCol(1);
    grid.SetCurrentRow(20);
    grid.SetCurrentRow(1);
    TypeAt(w, 1, 7, "201");
    EXPECT_EQ(grid.GetGridCells(1, 7), "201  ");
    // The OK button's error path: row 2, then the failing row, so the change is notified.
    updates.clear();
    grid.SetCurrentRow(2);
    grid.SetCurrentRow(7);
    EXPECT_EQ(updates, (std::vector<int>{2, 7}));
    EXPECT_EQ(grid.GetCurrentRow(), 7);
    EXPECT_EQ(grid.Col(), 1);
}

TEST_F(ScreenUse, WakeUpTimesAndTheRowsMode) {
    TAdvancedGridWindow w(1, 1, QSize(200, 300));
    TVevIvizudEvar& grid = w.Grid();
    WakeUpGrid(grid, 4, {});
    const std::vector<int> modeOfRow{0, 0x80, 0x10, 0xC0};
    int radio = -1;
    grid.OnSelectCell = [&](QObject*, int, int row, bool&) {
        const int mode = modeOfRow[size_t(row)];
        radio = mode == 0x80 ? 1 : mode == 0x40 ? 2 : mode == 0xC0 ? 3 : 0;
    };
    grid.SetGridCells(0, 1, "20");
    grid.SetGridCells(0, 2, "21");
    grid.SetGridCells(0, 3, "300");
    grid.SetGridCells(1, 1, "07:30");
    grid.SetGridCells(1, 2, ":");
    grid.SetGridCells(1, 3, ":");
    grid.SetCol(1);
    grid.SetCurrentRow(3);
    EXPECT_EQ(radio, 3);
    grid.SetCurrentRow(1);
    EXPECT_EQ(radio, 1);
    TypeAt(w, 1, 2, "0645");
    EXPECT_EQ(grid.GetGridCells(1, 2), "06:45");
    EXPECT_EQ(radio, 0);
    TypeAt(w, 1, 3, "07 3"); // a blank in place of a digit stays a blank
    EXPECT_EQ(grid.GetGridCells(1, 3), "07: 3");
    grid.SetCurrentRow(1);
    w.Key(Qt::Key_F2);
    EXPECT_EQ(w.Editor()->EditText(), "07:30");
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(grid.GetGridCells(1, 1), "07:30");
}

TEST_F(ScreenUse, NightServiceGridsOnEitherPanel) {
    QWidget window;
    window.resize(260, 200);
    TVevIvizudEvar entry(&window), exit(&window);
    QLineEdit ok(&window);
    entry.setGeometry(0, 0, 116, 170);
    exit.setGeometry(130, 0, 116, 170);
    ok.setGeometry(0, 175, 100, 20);
    for (TVevIvizudEvar* grid : {&entry, &exit}) {
        SetUpGrid(*grid, 2, 7, {"Num.", "Hora"}, {48});
        Masks(*grid, {{1, "99:99"}});
        CentreColumns(*grid, 0, 1);
        for (int r = 1; r < 7; ++r) {
            grid->SetGridCells(0, r, QString("%1").arg(r, 2, 10, QChar(u'0')));
            grid->SetGridCells(1, r, ":");
        }
    }
    window.show();
    QApplication::setActiveWindow(&window);
    entry.SetCol(1);
    entry.SetCurrentRow(1);
    entry.setFocus();
    QApplication::processEvents();
    QTest::keyClicks(QApplication::focusWidget(), "2200");
    exit.setFocus(); // the other panel's grid: the editor's text is kept
    exit.SetCol(1);
    QTest::keyClicks(QApplication::focusWidget(), "0600");
    ok.setFocus(); // the OK button
    EXPECT_EQ(entry.GetGridCells(1, 1), "22:00");
    EXPECT_EQ(exit.GetGridCells(1, 1), "06:00");
    EXPECT_EQ(entry.GetGridCells(1, 2), ":");
}

TEST_F(ScreenUse, Screenshot) {
    QWidget window;
    window.setWindowTitle("Agenda geral / Programação de despertador");
    window.resize(760, 330);
    window.setStyleSheet("QWidget { background: #ece9d8; }");
    TVevIvizudEvar speed(&window), wake(&window);
    speed.setGeometry(10, 30, 520, 290);
    wake.setGeometry(550, 30, 200, 290);
    QLabel speedLabel("Agenda geral", &window), wakeLabel("Despertador", &window);
    speedLabel.setGeometry(10, 6, 200, 20);
    wakeLabel.setGeometry(550, 6, 200, 20);
    SpeedDialGrid(speed, {50, 64, 48, 150, 184});
    const QStringList names{"Pizzaria Bella", "Táxi Central", "Farmácia São João", "", "Assistência técnica"};
    for (int i = 1; i <= 30; ++i) {
        if (i % 3 == 0) speed.SetGridCells(1, i, "Sim");
        if (i <= names.size() && !names[i - 1].isEmpty()) {
            speed.SetGridCells(2, i, QString::number(i % 3));
            speed.SetGridCells(3, i, QString("0%1").arg(1130004000 + i * 1111));
            speed.SetGridCells(4, i, names[i - 1]);
        }
    }
    WakeUpGrid(wake, 9, {70, 100});
    for (int r = 1; r < 9; ++r) {
        wake.SetGridCells(0, r, QString::number(19 + r));
        wake.SetGridCells(1, r, r == 2 ? "07:30" : r == 5 ? "06:15" : ":");
    }
    window.show();
    QApplication::setActiveWindow(&window);
    wake.SetCol(1);
    wake.SetCurrentRow(2);
    speed.SetCol(1);
    speed.SetCurrentRow(3);
    speed.setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_TRUE(speed.Combo()->isVisible());
    const QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString file = qEnvironmentVariable("CENTRPRG_GRID_SCREENSHOT");
    if (!file.isEmpty()) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        EXPECT_TRUE(shot.save(file));
    }
}

} // namespace
