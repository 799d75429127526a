// Vertex sizes, geometry buffers and colour blending shared with the
// renderers.
#include "foundation/Color.h"
#include "foundation/Fvf.h"
#include "foundation/GeometryBuffer.h"

#include <gtest/gtest.h>

TEST(Fvf, SizesOfTheFormatsTheEngineUses)
{
    struct SCase
    {
        std::uint32_t fvf;
        std::uint32_t size;
    };
    const SCase cases[] = {
        {0x112, 32}, // XYZ | NORMAL | TEX1
        {0x142, 24}, // XYZ | DIFFUSE | TEX1
        {0x144, 28}, // XYZRHW | DIFFUSE | TEX1
        {0x204, 32}, // XYZRHW | TEX2
        {0x242, 32}, // XYZ | DIFFUSE | TEX2
        {0x042, 16}, // XYZ | DIFFUSE
        {0x104, 24}, // XYZRHW | TEX1
        {0x006, 16}, // XYZB1
        {0x018, 32}, // XYZB2 | NORMAL
        {0x0AA, 32}, // XYZB3 | PSIZE | SPECULAR
        {0x00E, 0},  // no position of that code
        {0xF00, 120} // fifteen texture sets, nothing else
    };
    for (const SCase& c : cases)
        EXPECT_EQ(GetFVFSize(c.fvf), c.size) << std::hex << c.fvf;
}

TEST(GeometryBuffer, AllocateSizesBothArraysByTheFormat)
{
    CGeometryBuffer buffer;
    std::uint16_t* indices = buffer.Allocate(0x142, 4, 6);
    ASSERT_NE(indices, nullptr);
    EXPECT_EQ(buffer.m_pIndices, indices);
    EXPECT_EQ(buffer.m_nStride, 24u);
    EXPECT_EQ(buffer.m_nVertexCount, 4u);
    EXPECT_EQ(buffer.m_nVertexCapacity, 4u);
    EXPECT_EQ(buffer.m_nIndexCapacity, 6u);
    buffer.m_pVertices[4 * 24 - 1] = 1; // the last byte is ours
    indices[5] = 3;
    EXPECT_EQ(buffer.Allocate(0x002, 2, 0), nullptr);
    EXPECT_EQ(buffer.m_nStride, 12u);
    EXPECT_EQ(buffer.m_nFVF, 0x002u);
}

TEST(Color, BlendMixesChannelsAndScalesAlpha)
{
    EXPECT_EQ(BlendColorARGB(0xFF102030, 0x00000000, 1.0f, 1.0f), 0xFF102030u);
    EXPECT_EQ(BlendColorARGB(0xFF102030, 0x80F0E0D0, 0.0f, 0.5f), 0x40F0E0D0u);
    EXPECT_EQ(BlendColorARGB(0xFFFF0000, 0xFF0000FF, 0.5f, 1.0f), 0xFF7F007Fu);
    // Weights outside 0..1 stay within each channel.
    EXPECT_EQ(BlendColorARGB(0xFFFFFFFF, 0x00000000, 2.0f, 1.0f), 0xFFFFFFFFu);
    EXPECT_EQ(BlendColorARGB(0xFFFFFFFF, 0x00000000, -1.0f, 1.0f), 0x00000000u);
}
