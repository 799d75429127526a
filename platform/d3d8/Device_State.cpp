// State setters and getters, state blocks, shaders and ValidateDevice.
//
// Every setter checks its arguments first and then writes through
// m_pUpdate: the live state, or the block being recorded. Only writes to the
// live state tell the backend what changed.
#include "platform/d3d8/D3D8.h"

#include "platform/Debug.h"
#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/Format.h"
#include "platform/d3d8/StateBlock.h"
#include "platform/d3d8/gl/GlBackend.h"

#include <bitset>
#include <cstring>
#include <string>

namespace plat::d3d
{

using namespace detail;

namespace
{

std::uint32_t DirtyForRenderState(std::uint32_t state)
{
    switch (state)
    {
    case D3DRS_ZENABLE:
    case D3DRS_FILLMODE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_CULLMODE:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_ZBIAS:
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_CLIPPLANEENABLE:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_BLENDOP:
        return kDirtyRaster | kDirtyKey;
    case D3DRS_TEXTUREFACTOR:
        return kDirtyFactor;
    // Uniforms of the program only: no other program.
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_AMBIENT:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
    case D3DRS_ALPHAREF:
        return kDirtyMisc;
    default:
        return kDirtyMisc | kDirtyKey;
    }
}

// States the layer stores but does not act on; each is logged once.
bool IsInertRenderState(std::uint32_t state)
{
    switch (state)
    {
    case D3DRS_SHADEMODE:
    case D3DRS_LASTPIXEL:
    case D3DRS_DITHERENABLE:
    case D3DRS_ZVISIBLE:
    case D3DRS_EDGEANTIALIAS:
    case D3DRS_SOFTWAREVERTEXPROCESSING:
    case D3DRS_MULTISAMPLEANTIALIAS:
    case D3DRS_MULTISAMPLEMASK:
    case D3DRS_INDEXEDVERTEXBLENDENABLE:
    case D3DRS_TWEENFACTOR:
        return true;
    default:
        return state >= D3DRS_WRAP0 && state < D3DRS_WRAP0 + 8;
    }
}

void WarnOnce(const std::string& what)
{
    static std::bitset<512> seen;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const std::size_t h = std::hash<std::string>{}(what) % seen.size();
    if (seen.test(h)) return;
    seen.set(h);
    plat::OutputDebugString(("Direct3D layer: " + what + " is stored but has no effect\n").c_str());
}

bool IsSamplerState(std::uint32_t type)
{
    return type == D3DTSS_ADDRESSU || type == D3DTSS_ADDRESSV || type == D3DTSS_ADDRESSW ||
           type == D3DTSS_BORDERCOLOR || type == D3DTSS_MAGFILTER || type == D3DTSS_MINFILTER ||
           type == D3DTSS_MIPFILTER || type == D3DTSS_MIPMAPLODBIAS || type == D3DTSS_MAXMIPLEVEL ||
           type == D3DTSS_MAXANISOTROPY;
}

} // namespace

HResult Device::SetTransform(std::uint32_t state, const SMatrix* matrix)
{
    if (!matrix) return D3DERR_INVALIDCALL;
    const int slot = TransformSlot(state);
    if (slot < 0)
    {
        WarnOnce("transform " + std::to_string(state));
        return D3D_OK;
    }
    m_pUpdate->transforms[slot] = *matrix;
    m_pUpdate->transformChanged |= 1u << slot;
    MarkLive(kDirtyTransforms | kDirtyLights);
    return D3D_OK;
}

HResult Device::GetTransform(std::uint32_t state, SMatrix* matrix) const
{
    if (!matrix) return D3DERR_INVALIDCALL;
    const int slot = TransformSlot(state);
    *matrix = slot < 0 ? IdentityMatrix() : m_pLive->transforms[slot];
    return D3D_OK;
}

HResult Device::MultiplyTransform(std::uint32_t state, const SMatrix* matrix)
{
    if (!matrix) return D3DERR_INVALIDCALL;
    SMatrix current;
    GetTransform(state, &current);
    const SMatrix m = Multiply(*matrix, current);
    return SetTransform(state, &m);
}

HResult Device::SetViewport(const SViewport* vp)
{
    if (!vp) return D3DERR_INVALIDCALL;
    if (m_pRenderTarget && (std::uint64_t(vp->X) + vp->Width > m_pRenderTarget->Width() ||
                            std::uint64_t(vp->Y) + vp->Height > m_pRenderTarget->Height()))
        return D3DERR_INVALIDCALL;
    if (vp->Width == 0 || vp->Height == 0 || vp->MinZ < 0.0f || vp->MinZ > vp->MaxZ)
        return D3DERR_INVALIDCALL;
    m_pUpdate->viewport = *vp;
    m_pUpdate->viewportChanged = true;
    MarkLive(kDirtyMisc);
    return D3D_OK;
}

HResult Device::GetViewport(SViewport* vp) const
{
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = m_pLive->viewport;
    return D3D_OK;
}

HResult Device::SetMaterial(const SMaterial* material)
{
    if (!material) return D3DERR_INVALIDCALL;
    m_pUpdate->material = *material;
    m_pUpdate->materialChanged = true;
    MarkLive(kDirtyMaterial);
    return D3D_OK;
}

HResult Device::GetMaterial(SMaterial* material) const
{
    if (!material) return D3DERR_INVALIDCALL;
    *material = m_pLive->material;
    return D3D_OK;
}

HResult Device::SetLight(std::uint32_t index, const SLight* light)
{
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && (light->Range < 0.0f)) return D3DERR_INVALIDCALL;
    if (light->Type == D3DLIGHT_SPOT && (light->Theta < 0.0f || light->Phi < light->Theta))
        return D3DERR_INVALIDCALL;
    SLightEntry& e = m_pUpdate->lights[index];
    e.light = *light;
    e.hasLight = true;
    e.lightChanged = true;
    MarkLive(kDirtyLights);
    return D3D_OK;
}

