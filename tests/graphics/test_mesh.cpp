// CMesh: measuring on heap meshes, the mesh file and OBJ round trips with
// their corrupt inputs, the sphere counts, work vertices, optimisation and
// drawing through the binding cache on the device.

#include "graphics/GraphicTestDevice.h"

#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace plat::d3d;
using gfxtest::CTempDir;

constexpr std::uint32_t kObjFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112

struct SVertex32
{
    float p[3], n[3], uv[2];
};

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A triangle list of 32-byte vertices as a set of corner-data triples, so
// two meshes compare whatever their vertex order.
std::multiset<std::vector<float>> Triangles(CMesh& mesh)
{
    std::multiset<std::vector<float>> out;
    mesh.Lock(true, true);
    const auto* v = reinterpret_cast<const SVertex32*>(mesh.m_pVertices);
    for (int i = 0; i + 2 < mesh.m_nIndexCount; i += 3)
    {
        std::vector<float> t;
        for (int c = 0; c < 3; ++c)
        {
            const SVertex32& x = v[mesh.m_pIndices[i + c]];
            t.insert(t.end(), {x.p[0], x.p[1], x.p[2], x.n[0], x.n[1], x.n[2], x.uv[0], x.uv[1]});
        }
        out.insert(t);
    }
    mesh.Unlock(true, true);
    return out;
}

class Mesh : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice(64, 48)); }
    void TearDown() override
    {
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    CTempDir m_dir{"mesh"};
};

TEST(MeshMeasure, EmptyAndFilledHeapMeshes)
{
    CMesh empty(MESH_MEMORY_HEAP, kObjFvf, 0, 1u, 0);
    float size[3], centre[3];
    empty.GetSize(size);
    empty.GetCenter(centre);
    for (int a = 0; a < 3; ++a)
    {
        EXPECT_FLOAT_EQ(size[a], -2e10f);
        EXPECT_FLOAT_EQ(centre[a], 0.0f);
    }
    EXPECT_EQ(empty.GetRadius(), 0.0f);
    EXPECT_EQ(empty.m_nSize, 0u);
    // The corners of an empty mesh are the zero vector.
    float lo[3] = {1, 1, 1}, hi[3] = {1, 1, 1};
    empty.GetMinPoint(lo);
    empty.GetMaxPoint(hi);
    for (int a = 0; a < 3; ++a)
    {
        EXPECT_EQ(lo[a], 0.0f);
        EXPECT_EQ(hi[a], 0.0f);
    }

    CMesh mesh(MESH_MEMORY_HEAP, kObjFvf, 2, 1u, 0);
    auto* v = reinterpret_cast<SVertex32*>(mesh.m_pVertices);
    v[0] = {{1, -2, 3}, {0, 0, 1}, {0, 0}};
    v[1] = {{-3, 4, 0}, {0, 0, 1}, {0, 0}};
    mesh.GetSize(size);
    mesh.GetCenter(centre);
    EXPECT_FLOAT_EQ(size[0], 4.0f);
    EXPECT_FLOAT_EQ(size[1], 6.0f);
    EXPECT_FLOAT_EQ(centre[1], 1.0f);
    EXPECT_FLOAT_EQ(mesh.GetRadius(), 5.0f);
    mesh.GetMinPoint(lo);
    mesh.GetMaxPoint(hi);
    EXPECT_EQ((std::vector<float>{lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]}),
              (std::vector<float>{-3, -2, 0, 1, 4, 3}));

    // Rotation by 90 degrees about z with a translation; normals only turn.
    const float m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    v[0].n[0] = 2;
    v[0].n[2] = 0;
    mesh.Transform(m);
    EXPECT_FLOAT_EQ(v[0].p[0], 12.0f);
    EXPECT_FLOAT_EQ(v[0].p[1], 1.0f);
    EXPECT_FLOAT_EQ(v[0].n[1], 1.0f);  // (2, 0, 0) turned and normalised
}

// A loader thread frees meshes while the main thread binds and forgets
// them (run under ThreadSanitizer by tools/tsan.sh). Freeing the bound
// mesh forgets it; freeing another leaves the binding alone.
TEST(MeshBinding, FreeOnALoaderThreadWhileTheMainThreadBinds)
{
    CMesh bound(MESH_MEMORY_HEAP, kObjFvf, 3, 0u, 0);
    std::thread loader(
        [&]
        {
            for (int i = 0; i < 2000; ++i)
            {
                CMesh temporary(MESH_MEMORY_HEAP, kObjFvf, 3, 0u, 0);
                temporary.Free();
            }
        });
    for (int i = 0; i < 2000; ++i)
    {
        g_pCurrentMesh = &bound;
        CMesh::ResetCurrent();
    }
    loader.join();
    g_pCurrentMesh = &bound;
    {
        CMesh other(MESH_MEMORY_HEAP, kObjFvf, 3, 0u, 0);
    }
    EXPECT_EQ(g_pCurrentMesh.load(), &bound);
    bound.Free();
    EXPECT_EQ(g_pCurrentMesh.load(), nullptr);
}

