#pragma once
// TFormFeria, "Feriados": up to 16 holidays and the hour from which Saturday counts as a holiday
// (section 15, help 34; no "Padrão"). 34 bytes of ProgrammingHeader, plain numbers on every
// model:
//   652 + 2 (k - 1)  holiday k = 1..16: [day 1..31, month 1..12]; [0, 0] empty; the holidays
//                    packed at the front, ascending by month and day
//   684, 685         Saturday holiday hour and minute; 0, 0 when no hour is given
// OK refuses a date that does not exist (29/02 is accepted: the year is not known) and an
// impossible hour, and stores nothing then.

#include "core/ValueConversions.h"
#include "screens/ScreenConventions.h"

#include <array>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;

class TFormFeria : public TScreenForm {
    Q_OBJECT
public:
    static constexpr int HolidayCount = 16;

    explicit TFormFeria(QWidget* parent = nullptr);

    struct THoliday {
        bool invalid = false;
        int day = 0, month = 0; // 0, 0 for an empty field
        std::string text;       // the field's text without blanks and "_"
    };
    // The date of field k (1..16).
    THoliday DataInvalida(int k) const;
    // A Saturday hour text: empty gives 00:00; else "hh:mm" with hour < 24 and minute < 60.
    static bool HoraValida(const std::string& text, TTimePair& time);
    // The stored holiday k as "dd/mm", or "" when it is empty.
    static std::string MostraFeriados(int k);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    std::array<QLineEdit*, HolidayCount> MaskEdit{}; // MaskEdit1 .. MaskEdit16
    QLineEdit* const MaskEdit17;                     // the Saturday hour
    QLabel* const Label1;
    QGroupBox* const GroupBox1;
};
