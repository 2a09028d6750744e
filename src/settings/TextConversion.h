// How book header texts become display text: the system code page, or the
// program's own Hangul table (the `koreanPatch` setting).
#pragma once

#include "settings/ViewOption.h"

namespace inkvista {

enum class TextConversion { System, KoreanTable };

// The system conversion unless `koreanPatch` is set; before any option file
// is read the program uses TextConversion::System.
inline TextConversion TextConversionFor(const ViewOption& option) {
    return ViewSettings::Of(option).koreanPatch ? TextConversion::KoreanTable
                                                : TextConversion::System;
}

}  // namespace inkvista
