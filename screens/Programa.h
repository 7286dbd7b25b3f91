#pragma once
// TFormProgRama, "Categoria e programações de ramal": the categories of one extension, opened by
// its button in the main window (section 2, help 15; 23 on the page "Cancelamentos"; scratch
// table code 1 for that one extension). Pages "Diurno" and "Noturno" and their fields as in the
// categories screen (CategoryScreen.h), and a third page "Cancelamentos" on which the facilities
// programmed for the extension (ProgrammingHeader 254 + EditedPosition, bits 0..5) can be
// cancelled: a facility that is not programmed shows a disabled, unchecked box.
//
// The main window sets EditedPosition, builds the table, sets the caption and the panels
// PanelRamal ("Ramal 21") and PanelPosFis ("Posição física 01"), and shows the screen.
// ButtonCat steps "Diurno" -> "Noturno" -> "Cancelamentos" -> "Diurno" and names the next page.
// "Ramal internet" (model 9 only) is enabled for positions 0 and 1.
//
// OK checks the one record as the categories screen does; without an error it writes the
// extension's bytes (facility bit 5 taken from the record, not cleared), byte 254 + i from the six
// boxes (bits 6 and 7 cleared), and marks section 2. "&Padrão" gives the record the defaults.

#include "screens/CategoryScreen.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;

// The physical position (0-based) of the extension the screen edits; set by the main window.
extern std::uint8_t EditedPosition;

class TFormProgRama : public TCategoryScreen {
    Q_OBJECT
public:
    explicit TFormProgRama(QWidget* parent = nullptr);

    void FormShow() override;
    void ButtonOkClick();
    void ButtonCancelaClick();
    void PadButtonClick();
    void ButtonCatClick();
    void TabbedNotebook1Change() override;
    void BitBtn1Click(); // help 15, or 23 on "Cancelamentos"

    static constexpr int CancellationPage = 2;

    QLabel* const PanelRamal;  // "Ramal" + " " + the number
    QLabel* const PanelPosFis; // "Posição física" + " " + the position, two digits
    QWidget* const Cancelamentos;
    QGroupBox* const GroupBox2;
    std::array<QCheckBox*, 6> CheckBox{}; // CheckBox1 .. CheckBox6: bits 0..5 of byte 254 + i
};