TEST(MeshMeasure, WorkVerticesFollowTheFvf)
{
    const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
    CMesh mesh(MESH_MEMORY_HEAP, fvf, 1, 0u, 0);
    ASSERT_EQ(mesh.m_nStride, 36u);
    SWorkVertex w{};
    w.position[0] = 1;
    w.position[2] = 3;
    w.normal[0] = 9;  // not in the FVF
    w.diffuse = 0x11223344;
    w.specular = 0x55667788;
    w.tex0[1] = 0.5f;
    w.tex1[0] = 0.25f;
    mesh.StoreVertices(&w);
    SWorkVertex* back = nullptr;
    mesh.ExtractVertices(&back);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->position[2], 3.0f);
    EXPECT_EQ(back->normal[0], 0.0f);
    EXPECT_EQ(back->diffuse, 0x11223344u);
    EXPECT_EQ(back->specular, 0x55667788u);
    EXPECT_EQ(back->tex0[1], 0.5f);
    EXPECT_EQ(back->tex1[0], 0.25f);
    delete[] back;
}

TEST_F(Mesh, SphereCountsAndPoles)
{
    const float light[3] = {0, 0, 1};
    std::unique_ptr<CMesh> sphere(
        CreateSphereMesh(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 2.0f, 3, 0xFFFFFFFF, 0xFF808080,
                         0xFF000000, false, light));
    EXPECT_EQ(sphere->m_nVertexCount, 4 * 8 + 2);
    EXPECT_EQ(sphere->m_nIndexCount, 3 * (2 * 3 * 8 + 8));
    EXPECT_EQ(sphere->m_nPrimitiveKind, 1u);
    EXPECT_FLOAT_EQ(sphere->GetRadius(), 2.0f);
    sphere->Lock(true, true);
    for (int i = 0; i < sphere->m_nIndexCount; ++i)
        ASSERT_LT(sphere->m_pIndices[i], sphere->m_nVertexCount);
    std::uint32_t top, bottom;
    std::memcpy(&top, sphere->m_pVertices + 24, 4);
    std::memcpy(&bottom, sphere->m_pVertices + (sphere->m_nVertexCount - 1) * sphere->m_nStride + 24, 4);
    sphere->Unlock(true, true);
    EXPECT_EQ(top, 0xFFFFFFFFu);
    EXPECT_EQ(bottom, 0xFF000000u);
}

