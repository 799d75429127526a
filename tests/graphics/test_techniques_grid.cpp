// Draws one lit sphere with each of the 62 techniques into an offscreen
// target, 8 x 8 cells of 64 pixels in id order (row by row), and writes the
// picture as "technique_grid.png" next to the test program (the test build
// directory, ctest's working directory) for a person to look at. The two
// water techniques draw a wavy water patch instead, through their vertex
// program with the constants the water drawing sets; map colouring draws
// the sphere through its own vertex layout.

#include "graphics/GraphicTestDevice.h"

#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/TexShaderManager.h"
#include "platform/d3d8/D3D8.h"

#include "PngWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace
{
using namespace plat::d3d;

using gfxtest::PictureDirectory;
using gfxtest::WritePng;

std::unique_ptr<CTexture> PatternTexture(std::uint32_t (*texel)(int x, int y))
{
    auto t = std::make_unique<CTexture>();
    t->CreateTexture(32, 32, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    SLockedRect locked{};
    if (t->m_lpTexture && t->m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
    {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                const std::uint32_t c = texel(x, y);
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
            }
        t->m_lpTexture->UnlockRect(0);
    }
    return t;
}

SMatrix Mul(const SMatrix& a, const SMatrix& b)
{
    return Multiply(a, b);
}

// A square water patch in the water program's layout (P, W, N, D, UV; 48
// bytes): flat at z = 0, its height given by three wave terms in W that the
// program weighs with c11.
std::unique_ptr<CMesh> WaterPatch(int n, float half)
{
    constexpr std::uint32_t kWaterFvf = D3DFVF_XYZB3 | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    const int side = n + 1;
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_STATIC, kWaterFvf, side * side, 1u, n * n * 6);
    mesh->Lock(true, true);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
        {
            float* v = reinterpret_cast<float*>(mesh->m_pVertices + (j * side + i) * 48);
            std::memset(v, 0, 48);
            const float x = (float(i) / float(n) * 2.0f - 1.0f) * half;
            const float y = (float(j) / float(n) * 2.0f - 1.0f) * half;
            v[0] = x;
            v[1] = y;
            v[3] = std::sin(3.0f * x + 1.0f * y);
            v[4] = std::sin(-1.5f * x + 4.0f * y);
            v[5] = std::sin(5.0f * (x + y));
            v[8] = 1.0f;
            // A dark water tint: the program also passes it on as the
            // specular colour, which is added after the stages.
            const std::uint32_t tint = 0xFF203040;
            std::memcpy(&v[9], &tint, 4);
            v[10] = x;
            v[11] = y;
        }
    auto* idx = reinterpret_cast<std::uint16_t*>(mesh->m_pIndices);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
        {
            const auto a = std::uint16_t(j * side + i), b = std::uint16_t(a + 1), c = std::uint16_t(a + side),
                       d = std::uint16_t(c + 1);
            // Clockwise as the camera sees the patch from above.
            for (std::uint16_t k : {a, c, b, b, c, d})
                *idx++ = k;
        }
    mesh->Unlock(true, true);
    return mesh;
}


class TechniqueGrid : public gfxtest::CGraphicDeviceTest
{
protected:
    void TearDown() override
    {
        m_manager.Purge();
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    TexShaderManager m_manager;
    gfxtest::CTempDir m_dir{"grid"};
};

TEST_F(TechniqueGrid, DrawsEveryTechniqueIntoAPicture)
{
    ASSERT_TRUE(OpenDevice(64, 48));
    ASSERT_TRUE(m_manager.Init(true));
    Device* d = graph.m_lpDevice;
    constexpr std::uint32_t kCell = 64, kSize = 8 * kCell;
    Surface* target = nullptr;
    Surface* depth = nullptr;
    ASSERT_EQ(d->CreateRenderTarget(kSize, kSize, D3DFMT_X8R8G8B8, 0, true, &target), D3D_OK);
    ASSERT_EQ(d->CreateDepthStencilSurface(kSize, kSize, D3DFMT_D24S8, 0, &depth), D3D_OK);
    ASSERT_TRUE(graph.PushRenderTarget(target, depth));

    // Texture 0: an orange and white checker whose alpha falls from left to
    // right; 1: a specular / detail stripe map; 2: a sky-blue reflection
    // with a mask gradient; 3: green.
    auto tex0 = PatternTexture([](int x, int y) {
        const std::uint32_t alpha = std::uint32_t(255 - x * 6) << 24;
        return alpha | (((x / 8 + y / 8) % 2) ? 0xE07020u : 0xF0F0F0u);
    });
    auto tex1 = PatternTexture([](int, int y) { return (y / 4) % 2 ? 0xFFFFFFFFu : 0x80404040u; });
    auto tex2 = PatternTexture([](int x, int y) {
        return (std::uint32_t(255 - y * 4) << 24) | (std::uint32_t(60 + x * 4) << 16) | 0x0090E0u;
    });
    auto tex3 = PatternTexture([](int, int) { return 0xFF30C040u; });

    const float light[3] = {0.5f, -0.5f, 0.7f};
    std::unique_ptr<CMesh> sphere(CreateSphereMesh(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2, 1.0f,
                                                   10, 0xFFFFFFFF, 0xFFFFC080, 0xFF4060FF, true, light));
    // The vertex programs read their own layouts: P, W, N, D, UV (water) and
    // P, N, D (map colouring).
    std::unique_ptr<CMesh> waterPatch = WaterPatch(16, 2.0f);
    std::unique_ptr<CMesh> mapSphere(CreateSphereMesh(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 1.0f, 10,
                                                      0xFFFFFFFF, 0xFF80FF80, 0xFF8080FF, true, light));

    SMaterial material{};
    material.Diffuse = {1, 1, 1, 0.8f};
    material.Ambient = {0.3f, 0.3f, 0.3f, 1};
    material.Specular = {1, 1, 1, 1};
    material.Power = 20;
    SLight sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1, 1, 1, 1};
    sun.Specular = {1, 1, 1, 1};
    sun.Ambient = {0.2f, 0.2f, 0.2f, 1};
    sun.Direction = {-0.4f, -0.3f, 0.85f};

    SetDefaultStates();
    SMatrix world = IdentityMatrix();
    // Turn the sphere so its pole faces up and the view sees its side.
    world.m[1][1] = 0;
    world.m[1][2] = 1;
    world.m[2][1] = -1;
    world.m[2][2] = 0;
    SMatrix view = IdentityMatrix();
    view.m[3][2] = 3.2f;
    for (int id = 0; id < kTechniqueCount; ++id)
    {
        const std::uint32_t x = std::uint32_t(id % 8) * kCell, y = std::uint32_t(id / 8) * kCell;
        const SViewport cell{x, y, kCell, kCell, 0.0f, 1.0f};
        d->SetViewport(&cell);
        // A dark blue-grey ground with a lighter band, so blending shows.
        graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF303848);
        const SRect band{std::int32_t(x), std::int32_t(y + 24), std::int32_t(x + kCell), std::int32_t(y + 40)};
        d->Clear(1, &band, D3DCLEAR_TARGET, 0xFF8088A0, 1.0f, 0);

        d->SetMaterial(&material);
        d->SetLight(0, &sun);
        d->LightEnable(0, true);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
        d->SetRenderState(D3DRS_ZENABLE, 1);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, &view);
        graph.SetProjection(100.0f, 0.1f, 60.0f, 60.0f, false);
        SetTextureFactor(0xC0FFC040, 3);

        CMesh* mesh = sphere.get();
        SMatrix projection{};
        d->GetTransform(D3DTS_PROJECTION, &projection);
        if (id == SHADER_MAP_HIDE_COLOR)
        {
            // The program takes the clip-space transform from c3-c6.
            const SMatrix clip = Mul(Mul(world, view), projection);
            SetVertexShaderMatrices(&clip.m[0][0], &clip.m[0][0]);
            mesh = mapSphere.get();
        }
        else if (m_manager.GetTechniqueCaps(id) & 2)
        {
            // What the water drawing sets: the patch (z up) seen from 40
            // degrees above the horizon, the reflection projected through
            // the camera mirrored in the water plane, the wave weights, the
            // eye in the patch's space and the slope of the surface alpha
            // (the steeper the look, the more water colour shows).
            const float sine = std::sin(0.7f), cosine = std::cos(0.7f);
            SMatrix tilt = IdentityMatrix();
            tilt.m[1][1] = sine;
            tilt.m[1][2] = cosine;
            tilt.m[2][1] = cosine;
            tilt.m[2][2] = -sine;
            SMatrix mirror = IdentityMatrix();
            mirror.m[2][2] = -1.0f;
            const SMatrix clip = Mul(Mul(tilt, view), projection);
            const SMatrix reflection = Mul(mirror, clip);
            SetVertexShaderMatrices(&clip.m[0][0], &reflection.m[0][0]);
            // q.z is the clip z; near x far / (far - near) brings it to w.
            SetVertexShaderConstant4(kVSReflectionScale, 0.5f, -0.5f, 0.1f, 0.0f);
            SetVertexShaderConstant4(kVSFog, 0, 0, 0, 0);
            SetVertexShaderConstant4(kVSWaveWeights, 0.06f, 0.05f, 0.03f, 0.0f);
            SetVertexShaderConstant4(kVSEye, 0.0f, -view.m[3][2] * cosine, view.m[3][2] * sine, -0.6f);
            mesh = waterPatch.get();
        }
        d->BeginScene();
        m_manager.ApplyStateBlock(id, mesh, tex0.get(), tex1.get(), tex2.get(), tex3.get());
        d->EndScene();
    }
    graph.PopRenderTarget();
    const SViewport full{0, 0, std::uint32_t(graph.m_nScreenWidth), std::uint32_t(graph.m_nScreenHeight), 0, 1};
    d->SetViewport(&full);

    SLockedRect locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<std::uint32_t> pixels(std::size_t(kSize) * kSize);
    for (std::uint32_t row = 0; row < kSize; ++row)
        std::memcpy(&pixels[std::size_t(row) * kSize], static_cast<const std::uint8_t*>(locked.pBits) + row * locked.Pitch,
                    kSize * 4);
    target->UnlockRect();
    target->Release();
    depth->Release();
    const std::filesystem::path picture = PictureDirectory() / "technique_grid.png";
    WritePng(picture.c_str(), pixels, kSize, kSize);
    std::printf("technique grid: %s\n", picture.c_str());

    // Each cell differs from its bare background somewhere: every technique
    // drew something (the depth-only one leaves colour as it was).
    for (int id = 0; id < kTechniqueCount; ++id)
    {
        // Depth only leaves colour as it was; the dissolve at factor alpha
        // 0.75 cuts nearly all away; the bump specular of a texture that is
        // no normal map is faint.
        if (id == SHADER_DEPTH_ONLY || id == SHADER_ALPHA_DISSOLVE || id == SHADER_BUMPMAP_SPEC) continue;
        const std::uint32_t x0 = std::uint32_t(id % 8) * kCell, y0 = std::uint32_t(id / 8) * kCell;
        int changed = 0;
        for (std::uint32_t yy = 4; yy < 20; ++yy)  // above the band
            for (std::uint32_t xx = 16; xx < 48; ++xx)
                changed += (pixels[std::size_t(y0 + yy) * kSize + x0 + xx] & 0xFFFFFF) != 0x303848;
        EXPECT_GT(changed, 0) << GetTechniqueName(id);
    }
}

} // namespace
