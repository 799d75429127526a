// The engine's own shader programs: each pixel program over a quad whose
// colours and textures are known, compared with the formula worked out by
// hand; the two vertex programs with the constants the water and map code
// set.
#include "D3D8Fixture.h"

#include <cmath>

namespace d3dtest
{

namespace
{

struct SRhw2Vertex
{
    float x, y, z, rhw;
    std::uint32_t diffuse, specular;
    float u0, v0, u1, v1;
};
constexpr std::uint32_t kRhw2Fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

// Draws into a 32x32 A8R8G8B8 target, so that alpha can be read too.
class CEngineShaderTest : public CDeviceTest
{
protected:
    void SetUp() override
    {
        CDeviceTest::SetUp();
        ASSERT_EQ(m_dev->CreateRenderTarget(kSize, kSize, D3DFMT_A8R8G8B8, 0, true, &m_rt), D3D_OK);
        m_keep.push_back(m_rt);
        ASSERT_EQ(m_dev->SetRenderTarget(m_rt, nullptr), D3D_OK);
        m_dev->SetRenderState(D3DRS_ZENABLE, 0);
        m_dev->SetRenderState(D3DRS_LIGHTING, 0);
        m_dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    }
    void TearDown() override
    {
        m_dev->SetTexture(0, nullptr);
        m_dev->SetTexture(1, nullptr);
        Surface* bb = nullptr;
        m_dev->GetBackBuffer(0, 0, &bb);
        m_dev->SetRenderTarget(bb, nullptr);
        bb->Release();
        CDeviceTest::TearDown();
    }
    std::uint32_t Target(std::uint32_t x, std::uint32_t y)
    {
        SLockedRect lr{};
        EXPECT_EQ(m_rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        const std::uint32_t c =
            static_cast<const std::uint32_t*>(lr.pBits)[y * (std::uint32_t(lr.Pitch) / 4) + x];
        m_rt->UnlockRect();
        return c;
    }
    void FullQuad(std::uint32_t diffuse, std::uint32_t specular)
    {
        SRhw2Vertex v[4];
        for (int i = 0; i < 4; ++i)
        {
            const float u = float(i % 2), w = float(i / 2);
            v[i] = {u * kSize - 0.5f, w * kSize - 0.5f, 0.5f, 1.0f, diffuse, specular, u, w, u, w};
        }
        DrawVertices(kRhw2Fvf, sizeof(SRhw2Vertex), v, 4, D3DPT_TRIANGLESTRIP, 2);
    }

    Surface* m_rt = nullptr;
};

struct SPixelCase
{
    const char* name;
    EEnginePixelShader program;
    std::uint32_t tex0, tex1, diffuse, specular;
    float c0[4]; // r, g, b, a
    std::uint32_t expected;
};

// Expected values from the formulas of each program, in 8-bit steps.
const SPixelCase kPixelCases[] = {
    // dif * t0 + 4 * spc * t1
    {"specmap", EEnginePixelShader::SpecMap, 0xFF808080, 0x80404040, 0x80FF8040, 0x40102030, {}, 0xFF906050},
    // colour t0, alpha c0.a * t1.a * t0.a * dif.a
    {"skylayer",
     EEnginePixelShader::SkyLayer,
     0x80204060,
     0x80FFFFFF,
     0xFFFFFFFF,
     0,
     {0, 0, 0, 1},
     0x40204060},
    // the normal map facing the half vector: white; alpha dif.a * t0.a
    {"specbump_facing", EEnginePixelShader::SpecBump, 0xFF8080FF, 0, 0x80FFFFFF, 0xFF8080FF, {}, 0x80FFFFFF},
    {"specbump_away", EEnginePixelShader::SpecBump, 0xFF8080FF, 0, 0xFFFFFFFF, 0xFF808000, {}, 0xFF000000},
    {"specbump_tilted", EEnginePixelShader::SpecBump, 0xFF8080FF, 0, 0xFFFFFFFF, 0xFF80CCE5, {}, 0xFF686868},
    // colour dif * t0, alpha t0.a
    {"maphidecolor", EEnginePixelShader::MapHideColor, 0x60FF8040, 0, 0xFF808080, 0, {}, 0x60804020},
    // paint alpha 0: the base comes back unchanged (times white light)
    {"specmapmask_unpainted",
     EEnginePixelShader::SpecMapMask,
     0x00336699,
     0xFFFFFFFF,
     0xFFFFFFFF,
     0,
     {1, 0, 0, 0},
     0xFF336699},
    // painted red where the mask is full, plus 4 * spc * specular map
    {"specmapmask_red",
     EEnginePixelShader::SpecMapMask,
     0xFF4D99CC,
     0xFF808080,
     0xFFFFFFFF,
     0x00101010,
     {1, 0, 0, 1},
     0xFFBA53B9},
    // dif * overlay + spc in all four channels
    {"mapmask_green",
     EEnginePixelShader::MapMask,
     0xFF4D99CC,
     0,
     0x80FFFFFF,
     0x20202020,
     {0, 1, 0, 1},
     0xA020FFB9},
    // the overlay chosen by the tint's alpha alone
    {"specmapmask11",
     EEnginePixelShader::SpecMapMask11,
     0xFF4D99CC,
     0xFFFFFFFF,
     0xFFFFFFFF,
     0,
     {0, 0, 1, 1},
     0xFF0033FF},
};

class CEnginePixelShader : public CEngineShaderTest, public ::testing::WithParamInterface<SPixelCase>
{
};

} // namespace

TEST_P(CEnginePixelShader, ComputesItsFormula)
{
    const SPixelCase& c = GetParam();
    std::uint32_t ps = 0;
    ASSERT_EQ(m_dev->CreateEnginePixelShader(c.program, &ps), D3D_OK);
    ASSERT_NE(ps, 0u);
    m_dev->SetTexture(0, SolidTexture(c.tex0));
    if (c.tex1) m_dev->SetTexture(1, SolidTexture(c.tex1));
    m_dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    m_dev->SetPixelShader(ps);
    m_dev->SetPixelShaderConstant(0, c.c0, 1);
    FullQuad(c.diffuse, c.specular);
    EXPECT_TRUE(Near(Target(16, 16), c.expected, 3)) << c.name;
    m_dev->SetPixelShader(0);
    EXPECT_EQ(m_dev->DeletePixelShader(ps), D3D_OK);
}

INSTANTIATE_TEST_SUITE_P(Programs, CEnginePixelShader, ::testing::ValuesIn(kPixelCases),
                         [](const auto& i) { return std::string(i.param.name); });

namespace
{

// The water program's vertex: position P, wave terms W, normal (unused),
// diffuse D, texture coordinates UV.
struct SWaterVertex
{
    float px, py, pz, wx, wy, wz, nx, ny, nz;
    std::uint32_t diffuse;
    float u, v;
};
static_assert(sizeof(SWaterVertex) == 48);

struct SMapVertex
{
    float px, py, pz, nx, ny, nz;
    std::uint32_t diffuse;
};
static_assert(sizeof(SMapVertex) == 28);

void SetVsConstant(Device* d, std::uint32_t reg, float x, float y, float z, float w)
{
    const float c[4] = {x, y, z, w};
    d->SetVertexShaderConstant(reg, c, 1);
}

} // namespace

// A small patch of water around the origin filling the target: the height
// comes from the weighted wave terms alone, the surface and reflection
// alphas from the angle to the eye, the reflection coordinates from the
// projection in c0-c2, the fog from the height.
TEST_F(CEngineShaderTest, WaterVertexProgram)
{
    std::uint32_t vs = 0;
    ASSERT_EQ(m_dev->CreateEngineVertexShader(EEngineVertexShader::Water, &vs), D3D_OK);
    // Clip x = 100 p.x, clip y = 100 (p.y + p.z): a wrong height moves the
    // patch off the target.
    SetVsConstant(m_dev, 3, 100, 0, 0, 0);
    SetVsConstant(m_dev, 4, 0, 100, 100, 0);
    SetVsConstant(m_dev, 5, 0, 0, 0, 0.5f);
    SetVsConstant(m_dev, 6, 0, 0, 0, 1);
    // Reflection: q = (p.x, p.y, 1) scaled by c9, offset by c8.
    SetVsConstant(m_dev, 0, 1, 0, 0, 0);
    SetVsConstant(m_dev, 1, 0, 1, 0, 0);
    SetVsConstant(m_dev, 2, 0, 0, 0, 1);
    SetVsConstant(m_dev, 8, 0.25f, 0.75f, -0.25f, -0.25f);
    SetVsConstant(m_dev, 9, 1, 1, 0, 0);
    SetVsConstant(m_dev, 10, 0, 0, 0, -1);
    SetVsConstant(m_dev, 11, 0, 0, 0, 0);      // all wave weights 0
    SetVsConstant(m_dev, 13, 0, 0, 10, 0.75f); // eye straight above: s = 1
    SetVsConstant(m_dev, 14, 0.5f, 0, 1, 1.3f);
    std::vector<std::uint32_t> quadrants = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    m_dev->SetTexture(0, SolidTexture(0xFF808080));
    m_dev->SetTexture(1, TextureFrom(quadrants, 2, 2));
    // Stage 0: diffuse colour with its alpha; stage 1: the reflection
    // texture's colour, the specular alpha.
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    m_dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_SPECULAR);
    SWaterVertex v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = {(float(i % 2) - 0.5f) * 0.02f,
                (float(i / 2) - 0.5f) * 0.02f,
                7.0f,
                1,
                1,
                1,
                0,
                0,
                1,
                0xFF336699,
                float(i % 2),
                float(i / 2)};
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(sizeof(v), 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    std::uint8_t* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v, sizeof(v));
    vb->Unlock();
    m_dev->SetVertexShader(vs);
    m_dev->SetStreamSource(0, vb, sizeof(SWaterVertex));
    ASSERT_EQ(m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    // Colour: reflection texel at (0.25, 0.75), the lower left; alpha:
    // D.a * (1.3 - 0.5 s) = 0.8.
    EXPECT_TRUE(Near(Target(16, 16), 0xCC0000FF, 3));
    // Stage 1 off: the diffuse colour with alpha 0.75 s - 0.25 = 0.5.
    m_dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_TRUE(Near(Target(16, 16), 0x80336699, 3));
    // A height of 1 from the first wave term moves the patch 100 clip units
    // up and out of the target; fog 2^(-1 * 0) stays clear meanwhile.
    m_dev->SetRenderState(D3DRS_FOGENABLE, 1);
    m_dev->SetRenderState(D3DRS_FOGCOLOR, 0xFFFFFFFF);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_TRUE(Near(Target(16, 16), 0x80336699, 3));
    // Fog from the height: weights give p.z = 1 but c4 no longer uses it.
    SetVsConstant(m_dev, 4, 0, 100, 0, 0);
    SetVsConstant(m_dev, 11, 1, 0, 0, 0);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_TRUE(Near(Target(16, 16), 0x8099B2CC, 3)); // half way to white
    SetVsConstant(m_dev, 4, 0, 100, 100, 0);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_EQ(Target(16, 16), 0u);
    m_dev->SetRenderState(D3DRS_FOGENABLE, 0);
    m_dev->SetStreamSource(0, nullptr, 0);
    m_dev->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(m_dev->DeleteVertexShader(vs), D3D_OK);
    vb->Release();
}

// The map colouring pair: position through c3-c6, colour times the ramp
// texture's colour, alpha from the texture.
TEST_F(CEngineShaderTest, MapHideColorPair)
{
    std::uint32_t vs = 0, ps = 0;
    ASSERT_EQ(m_dev->CreateEngineVertexShader(EEngineVertexShader::MapHideColor, &vs), D3D_OK);
    ASSERT_EQ(m_dev->CreateEnginePixelShader(EEnginePixelShader::MapHideColor, &ps), D3D_OK);
    // Only the left half of clip space: clip x = p.x - 0.5 for p.x in [-0.5, 0.5].
    SetVsConstant(m_dev, 3, 1, 0, 0, -0.5f);
    SetVsConstant(m_dev, 4, 0, 2, 0, 0);
    SetVsConstant(m_dev, 5, 0, 0, 0, 0.5f);
    SetVsConstant(m_dev, 6, 0, 0, 0, 1);
    m_dev->SetTexture(0, SolidTexture(0x60FF8040));
    SMapVertex v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = {float(i % 2) - 0.5f, float(i / 2) - 0.5f, 0, 0, 0, 1, 0xFF808080};
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(sizeof(v), 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    std::uint8_t* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v, sizeof(v));
    vb->Unlock();
    m_dev->SetVertexShader(vs);
    m_dev->SetPixelShader(ps);
    m_dev->SetStreamSource(0, vb, sizeof(SMapVertex));
    ASSERT_EQ(m_dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_TRUE(Near(Target(8, 16), 0x60804020, 3));
    EXPECT_EQ(Target(24, 16), 0u);
    m_dev->SetPixelShader(0);
    m_dev->SetVertexShader(D3DFVF_XYZ);
    m_dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

} // namespace d3dtest
