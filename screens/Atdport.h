#pragma once
// TFormAtdPort, "Atendedores dos Porteiros": the two door phones (section 12, help 30), and the
// test the main window makes after the extension-group screen.
//
// 38 bytes at ProgrammingImage 2533 (door phone 1 / 2):
//   2533 / 2534  command time: seconds x 50 (ComboBox2 / ComboBox6, 1..5 s)
//   2535 / 2536  answer wait, seconds (ComboBox3 / ComboBox7, 15..90 in steps of 5)
//   2537 / 2538  attendant: a position code, 0x70 for "60", 0x71..0x74 for the extension groups
//                "61".."64", 0xBB none (ComboBox1 / ComboBox5)
//   2539 / 2555  external number, PackedNumber (MaskEdit1 / MaskEdit2)
// An attendant that names an empty extension group (its type byte at 2425 + 8 (g - 1) is 0x40)
// is shown empty. The attendant lists offer the extensions, "60" and the groups in use; an
// attendant must be in the numbering plan (checked on leaving the list and again at OK) and, at
// OK, be empty or one the list offers. The time lists are editable: OK refuses a text that is not
// a number, or a time that is not one of its list's items.
// Door phone 2 does not exist on model 9. "Padrão": the first extension, the command time of
// "CENTRPRG.INI" [Default] TempoComando, a 30 s wait, no number.

#include "core/ImageLayout.h"
#include "screens/ScreenConventions.h"

#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// True when the attendant code names an extension group (0x71..0x74) that is empty.
bool GrupoVazio(PositionCode attendant);
// True when either door phone's attendant names an empty extension group.
bool PorteiroComGrupoVazio();
// The text an attendant shows: "60", "6n" for a group in use, the extension's number, or four
// blanks (none, an empty group, the codes 0x79 and 0x7A).
std::string DescreveAtendedor(PositionCode attendant);
// After the extension-group screen: when a door phone's attendant names an emptied group, warns
// ("Aviso") and opens the door-phone screen modally. Returns whether it did.
bool WarnDoorPhonesWithEmptyGroup(QWidget* parent);

class TFormAtdPort : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormAtdPort(QWidget* parent = nullptr);

    void FormShow() override; // builds the program-wide list with the access codes itself
    void PreencheCombos();    // both attendant lists from the program-wide list
    void OkButtonClick();
    void CancButtonClick();
    void PadButtonClick();
    void HelpBitBtnClick();
    void ComboBox1Exit();
    void ComboBox5Exit();

    // "Porteiro 1"
    QLabel *const Label1, *const Label2, *const Label3, *const Label4;
    QComboBox* const ComboBox1; // attendant
    QComboBox* const ComboBox3; // answer wait
    QComboBox* const ComboBox2; // command time
    QLineEdit* const MaskEdit1;
    // "Porteiro 2"
    QLabel *const Label5, *const Label6, *const Label7, *const Label8;
    QComboBox* const ComboBox5;
    QComboBox* const ComboBox7;
    QComboBox* const ComboBox6;
    QLineEdit* const MaskEdit2;
    QGroupBox *const GroupBox1, *const GroupBox2;

private:
    struct TDoorPhone {
        QComboBox *attendant, *wait, *command;
        QLineEdit* number;
    };
    std::array<TDoorPhone, 2> DoorPhones() const;
};
