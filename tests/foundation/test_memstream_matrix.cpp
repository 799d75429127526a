#include "foundation/MemStream.h"
#include "foundation/Vector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(MemStream, WriteGrowsByAQuarterAndKeepsContents)
{
    CMemStream stream;
    stream.Allocate(8);
    EXPECT_EQ(stream.Write("abcd", 4), 4u);
    EXPECT_EQ(stream.m_nCapacity, 8u);
    EXPECT_EQ(stream.Write("efghij", 6), 10u);
    EXPECT_EQ(stream.m_nCapacity, 4u + 6u + 2u);
    EXPECT_EQ(std::memcmp(stream.m_pData, "abcdefghij", 10), 0);

    CMemStream empty;
    EXPECT_EQ(empty.Write("xy", 2), 2u);
    EXPECT_EQ(std::memcmp(empty.m_pData, "xy", 2), 0);
}

TEST(MemStream, SaveSizedStreamGrowsOnlyPastItsEnd)
{
    CMemStream stream;
    stream.Allocate(50000);
    stream.m_nPosition = 45000;
    const std::vector<std::uint8_t> bytes(6000, 0x5A);
    stream.Write(bytes.data(), 10);
    EXPECT_EQ(stream.m_nCapacity, 50000u);
    stream.m_nPosition = 45000;
    stream.Write(bytes.data(), 6000);
    EXPECT_EQ(stream.m_nCapacity, 63500u);
    EXPECT_EQ(stream.m_pData[50999], 0x5A);
}

TEST(MemStream, ReserveKeepsAFieldToFillLaterAndAdvanceMovesBack)
{
    CMemStream stream;
    stream.Allocate(4);
    stream.Write("ab", 2);
    std::uint8_t* field = stream.Reserve(4);
    std::memcpy(field, "WXYZ", 4); // before the stream grows again
    EXPECT_EQ(stream.m_nPosition, 6u);
    EXPECT_EQ(std::memcmp(stream.m_pData, "abWXYZ", 6), 0);
    // A negative step moves back, never before the start.
    EXPECT_EQ(stream.Advance(static_cast<std::uint32_t>(-4)), 2u);
    EXPECT_EQ(stream.Advance(static_cast<std::uint32_t>(-40)), 0u);
    EXPECT_GE(stream.m_nCapacity, 6u);
}

TEST(MemStream, AllocateOnAnAttachedBufferDoesNotFreeIt)
{
    std::uint8_t foreign[4] = {1, 2, 3, 4};
    CMemStream stream;
    stream.m_bAttached = 1;
    stream.m_pData = foreign;
    stream.m_nCapacity = 4;
    stream.Allocate(16);
    EXPECT_EQ(stream.m_bAttached, 0u);
    EXPECT_EQ(foreign[3], 4);
}

TEST(Matrix, MultiplyIsRowVectorOrder)
{
    CMatrix scale(2.0f);
    CMatrix move(1.0f);
    move.m[3][0] = 5.0f;  // translation row
    CMatrix out;
    MatrixMultiply(&out, &scale, &move);  // scale, then move
    EXPECT_FLOAT_EQ(out.m[0][0], 2.0f);
    EXPECT_FLOAT_EQ(out.m[3][0], 5.0f);
    MatrixMultiply(&out, &move, &scale);  // move, then scale: the move is scaled
    EXPECT_FLOAT_EQ(out.m[3][0], 10.0f);
    EXPECT_FLOAT_EQ(out.m[3][3], 1.0f);
}
