// The environment's picture through the Direct3D 8 layer offscreen: the
// sky's clear colour at noon and at night, linear and exponential fog at
// two depths, and a picture of the sample location's environment at 06:00,
// 12:00, 19:00 and 23:00 over a ground mesh of the sample heights (the
// terrain renderer is not part of this test).
#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "location/EnvFX.h"
#include "graphics/TexShaderManager.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"
#include "tools/mksample/SampleLocation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstring>
#include <memory>

namespace
{
using namespace plat::d3d;

CMatrix LookAt(const CVector& eye, const CVector& at)
{
    const CVector z = Normalize(at - eye);
    CVector up{0.0f, 0.0f, 1.0f}, x, y;
    VectorCross(&x, &up, &z);
    x = Normalize(x);
    VectorCross(&y, &z, &x);
    CMatrix m(1.0f);
    const CVector axes[3] = {x, y, z};
    for (int c = 0; c < 3; ++c)
    {
        m.m[0][c] = (&axes[c].x)[0];
        m.m[1][c] = (&axes[c].x)[1];
        m.m[2][c] = (&axes[c].x)[2];
        m.m[3][c] = -(axes[c].x * eye.x + axes[c].y * eye.y + axes[c].z * eye.z);
    }
    return m;
}

CMatrix Perspective(float fovY, float aspect, float n, float f)
{
    CMatrix m;
    const float h = 1.0f / std::tan(fovY * 0.5f);
    m.m[0][0] = h / aspect;
    m.m[1][1] = h;
    m.m[2][2] = f / (f - n);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -n * f / (f - n);
    return m;
}

SMatrix ToDevice(const CMatrix& m)
{
    SMatrix d;
    std::memcpy(&d, &m, sizeof d);
    return d;
}

std::uint32_t Channel(std::uint32_t c, int shift)
{
    return (c >> shift) & 0xFF;
}

// The sample location's environment records.
std::vector<SEnvRecord> SampleRecords(const SMapSource& source)
{
    SEnvSectionHeader header;
    std::memcpy(&header, source.environment.data(), sizeof header);
    std::vector<SEnvRecord> records(std::size_t(header.count));
    std::memcpy(records.data(), source.environment.data() + sizeof header,
                records.size() * sizeof(SEnvRecord));
    for (SEnvRecord& r : records)
        for (int offset : CEnvironment::kTextureFields)
            SEnvRecord::SetTextureId(reinterpret_cast<char*>(r.bytes + offset), -1);
    return records;
}

class EnvironmentPixels : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        m_savedCamera = g_ViewCamera;
        m_savedRadius = g_Settings.VisibleRadius;
        g_Settings.VisibleRadius = 256;
    }
    void TearDown() override
    {
        m_env.reset();
        m_ground.reset();
        m_quads.reset();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        CMesh::ResetCurrent();
        g_ViewCamera = m_savedCamera;
        g_Settings.VisibleRadius = m_savedRadius;
        CGraphicDeviceTest::TearDown();
    }
    void Open(int width, int height)
    {
        ASSERT_TRUE(OpenDevice(width, height));
        ASSERT_TRUE(m_shaders.Init(false));
        g_pTexShaderManager = &m_shaders;
        m_width = width;
        m_height = height;
        m_env = std::make_unique<CEnvironment>();
        m_env->SetRandom(&m_random);
        m_env->InitResources();
    }
    // Camera at eye looking at `at`, near 1, far 5000, 60 degrees high.
    void Camera(const CVector& eye, const CVector& at)
    {
        g_ViewCamera.m_vPosition = eye;
        g_ViewCamera.m_mView = LookAt(eye, at);
        g_ViewCamera.m_mProjection = Perspective(1.0471976f, float(m_width) / float(m_height), 1.0f, 5000.0f);
        g_ViewCamera.UpdateViewProjection();
        const SMatrix view = ToDevice(g_ViewCamera.m_mView),
                      projection = ToDevice(g_ViewCamera.m_mProjection);
        graph.m_lpDevice->SetTransform(D3DTS_VIEW, &view);
        graph.m_lpDevice->SetTransform(D3DTS_PROJECTION, &projection);
    }
    // Plain drawing of a mesh with the vertex or material colour, no texture.
    void DrawPlain(CMesh& mesh, bool lit)
    {
        Device* d = graph.m_lpDevice;
        const SMatrix identity = IdentityMatrix();
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetTexture(0, nullptr);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, 1);
        d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        d->SetRenderState(D3DRS_LIGHTING, lit ? 1 : 0);
        if (lit)
        {
            SMaterial material{};
            material.Diffuse = material.Ambient = {0.55f, 0.6f, 0.4f, 1.0f};
            d->SetMaterial(&material);
            d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
            d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
        }
        CMesh::ResetCurrent();
        mesh.Render(true);
    }
    // Two black quads facing the camera (looking along +y from the origin;
    // +x is on the left of the screen): the left half at depth 100, the
    // right half at depth 300.
    void BuildDepthQuads()
    {
        m_quads = std::make_unique<CMesh>(MESH_MEMORY_STATIC, D3DFVF_XYZ | D3DFVF_DIFFUSE, 8, 1u, 12);
        m_quads->Lock(true, true);
        struct SVertex
        {
            float x, y, z;
            std::uint32_t colour;
        };
        auto* v = reinterpret_cast<SVertex*>(m_quads->m_pVertices);
        const float depths[2] = {100.0f, 300.0f};
        for (int q = 0; q < 2; ++q)
        {
            const float y = depths[q], x0 = q == 0 ? 0.0f : -y, x1 = q == 0 ? y : 0.0f;
            v[4 * q + 0] = {x0, y, -y, 0xFF000000u};
            v[4 * q + 1] = {x1, y, -y, 0xFF000000u};
            v[4 * q + 2] = {x0, y, y, 0xFF000000u};
            v[4 * q + 3] = {x1, y, y, 0xFF000000u};
            const std::uint16_t b = std::uint16_t(4 * q);
            const std::uint16_t idx[6] = {b,
                                          std::uint16_t(b + 1),
                                          std::uint16_t(b + 2),
                                          std::uint16_t(b + 2),
                                          std::uint16_t(b + 1),
                                          std::uint16_t(b + 3)};
            std::memcpy(m_quads->m_pIndices + 6 * q, idx, sizeof idx);
        }
        m_quads->Unlock(true, true);
    }
    // A ground mesh of every fourth sample height (40 units a quad).
    void BuildGround(const SMapSource& source)
    {
        const int step = 4, n = (source.width - 1) / step + 1;
        m_ground = std::make_unique<CMesh>(MESH_MEMORY_STATIC, D3DFVF_XYZ | D3DFVF_NORMAL, n * n, 1u,
                                           (n - 1) * (n - 1) * 6);
        m_ground->Lock(true, true);
        const auto height = [&](int i, int j)
        {
            i = std::clamp(i, 0, n - 1);
            j = std::clamp(j, 0, n - 1);
            return source.heights[std::size_t(j * step * source.width + i * step)];
        };
        auto* v = reinterpret_cast<float*>(m_ground->m_pVertices);
        for (int j = 0; j < n; ++j)
        {
            for (int i = 0; i < n; ++i)
            {
                const float dx = (height(i + 1, j) - height(i - 1, j)) / 80.0f;
                const float dy = (height(i, j + 1) - height(i, j - 1)) / 80.0f;
                const CVector normal = Normalize(CVector{-dx, -dy, 1.0f});
                float* out = v + std::size_t(j * n + i) * 6;
                out[0] = float(i) * 40.0f;
                out[1] = float(j) * 40.0f;
                out[2] = height(i, j);
                out[3] = normal.x;
                out[4] = normal.y;
                out[5] = normal.z;
            }
        }
        std::uint16_t* index = m_ground->m_pIndices;
        for (int j = 0; j + 1 < n; ++j)
        {
            for (int i = 0; i + 1 < n; ++i)
            {
                const std::uint16_t a = std::uint16_t(j * n + i);
                for (int k : {0, 1, n, n, 1, n + 1})
                    *index++ = std::uint16_t(a + k);
            }
        }
        m_ground->Unlock(true, true);
    }
    std::vector<std::uint32_t> Frame(const std::function<void()>& draw)
    {
        graph.m_lpDevice->BeginScene();
        draw();
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer();
    }

    CViewCamera m_savedCamera;
    int m_savedRadius = 256;
    int m_width = 0, m_height = 0;
    CRandom m_random{2026};
    TexShaderManager m_shaders;
    std::unique_ptr<CEnvironment> m_env;
    std::unique_ptr<CMesh> m_ground;
    std::unique_ptr<CMesh> m_quads;
};

