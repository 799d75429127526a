// Transformed geometry: lighting (the engine's specular self-test and the
// material sources), fog, vertex blending, point sprites, texture
// transforms and clip planes.
#include "D3D8Fixture.h"

#include <cmath>

namespace d3dtest
{

namespace
{

struct SLitVertex
{
    float x, y, z, nx, ny, nz;
    std::uint32_t diffuse, specular;
    float u, v;
};
constexpr std::uint32_t kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

SMatrix Projection(float fovDeg, float nearZ, float farZ)
{
    SMatrix m{};
    m.m[0][0] = m.m[1][1] = 1.0f / std::tan(fovDeg * 3.14159265f / 360.0f);
    m.m[2][2] = farZ / (farZ - nearZ);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -nearZ * farZ / (farZ - nearZ);
    return m;
}

class CVertexPipeline : public CDeviceTest
{
protected:
    // A quad facing the camera at depth z, filling the 90-degree view.
    void DrawFacingQuad(float z, std::uint32_t diffuse, std::uint32_t specular = 0)
    {
        std::vector<SLitVertex> v;
        for (int i = 0; i < 4; ++i)
            v.push_back({(float(i % 2) - 0.5f) * 2 * z, (0.5f - float(i / 2)) * 2 * z, z, 0, 0, -1, diffuse,
                         specular, float(i % 2), float(i / 2)});
        DrawVertices(kLitFvf, sizeof(SLitVertex), v.data(), 4, D3DPT_TRIANGLESTRIP, 2);
    }
    void Camera()
    {
        const SMatrix id = IdentityMatrix(), proj = Projection(90, 0.1f, 1000);
        m_dev->SetTransform(D3DTS_WORLD, &id);
        m_dev->SetTransform(D3DTS_VIEW, &id);
        m_dev->SetTransform(D3DTS_PROJECTION, &proj);
        m_dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void ShowStage0(std::uint32_t arg)
    {
        m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, arg);
    }
};

} // namespace

// The engine's test of the device: a lit quad into a 32x32 lockable target
// must show blue between 0x40 and 0x60 at its centre, or the best specular
// techniques are dropped.
TEST_F(CVertexPipeline, SpecularSelfTestPasses)
{
    Surface* rt = nullptr;
    ASSERT_EQ(m_dev->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, 0, true, &rt), D3D_OK);
    Surface *oldRt = nullptr, *oldDepth = nullptr;
    m_dev->GetRenderTarget(&oldRt);
    m_dev->GetDepthStencilSurface(&oldDepth);
    ASSERT_EQ(m_dev->SetRenderTarget(rt, nullptr), D3D_OK);
    m_dev->SetRenderState(D3DRS_ZENABLE, 0);
    const SViewport vp{0, 0, 32, 32, 0, 1};
    m_dev->SetViewport(&vp);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    struct V
    {
        float x, y, z, nx, ny, nz, u, v;
    };
    V v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = {
            (float(i % 2) - 0.5f) * 10, (float(i / 2) - 0.5f) * 10, 10, 0, 0, -1, float(i % 2), float(i / 2)};
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    ASSERT_EQ(m_dev->CreateVertexBuffer(sizeof(v), 0, fvf, D3DPOOL_SYSTEMMEM, &vb), D3D_OK);
    ASSERT_EQ(m_dev->CreateIndexBuffer(sizeof(idx), 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &ib), D3D_OK);
    std::uint8_t* p;
    vb->Lock(0, 0, &p, 0), std::memcpy(p, v, sizeof(v)), vb->Unlock();
    ib->Lock(0, 0, &p, 0), std::memcpy(p, idx, sizeof(idx)), ib->Unlock();
    m_dev->SetRenderState(D3DRS_AMBIENT, 0);
    m_dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_dev->SetRenderState(D3DRS_LIGHTING, 1);
    SMaterial mat{};
    mat.Specular = {1, 1, 1, 1};
    mat.Power = 10;
    m_dev->SetMaterial(&mat);
    SLight light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0.5f, 0.5f, 1.0f};
    light.Specular = light.Ambient = {0.5f, 0.5f, 0.5f, 0.5f};
    m_dev->SetLight(0, &light);
    m_dev->LightEnable(0, true);
    const SMatrix id = IdentityMatrix(), proj = Projection(90, 0.1f, 1000);
    m_dev->SetTransform(D3DTS_VIEW, &id);
    m_dev->SetTransform(D3DTS_WORLD, &id);
    m_dev->SetTransform(D3DTS_PROJECTION, &proj);
    m_dev->SetTexture(0, nullptr);
    m_dev->SetRenderState(D3DRS_SPECULARENABLE, 0);
    ShowStage0(D3DTA_SPECULAR);
    m_dev->BeginScene();
    m_dev->SetVertexShader(fvf);
    m_dev->SetStreamSource(0, vb, sizeof(V));
    m_dev->SetIndices(ib, 0);
    EXPECT_EQ(m_dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    m_dev->EndScene();
    SLockedRect lr;
    ASSERT_EQ(rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const std::uint8_t blue = static_cast<const std::uint8_t*>(lr.pBits)[16 * lr.Pitch + 16 * 4];
    rt->UnlockRect();
    EXPECT_GT(blue, 0x40);
    EXPECT_LT(blue, 0x60);
    m_dev->SetRenderTarget(oldRt, oldDepth);
    m_dev->SetStreamSource(0, nullptr, 0);
    m_dev->SetIndices(nullptr, 0);
    oldRt->Release();
    oldDepth->Release();
    vb->Release();
    ib->Release();
    rt->Release();
}

struct SMaterialCase
{
    const char* name;
    std::uint32_t diffuseSrc, ambientSrc, emissiveSrc;
    std::uint32_t expected;
};

class CMaterialSource : public CVertexPipeline, public ::testing::WithParamInterface<SMaterialCase>
{
};

TEST_P(CMaterialSource, LightsWithTheChosenColours)
{
    const SMaterialCase& c = GetParam();
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 1);
    m_dev->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    m_dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, c.diffuseSrc);
    m_dev->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, c.ambientSrc);
    m_dev->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, c.emissiveSrc);
    m_dev->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    SMaterial mat{};
    mat.Diffuse = {0.5f, 0, 0, 1};
    mat.Ambient = {0, 0.5f, 0, 1};
    mat.Emissive = {0, 0, 0.25f, 1};
    m_dev->SetMaterial(&mat);
    SLight light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, 0, 1}; // straight at the quad
    light.Diffuse = {1, 1, 1, 1};
    m_dev->SetLight(3, &light);
    m_dev->LightEnable(3, true);
    ShowStage0(D3DTA_DIFFUSE);
    DrawFacingQuad(10, 0xFF0000FF, 0xFFFF0000); // colour 1 blue, colour 2 red
    EXPECT_TRUE(Near(Pixel(16, 16), c.expected, 3)) << c.name;
}

