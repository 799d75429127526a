// The technique manager on the device layer (llvmpipe): variants chosen per
// capability profile, closing blocks against the default state, batch
// mode, texture binding, factor and clamp helpers, purge and re-building
// after a device loss, and drawn colours of one technique of each family.

#include "graphics/GraphicTestDevice.h"

#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/TexShaderManager.h"
#include "platform/d3d8/D3D8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace plat::d3d;

// Capability flags of graph a profile overrides.
struct SProfile
{
    const char* name;
    int stages, textures;
    bool temp, bump, projected, pixelShaders, vertexShaders, specular, border;
};

const SProfile kFull{"llvmpipe", 8, 8, true, true, true, true, true, true, true};

void ApplyProfile(const SProfile& p)
{
    graph.m_nBlendStages = p.stages;
    graph.m_nSimultaneousTextures = p.textures;
    graph.m_bTempRegister = p.temp;
    graph.m_bBumpMapping = p.bump;
    graph.m_bProjectedTextures = p.projected;
    graph.m_bPixelShaders = p.pixelShaders;
    graph.m_bVertexShaders = p.vertexShaders;
    graph.m_bBorderAddressing = p.border;
}

std::unique_ptr<CTexture> SolidTexture(std::uint32_t argb)
{
    auto t = std::make_unique<CTexture>();
    t->CreateTexture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    SLockedRect locked{};
    if (t->m_lpTexture && t->m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
    {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &argb, 4);
        t->m_lpTexture->UnlockRect(0);
    }
    return t;
}

// A screen-space quad over the whole target: XYZRHW, diffuse, specular and
// two texture sets.
constexpr std::uint32_t kQuadFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
std::unique_ptr<CMesh> ScreenQuad(float width, float height, std::uint32_t diffuse, std::uint32_t specular)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_STATIC, kQuadFvf, 4, 1u, 6);
    mesh->Lock(true, true);
    for (int i = 0; i < 4; ++i)
    {
        SWorkVertex w{};
        w.position[0] = (i % 2) * width - 0.5f;
        w.position[1] = (i / 2) * height - 0.5f;
        w.position[2] = 0.5f;
        w.position[3] = 1.0f;
        w.diffuse = diffuse;
        w.specular = specular;
        w.tex0[0] = w.tex1[0] = float(i % 2);
        w.tex0[1] = w.tex1[1] = float(i / 2);
        float* v = reinterpret_cast<float*>(mesh->m_pVertices + i * mesh->m_nStride);
        v[0] = w.position[0];
        v[1] = w.position[1];
        v[2] = w.position[2];
        v[3] = w.position[3];
        std::memcpy(&v[4], &diffuse, 4);
        std::memcpy(&v[5], &specular, 4);
        v[6] = v[8] = w.tex0[0];
        v[7] = v[9] = w.tex0[1];
    }
    // Both triangles run clockwise on the screen: front faces under the
    // default CCW culling.
    const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(mesh->m_pIndices, indices, sizeof indices);
    mesh->Unlock(true, true);
    return mesh;
}

