// Tone controls of `pack`, off unless asked for: a page keeps the tone of
// its picture by default, as darkened pages are what readers of converted
// books complain of most.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "bookwriter/ImageFiles.h"
#include "bookwriter/Lanczos.h"

namespace inkvista::bookwriter {

struct ToneRule {
    bool autocontrast = false;
    std::optional<double> gamma;  // above 1 lightens the mid-tones, below 1 darkens them
};

// Gamma values --gamma takes.
constexpr double kMinGamma = 0.1, kMaxGamma = 10;

using ToneCurve = std::array<uint8_t, 256>;

// The curve for `region` of `picture`, or none when the rule changes nothing.
// Autocontrast stretches the levels between the darkest and the lightest
// 0.5 % of the pixels (by luma) to the full range, so that a few specks of
// dust or ink do not hold it back; a picture whose levels span less than 32
// values (a blank page) is left as it is. The gamma curve is
// 255 × (v / 255) ^ (1 / G), applied after the stretch.
std::optional<ToneCurve> ToneCurveFor(const RasterImage& picture, const Region& region,
                                      const ToneRule& rule);

// Every value of `image` (each channel of a colour picture) through `curve`.
void ApplyTone(const ToneCurve& curve, RasterImage* image);

}  // namespace inkvista::bookwriter
