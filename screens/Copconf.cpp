#include "screens/Copconf.h"

#include "core/Language.h"
#include "core/Programming.h"

#include <QString>

TFormCopiaVia::TFormCopiaVia(QWidget* parent) : TCopySelector(parent) {
    LayOut(Panel, MaxTrunks, nullptr, 1);
}

void TFormCopiaVia::FormShow() {
    CaptionFrame(LngText("Copia via atual"), LngText("Selecione as vias"));
    const int trunks = CurrentModel().Trunks;
    for (int k = 1; k <= MaxTrunks; ++k) {
        TSelectionTile* panel = Panel[k - 1];
        selected_[k - 1] = 0;
        const bool offered = k <= 2 || k <= trunks; // panels go in pairs: 2, 4 or 6 trunks
        panel->SetCaption(offered ? QStringLiteral("0%1").arg(k) : QStringLiteral("**"));
        panel->SetLook(!offered, clBtnFace);
        panel->setEnabled(offered);
    }
}

void TFormCopiaVia::PanelMouseDown(int panel) {
    if (panel < 1 || panel > MaxTrunks || !Panel[panel - 1]->isEnabled()) return;
    selected_[panel - 1] ^= 1;
    AlternaVia(selected_[panel - 1] != 0, Panel[panel - 1]);
}

void TFormCopiaVia::AlternaVia(bool selected, TSelectionTile* panel) {
    panel->ShowSelected(selected);
}

void TFormCopiaVia::OkButtonClick() {
    done(SelectorResultOk);
}
