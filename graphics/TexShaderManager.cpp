#include "graphics/TexShaderManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/TextureManager.h"
#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/TechniqueBuilder.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <vector>

using namespace plat::d3d;

TexShaderManager* g_pTexShaderManager = nullptr;

namespace
{
// The build order; -1 resets the device to the default state first, so
// each recording that follows starts from it.
constexpr int R = -1;
constexpr int kBuildOrder[] = {
    R,  0,  R,  1,  R,  2,  R,  3,  33, 4,  R,  5,  6,  10, 7,  8,  9,  61, 11, 12, 19, 41, 38, 46, 55,
    13, 14, 15, 16, 17, 18, 20, 21, 22, R,  54, 23, R,  24, 25, 49, 26, 32, 27, 28, 48, 29, 30, 40, 31,
    34, 35, 36, 43, 37, 39, 42, 44, 45, 47, 52, R,  51, R,  50, R,  53, R,  56, 57, 58, 59, 60, R,
};
constexpr bool BuildOrderComplete()
{
    int seen[kTechniqueCount] = {};
    for (int id : kBuildOrder)
        if (id >= 0) ++seen[id];
    for (int n : seen)
        if (n != 1) return false;
    return true;
}
static_assert(BuildOrderComplete(), "every technique is built exactly once");

// The vertex formats and primitives the engine draws with: the model
// manager's render buffers (models, effects, effect points, screen), the 2-D
// quad and the screen geometry buffer.
struct SWarmUpFormat
{
    std::uint32_t fvf, primitive;
};
constexpr std::uint32_t kModelFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr SWarmUpFormat kWarmUpFormats[] = {
    {kModelFormat, D3DPT_TRIANGLELIST},
    {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, D3DPT_TRIANGLELIST},
    {D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPT_POINTLIST},
    {D3DFVF_XYZRHW | D3DFVF_TEX2, D3DPT_TRIANGLELIST},
    {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPT_TRIANGLELIST},
    {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, D3DPT_TRIANGLELIST},
};

// The first stage's colour as the screens set it outside any technique over
// the default states: the menus' fade (a noise texture blended by the
// texture factor's alpha, then the factor alone).
struct SWarmUpStage
{
    std::uint32_t op, arg1, arg2;
};
constexpr SWarmUpStage kWarmUpScreenStages[] = {
    {D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR},
    {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE},
};
} // namespace

