#pragma once
// TFormEmergenc, "Emergência externa": where the exchange sends emergency calls (section 11,
// help 28; no "Padrão"). 52 bytes at ProgrammingImage 2481:
//   2481  emergency extension ("Ramal emergência"), position code, 0xBB none
//   2482  its external number, PackedNumber
//   2498  its internal destination, position code; 0xBF when the number is set or there is no
//         emergency extension
//   2499  Emergência 1 external number     2515  its internal destination, 0x76 when a number is set
//   2516  Emergência 2 internal destination, 0x77 when a number is set
//   2517  Emergência 2 external number
// An external number wins over an internal destination. Without an emergency extension its
// number and destination are cleared on OK whatever the fields show.
// Checks run when the user leaves a field and all again at OK: an external number needs a trunk
// with route 0; an extension must be in the numbering plan and, at OK, be empty or one its list
// offers. Emergência 2 does not exist on models
// 8, 9 and 13. The extension lists come from the program-wide list, which the caller builds
// without the access codes (BuildExtensionList(false)) before showing the screen.

#include "screens/ScreenConventions.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

class TFormEmergenc : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormEmergenc(QWidget* parent = nullptr);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void BitBtn1Click(); // help
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void MaskEdit3Exit();
    void ComboBox1Exit();
    void ComboBox2Exit();
    void ComboBox3Exit();
    void ComboBox4Exit();

    // "Emergência 1"
    QLabel *const Label1, *const Label2;
    QLineEdit* const MaskEdit1;
    QComboBox* const ComboBox1;
    // "Emergência 2"
    QLabel *const Label3, *const Label4;
    QLineEdit* const MaskEdit2;
    QComboBox* const ComboBox2;
    // "Ramal Emergência": the extension, its number and its internal destination
    QLabel *const Label5, *const Label6, *const Label7;
    QComboBox* const ComboBox3;
    QLineEdit* const MaskEdit3;
    QComboBox* const ComboBox4;
    QGroupBox *const GroupBox1, *const GroupBox2, *const GroupBox3;

private:
    // "Não existe Rota 0 programada, ...", the focus to field.
    [[noreturn]] static void ErroSemRota0(QWidget* field);
    // True when the field holds a number; refuses one while no trunk has route 0.
    static bool CheckNumber(QLineEdit* field);
    // Every check of the enabled fields, in the order of the screen.
    void CheckFields();
};
