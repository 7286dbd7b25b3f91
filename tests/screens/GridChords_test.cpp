// A key held with Meta (the Super key), Alt or Ctrl types nothing into the grids of the screens,
// whether the cell's editor is closed (the key would open it with its character, emptying the
// cell) or open: pressed on a shown screen before Return and Ok, it changes nothing Ok stores.

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

namespace {

template <class TForm> std::unique_ptr<TScreenForm> Make() {
    return std::make_unique<TForm>();
}

const struct {
    const char* name;
    std::unique_ptr<TScreenForm> (*make)();
} GridScreens[] = {{"numbering plan", Make<TFormPlanoNum>},
                   {"general speed dial", Make<TFormAgColet>},
                   {"individual speed dial", Make<TFormAgIndiv>},
                   {"private codes", Make<TFormCodPart>},
                   {"wake-up", Make<TFormDesperta>},
                   {"night service", Make<TFormNotAuto>},
                   {"actuation", Make<TFormAtuaAuto>},
                   {"terminal keys", Make<TFormTeclasTI>}};

class GridChords : public GridScreenTest {
protected:
    // The screen shown anew on the ARCO default, the first row's cell of the grid current (its
    // editor opened with F2 when asked), the chords of R and 2 when a modifier is given, then
    // Return and Ok. Returns what the programming holds then.
    TProgrammingState PressAndOk(TScreenForm& screen, int grid, int col, bool editorOpen,
                                 Qt::KeyboardModifier chord) {
        TCustomGrid& shown = *ShownGrids(screen).at(grid);
        shown.setFocus();
        shown.SetCol(col);
        shown.SetRow(shown.FixedRows());
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
    // The screen shown anew on the ARCO default; the terminal keys show their list.
    void Show(TScreenForm& screen) {
        LoadModel(11);
        ShowAgain(screen);
        if (auto* keys = qobject_cast<TFormTeclasTI*>(&screen)) keys->Button28Click();
    }
    static std::vector<TCustomGrid*> ShownGrids(QWidget& screen) {
        std::vector<TCustomGrid*> grids;
        for (TCustomGrid* grid : screen.findChildren<TCustomGrid*>())
            if (grid->isVisible()) grids.push_back(grid);
        return grids;
    }
};

TEST_F(GridChords, AChordTypesNothingIntoAnyCellOfAnyScreensGrid) {
    const std::pair<Qt::KeyboardModifier, const char*> chords[] = {
        {Qt::MetaModifier, "Meta"}, {Qt::AltModifier, "Alt"}, {Qt::ControlModifier, "Ctrl"}};
    for (const auto& entry : GridScreens) {
        const std::unique_ptr<TScreenForm> screen = entry.make();
        Show(*screen);
        const std::vector<TCustomGrid*> grids = ShownGrids(*screen);
        ASSERT_FALSE(grids.empty()) << entry.name;
        for (int g = 0; g < static_cast<int>(grids.size()); ++g)
            for (int col = grids[g]->FixedCols(); col < grids[g]->ColCount(); ++col)
                for (const bool editorOpen : {false, true}) {
                    Show(*screen);
                    const TProgrammingState plain = PressAndOk(*screen, g, col, editorOpen, Qt::NoModifier);
                    for (const auto& [chord, chordName] : chords) {
                        SCOPED_TRACE(testing::Message()
                                     << entry.name << ", grid " << g << ", column " << col
                                     << (editorOpen ? ", editor open, " : ", ") << chordName);
                        Show(*screen);
                        EXPECT_TRUE(PressAndOk(*screen, g, col, editorOpen, chord) == plain);
                    }
                }
        screen->hide();
    }
}

} // namespace
