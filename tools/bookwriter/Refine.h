// Refining an error-diffused page against the picture it was made from, as
// the eye sees both: shared by the grey and the colour quantiser.
#pragma once

#include <cstdint>
#include <vector>

namespace inkvista::bookwriter {

// A page of palette indices and what it stands for.
struct RefineInput {
    uint32_t width = 0, height = 0;
    int channels = 1;                  // 1 grey, 3 red, green, blue
    const uint8_t* picture = nullptr;  // width × height × channels values, rows unpadded
    const uint8_t* palette = nullptr;  // `channels` values per entry
    int entries = 0;                   // in the palette; every index is below it
    // Per pixel the two entries it may take (they may be equal): the two
    // around its grey value, or the two colours nearest it.
    const uint8_t* choices = nullptr;  // 2 per pixel
};

// Direct search over the page: a pixel moves to its other choice, or two
// neighbouring pixels (side by side or one above the other) trade entries
// when both may take the other's, whenever that lowers the error of the
// page against the picture: the squared difference after both are blurred
// by a Gaussian of sigma 1 (what the eye makes of a dither pattern at arm's
// length), plus a twentieth of the plain squared difference, so that the
// pattern keeps to the picture pixel by pixel too. Passes go on until
// hardly a pixel moves (fewer than 1 in 500, or 8 passes). Error diffusion leaves clumps and worms
// in flat tones and uneven dots along edges; the search evens them out. A
// page whose pixels all equal their picture values stays as it is.
void RefinePage(const RefineInput& input, std::vector<uint8_t>& indices);

}  // namespace inkvista::bookwriter
