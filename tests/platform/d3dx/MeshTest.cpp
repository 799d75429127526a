// The D3DX mesh: creation checks, adjacency across split vertices and the
// in-place optimisation the engine runs on its meshes.
#include "../d3d8/D3D8Fixture.h"

#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <array>
#include <deque>
#include <set>

namespace d3dxtest
{

using namespace plat::d3d;

namespace
{

struct SVertex
{
    float x, y, z, nx, ny, nz, u, v;
};
constexpr std::uint32_t kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

using Triangle = std::array<std::array<float, 3>, 3>;

class CMeshTest : public d3dtest::CDeviceTest
{
protected:
    Mesh* Make(const std::vector<SVertex>& v, const std::vector<std::uint16_t>& idx)
    {
        Mesh* m = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(std::uint32_t(idx.size() / 3), std::uint32_t(v.size()),
                                    D3DXMESH_SYSTEMMEM, kFvf, m_dev, &m),
                  D3D_OK);
        if (!m) return nullptr;
        std::uint8_t* p = nullptr;
        m->LockVertexBuffer(0, &p);
        std::memcpy(p, v.data(), v.size() * sizeof(SVertex));
        m->UnlockVertexBuffer();
        m->LockIndexBuffer(0, &p);
        std::memcpy(p, idx.data(), idx.size() * 2);
        m->UnlockIndexBuffer();
        return m;
    }
    // The triangles of a mesh by corner positions, each turned to start at
    // its smallest corner (winding kept).
    static std::vector<Triangle> Triangles(Mesh* m)
    {
        std::uint8_t *vp = nullptr, *ip = nullptr;
        m->LockVertexBuffer(D3DLOCK_READONLY, &vp);
        m->LockIndexBuffer(D3DLOCK_READONLY, &ip);
        const auto* v = reinterpret_cast<const SVertex*>(vp);
        const auto* idx = reinterpret_cast<const std::uint16_t*>(ip);
        std::vector<Triangle> out;
        for (std::uint32_t f = 0; f < m->GetNumFaces(); ++f)
        {
            Triangle t;
            for (int k = 0; k < 3; ++k)
            {
                const std::uint16_t i = idx[f * 3 + std::uint32_t(k)];
                t[std::size_t(k)] = i < m->GetNumVertices() ? std::array<float, 3>{v[i].x, v[i].y, v[i].z}
                                                            : std::array<float, 3>{-1, -1, -1};
            }
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            out.push_back(t);
        }
        m->UnlockVertexBuffer();
        m->UnlockIndexBuffer();
        return out;
    }
};

// A grid of n x n quads whose vertices are not shared: each quad has its own
// four, so neighbours meet only through equal positions.
void SplitGrid(int n, float jitter, std::vector<SVertex>* v, std::vector<std::uint16_t>* idx)
{
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            const auto base = std::uint16_t(v->size());
            for (int c = 0; c < 4; ++c)
            {
                const float px = float(x + c % 2), py = float(y + c / 2);
                v->push_back({px + (c % 2 ? jitter : 0.0f), py, 0, 0, 0, -1, px, py});
            }
            for (int k : {0, 1, 2, 2, 1, 3})
                idx->push_back(std::uint16_t(base + k));
        }
}

// Misses of a 16-entry FIFO vertex cache per triangle.
float Acmr(Mesh* m)
{
    std::uint8_t* ip = nullptr;
    m->LockIndexBuffer(D3DLOCK_READONLY, &ip);
    const auto* idx = reinterpret_cast<const std::uint16_t*>(ip);
    std::deque<std::uint16_t> cache;
    int misses = 0;
    for (std::uint32_t i = 0; i < m->GetNumFaces() * 3; ++i)
        if (std::find(cache.begin(), cache.end(), idx[i]) == cache.end())
        {
            ++misses;
            cache.push_back(idx[i]);
            if (cache.size() > 16) cache.pop_front();
        }
    m->UnlockIndexBuffer();
    return float(misses) / float(m->GetNumFaces());
}

} // namespace

TEST_F(CMeshTest, CreationChecksItsArguments)
{
    Mesh* m = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, D3DXMESH_SYSTEMMEM, kFvf, m_dev, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM, kFvf, m_dev, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, kFvf, nullptr, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(m, nullptr);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, kFvf, m_dev, &m), D3D_OK);
    EXPECT_EQ(m->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(FvfStride(0x15A), 48u); // XYZB3 (24) + normal + diffuse + one set
    EXPECT_EQ(FvfStride(0x204), 32u);
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(m->GetVertexBuffer(&vb), D3D_OK);
    SBufferDesc d{};
    vb->GetDesc(&d);
    EXPECT_EQ(d.Pool, D3DPOOL_SYSTEMMEM);
    vb->Release();
    EXPECT_EQ(m->Release(), 0u);
}