// The states SetDefaultStates sets, read back from the device.
std::map<std::string, std::uint32_t> DefaultTableStates()
{
    Device* d = graph.m_lpDevice;
    std::map<std::string, std::uint32_t> out;
    auto rs = [&](const char* name, std::uint32_t state) {
        std::uint32_t v = 0;
        d->GetRenderState(state, &v);
        out[name] = v;
    };
    auto tss = [&](std::uint32_t s, const char* name, std::uint32_t type) {
        std::uint32_t v = 0;
        d->GetTextureStageState(s, type, &v);
        // On stage 0 the current colour is the diffuse colour.
        if (s == 0 && (type == D3DTSS_COLORARG1 || type == D3DTSS_COLORARG2) && v == D3DTA_CURRENT)
            v = D3DTA_DIFFUSE;
        out["s" + std::to_string(s) + " " + name] = v;
    };
    tss(0, "COLOROP", D3DTSS_COLOROP);
    tss(0, "COLORARG1", D3DTSS_COLORARG1);
    tss(0, "COLORARG2", D3DTSS_COLORARG2);
    tss(0, "RESULTARG", D3DTSS_RESULTARG);
    for (std::uint32_t s = 1; s <= 3; ++s)
    {
        tss(s, "TEXCOORDINDEX", D3DTSS_TEXCOORDINDEX);
        tss(s, "COLOROP", D3DTSS_COLOROP);
    }
    for (std::uint32_t s = 0; s <= 3; ++s)
        tss(s, "TEXTURETRANSFORMFLAGS", D3DTSS_TEXTURETRANSFORMFLAGS);
    for (std::uint32_t s = 0; s <= 1; ++s)
    {
        tss(s, "ADDRESSU", D3DTSS_ADDRESSU);
        tss(s, "ADDRESSV", D3DTSS_ADDRESSV);
    }
    rs("SRCBLEND", D3DRS_SRCBLEND);
    rs("DESTBLEND", D3DRS_DESTBLEND);
    rs("ZWRITEENABLE", D3DRS_ZWRITEENABLE);
    rs("CULLMODE", D3DRS_CULLMODE);
    rs("ALPHAREF", D3DRS_ALPHAREF);
    rs("ALPHATESTENABLE", D3DRS_ALPHATESTENABLE);
    rs("ALPHAFUNC", D3DRS_ALPHAFUNC);
    rs("DIFFUSEMATERIALSOURCE", D3DRS_DIFFUSEMATERIALSOURCE);
    rs("SPECULARMATERIALSOURCE", D3DRS_SPECULARMATERIALSOURCE);
    rs("AMBIENTMATERIALSOURCE", D3DRS_AMBIENTMATERIALSOURCE);
    rs("EMISSIVEMATERIALSOURCE", D3DRS_EMISSIVEMATERIALSOURCE);
    rs("ALPHABLENDENABLE", D3DRS_ALPHABLENDENABLE);
    rs("SPECULARENABLE", D3DRS_SPECULARENABLE);
    std::uint32_t ps = 0;
    d->GetPixelShader(&ps);
    out["pixel shader"] = ps;
    return out;
}

class Techniques : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
    }
    void TearDown() override
    {
        m_manager.Purge();
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    // Builds on a profile; the specular probe result is the profile's.
    bool InitWith(const SProfile& p)
    {
        m_manager.Purge();
        ApplyProfile(p);
        m_manager.m_bSpecularOk = p.specular;
        return m_manager.Init(false);
    }

    TexShaderManager m_manager;
    gfxtest::CTempDir m_dir{"techniques"};
};

TEST_F(Techniques, AllBuildOnTheLayerWithTheBestVariants)
{
    ASSERT_TRUE(m_manager.Init(true));
    EXPECT_TRUE(m_manager.m_bSpecularOk) << "the specular probe failed on this device";
    for (int id = 0; id < kTechniqueCount; ++id)
    {
        EXPECT_GT(m_manager.m_Techniques[id].m_iPassCount, 0) << GetTechniqueName(id);
        EXPECT_EQ(m_manager.GetVariant(id), 0) << GetTechniqueName(id);
    }
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_WATER), 2);
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_WATER_REFLECTION), 2);
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_MAP_HIDE_COLOR), 3);
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_SPECMAP_MASK), 1);
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_MAP_MASK), 1);
    EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_NORMAL), 0);
    EXPECT_TRUE(m_manager.m_Techniques[SHADER_SPECMAP_MASK].m_bSpecularX4);
}

// Capability profile -> variant (0 = first, -1 unbuilt) of the techniques
// with fallbacks. The full row for each profile is printed as the table.
struct SProfileCase
{
    SProfile profile;
    std::vector<std::pair<int, int>> expected;
    std::vector<std::pair<int, int>> caps;  // GetTechniqueCaps
};

