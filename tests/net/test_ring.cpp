// The receive ring: whole records only, the wrap at exactly the capacity,
// the writer never reaching the reader, and one writer thread against one
// reader thread (run under ThreadSanitizer too).
#include "net/NetRing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace
{

std::vector<std::uint8_t> Bytes(std::uint32_t n, std::uint8_t first)
{
    std::vector<std::uint8_t> out(n);
    for (std::uint32_t i = 0; i < n; ++i)
        out[i] = std::uint8_t(first + i);
    return out;
}

} // namespace

TEST(NetRing, AWriteEndingExactlyAtTheCapacityWrapsToZero)
{
    CNetRing ring(32);
    const auto head = Bytes(4, 1);
    const auto data = Bytes(12, 50);
    ASSERT_TRUE(ring.WriteRecord(head.data(), 4, data.data(), 12));
    std::uint8_t out[16];
    ASSERT_TRUE(ring.Read(out, 16));
    ASSERT_EQ(ring.GetReadPosition(), 16u);

    // 16 + 16 == 32: the record's tail lands at the end and the write
    // position comes back to the start.
    ASSERT_TRUE(ring.WriteRecord(head.data(), 4, data.data(), 12));
    EXPECT_EQ(ring.GetWritePosition(), 0u);
    EXPECT_EQ(ring.GetReadable(), 16u);
    ASSERT_TRUE(ring.Read(out, 16));
    EXPECT_EQ(0, std::memcmp(out, head.data(), 4));
    EXPECT_EQ(0, std::memcmp(out + 4, data.data(), 12));
    EXPECT_FALSE(ring.HasData());

    // A record across the end comes back in one piece.
    const auto across = Bytes(20, 7);
    ASSERT_TRUE(ring.WriteRecord(head.data(), 4, data.data(), 12));
    ASSERT_TRUE(ring.Read(out, 16));
    ASSERT_TRUE(ring.WriteRecord(head.data(), 4, across.data(), 20));
    std::uint8_t back[24];
    ASSERT_TRUE(ring.Read(back, 24));
    EXPECT_EQ(0, std::memcmp(back + 4, across.data(), 20));
}

TEST(NetRing, TheWriterNeverReachesTheReaderAndNoRecordGoesInPart)
{
    CNetRing ring(32);
    const auto bytes = Bytes(40, 0);
    // One byte always stays free: 31 fit, 32 do not.
    EXPECT_FALSE(ring.WriteRecord(bytes.data(), 16, bytes.data(), 16));
    EXPECT_EQ(ring.GetWritePosition(), 0u);
    ASSERT_TRUE(ring.WriteRecord(bytes.data(), 16, bytes.data(), 15));
    EXPECT_EQ(ring.GetFree(), 0u);
    EXPECT_FALSE(ring.WriteRecord(bytes.data(), 1, nullptr, 0));

    // Head fits, data does not: nothing is stored.
    std::uint8_t out[31];
    ASSERT_TRUE(ring.Read(out, 20));
    const std::uint32_t write = ring.GetWritePosition();
    EXPECT_FALSE(ring.WriteRecord(bytes.data(), 8, bytes.data(), 13));
    EXPECT_EQ(ring.GetWritePosition(), write);
    EXPECT_EQ(ring.GetReadable(), 11u);
    // A read of more than is waiting takes nothing.
    EXPECT_FALSE(ring.Read(out, 12));
    EXPECT_EQ(ring.GetReadable(), 11u);
}

TEST(NetRing, OneWriterAndOneReaderPassEveryRecordInOrder)
{
    CNetRing ring(4096);
    constexpr std::uint32_t kRecords = 20000;
    std::thread writer(
        [&]
        {
            std::vector<std::uint8_t> data(600);
            for (std::uint32_t n = 0; n < kRecords; ++n)
            {
                const std::uint32_t head[2] = {n, 1 + n * 7919 % 600};
                for (std::uint32_t i = 0; i < head[1]; ++i)
                    data[i] = std::uint8_t(n + i);
                while (!ring.WriteRecord(head, sizeof head, data.data(), head[1]))
                    std::this_thread::yield();
            }
        });
    std::vector<std::uint8_t> data(600);
    for (std::uint32_t n = 0; n < kRecords; ++n)
    {
        std::uint32_t head[2];
        while (!ring.Read(head, sizeof head))
            std::this_thread::yield();
        ASSERT_EQ(head[0], n);
        ASSERT_EQ(head[1], 1 + n * 7919 % 600);
        // The record is whole as soon as its head is visible.
        ASSERT_TRUE(ring.Read(data.data(), head[1]));
        for (std::uint32_t i = 0; i < head[1]; ++i)
            ASSERT_EQ(data[i], std::uint8_t(n + i)) << n << " " << i;
    }
    writer.join();
    EXPECT_FALSE(ring.HasData());
}
