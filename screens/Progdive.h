#pragma once
// TFormProgDiv, "Programações diversas": the call-ticketing and other option bits of
// ProgrammingHeader 297 and 298 (section 13, help 31). A set bit turns the option on.
//   297: b7 parallel printer (RadioButton2; RadioButton1 serial), b6 ticketing of outgoing calls,
//        b0 of incoming calls, b2 blocking by charge alarm, b5 unanswered incoming calls,
//        b4 calls before answer
//   298: b2 caller's category, b4 conference, b5 return of transferred calls, b6 CPA facilities,
//        b0 internal call without queue, b3 TI captures unanswered calls, b1 music on hold
// Bits 1 and 3 of 297 and bit 7 of 298 are kept. Model 9 always has music on hold (shown ticked,
// disabled); the parallel printer does not exist on models 8, 9, 13, nor the caller's category
// on models 8 and 13. A disabled control still writes what it shows. "Padrão" shows the bits of
// the default programming (core/DefaultValues.h).

#include "screens/ScreenConventions.h"

#include <cstdint>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QRadioButton;

// Sets bit n (0..7) of the byte when on, else clears it.
void AjustaBit(bool on, std::uint8_t& byte, int n);

class TFormProgDiv : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormProgDiv(QWidget* parent = nullptr);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void PadButtonClick();
    void HelpBitBtnClick();

    QGroupBox* const GroupBox1; // "&Bilhetagem"
    QRadioButton* const RadioButton1;
    QRadioButton* const RadioButton2;
    QCheckBox *const CheckBox5, *const CheckBox7, *const CheckBox8, *const CheckBox9, *const CheckBox6,
                                                                                          *const CheckBox12;
    QGroupBox* const GroupBox2; // "&Outros"
    QCheckBox *const CheckBox1, *const CheckBox2, *const CheckBox3, *const CheckBox11, *const CheckBox4,
                                                                                           *const CheckBox13;

private:
    struct TBitControl {
        QAbstractButton* control;
        std::size_t offset;
        int bit;
        const char* caption;
    };
    std::vector<TBitControl> Bits() const; // in the order OK stores them
    void ShowBits(std::uint8_t bits297, std::uint8_t bits298);
};
