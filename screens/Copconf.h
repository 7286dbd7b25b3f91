#pragma once
// TFormCopiaVia, "Copia via atual": the user picks, by clicking tiles, the trunks onto which the
// trunk screen copies the settings of the trunk in edit.
//
// Tiles Panel1 .. Panel6: panel k stands for trunk k and shows "0k". Panels 1 and 2 are always
// offered; panels 3-4 and 5-6 only when the model has at least 4 or 6 trunks, else they show "**",
// lowered and disabled. A picked tile is lowered and teal. "O&k" closes with the result 1,
// "&Cancela" with the result 2; the caller reads Selected() after "O&k".

#include "screens/CopySelector.h"

#include <array>
#include <cstdint>

inline constexpr int MaxTrunks = 6;

class TFormCopiaVia : public TCopySelector {
    Q_OBJECT
public:
    explicit TFormCopiaVia(QWidget* parent = nullptr);

    void FormShow() override; // clears the picks
    // Panel1MouseDown .. Panel6MouseDown: toggles the pick of trunk panel.
    void PanelMouseDown(int panel) override;
    void OkButtonClick() override;
    void CancelButtonClick() { CancButtonClick(); }

    // The look of a picked (lowered, teal) or unpicked (raised, button face) tile.
    static void AlternaVia(bool selected, TSelectionTile* panel);

    // Entry k - 1 is 1 when trunk k was picked.
    const std::array<std::uint8_t, MaxTrunks>& Selected() const { return selected_; }

    std::array<TSelectionTile*, MaxTrunks> Panel; // Panel[k - 1] is Panel(k)

private:
    std::array<std::uint8_t, MaxTrunks> selected_{};
};