const SProfileCase kProfileCases[] = {
    {kFull, {{1, 0}, {4, 0}, {16, 0}, {21, 0}, {23, 0}, {36, 0}, {42, 0}, {50, 0}, {53, 0}}, {{1, 0}, {23, 2}}},
    {{"ps, no temp, failed probe", 8, 8, false, true, true, true, true, false, true},
     {{1, 1}, {4, 0}, {21, 1}, {23, 2}, {26, 1}, {50, 0}},
     {{1, 1}, {16, 0}, {50, 1}, {23, 0}}},
    {{"two stages, no ps, failed probe", 2, 2, false, false, true, false, false, false, false},
     {{1, 2}, {4, 0}, {5, -1}, {16, 1}, {21, 1}, {23, 2}, {26, 1}, {35, 0}, {36, 2}, {44, 1}, {50, 2}, {53, 2},
      {51, -1}, {54, -1}, {57, -1}, {58, 0}},
     {{1, 0}, {36, 0}}},
    {{"one stage, no projection", 1, 1, false, false, false, false, false, false, false},
     {{1, 2}, {4, 0}, {16, -1}, {17, -1}, {23, -1}},
     {}},
};

TEST_F(Techniques, ProfileChoosesVariants)
{
    for (const SProfileCase& c : kProfileCases)
    {
        SCOPED_TRACE(c.profile.name);
        const bool ok = InitWith(c.profile);
        std::string row = std::string(c.profile.name) + ":";
        for (int id = 0; id < kTechniqueCount; ++id)
            row += " " + std::to_string(m_manager.GetVariant(id));
        std::printf("%s\n", row.c_str());
        for (auto [id, variant] : c.expected)
            EXPECT_EQ(m_manager.GetVariant(id), variant) << GetTechniqueName(id);
        for (auto [id, caps] : c.caps)
            EXPECT_EQ(m_manager.GetTechniqueCaps(id), caps) << GetTechniqueName(id);
        if (c.profile.stages == 1)
        {
            // The sky layer needs two stages or a pixel program and is
            // required: Init stops there with its message, and the
            // techniques after it in the build order stay unbuilt.
            EXPECT_FALSE(ok);
            EXPECT_NE(m_dir.ErrorLog().find("TexShaderManager::Init SHADER_SKYLAYER "), std::string::npos);
            EXPECT_EQ(m_manager.m_Techniques[SHADER_WATER].m_iPassCount, 0);
        }
        else
        {
            EXPECT_TRUE(ok);
        }
        if (c.profile.stages == 2)  // an optional technique: logged, Init went on
        {
            EXPECT_NE(m_dir.ErrorLog().find("TexShaderManager::Init SHADER_MAP_NEAR fails"), std::string::npos);
        }
    }
}

// Every technique's closing block (outside batch mode) leaves the states of
// the default table as SetDefaultStates sets them, for the best variants
// and for the fallbacks of a small device.
TEST_F(Techniques, ClosingBlocksRestoreTheDefaultState)
{
    auto tex = SolidTexture(0x80FF8040);
    auto quad = ScreenQuad(64, 48, 0xFFFFFFFF, 0);
    const SProfile small{"small", 2, 2, false, false, true, false, false, false, false};
    for (const SProfile& p : {kFull, small})
    {
        SCOPED_TRACE(p.name);
        InitWith(p);
        SetDefaultStates();
        const auto defaults = DefaultTableStates();
        for (int id = 0; id < kTechniqueCount; ++id)
        {
            if (m_manager.m_Techniques[id].m_iPassCount == 0)
                continue;
            SetDefaultStates();
            graph.m_lpDevice->BeginScene();
            m_manager.ApplyStateBlock(id, quad.get(), tex.get(), tex.get(), tex.get(), tex.get());
            graph.m_lpDevice->EndScene();
            const auto after = DefaultTableStates();
            for (const auto& [name, value] : defaults)
                EXPECT_EQ(after.at(name), value) << GetTechniqueName(id) << " variant "
                                                 << m_manager.GetVariant(id) << ": " << name;
        }
    }
}