// Diffuse 1.0 x source + ambient 0.25 x source + emissive.
INSTANTIATE_TEST_SUITE_P(Sources, CMaterialSource,
                         ::testing::Values(SMaterialCase{"material", 0, 0, 0, 0xFF802040},
                                           SMaterialCase{"diffuse_color1", 1, 0, 0, 0xFF0020FF},
                                           SMaterialCase{"ambient_color2", 0, 2, 0, 0xFFC00040},
                                           SMaterialCase{"emissive_color1", 0, 0, 1, 0xFF8020FF}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST_F(CVertexPipeline, PointLightFallsOffWithRangeAndAttenuation)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 1);
    SMaterial mat{};
    mat.Diffuse = {1, 1, 1, 1};
    m_dev->SetMaterial(&mat);
    SLight l{};
    l.Type = D3DLIGHT_POINT;
    l.Position = {0, 0, 5};
    l.Diffuse = {1, 1, 1, 1};
    l.Range = 100;
    l.Attenuation0 = 2; // half strength
    m_dev->SetLight(0, &l);
    m_dev->LightEnable(0, true);
    ShowStage0(D3DTA_DIFFUSE);
    DrawFacingQuad(10, 0xFFFFFFFF);
    // Lit per vertex, as Direct3D does: the corners are 15 away at a
    // cosine of 1/3, so 0.5 / 3 everywhere.
    EXPECT_TRUE(Near(Pixel(16, 16), 0xFF2A2A2A, 3));
    l.Range = 4; // the quad is 5 away: out of range
    m_dev->SetLight(0, &l);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawFacingQuad(10, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(16, 16), 0xFF000000, 2));
}

TEST_F(CVertexPipeline, MoreThanEightLightsAddUp)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 1);
    SMaterial mat{};
    mat.Diffuse = {1, 1, 1, 1};
    m_dev->SetMaterial(&mat);
    for (std::uint32_t i = 0; i < 10; ++i)
    {
        SLight l{};
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Direction = {0, 0, 1};
        l.Diffuse = {0.05f, 0.05f, 0.05f, 1};
        m_dev->SetLight(32 + i, &l);
        m_dev->LightEnable(32 + i, true);
    }
    ShowStage0(D3DTA_DIFFUSE);
    DrawFacingQuad(10, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(16, 16), 0xFF808080, 3));
}

