#pragma once
// TFormCodPart, "Códigos particulares": the extension and the name of each of the 40 private
// codes "00".."39" (section 19, help 18; no "Padrão"), on a grid "CÓDIGO", "RAMAL", "NOME".
// ProgrammingImage:
//   2606 + c       code c: the position code of its extension, 0xBB none
//   2646 + 21 c    its name (length byte + 20 Windows-1252 characters)
//
// OK checks the rows in order and stops at the first extension that is not in the numbering plan
// of the model ("Ramal não existe ou está incorreto.", the cursor on the cell); nothing is stored
// then. An empty extension stores 0xBB and no name. Several codes may name one extension.

#include "screens/ScreenConventions.h"

#include <string>

class TVevIvizudEvar;

// True when the text is empty or is the number of a position of the model (digits only).
bool RamalExiste(const std::string& text);

class TFormCodPart : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormCodPart(QWidget* parent = nullptr);

    static constexpr int CodeCount = 40;

    void FormShow() override;
    void OkButtonClick();
    void CancButtonClick();
    void HelpBitBtnClick();

    TVevIvizudEvar* const VevIvizudEvar1;
};
