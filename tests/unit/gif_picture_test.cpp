// Decoding GIF pictures: small ones made with ImageMagick from known pixels, and bad data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/gif_picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 5 x 3, four colours.
const Bytes kPlain = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x05, 0x00, 0x03, 0x00, 0xf2, 0x04, 0x00, 0x00,
                      0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x03, 0x00, 0x00, 0x03,
                      0x08, 0x18, 0x32, 0x04, 0x10, 0x8a, 0x91, 0x29, 0x12, 0x00, 0x3b};
// 3 x 9, interlaced, each row of its own colour.
const Bytes kInterlaced = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x09, 0x00, 0xf3, 0x00, 0x00, 0xa8,
                           0x57, 0x1c, 0xc4, 0x3b, 0x76, 0x54, 0xab, 0x0e, 0x00, 0xff, 0x00, 0x70, 0x8f, 0x68,
                           0x1c, 0xe3, 0x5a, 0xe0, 0x1f, 0xd0, 0x8c, 0x73, 0xc2, 0x38, 0xc7, 0xb4, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c,
                           0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x09, 0x00, 0x40, 0x04, 0x0d, 0x70, 0x48, 0x43,
                           0x89, 0x45, 0x18, 0xe8, 0xc2, 0x85, 0x3f, 0x60, 0x20, 0x46, 0x00, 0x3b};
// 12 x 2, long runs of one colour: codes that name the string being defined.
const Bytes kRuns = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0c, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00, 0x09, 0x09, 0x09,
                     0xc8, 0x64, 0x32, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00,
                     0x0c, 0x00, 0x02, 0x00, 0x00, 0x02, 0x07, 0x84, 0x8f, 0x17, 0xb0, 0xcd, 0x5c, 0x00, 0x00, 0x3b};

struct GoodCase {
    const char* name;
    const Bytes& gif;
    int width, height;
    std::vector<std::uint32_t> colours;  // row by row, as made
};

std::vector<std::uint32_t> Repeated(std::initializer_list<std::uint32_t> rows, int width) {
    std::vector<std::uint32_t> colours;
    for (const auto row : rows) colours.insert(colours.end(), width, row);
    return colours;
}

TEST(DecodeGif, GivesThePixelsThePictureWasMadeOf) {
    // clang-format off
    const GoodCase cases[] = {
        {"plain", kPlain, 5, 3,
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x000000, 0xFF0000, 0xFF0000, 0x00FF00,
          0x0000FF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x00FF00}},
        {"interlaced", kInterlaced, 3, 9,
         Repeated({0x00FF00, 0x1CE35A, 0x38C7B4, 0x54AB0E, 0x708F68, 0x8C73C2, 0xA8571C, 0xC43B76,
                   0xE01FD0},
                  3)},
        {"runs", kRuns, 12, 2,
         [] {
             auto colours = Repeated({0x090909}, 12);
             for (int i = 0; i < 6; ++i) colours.insert(colours.end(), {0x090909, 0xC86432});
             return colours;
         }()},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto picture = base::DecodeGif(c.gif);
        ASSERT_TRUE(picture) << c.name;
        EXPECT_EQ(picture->width, c.width) << c.name;
        EXPECT_EQ(picture->height, c.height) << c.name;
        EXPECT_EQ(picture->stride % 4, 0) << c.name;
        std::vector<std::uint32_t> colours;
        for (int y = 0; y < picture->height; ++y) {
            for (int x = 0; x < picture->width; ++x) {
                colours.push_back(picture->palette.at(picture->pixels.at(y * picture->stride + x)));
            }
        }
        EXPECT_EQ(colours, c.colours) << c.name;
    }
}

// A GIF written here, pixel by pixel, with a 4-colour global palette (index i is colour
// 0x10 * (i + 1) in each channel) and codes of three bits: a clear code before every two
// pixels keeps the table from growing.
struct Written {
    int screenWidth, screenHeight, left, top, width, height;
    std::vector<std::uint8_t> indices;  // the frame's, in the order they are stored
    bool interlaced = false;
    bool localColours = false;  // a local table, whose index i is 0xA0 + i in each channel
    bool leadingClear = true;
    std::size_t endAfter = SIZE_MAX;  // an end code after this many indices
    std::vector<int> codes = {};      // when given, these codes instead of the indices'
};

