// Decodes any bytes as the splash picture: no crash, no read or write beyond a buffer, and a
// picture, when there is one, whose pixels fill its rows exactly.
#include <cstdint>
#include <cstdlib>

#include "launcher/gif_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto picture = launcher::DecodeGif({data, size});
    if (picture && (picture->pixels.size() != static_cast<std::size_t>(picture->stride) * picture->height ||
                    picture->stride < picture->width || picture->palette.size() != 256)) {
        std::abort();
    }
    return 0;
}
