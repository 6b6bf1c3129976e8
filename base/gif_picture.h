// Decoding the splash picture, a GIF, so that the window draws it without loading OLE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace base {

// A picture of palette indices, rows top to bottom, each row padded to a multiple of four
// bytes as a Windows device-independent bitmap wants it.
struct PalettePicture {
    int width = 0;
    int height = 0;
    int stride = 0;                      // bytes per row
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, 256 entries
    std::vector<std::uint8_t> pixels;    // stride * height
};

// The first frame of a GIF on its logical screen; nothing when the data are not a GIF this
// reader understands (no frame, a bad code, data that end early, a screen of 0 or a screen
// or frame over 1024 pixels a side).
std::optional<PalettePicture> DecodeGif(std::span<const std::uint8_t> gif);

}  // namespace base
