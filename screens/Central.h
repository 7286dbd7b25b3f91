#pragma once
// TFormCentral, "Dados do centralizador": how the exchange calls its centralizer (section 20,
// help 36). The main window offers the command on every model but 9.
//
// A 19-byte record at ProgrammingImage 1296, written whole by OK:
//   1296  identification number 0..99, packed BCD; 0 = not defined
//   1297  call time, hour      1298  call time, minute; both 0x24 = no call time
//   1299  the centralizer's telephone number, PackedNumber (16 bytes)
// The call time is stored as ConverteHorario gives it: BCD on models 3..5, plain numbers on
// the others. A zero identification cancels the centralizer data once the user confirms:
// identification 0, no call time, no number.

#include "screens/ScreenConventions.h"

class QLabel;
class QLineEdit;

class TFormCentral : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormCentral(QWidget* parent = nullptr);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void BitBtn1Click(); // help

    QLabel* const Label1;
    QLineEdit* const MaskEdit1; // identification, 2 digits
    QLabel* const Label2;
    QLineEdit* const MaskEdit2; // call time "hh:mm"
    QLabel* const Label3;
    QLineEdit* const MaskEdit3; // telephone, 13 digits
};
