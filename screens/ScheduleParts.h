#pragma once
// What the night-service and the external-actuation screens share: the grids of times ("Num.",
// "Hora"; one row per time, "01", "02", ...; mask "99:99", every cell centred) and the radio groups
// of an activation mode.
//
// A time is a pair [hour, minute] of ProgrammingHeader, 0x60 0x60 for none, packed BCD on models
// 3, 4 and 5 and plain numbers on every other model (ValueConversions.h: FormatClockTime shows
// and ConverteHorario stores through the same rule). Times are sorted ascending with the empty
// pairs last.
//
// Activation modes, two bits of byte 830 (shift 2 actuation 1, 4 night service, 6 actuation 2):
// 3 "Ativa nos dias úteis", 2 "Ativa todos os dias", 0 "Não ativa"; the value 1 shows as "Ativa
// nos dias úteis" for the actuations and as no choice for the night service.

#include "core/ImageView.h"
#include "core/ValueConversions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QRadioButton;
class QWidget;
class TVevIvizudEvar;

using TTimePairs = std::vector<TTimePair>;
inline constexpr TTimePair EmptyTime{NoTime, NoTime};

// A time grid, and the panel (group box) around it.
TVevIvizudEvar* NewTimeGrid(QWidget* parent, const char* name);
QGroupBox* NewGridPanel(QWidget* parent, const char* name, TVevIvizudEvar* grid);
// Rows for `times` times; the grid's width and height fit `visibleTimes` rows.
void SetUpTimeGrid(TVevIvizudEvar& grid, int times, int visibleTimes);
// Row i shows time i - 1 of the list.
void ShowTimes(TVevIvizudEvar& grid, const TTimePairs& times);
// The pairs of `count` pairs of ProgrammingHeader from offset (two bytes each, stride apart).
TTimePairs StoredTimes(std::size_t offset, int count, std::size_t stride = 2);
// The time of a row through the converter; a refused text fails at the cell with the message.
using TTimeConverter = bool (*)(std::string_view, TTimePair&);
TTimePair ReadTime(TVevIvizudEvar& grid, int row, TTimeConverter convert, const char* message);
// Ascending by hour, then minute; the empty pairs last.
void SortTimes(TTimePairs& times);

// A group of the three activation radio buttons.
class TActivationChoice {
public:
    TActivationChoice(QWidget* parent, const char* name);
    void Caption(const char* title); // and the three buttons, translated
    void Show(std::uint8_t activation, int shift, bool loneBitIsWorkdays);
    // The mode's two bits at their place in byte 830.
    std::uint8_t Bits(int shift) const;
    // Writes the mode into byte 830 of the header (the other bits kept); "Não ativa" when the
    // sorted times have no first time.
    void Store(const TImageView& header, int shift, const TTimePair& firstTime) const;
    void SetEnabled(bool enabled);

    QGroupBox* const Group;
    QRadioButton* const Workdays; // "Ativa nos dias úteis"
    QRadioButton* const EveryDay; // "Ativa todos os dias"
    QRadioButton* const Off;      // "Não ativa"

private:
    QButtonGroup* const buttons_;
};