HResult Device::GetLight(std::uint32_t index, SLight* light) const
{
    if (!light) return D3DERR_INVALIDCALL;
    auto it = m_pLive->lights.find(index);
    if (it == m_pLive->lights.end() || !it->second.hasLight) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HResult Device::LightEnable(std::uint32_t index, bool enable)
{
    SLightEntry& e = m_pUpdate->lights[index];
    if (!e.hasLight && m_pUpdate == m_pLive.get())
    {
        // Enabling a light never set gives it Direct3D's default light:
        // white, directional, shining along +z.
        e.light = SLight{};
        e.light.Type = D3DLIGHT_DIRECTIONAL;
        e.light.Diffuse = {1, 1, 1, 0};
        e.light.Direction = {0, 0, 1};
        e.hasLight = true;
    }
    e.enabled = enable;
    e.enableChanged = true;
    MarkLive(kDirtyLights | kDirtyKey);
    return D3D_OK;
}

HResult Device::GetLightEnable(std::uint32_t index, bool* enable) const
{
    if (!enable) return D3DERR_INVALIDCALL;
    auto it = m_pLive->lights.find(index);
    if (it == m_pLive->lights.end() || !it->second.hasLight) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled;
    return D3D_OK;
}

HResult Device::SetClipPlane(std::uint32_t index, const float* plane)
{
    if (!plane || index >= kMaxClipPlanes) return D3DERR_INVALIDCALL;
    std::memcpy(m_pUpdate->clipPlanes[index], plane, sizeof(float) * 4);
    m_pUpdate->clipChanged |= 1u << index;
    MarkLive(kDirtyMisc);
    return D3D_OK;
}

HResult Device::GetClipPlane(std::uint32_t index, float* plane) const
{
    if (!plane || index >= kMaxClipPlanes) return D3DERR_INVALIDCALL;
    std::memcpy(plane, m_pLive->clipPlanes[index], sizeof(float) * 4);
    return D3D_OK;
}

HResult Device::SetRenderState(std::uint32_t state, std::uint32_t value)
{
    if (state == 0 || state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (IsInertRenderState(state) && value != m_pLive->rs[state])
        WarnOnce("render state " + std::to_string(state));
    m_pUpdate->rs[state] = value;
    m_pUpdate->rsChanged.set(state);
    MarkLive(DirtyForRenderState(state));
    return D3D_OK;
}

HResult Device::GetRenderState(std::uint32_t state, std::uint32_t* value) const
{
    if (!value || state == 0 || state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    *value = m_pLive->rs[state];
    return D3D_OK;
}

HResult Device::SetTexture(std::uint32_t stage, Texture* texture)
{
    if (stage >= kMaxStages) return D3DERR_INVALIDCALL;
    Texture*& slot = m_pUpdate->textures[stage];
    // The program depends on the kind of texture bound (none, colour, bump),
    // not on which one.
    auto kind = [](const Texture* t) { return !t ? 0 : GetFormatInfo(t->GetFormat()).bump ? 2 : 1; };
    const bool sameKind = kind(slot) == kind(texture);
    if (texture) texture->AddRef();
    if (slot) slot->Release();
    slot = texture;
    m_pUpdate->texChanged |= 1u << stage;
    if (!sameKind) MarkLive(kDirtyKey);
    return D3D_OK;
}

HResult Device::GetTexture(std::uint32_t stage, Texture** texture)
{
    if (!texture || stage >= kMaxStages) return D3DERR_INVALIDCALL;
    *texture = m_pLive->textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HResult Device::SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    if (stage >= kMaxStages || type == 0 || type >= kStageStateCount || type == 12) return D3DERR_INVALIDCALL;
    m_pUpdate->tss[stage][type] = value;
    m_pUpdate->tssChanged[stage].set(type);
    MarkLive(IsSamplerState(type) ? kDirtySamplers : (kDirtyKey | kDirtyMisc));
    return D3D_OK;
}

HResult Device::GetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t* value) const
{
    if (!value || stage >= kMaxStages || type == 0 || type >= kStageStateCount) return D3DERR_INVALIDCALL;
    *value = m_pLive->tss[stage][type];
    return D3D_OK;
}

HResult Device::ValidateDevice(std::uint32_t* passes)
{
    if (!passes) return D3DERR_INVALIDCALL;
    *passes = 0;
    const SStateData& s = *m_pLive;
    bool usesTemp = false;
    for (std::uint32_t st = 0; st < kMaxStages; ++st)
    {
        const std::uint32_t* t = s.tss[st];
        const std::uint32_t cop = t[D3DTSS_COLOROP], aop = t[D3DTSS_ALPHAOP];
        if (cop == D3DTOP_DISABLE) break;
        if (cop < D3DTOP_DISABLE || cop > D3DTOP_LERP) return D3DERR_UNSUPPORTEDCOLOROPERATION;
        if (aop < D3DTOP_DISABLE || aop > D3DTOP_LERP) return D3DERR_UNSUPPORTEDALPHAOPERATION;
        for (std::uint32_t a : {t[D3DTSS_COLORARG0], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2]})
            if ((a & D3DTA_SELECTMASK) > D3DTA_TEMP || (a & ~0x3Fu)) return D3DERR_UNSUPPORTEDCOLORARG;
        for (std::uint32_t a : {t[D3DTSS_ALPHAARG0], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]})
            if ((a & D3DTA_SELECTMASK) > D3DTA_TEMP || (a & ~0x3Fu)) return D3DERR_UNSUPPORTEDALPHAARG;
        const std::uint32_t result = t[D3DTSS_RESULTARG] & D3DTA_SELECTMASK;
        if (result != D3DTA_CURRENT && result != D3DTA_TEMP) return D3DERR_UNSUPPORTEDCOLORARG;
        usesTemp |= result == D3DTA_TEMP;
        // Bump mapping perturbs the next stage: it cannot be the last one.
        if ((cop == D3DTOP_BUMPENVMAP || cop == D3DTOP_BUMPENVMAPLUMINANCE) &&
            (st + 1 == kMaxStages || s.tss[st + 1][D3DTSS_COLOROP] == D3DTOP_DISABLE))
            return D3DERR_CONFLICTINGRENDERSTATE;
        if (t[D3DTSS_MAGFILTER] > D3DTEXF_ANISOTROPIC || t[D3DTSS_MINFILTER] > D3DTEXF_ANISOTROPIC ||
            t[D3DTSS_MIPFILTER] > D3DTEXF_LINEAR)
            return D3DERR_UNSUPPORTEDTEXTUREFILTER;
    }
    (void)usesTemp;
    *passes = 1;
    return D3D_OK;
}

