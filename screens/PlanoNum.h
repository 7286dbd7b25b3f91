#pragma once
// TFormPlanoNum, "Plano de numeração": the extension number and the name of every physical
// position of the model (section 6, help 16), on a grid of three columns "POS.", "RAMAL", "NOME"
// with one row per position. ProgrammingImage:
//   832 + 2p   number of position p, u16 little-endian (p = 0 .. extensions - 1); model 9 writes
//              one entry more, position 12 = 0x00FF with an empty name
//   872        greatest digit count of the numbers that begin with "2", bit 7 set when those
//              numbers are not all of one length; 0 without such numbers
//   876 + 21p  name of position p (length byte + 20 Windows-1252 characters)
//
// OK checks the rows in order and stops at the first error (a box, the cursor on the row's
// number): a number has two digits or more and begins with "2" (any length) or "3" (exactly two
// digits), or is a service number: 83/84 door phone (not at position 00; 84 not on model 9), 68
// paging (models 10-12, position 07 only), 87 voice mail (models 8-13, not at position 00, at
// most two on models 10-12 and one elsewhere), 483 paging device (models 3-5). Service numbers
// get their service's name; an ordinary number whose name still names a door phone loses it.
// Then no number but 87 may repeat (reported at the later row). Names lose the blanks the mask
// pads them with at their end.
// "Padrão" asks the scope (TFormPadrao): every position gets 20 + position and no name, or the
// row in edit gets its default number.

#include "screens/ScreenConventions.h"

class TVevIvizudEvar;

class TFormPlanoNum : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormPlanoNum(QWidget* parent = nullptr);

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void PadButtonClick();
    void BitBtn1Click(); // "&Ajuda"

    TVevIvizudEvar* const VevIvizudEvar1;

private:
    struct TPlanCheck;
    std::uint16_t CheckRow(int row, TPlanCheck& plan, std::string& name);
};