TEST_F(Mesh, FileRoundTripAndCorruptFiles)
{
    // Indexed mesh, then a point list (index count 0: no index bytes).
    for (int indexed = 1; indexed >= 0; --indexed)
    {
        CMesh mesh(MESH_MEMORY_STATIC, D3DFVF_XYZ | D3DFVF_DIFFUSE, 3, std::uint32_t(indexed), indexed ? 3 : 0);
        mesh.Lock(true, true);
        for (std::uint32_t i = 0; i < 3 * 16; ++i)
            mesh.m_pVertices[i] = std::uint8_t(i * 7);
        if (indexed)
        {
            const std::uint16_t idx[3] = {2, 0, 1};
            std::memcpy(mesh.m_pIndices, idx, 6);
        }
        mesh.Unlock(true, true);
        const std::string path = m_dir / "mesh.bin";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(mesh.SaveToFile(f));
        std::fclose(f);

        CPakStream stream;
        ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), stream));
        CMesh loaded(MESH_MEMORY_HEAP, 0x002, 0, 0u, 0);
        ASSERT_TRUE(loaded.LoadFromStream(&stream, MESH_MEMORY_HEAP));
        EXPECT_EQ(loaded.m_nFVF, mesh.m_nFVF);
        EXPECT_EQ(loaded.m_nVertexCount, 3);
        EXPECT_EQ(loaded.m_nIndexCount, indexed ? 3 : 0);
        EXPECT_EQ(loaded.m_nPrimitiveKind, std::uint32_t(indexed));
        mesh.Lock(true, true);
        EXPECT_EQ(std::memcmp(loaded.m_pVertices, mesh.m_pVertices, 48), 0);
        if (indexed)
        {
            EXPECT_EQ(std::memcmp(loaded.m_pIndices, mesh.m_pIndices, 6), 0);
        }
        mesh.Unlock(true, true);
    }

    // No vertices (a damage variant with nothing left): an empty mesh that
    // takes no device buffers.
    {
        CMesh none(MESH_MEMORY_HEAP, D3DFVF_XYZ | D3DFVF_DIFFUSE, 0, 1u, 0);
        const std::string path = m_dir / "empty.bin";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(none.SaveToFile(f));
        std::fclose(f);
        CPakStream stream;
        ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), stream));
        CMesh loaded(MESH_MEMORY_HEAP, 0x002, 1, 0u, 0);
        ASSERT_TRUE(loaded.LoadFromStream(&stream, MESH_MEMORY_STATIC)) << m_dir.ErrorLog();
        EXPECT_EQ(loaded.m_nVertexCount, 0);
        EXPECT_EQ(loaded.m_nIndexCount, 0);
        EXPECT_EQ(loaded.m_nFVF, std::uint32_t(D3DFVF_XYZ | D3DFVF_DIFFUSE));
        EXPECT_EQ(loaded.m_pVB, nullptr);
        loaded.Render(true); // draws nothing
    }

    struct SCorrupt
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    auto header = [](std::uint32_t fvf, std::uint32_t nv, std::uint32_t ni) {
        std::vector<std::uint8_t> b(12);
        std::memcpy(&b[0], &fvf, 4);
        std::memcpy(&b[4], &nv, 4);
        std::memcpy(&b[8], &ni, 4);
        return b;
    };
    std::vector<SCorrupt> cases = {
        {"truncated header", {1, 2, 3}, "truncated header"},
        {"unknown format", header(0x100, 1, 0), "unknown vertex format"},
        {"huge vertex count", header(0x002, 0x40000000, 0), "vertex count out of range"},
        {"counts past end", header(0x002, 2, 3), "counts past end of file"},
    };
    auto bad = header(0x002, 1, 3);
    bad.resize(12 + 12 + 6, 0);
    bad[24] = 5;  // index 5 of a one-vertex mesh
    cases.push_back({"index past vertex count", bad, "index past vertex count"});
    for (const SCorrupt& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir / "bad.bin";
        WriteBytes(path, c.bytes);
        CPakStream stream;
        ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), stream));
        CMesh loaded(MESH_MEMORY_HEAP, 0x002, 1, 0u, 0);
        EXPECT_FALSE(loaded.LoadFromStream(&stream, MESH_MEMORY_HEAP));
        EXPECT_EQ(loaded.m_nVertexCount, 0);
        EXPECT_NE(m_dir.ErrorLog().find(c.reason), std::string::npos);
    }
}

TEST_F(Mesh, ObjRoundTripRepeatedCornerAndQuad)
{
    CMesh mesh(MESH_MEMORY_STATIC, kObjFvf, 4, 1u, 6);
    mesh.Lock(true, true);
    auto* v = reinterpret_cast<SVertex32*>(mesh.m_pVertices);
    v[0] = {{0, 0, 0}, {0, 0, 1}, {0, 0}};
    v[1] = {{1, 0, 0}, {0, 1, 0}, {1, 0}};
    v[2] = {{0, 1, 2}, {1, 0, 0}, {0, 0.75f}};
    v[3] = {{1, 1, -1}, {0, 0, -1}, {0.25f, 1}};
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(mesh.m_pIndices, idx, sizeof idx);
    mesh.Unlock(true, true);
    const std::string path = m_dir / "mesh.obj";
    ASSERT_TRUE(mesh.SaveObj(path.c_str()));
    CMesh back(MESH_MEMORY_HEAP, 0x002, 0, 0u, 0);
    ASSERT_TRUE(back.LoadObj(path.c_str()));
    EXPECT_EQ(back.m_nFVF, kObjFvf);
    EXPECT_EQ(back.m_nVertexCount, 4);
    EXPECT_EQ(Triangles(back), Triangles(mesh));

    // A face repeating a corner writes no indices (its slots stay zero at
    // the end); a quad keeps its first three corners; comments are skipped.
    WriteText(m_dir / "faces.obj", "# test\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvn 0 0 1\n"
                                   "f 1/1/1 1/1/1 2/1/1\n"
                                   "f 1/1/1 2/1/1 3/1/1 4/1/1\n");
    CMesh faces(MESH_MEMORY_HEAP, 0x002, 0, 0u, 0);
    ASSERT_TRUE(faces.LoadObj((m_dir / "faces.obj").c_str()));
    EXPECT_EQ(faces.m_nIndexCount, 6);
    EXPECT_EQ(faces.m_nVertexCount, 3);  // corners 1, 2, 3: the quad's 4th is not read
    faces.Lock(true, true);
    const std::uint16_t expected[6] = {0, 2, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(faces.m_pIndices, expected, sizeof expected), 0);
    faces.Unlock(true, true);
}