// ---------------------------------------------------------------- state blocks

HResult Device::BeginStateBlock()
{
    if (m_pRecording) return D3DERR_INVALIDCALL;
    m_pRecording = std::make_unique<CStateBlock>();
    m_pUpdate = &m_pRecording->Data();
    return D3D_OK;
}

HResult Device::EndStateBlock(std::uint32_t* token)
{
    if (!token) return D3DERR_INVALIDCALL;
    if (!m_pRecording) return D3DERR_INVALIDCALL;
    m_pUpdate = m_pLive.get();
    std::size_t i = 0;
    while (i < m_stateBlocks.size() && m_stateBlocks[i])
        ++i;
    if (i == m_stateBlocks.size()) m_stateBlocks.emplace_back();
    m_stateBlocks[i] = std::move(m_pRecording);
    *token = std::uint32_t(i + 1);
    return D3D_OK;
}

HResult Device::ApplyStateBlock(std::uint32_t token)
{
    if (m_pRecording || token == 0 || token > m_stateBlocks.size() || !m_stateBlocks[token - 1])
        return D3DERR_INVALIDCALL;
    m_stateBlocks[token - 1]->Apply(*this);
    return D3D_OK;
}

HResult Device::CaptureStateBlock(std::uint32_t token)
{
    if (m_pRecording || token == 0 || token > m_stateBlocks.size() || !m_stateBlocks[token - 1])
        return D3DERR_INVALIDCALL;
    m_stateBlocks[token - 1]->Capture(*m_pLive);
    return D3D_OK;
}