// After the warm-up, drawing the techniques with the engine's vertex formats
// and their usual textures compiles nothing more (bump techniques take a
// bump map on their bump stage; the vertex-program ones their own layouts,
// drawn elsewhere).
TEST_F(Techniques, WarmUpBuildsTheProgramsTheTechniquesDrawWith)
{
    ASSERT_TRUE(m_manager.Init(true));
    EXPECT_GT(m_manager.WarmUpPrograms(), 0);
    Device* d = graph.m_lpDevice;
    d->MarkLoadingFinished();
    auto tex = SolidTexture(0x80FF8040);
    const float light[3] = {0.5f, -0.5f, 0.7f};
    std::unique_ptr<CMesh> plain(CreateSphereMesh(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 1.0f, 6,
                                                  0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, true, light));
    std::unique_ptr<CMesh> coloured(
        CreateSphereMesh(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 1.0f, 6, 0xFFFFFFFF,
                         0xFFFFFFFF, 0xFFFFFFFF, true, light));
    const int bump[] = {SHADER_BUMP_ENV, SHADER_BUMP_DIFFUSE, SHADER_BUMPMAP_SPEC, SHADER_BUMPMAP_SPEC2};
    const std::uint32_t before = d->GetStatistics().programsAfterLoading;
    for (int id = 0; id < kTechniqueCount; ++id)
    {
        if (m_manager.m_Techniques[id].m_pVertexShader || std::count(std::begin(bump), std::end(bump), id))
            continue;
        for (CMesh* mesh : {plain.get(), coloured.get()})
        {
            SetDefaultStates();
            d->BeginScene();
            m_manager.ApplyStateBlock(id, mesh, tex.get(), tex.get(), tex.get(), tex.get());
            d->EndScene();
            EXPECT_EQ(d->GetStatistics().programsAfterLoading, before) << GetTechniqueName(id);
        }
    }
}

TEST_F(Techniques, BatchModeDefersClosingBlocks)
{
    ASSERT_TRUE(InitWith(kFull));
    auto tex = SolidTexture(0xFF808080);
    auto quad = ScreenQuad(64, 48, 0xFFFFFFFF, 0);
    Device* d = graph.m_lpDevice;
    std::uint32_t src = 0, dst = 0;
    auto blend = [&] {
        d->GetRenderState(D3DRS_SRCBLEND, &src);
        d->GetRenderState(D3DRS_DESTBLEND, &dst);
    };

    // Outside batch mode every draw ends in the default state.
    for (int i = 0; i < 2; ++i)
    {
        m_manager.ApplyStateBlock(SHADER_ALPHA_SI, quad.get(), tex.get());
        blend();
        EXPECT_EQ(src, D3DBLEND_ONE);
        EXPECT_EQ(dst, D3DBLEND_ZERO);
    }

    m_manager.InvalidateState();
    m_manager.ApplyStateBlock(SHADER_ALPHA_SI, quad.get(), tex.get());
    blend();
    EXPECT_EQ(src, D3DBLEND_SRCALPHA);
    // A second draw of the same technique applies no block: a state changed
    // in between stays.
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    m_manager.ApplyStateBlock(SHADER_ALPHA_SI, quad.get(), tex.get());
    blend();
    EXPECT_EQ(src, D3DBLEND_DESTCOLOR);
    // Another technique: the first one's closing block, then its pass.
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    m_manager.ApplyStateBlock(SHADER_ALPHA_SI_ADD, quad.get(), tex.get());
    blend();
    EXPECT_EQ(src, D3DBLEND_SRCALPHA);
    EXPECT_EQ(dst, D3DBLEND_ONE);
    EXPECT_EQ(m_manager.m_iCurrent, SHADER_ALPHA_SI_ADD);
    m_manager.RestoreState();
    blend();
    EXPECT_EQ(src, D3DBLEND_ONE);
    EXPECT_EQ(dst, D3DBLEND_ZERO);
    std::uint32_t zwrite = 0;
    d->GetRenderState(D3DRS_ZWRITEENABLE, &zwrite);
    EXPECT_EQ(zwrite, 1u);
    EXPECT_FALSE(m_manager.m_bBatch);

    // A mesh without vertices changes nothing, not even the current id.
    CMesh empty(MESH_MEMORY_HEAP, kQuadFvf, 0, 1u, 0);
    m_manager.ApplyStateBlock(SHADER_NORMAL, &empty, tex.get());
    EXPECT_EQ(m_manager.m_iCurrent, SHADER_ALPHA_SI_ADD);
}