Bytes Write(const Written& w) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    const auto word = [&](int value) { gif.insert(gif.end(), {std::uint8_t(value), std::uint8_t(value >> 8)}); };
    word(w.screenWidth);
    word(w.screenHeight);
    gif.insert(gif.end(), {0x81, 3, 0});  // a global table of 4 colours; background index 3
    for (int i = 0; i < 4; ++i) gif.insert(gif.end(), 3, std::uint8_t(0x10 * (i + 1)));
    gif.push_back(0x2C);
    word(w.left);
    word(w.top);
    word(w.width);
    word(w.height);
    gif.push_back(std::uint8_t((w.localColours ? 0x81 : 0) | (w.interlaced ? 0x40 : 0)));
    if (w.localColours) {
        for (int i = 0; i < 4; ++i) gif.insert(gif.end(), 3, std::uint8_t(0xA0 + i));
    }
    gif.push_back(2);  // codes of 2 bits, 3 with the clear (4) and end (5) codes
    std::vector<int> codes = w.codes;
    for (std::size_t i = 0; w.codes.empty() && i < w.indices.size() && i < w.endAfter; ++i) {
        if (i % 2 == 0 && (i > 0 || w.leadingClear)) codes.push_back(4);
        codes.push_back(w.indices[i]);
    }
    if (w.codes.empty()) codes.push_back(5);
    Bytes data;
    std::uint32_t bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= std::uint32_t(code) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8) data.push_back(std::uint8_t(bits));
    }
    if (count > 0) data.push_back(std::uint8_t(bits));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t size = std::min<std::size_t>(255, data.size() - at);
        gif.push_back(std::uint8_t(size));
        gif.insert(gif.end(), data.begin() + at, data.begin() + at + size);
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

std::vector<std::uint8_t> Counting(std::size_t count) {
    std::vector<std::uint8_t> indices;
    for (std::size_t i = 0; i < count; ++i) indices.push_back(std::uint8_t(i % 3));
    return indices;
}

struct FrameCase {
    const char* name;
    Written written;
    std::vector<std::string> rows;  // the screen's palette indices, a digit each
    std::uint32_t colourOfIndex0;
};

TEST(DecodeGif, PutsEachFrameWhereItBelongsOnTheScreen) {
    // clang-format off
    const FrameCase cases[] = {
        {"a frame at an offset; the background around it", {4, 3, 1, 2, 2, 1, {0, 1}}, {"3333", "3333", "3013"}, 0x101010},
        {"a frame past the screen's right edge is cut", {3, 2, 2, 0, 2, 2, {0, 1, 2, 0}}, {"330", "332"}, 0x101010},
        {"cut at the right edge of a screen as wide as its rows", {4, 2, 3, 0, 2, 2, {0, 1, 2, 0}}, {"3330", "3332"}, 0x101010},
        {"a code's string past the frame's end is dropped",
         {3, 2, 0, 0, 3, 1, {}, false, false, true, SIZE_MAX, {4, 0, 1, 6, 5}}, {"010", "333"}, 0x101010},
        {"a local colour table", {2, 1, 0, 0, 2, 1, {0, 1}, false, true}, {"01"}, 0xA0A0A0},
        {"interlaced, one row", {2, 1, 0, 0, 2, 1, {0, 1}, true}, {"01"}, 0x101010},
        {"interlaced, two rows", {1, 2, 0, 0, 1, 2, {0, 1}, true}, {"0", "1"}, 0x101010},
        {"interlaced, three rows", {1, 3, 0, 0, 1, 3, {0, 2, 1}, true}, {"0", "1", "2"}, 0x101010},
        {"interlaced, four rows", {1, 4, 0, 0, 1, 4, {0, 2, 1, 0}, true}, {"0", "1", "2", "0"}, 0x101010},
        {"no clear code first", {3, 1, 0, 0, 3, 1, {2, 1, 0}, false, false, false}, {"210"}, 0x101010},
        {"a frame below the screen", {2, 1, 0, 1, 2, 1, {0, 1}}, {"33"}, 0x101010},
        {"an end code before the frame is full", {3, 1, 0, 0, 3, 1, {2, 1, 0}, false, false, true, 2}, {"213"}, 0x101010},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto picture = base::DecodeGif(Write(c.written));
        ASSERT_TRUE(picture) << c.name;
        std::vector<std::string> rows;
        for (int y = 0; y < picture->height; ++y) {
            std::string row;
            for (int x = 0; x < picture->width; ++x) row += char('0' + picture->pixels[y * picture->stride + x]);
            rows.push_back(row);
        }
        EXPECT_EQ(rows, c.rows) << c.name;
        EXPECT_EQ(picture->palette[0], c.colourOfIndex0) << c.name;
    }
}

