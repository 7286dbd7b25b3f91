// The window timer, the colour picker and the colour identifiers.

#include "desktop/qvxColorNames.h"
#include "desktop/qvxColorPicker.h"
#include "desktop/qvxWindowTimer.h"
#include "qvxMessageRecorder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QCursor>
#include <QTest>
#include <QWidget>

#include <stdexcept>

namespace {

TEST(WindowTimer, RunsOnlyWithAnIntervalEnabledAndAHandler) {
    TqvxCustomTimer timer;
    EXPECT_FALSE(timer.Running()) << "no handler, no timer";
    timer.SetOnTimer([](QObject*) {});
    EXPECT_TRUE(timer.Running());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(50);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Running());
    timer.SetOnTimer({});
    EXPECT_FALSE(timer.Running());
}

TEST(WindowTimer, TicksRaiseOnTimerWithTheTimerAsSender) {
    TqvxCustomTimer timer;
    int ticks = 0;
    QObject* sender = nullptr;
    timer.SetInterval(5);
    timer.SetOnTimer([&](QObject* s) {
        sender = s;
        ++ticks;
    });
    ASSERT_EVENTUALLY(ticks >= 2);
    EXPECT_EQ(sender, &timer);
}

TEST(WindowTimer, AnExceptionOfTheHandlerIsShownAndTheTimerGoesOn) {
    TMessageRecorder recorder;
    TqvxCustomTimer timer;
    int ticks = 0;
    timer.SetInterval(5);
    timer.SetOnTimer([&](QObject*) {
        ++ticks;
        throw std::runtime_error("falhou");
    });
    ASSERT_EVENTUALLY(ticks >= 2);
    EXPECT_TRUE(timer.Running());
    ASSERT_FALSE(recorder.Messages.isEmpty());
    EXPECT_TRUE(recorder.Messages.front().endsWith("|falhou")) << recorder.Messages.front().toStdString();
}

TEST(ColorPicker, SamplesEvery100MsTheColourUnderTheCursor) {
    TqvxColorPicker picker;
    QWidget patch;
    patch.setAutoFillBackground(true);
    QPalette palette = patch.palette();
    palette.setColor(QPalette::Window, QColor(0x12, 0x80, 0xF0));
    patch.setPalette(palette);
    patch.setGeometry(100, 100, 40, 40);
    patch.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&patch));
    QCursor::setPos(120, 120);
    ASSERT_EVENTUALLY_EQ(picker.GetColor(), QColor(0x12, 0x80, 0xF0));
}

struct TNamedColor {
    const char* ident;
    TColor color;
};

class ColorNames : public testing::TestWithParam<TNamedColor> {};

TEST_P(ColorNames, IdentifierAndValueMapBothWaysIgnoringCase) {
    const QString ident = QString::fromLatin1(GetParam().ident);
    EXPECT_EQ(qvxIdentToColor(ident), GetParam().color);
    EXPECT_EQ(qvxIdentToColor(ident.toUpper()), GetParam().color) << "identifiers ignore case";
    EXPECT_EQ(qvxColorToIdent(GetParam().color), ident);
}

INSTANTIATE_TEST_SUITE_P(LibraryAndStandard, ColorNames,
                         testing::Values(TNamedColor{"clHotLight", static_cast<TColor>(0xFF00001A)},
                                         TNamedColor{"clOrange", 0x0068FF}, TNamedColor{"clRed", 0x0000FF}));

TEST(ColorNames, UnknownOnesHaveNoMatchAndValuesAreBlueGreenRed) {
    EXPECT_FALSE(qvxIdentToColor("clChartreuse"));
    EXPECT_FALSE(qvxColorToIdent(0x123456));
    EXPECT_EQ(qvxColorToQColor(0x0068FF), QColor(0xFF, 0x68, 0x00));
    EXPECT_EQ(qvxQColorToColor(QColor(0xFF, 0x68, 0x00)), 0x0068FF);
    EXPECT_FALSE(qvxColorToQColor(*qvxIdentToColor("clHotLight")).isValid()) << "system colours have no RGB";
    EXPECT_FALSE(qvxColorToQColor(clDefault).isValid());
}

} // namespace
