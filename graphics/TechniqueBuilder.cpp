#include "graphics/TechniqueBuilder.h"

#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using namespace plat::d3d;

namespace
{
constexpr std::uint32_t kUntouched = 0xFFFFFFFEu;

// The default value of a render state of SetDefaultStates, or kUntouched for
// the states it does not set.
std::uint32_t DefaultRenderState(std::uint32_t state)
{
    switch (state)
    {
    case D3DRS_SRCBLEND:
        return D3DBLEND_ONE;
    case D3DRS_DESTBLEND:
        return D3DBLEND_ZERO;
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SPECULARENABLE:
        return 1;
    case D3DRS_CULLMODE:
        return D3DCULL_CCW;
    case D3DRS_ALPHATESTENABLE:
        return 0;
    case D3DRS_ALPHAFUNC:
        return D3DCMP_GREATER;
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
        return D3DMCS_MATERIAL;
    default:
        return kUntouched;
    }
}

std::uint32_t DefaultStageState(std::uint32_t stage, std::uint32_t type)
{
    if (stage > 3) return kUntouched;
    if (type == D3DTSS_TEXTURETRANSFORMFLAGS) return D3DTTFF_DISABLE;
    if (stage == 0)
    {
        switch (type)
        {
        case D3DTSS_COLOROP:
            return D3DTOP_MODULATE;
        case D3DTSS_COLORARG1:
            return D3DTA_TEXTURE;
        case D3DTSS_COLORARG2:
            return D3DTA_DIFFUSE;
        case D3DTSS_RESULTARG:
            return D3DTA_CURRENT;
        default:
            break;
        }
    }
    else
    {
        if (type == D3DTSS_TEXCOORDINDEX) return 0;
        if (type == D3DTSS_COLOROP) return D3DTOP_DISABLE;
    }
    if (stage <= 1 && (type == D3DTSS_ADDRESSU || type == D3DTSS_ADDRESSV)) return D3DTADDRESS_WRAP;
    return kUntouched;
}

bool SameAsDefaultStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    const std::uint32_t def = DefaultStageState(stage, type);
    if (def == kUntouched || value == def) return true;
    // On stage 0 the current colour is the diffuse colour: an argument of
    // either kind reads the same value.
    return stage == 0 && (type == D3DTSS_COLORARG1 || type == D3DTSS_COLORARG2) &&
           (value == D3DTA_CURRENT || value == D3DTA_DIFFUSE) &&
           (def == D3DTA_CURRENT || def == D3DTA_DIFFUSE);
}

bool SameAsDefaultRenderState(std::uint32_t state, std::uint32_t value)
{
    const std::uint32_t def = DefaultRenderState(state);
    return def == kUntouched || value == def;
}
} // namespace

CTechniqueBuilder::CTechniqueBuilder(TexShaderManager& manager, STechnique& technique)
    : m_manager(manager), m_t(technique)
{
    std::fill(std::begin(m_aRenderState), std::end(m_aRenderState), kUntouched);
    for (auto& stage : m_aStageState)
        std::fill(std::begin(stage), std::end(stage), kUntouched);
    m_nPixelShader = kUntouched;
}

void CTechniqueBuilder::RestoreDrift()
{
    for (std::uint32_t rs = 0; rs < kRenderStateCount; ++rs)
        if (m_aRenderState[rs] != kUntouched && !SameAsDefaultRenderState(rs, m_aRenderState[rs]))
            Rs(rs, DefaultRenderState(rs));
    for (std::uint32_t s = 0; s < 4; ++s)
        for (std::uint32_t type = 0; type < kStageStateCount; ++type)
            if (m_aStageState[s][type] != kUntouched &&
                !SameAsDefaultStageState(s, type, m_aStageState[s][type]))
                Tss(int(s), type, DefaultStageState(s, type));
    if (m_nPixelShader != kUntouched && m_nPixelShader != 0) NoPS();
}

bool CTechniqueBuilder::HasDrift() const
{
    for (std::uint32_t rs = 0; rs < kRenderStateCount; ++rs)
        if (m_aRenderState[rs] != kUntouched && !SameAsDefaultRenderState(rs, m_aRenderState[rs]))
            return true;
    for (std::uint32_t s = 0; s < 4; ++s)
        for (std::uint32_t type = 0; type < kStageStateCount; ++type)
            if (m_aStageState[s][type] != kUntouched &&
                !SameAsDefaultStageState(s, type, m_aStageState[s][type]))
                return true;
    return m_nPixelShader != kUntouched && m_nPixelShader != 0;
}

