// The storage cards the library looks in, and the two probes of the
// FUJITSU Pocket LOOX card poll.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Device.h"

namespace inkvista {

struct CardFolders {
    std::array<std::u16string, 3> names;  // "Storage Card", … (no backslashes)
    int32_t count = 0;                    // how many of `names` are valid
};

// FindCardFolders: the cards the shell enumerates, in its order, then those of
// "\Storage Card", "\Storage Card2" and "\Storage Card3" that exist and are
// not already named exactly so (letter case counts); at most three.
CardFolders FindCardFolders(Device& device);

// Whether "\Storage Card" / "\Storage Card2" exists: 1 or 0.
uint8_t ProbeStorageCard(Device& device);
uint8_t ProbeStorageCard2(Device& device);

}  // namespace inkvista
