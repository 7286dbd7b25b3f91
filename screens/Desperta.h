#pragma once
// TFormDesperta, "Programação de despertador": one wake-up call per extension, a time of day and
// a repetition (section 21, help 22; no "Padrão"). The grid lists the extensions whose number
// begins with "2" or "3", ascending by number; the radio group "Despertar" shows the repetition
// of the row in edit, and a choice made in it (click or arrow key) goes to that row at once, so
// that OK never misses it. ProgrammingImage:
//   3486 + 4 (p - 1)  wake-up of position p = 1..20: [minute, hour | repetition, 0x60, 0x60];
//                     0x60 0x60 = no time. Repetition (bits 6-7 of the hour byte, only with a
//                     time): 0x00 "Uma única vez", 0x80 "Todo dia", 0x40 "Todo dia útil",
//                     0xC0 "Repetidamente"
//   3566              the number of extensions with a time       3567, 3568  written 0x60
// Times are plain numbers on every model. OK refuses a time that is not hh:mm with hh < 24 and
// mm < 60 (a box, the cursor on the cell); it writes every entry: positions not listed, and
// listed ones without a time, get 60 60 60 60.

#include "screens/ScreenConventions.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QRadioButton;
class TVevIvizudEvar;

class TFormDesperta : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormDesperta(QWidget* parent = nullptr);

    // A repetition that no radio button holds: stored as "Uma única vez".
    static constexpr std::uint8_t NoMode = 0x10;

    // A time text: blanks removed, "__:__", "" and ":" give 0x60 0x60; else "hh:mm" as plain
    // numbers. False for any other text.
    static bool ConverteHora(const std::string& text, std::uint8_t& hour, std::uint8_t& minute);
    static std::string FormataHora(std::uint8_t hour, std::uint8_t minute);

    void FormShow() override;
    void MontaListaDespertador();
    void VevIvizudEvar1SelectCell(int row);
    void RadioGroup1Exit(); // the repetition chosen goes to the row in edit
    void OkButtonClick();
    void CancelButtonClick();
    void BitBtnAjudaClick();

    // The listed extensions, in grid order (row i + 1).
    struct TWakeUpRow {
        std::uint16_t number = 0;
        int position = 0; // 1-based
        std::uint8_t mode = NoMode;
    };
    std::vector<TWakeUpRow> Lista;

    TVevIvizudEvar* const VevIvizudEvar1;
    QGroupBox* const RadioGroup1; // "Despertar"
    std::array<QRadioButton*, 4> RadioItems{};

private:
    int ItemIndex() const; // -1: none
    void SetItemIndex(int item);

    QButtonGroup* const modes_;
};