TEST_F(Techniques, TexturesAreBoundThroughTheStageCache)
{
    ASSERT_TRUE(InitWith(kFull));
    auto a = SolidTexture(0xFF102030);
    auto b = SolidTexture(0xFF405060);
    auto quad = ScreenQuad(64, 48, 0xFFFFFFFF, 0);
    SetDefaultStates();
    // SHADER_SPECMAP binds caller textures 0 and 1 to stages 0 and 1.
    m_manager.ApplyStateBlock(SHADER_SPECMAP, quad.get(), a.get(), b.get());
    EXPECT_EQ(g_TextureStageCache[0], a.get());
    EXPECT_EQ(g_TextureStageCache[1], b.get());
    // A null texture leaves the stage as it was; texture 2 is in no list.
    m_manager.ApplyStateBlock(SHADER_SPECMAP, quad.get(), nullptr, a.get(), b.get());
    EXPECT_EQ(g_TextureStageCache[0], a.get());
    EXPECT_EQ(g_TextureStageCache[1], a.get());
    EXPECT_EQ(g_TextureStageCache[2], nullptr);
    Texture* bound = nullptr;
    graph.m_lpDevice->GetTexture(1, &bound);
    EXPECT_EQ(bound, a->m_lpTexture);
    if (bound)
        bound->Release();
}

