#pragma once
// TFormAtendFAX, "Atendedores de FAX": the extension that answers fax calls (section 17,
// help 29). ProgrammingImage 2574 holds its position code (0xBB none); 2575 is always 0xBB.
// The caller fills the list (PreencheCombo) before showing the screen. The extension must be in
// the numbering plan: checked on leaving the list and again at OK, where it must also be empty or
// one the list offers. "Padrão" clears the list.

#include "screens/ScreenConventions.h"

class QComboBox;
class QLabel;

class TFormAtendFAX : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormAtendFAX(QWidget* parent = nullptr);

    // Builds the program-wide list without the access codes and fills the list with an empty
    // item and the extension numbers.
    void PreencheCombo();
    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void PadButtonClick();
    void HelpBitBtnClick();
    void ComboBox1Exit();

    QLabel* const Label1;
    QComboBox* const ComboBox1;
};
