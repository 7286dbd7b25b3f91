// An Ok without a change leaves the programming's bytes as they were, in every screen, on the
// default programming of every model and on one an installer has filled in; the calendar, which
// always stores the date and time it shows, changes only the clock.

#include "EveryWindow.h"
#include "core/ExtensionCodes.h"
#include "core/ImageLayout.h"
#include "core/ProgrammingFile.h"
#include "core/ValueConversions.h"
#include "screens/ScreenConventions.h"
#include "support/UserInput.h"

#include <QPushButton>

namespace {

// The bytes Ok changed, as " offset:before->after".
std::string Differences(const std::array<std::uint8_t, ImageSize>& before) {
    std::string text;
    for (std::size_t i = 0; i < ImageSize; ++i)
        if (before[i] != ProgrammingBytes[i])
            text += " " + std::to_string(i) + ":" + std::to_string(before[i]) + "->" +
                    std::to_string(ProgrammingBytes[i]);
    return text;
}

// What an installer might have set, with the values each screen shows and writes back as they are
// (also numbers no list offers and codes a list shows as none). Without a terminal in the terminal
// table (as in every default programming) the keys of terminal 1 are programmed; withTerminal
// attaches terminal 1 to position 1.
void FillIn(bool withTerminal) {
    using namespace Offset;
    const std::pair<std::size_t, std::vector<std::uint8_t>> bytes[] = {
        {Timers, {5, 4, 6, 10, 12, 3, 7}},
        {Holidays, {1, 1, 21, 4, 25, 12}},
        {SaturdayHoliday, {9, 0}},
        {NightService, {7, 5, 9, 0}},
        {Bosses, {4}},
        {Secretaries, {5}},
        {Groups, {0, 1, 2}}, // hierarchical: positions 1 and 2
        {GroupMembership + 1, {2, 2}},
        {GroupRings, {4, 35}},
        {TrunkRecords + 4, {200, 100, 255}}, // overflow, dial tone and billing times
        {EmergencyExtension, {3}},
        {EmergencyExtensionTarget, {4}},
        {Emergency1Target, {0x60, 0x7B}},
        {DoorPhoneCommandTime, {150}},
        {DoorPhoneWaitTime, {45}},
        {DoorPhoneAttendant, {2, 0x7A}},
        {FaxAttendant, {1}},
        {PrivateCodes, {2}},
        {WakeUp + 4, {30, 0x87}}, // position 2 at 7:30 every day
        {WakeUpCount, {1}},
        {TerminalPositions, {withTerminal ? std::uint8_t{1} : NoExtension}},
        {TerminalKeys, {0x82, 3}}, // "Linha 2", "Ramal 23"
    };
    for (const auto& [offset, values] : bytes)
        for (std::size_t i = 0; i < values.size(); ++i) ProgrammingImage[offset + i] = values[i];
    ProgrammingImage.SetShortString(Names, "Recepcao");
    ProgrammingImage.SetShortString(PrivateCodeNames, "Diretoria");
    ProgrammingImage.SetPacked(DoorPhone1Number, PackPhoneNumber("4830001111"));
    PackedNumber dial = PackPhoneNumber("4832221111");
    dial[0] = 0x80;    // category "Sim"
    dial[1] |= 1 << 5; // route 1
    ProgrammingImage.SetPacked(GeneralSpeedDial, dial);
}

using UntouchedOk = EveryWindowFixture;

TEST_F(UntouchedOk, LeavesEveryScreensBytesAsTheyWere) {
    for (const int filled : {0, 1, 2})
        for (const int model : {3, 4, 5, 8, 9, 10, 11, 12, 13}) {
            SCOPED_TRACE(model);
            SCOPED_TRACE(filled);
            TFormPrinc window;
            ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
            if (filled) FillIn(filled == 2);
            ForEachCommandScreen(window, [&](QDialog& dialog) {
                auto* screen = qobject_cast<TScreenForm*>(&dialog);
                if (screen == nullptr) return;
                auto before = ProgrammingBytes;
                PressAndRelease(screen->OkButton);
                EXPECT_FALSE(screen->isVisible()) << testing::PrintToString(Boxes());
                const std::string name = screen->metaObject()->className();
                if (name == "TFormCalendar") // stores the date and time of its pickers, not the programming's
                    std::copy_n(ProgrammingBytes.begin() + Offset::ClockWeekday, 7,
                                before.begin() + Offset::ClockWeekday);
                EXPECT_EQ(Differences(before), "") << name;
            });
        }
}

} // namespace