TEST_F(Techniques, FactorAndClampHelpers)
{
    ASSERT_TRUE(InitWith(kFull));
    Device* d = graph.m_lpDevice;
    std::uint32_t factor = 0;
    const std::pair<float, std::uint32_t> alphas[] = {{1.0f, 0xFFFFFFFF}, {0.5f, 0x7FFFFFFF}, {0.0f, 0x00FFFFFF}};
    for (auto [alpha, expected] : alphas)
    {
        SetTextureFactorAlpha(alpha, 1);
        d->GetRenderState(D3DRS_TEXTUREFACTOR, &factor);
        EXPECT_EQ(factor, expected) << alpha;
    }
    float c0[4] = {};
    SetTextureFactor(0x80FF4000, 3);
    d->GetPixelShaderConstant(0, c0, 1);
    EXPECT_FLOAT_EQ(c0[0], 1.0f);
    EXPECT_FLOAT_EQ(c0[1], 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(c0[3], 128.0f / 255.0f);
    graph.m_bPixelShaders = 0;
    SetTextureFactor(0xFFFFFFFF, 2);
    d->GetPixelShaderConstant(0, c0, 1);
    EXPECT_FLOAT_EQ(c0[0], 1.0f);
    EXPECT_FLOAT_EQ(c0[1], 64.0f / 255.0f);

    std::uint32_t u = 0, v = 0;
    graph.m_bBorderAddressing = 0;
    m_manager.SetTextureClamp(true, 1);
    d->GetTextureStageState(1, D3DTSS_ADDRESSU, &u);
    d->GetTextureStageState(1, D3DTSS_ADDRESSV, &v);
    EXPECT_EQ(u, D3DTADDRESS_CLAMP);
    EXPECT_EQ(v, D3DTADDRESS_CLAMP);
    graph.m_bBorderAddressing = 1;
    m_manager.SetTextureClamp(true, 1);
    d->GetTextureStageState(1, D3DTSS_ADDRESSV, &v);
    EXPECT_EQ(v, D3DTADDRESS_BORDER);
    m_manager.SetTextureClamp(false, 1);
    d->GetTextureStageState(1, D3DTSS_ADDRESSU, &u);
    EXPECT_EQ(u, D3DTADDRESS_WRAP);
}

// The shell's loss cycle twice: purge, reset, Init(false). Every block of
// the first build is given back, so the device hands out the same block
// numbers again instead of ever larger ones.
TEST_F(Techniques, PurgeAndRebuildAfterDeviceLoss)
{
    ASSERT_TRUE(m_manager.Init(true));
    const bool specular = m_manager.m_bSpecularOk;
    auto highest = [&] {
        std::uint32_t h = 0;
        for (const STechnique& t : m_manager.m_Techniques)
        {
            for (std::uint32_t p : t.m_hPass)
                h = std::max(h, p);
            if (t.m_hClose != kNoBlock)
                h = std::max(h, t.m_hClose);
            if (t.m_hReenter != kNoBlock)
                h = std::max(h, t.m_hReenter);
        }
        return h;
    };
    const std::uint32_t first = highest();
    for (int round = 0; round < 2; ++round)
    {
        graph.m_lpDevice->SimulateDeviceLoss(true);
        m_manager.Purge();
        EXPECT_EQ(m_manager.m_pRampTexture, nullptr);
        EXPECT_EQ(m_manager.m_Techniques[SHADER_WATER].m_iPassCount, 0);
        EXPECT_EQ(m_manager.m_hPixelShader[0], 0u);
        m_manager.Purge();  // a second purge has nothing left to release
        ASSERT_EQ(graph.Reset(), D3D_OK);
        ASSERT_TRUE(m_manager.Init(false));
        EXPECT_EQ(m_manager.m_bSpecularOk, specular);
        EXPECT_EQ(highest(), first);
        EXPECT_NE(m_manager.m_pRampTexture, nullptr);
        EXPECT_EQ(m_manager.GetTechniqueCaps(SHADER_WATER), 2);
    }
}

// ---- drawn colours, one technique of each family

struct SPixelCase
{
    const char* family;
    int id;
    std::uint32_t tex0, tex1, diffuse, specular, factor, background;
    std::uint32_t expected;  // X8R8G8B8 at the centre
};

int Channel(std::uint32_t c, int shift)
{
    return int((c >> shift) & 0xFF);
}

const SPixelCase kPixelCases[] = {
    // tex x diffuse
    {"opaque", SHADER_NORMAL, 0xFFC86432, 0, 0xFF80FFFF, 0, 0xFFFFFFFF, 0xFF000000, 0x00646432},
    // tex over the background by tex alpha (128)
    {"alpha", SHADER_ALPHA_SI, 0x80C86432, 0, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFF204060, 0x0074524A},
    // tex x alpha added to the background
    {"additive", SHADER_ALPHA_SI_ADD, 0x80C86432, 0, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFF204060, 0x00847279},
    // tex x diffuse + specular map x specular
    {"specular map", SHADER_SPECMAP, 0xFF808080, 0xFF404040, 0xFFFFFFFF, 0xFF804020, 0xFFFFFFFF, 0xFF000000,
     0x00A09088},
    // The bump specular: dot3(normal map, half vector in the specular
    // colour)^4, added to the background. Its pass leaves SPECULARENABLE on
    // (the default), so the specular colour itself is added after the
    // stages as well. Normal +x against a half vector at 60 degrees: 0.5^4
    // = 16 + (192, 128, 128) + 32.
    {"bump", SHADER_BUMPMAP_SPEC, 0xFFFF8080, 0, 0xFFFFFFFF, 0xFFC08080, 0xFFFFFFFF, 0xFF202020, 0x00F1B1B1},
    // The same normal facing away from the half vector: the saturated dot
    // product is 0 and only the specular colour is added.
    {"bump facing away", SHADER_BUMPMAP_SPEC, 0xFFFF8080, 0, 0xFFFFFFFF, 0xFF408080, 0xFFFFFFFF, 0xFF202020,
     0x0060A0A0},
    // colour of the layer (texture 0 on both stages), alpha texture x
    // texture x factor = 0.25, over the background
    {"sky layer", SHADER_SKYLAYER, 0x80FF8000, 0, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFF000080, 0x00402060},
    // overlay of grey 0.4 with the red paint colour: (0.8, 0, 0)
    {"map mask", SHADER_MAP_MASK, 0xFF666666, 0, 0xFFFFFFFF, 0xFF000000, 0xFFFF0000, 0xFF000000, 0x00CC0000},
};

class TechniquePixels : public Techniques
{
};

void DrawCases(TexShaderManager& manager, const SPixelCase* cases, std::size_t count)
{
    Device* d = graph.m_lpDevice;
    for (const SPixelCase& c : std::vector<SPixelCase>(cases, cases + count))
    {
        SCOPED_TRACE(c.family);
        auto t0 = SolidTexture(c.tex0);
        auto t1 = SolidTexture(c.tex1);
        auto quad = ScreenQuad(64, 48, c.diffuse, c.specular);
        SetDefaultStates();
        SetTextureFactor(c.factor, 3);
        d->SetRenderState(D3DRS_LIGHTING, 0);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        graph.Clear(D3DCLEAR_TARGET, c.background);
        d->BeginScene();
        manager.ApplyStateBlock(c.id, quad.get(), t0.get(), t1.get());
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        ASSERT_FALSE(pixels.empty());
        const std::uint32_t got = pixels[24 * w + 32];
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(Channel(got, shift), Channel(c.expected, shift), 6)
                << std::hex << "got " << got << " expected " << c.expected;
        CMesh::ResetCurrent();
    }
}

TEST_F(TechniquePixels, FamiliesDrawTheColoursOfTheirStates)
{
    ASSERT_TRUE(InitWith(kFull));
    DrawCases(m_manager, kPixelCases, std::size(kPixelCases));
}

// Water through its vertex program, seen from straight above with
// identity matrices and no waves. The diffuse alpha c13.w * s + 1 (s = 1
// here) weighs the reflection against the water colour (vertex colour x
// water texture) in the last stage; the specular alpha 1.3 - 0.5 * s = 0.8
// is the surface's opacity over the (black) background. The pass leaves
// SPECULARENABLE on, so the specular colour, the vertex colour, is added
// after the stages as well.
TEST_F(TechniquePixels, WaterMixesReflectionAndWaterColourByTheEyeAngle)
{
    ASSERT_TRUE(InitWith(kFull));
    ASSERT_EQ(m_manager.GetTechniqueCaps(SHADER_WATER), 2);
    Device* d = graph.m_lpDevice;
    auto water = SolidTexture(0xFF0000FF);
    auto bumps = SolidTexture(0xFF000000); // no perturbation
    auto reflection = SolidTexture(0xFF20C040);
    constexpr std::uint32_t kWaterFvf = D3DFVF_XYZB3 | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    CMesh quad(MESH_MEMORY_STATIC, kWaterFvf, 4, 1u, 6);
    ASSERT_EQ(quad.m_nStride, 48u);
    quad.Lock(true, true);
    for (int i = 0; i < 4; ++i)
    {
        float* v = reinterpret_cast<float*>(quad.m_pVertices + i * 48);
        std::memset(v, 0, 48);
        v[0] = (i % 2) * 4.0f - 2.0f; // beyond the clip square
        v[1] = (i / 2) * 4.0f - 2.0f;
        v[2] = 5.0f; // replaced by the (zero) waves
        const std::uint32_t colour = 0xFF303030;
        std::memcpy(&v[9], &colour, 4);
        v[10] = float(i % 2);
        v[11] = float(i / 2);
    }
    // Clip space is y-up: 0, 2, 1 runs clockwise on the screen, a front face
    // under the pass's CCW culling.
    const std::uint16_t indices[6] = {0, 2, 1, 1, 2, 3};
    std::memcpy(quad.m_pIndices, indices, sizeof indices);
    quad.Unlock(true, true);

    struct SCase
    {
        float slope; // c13.w
        std::uint32_t expected;
    };
    const SCase cases[] = {
        {0.0f, 0x40C05A},  // (reflection + vertex colour) x 0.8
        {-0.5f, 0x337353}, // (half reflection, half water colour + vertex colour) x 0.8
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.slope);
        SetDefaultStates();
        d->SetRenderState(D3DRS_ZENABLE, 0);
        float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        float reflect[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1}; // q.z = 1
        SetVertexShaderMatrices(identity, reflect);
        SetVertexShaderConstant4(kVSReflectionScale, 1, 1, 0, 0);
        SetVertexShaderConstant4(kVSFog, 0, 0, 0, 0);
        SetVertexShaderConstant4(kVSWaveWeights, 0, 0, 0, 0);
        SetVertexShaderConstant4(kVSEye, 0, 0, 10, c.slope);
        SetTextureFactor(0xFFFFFFFF, 3);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        m_manager.ApplyStateBlock(SHADER_WATER, &quad, water.get(), bumps.get(), reflection.get());
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        ASSERT_FALSE(pixels.empty());
        const std::uint32_t got = pixels[24 * w + 32];
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(Channel(got, shift), Channel(c.expected, shift), 6)
                << std::hex << "got " << got << " expected " << c.expected;
        CMesh::ResetCurrent();
    }
}

} // namespace
