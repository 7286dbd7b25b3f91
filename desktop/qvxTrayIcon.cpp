#include "desktop/qvxTrayIcon.h"

#include "desktop/qvxApplicationWindow.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {

class TQtTrayBackend : public TqvxTrayBackend {
public:
    TQtTrayBackend() {
        QObject::connect(&icon_, &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (Activated) Activated(reason);
                         });
    }
    bool Add(const QIcon& icon, const QString& tip) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        Modify(icon, tip);
        icon_.show();
        return true;
    }
    void Modify(const QIcon& icon, const QString& tip) override {
        icon_.setIcon(icon);
        icon_.setToolTip(tip);
    }
    void Remove() override { icon_.hide(); }

private:
    QSystemTrayIcon icon_;
};

TqvxTrayBackendFactory& Factory() {
    static TqvxTrayBackendFactory factory;
    return factory;
}

std::unique_ptr<TqvxTrayBackend> MakeBackend() {
    if (Factory()) return Factory()();
    return std::make_unique<TQtTrayBackend>();
}

} // namespace

TqvxTrayBackendFactory qvxSetTrayBackendFactory(TqvxTrayBackendFactory factory) {
    std::swap(Factory(), factory);
    return factory;
}

TqvxTrayIcon::TqvxTrayIcon(QObject* owner) : TqvxCustomTimer(owner), backend_(MakeBackend()) {
    SetOnTimer([](QObject*) {}); // the timer runs while CycleIcons is set
    SetCycleIcons(false);
    SetCycleInterval(200);
    backend_->Activated = [this](QSystemTrayIcon::ActivationReason reason) {
        qvxGuarded(this, [this, reason] { HandleActivation(reason); });
    };
    window_ = qvxOwnerWindow(owner);
    if (window_) window_->installEventFilter(this);
}

TqvxTrayIcon::~TqvxTrayIcon() {
    if (window_) window_->removeEventFilter(this);
    if (shown_) backend_->Remove();
}

void TqvxTrayIcon::SetHint(const QString& hint) {
    hint_ = hint.left(MaxHintLength);
    Update();
}

void TqvxTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    Update();
}

void TqvxTrayIcon::SetImageList(std::vector<QIcon> images) {
    imageList_ = std::move(images);
    Update();
}

void TqvxTrayIcon::SetImageIndex(int index) {
    imageIndex_ = index;
    Update();
}

void TqvxTrayIcon::SetIconID(int id) {
    const bool wasShown = shown_;
    if (wasShown) Hide();
    iconId_ = id;
    if (wasShown) Show();
}

void TqvxTrayIcon::SetShowHint(bool show) {
    showHint_ = show;
    Update();
}

void TqvxTrayIcon::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (Designing())
        visible_ = visible;
    else if (visible)
        Show();
    else
        Hide();
}

void TqvxTrayIcon::SetVisibleOnDesigning(bool visible) {
    if (visible == visibleOnDesigning_) return;
    if (!Designing())
        visibleOnDesigning_ = visible;
    else if (visible)
        Show();
    else
        Hide();
}

void TqvxTrayIcon::Loaded() {
    if (MinimizeOnStart && !Designing()) Minimize();
    if (Designing() ? visibleOnDesigning_ : visible_) Show();
}

QIcon TqvxTrayIcon::CurrentIcon() const {
    if (imageIndex_ >= 0 && static_cast<std::size_t>(imageIndex_) < imageList_.size())
        return imageList_[static_cast<std::size_t>(imageIndex_)];
    return icon_;
}

QString TqvxTrayIcon::Tip() const {
    return showHint_ ? hint_ : QString();
}

void TqvxTrayIcon::Update() {
    if (shown_) backend_->Modify(CurrentIcon(), Tip());
}

void TqvxTrayIcon::Show() {
    if (!shown_ && !backend_->Add(CurrentIcon(), Tip()))
        throw EqvxTrayIcon(QStringLiteral("%1.InsertToTray failed").arg(objectName()).toStdString());
    shown_ = true;
    Update();
    (Designing() ? visibleOnDesigning_ : visible_) = true;
    qvxRaise(OnShow, this);
}

void TqvxTrayIcon::Hide() {
    if (shown_) backend_->Remove();
    shown_ = false;
    (Designing() ? visibleOnDesigning_ : visible_) = false;
    qvxRaise(OnHide, this);
    if (MinimizeToTray) ShowApplication();
    if (window_ && window_->isHidden()) window_->show();
}

void TqvxTrayIcon::PopupAtCursor() {
    if (!popupMenu_) return;
    const QPoint at = QCursor::pos();
    qvxBringToFront(window_);
    popupMenu_->popup(at);
    qvxRaise(OnPopupMenu, this);
}

void TqvxTrayIcon::ShowApplication() {
    qvxShowApplication(window_);
}

void TqvxTrayIcon::HideApplication() {
    qvxHideApplication(window_);
}

void TqvxTrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
    if (Designing() || !mouseEnabled_) return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Clicked(Qt::LeftButton);
        Click();
        if (PopupByLeft) PopupAtCursor();
        break;
    case QSystemTrayIcon::DoubleClick:
        DblClick();
        break;
    case QSystemTrayIcon::Context:
        Clicked(Qt::RightButton);
        PopupAtCursor();
        break;
    case QSystemTrayIcon::MiddleClick:
        Clicked(Qt::MiddleButton);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TqvxTrayIcon::Clicked(Qt::MouseButton button) {
    MouseDown(button);
    MouseUp(button);
}

void TqvxTrayIcon::MouseDown(Qt::MouseButton button) {
    const QPoint at = QCursor::pos();
    if (OnMouseDown) OnMouseDown(this, button, QGuiApplication::queryKeyboardModifiers(), at.x(), at.y());
}

void TqvxTrayIcon::MouseUp(Qt::MouseButton button) {
    qvxBringToFront(window_);
    const QPoint at = QCursor::pos();
    if (OnMouseUp) OnMouseUp(this, button, QGuiApplication::queryKeyboardModifiers(), at.x(), at.y());
}

void TqvxTrayIcon::Click() {
    QAction* defaultAction = popupMenu_ ? popupMenu_->defaultAction() : nullptr;
    if (defaultAction != nullptr && !PopupByLeft) {
        defaultAction->trigger();
        qvxRaise(OnClick, this);
        qvxBringToFront(window_);
        return;
    }
    if (Designing()) return;
    if (window_) {
        if (MinimizeToTray && window_->isVisible())
            HideApplication();
        else
            ShowApplication();
    }
    qvxRaise(OnClick, this);
}

void TqvxTrayIcon::DblClick() {
    qvxRaise(OnDblClick, this);
}

void TqvxTrayIcon::Minimize() {
    if (Designing()) return;
    SetVisible(true); // first: a window is only hidden once its icon is there to bring it back
    HideApplication();
    qvxRaise(OnMinimize, this);
}

void TqvxTrayIcon::Timer() {
    if (!imageList_.empty())
        SetImageIndex(static_cast<std::size_t>(imageIndex_) + 1 >= imageList_.size() ? 0 : imageIndex_ + 1);
    qvxRaise(OnCycleIcons, this);
}

bool TqvxTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // Minimised: hidden once the state change is over (hiding inside it would be undone by a
    // show that follows, as in showMinimized).
    if (watched == window_ && event->type() == QEvent::WindowStateChange && MinimizeToTray &&
        window_->isMinimized())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (window_ && window_->isMinimized()) qvxGuarded(this, [this] { Minimize(); });
            },
            Qt::QueuedConnection);
    return false;
}
