#pragma once
// TqvxTrayIcon: the application's icon in the desktop's notification area (system tray), with
// mouse events, a popup menu, minimise-to-tray and icon cycling.
//
// The icon shown is ImageList[ImageIndex] when the image list holds that index, else Icon; its
// tool tip is Hint (cut to 63 characters) when ShowHint is set. The notification area is reached
// through a TqvxTrayBackend (by default QSystemTrayIcon; tests put in a fake): when there is no
// notification area, showing the icon raises EqvxTrayIcon "<name>.InsertToTray failed".
//
// Mouse events (outside the design state, while Enabled): the notification area reports clicks,
// not presses, so each click is raised as MouseDown then MouseUp at the cursor position. A left
// click then raises Click (and pops the menu up with PopupByLeft); a right click pops the menu up;
// a double click raises DblClick; a middle click only the mouse events. OnMouseMove is never
// raised: the notification area does not report cursor moves. MouseUp brings the owner's window
// to the front.
//
// Click: when the popup menu has a default action and PopupByLeft is off, that action is
// triggered, OnClick raised and the window brought to the front. Otherwise, when the owner is
// (in) a widget, its window is hidden (MinimizeToTray set and the window visible) or shown, then
// OnClick is raised.
//
// Minimise-to-tray: while MinimizeToTray is set, minimising the owner's window hides it and shows
// the icon (OnMinimize); when the icon cannot be shown the window stays as it is, so that it can
// never be lost. Hiding the icon shows the window again. With CycleIcons the icon steps
// through the image list every CycleInterval milliseconds (OnCycleIcons after each step).

#include "desktop/qvxWindowTimer.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>
#include <stdexcept>
#include <vector>

class QWidget;

class EqvxTrayIcon : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The notification area as the tray icon uses it.
class TqvxTrayBackend {
public:
    virtual ~TqvxTrayBackend() = default;
    virtual bool Add(const QIcon& icon, const QString& tip) = 0; // false: no notification area
    virtual void Modify(const QIcon& icon, const QString& tip) = 0;
    virtual void Remove() = 0;
    // Set by the tray icon: the backend reports each click on the icon through it.
    std::function<void(QSystemTrayIcon::ActivationReason)> Activated;
};

using TqvxTrayBackendFactory = std::function<std::unique_ptr<TqvxTrayBackend>()>;
// Replaces the backend of tray icons made from now on; empty restores QSystemTrayIcon. Returns
// the previous factory.
TqvxTrayBackendFactory qvxSetTrayBackendFactory(TqvxTrayBackendFactory factory);

class TqvxTrayIcon : public TqvxCustomTimer {
    Q_OBJECT
public:
    static constexpr int MaxHintLength = 63;

    explicit TqvxTrayIcon(QObject* owner = nullptr);
    ~TqvxTrayIcon() override;

    bool CycleIcons() const { return TqvxCustomTimer::Enabled(); }
    void SetCycleIcons(bool cycle) { TqvxCustomTimer::SetEnabled(cycle); }
    unsigned CycleInterval() const { return Interval(); }
    void SetCycleInterval(unsigned milliseconds) { SetInterval(milliseconds); }
    bool Enabled() const { return mouseEnabled_; }
    void SetEnabled(bool enabled) { mouseEnabled_ = enabled; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    const std::vector<QIcon>& ImageList() const { return imageList_; }
    void SetImageList(std::vector<QIcon> images);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int IconID() const { return iconId_; }
    void SetIconID(int id);
    bool MinimizeToTray = false;
    bool MinimizeOnStart = false;
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    bool PopupByLeft = false;
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool VisibleOnDesigning() const { return visibleOnDesigning_; }
    void SetVisibleOnDesigning(bool visible);

    TNotifyEvent OnMinimize, OnClick, OnDblClick, OnPopupMenu, OnShow, OnHide, OnCycleIcons;
    TMouseMoveEvent OnMouseMove; // never raised (see above)
    TMouseEvent OnMouseDown, OnMouseUp;

    // What the owner calls when it has been built: minimises with MinimizeOnStart, shows the icon
    // when it is to be visible.
    void Loaded();

    virtual void Update();
    virtual void Show();
    virtual void Hide();
    virtual void PopupAtCursor();
    virtual void ShowApplication();
    virtual void HideApplication();

    // A click on the icon as the notification area reports it.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);

protected:
    virtual void MouseDown(Qt::MouseButton button);
    virtual void MouseUp(Qt::MouseButton button);
    virtual void Click();
    virtual void DblClick();
    virtual void Minimize();
    void Timer() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QIcon CurrentIcon() const;
    QString Tip() const;
    void Clicked(Qt::MouseButton button);

    std::unique_ptr<TqvxTrayBackend> backend_;
    QPointer<QWidget> window_; // the owner's window, watched for minimising
    bool mouseEnabled_ = true;
    QString hint_;
    QIcon icon_;
    std::vector<QIcon> imageList_;
    int imageIndex_ = 0;
    int iconId_ = 0;
    QPointer<QMenu> popupMenu_;
    bool showHint_ = true;
    bool visible_ = false;
    bool visibleOnDesigning_ = false;
    bool shown_ = false; // the icon is in the notification area
};
