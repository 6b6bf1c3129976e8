// A GIF reader for the splash picture: the logical screen, the colour tables and the first
// frame's LZW data, interlaced or not, read in one pass with no copy of the data. Extensions
// are skipped.
#include "base/gif_picture.h"

namespace base {
namespace {

constexpr int kMaxSide = 1024;  // the splash window is 487 x 492
constexpr int kMaxCodes = 4096;

class GifReader {
public:
    explicit GifReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool failed = false;

    int Byte() {
        if (at_ < bytes_.size()) return bytes_[at_++];
        failed = true;
        return 0;
    }
    int Word() {
        const int low = Byte();
        return low | Byte() << 8;
    }
    void SkipSubBlocks() {
        for (int size = Byte(); size != 0 && !failed; size = Byte()) at_ += size;
    }
    void ReadColours(int flags, std::vector<std::uint32_t>& palette) {
        for (int i = 0; i < 2 << (flags & 7); ++i) {
            const std::uint32_t red = Byte(), green = Byte(), blue = Byte();
            palette[i] = red << 16 | green << 8 | blue;
        }
    }
    // Data sub-blocks start here.
    void StartData() { blockEnd_ = at_; }
    // The next code of size bits, least significant first, across the data sub-blocks; -1
    // when they end.
    int Code(int size) {
        while (bits_ < size) {
            if (at_ == blockEnd_) {
                const int length = Byte();
                if (length == 0 || failed) return -1;
                blockEnd_ = at_ + length;
            }
            buffer_ |= static_cast<std::uint32_t>(Byte()) << bits_;
            if (failed) return -1;  // the data end before their terminator
            bits_ += 8;
        }
        const int code = static_cast<int>(buffer_ & ((1u << size) - 1));
        buffer_ >>= size;
        bits_ -= size;
        return code;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    std::size_t blockEnd_ = 0;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

// Puts a frame's indices where they belong on the screen, in the order they are stored.
// Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1.
class FrameWriter {
public:
    FrameWriter(PalettePicture& picture, int left, int top, int width, int height, bool interlaced)
        : picture_(picture),
          left_(left),
          top_(top),
          width_(width),
          height_(height),
          interlaced_(interlaced) {}

    bool Full() const { return row_ >= height_; }
    void Put(std::uint8_t index) {
        const int x = left_ + column_, y = top_ + row_;
        if (x < picture_.width && y < picture_.height) {
            picture_.pixels[static_cast<std::size_t>(y) * picture_.stride + x] = index;
        }
        if (++column_ < width_) return;
        column_ = 0;
        if (!interlaced_) {
            ++row_;
            return;
        }
        static constexpr int kStarts[] = {0, 4, 2, 1, 0}, kSteps[] = {8, 8, 4, 2};
        row_ += kSteps[pass_];
        while (row_ >= height_ && pass_ < 3) row_ = kStarts[++pass_];
        if (row_ >= height_) row_ = height_;
    }

private:
    PalettePicture& picture_;
    int left_, top_, width_, height_;
    bool interlaced_;
    int column_ = 0, row_ = 0, pass_ = 0;
};

bool DecodeLzw(GifReader& reader, int minimumCodeSize, FrameWriter& out) {
    if (minimumCodeSize < 2 || minimumCodeSize > 8) return false;
    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    std::uint8_t stack[kMaxCodes + 1];
    reader.StartData();
    const int clear = 1 << minimumCodeSize;
    for (int code = 0; code < clear; ++code) suffix[code] = static_cast<std::uint8_t>(code);
    int codeSize = minimumCodeSize + 1, next = clear + 2, previous = -1, first = 0;
    while (!out.Full()) {
        int code = reader.Code(codeSize);
        if (code < 0 || code == clear + 1) break;
        if (code == clear) {
            codeSize = minimumCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code > (previous < 0 ? clear : next)) return false;
        const int read = code;
        int depth = 0;
        if (code == next) {  // the code being defined: the previous string and its first index
            stack[depth++] = static_cast<std::uint8_t>(first);
            code = previous;
        }
        while (code >= clear) {
            stack[depth++] = suffix[code];
            code = prefix[code];
        }
        first = code;
        stack[depth++] = static_cast<std::uint8_t>(code);
        while (depth > 0 && !out.Full()) out.Put(stack[--depth]);
        if (previous >= 0 && next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = static_cast<std::uint8_t>(first);
            if (++next == 1 << codeSize && codeSize < 12) ++codeSize;
        }
        previous = read;
    }
    return true;
}

}  // namespace

std::optional<PalettePicture> DecodeGif(std::span<const std::uint8_t> gif) {
    if (gif.size() < 13 || gif[0] != 'G' || gif[1] != 'I' || gif[2] != 'F') return std::nullopt;
    GifReader reader(gif.subspan(6));
    std::optional<PalettePicture> picture(std::in_place);
    picture->width = reader.Word();
    picture->height = reader.Word();
    const int screenFlags = reader.Byte();
    const std::uint8_t background = static_cast<std::uint8_t>(reader.Byte());
    reader.Byte();
    if (picture->width <= 0 || picture->height <= 0 || picture->width > kMaxSide ||
        picture->height > kMaxSide) {
        return std::nullopt;
    }
    picture->palette.assign(256, 0);
    if (screenFlags & 0x80) reader.ReadColours(screenFlags, picture->palette);
    picture->stride = (picture->width + 3) / 4 * 4;
    picture->pixels.assign(static_cast<std::size_t>(picture->stride) * picture->height, background);

    for (int block = reader.Byte(); !reader.failed; block = reader.Byte()) {
        if (block == 0x21) {
            reader.Byte();
            reader.SkipSubBlocks();
        } else if (block == 0x2C) {
            const int left = reader.Word(), top = reader.Word();
            const int width = reader.Word(), height = reader.Word();
            const int flags = reader.Byte();
            if (width > kMaxSide || height > kMaxSide) break;
            if (flags & 0x80) reader.ReadColours(flags, picture->palette);
            FrameWriter frame(*picture, left, top, width, height, flags & 0x40);
            if (!DecodeLzw(reader, reader.Byte(), frame) || reader.failed) break;
            return picture;
        } else {
            break;  // the trailer, or what is not a GIF block, before any frame
        }
    }
    return std::nullopt;
}

}  // namespace base