bool CTechniqueBuilder::Finish()
{
    if (m_t.m_hClose != kNoBlock || !HasDrift()) return true;
    return Record([](CTechniqueBuilder&) {}, &m_t.m_hClose, true);
}

bool CTechniqueBuilder::Stages(int n) const
{
    return graph.m_nBlendStages >= n;
}
bool CTechniqueBuilder::Tex(int n) const
{
    return graph.m_nSimultaneousTextures >= n;
}
bool CTechniqueBuilder::Temp() const
{
    return graph.m_bTempRegister != 0;
}
bool CTechniqueBuilder::Bump() const
{
    return graph.m_bBumpMapping != 0;
}
bool CTechniqueBuilder::Projected() const
{
    return graph.m_bProjectedTextures != 0;
}
bool CTechniqueBuilder::Spec() const
{
    return m_manager.m_bSpecularOk;
}
bool CTechniqueBuilder::PS(int slot) const
{
    return graph.m_bPixelShaders && m_manager.m_hPixelShader[slot] != 0;
}
bool CTechniqueBuilder::VS(int slot) const
{
    return graph.m_bVertexShaders && m_manager.m_hVertexShader[slot] != 0;
}

bool CTechniqueBuilder::Record(PFNTechniqueStates states, std::uint32_t* handle, bool track)
{
    Device* device = graph.m_lpDevice;
    if (plat::Failed(device->BeginStateBlock())) return false;
    m_bTracking = track;
    states(*this);
    m_bTracking = false;
    // A closing block ends with whatever default states the passes (or its
    // own list) left changed, so drawing code can rely on the defaults.
    if (handle == &m_t.m_hClose) RestoreDrift();
    std::uint32_t token = 0;
    if (plat::Failed(device->EndStateBlock(&token)) || token == 0) return false;
    *handle = token;
    return true;
}

bool CTechniqueBuilder::Pass(PFNTechniqueStates states, std::initializer_list<int> textures, bool validated)
{
    const int p = m_t.m_iPassCount;
    if (p >= 3 || textures.size() > 5) return false;
    Device* device = graph.m_lpDevice;
    std::uint32_t passes = 0;
    if (validated)
    {
        states(*this);
        if (plat::Failed(device->ValidateDevice(&passes)))
        {
            SetDefaultStates();
            return false;
        }
    }
    std::uint32_t handle = 0;
    if (!Record(states, &handle, true)) return false;
    m_t.m_hPass[p] = handle;
    m_t.m_iPassCount = p + 1;
    if (!validated && plat::Failed(device->ValidateDevice(&passes))) return false;
    int s = 0;
    for (int index : textures)
        m_t.m_aStageTexture[p][s++] = index;
    for (; s < 5; ++s)
        m_t.m_aStageTexture[p][s] = -1;
    return true;
}

bool CTechniqueBuilder::Close(PFNTechniqueStates states)
{
    return Record(states, &m_t.m_hClose, true);
}

bool CTechniqueBuilder::Reenter(PFNTechniqueStates states)
{
    return Record(states, &m_t.m_hReenter, false);
}

void CTechniqueBuilder::UsePixelShader(int slot, bool specularX4)
{
    m_t.m_pPixelShader = &m_manager.m_hPixelShader[slot];
    m_t.m_bSpecularX4 = specularX4;
}

void CTechniqueBuilder::UseVertexShader(int slot)
{
    m_t.m_pVertexShader = &m_manager.m_hVertexShader[slot];
}

void CTechniqueBuilder::Tss(int s, std::uint32_t type, std::uint32_t value)
{
    if (m_bTracking && s >= 0 && s < 4 && type < kStageStateCount) m_aStageState[s][type] = value;
    graph.m_lpDevice->SetTextureStageState(std::uint32_t(s), type, value);
}

void CTechniqueBuilder::Rs(std::uint32_t state, std::uint32_t value)
{
    if (m_bTracking && state < kRenderStateCount) m_aRenderState[state] = value;
    graph.m_lpDevice->SetRenderState(state, value);
}

void CTechniqueBuilder::Col(int s, std::uint32_t op, std::uint32_t a1, std::uint32_t a2)
{
    Tss(s, D3DTSS_COLOROP, op);
    if (a1 != tech::KEEP) Tss(s, D3DTSS_COLORARG1, a1);
    if (a2 != tech::KEEP) Tss(s, D3DTSS_COLORARG2, a2);
}

