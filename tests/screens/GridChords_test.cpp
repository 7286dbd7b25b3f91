// A key held with Meta (the Super key), Alt or Ctrl types nothing into a cell, its editor closed or open.

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

template <class TForm> class GridChords : public GridScreenTest {
protected:
    // The screen shown anew on the ARCO default (the terminal keys show their list); its grids.
    QList<TCustomGrid*> ShowGrids(TScreenForm& screen) {
        LoadModel(11);
        ShowAgain(screen);
        if (auto* keys = qobject_cast<TFormTeclasTI*>(&screen)) keys->Button28Click();
        QList<TCustomGrid*> grids = screen.findChildren<TCustomGrid*>();
        grids.removeIf([](const TCustomGrid* grid) { return !grid->isVisible(); });
        return grids;
    }
    // On the first row's cell of the grid (its editor opened with F2 when asked): R and 2 held
    // with the modifier, if any, then Return and Ok. Returns what the programming holds then.
    TProgrammingState PressAndOk(TScreenForm& screen, int grid, int col, bool editorOpen,
                                 Qt::KeyboardModifier chord) {
        TCustomGrid& shown = *ShowGrids(screen).at(grid);
        shown.setFocus();
        shown.SetCol(col);
        shown.SetRow(shown.FixedRows());
        if (editorOpen) QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        if (chord != Qt::NoModifier) QTest::keyClicks(QApplication::focusWidget(), "r2", chord);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        screen.OkButton->click();
        EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
        services.messages.shown.clear();
        return TProgrammingState::Now();
    }
};

using GridScreens = testing::Types<TFormPlanoNum, TFormAgColet, TFormAgIndiv, TFormCodPart, TFormDesperta,
                                   TFormNotAuto, TFormAtuaAuto, TFormTeclasTI>;
TYPED_TEST_SUITE(GridChords, GridScreens);

TYPED_TEST(GridChords, AChordTypesNothingIntoAnyCellOfTheScreensGrids) {
    TypeParam screen;
    const QList<TCustomGrid*> grids = this->ShowGrids(screen);
    ASSERT_FALSE(grids.empty());
    for (int g = 0; g < int(grids.size()); ++g)
        for (int col = grids[g]->FixedCols(); col < grids[g]->ColCount(); ++col)
            for (const bool editorOpen : {false, true}) {
                const TProgrammingState plain = this->PressAndOk(screen, g, col, editorOpen, Qt::NoModifier);
                for (const auto chord : {Qt::MetaModifier, Qt::AltModifier, Qt::ControlModifier}) {
                    SCOPED_TRACE(testing::Message() << "grid " << g << ", column " << col << ", editor open "
                                                    << editorOpen << ", modifier 0x" << std::hex << chord);
                    EXPECT_TRUE(this->PressAndOk(screen, g, col, editorOpen, chord) == plain);
                }
            }
}

} // namespace
