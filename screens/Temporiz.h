#pragma once
// TFormTempor, "Temporizações": seven timer and count values (section 10, help 27), one byte each
// in ProgrammingHeader, plain numbers:
//   290 flash x 100 ms (ComboBox1)          293 actuation 1 command s (ComboBox2)
//   294 actuation 2 command s (ComboBox3)   296 minutes between recall tries (ComboBox4)
//   291 wake-up rings (ComboBox5)           292 recall rings (ComboBox6)
//   295 external recall tries (ComboBox7)
// The lists are editable; OK refuses a text that is not a number, or a number that is neither
// one of its list's items nor its default (the recall rings' 9 lies outside the list), with a
// box and the focus on the list, and stores nothing then. "Padrão" applies the table of defaults, the flash
// time from "CENTRPRG.INI" [Default] TempoGeraFlash. Actuation 2 does not exist on models 8, 9 and 13.

#include "screens/ScreenConventions.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;

class TFormTempor : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormTempor(QWidget* parent = nullptr);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void PadButtonClick();
    void HelpBitBtnClick();

    static constexpr std::size_t TimerCount = 7;
    // ComboBox1 .. ComboBox7 and their labels, in the order of the fields' table.
    std::array<QComboBox*, TimerCount> ComboBox{};
    std::array<QLabel*, TimerCount> Label{};
    QGroupBox* const GroupBox1; // "Temporizações"
    QGroupBox* const GroupBox2; // "Outros"
};