void CTechniqueBuilder::Alpha(int s, std::uint32_t op, std::uint32_t a1, std::uint32_t a2)
{
    Tss(s, D3DTSS_ALPHAOP, op);
    if (a1 != tech::KEEP) Tss(s, D3DTSS_ALPHAARG1, a1);
    if (a2 != tech::KEEP) Tss(s, D3DTSS_ALPHAARG2, a2);
}

void CTechniqueBuilder::ColMulAdd(int s, std::uint32_t a1, std::uint32_t a2, std::uint32_t a0)
{
    Tss(s, D3DTSS_COLOROP, D3DTOP_MULTIPLYADD);
    Tss(s, D3DTSS_COLORARG1, a1);
    Tss(s, D3DTSS_COLORARG2, a2);
    Tss(s, D3DTSS_COLORARG0, a0);
}

void CTechniqueBuilder::Result(int s, std::uint32_t arg)
{
    Tss(s, D3DTSS_RESULTARG, arg);
}
void CTechniqueBuilder::Tci(int s, std::uint32_t v)
{
    Tss(s, D3DTSS_TEXCOORDINDEX, v);
}
void CTechniqueBuilder::Ttff(int s, std::uint32_t v)
{
    Tss(s, D3DTSS_TEXTURETRANSFORMFLAGS, v);
}
void CTechniqueBuilder::Clamp(int s)
{
    Tss(s, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    Tss(s, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}
void CTechniqueBuilder::Wrap(int s)
{
    Tss(s, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    Tss(s, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}
void CTechniqueBuilder::ClampB(int s)
{
    // As TexShaderManager::SetTextureClamp, through the tracked setter.
    const std::uint32_t mode = graph.m_bBorderAddressing ? D3DTADDRESS_BORDER : D3DTADDRESS_CLAMP;
    Tss(s, D3DTSS_ADDRESSU, mode);
    Tss(s, D3DTSS_ADDRESSV, mode);
}
void CTechniqueBuilder::WrapB(int s)
{
    Tss(s, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    Tss(s, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}
void CTechniqueBuilder::AddressV(int s, std::uint32_t v)
{
    Tss(s, D3DTSS_ADDRESSV, v);
}

void CTechniqueBuilder::BumpMat(int s, float m00, float m01, float m10, float m11, float scale, float offset)
{
    auto bits = [](float f)
    {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    };
    Tss(s, D3DTSS_BUMPENVMAT00, bits(m00));
    Tss(s, D3DTSS_BUMPENVMAT01, bits(m01));
    Tss(s, D3DTSS_BUMPENVMAT10, bits(m10));
    Tss(s, D3DTSS_BUMPENVMAT11, bits(m11));
    Tss(s, D3DTSS_BUMPENVLSCALE, bits(scale));
    Tss(s, D3DTSS_BUMPENVLOFFSET, bits(offset));
}

void CTechniqueBuilder::Off(int s)
{
    Tss(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
}
void CTechniqueBuilder::OffA(int s)
{
    Tss(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
    Tss(s, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}
void CTechniqueBuilder::Blend(std::uint32_t src, std::uint32_t dst)
{
    Rs(D3DRS_SRCBLEND, src);
    Rs(D3DRS_DESTBLEND, dst);
}
void CTechniqueBuilder::Factor(std::uint32_t colour)
{
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
}
void CTechniqueBuilder::FactorA(float alpha)
{
    SetTextureFactorAlpha(alpha, kFactorRenderState | kFactorPixelShader);
}
void CTechniqueBuilder::SetPS(int slot)
{
    if (m_bTracking) m_nPixelShader = m_manager.m_hPixelShader[slot];
    graph.m_lpDevice->SetPixelShader(m_manager.m_hPixelShader[slot]);
}
void CTechniqueBuilder::NoPS()
{
    if (m_bTracking) m_nPixelShader = 0;
    graph.m_lpDevice->SetPixelShader(0);
}
void CTechniqueBuilder::VSConst(std::uint32_t reg, float x, float y, float z, float w)
{
    SetVertexShaderConstant4(reg, x, y, z, w);
}
void CTechniqueBuilder::Filter(int s)
{
    graph.SetTextureFilter(s);
}
void CTechniqueBuilder::BindRamp(int s)
{
    if (m_manager.m_pRampTexture)
        graph.m_lpDevice->SetTexture(std::uint32_t(s), m_manager.m_pRampTexture->m_lpTexture);
}
