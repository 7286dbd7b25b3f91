#pragma once
// Builds the default programming of a model from the table of defaults (DefaultValues.h): the
// contents of the default programming files and of the test fixtures.

#include "core/DefaultValues.h"
#include "core/ImageLayout.h"

#include <array>
#include <cstdint>

// The values "CENTRPRG.INI" can change ([Default]); the default files use these.
struct TDefaultSettings {
    std::uint8_t flashTime = Defaults::FlashTime;                 // "TempoGeraFlash"
    std::uint8_t commandTime = Defaults::DoorPhoneCommandSeconds; // "TempoComando", seconds
    bool digitLimit = true;                                       // "LimiteCifras"
};

using TImageBytes = std::array<std::uint8_t, ImageSize>;

// The default programming of a known model; raises std::invalid_argument for another code.
TImageBytes BuildDefaultImage(std::uint8_t model, const TDefaultSettings& settings = {});
