#include "screens/ScreenConventions.h"

#include "core/Language.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Marks the buttons of the button row: leaving a field for one of them runs no field check.
constexpr char ScreenButtonProperty[] = "screenButton";

QPushButton* NewButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setProperty(ScreenButtonProperty, true);
    return button;
}

// The user moved the focus (the screen's own focus moves, pop-ups and other windows do not count).
bool IsUserMove(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

TScreenForm::TScreenForm(QWidget* parent, unsigned buttons, int helpContext, const char* helpButtonName)
    : QDialog(parent), OkButton(NewButton(this, "OkButton")), CancButton(NewButton(this, "CancButton")),
      PadButton((buttons & WithDefault) ? NewButton(this, "PadButton") : nullptr),
      HelpButton((buttons & WithHelp) ? NewButton(this, helpButtonName) : nullptr),
      helpContext_(helpContext) {
    OkButton->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : {OkButton, CancButton, PadButton, HelpButton})
        if (button) row->addWidget(button);
    auto* root = new QVBoxLayout(this);
    root->addLayout(row);
}

void TScreenForm::SetContent(QLayout* content) {
    static_cast<QVBoxLayout*>(layout())->insertLayout(0, content);
}

void TScreenForm::CaptionButtons() {
    OkButton->setText(TrLabel("O&k"));
    CancButton->setText(TrLabel("&Cancela"));
    if (PadButton) PadButton->setText(TrLabel("&Padrão"));
    if (HelpButton) HelpButton->setText(TrLabel("&Ajuda"));
}

bool TScreenForm::RunOk(const std::function<void(TProgrammingEdit&)>& body) {
    TProgrammingEdit edit;
    if (!Guard([&] { body(edit); })) return false;
    edit.Commit();
    accept();
    return true;
}

bool TScreenForm::Guard(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const EScreenCheck& check) {
        ShowFailedCheck(check);
    } catch (const std::exception& error) {
        ShowError(this, FailureMessage(error));
    }
    return false;
}

void TScreenForm::ShowFailedCheck(const EScreenCheck& check) {
    if (*check.what() != '\0') ShowError(this, check.what());
    if (check.Field()) check.Field()->setFocus(Qt::OtherFocusReason);
}

void TScreenForm::ShowHelp() {
    Guard([this] { HelpService().ShowContext(this, helpContext_); });
}

void TScreenForm::BindExit(QWidget* field, std::function<void()> handler) {
    exitHandlers_[field] = std::move(handler);
    field->installEventFilter(this);
}

void FillKeepingCentre(QDialog& dialog, const std::function<void()>& fill) {
    const QPoint centre = dialog.geometry().center();
    const QSize before = dialog.size();
    fill();
    FitDialogToTexts(dialog); // the title whole, the size of what is shown now
    if (dialog.size() == before) return;
    QRect geometry = dialog.geometry();
    geometry.moveCenter(centre);
    if (const QScreen* screen = dialog.screen()) {
        const QRect area = screen->availableGeometry();
        geometry.moveLeft(std::max(area.left(), std::min(geometry.left(), area.right() - geometry.width())));
        geometry.moveTop(std::max(area.top(), std::min(geometry.top(), area.bottom() - geometry.height())));
    }
    dialog.move(geometry.topLeft());
}

void TScreenForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FillKeepingCentre(*this, [this] { Guard([this] { FormShow(); }); });
}

bool TScreenForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && exitHandlers_.contains(watched) &&
        IsUserMove(static_cast<QFocusEvent*>(event)->reason())) {
        // Checked once the focus has settled, so that the check knows where the user went.
        QTimer::singleShot(0, this, [this, field = QPointer<QWidget>(static_cast<QWidget*>(watched))] {
            if (field) LeaveField(field);
        });
    }
    return QDialog::eventFilter(watched, event);
}

void TScreenForm::LeaveField(QWidget* field) {
    if (!isVisible() || inExitHandler_ || !field->isEnabled()) return;
    QWidget* now = QApplication::focusWidget();
    if (!now || now == field || field->isAncestorOf(now) || now->window() != this) return;
    if (now->property(ScreenButtonProperty).toBool()) return;
    inExitHandler_ = true;
    Guard(exitHandlers_.at(field));
    inExitHandler_ = false;
}
