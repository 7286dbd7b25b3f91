#include "screens/ScratchTables.h"
std::array<std::uint8_t, 16> BossSecretaryCodes;
