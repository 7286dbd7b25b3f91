// What the editor controls' buttons draw, on the recording canvas: the speed button of the edit
// with a button, and the spin buttons themed and classic.
//
// With CENTRPRG_EDITOR_SHOTS set to a folder, a picture of each editor open in a cell is saved
// there (run under Xvfb to see them as users will).
#include "EditorTestSupport.h"
#include "grid/ComboEditor.h"
#include "grid/DateEditor.h"
#include "grid/VisualStyles.h"

#include <QDir>

namespace {

std::vector<TCanvasOp> Painted(const std::function<void(TCanvas&)>& paint) {
    TRecordingDevice device;
    TCanvas canvas(&device);
    paint(canvas);
    return device.Ops;
}

std::vector<TCanvasOp> OfKind(const std::vector<TCanvasOp>& ops, TCanvasOpKind kind) {
    std::vector<TCanvasOp> found;
    for (const TCanvasOp& op : ops)
        if (op.Kind == kind) found.push_back(op);
    return found;
}

class ClassicLook : public testing::Test {
protected:
    ClassicLook() { VisualStyles::SetThemeActive(false); }
    ~ClassicLook() override { VisualStyles::SetThemeActive(true); }
};

TEST_F(ClassicLook, FlatEditButtonDrawsAOnePixelEdgeSunkenWhilePressed) {
    TControlWindow<TRezUrezoVedoze> w;
    TRezUrezoVedoze& button = *w.control;
    button.resize(20, 18);
    button.SetFlat(true);
    button.Caption = "...";
    auto edges = OfKind(Painted([&](TCanvas& c) { button.Paint(c); }), TCanvasOpKind::Edge);
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(edges[0].Flags, unsigned(BDR_RAISEDINNER));
    EXPECT_EQ(edges[0].Rect, (TRect{0, 0, 20, 18}));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    const auto pressed = Painted([&](TCanvas& c) { button.Paint(c); });
    edges = OfKind(pressed, TCanvasOpKind::Edge);
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(edges[0].Flags, unsigned(BDR_SUNKENOUTER));
    const auto texts = OfKind(pressed, TCanvasOpKind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Rect, (TRect{1, 1, 21, 19})); // the caption moves a pixel while pressed
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    button.SetFlat(false);
    const auto frames = OfKind(Painted([&](TCanvas& c) { button.Paint(c); }), TCanvasOpKind::FrameControl);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Flags, unsigned(DFC_BUTTON));
    EXPECT_EQ(frames[0].State, unsigned(DFCS_BUTTONPUSH));
}

TEST_F(ClassicLook, HorizontalSpinButtonsDrawScrollArrowFrames) {
    TControlWindow<TVzgSpinButton> w;
    TVzgSpinButton& pair = *w.control;
    pair.SetDirection(TSpinDirection::spHorizontal);
    pair.SetFlat(true);
    TZovAdedeZuvidOzovoz& down = *pair.DownButton();
    TZovAdedeZuvidOzovoz& up = *pair.UpButton();
    auto frames = OfKind(Painted([&](TCanvas& c) { up.Paint(c); }), TCanvasOpKind::FrameControl);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Flags, unsigned(DFC_SCROLL));
    EXPECT_EQ(frames[0].State, unsigned(DFCS_SCROLLRIGHT | DFCS_FLAT));
    QTest::mousePress(&down, Qt::LeftButton, {}, down.rect().center());
    frames = OfKind(Painted([&](TCanvas& c) { down.Paint(c); }), TCanvasOpKind::FrameControl);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].State, unsigned(DFCS_SCROLLLEFT | DFCS_PUSHED | DFCS_FLAT));
    QTest::mouseRelease(&down, Qt::LeftButton, {}, down.rect().center());
}

TEST_F(ClassicLook, VerticalSpinButtonsDrawAButtonFaceWithTheirArrow) {
    TControlWindow<TVzgSpinButton> w;
    TZovAdedeZuvidOzovoz& up = *w.control->UpButton();
    const auto ops = Painted([&](TCanvas& c) { up.Paint(c); });
    const auto frames = OfKind(ops, TCanvasOpKind::FrameControl);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].State, unsigned(DFCS_BUTTONPUSH));
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Image).size(), 1u);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Style).empty());
}

TEST(SpinPainting, ThemedButtonsDrawTheStylesSpinParts) {
    ASSERT_TRUE(VisualStyles::IsThemeActive());
    TControlWindow<TVzgSpinButton> w;
    w.control->SetThemed(true);
    const auto ops = Painted([&](TCanvas& c) { w.control->UpButton()->Paint(c); });
    EXPECT_FALSE(OfKind(ops, TCanvasOpKind::Style).empty());
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::FrameControl).empty());
}

// ---- Pictures of the editors in a cell ----------------------------------------------------------

TEST_F(EditorGrid, PicturesOfEachEditorOpenInACell) {
    const QString folder = qEnvironmentVariable("CENTRPRG_EDITOR_SHOTS");
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    Grid().SetColWidths(1, 120);
    Grid().SetColWidths(2, 120);
    Grid().SetGridCells(1, 0, "Campo");
    Grid().UnitEditBtn()->Units = {"mm", "cm"};
    Grid().UniCombo()->Items().AddStrings(QStringList{"Ωmega", "Alfa"});
    struct TShot {
        const char* Name;
        TEditorType Type;
        const char* Cell;
    };
    const TShot shots[] = {{"editor-spin", TEditorType::edSpinEdit, "42"},
                           {"editor-float-spin", TEditorType::edFloatSpinEdit, "2,50"},
                           {"editor-date-spin", TEditorType::edDateSpinEdit, "31/12/2003"},
                           {"editor-time-spin", TEditorType::edTimeSpinEdit, "07:30:00"},
                           {"editor-edit-button", TEditorType::edEditBtn, "arquivo.txt"},
                           {"editor-unit", TEditorType::edUnitEditBtn, "12cm"},
                           {"editor-date-picker", TEditorType::edDateEdit, "31/12/2003"},
                           {"editor-check-box", TEditorType::edCheckBox, "Ligado"},
                           {"editor-button", TEditorType::edButton, "Abrir..."},
                           {"editor-wide-edit", TEditorType::edUniEdit, "Ωmega"},
                           {"editor-wide-combo", TEditorType::edUniComboList, "Ωmega"},
                           {"editor-text", TEditorType::edNormal, "texto"}};
    for (const TShot& shot : shots) {
        UseEditor(shot.Type);
        Grid().SetGridCells(1, 2, shot.Cell);
        Open(1, 2);
        QApplication::processEvents();
        ASSERT_TRUE(Grid().EditorActive()) << shot.Name;
        const QImage picture = Grid().window()->grab(QRect(0, 0, 372, 130)).toImage();
        ASSERT_FALSE(picture.isNull());
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            EXPECT_TRUE(picture.save(QDir(folder).filePath(QString(shot.Name) + ".png")));
        }
        Grid().HideInplaceEdit();
        Grid().setFocus(Qt::OtherFocusReason);
    }
}

} // namespace
