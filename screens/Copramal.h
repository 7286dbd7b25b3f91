#pragma once
// TFormCopRamal, "Copia programação do ramal atual": the user picks, by clicking tiles, the
// extensions onto which the categories screen copies the current extension's categories.
//
// The caller sets CopyMode, shows the dialog modally and, when the result is 1 ("O&k"), reads
// CopyTargets: entry q is 1 when the extension at physical position q (0-based) was picked.
// "&Cancela" closes with the result 2 and leaves CopyTargets as it was.
//
// Tiles: Panel2 .. Panel21 (tile j, 1-based, is the panel numbered j + 1). Tiles 1 .. E (E = the
// model's extension count) show the numbering-plan numbers ascending; only a number beginning with
// "2" or "3" can be picked, the others show a lowered bevel and stay disabled. Tiles beyond E show
// "*****". A picked tile is lowered and teal; " &Todos" picks every tile.

#include "core/ImageLayout.h"
#include "screens/CopySelector.h"

#include <array>
#include <cstdint>

// Set by the caller before showing the dialog; the categories screen sets 1. Kept for the run.
extern std::uint8_t CopyMode;
// After "O&k": 1 for each physical position picked, 0 for the others. Kept for the run.
extern std::array<std::uint8_t, MaxPositions> CopyTargets;

class TFormCopRamal : public TCopySelector {
    Q_OBJECT
public:
    explicit TFormCopRamal(QWidget* parent = nullptr);

    void FormShow() override;
    // Panel2MouseDown .. Panel21MouseDown: the click on the panel numbered panel (2 .. 21).
    void PanelMouseDown(int panel) override;
    void SelButtonClick(); // " &Todos"
    void OkButtonClick() override;

    std::array<TSelectionTile*, MaxPositions> Panel; // Panel[j - 1] is Panel(j + 1)
    QPushButton* const SelButton;

private:
    // Per tile, in display order: the picked state, the physical position shown (1-based), whether
    // the tile can be clicked and its bevel.
    std::array<std::uint8_t, MaxPositions> selected_{};
    std::array<std::uint8_t, MaxPositions> position_{};
    std::array<bool, MaxPositions> clickable_{};
    std::array<bool, MaxPositions> lowered_{};
};
