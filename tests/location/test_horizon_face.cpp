// The horizon model cut into view sectors: the build angle per display,
// which triangles each sector keeps, its seamless second texture pair, and
// the sector a view direction selects.
#include "graphics/Mesh.h"
#include "location/SkyHorizonFace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

constexpr float kDegree = 3.14159265f / 180.0f;

TEST(HorizonFace, BuildAngleFollowsTheDisplayWithinItsLimits)
{
    EXPECT_FLOAT_EQ(CHorizonFace::BuildAngle(800, 600), 95.0f);
    EXPECT_FLOAT_EQ(CHorizonFace::BuildAngle(1920, 1080), 99.9f);
    EXPECT_FLOAT_EQ(CHorizonFace::BuildAngle(600, 800), 93.0f);
}

TEST(HorizonFace, SectorsKeepTrianglesWithinTheAngleOfTheirAxis)
{
    // One small triangle every 5 degrees around the viewer at 3000 units,
    // its three corners within half a degree of its angle.
    std::vector<SWorkVertex> vertices;
    std::vector<std::uint16_t> indices;
    for (int a = 0; a < 360; a += 5)
    {
        for (float d : {-0.4f, 0.0f, 0.4f})
        {
            SWorkVertex v{};
            const float angle = (float(a) + d) * kDegree;
            v.position[0] = 3000.0f * std::cos(angle);
            v.position[1] = 3000.0f * std::sin(angle);
            v.position[2] = d == 0.0f ? 400.0f : 0.0f;
            indices.push_back(std::uint16_t(vertices.size()));
            vertices.push_back(v);
        }
    }
    CMesh source(MESH_MEMORY_HEAP, CHorizonFace::kFaceFvf, std::int32_t(vertices.size()), 1u,
                 std::int32_t(indices.size()));
    source.StoreVertices(vertices.data());
    std::memcpy(source.m_pIndices, indices.data(), indices.size() * 2);

    CHorizonFace face;
    face.Build(source, 800, 600); // 95 degrees
    // Triangles at angles within 95 degrees of each axis: 0, +-5 .. +-95
    // (the one at 95 has corners on both sides of the limit).
    for (int s = 0; s < 4; ++s)
    {
        ASSERT_NE(face.m_pSectors[s], nullptr);
        EXPECT_EQ(face.m_pSectors[s]->m_nIndexCount, 39 * 3) << s;
    }
    // The +y sector's second texture pair: u = atan2(x, y) x 4 / pi, no seam.
    SWorkVertex* out = nullptr;
    face.m_pSectors[1]->ExtractVertices(&out);
    std::unique_ptr<SWorkVertex[]> owned(out);
    for (int i = 0; i < face.m_pSectors[1]->m_nVertexCount; ++i)
    {
        const float x = out[i].position[0], y = out[i].position[1], z = out[i].position[2];
        EXPECT_NEAR(out[i].tex1[0], std::atan2(x, y) * 1.2732395f, 1e-4f);
        EXPECT_NEAR(out[i].tex1[1], 1.0f - z * 0.0008f, 1e-5f);
        EXPECT_LT(std::fabs(out[i].tex1[0]), 2.2f);
    }

    struct SCase
    {
        CVector direction;
        int sector;
    } cases[] = {{{1, 0.5f, 0}, 0}, {{0.5f, 1, 0}, 1}, {{-1, -0.5f, 0}, 2}, {{0.5f, -1, 0}, 3},
                 {{1, 1, 0}, 0},    {{-1, 1, 0}, 1},   {{-1, -1, 0}, 2},    {{1, -1, 0}, 0}};
    for (const SCase& c : cases)
    {
        EXPECT_EQ(face.SelectSector(c.direction), c.sector);
        EXPECT_EQ(face.SelectFace(c.direction), face.m_pSectors[c.sector].get());
    }
    face.ReleaseMeshes();
    EXPECT_EQ(face.SelectFace(CVector{1, 0, 0}), nullptr);
}

} // namespace
