#include "foundation/PackCodec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <cstdint>
#include <random>
#include <vector>

namespace
{
std::vector<std::uint8_t> Words(std::initializer_list<std::uint16_t> words)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t w : words)
    {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> Encode(CPackCodec& codec, std::uint32_t method,
                                 const std::vector<std::uint8_t>& block)
{
    std::vector<std::uint8_t> out(codec.GetEncodeCapacity());
    out.resize(codec.Encode(method, block.data(), out.data()));
    return out;
}

struct SRoundTrip
{
    const char* name;
    std::uint32_t blockSize;
    std::vector<std::uint8_t> (*make)(std::uint32_t size);
};

// Test names show the case, not the bytes of the parameter.
void PrintTo(const SRoundTrip& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<std::uint8_t> Random(std::uint32_t size)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> block(size);
    for (auto& b : block)
        b = static_cast<std::uint8_t>(random());
    return block;
}

std::vector<std::uint8_t> RunsAndNoise(std::uint32_t size)
{
    std::vector<std::uint8_t> block = Random(size);
    for (std::uint32_t i = 0; i < size / 2; ++i)
        block[i] = static_cast<std::uint8_t>(i / 64); // runs of 32 words
    // Runs of exactly 257 and 258 words (the longest a code holds, and one
    // more) in the second half, where there is room.
    for (std::uint32_t i = size / 2; i < size / 2 + 514 && i < size; ++i)
        block[i] = 0xAB;
    for (std::uint32_t i = size / 2 + 600; i < size / 2 + 600 + 516 && i < size; ++i)
        block[i] = 0xCD;
    return block;
}

std::vector<std::uint8_t> EveryValue(std::uint32_t size)
{
    std::vector<std::uint8_t> block(size);
    for (std::uint32_t i = 0; i < size; ++i)
        block[i] = static_cast<std::uint8_t>(i * 7);
    return block;
}

class PackCodecRoundTrip : public ::testing::TestWithParam<SRoundTrip>
{
};

TEST_P(PackCodecRoundTrip, EveryMethodDecodesToTheBlock)
{
    const SRoundTrip& c = GetParam();
    CPackCodec codec;
    ASSERT_TRUE(codec.Init(c.blockSize));
    const std::vector<std::uint8_t> block = c.make(c.blockSize);
    for (std::uint32_t method : {CPackCodec::kStored, CPackCodec::kLzo, CPackCodec::kRle16, 2u})
    {
        const std::vector<std::uint8_t> encoded = Encode(codec, method, block);
        ASSERT_LE(encoded.size(), codec.GetEncodeCapacity());
        std::vector<std::uint8_t> decoded(c.blockSize, 0xEE);
        ASSERT_TRUE(
            codec.Decode(method, encoded.data(), static_cast<std::uint32_t>(encoded.size()), decoded.data()))
            << "method " << method;
        EXPECT_EQ(decoded, block) << "method " << method;
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, PackCodecRoundTrip,
                         ::testing::Values(SRoundTrip{"random", 4096, Random},
                                           SRoundTrip{"runs", 4096, RunsAndNoise},
                                           SRoundTrip{"everyValue", 1024, EveryValue},
                                           SRoundTrip{"tiny", 2, Random},
                                           SRoundTrip{"odd", 63, RunsAndNoise}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackCodec, Rle16OfIdenticalBytesIsRunsAndAFinalLiteral)
{
    CPackCodec codec;
    codec.Init(2 * 300);
    const std::vector<std::uint8_t> block(600, 0x11);
    // 300 words: escape 0 (absent values, lowest wins); a run of 257, a run
    // of 42, then the last word on its own.
    EXPECT_EQ(Encode(codec, CPackCodec::kRle16, block),
              Words({0x0000, 0x00FE, 0x1111, 0x0027, 0x1111, 0x1111}));
}

TEST(PackCodec, Rle16EscapesDataWordsWithTheEscapeHighByte)
{
    CPackCodec codec;
    codec.Init(512);
    std::vector<std::uint8_t> block(512);
    for (std::uint32_t i = 0; i < 512; ++i)
        block[i] = static_cast<std::uint8_t>(i); // every value twice
    block[0x141] = 0x42;                         // 0x41 once: the escape
    const std::vector<std::uint8_t> encoded = Encode(codec, CPackCodec::kRle16, block);
    ASSERT_EQ(encoded[0], 0x41);
    // Word 0x20 is 0x4140: its high byte is the escape, so it goes out as the
    // escaped-literal pair.
    EXPECT_EQ(std::vector<std::uint8_t>(encoded.begin() + 2 + 2 * 0x20, encoded.begin() + 2 + 2 * 0x22),
              Words({0x41FF, 0x4140}));
    std::vector<std::uint8_t> decoded(512);
    ASSERT_TRUE(codec.Decode(CPackCodec::kRle16, encoded.data(), static_cast<std::uint32_t>(encoded.size()),
                             decoded.data()));
    EXPECT_EQ(decoded, block);
}

TEST(PackCodec, Rle16EscapeIsTheLeastFrequentValue)
{
    CPackCodec codec;
    codec.Init(512);
    std::vector<std::uint8_t> block(512);
    for (std::uint32_t i = 0; i < 512; ++i)
        block[i] = static_cast<std::uint8_t>(i); // every value twice
    block[0] = 1;                                // 0 now occurs once: the least
    EXPECT_EQ(Encode(codec, CPackCodec::kRle16, block)[0], 0);
    block[0] = 0;
    block[200] = 7; // 200 occurs once
    EXPECT_EQ(Encode(codec, CPackCodec::kRle16, block)[0], 200);
}

TEST(PackCodec, DamagedDataIsRefusedWithoutWritingPastTheBlock)
{
    CPackCodec codec;
    codec.Init(8);
    std::vector<std::uint8_t> out(8, 0x55);
    struct SCase
    {
        const char* name;
        std::uint32_t method;
        std::vector<std::uint8_t> data;
    };
    const SCase cases[] = {
        {"rle shorter than 4 bytes", CPackCodec::kRle16, {0, 0}},
        {"rle run past the block", CPackCodec::kRle16, Words({0x00FF, 0xFF10, 0x0102, 0x0005, 0x7777})},
        {"rle escape without value", CPackCodec::kRle16, Words({0x0007, 0x0102, 0x0700})},
        {"rle too few words", CPackCodec::kRle16, Words({0x0007, 0x0102})},
        {"rle too many literals", CPackCodec::kRle16, Words({0x0007, 1, 2, 3, 4, 5})},
        {"lzo garbage", CPackCodec::kLzo, {0x11, 0x22, 0x33, 0x44, 0x55}},
        {"stored longer than a block", CPackCodec::kStored, std::vector<std::uint8_t>(9, 1)},
    };
    for (const SCase& c : cases)
    {
        EXPECT_FALSE(
            codec.Decode(c.method, c.data.data(), static_cast<std::uint32_t>(c.data.size()), out.data()))
            << c.name;
    }
    // A stream of fewer than 4 bytes writes nothing.
    std::vector<std::uint8_t> untouched(8, 0x55);
    codec.Decode(CPackCodec::kRle16, cases[0].data.data(), 2, untouched.data());
    EXPECT_EQ(untouched, std::vector<std::uint8_t>(8, 0x55));
}

TEST(PackCodec, ChecksumIsTheByteSum)
{
    const std::vector<std::uint8_t> block = {0xFF, 0xFF, 0x01, 0x00};
    EXPECT_EQ(CPackCodec::Checksum(block.data(), 4), 0x1FFu);
}

} // namespace
