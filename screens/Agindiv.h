#pragma once
// TFormAgIndiv, "Agenda individual de ramal": a view of the individual speed dial of every
// extension (help 21; nothing is stored). ProgrammingImage 3810 + 16 (p - 1) holds the packed
// number of position p = 1..20.
//
// The list has a row per position of the model, ascending by extension number; each row shows
// a position's own number beside that position's speed dial. "O&k" closes the view.

#include "screens/ScreenConventions.h"

class TStringGrid;

class TFormAgIndiv : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormAgIndiv(QWidget* parent = nullptr);

    void FormShow() override;
    void Button1Click(); // "O&k"
    void BitBtn1Click(); // "&Ajuda"

    TStringGrid* const StringGrid1;
};
