// A key held with Ctrl, Alt or Meta (the Super key) types nothing into the grids of the screens:
// neither into a cell whose editor is closed (the key would open the editor with its character
// and empty the cell) nor into an open editor. Each chord is pressed on a shown screen, then
// Return and Ok; what Ok stores must be what it stores without the chord.

#include "GridScreenTest.h"
#include "platform/ui/CustomGrid.h"
#include "screens/Agcolet.h"
#include "screens/Agindiv.h"
#include "screens/Atuaauto.h"
#include "screens/Codpart.h"
#include "screens/Desperta.h"
#include "screens/Notautom.h"
#include "screens/PlanoNum.h"
#include "screens/Teclasti.h"

#include <QPushButton>

#include <functional>
#include <memory>
#include <utility>

namespace {

struct TGridScreen {
    const char* name;
    std::function<std::unique_ptr<TScreenForm>()> make;
    std::function<void(TScreenForm&)> showGrid; // what brings its grid to view, when it is hidden
};

template <class TForm> std::function<std::unique_ptr<TScreenForm>()> Make() {
    return [] { return std::make_unique<TForm>(); };
}

const TGridScreen GridScreens[] = {
    {"numbering plan", Make<TFormPlanoNum>(), {}},
    {"general speed dial", Make<TFormAgColet>(), {}},
    {"individual speed dial", Make<TFormAgIndiv>(), {}},
    {"private codes", Make<TFormCodPart>(), {}},
    {"wake-up", Make<TFormDesperta>(), {}},
    {"night service", Make<TFormNotAuto>(), {}},
    {"actuation", Make<TFormAtuaAuto>(), {}},
    {"terminal keys", Make<TFormTeclasTI>(),
     [](TScreenForm& screen) { static_cast<TFormTeclasTI&>(screen).Button28Click(); }},
};

const std::pair<Qt::KeyboardModifier, const char*> Chords[] = {
    {Qt::MetaModifier, "Meta"}, {Qt::AltModifier, "Alt"}, {Qt::ControlModifier, "Ctrl"}};

class GridChords : public GridScreenTest {
protected:
    // The screen shown anew on the ARCO default, its grid's cell made current, with the editor
    // opened first when asked; then the chords of R and 2 (when a modifier is given), Return and
    // Ok. Returns what the programming holds then.
    TProgrammingState PressAndOk(const TGridScreen& entry, TScreenForm& screen, int gridIndex, int col,
                                 bool editorOpen, Qt::KeyboardModifier chord) {
        LoadModel(11);
        ShowAgain(screen);
        if (entry.showGrid) entry.showGrid(screen);
        TCustomGrid& grid = *VisibleGrids(screen).at(gridIndex);
        grid.setFocus();
        grid.SetCol(col);
        grid.SetRow(grid.FixedRows());
        if (editorOpen) QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        if (chord != Qt::NoModifier)
            for (const Qt::Key key : {Qt::Key_R, Qt::Key_2})
                QTest::keyClick(QApplication::focusWidget(), key, chord);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        screen.OkButton->click();
        EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
        services.messages.shown.clear();
        return TProgrammingState::Now();
    }
    static std::vector<TCustomGrid*> VisibleGrids(QWidget& screen) {
        std::vector<TCustomGrid*> grids;
        for (TCustomGrid* grid : screen.findChildren<TCustomGrid*>())
            if (grid->isVisible()) grids.push_back(grid);
        return grids;
    }
};

TEST_F(GridChords, AChordTypesNothingIntoAnyCellOfAnyScreensGrid) {
    for (const TGridScreen& entry : GridScreens) {
        const std::unique_ptr<TScreenForm> screen = entry.make();
        LoadModel(11);
        ShowActive(*screen);
        if (entry.showGrid) entry.showGrid(*screen);
        const std::vector<TCustomGrid*> grids = VisibleGrids(*screen);
        ASSERT_FALSE(grids.empty()) << entry.name;
        for (int g = 0; g < static_cast<int>(grids.size()); ++g) {
            for (int col = grids[g]->FixedCols(); col < grids[g]->ColCount(); ++col) {
                for (const bool editorOpen : {false, true}) {
                    const TProgrammingState plain =
                        PressAndOk(entry, *screen, g, col, editorOpen, Qt::NoModifier);
                    for (const auto& [chord, chordName] : Chords) {
                        SCOPED_TRACE(testing::Message()
                                     << entry.name << ", grid " << g << ", column " << col
                                     << (editorOpen ? ", editor open, " : ", ") << chordName);
                        EXPECT_TRUE(PressAndOk(entry, *screen, g, col, editorOpen, chord) == plain);
                    }
                }
            }
        }
        screen->hide();
    }
}

} // namespace
