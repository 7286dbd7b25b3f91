#pragma once
// TFormAgColet, "Agenda geral": the 30 entries of the general speed dial (section 5, help 26; no
// "Padrão"), on a grid "Agenda", "Categoria", "Rota", "Número", "Nome" whose fixed column shows
// each entry's dialling code (760.. on models above 8, 60.. on the earlier ones).
// ProgrammingImage:
//   1315 + 16 (i - 1)  entry i = 1..30, a packed number whose first two bytes carry more:
//                      byte 0 bit 7 the category ("Sim"), bits 0-6 kept as loaded;
//                      byte 1 bits 0-4 the digit count (0 = empty entry), bits 5-7 the route
//   1795 + 21 (i - 1)  the entry's name (length byte + 20 Windows-1252 characters)
//
// OK checks the rows in order and stops at the first error (a box, the cursor on the cell): a
// route is a digit 0..6 and needs a number of digits; a number needs a route; no two entries may
// have the same route and number. A row without route and number stores an empty entry with the
// category cleared and no name; a number of blanks only is no number.

#include "screens/ScreenConventions.h"

class TVevIvizudEvar;

// True when the two entries have the same route, digit count and digits (bytes 1..15).
bool MesmoNumeroRota(const PackedNumber& first, const PackedNumber& second);

class TFormAgColet : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormAgColet(QWidget* parent = nullptr);

    static constexpr int EntryCount = 30;

    void FormShow() override;
    void PreencheAgendaGeral();
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    TVevIvizudEvar* const VevIvizudEvar1;
};
