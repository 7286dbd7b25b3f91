#include "screens/DateField.h"

#include "screens/ScreenFields.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr char DateFormat[] = "dd/MM/yyyy";

} // namespace

TDateField::TDateField(QWidget* parent)
    : QWidget(parent), Edit(NewMaskEdit(this, "Edit", "00/00/0000;_")),
      CalendarButton(new QToolButton(this)) {
    CalendarButton->setObjectName("CalendarButton");
    CalendarButton->setArrowType(Qt::DownArrow);
    CalendarButton->setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(Edit);
    row->addWidget(CalendarButton);
    setFocusProxy(Edit);
    connect(Edit, &QLineEdit::textChanged, this, &TDateField::TextEdited);
    connect(CalendarButton, &QToolButton::clicked, this, &TDateField::ShowCalendar);
}

QDate TDateField::date() const {
    const QDate typed = QDate::fromString(Edit->text(), DateFormat);
    return typed.isValid() && typed >= first_ && typed <= last_ ? typed : QDate();
}

void TDateField::setDate(const QDate& date) {
    Edit->setText(date.toString(DateFormat));
}

void TDateField::setDateRange(const QDate& first, const QDate& last) {
    first_ = first;
    last_ = last;
}

void TDateField::TextEdited() {
    const QDate now = date();
    if (!now.isValid() || now == shown_) return;
    shown_ = now;
    emit dateChanged(now);
}

void TDateField::ShowCalendar() {
    if (calendar_ == nullptr) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setGridVisible(true);
        const auto pick = [this](const QDate& picked) {
            setDate(picked);
            calendar_->hide();
            Edit->setFocus(Qt::PopupFocusReason);
        };
        connect(calendar_, &QCalendarWidget::clicked, this, pick);
        connect(calendar_, &QCalendarWidget::activated, this, pick); // Enter
    }
    calendar_->setDateRange(first_, last_);
    calendar_->setSelectedDate(date().isValid() ? date() : shown_);
    calendar_->adjustSize();
    calendar_->move(Edit->mapToGlobal(QPoint(0, Edit->height())));
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}
