// The tray icon against a fake notification area.

#include "desktop/qvxTrayIcon.h"
#include "qvxMessageRecorder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QMenu>
#include <QTest>
#include <QWidget>

namespace {

// The notification area: records what is shown and lets the test click.
struct TFakeTray {
    bool available = true;
    bool shown = false;
    int adds = 0;
    QString tip;
    qint64 iconKey = 0;
    TqvxTrayBackend* backend = nullptr;
};

class TFakeBackend : public TqvxTrayBackend {
public:
    explicit TFakeBackend(TFakeTray& tray) : tray_(tray) { tray_.backend = this; }
    bool Add(const QIcon& icon, const QString& tip) override {
        if (!tray_.available) return false;
        ++tray_.adds;
        tray_.shown = true;
        Modify(icon, tip);
        return true;
    }
    void Modify(const QIcon& icon, const QString& tip) override {
        tray_.tip = tip;
        tray_.iconKey = icon.cacheKey();
    }
    void Remove() override { tray_.shown = false; }

private:
    TFakeTray& tray_;
};

class TrayIcon : public testing::Test {
protected:
    void SetUp() override {
        previous = qvxSetTrayBackendFactory([this] { return std::make_unique<TFakeBackend>(tray); });
        icon = new TqvxTrayIcon(&window);
        icon->setObjectName("TrayIcon1");
        window.show();
    }
    void TearDown() override { qvxSetTrayBackendFactory(previous); }

    void Click(QSystemTrayIcon::ActivationReason reason) { tray.backend->Activated(reason); }

    static QIcon Coloured(Qt::GlobalColor colour) {
        QPixmap pixmap(16, 16);
        pixmap.fill(colour);
        return QIcon(pixmap);
    }

    TFakeTray tray;
    TqvxTrayBackendFactory previous;
    QWidget window;
    TqvxTrayIcon* icon = nullptr;
};

TEST_F(TrayIcon, TheHintIsCutTo63CharactersAndShownOnlyWithShowHint) {
    icon->SetHint(QString(70, 'h'));
    EXPECT_EQ(icon->Hint().size(), 63);
    icon->SetVisible(true);
    EXPECT_EQ(tray.tip, QString(63, 'h'));
    icon->SetShowHint(false);
    EXPECT_TRUE(tray.tip.isEmpty());
}

TEST_F(TrayIcon, ShowAndHideRaiseTheirEventsAndChangingTheIdShowsTheIconAgain) {
    QStringList events;
    icon->OnShow = [&](QObject*) { events << "show"; };
    icon->OnHide = [&](QObject*) { events << "hide"; };
    icon->SetVisible(true);
    icon->SetIconID(4);
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.adds, 2);
    icon->SetVisible(false);
    EXPECT_FALSE(tray.shown);
    EXPECT_EQ(events, QStringList({"show", "hide", "show", "hide"}));
}

TEST_F(TrayIcon, ClickTogglesTheWindowWithMinimizeToTray) {
    icon->MinimizeToTray = true;
    icon->SetVisible(true);
    int clicks = 0;
    icon->OnClick = [&](QObject*) { ++clicks; };
    Click(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window.isVisible());
    Click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(clicks, 2);
}

TEST_F(TrayIcon, AClickIsAPressAndAReleaseOfItsButton) {
    QStringList events;
    icon->OnMouseDown = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
        events << QString("down %1").arg(button);
    };
    icon->OnMouseUp = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
        events << QString("up %1").arg(button);
    };
    icon->OnClick = [&](QObject*) { events << "click"; };
    icon->OnDblClick = [&](QObject*) { events << "dblclick"; };
    Click(QSystemTrayIcon::Trigger);
    Click(QSystemTrayIcon::DoubleClick);
    Click(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(events, QStringList({"down 1", "up 1", "click", "dblclick", "down 4", "up 4"}));

    events.clear();
    icon->SetEnabled(false);
    Click(QSystemTrayIcon::Trigger);
    icon->SetEnabled(true);
    icon->SetDesigning(true);
    Click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(events.isEmpty()) << "disabled or designing: no mouse events";
}

