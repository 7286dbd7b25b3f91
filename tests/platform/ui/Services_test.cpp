#include "platform/ui/Clipboard.h"
#include "platform/ui/Glyphs.h"
#include "platform/ui/HintWindow.h"
#include "platform/ui/ToolkitTexts.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/UrlOpener.h"
#include "support/EventWait.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(ClipboardFacade, OwnFormatsRoundTripAndOpenCloseOffersThemTogether) {
    const QString cells = TClipboard::RegisterFormat("TVevIvizudEvar Cells");
    EXPECT_EQ(cells, "application/x-centrprg-tvevivizudevar-cells");
    TClipboard& clipboard = Clipboard();
    clipboard.Open();
    clipboard.SetAsText("a\tb");
    clipboard.SetData(cells, QByteArray("\x01\x02", 2));
    clipboard.SetData(TClipboard::RichTextFormat(), "{\\rtf1 a}");
    EXPECT_FALSE(clipboard.HasFormat(cells)); // nothing is offered before Close
    clipboard.Close();
    EXPECT_EQ(clipboard.AsText(), "a\tb");
    EXPECT_EQ(clipboard.Data(cells), QByteArray("\x01\x02", 2));
    EXPECT_TRUE(clipboard.HasFormat("application/rtf"));
    clipboard.SetAsText("only text"); // outside Open/Close a set replaces the clipboard
    EXPECT_FALSE(clipboard.HasFormat(cells));
}

TEST(UrlOpening, OnlyWebAndMailAddressesReachTheDesktop) {
    std::vector<QString> opened;
    TUrlLauncher previous = SetUrlLauncher([&](const QUrl& url) {
        opened.push_back(url.toString());
        return true;
    });
    EXPECT_TRUE(OpenUrl("https://example.org/a?b=1"));
    EXPECT_TRUE(OpenUrl("mailto:suporte@example.org"));
    EXPECT_TRUE(OpenUrl("ftp://files.example.org/x"));
    EXPECT_FALSE(OpenUrl("file:///bin/sh"));
    EXPECT_FALSE(OpenUrl("javascript:alert(1)"));
    EXPECT_FALSE(OpenUrl("/usr/bin/xterm"));
    EXPECT_FALSE(OpenUrl("http://"));
    EXPECT_EQ(opened.size(), 3u);
    SetUrlLauncher(previous);
}

struct TGlyphCase {
    const char* Name;
    int Width, Height;
};

class Glyphs : public testing::TestWithParam<TGlyphCase> {};

TEST_P(Glyphs, HaveTheirSizeAndATransparentTopLeftPixel) {
    const TBitmap& glyph = GlyphBitmap(GetParam().Name);
    ASSERT_FALSE(glyph.Empty());
    EXPECT_EQ(glyph.Width(), GetParam().Width);
    EXPECT_EQ(glyph.Height(), GetParam().Height);
    if (QString(GetParam().Name).startsWith("INTLI"))
        EXPECT_EQ(glyph.TransparentColor(), clWhite);
    else
        EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}

INSTANTIATE_TEST_SUITE_P(Named, Glyphs,
                         testing::Values(TGlyphCase{"VzgSpinUp", 7, 4}, TGlyphCase{"VzgSpinDown", 7, 4},
                                         TGlyphCase{"INTLI2", 32, 32}));

TEST(GlyphSet, StatesDifferAndUnknownNamesAreEmpty) {
    EXPECT_NE(GlyphBitmap("VzgSpinUp").Image(), GlyphBitmap("VzgSpinDown").Image());
    EXPECT_TRUE(GlyphBitmap("NOSUCH").Empty());
    EXPECT_EQ(GlyphNames().size(), 5);
    EXPECT_FALSE(GlyphCursor(8010).pixmap().isNull());
    EXPECT_EQ(GlyphCursor(1).shape(), Qt::ArrowCursor);
}

TEST(HintPlacement, KeepInsideMovesARectangleIntoTheAreaWithItsMargin) {
    const TRect screen{0, 0, 800, 600};
    EXPECT_EQ(KeepInside(Bounds(790, 590, 50, 20), screen, 2), Bounds(748, 578, 50, 20));
    EXPECT_EQ(KeepInside(Bounds(-10, -5, 50, 20), screen, 2), Bounds(2, 2, 50, 20));
    EXPECT_EQ(KeepInside(Bounds(100, 100, 50, 20), screen, 2), Bounds(100, 100, 50, 20));
    EXPECT_EQ(KeepInside(Bounds(0, 0, 900, 20), screen, 2).Left, 0); // wider than the area
}