HResult Device::DeleteStateBlock(std::uint32_t token)
{
    if (m_pRecording || token == 0 || token > m_stateBlocks.size() || !m_stateBlocks[token - 1])
        return D3DERR_INVALIDCALL;
    m_stateBlocks[token - 1].reset();
    return D3D_OK;
}

HResult Device::CreateStateBlock(std::uint32_t type, std::uint32_t* token)
{
    if (!token || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE || m_pRecording) return D3DERR_INVALIDCALL;
    auto block = std::make_unique<CStateBlock>();
    block->MarkType(type, *m_pLive);
    std::size_t i = 0;
    while (i < m_stateBlocks.size() && m_stateBlocks[i])
        ++i;
    if (i == m_stateBlocks.size()) m_stateBlocks.emplace_back();
    m_stateBlocks[i] = std::move(block);
    *token = std::uint32_t(i + 1);
    return D3D_OK;
}

// ---------------------------------------------------------------- streams

HResult Device::SetStreamSource(std::uint32_t stream, VertexBuffer* vb, std::uint32_t stride)
{
    if (stream != 0 || stride > 255) return D3DERR_INVALIDCALL;
    if (vb) vb->AddRef();
    if (m_pUpdate->stream) m_pUpdate->stream->Release();
    m_pUpdate->stream = vb;
    m_pUpdate->stride = stride;
    m_pUpdate->streamChanged = true;
    MarkLive(kDirtyStream);
    return D3D_OK;
}

HResult Device::GetStreamSource(std::uint32_t stream, VertexBuffer** vb, std::uint32_t* stride)
{
    if (stream != 0 || !vb || !stride) return D3DERR_INVALIDCALL;
    *vb = m_pLive->stream;
    if (*vb) (*vb)->AddRef();
    *stride = m_pLive->stride;
    return D3D_OK;
}

HResult Device::SetIndices(IndexBuffer* ib, std::uint32_t baseVertexIndex)
{
    if (ib) ib->AddRef();
    if (m_pUpdate->indices) m_pUpdate->indices->Release();
    m_pUpdate->indices = ib;
    m_pUpdate->baseVertex = baseVertexIndex;
    m_pUpdate->indicesChanged = true;
    MarkLive(kDirtyStream);
    return D3D_OK;
}

HResult Device::GetIndices(IndexBuffer** ib, std::uint32_t* baseVertexIndex)
{
    if (!ib || !baseVertexIndex) return D3DERR_INVALIDCALL;
    *ib = m_pLive->indices;
    if (*ib) (*ib)->AddRef();
    *baseVertexIndex = m_pLive->baseVertex;
    return D3D_OK;
}

// ---------------------------------------------------------------- shaders

HResult Device::CreateEngineVertexShader(EEngineVertexShader which, std::uint32_t* handle)
{
    if (!handle || std::uint32_t(which) > std::uint32_t(EEngineVertexShader::MapHideColor))
        return D3DERR_INVALIDCALL;
    std::size_t i = 0;
    while (i < m_vertexShaders.size() && m_vertexShaders[i])
        ++i;
    if (i == m_vertexShaders.size()) m_vertexShaders.push_back(0);
    m_vertexShaders[i] = std::uint32_t(which) + 1;
    *handle = std::uint32_t(i << 1) | 1u; // bit 0 tells a handle from an FVF
    return D3D_OK;
}

