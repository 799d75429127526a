// The "TM" reader's header rules and its refusal of damaged files, and the
// DXT decoder's tables, without a device.

#include "graphics/GraphicTestDevice.h"

#include "foundation/PakFileSystem.h"
#include "graphics/DXTImage.h"
#include "graphics/ImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

using gfxtest::CTempDir;

std::vector<std::uint32_t> Pattern(std::uint32_t width, std::uint32_t height, std::uint32_t seed)
{
    std::vector<std::uint32_t> px(std::size_t(width) * height);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& p : px)
    {
        x = x * 1664525u + 1013904223u;
        p = x;
    }
    return px;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<std::uint8_t> ImageBytes(std::uint32_t w, std::uint32_t h, bool compressed, std::uint32_t format,
                                     std::uint32_t levels = 0)
{
    return BuildImageFile(MakeImageLevels(Pattern(w, h, 1), w, h, levels), compressed, format);
}

struct SHeaderCase
{
    const char* name;
    std::uint32_t width, height, storedLevels;
    bool compressed;
    std::uint32_t format;
    int bits, drop;
    // expected
    std::uint32_t outWidth, outHeight, outFormat;
    int outDrop;
    std::uint32_t offset;
};

class HeaderRules : public ::testing::TestWithParam<SHeaderCase>
{
};

TEST_P(HeaderRules, DropLevelsOnlyAboveSixteenPixels)
{
    const SHeaderCase& c = GetParam();
    CTempDir dir("tmhdr");
    const std::string path = dir / "image.tm";
    WriteBytes(path, ImageBytes(c.width, c.height, c.compressed, c.format, c.storedLevels));

    CImageFileReader reader;
    CPakStream stream;
    ASSERT_TRUE(CDXTImage::ReadHeader(reader, stream, path.c_str(), c.bits, c.drop));
    EXPECT_EQ(reader.m_Header.width, c.outWidth);
    EXPECT_EQ(reader.m_Header.height, c.outHeight);
    EXPECT_EQ(reader.m_Header.format, c.outFormat);
    EXPECT_EQ(reader.m_nLevelsToDrop, c.outDrop);
    EXPECT_EQ(reader.m_nFileOffset, c.offset);
    EXPECT_EQ(reader.m_nPixelCount, std::int32_t(c.outWidth * c.outHeight));
    EXPECT_EQ(stream.Tell(), c.offset);
}

constexpr std::uint32_t kDxt5 = plat::d3d::D3DFMT_DXT5;

INSTANTIATE_TEST_SUITE_P(
    TM, HeaderRules,
    ::testing::Values(
        // 64 >> 2 is 16, not above it: all levels kept, read at 32 bits.
        SHeaderCase{"SixteenIsNotAbove", 64, 64, 0, false, 21, 16, 2, 64, 64, 21, 0, 76},
        SHeaderCase{"DropTwoAt16Bits", 128, 128, 0, false, 21, 16, 2, 32, 32, 26, 2,
                    76 + (128 * 128 + 64 * 64) * 4},
        SHeaderCase{"Format22To565", 128, 64, 0, false, 22, 16, 1, 64, 32, 23, 1, 76 + 128 * 64 * 3},
        SHeaderCase{"OneSideTooSmall", 128, 32, 0, false, 22, 16, 1, 128, 32, 22, 0, 76},
        SHeaderCase{"CompressedKeepsFormat", 128, 128, 0, true, 0, 16, 1, 64, 64, kDxt5, 1, 76 + 128 * 128},
        SHeaderCase{"ThreeLevelsDropped", 256, 256, 0, true, 0, 32, 3, 32, 32, kDxt5, 3,
                    76 + 256 * 256 + 128 * 128 + 64 * 64},
        // Only one level is stored below level 0: at most one is dropped.
        SHeaderCase{"DropStopsAtStoredLevels", 256, 256, 2, false, 22, 32, 3, 128, 128, 22, 1,
                    76 + 256 * 256 * 3},
        SHeaderCase{"NegativeDropIsNone", 64, 64, 0, false, 21, 32, -1, 64, 64, 21, 0, 76}),
    [](const auto& info) { return std::string(info.param.name); });

struct SCorruptCase
{
    const char* name;
    std::vector<std::uint8_t> (*make)();
    const char* reason;
};

