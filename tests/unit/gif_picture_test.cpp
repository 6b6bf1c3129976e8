// Decoding GIF pictures: small ones made with ImageMagick from known pixels, and bad data.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "base/gif_picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 5 x 3, four colours.
const Bytes kPlain = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x05, 0x00, 0x03, 0x00, 0xf2, 0x04, 0x00, 0x00, 0x00, 0x00,
    0xff, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x03, 0x00, 0x00, 0x03, 0x08, 0x18, 0x32, 0x04, 0x10, 0x8a, 0x91, 0x29,
    0x12, 0x00, 0x3b};
// 3 x 9, interlaced, each row of its own colour.
const Bytes kInterlaced = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x09, 0x00, 0xf3, 0x00, 0x00, 0xa8, 0x57, 0x1c,
    0xc4, 0x3b, 0x76, 0x54, 0xab, 0x0e, 0x00, 0xff, 0x00, 0x70, 0x8f, 0x68, 0x1c, 0xe3, 0x5a, 0xe0,
    0x1f, 0xd0, 0x8c, 0x73, 0xc2, 0x38, 0xc7, 0xb4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x09, 0x00, 0x40, 0x04,
    0x0d, 0x70, 0x48, 0x43, 0x89, 0x45, 0x18, 0xe8, 0xc2, 0x85, 0x3f, 0x60, 0x20, 0x46, 0x00, 0x3b};
// 12 x 2, long runs of one colour: codes that name the string being defined.
const Bytes kRuns = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0c, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00, 0x09, 0x09, 0x09,
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
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"not a GIF", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}},
        {"no frame", noFrame},
        {"no width", noWidth},
        {"a bad code", badCode},
        {"cut in the frame's data", cutInTheData},
        {"a frame far larger than the screen", hugeFrame},
    };
    for (const auto& [name, gif] : cases) EXPECT_FALSE(base::DecodeGif(gif)) << name;
}

}  // namespace
