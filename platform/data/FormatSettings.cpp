#include "platform/data/FormatSettings.h"

namespace platform::data {

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

} // namespace platform::data