std::vector<std::uint8_t> WithField(std::size_t offset, std::uint32_t value)
{
    std::vector<std::uint8_t> bytes = ImageBytes(32, 32, false, 21);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = std::uint8_t(value >> (8 * i));
    return bytes;
}

const SCorruptCase kCorrupt[] = {
    {"Empty", [] { return std::vector<std::uint8_t>(); }, "header cut short (0 of 76 bytes)"},
    {"ShortHeader",
     []
     {
         std::vector<std::uint8_t> b = ImageBytes(32, 32, false, 21);
         b.resize(40);
         return b;
     },
     "header cut short (40 of 76 bytes)"},
    {"ZeroWidth", [] { return WithField(0, 0); }, "size 0x32 out of range"},
    {"HugeHeight", [] { return WithField(4, 0x40000000); }, "out of range"},
    {"UnknownFormat", [] { return WithField(8, 24); }, "uncompressed format 24 is neither 21 nor 22"},
    // Read as a negative int, this count once passed the check.
    {"SignBitLevels", [] { return WithField(20, 0x80000000u); }, "2147483648 mip levels for a 32x32 image"},
    {"AllBitsLevels", [] { return WithField(20, 0xFFFFFFFFu); }, "4294967295 mip levels for a 32x32 image"},
    {"TooManyLevels", [] { return WithField(20, 7); }, "7 mip levels for a 32x32 image"},
    {"DataCutShort",
     []
     {
         std::vector<std::uint8_t> b = ImageBytes(32, 32, true, 0);
         b.resize(b.size() - 10);
         return b;
     },
     "data cut short"},
};

class CorruptImageFile : public ::testing::TestWithParam<SCorruptCase>
{
};