TEST(DecodeGif, KeepsToItsSizeLimitsAndRowStride) {
    struct Case {
        const char* name;
        Written written;
        int stride;  // 0: refused
    };
    // clang-format off
    const Case cases[] = {
        {"5 wide", {5, 1, 0, 0, 5, 1, Counting(5)}, 8},
        {"12 wide", {12, 1, 0, 0, 12, 1, Counting(12)}, 12},
        {"484 wide, as the splash", {484, 1, 0, 0, 484, 1, Counting(484)}, 484},
        {"a screen 1024 wide", {1024, 1, 0, 0, 1024, 1, Counting(1024)}, 1024},
        {"a screen 1024 high", {1, 1024, 0, 0, 1, 1024, Counting(1024)}, 4},
        {"a screen 1025 wide", {1025, 1, 0, 0, 1025, 1, Counting(1025)}, 0},
        {"a screen 1025 high", {1, 1025, 0, 0, 1, 1025, Counting(1025)}, 0},
        {"a frame refused for its height alone", {4, 4, 0, 0, 4, 1025, Counting(16)}, 0},
        {"a frame refused for its width alone", {4, 4, 0, 0, 1025, 4, Counting(16)}, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto picture = base::DecodeGif(Write(c.written));
        if (c.stride == 0) {
            EXPECT_FALSE(picture) << c.name;
            continue;
        }
        ASSERT_TRUE(picture) << c.name;
        EXPECT_EQ(picture->stride, c.stride) << c.name;
        EXPECT_EQ(picture->pixels.size(), std::size_t(c.stride) * picture->height) << c.name;
    }
}

TEST(DecodeGif, ReadsTheSplashPicture) {
    std::ifstream file(SMS_SPLASH_GIF, std::ios::binary);
    const Bytes gif((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto picture = base::DecodeGif(gif);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 484);
    EXPECT_EQ(picture->height, 493);
    // As ImageMagick reads the picture: 176 colours, and these pixels.
    const auto at = [&](int x, int y) { return picture->palette[picture->pixels[y * picture->stride + x]]; };
    std::set<std::uint32_t> colours;
    for (int y = 0; y < 493; ++y) {
        for (int x = 0; x < 484; ++x) colours.insert(at(x, y));
    }
    EXPECT_EQ(colours.size(), 176u);
    EXPECT_EQ(at(0, 0), 0x0B2447u);
    EXPECT_EQ(at(483, 492), 0x18366Bu);
    EXPECT_EQ(at(200, 300), 0x576CBCu);
}

TEST(DecodeGif, RefusesWhatItCannotRead) {
    Bytes noFrame(kPlain.begin(), kPlain.begin() + 37);
    noFrame.push_back(0x3B);
    Bytes noWidth = kPlain;
    noWidth[6] = noWidth[7] = 0;
    Bytes badCode = kPlain;
    badCode[57] = 0xFF;  // the first code names no string
    Bytes cutInTheData(kPlain.begin(), kPlain.begin() + 60);
    Bytes hugeFrame = kPlain;  // a frame of 65535 x 65535 on a 5 x 3 screen
    hugeFrame[50] = hugeFrame[51] = hugeFrame[52] = hugeFrame[53] = 0xFF;
    const Bytes written = Write({2, 1, 0, 0, 2, 1, {0, 1}});
    Bytes notGif = written, notGif2 = written, codeSize1 = written, codeSize9 = written;
    notGif[1] = 'X';
    notGif2[2] = 'X';
    codeSize1[35] = 1;  // the frame's minimum code size
    codeSize9[35] = 9;
    Bytes noHeight = written;
    noHeight[8] = 0;
    Bytes cutInAnExtension(kPlain.begin(), kPlain.begin() + 40);
    // clang-format off
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"GXF", notGif},
        {"GIX", notGif2},
        {"codes of 1 bit", codeSize1},
        {"codes of 9 bits", codeSize9},
        {"a screen 0 high", noHeight},
        {"cut in an extension", cutInAnExtension},
        {"not a GIF", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}},
        {"no frame", noFrame},
        {"no width", noWidth},
        {"a bad code", badCode},
        {"cut in the frame's data", cutInTheData},
        {"a frame far larger than the screen", hugeFrame},
    };
    // clang-format on
    for (const auto& [name, gif] : cases) EXPECT_FALSE(base::DecodeGif(gif)) << name;
}

}  // namespace