TEST_F(CVertexPipeline, LinearFogInVertexAndTableModes)
{
    for (std::uint32_t mode : {D3DRS_FOGVERTEXMODE, D3DRS_FOGTABLEMODE})
    {
        Camera();
        m_dev->SetRenderState(D3DRS_LIGHTING, 0);
        m_dev->SetRenderState(D3DRS_FOGENABLE, 1);
        m_dev->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
        m_dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
        m_dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        m_dev->SetRenderState(mode, D3DFOG_LINEAR);
        m_dev->SetRenderState(D3DRS_FOGSTART, U(0.0f));
        m_dev->SetRenderState(D3DRS_FOGEND, U(20.0f));
        ShowStage0(D3DTA_DIFFUSE);
        DrawFacingQuad(10, 0xFFFF0000); // halfway: half red, half fog blue
        EXPECT_TRUE(Near(Pixel(16, 16), 0xFF800080, 4)) << mode;
    }
}

TEST_F(CVertexPipeline, VertexBlendMixesWorldMatrices)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    ShowStage0(D3DTA_DIFFUSE);
    // World 0 leaves the quad, world 1 moves it far off to the right; a
    // weight of 1 on world 0 keeps it, 0 moves it away.
    SMatrix shift = IdentityMatrix();
    shift.m[3][0] = 1000;
    m_dev->SetTransform(D3DTS_WORLD1, &shift);
    m_dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    struct V
    {
        float x, y, z, w;
        std::uint32_t c;
    };
    for (float weight : {1.0f, 0.0f})
    {
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        V v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = {(float(i % 2) - 0.5f) * 20, (0.5f - float(i / 2)) * 20, 10, weight, 0xFF00FF00};
        DrawVertices(D3DFVF_XYZB1 | D3DFVF_DIFFUSE, sizeof(V), v, 4, D3DPT_TRIANGLESTRIP, 2);
        EXPECT_TRUE(Near(Pixel(16, 16), weight > 0 ? 0xFF00FF00 : 0xFF000000, 1)) << weight;
    }
}

TEST_F(CVertexPipeline, PointSpriteSizeAndTexture)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetRenderState(D3DRS_POINTSPRITEENABLE, 1);
    m_dev->SetRenderState(D3DRS_POINTSIZE, U(8.0f));
    std::vector<std::uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    m_dev->SetTexture(0, TextureFrom(texels, 2, 2));
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    struct V
    {
        float x, y, z;
        std::uint32_t c;
        float u, v;
    };
    const V v = {0, 0, 10, 0xFFFFFFFF, 0, 0};
    DrawVertices(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, sizeof(V), &v, 1, D3DPT_POINTLIST, 1);
    // An 8-pixel sprite around the centre: top-left texel red, bottom-right white.
    EXPECT_TRUE(Near(Pixel(13, 13), 0xFFFF0000, 2));
    EXPECT_TRUE(Near(Pixel(18, 18), 0xFFFFFFFF, 2));
    EXPECT_TRUE(Near(Pixel(18, 13), 0xFF00FF00, 2));
    EXPECT_TRUE(Near(Pixel(8, 8), 0xFF000000, 0));
}

TEST_F(CVertexPipeline, TextureTransformTranslatesInThirdRow)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    std::vector<std::uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    m_dev->SetTexture(0, TextureFrom(texels, 2, 2));
    ShowStage0(D3DTA_TEXTURE);
    SMatrix m = IdentityMatrix();
    m.m[2][0] = 0.5f; // u + 0.5
    m_dev->SetTransform(D3DTS_TEXTURE0, &m);
    m_dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawFacingQuad(10, 0xFFFFFFFF);
    // Left half shows the right column of the texture now.
    EXPECT_TRUE(Near(Pixel(4, 4), 0xFF00FF00, 2));
    EXPECT_TRUE(Near(Pixel(4, 28), 0xFFFFFFFF, 2));
}

TEST_F(CVertexPipeline, ClipPlaneCutsInWorldSpace)
{
    Camera();
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    ShowStage0(D3DTA_DIFFUSE);
    const float plane[4] = {1, 0, 0, 0}; // keep x >= 0
    m_dev->SetClipPlane(0, plane);
    m_dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
    DrawFacingQuad(10, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(8, 16), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(24, 16), 0xFFFFFFFF, 0));
    // Switched off, the plane it still holds cuts nothing, with or without
    // lighting (the same program draws all of these).
    m_dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    SMaterial glow{};
    glow.Emissive = {1, 1, 1, 1};
    m_dev->SetMaterial(&glow);
    for (std::uint32_t lighting : {0u, 1u})
    {
        m_dev->SetRenderState(D3DRS_LIGHTING, lighting);
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DrawFacingQuad(10, 0xFFFFFFFF);
        EXPECT_NE(Pixel(8, 16), 0xFF000000u) << "lighting " << lighting;
    }
}

} // namespace d3dtest
