#pragma once
// TFormCopiaRota, "Copia rota atual": the user picks routes 0 to 7 by clicking tiles (Panel2 ..
// Panel9, captioned "0" .. "7"; route r is the panel numbered r + 2). A picked tile is lowered
// and teal. "O&k" closes with the result 1 and writes the picks into RouteCopyTargets; "&Cancela"
// closes with the result 2 and leaves RouteCopyTargets as it was.
// No command of the tool shows this dialog.

#include "screens/CopySelector.h"

#include <array>
#include <cstdint>

inline constexpr int RouteCount = 8;

// Entry r is 1 when route r is picked. Kept for the run.
extern std::array<std::uint8_t, RouteCount> RouteCopyTargets;

class TFormCopiaRota : public TCopySelector {
    Q_OBJECT
public:
    explicit TFormCopiaRota(QWidget* parent = nullptr);

    void FormShow() override;
    // Panel2MouseDown .. Panel9MouseDown: the click on the panel numbered panel (2 .. 9).
    void PanelMouseDown(int panel) override;
    void OkButtonClick() override;

    std::array<TSelectionTile*, RouteCount> Panel; // Panel[r] is Panel(r + 2)

private:
    std::array<std::uint8_t, RouteCount> selected_{}; // the picks while the dialog is open
};
