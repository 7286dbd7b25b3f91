#pragma once
// The keys of the intelligent terminals, as the keys screen and the report show them.
//
// ProgrammingImage 4170 + 25 (t - 1) + (k - 1) holds the function code of key k (1..25) of
// terminal t (1..10):
//   0..19     the extension at that physical position      100..101  door phone 1..2
//   102..103  actuation command 1..2                       104..105  boss-secretary group 1..2
//   106 room monitoring   107 do not disturb   108 padlock   109 general ringing
//   110..117  extension group 1..8 (the programming has groups 1..4)          118 paging
//   119..120  hands-free boss-secretary group 1..2          129..158  trunk line 1..30
//   161..167  route 1..7        170 route 0                 255 no function
// Every other code names no function.
// The keys are lettered A..U (1..21), "V/W" (22), X, Y, Z (23..25).

#include <QString>

#include <cstdint>

namespace KeyCode {
inline constexpr std::uint8_t DoorPhone1 = 100, Actuation1 = 102, BossSecretary1 = 104;
inline constexpr std::uint8_t RoomMonitoring = 106, DoNotDisturb = 107, Padlock = 108, GeneralRinging = 109;
inline constexpr std::uint8_t Group1 = 110, Paging = 118, HandsFree1 = 119, Line1 = 129;
inline constexpr std::uint8_t RouteBase = 160, Route0 = 170, NoFunction = 255;
} // namespace KeyCode

// The text of a key's function ("Ramal 21", "Rota 0", "Sem função", ...), translated; empty for
// the codes that name no function.
QString DescreveTecla(std::uint8_t code);

// The letter of key 1..25: "A".."U", "V/W", "X", "Y", "Z".
QString KeyLetter(int key);