TEST_F(TrayIcon, RightClickPopsTheMenuUpAndLeftClickTriggersItsDefaultAction) {
    QMenu menu;
    QAction* open = menu.addAction("Abrir");
    int opened = 0, popups = 0, clicks = 0;
    QObject::connect(open, &QAction::triggered, [&] { ++opened; });
    icon->SetPopupMenu(&menu);
    icon->OnPopupMenu = [&](QObject*) { ++popups; };
    icon->OnClick = [&](QObject*) { ++clicks; };

    Click(QSystemTrayIcon::Context);
    EXPECT_EQ(popups, 1);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();

    Click(QSystemTrayIcon::Trigger);
    EXPECT_EQ(opened, 0) << "no default action yet";
    menu.setDefaultAction(open);
    Click(QSystemTrayIcon::Trigger);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(window.isVisible()) << "the default action replaces the window toggle";
    EXPECT_EQ(popups, 1);
}

TEST_F(TrayIcon, MinimisingTheWindowHidesItInTheTrayAndHidingTheIconBringsItBack) {
    icon->MinimizeToTray = true;
    int minimised = 0;
    icon->OnMinimize = [&](QObject*) { ++minimised; };
    window.showMinimized();
    ASSERT_EVENTUALLY_EQ(minimised, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(icon->Visible());
    EXPECT_TRUE(tray.shown);

    icon->SetVisible(false);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(TrayIcon, AWindowMinimisedWithoutANotificationAreaIsNotLost) {
    TMessageRecorder recorder;
    tray.available = false;
    icon->MinimizeToTray = true;
    window.showMinimized();
    ASSERT_EVENTUALLY_EQ(recorder.Messages.size(), 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(recorder.Messages.front().endsWith("|TrayIcon1.InsertToTray failed"));
}

TEST_F(TrayIcon, MinimizeOnStartHidesTheWindowAtLoad) {
    icon->MinimizeOnStart = true;
    icon->Loaded();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(tray.shown);
}

TEST_F(TrayIcon, WithoutAnImageListTheIconIsShownAndCyclingStepsThroughTheListAndWraps) {
    const QIcon red = Coloured(Qt::red), green = Coloured(Qt::green), blue = Coloured(Qt::blue);
    icon->SetIcon(blue);
    icon->SetVisible(true);
    EXPECT_EQ(tray.iconKey, blue.cacheKey());
    icon->SetImageList({red, green, blue});
    EXPECT_EQ(tray.iconKey, red.cacheKey());
    std::vector<int> indexes;
    icon->OnCycleIcons = [&](QObject*) { indexes.push_back(icon->ImageIndex()); };
    icon->SetCycleInterval(5);
    icon->SetCycleIcons(true);
    ASSERT_EVENTUALLY(indexes.size() >= 4);
    icon->SetCycleIcons(false);
    EXPECT_EQ(std::vector<int>(indexes.begin(), indexes.begin() + 4), std::vector<int>({1, 2, 0, 1}));
    EXPECT_EQ(tray.iconKey, icon->ImageList()[static_cast<std::size_t>(icon->ImageIndex())].cacheKey());
}

// The real notification-area backend: the tests run without a desktop.
TEST(SystemTrayIcon, WithoutANotificationAreaShowingRaisesInsertToTrayFailed) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the tests run without a desktop";
    QWidget window;
    TqvxTrayIcon icon(&window);
    icon.setObjectName("TrayIcon2");
    try {
        icon.SetVisible(true);
        FAIL() << "no exception";
    } catch (const EqvxTrayIcon& error) {
        EXPECT_STREQ(error.what(), "TrayIcon2.InsertToTray failed");
    }
    EXPECT_FALSE(icon.Visible());
}

} // namespace
