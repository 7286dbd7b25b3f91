#pragma once
// TFormSenha, "Senhas": the exchange's general password (section 7) and the number of digits of
// the extensions' passwords (section 22, models 9..13 only); help 13.
//
// ProgrammingImage:
//   2571  0x20 | first digit        2572  second digit << 4 | third digit   (digit "0" is 10)
//   3569  digits of an extension password: 2, 3 or 4
// The stored password is never shown: the field starts empty with "Senha" as a placeholder, and
// an empty field leaves the password as it is. OK checks everything before it stores anything:
// a password of one or two digits is refused and then the digit count is not stored either.
// The password part is enabled when the programming holds the password section (LoadedSections
// 7, or LoadedSectionsLegacy 4 on the earlier models); the digit count when it holds section 22
// on models 9..13.

#include "screens/ScreenConventions.h"

class QComboBox;
class QLabel;
class QLineEdit;

class TFormSenha : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormSenha(QWidget* parent = nullptr);

    void FormShow() override;
    // Filters a typed text: digits and control keys pass; anything else is dropped with a box.
    // Returns whether the key may reach the field.
    bool SenhaKeyPress(const QString& typed);
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    QLabel* const Label1;
    QLineEdit* const Senha;
    QLabel* const Label2;
    QComboBox* const ComboBox1; // "2", "3", "4"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
