#pragma once
#include <array>
#include <cstdint>
extern std::array<std::uint8_t, 16> BossSecretaryCodes;
