#include "Screenshot.h"

#include <gtest/gtest.h>

#include <cstdint>

using testsupport::EncodePng;

namespace {

std::uint32_t Big32(const std::vector<unsigned char>& d, size_t at)
{
    return (std::uint32_t(d[at]) << 24) | (std::uint32_t(d[at + 1]) << 16) |
           (std::uint32_t(d[at + 2]) << 8) | d[at + 3];
}

}  // namespace

TEST(ScreenshotTest, HeaderAndPixelsOfASmallImage)
{
    // Two pixels in DIB order (B, G, R, X): pure red, then pure blue.
    const unsigned char bgrx[] = {0, 0, 255, 0, 255, 0, 0, 0};
    std::vector<unsigned char> png = EncodePng(2, 1, bgrx);

    ASSERT_GT(png.size(), 8u + 25u + 12u);
    EXPECT_EQ(png[0], 0x89);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(Big32(png, 8), 13u);  // IHDR length
    EXPECT_EQ(Big32(png, 16), 2u);  // width
    EXPECT_EQ(Big32(png, 20), 1u);  // height
    EXPECT_EQ(png[24], 8);          // bit depth
    EXPECT_EQ(png[25], 2);          // RGB
    // Every PNG ends in the same IEND chunk, whose CRC is well known.
    EXPECT_EQ(Big32(png, png.size() - 4), 0xAE426082u);

    // IDAT: zlib header, one stored block holding filter byte + 6 bytes.
    size_t idat = 8 + 25;
    ASSERT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    const unsigned char* z = png.data() + idat + 8;
    EXPECT_EQ(z[0], 0x78);
    EXPECT_EQ(z[2], 1);  // final stored block
    EXPECT_EQ(z[3] | (z[4] << 8), 7);
    const unsigned char expected[] = {0, 255, 0, 0, 0, 0, 255};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(z[7 + i], expected[i]) << i;
}
