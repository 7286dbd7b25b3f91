// The mini-HTML hint window: its size from the measured text, its place kept inside the screen,
// and its painting (recorded).
#include "grid/HTMLHintWindow.h"
#include "GridTestSupport.h"

#include <QScreen>
#include <set>

namespace {

class HTMLHint : public testing::Test {
protected:
    HTMLHint() : w_(3, 3), hint_(&w_.Grid()) {}
    TRect Screen() { return FromQRect(w_.Grid().screen()->geometry()); }
    TRect Shown() { return FromQRect(hint_.geometry()); }
    std::vector<TCanvasOp> Paint() {
        TRecordingDevice device;
        hint_.RenderTo(device);
        return device.Ops;
    }
    TAdvancedGridWindow w_;
    THTMLHintWindow hint_;
};

TEST_F(HTMLHint, TakesTheMeasuredSizeAndItsMargins) {
    const QString text = "<B>Ramal</B> 201<BR>grupo 3";
    const TRect measured = hint_.CalcHintRect(1008, text);
    ASSERT_GT(measured.Width(), 0);
    hint_.ActivateHint({100, 120, 130, 125}, text); // the rectangle's size does not count
    EXPECT_TRUE(hint_.isVisible());
    EXPECT_EQ(hint_.Caption(), text);
    EXPECT_EQ(hint_.HintWidth(), measured.Width());
    EXPECT_EQ(hint_.HintHeight(), measured.Height());
    EXPECT_EQ(Shown(), Bounds(100, 120, measured.Width() + 16, measured.Height() + 4));
}

TEST_F(HTMLHint, AHintPassingTheScreensEdgesMovesInsideKeepingItsSize) {
    const QString text = "uma dica";
    const TRect measured = hint_.CalcHintRect(1008, text);
    const TRect screen = Screen();
    hint_.ActivateHint(Bounds(screen.Right - 10, 50, 0, 0), text);
    EXPECT_EQ(Shown().Right, screen.Right - 2);
    EXPECT_EQ(Shown().Width(), measured.Width() + 16);
    EXPECT_EQ(Shown().Top, 50);
    hint_.ActivateHint(Bounds(40, screen.Bottom - 3, 0, 0), text);
    EXPECT_EQ(Shown().Bottom, screen.Bottom - 2);
    EXPECT_EQ(Shown().Height(), measured.Height() + 4);
    EXPECT_EQ(Shown().Left, 40);
}

TEST_F(HTMLHint, ALongHintWrapsIn1008PixelsAndShowsEveryLine) {
    QStringList words;
    for (int i = 0; i < 150; ++i) words << QString("palavra%1").arg(i);
    const QString text = words.join(' ');
    hint_.ActivateHint(Bounds(0, 0, 0, 0), text);
    EXPECT_LE(hint_.HintWidth(), 1008);
    const int lineHeight = hint_.CalcHintRect(1008, "x").Height();
    EXPECT_GE(hint_.HintHeight(), 2 * lineHeight);
    std::set<int> lines;
    QString drawn;
    for (const TCanvasOp& op : Paint())
        if (op.Kind == TCanvasOpKind::Text) {
            lines.insert(op.Layout.Runs.empty() ? op.Rect.Top : op.Layout.Runs[0].Y);
            drawn += op.Text;
        }
    EXPECT_EQ(int(lines.size()), hint_.HintHeight() / lineHeight);
    EXPECT_TRUE(drawn.contains("palavra149"));
}

TEST_F(HTMLHint, PaintsAFrameAndTheTextCentredOnTheMeasuredHeight) {
    hint_.ActivateHint(Bounds(10, 10, 0, 0), "dica");
    const int h = hint_.HintHeight();
    hint_.resize(hint_.width(), h + 24); // a taller window keeps the text in its middle
    const TRect text = hint_.TextRect();
    EXPECT_EQ(text, (TRect{4, 12, hint_.width() - 4, 12 + h + 8}));
    const auto ops = Paint();
    std::vector<std::vector<TPoint>> frame;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Polyline) frame.push_back(op.Points);
    const int w = hint_.width(), bottom = hint_.height();
    EXPECT_EQ(frame, (std::vector<std::vector<TPoint>>{{{0, bottom - 2}, {0, 0}, {w - 1, 0}},
                                                       {{0, bottom - 1}, {w - 1, bottom - 1}, {w - 1, -1}}}));
    const auto drawn = TextOps(ops, "dica");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_GE(drawn[0].Rect.Top, text.Top);
    EXPECT_LT(drawn[0].Rect.Top, text.Top + 4);
    EXPECT_GE(drawn[0].Rect.Left, text.Left);
    EXPECT_LT(drawn[0].Rect.Left, text.Left + 4);
}

} // namespace