TEST_F(EnvironmentPixels, SkyColourAtNoonAndAtNight)
{
    Open(64, 48);
    const SMapSource source = MakeSampleLocation();
    m_env->m_Records = SampleRecords(source);
    Camera(CVector{0.0f, 0.0f, 100.0f}, CVector{0.0f, 1000.0f, 100.0f});
    struct SCase
    {
        int record;
        float hour;
    } cases[] = {{0, 12.0f}, {1, 23.0f}};
    for (const SCase& c : cases)
    {
        m_env->SetEnvironment(c.record, false);
        m_env->m_fTime = c.hour;
        m_env->Run(0.0f);
        const auto pixels = Frame(
            [&]
            {
                m_env->ClearScreen();
                m_env->RenderEnv();
            });
        ASSERT_FALSE(pixels.empty());
        const std::uint32_t expected = m_env->m_Records[std::size_t(c.record)].skyColor;
        for (std::uint32_t p : {pixels[2 * 64 + 2], pixels[24 * 64 + 32]})
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int(Channel(p, shift)), int(Channel(expected, shift)), 1) << c.hour;
    }
    // Looking down leaves the colour buffer as it was.
    Camera(CVector{0.0f, 0.0f, 100.0f}, CVector{0.0f, 1.0f, 0.0f});
    graph.Clear(D3DCLEAR_TARGET, 0xFF00FF00u);
    const auto down = Frame([&] { m_env->ClearScreen(); });
    EXPECT_EQ(down[24 * 64 + 32] & 0xFFFFFF, 0x00FF00u);
}