TEST_P(CorruptImageFile, IsRefusedWithItsReason)
{
    CTempDir dir("tmbad");
    const std::string path = dir / "bad.tm";
    WriteBytes(path, GetParam().make());
    CImageFileReader reader;
    CPakStream stream;
    try
    {
        CDXTImage::ReadHeader(reader, stream, path.c_str(), 32, 0);
        FAIL() << "accepted";
    }
    catch (const CImageFileError& e)
    {
        const std::string what = e.what();
        EXPECT_NE(what.find(GetParam().reason), std::string::npos) << what;
        EXPECT_NE(what.find("bad.tm"), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(TM, CorruptImageFile, ::testing::ValuesIn(kCorrupt),
                         [](const auto& info) { return std::string(info.param.name); });

// Level sizes as the format gives them: n bytes for a compressed level of
// n pixels, so the levels below 4 x 4 store only the start of their block;
// and a mip count of 0 read as one level.
TEST(ImageFile, StoredLevelSizesAndMipCountZero)
{
    CTempDir dir("tmsizes");
    struct SCase
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::uint32_t levels;
    };
    std::vector<std::uint8_t> zero = ImageBytes(8, 8, true, 0, 1);
    zero[20] = 0; // mip count 0
    const SCase cases[] = {
        // 8x8 64 + 4x4 16 + 2x2 4 + 1x1 1.
        {"dxt5 8x8 chain", ImageBytes(8, 8, true, 0), 4},
        // 16x2 32 + 8x1 8 + 4x1 4 + 2x1 2 + 1x1 1: no level a whole block row.
        {"dxt5 16x2 chain", ImageBytes(16, 2, true, 0), 5},
        {"mip count 0", zero, 1},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::uint32_t width = c.bytes[0], height = c.bytes[4];
        std::uint32_t expected = 76;
        for (std::uint32_t level = 0; level < c.levels; ++level)
            expected += StoredCompressedSize(std::max(1u, width >> level), std::max(1u, height >> level));
        EXPECT_EQ(c.bytes.size(), expected);
        const std::string path = dir / "sizes.tm";
        WriteBytes(path, c.bytes);
        CImageFileReader reader;
        CPakStream stream;
        ASSERT_TRUE(CDXTImage::ReadHeader(reader, stream, path.c_str(), 32, 0));
        EXPECT_EQ(reader.m_Header.mipLevels, c.levels);
        // The smallest level reads into a whole block, zero past its bytes.
        std::vector<std::uint8_t> blocks;
        const std::uint32_t last = c.levels - 1;
        const std::uint32_t w = std::max(1u, width >> last), h = std::max(1u, height >> last);
        stream.Seek(std::int32_t(expected - StoredCompressedSize(w, h)), SEEK_SET);
        ReadCompressedBlocks(reader, stream, w, h, blocks);
        ASSERT_EQ(blocks.size(), CDXTImage::CompressedSize(w, h));
        const std::uint32_t stored = StoredCompressedSize(w, h);
        EXPECT_TRUE(std::equal(blocks.begin(), blocks.begin() + stored, c.bytes.end() - stored));
        EXPECT_TRUE(std::all_of(blocks.begin() + stored, blocks.end(), [](std::uint8_t b) { return b == 0; }));
        CloseResFile(stream);
    }
}

TEST(ImageFile, MissingFileIsNotOpened)
{
    CImageFileReader reader;
    CPakStream stream;
    EXPECT_FALSE(CDXTImage::ReadHeader(reader, stream, "no\\such\\file.tm", 32, 0));
}

// ---- DXT tables ----------------------------------------------------------------

std::vector<std::uint32_t> DecodeOne(const std::uint8_t block[16], bool dxt5 = true)
{
    CDXTImage image;
    image.m_nWidth = image.m_nHeight = 4;
    image.m_Compressed.assign(block, block + 16);
    EXPECT_TRUE(dxt5 ? image.Decode() : image.DecodeDXT3());
    return image.m_Decoded;
}

TEST(DXTDecoder, ColourTablesMatchTheStandardDecoding)
{
    struct SCase
    {
        std::uint16_t c0, c1;
        std::uint32_t expected[4];
    };
    const SCase cases[] = {
        // Bit replication: full intensity is 255, not 248.
        {0xFFFF, 0x0000, {0xFFFFFFFF, 0xFF000000, 0xFFAAAAAA, 0xFF555555}},
        // c0 < c1 still interpolates (no black or yellow entry in DXT5).
        {0x0000, 0xF800, {0xFF000000, 0xFFFF0000, 0xFF550000, 0xFFAA0000}},
        // Equal ends: all four entries are that colour.
        {0x07E0, 0x07E0, {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}},
        // 5 and 6 bit middles: 16 -> 132, 32 -> 130.
        {0x8410, 0x0000, {0xFF848284, 0xFF000000, 0xFF585658, 0xFF2C2B2C}},
    };
    for (const SCase& c : cases)
    {
        std::uint32_t palette[4];
        DXTColorPalette(c.c0, c.c1, palette);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(palette[i], c.expected[i]) << std::hex << c.c0 << " " << c.c1 << " entry " << i;
    }

    // A block: alpha 255 everywhere, indices 0,1,2,3 along each row.
    const std::uint8_t block[16] = {255,  255,  0,    0,    0,    0,    0,    0,
                                    0xFF, 0xFF, 0x00, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    const std::vector<std::uint32_t> px = DecodeOne(block);
    EXPECT_EQ(px[0], 0xFFFFFFFFu);
    EXPECT_EQ(px[1], 0xFF000000u);
    EXPECT_EQ(px[14], 0xFFAAAAAAu);
    EXPECT_EQ(px[15], 0xFF555555u);
}

TEST(DXTDecoder, AlphaTables)
{
    std::uint8_t palette[8];
    DXT5AlphaPalette(0, 255, palette);
    EXPECT_EQ(std::vector<int>(palette, palette + 8), (std::vector<int>{0, 255, 51, 102, 153, 204, 0, 255}));
    DXT5AlphaPalette(255, 0, palette);
    EXPECT_EQ(std::vector<int>(palette, palette + 8), (std::vector<int>{255, 0, 218, 182, 145, 109, 72, 36}));

    // Indices 0..7 then 7..0, 3 bits each, lowest first.
    std::uint8_t block[16] = {255, 0};
    std::uint64_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= std::uint64_t(i < 8 ? i : 15 - i) << (3 * i);
    for (int k = 0; k < 6; ++k)
        block[2 + k] = std::uint8_t(bits >> (8 * k));
    const std::vector<std::uint32_t> px = DecodeOne(block);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(px[i] >> 24, palette[i < 8 ? i : 15 - i]) << "pixel " << i;

    // DXT3: 4-bit alphas times 17, pixel k of a row in bits 4k.
    std::uint8_t dxt3[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    const std::vector<std::uint32_t> d3 = DecodeOne(dxt3, false);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(d3[i] >> 24, std::uint32_t(i * 17)) << "pixel " << i;
}

TEST(DXTDecoder, PartialEdgeBlocksAndShortDataAreHandled)
{
    // A 6 x 2 image needs 2 blocks; the decoder fills what the image covers.
    CDXTImage image;
    image.m_nWidth = 6;
    image.m_nHeight = 2;
    image.m_Compressed = EncodeDXT5(std::vector<std::uint32_t>(12, 0x80FF0000u).data(), 6, 2);
    ASSERT_EQ(image.m_Compressed.size(), 32u);
    ASSERT_TRUE(image.Decode());
    for (std::uint32_t p : image.m_Decoded)
        EXPECT_EQ(p, 0x80FF0000u);

    image.m_Compressed.resize(31);
    EXPECT_FALSE(image.Decode());
}

TEST(DXTDecoder, EncoderRoundTripStaysClose)
{
    const std::vector<std::uint32_t> src = Pattern(8, 8, 7);
    CDXTImage image;
    image.m_nWidth = image.m_nHeight = 8;
    image.m_Compressed = EncodeDXT5(src.data(), 8, 8);
    ASSERT_TRUE(image.Decode());
    // Each 4 x 4 block of random pixels is one line through colour space, so
    // only the two ends are exact; every pixel must lie in its block's box.
    for (std::uint32_t by = 0; by < 2; ++by)
        for (std::uint32_t bx = 0; bx < 2; ++bx)
            for (int shift = 0; shift < 32; shift += 8)
            {
                std::uint32_t lo = 255, hi = 0;
                for (std::uint32_t i = 0; i < 16; ++i)
                {
                    const std::uint32_t v = src[(by * 4 + i / 4) * 8 + bx * 4 + i % 4] >> shift & 255;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
                for (std::uint32_t i = 0; i < 16; ++i)
                {
                    const std::uint32_t v =
                        image.m_Decoded[(by * 4 + i / 4) * 8 + bx * 4 + i % 4] >> shift & 255;
                    EXPECT_GE(v + 8, lo);
                    EXPECT_LE(v, hi + 8);
                }
            }
}

// ---- mip reduction --------------------------------------------------------------

TEST(MipReducer, RoundsHalfUpAndAveragesThinLevelsWithThemselves)
{
    CImageFileReader reader;
    reader.m_Header.width = 2;
    reader.m_Header.height = 2;
    reader.m_Header.format = kImageFormatA8R8G8B8;
    // Channel sums A 7, R 5, G 6, B 6: (sum + 2) / 4 gives 2, 1, 2, 2.
    std::uint32_t src[4] = {0x01010101, 0x02010202, 0x02010101, 0x02020202};
    std::uint32_t dst = 0;
    CDXTImage::MakeMipLevel(reader, {8, src}, {4, &dst}, 1);
    EXPECT_EQ(dst, 0x02010202u);

    // A 1 x 4 level becomes 1 x 2; each pixel averages a pair of rows.
    reader.m_Header.width = 1;
    reader.m_Header.height = 4;
    std::uint32_t column[4] = {0x00000000, 0x00000003, 0x00000010, 0x00000011};
    std::uint32_t half[2] = {};
    CDXTImage::MakeMipLevel(reader, {4, column}, {4, half}, 1);
    EXPECT_EQ(half[0], 0x00000002u); // (0 + 0 + 3 + 3 + 2) / 4
    EXPECT_EQ(half[1], 0x00000011u); // (16 + 16 + 17 + 17 + 2) / 4

    // 16-bit levels average each field in its own width.
    reader.m_Header.width = 2;
    reader.m_Header.height = 2;
    reader.m_Header.format = kImageFormatR5G6B5;
    std::uint16_t rgb565[4] = {0xF800, 0x0000, 0x07E0, 0x001F};
    std::uint16_t out565 = 0;
    CDXTImage::MakeMipLevel(reader, {4, rgb565}, {2, &out565}, 1);
    EXPECT_EQ(out565, std::uint16_t((8 << 11) | (16 << 5) | 8)); // (31+2)/4, (63+2)/4, (31+2)/4
}

} // namespace
