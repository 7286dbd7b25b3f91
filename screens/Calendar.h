#pragma once
// TFormCalendar, "Calendário": the exchange's date, time and weekday (section 1, help 25).
//
// The user types or picks a date (DateField.h: a date typed digit by digit is taken whole) and a
// time, or takes both from the PC's clock ("&Sistema"). A field that shows no valid date is
// refused on OK with "Data inválida.". OK writes
// ProgrammingHeader 11..17, all plain numbers on every model:
//   11 weekday of the picked date, 1 = Sunday .. 7 = Saturday   12 day   13 month
//   14 year % 100   15 hour   16 minute   17 second
// and sets LoadedSections[1] besides the usual flags. The weekday radio group only shows the
// weekday: what OK stores always comes from the date. The pickers keep their values between
// showings; the first showing starts at the clock's current time.

#include "screens/ScreenConventions.h"

#include <array>
#include <cstdint>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTimeEdit;
class TDateField;

class TFormCalendar : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormCalendar(QWidget* parent = nullptr);

    void FormShow() override;
    void CompButtonClick();        // "&Sistema": the PC's date and time
    void DateTimePicker1Change();  // the picked date selects its weekday
    void RadioGroup1Click(int id); // shows a weekday (not stored)
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    QLabel* const Label1;
    TDateField* const DateTimePicker1;
    QLabel* const Label2;
    QTimeEdit* const DateTimePicker2;
    QGroupBox* const RadioGroup1;
    std::array<QRadioButton*, 7> RadioGroup1Items{}; // 0 = Sunday
    QPushButton* const CompButton;

    std::uint8_t WeekdayIndex = 0; // 0 = Sunday .. 6 = Saturday, mirrors the radio group

private:
    void SelectWeekdayOfDate();

    QButtonGroup* const weekdays_;
};