void SetDefaultStates()
{
    Device* d = graph.m_lpDevice;
    if (!d) return;
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    for (std::uint32_t s = 1; s <= 3; ++s)
    {
        d->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, 0);
        d->SetTextureStageState(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
    for (std::uint32_t s = 0; s <= 3; ++s)
        d->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_ALPHAREF, 1);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    for (std::uint32_t s = 0; s <= 1; ++s)
    {
        d->SetTextureStageState(s, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        d->SetTextureStageState(s, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d->SetRenderState(D3DRS_SPECULARENABLE, 1);
    // A validated variant sets its pixel program on the live device before
    // recording; without this the fixed-function draws after Init would run
    // through the last one validated.
    d->SetPixelShader(0);
    for (std::uint32_t s = 0; s <= 3; ++s)
    {
        d->SetTexture(s, nullptr);
        g_TextureStageCache[s] = nullptr;
    }
}

TexShaderManager::TexShaderManager()
{
    ClearTables();
}

TexShaderManager::~TexShaderManager()
{
    // Purge is the owner's job while the device lives; here only what no
    // device call is needed for.
    if (g_pTextureManager) g_pTextureManager->UncountTexture(m_pRampTexture);
    delete m_pRampTexture;
    m_pRampTexture = nullptr;
}

void TexShaderManager::ClearTables()
{
    for (STechnique& t : m_Techniques)
        t = STechnique{};
    std::memset(m_hPixelShader, 0, sizeof m_hPixelShader);
    std::memset(m_hVertexShader, 0, sizeof m_hVertexShader);
    std::memset(m_aVariant, -1, sizeof m_aVariant);
}

int TexShaderManager::GetVariant(int id) const
{
    return id >= 0 && id < kTechniqueCount ? m_aVariant[id] : -1;
}

void TexShaderManager::DeleteBlocks(STechnique& t)
{
    Device* d = graph.m_lpDevice;
    for (int p = 0; p < 3; ++p)
        if (t.m_hPass[p]) d->DeleteStateBlock(t.m_hPass[p]);
    if (t.m_hClose != kNoBlock && t.m_hClose != 0) d->DeleteStateBlock(t.m_hClose);
    if (t.m_hReenter != kNoBlock && t.m_hReenter != 0) d->DeleteStateBlock(t.m_hReenter);
    t = STechnique{};
}

bool TexShaderManager::BuildTechnique(int id)
{
    const STechniqueRecipe& recipe = GetTechniqueRecipe(id);
    STechnique& t = m_Techniques[id];
    for (int v = 0; v < 4 && recipe.variants[v]; ++v)
    {
        t = STechnique{};
        CTechniqueBuilder builder(*this, t);
        if (recipe.variants[v](builder) && builder.Finish())
        {
            m_aVariant[id] = std::int8_t(v);
            return true;
        }
        // A variant that failed half-way gives back what it recorded.
        DeleteBlocks(t);
    }
    m_aVariant[id] = -1;
    return false;
}

bool TexShaderManager::Init(bool testDevice)
{
    XTRACE("TexShaderManager::Init");
    if (testDevice) GetCaps();
    for (STechnique& t : m_Techniques)
        t.m_hReenter = kNoBlock;
    m_bBatch = false;
    m_iCurrent = -1;

    if (g_pTextureManager) g_pTextureManager->UncountTexture(m_pRampTexture);
    delete m_pRampTexture;
    m_pRampTexture = new CTexture;
    m_pRampTexture->CreateTexture(256, 1, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC);
    if (g_pTextureManager) g_pTextureManager->CountTexture(m_pRampTexture);
    FillRampTexture();

    CreateEngineShaders(m_hPixelShader, m_hVertexShader);

    for (int id : kBuildOrder)
    {
        if (id < 0)
        {
            SetDefaultStates();
            continue;
        }
        if (BuildTechnique(id)) continue;
        const STechniqueRecipe& recipe = GetTechniqueRecipe(id);
        if (recipe.kind == TECHNIQUE_REQUIRED)
        {
            if (recipe.message) g_ErrorLog.LogError("%s", recipe.message);
            SetDefaultStates();
            return false;
        }
        if (recipe.kind == TECHNIQUE_OPTIONAL && recipe.message) g_ErrorLog.LogError("%s", recipe.message);
    }
    SetDefaultStates();
    graph.m_lpDevice->SetRenderState(D3DRS_FOGENABLE, 0);
    return true;
}

int TexShaderManager::WarmUpPrograms()
{
    XTRACE("TexShaderManager::WarmUpPrograms");
    Device* d = graph.m_lpDevice;
    if (!d) return 0;
    // The device is left as it was found.
    std::uint32_t saved = 0;
    if (plat::Failed(d->CreateStateBlock(D3DSBT_ALL, &saved))) saved = 0;
    const std::size_t before = d->ProgramCount();
    // The program depends on the kind of texture a stage has, not on which:
    // one plain and one bump texture stand in for the caller's.
    Texture* plain = nullptr;
    Texture* bump = nullptr;
    d->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &plain);
    d->CreateTexture(1, 1, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump);
    bool refused = false;
    // A pass that leaves the first stage's alpha alone draws with whatever
    // alpha the last draw set: each pass is warmed with every first-stage
    // alpha any pass sets, starting from the device's own (texture alpha by
    // diffuse alpha). Of the techniques, only the models draw straight
    // after other techniques with that alpha left over: the other formats
    // are warmed with the device's own alpha alone (with every alpha, they
    // were about 150 programs that a flight through day, night and rain, a
    // fight and the hall never drew). The screens' fade set-ups take every
    // alpha (the flight interface's box draws them after a technique).
    struct SAlpha
    {
        std::uint32_t op, arg1, arg2;
        bool operator==(const SAlpha&) const = default;
    };
    // The water's vertex program draws through four stages and leaves the
    // second one's alpha alone too: its passes are warmed with every
    // second-stage alpha the passes set.
    std::vector<SAlpha> alphas{{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE}};
    std::vector<SAlpha> secondAlphas;
    auto getAlpha = [&](std::uint32_t stage)
    {
        SAlpha a{};
        d->GetTextureStageState(stage, D3DTSS_ALPHAOP, &a.op);
        d->GetTextureStageState(stage, D3DTSS_ALPHAARG1, &a.arg1);
        d->GetTextureStageState(stage, D3DTSS_ALPHAARG2, &a.arg2);
        return a;
    };
    auto setAlpha = [&](std::uint32_t stage, const SAlpha& a)
    {
        d->SetTextureStageState(stage, D3DTSS_ALPHAOP, a.op);
        d->SetTextureStageState(stage, D3DTSS_ALPHAARG1, a.arg1);
        d->SetTextureStageState(stage, D3DTSS_ALPHAARG2, a.arg2);
    };
    auto addAlpha = [](std::vector<SAlpha>& to, const SAlpha& a)
    {
        if (std::find(to.begin(), to.end(), a) == to.end()) to.push_back(a);
    };
    auto warmVertexProgramPasses = [&](const STechnique& t, const SAlpha& start)
    {
        for (const SAlpha& second : secondAlphas)
        {
            SetDefaultStates();
            setAlpha(0, start);
            setAlpha(1, second);
            for (int p = 0; p < t.m_iPassCount; ++p)
            {
                if (plat::Failed(d->ApplyStateBlock(t.m_hPass[p]))) break;
                for (int s = 0; s < 5 && t.m_aStageTexture[p][s] >= 0; ++s)
                    d->SetTexture(std::uint32_t(s), plain);
                d->SetVertexShader(*t.m_pVertexShader);
                if (plat::Failed(d->PrepareProgram(0))) return false;
            }
            if (t.m_hClose != kNoBlock && t.m_hClose != 0) d->ApplyStateBlock(t.m_hClose);
        }
        return true;
    };
    auto prepare = [&](bool screenOnly, bool modelsOnly)
    {
        for (const SWarmUpFormat& f : kWarmUpFormats)
        {
            if (screenOnly && (f.fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW) continue;
            if (modelsOnly && f.fvf != kModelFormat) continue;
            if (plat::Failed(d->SetVertexShader(f.fvf)) || plat::Failed(d->PrepareProgram(f.fvf, f.primitive)))
                return false;
        }
        return true;
    };
    for (std::size_t round = 0; round < alphas.size() && !refused; ++round)
    {
        const SAlpha start = alphas[round];
        for (int id = 0; id < kTechniqueCount && !refused; ++id)
        {
            const STechnique& t = m_Techniques[id];
            // As drawn: from the default state, each pass on top of the last,
            // then the closing block.
            SetDefaultStates();
            setAlpha(0, start);
            for (int p = 0; p < t.m_iPassCount && !refused; ++p)
            {
                if (plat::Failed(d->ApplyStateBlock(t.m_hPass[p]))) break;
                addAlpha(alphas, getAlpha(0));
                addAlpha(secondAlphas, getAlpha(1));
                for (int s = 0; s < 5 && t.m_aStageTexture[p][s] >= 0; ++s)
                {
                    std::uint32_t op = 0;
                    d->GetTextureStageState(std::uint32_t(s), D3DTSS_COLOROP, &op);
                    const bool bumpStage = op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE;
                    d->SetTexture(std::uint32_t(s), bumpStage ? bump : plain);
                }
                if (t.m_pVertexShader)
                {
                    d->SetVertexShader(*t.m_pVertexShader);
                    refused = plat::Failed(d->PrepareProgram(0));
                    continue;
                }
                // The mesh sets its format as the vertex shader when it draws.
                refused = !prepare(false, round > 0);
            }
            if (t.m_hClose != kNoBlock && t.m_hClose != 0) d->ApplyStateBlock(t.m_hClose);
        }
        for (int id = 0; id < kTechniqueCount && !refused; ++id)
            if (m_Techniques[id].m_pVertexShader) refused = !warmVertexProgramPasses(m_Techniques[id], start);
        for (const SWarmUpStage& stage : kWarmUpScreenStages)
        {
            if (refused) break;
            SetDefaultStates();
            setAlpha(0, start);
            d->SetTexture(0, plain);
            d->SetTextureStageState(0, D3DTSS_COLOROP, stage.op);
            d->SetTextureStageState(0, D3DTSS_COLORARG1, stage.arg1);
            d->SetTextureStageState(0, D3DTSS_COLORARG2, stage.arg2);
            refused = !prepare(true, false);
        }
    }
    if (saved)
    {
        d->ApplyStateBlock(saved);
        d->DeleteStateBlock(saved);
    }
    for (std::uint32_t s = 0; s < 4; ++s)
        g_TextureStageCache[s] = nullptr;
    // The vertex shader was set behind the mesh's cache.
    CMesh::ResetCurrent();
    if (plain) plain->Release();
    if (bump) bump->Release();
    const int compiled = int(d->ProgramCount() - before);
    if (refused)
        g_ErrorLog.LogError("TexShaderManager::WarmUpPrograms: the device refused (not its thread?)");
    g_ErrorLog.LogDebug("TexShaderManager::WarmUpPrograms: %d programs compiled", compiled);
    return compiled;
}

void TexShaderManager::FillRampTexture()
{
    // The map-colouring programs sample this texture without texture
    // coordinates (the vertex program writes none), so every texel must give
    // the same answer: opaque white, which lets the vertex colour through
    // unchanged. A fresh default-pool texture holds no defined texels, and
    // it is made again after every device reset, so it is filled each time.
    Texture* texture = m_pRampTexture ? m_pRampTexture->m_lpTexture : nullptr;
    if (!texture) return;
    SLockedRect locked{};
    if (plat::Failed(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) return;
    const std::uint32_t white = 0xFFFFFFFFu;
    for (int x = 0; x < 256; ++x)
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + x * 4, &white, 4);
    texture->UnlockRect(0);
}

void TexShaderManager::GetCaps()
{
    XTRACE("TexShaderManager::GetCaps");
    Device* d = graph.m_lpDevice;
    if (!d) return;
    Surface* target = nullptr;
    if (plat::Failed(
            d->CreateRenderTarget(32, 32, graph.m_DisplayFormat, D3DMULTISAMPLE_NONE, true, &target)))
    {
        // Without a target the probe cannot run: assume the device's
        // lighting is sound, as for an unknown format.
        g_ErrorLog.LogError("TexShaderManager::GetCaps can`t create render target");
        m_bSpecularOk = true;
        return;
    }
    Surface* oldTarget = nullptr;
    Surface* oldDepth = nullptr;
    d->GetRenderTarget(&oldTarget);
    d->GetDepthStencilSurface(&oldDepth);
    std::uint32_t oldZEnable = D3DZB_TRUE;
    d->GetRenderState(D3DRS_ZENABLE, &oldZEnable);
    d->SetRenderTarget(target, nullptr);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    const SViewport small{0, 0, 32, 32, 0.0f, 1.0f};
    d->SetViewport(&small);

    {
        CMesh quad(MESH_MEMORY_SOFTWARE, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 4, 1, 6);
        quad.Lock(true, true);
        if (quad.m_pVertices && quad.m_pIndices)
        {
            float* v = reinterpret_cast<float*>(quad.m_pVertices);
            for (int i = 0; i < 4; ++i, v += 8)
            {
                v[0] = (float(i % 2) - 0.5f) * 10.0f;
                v[1] = (float(i / 2) - 0.5f) * 10.0f;
                v[2] = 10.0f;
                v[3] = 0.0f;
                v[4] = 0.0f;
                v[5] = -1.0f;
                v[6] = float(i % 2);
                v[7] = float(i / 2);
            }
            const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
            std::memcpy(quad.m_pIndices, indices, sizeof indices);
        }
        quad.Unlock(true, true);

        d->SetRenderState(D3DRS_AMBIENT, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        SMaterial material{};
        material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
        material.Power = 10.0f;
        d->SetMaterial(&material);
        SLight light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Direction = {0.5f, 0.5f, 1.0f};
        light.Specular = {0.5f, 0.5f, 0.5f, 0.5f};
        light.Ambient = {0.5f, 0.5f, 0.5f, 0.5f};
        d->SetLight(0, &light);
        d->LightEnable(0, true);
        const SMatrix identity = IdentityMatrix();
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_WORLD, &identity);
        graph.SetProjection(1000.0f, 0.1f, 90.0f, 90.0f, false);
        d->SetTexture(0, nullptr);
        g_TextureStageCache[0] = nullptr;
        d->SetRenderState(D3DRS_SPECULARENABLE, 0);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_SPECULAR);

        m_bSpecularOk = true;
        d->BeginScene();
        quad.Render(true);
        d->EndScene();
        CMesh::ResetCurrent();

        SLockedRect locked{};
        if (plat::Succeeded(target->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(16) * locked.Pitch;
            if (graph.m_DisplayFormat == D3DFMT_X8R8G8B8 || graph.m_DisplayFormat == D3DFMT_A8R8G8B8)
            {
                const std::uint8_t blue = row[16 * 4];
                m_bSpecularOk = blue > 0x40 && blue < 0x60;
            }
            else if (graph.m_DisplayFormat == D3DFMT_R5G6B5)
            {
                std::uint16_t pixel;
                std::memcpy(&pixel, row + 16 * 2, 2);
                const int blue = pixel & 0x1F;
                m_bSpecularOk = blue > 5 && blue < 0x12;
            }
            else
            {
                g_ErrorLog.LogError("TexShaderManager::GetCaps Unknown target render format");
            }
            target->UnlockRect();
        }
    }

    SetDefaultStates();
    d->SetRenderTarget(oldTarget, oldDepth);
    // The probe turned depth testing off for its target; the scene needs it
    // back as it was.
    d->SetRenderState(D3DRS_ZENABLE, oldZEnable);
    d->LightEnable(0, false);
    const SViewport full{0,    0,   std::uint32_t(graph.m_nScreenWidth), std::uint32_t(graph.m_nScreenHeight),
                         0.0f, 1.0f};
    d->SetViewport(&full);
    if (oldTarget) oldTarget->Release();
    if (oldDepth) oldDepth->Release();
    target->Release();
}

void TexShaderManager::ApplyStateBlock(int id, CMesh* mesh, CTexture* tex0, CTexture* tex1, CTexture* tex2,
                                       CTexture* tex3)
{
    if (!mesh || mesh->m_nVertexCount == 0 || id < 0 || id >= kTechniqueCount) return;
    Device* d = graph.m_lpDevice;
    const STechnique& t = m_Techniques[id];
    if (m_bBatch && m_iCurrent != id && m_iCurrent != -1 && m_Techniques[m_iCurrent].m_hClose != kNoBlock)
        d->ApplyStateBlock(m_Techniques[m_iCurrent].m_hClose);

    CTexture* textures[4] = {tex0, tex1, tex2, tex3};
    for (int p = 0; p < t.m_iPassCount; ++p)
    {
        if (!m_bBatch)
        {
            if (plat::Failed(d->ApplyStateBlock(t.m_hPass[p]))) throw std::runtime_error("ApplyStateBlock");
        }
        else if (id == m_iCurrent && p == 0)
        {
            if (t.m_hReenter != kNoBlock) d->ApplyStateBlock(t.m_hReenter);
        }
        else
        {
            d->ApplyStateBlock(t.m_hPass[p]);
        }
        if (id == SHADER_MAP_HIDE_COLOR)
            g_TextureStageCache[0] = nullptr; // its block binds the ramp texture itself

        for (int s = 0; s < 5 && t.m_aStageTexture[p][s] >= 0; ++s)
        {
            const int index = t.m_aStageTexture[p][s];
            CTexture* texture = index < 4 ? textures[index] : nullptr;
            if (texture && texture->m_lpTexture && g_TextureStageCache[s] != texture)
            {
                d->SetTexture(std::uint32_t(s), texture->m_lpTexture);
                g_TextureStageCache[s] = texture;
            }
        }

        if (!t.m_pVertexShader)
        {
            mesh->Render(true);
        }
        else
        {
            d->SetVertexShader(mesh->m_nFVF);
            if (mesh->IsIndexed()) d->SetIndices(mesh->m_pIB, 0);
            d->SetStreamSource(0, mesh->m_pVB, mesh->m_nStride);
            d->SetVertexShader(*t.m_pVertexShader);
            mesh->Render(false);
            // Streams and the vertex shader were set here, not by the mesh.
            CMesh::ResetCurrent();
        }
    }
    m_iCurrent = id;
    if (!m_bBatch && t.m_hClose != kNoBlock) d->ApplyStateBlock(t.m_hClose);
}

void TexShaderManager::InvalidateState()
{
    m_bBatch = true;
    m_iCurrent = -1;
}

void TexShaderManager::RestoreState()
{
    m_bBatch = false;
    if (m_iCurrent >= 0 && m_Techniques[m_iCurrent].m_hClose != kNoBlock)
        graph.m_lpDevice->ApplyStateBlock(m_Techniques[m_iCurrent].m_hClose);
}

int TexShaderManager::GetTechniqueCaps(int id) const
{
    if (id < 0 || id >= kTechniqueCount) return 0;
    const STechnique& t = m_Techniques[id];
    return (t.m_pPixelShader ? 1 : 0) | (t.m_pVertexShader ? 2 : 0);
}

void TexShaderManager::SetTextureClamp(bool clamp, int stage)
{
    std::uint32_t mode = D3DTADDRESS_WRAP;
    if (clamp) mode = graph.m_bBorderAddressing ? D3DTADDRESS_BORDER : D3DTADDRESS_CLAMP;
    graph.m_lpDevice->SetTextureStageState(std::uint32_t(stage), D3DTSS_ADDRESSU, mode);
    graph.m_lpDevice->SetTextureStageState(std::uint32_t(stage), D3DTSS_ADDRESSV, mode);
}

void TexShaderManager::Purge()
{
    try
    {
        if (g_pTextureManager) g_pTextureManager->UncountTexture(m_pRampTexture);
        delete m_pRampTexture;
        m_pRampTexture = nullptr;
        if (Device* d = graph.m_lpDevice)
        {
            // Closing and re-entry blocks go too: Init records new ones,
            // and keeping the old would leak a set per device reset.
            for (STechnique& t : m_Techniques)
                DeleteBlocks(t);
            for (std::uint32_t& h : m_hPixelShader)
                if (h) d->DeletePixelShader(h);
            for (std::uint32_t& h : m_hVertexShader)
                if (h) d->DeleteVertexShader(h);
        }
    }
    catch (const std::exception&)
    {
        g_ErrorLog.LogError("TexShaderManager::Purge exeption");
    }
    ClearTables();
    m_iCurrent = -1;
    m_bBatch = false;
}
