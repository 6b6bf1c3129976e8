// Decodes any bytes as the splash picture: no crash, no read or write beyond a buffer, and a
// picture, when there is one, whose pixels fill its rows exactly.
#include <cstdint>
#include <cstdlib>

#include "base/gif_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small screens only: a large one costs its whole canvas on every input and adds no path
    // (the unit tests read the 484 x 493 splash).
    if (size >= 10 && long{data[6] | data[7] << 8} * long{data[8] | data[9] << 8} > 64 * 64) return 0;
    const auto picture = base::DecodeGif({data, size});
    if (picture && (picture->pixels.size() != static_cast<std::size_t>(picture->stride) * picture->height ||
                    picture->stride < picture->width || picture->palette.size() != 256)) {
        std::abort();
    }
    return 0;
}