TEST(HintWindowSize, TheTextIsWrappedToTheMaximumWidth) {
    THintWindow hint;
    const TRect oneLine = hint.CalcHintRect(200, "cw=74");
    const TRect wrapped = hint.CalcHintRect(60, "uma dica bem mais comprida que a largura");
    EXPECT_LT(oneLine.Width(), 200);
    EXPECT_LE(wrapped.Width(), 60 + 6);
    EXPECT_GT(wrapped.Height(), 2 * oneLine.Height() - 2);
}

TEST(ShapedPopup, TheMaskFollowsThePolygon) {
    // An arrow pointing up, as the drop marker of a column move.
    const std::vector<TPoint> up{{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}};
    TShapedPopup popup(up, clLime);
    EXPECT_EQ(popup.size(), QSize(11, 10));
    EXPECT_TRUE(popup.mask().contains(QPoint(5, 3)));
    EXPECT_TRUE(popup.mask().contains(QPoint(5, 8)));
    EXPECT_FALSE(popup.mask().contains(QPoint(0, 8)));
}

} // namespace

namespace {

// The translation and help folder come from the program above this layer, through its hooks.
TEST(UiHooks, TextsAndHelpGoThroughWhatTheProgramInstalled) {
    const TUiHooks before = SetUiHooks({});
    EXPECT_EQ(TrText("O&k"), "O&k"); // nothing installed: unchanged
    EXPECT_EQ(TrLabel("&Cancela"), "&Cancela");
    {
        TScopedTestServices services;
        SetHelpService(nullptr); // the toolkit's help viewer
        HelpService().ShowContext(nullptr, 14);
        ASSERT_EQ(services.messages.shown.size(), 1u);
        EXPECT_EQ(services.messages.shown[0].text, "Não há ajuda para este assunto.");
    }
    SetUiHooks({.TranslateText = [](std::string_view text) { return "T:" + std::string(text); },
                .LookupLabel = [](std::string_view text) { return "L:" + std::string(text); },
                .HelpFolder = [] { return std::string("/nonexistent/help"); }});
    EXPECT_EQ(TrText("Erro"), "T:Erro");
    EXPECT_EQ(TrLabel("O&k"), "L:O&k");
    SetUiHooks(before);
}

// Though the tests run in an English environment (TestMain.cpp), which child programs and libc keep.
TEST(FileDialog, ShowsTheKindSizeAndDateOfAFileInBrazilianFormatsWhole) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path()); // its history
    QFile file(dir.filePath("cliente.npx"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(6750, '\0')) && file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 12, 15), QTime(10, 0)), QFile::FileModificationTime));
    const TToolkitTexts texts;
    const QString expected = "Desconhecido | 6,59 KiB | 15/12/2024 10:00";
    QString shown; // kind, size, date
    QTimer::singleShot(0, [&] {
        auto* list = QApplication::activeModalWidget()->findChild<QTreeView*>("treeView");
        // The folder is read on a thread of its own, the row's details and the columns' widths
        // follow it.
        (void)QTest::qWaitFor(
            [&] {
                QStringList texts;
                for (const int column : {2, 1, 3}) {
                    QString text = list->model()->index(0, column, list->rootIndex()).data().toString();
                    if (list->fontMetrics().horizontalAdvance(text) >= list->header()->sectionSize(column))
                        text += " (cut)";
                    texts << text;
                }
                shown = texts.join(" | ");
                return shown == expected;
            },
            EventWaitMs);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    FileDialogService().OpenFileName(nullptr, "Abrir", dir.path().toStdString(), "*");
    EXPECT_EQ(shown.toStdString(), expected.toStdString());
    EXPECT_EQ(qgetenv("LC_TIME"), "C.UTF-8"); // what LC_ALL said, but for the numbers
    EXPECT_EQ(qgetenv("LC_NUMERIC"), "C");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C.UTF-8");
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "Pasta");
}

} // namespace
