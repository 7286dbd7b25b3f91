#pragma once
// A date the user types or picks from a calendar: the field "dd/mm/aaaa" keeps every digit where
// it is typed, whatever the month or the year still to come allows (a day 31 typed before its
// month, 29 February before its year), and the button beside it opens a calendar. The date is the
// one the field shows when it shows a whole, valid date within the range; otherwise date() is
// invalid, and the screen refuses it on OK.

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

class TDateField : public QWidget {
    Q_OBJECT
public:
    explicit TDateField(QWidget* parent = nullptr);

    QDate date() const;
    void setDate(const QDate& date);
    void setDateRange(const QDate& first, const QDate& last);

    QLineEdit* const Edit;
    QToolButton* const CalendarButton;

signals:
    // The field shows another whole, valid date.
    void dateChanged(const QDate& date);

private:
    void ShowCalendar();
    void TextEdited();

    QDate first_{1752, 9, 14}, last_{9999, 12, 31};
    QDate shown_; // the last valid date the field showed
    QCalendarWidget* calendar_ = nullptr;
};