TEST_F(EnvironmentPixels, FogColourAtTwoDepths)
{
    Open(64, 48);
    BuildDepthQuads();
    Camera(CVector{}, CVector{0.0f, 1.0f, 0.0f});
    SEnvRecord record = MakeDefaultEnvRecord();
    record.fogToSun = record.fogFromSun = 0xFFC08040u;
    record.fogDensity = 0.005f;
    m_env->m_Records = {record};
    const float d = 0.005f, nearDistance = 1.0f;
    const float start = std::sqrt(std::log(1.1111111f)) / d + nearDistance;
    const float end = std::sqrt(std::log(100.0f)) / d + nearDistance;
    struct SCase
    {
        const char* name;
        int mode;
        std::uint8_t tableFog;
        float (*factor)(float depth, float start, float end, float density);
    } cases[] = {
        {"linear table", 3, 1, [](float z, float s, float e, float) { return (e - z) / (e - s); }},
        {"linear vertex", 1, 0, [](float z, float s, float e, float) { return (e - z) / (e - s); }},
        {"exponential", 1, 1, [](float z, float, float, float k) { return std::exp(-k * z); }},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        graph.m_bTableFog = c.tableFog;
        graph.m_bRangeFog = 0;
        m_env->m_Records[0].fogMode = c.mode;
        m_env->SetEnvironment(0, false);
        const auto pixels = Frame(
            [&]
            {
                graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u);
                m_env->SetFog(true, 1.0f, 0.0f);
                DrawPlain(*m_quads, false);
                m_env->SetFog(false, 1.0f, 0.0f);
            });
        ASSERT_FALSE(pixels.empty());
        const float depths[2] = {100.0f, 300.0f};
        const std::uint32_t at[2] = {pixels[24 * 64 + 16], pixels[24 * 64 + 48]};
        for (int q = 0; q < 2; ++q)
        {
            const float f = std::clamp(c.factor(depths[q], start, end, d), 0.0f, 1.0f);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int(Channel(at[q], shift)), (1.0f - f) * float(Channel(0xFFC08040u, shift)), 3.0f)
                    << "depth " << depths[q] << " channel " << shift;
        }
        EXPECT_LT(Channel(at[0], 16), Channel(at[1], 16)); // the far quad is foggier
    }
}