HResult Device::CreateEnginePixelShader(EEnginePixelShader which, std::uint32_t* handle)
{
    if (!handle || std::uint32_t(which) > std::uint32_t(EEnginePixelShader::MapMask))
        return D3DERR_INVALIDCALL;
    std::size_t i = 0;
    while (i < m_pixelShaders.size() && m_pixelShaders[i])
        ++i;
    if (i == m_pixelShaders.size()) m_pixelShaders.push_back(0);
    m_pixelShaders[i] = std::uint32_t(which) + 1;
    *handle = std::uint32_t(i + 1);
    return D3D_OK;
}

HResult Device::SetVertexShader(std::uint32_t handle)
{
    if (handle & 1)
    {
        const std::uint32_t i = handle >> 1;
        if (i >= m_vertexShaders.size() || !m_vertexShaders[i]) return D3DERR_INVALIDCALL;
    }
    m_pUpdate->vertexShader = handle;
    m_pUpdate->vsChanged = true;
    MarkLive(kDirtyStream | kDirtyKey);
    return D3D_OK;
}

HResult Device::GetVertexShader(std::uint32_t* handle) const
{
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = m_pLive->vertexShader;
    return D3D_OK;
}

HResult Device::DeleteVertexShader(std::uint32_t handle)
{
    const std::uint32_t i = handle >> 1;
    if (!(handle & 1) || i >= m_vertexShaders.size() || !m_vertexShaders[i]) return D3DERR_INVALIDCALL;
    m_vertexShaders[i] = 0;
    if (m_pLive->vertexShader == handle) m_pLive->vertexShader = 0;
    return D3D_OK;
}

HResult Device::SetVertexShaderConstant(std::uint32_t reg, const void* data, std::uint32_t count)
{
    if (!data || reg >= kMaxVsConstants || count > kMaxVsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(m_pUpdate->vsConst[reg], data, count * 16);
    for (std::uint32_t i = 0; i < count; ++i)
        m_pUpdate->vsConstChanged.set(reg + i);
    MarkLive(kDirtyMisc);
    return D3D_OK;
}

HResult Device::GetVertexShaderConstant(std::uint32_t reg, void* data, std::uint32_t count) const
{
    if (!data || reg >= kMaxVsConstants || count > kMaxVsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, m_pLive->vsConst[reg], count * 16);
    return D3D_OK;
}

HResult Device::SetPixelShader(std::uint32_t handle)
{
    if (handle && (handle > m_pixelShaders.size() || !m_pixelShaders[handle - 1])) return D3DERR_INVALIDCALL;
    m_pUpdate->pixelShader = handle;
    m_pUpdate->psChanged = true;
    MarkLive(kDirtyKey);
    return D3D_OK;
}

HResult Device::GetPixelShader(std::uint32_t* handle) const
{
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = m_pLive->pixelShader;
    return D3D_OK;
}

HResult Device::DeletePixelShader(std::uint32_t handle)
{
    if (handle == 0 || handle > m_pixelShaders.size() || !m_pixelShaders[handle - 1])
        return D3DERR_INVALIDCALL;
    m_pixelShaders[handle - 1] = 0;
    if (m_pLive->pixelShader == handle) m_pLive->pixelShader = 0;
    return D3D_OK;
}

HResult Device::SetPixelShaderConstant(std::uint32_t reg, const void* data, std::uint32_t count)
{
    if (!data || reg >= kMaxPsConstants || count > kMaxPsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(m_pUpdate->psConst[reg], data, count * 16);
    for (std::uint32_t i = 0; i < count; ++i)
        m_pUpdate->psConstChanged |= 1u << (reg + i);
    MarkLive(kDirtyMisc);
    return D3D_OK;
}

HResult Device::GetPixelShaderConstant(std::uint32_t reg, void* data, std::uint32_t count) const
{
    if (!data || reg >= kMaxPsConstants || count > kMaxPsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, m_pLive->psConst[reg], count * 16);
    return D3D_OK;
}

} // namespace plat::d3d
