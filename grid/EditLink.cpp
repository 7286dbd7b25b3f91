#include "grid/EditLink.h"

#include "grid/AdvancedGrid.h"
#include "platform/ui/ControlAdapter.h"
#include "platform/ui/Keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

// The pop-up of an esPopup link: closing it (a click outside, say) ends the edit.
class TEditLinkPopup : public QWidget {
public:
    explicit TEditLinkPopup(std::function<void()> closed)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), closed_(std::move(closed)) {}

protected:
    void hideEvent(QHideEvent* e) override {
        QWidget::hideEvent(e);
        GuardUi([this] { closed_(); });
    }

private:
    std::function<void()> closed_;
};

} // namespace

TEditLink::TEditLink(QObject* owner) : QObject(owner) {}

TEditLink::~TEditLink() = default;

void TEditLink::SetCell(TVevIvizudEvar* grid, int col, int row) {
    grid_ = grid;
    col_ = col;
    row_ = row;
}

void TEditLink::SetRect(const TRect& rect) {
    if (QWidget* control = GetEditControl()) control->setGeometry(ToQRect(rect));
}

void TEditLink::SetFocus() {
    if (QWidget* control = GetEditControl()) control->setFocus(Qt::OtherFocusReason);
}

void TEditLink::HideEditor() {
    if (QWidget* control = GetEditControl()) control->hide();
    if (popup_) popup_->hide();
}

QWidget* TEditLink::Popup() {
    if (!popup_) popup_ = std::make_unique<TEditLinkPopup>([this] { PopupClosed(); });
    return popup_.get();
}

void TEditLink::PopupClosed() {
    if (grid_ && grid_->EditorActive() && grid_->EditorType() == TEditorType::edCustom)
        grid_->HideInplaceEdit();
}

void TEditLink::Watch() {
    QWidget* control = GetEditControl();
    if (!control || control == watched_) return;
    watched_ = control;
    control->installEventFilter(this);
    for (QWidget* child : control->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool TEditLink::eventFilter(QObject* watched, QEvent* event) {
    TVevIvizudEvar* grid = grid_;
    if (!grid || !grid->EditorActive() || grid->EditorType() != TEditorType::edCustom || !watched_)
        return false;
    if (event->type() == QEvent::FocusOut) {
        QWidget* now = QApplication::focusWidget();
        const bool inside = now && (IsWithin(now, watched_) || (popup_ && IsWithin(now, popup_.get())));
        if (!inside && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            GuardUi([grid] { grid->HideInplaceEdit(); });
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int vk = VirtualKey(*key);
    const TShiftState shift = ShiftStateOf(*key);
    bool handled = true;
    GuardUi([&] {
        switch (vk) {
        case VK_ESCAPE:
            grid->DiscardEditorValue();
            grid->EditorKeyToGrid(VK_ESCAPE, shift);
            break;
        case VK_RETURN:
            grid->EditorKeyToGrid(VK_RETURN, shift);
            break;
        case VK_TAB:
            if (grid->Options().Contains(goTabs) && !(key->modifiers() & ChordModifiers))
                grid->ControlKeyToGrid(VK_TAB, shift);
            else
                handled = false;
            break;
        default:
            handled = false;
        }
    });
    return handled;
}