TEST_F(Mesh, CorruptObjFilesAreRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {"v 1 2\nvt 0 0\n", "bad number"},
        {"v 1 2 3\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 1/1/1\n", "face corner names an entry not read"},
        {"v 1 2 3\nvt 0 0\nvn 0 0 1\nf 1/1/1 1//1 1/1/1\n", "bad face corner"},
        {"v 1 2 3\nvt 0 0\nvn 0 0 1\nf 0/1/1 1/1/1 1/1/1\n", "bad face corner"},
        {"v 1 2 3\nf 1/1/1 1/1/1 1/1/1\n", "no faces with corners"},
    };
    for (auto [text, reason] : cases)
    {
        SCOPED_TRACE(text);
        WriteText(m_dir / "bad.obj", text);
        CMesh mesh(MESH_MEMORY_HEAP, 0x002, 0, 0u, 0);
        EXPECT_FALSE(mesh.LoadObj((m_dir / "bad.obj").c_str()));
        EXPECT_NE(m_dir.ErrorLog().find(reason), std::string::npos);
    }
    // More positions than the scratch table holds.
    std::string big;
    for (std::uint32_t i = 0; i <= CMesh::kObjTableSize; ++i)
        big += "v 0 0 0\n";
    WriteText(m_dir / "big.obj", big);
    CMesh mesh(MESH_MEMORY_HEAP, 0x002, 0, 0u, 0);
    EXPECT_FALSE(mesh.LoadObj((m_dir / "big.obj").c_str()));
    EXPECT_NE(m_dir.ErrorLog().find("too many entries"), std::string::npos);
    EXPECT_FALSE(mesh.LoadObj((m_dir / "missing.obj").c_str()));
}

TEST_F(Mesh, OptimizeKeepsTheTrianglesAndDropsUnusedVertices)
{
    CMesh mesh(MESH_MEMORY_STATIC, kObjFvf, 5, 1u, 6);
    mesh.Lock(true, true);
    auto* v = reinterpret_cast<SVertex32*>(mesh.m_pVertices);
    for (int i = 0; i < 5; ++i)
        v[i] = {{float(i), float(i * i), 0}, {0, 0, 1}, {0, 0}};
    const std::uint16_t idx[6] = {4, 1, 2, 2, 1, 0};  // vertex 3 unused
    std::memcpy(mesh.m_pIndices, idx, sizeof idx);
    mesh.Unlock(true, true);
    const auto before = Triangles(mesh);
    mesh.Optimize(nullptr, nullptr, nullptr);
    EXPECT_EQ(mesh.m_nVertexCount, 4);
    EXPECT_EQ(mesh.m_nIndexCount, 6);
    EXPECT_EQ(Triangles(mesh), before);
}

TEST_F(Mesh, DrawingBindsOnceAndPointListsDrawUnindexed)
{
    CMesh points(MESH_MEMORY_DYNAMIC, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 4, 0u, 0);
    EXPECT_EQ(points.m_pIB, nullptr);
    EXPECT_EQ(points.m_nSize, 4u * 20 + 2048);
    CMesh quad(MESH_MEMORY_STATIC, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 4, 1u, 6);
    Device* d = graph.m_lpDevice;
    d->BeginScene();
    quad.Render(true);
    EXPECT_EQ(g_pCurrentMesh.load(), &quad);
    // Change the stream behind the cache's back: a second draw of the same
    // mesh does not set it again.
    d->SetStreamSource(0, points.m_pVB, 20);
    quad.Render(true);
    VertexBuffer* vb = nullptr;
    std::uint32_t stride = 0;
    d->GetStreamSource(0, &vb, &stride);
    EXPECT_EQ(vb, points.m_pVB);
    if (vb)
        vb->Release();
    CMesh::ResetCurrent();
    quad.Render(true);
    d->GetStreamSource(0, &vb, &stride);
    EXPECT_EQ(vb, quad.m_pVB);
    if (vb)
        vb->Release();
    points.Render(true);
    d->GetStreamSource(0, &vb, &stride);
    EXPECT_EQ(vb, points.m_pVB);
    if (vb)
        vb->Release();
    d->EndScene();
    EXPECT_EQ(m_dir.ErrorLog().find("fails"), std::string::npos) << m_dir.ErrorLog();

    AddMeshMemory(&quad);
    EXPECT_EQ(g_MeshBytes, quad.m_nSize);
    SubMeshMemory(&quad);
    EXPECT_EQ(g_MeshCount, 0u);
}

} // namespace