TEST_F(EnvironmentPixels, SampleLocationThroughTheDay)
{
    const int w = 200, h = 150;
    Open(w, h);
    const SMapSource source = MakeSampleLocation();
    BuildGround(source);
    m_env->m_Records = SampleRecords(source);
    m_env->m_bFrozen = false;
    struct SPanel
    {
        float hour;
        int current, previous, next;
    } panels[] = {{6.0f, 0, 1, 0}, {12.0f, 0, 1, 0}, {19.0f, 0, 1, 1}, {23.0f, 1, 0, 0}};
    std::vector<std::uint32_t> picture(std::size_t(4 * w * h));
    std::uint32_t skies[4] = {};
    for (int p = 0; p < 4; ++p)
    {
        const SPanel& panel = panels[p];
        m_env->SetEnvironment(panel.current, false);
        m_env->m_iPrevious = panel.previous;
        m_env->m_iNext = panel.next;
        m_env->m_fTime = panel.hour;
        Camera(CVector{1280.0f, -250.0f, 420.0f}, CVector{1280.0f, 1600.0f, 360.0f});
        m_env->Run(0.0f);
        const auto pixels = Frame(
            [&]
            {
                m_env->ClearScreen();
                m_env->RenderEnv();
                m_env->RenderHorizonLimit();
                m_env->SetFog(true, 1.0f, 0.0f);
                DrawPlain(*m_ground, true);
                m_env->RenderFX(false);
                m_env->SetFog(false, 1.0f, 0.0f);
            });
        ASSERT_EQ(pixels.size(), std::size_t(w * h));
        skies[p] = pixels[2 * w + w / 2] & 0xFFFFFF;
        EXPECT_EQ(skies[p], m_env->m_uSkyColor & 0xFFFFFF) << panel.hour;
        // The ground at the bottom is drawn, not the sky.
        EXPECT_NE(pixels[std::size_t((h - 3) * w + w / 2)] & 0xFFFFFF, skies[p]) << panel.hour;
        const int ox = (p % 2) * w, oy = (p / 2) * h;
        for (int y = 0; y < h; ++y)
            std::memcpy(&picture[std::size_t((oy + y) * 2 * w + ox)], &pixels[std::size_t(y * w)],
                        std::size_t(w) * 4);
    }
    EXPECT_NE(skies[1], skies[3]); // noon and night differ
    EXPECT_NE(skies[1], skies[2]); // dusk blends towards the dawn colour
    const auto path = gfxtest::PictureDirectory() / "environment_sample.png";
    gfxtest::WritePng(path.c_str(), picture, std::uint32_t(2 * w), std::uint32_t(2 * h));
    std::printf("wrote %s\n", path.c_str());
}

} // namespace

TEST_F(EnvironmentPixels, RainStreaksAreDrawnThroughTheEffectSlot)
{
    Open(64, 48);
    CModelManager models;
    g_pModelManager = &models;
    // The manager goes before the device, whatever fails below.
    struct SRelease
    {
        CModelManager& models;
        std::unique_ptr<CEnvironment>& env;
        ~SRelease()
        {
            env.reset();
            models.Done();
            models.Purge();
            models.InvalidateDeviceObjects();
            g_pModelManager = nullptr;
        }
    } release{models, m_env};
    ASSERT_TRUE(models.Init());
    SEnvRecord rain = MakeDefaultEnvRecord();
    rain.weather = 1;
    rain.weatherIntensity = 0.5f;
    rain.skyColor = 0xFF000000u;
    m_env->m_Records = {rain};
    m_env->SetEnvironment(0, true);
    CEnvFX* fx = m_env->GetEffect();
    ASSERT_NE(fx, nullptr);
    ASSERT_NE(dynamic_cast<CEnvFXRain*>(fx), nullptr);
    EXPECT_EQ(fx->m_nActive, 4000);
    Camera(CVector{0.0f, 0.0f, 10.0f}, CVector{0.0f, 100.0f, 10.0f});
    m_env->Run(0.02f);
    m_env->Run(0.02f);
    const auto* streaks = &static_cast<CEnvFXRain*>(fx)->m_Triangles;
    EXPECT_GT(streaks->m_nVertexCount, 300u); // a good share of the drops is in view
    const auto pixels = Frame(
        [&]
        {
            m_env->ClearScreen();
            m_env->RenderFX(false);
        });
    int lit = 0;
    for (std::uint32_t p : pixels)
        lit += (p & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 20);
    EXPECT_EQ(models.GetSlot(models.m_iEffectSlot)->m_bRefusedLogged, false);
}