TEST_F(CMeshTest, AdjacencyJoinsFacesAcrossSplitVertices)
{
    std::vector<SVertex> v;
    std::vector<std::uint16_t> idx;
    SplitGrid(2, 1e-7f, &v, &idx);
    Mesh* m = Make(v, idx);
    ASSERT_NE(m, nullptr);
    std::vector<std::uint32_t> adj(m->GetNumFaces() * 3);
    ASSERT_EQ(m->GenerateAdjacency(1e-6f, adj.data()), D3D_OK);
    // Quad 0's faces: 0 = (0,1,2) and 1 = (2,1,3). Face 1's edge 1-3 is the
    // right edge of quad 0, shared with quad 1's face 2 = (4,5,6) edge 6-4.
    EXPECT_EQ(adj[0 * 3 + 1], 1u);           // diagonal 1-2 inside the quad
    EXPECT_EQ(adj[1 * 3 + 1], 2u);           // right edge, through jittered positions
    EXPECT_EQ(adj[0 * 3 + 0], kNoNeighbour); // top edge of the grid
    // Without the tolerance the jittered seam stays open.
    ASSERT_EQ(m->GenerateAdjacency(0.0f, adj.data()), D3D_OK);
    EXPECT_EQ(adj[1 * 3 + 1], kNoNeighbour);
    m->Release();
}

TEST_F(CMeshTest, OptimizeCompactsAndReordersKeepingTriangles)
{
    // A 6x6 shared-vertex grid with faces in a scattered order, one unused
    // vertex and one face marked removed (index 0xFFFF).
    std::vector<SVertex> v;
    for (int y = 0; y <= 6; ++y)
        for (int x = 0; x <= 6; ++x)
            v.push_back({float(x), float(y), 0, 0, 0, -1, 0, 0});
    v.push_back({99, 99, 99, 0, 0, 0, 0, 0}); // used by nothing
    std::vector<std::array<std::uint16_t, 3>> faces;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
        {
            const auto a = std::uint16_t(y * 7 + x), b = std::uint16_t(a + 1), c = std::uint16_t(a + 7),
                       d = std::uint16_t(c + 1);
            faces.push_back({a, b, c});
            faces.push_back({c, b, d});
        }
    for (std::size_t i = 0; i < faces.size(); i += 7)
        std::swap(faces[i], faces[(i * 31 + 17) % faces.size()]);
    faces.push_back({0, 1, 0xFFFF});
    std::vector<std::uint16_t> idx;
    for (auto& f : faces)
        idx.insert(idx.end(), f.begin(), f.end());
    Mesh* m = Make(v, idx);
    ASSERT_NE(m, nullptr);
    std::vector<Triangle> before = Triangles(m);
    before.pop_back(); // the removed face
    const float acmrBefore = Acmr(m);
    std::vector<std::uint32_t> adj(m->GetNumFaces() * 3), faceRemap(m->GetNumFaces());
    ASSERT_EQ(m->GenerateAdjacency(1e-6f, adj.data()), D3D_OK);
    std::vector<std::uint32_t> vertexRemap;
    ASSERT_EQ(m->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE, adj.data(), nullptr,
                                 faceRemap.data(), &vertexRemap),
              D3D_OK);
    EXPECT_EQ(m->GetNumFaces(), 72u);
    EXPECT_EQ(m->GetNumVertices(), 49u);
    std::vector<Triangle> after = Triangles(m);
    // Face f of the result is old face faceRemap[f].
    for (std::uint32_t f = 0; f < m->GetNumFaces(); ++f)
        ASSERT_EQ(after[f], before[faceRemap[f]]) << f;
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_LT(Acmr(m), acmrBefore);
    EXPECT_EQ(vertexRemap.size(), 49u);
    EXPECT_EQ(std::count(vertexRemap.begin(), vertexRemap.end(), 49u), 0); // the unused vertex is gone
    // Vertices come in the order the faces first use them.
    std::uint8_t* ip = nullptr;
    m->LockIndexBuffer(D3DLOCK_READONLY, &ip);
    const auto* out = reinterpret_cast<const std::uint16_t*>(ip);
    std::uint16_t next = 0;
    for (std::uint32_t i = 0; i < 72 * 3; ++i)
    {
        ASSERT_LE(out[i], next);
        if (out[i] == next) ++next;
    }
    m->UnlockIndexBuffer();
    m->Release();
}

} // namespace d3dxtest
