#include "platform/d3d8/StateBlock.h"

#include <cstring>

namespace plat::d3d
{

SMatrix IdentityMatrix()
{
    SMatrix m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

SMatrix Multiply(const SMatrix& a, const SMatrix& b)
{
    SMatrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

} // namespace plat::d3d

namespace plat::d3d::detail
{

namespace
{

std::uint32_t FloatBits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// Render states that describe pixel processing; the rest are vertex states
// or both (as a block of either type captures them).
const std::uint32_t kPixelRenderStates[] = {D3DRS_ZENABLE,
                                            D3DRS_FILLMODE,
                                            D3DRS_SHADEMODE,
                                            D3DRS_ZWRITEENABLE,
                                            D3DRS_ALPHATESTENABLE,
                                            D3DRS_LASTPIXEL,
                                            D3DRS_SRCBLEND,
                                            D3DRS_DESTBLEND,
                                            D3DRS_ZFUNC,
                                            D3DRS_ALPHAREF,
                                            D3DRS_ALPHAFUNC,
                                            D3DRS_DITHERENABLE,
                                            D3DRS_ALPHABLENDENABLE,
                                            D3DRS_FOGSTART,
                                            D3DRS_FOGEND,
                                            D3DRS_FOGDENSITY,
                                            D3DRS_EDGEANTIALIAS,
                                            D3DRS_ZBIAS,
                                            D3DRS_STENCILENABLE,
                                            D3DRS_STENCILFAIL,
                                            D3DRS_STENCILZFAIL,
                                            D3DRS_STENCILPASS,
                                            D3DRS_STENCILFUNC,
                                            D3DRS_STENCILREF,
                                            D3DRS_STENCILMASK,
                                            D3DRS_STENCILWRITEMASK,
                                            D3DRS_TEXTUREFACTOR,
                                            D3DRS_WRAP0,
                                            D3DRS_WRAP0 + 1,
                                            D3DRS_WRAP0 + 2,
                                            D3DRS_WRAP0 + 3,
                                            D3DRS_WRAP0 + 4,
                                            D3DRS_WRAP0 + 5,
                                            D3DRS_WRAP0 + 6,
                                            D3DRS_WRAP0 + 7,
                                            D3DRS_COLORWRITEENABLE,
                                            D3DRS_BLENDOP,
                                            D3DRS_FOGCOLOR,
                                            D3DRS_FOGTABLEMODE,
                                            D3DRS_SPECULARENABLE,
                                            D3DRS_FOGENABLE};
const std::uint32_t kVertexRenderStates[] = {D3DRS_SHADEMODE,
                                             D3DRS_SPECULARENABLE,
                                             D3DRS_CULLMODE,
                                             D3DRS_FOGENABLE,
                                             D3DRS_FOGCOLOR,
                                             D3DRS_FOGTABLEMODE,
                                             D3DRS_FOGSTART,
                                             D3DRS_FOGEND,
                                             D3DRS_FOGDENSITY,
                                             D3DRS_RANGEFOGENABLE,
                                             D3DRS_AMBIENT,
                                             D3DRS_COLORVERTEX,
                                             D3DRS_FOGVERTEXMODE,
                                             D3DRS_CLIPPING,
                                             D3DRS_LIGHTING,
                                             D3DRS_NORMALIZENORMALS,
                                             D3DRS_LOCALVIEWER,
                                             D3DRS_EMISSIVEMATERIALSOURCE,
                                             D3DRS_AMBIENTMATERIALSOURCE,
                                             D3DRS_DIFFUSEMATERIALSOURCE,
                                             D3DRS_SPECULARMATERIALSOURCE,
                                             D3DRS_VERTEXBLEND,
                                             D3DRS_CLIPPLANEENABLE,
                                             D3DRS_SOFTWAREVERTEXPROCESSING,
                                             D3DRS_POINTSIZE,
                                             D3DRS_POINTSIZE_MIN,
                                             D3DRS_POINTSPRITEENABLE,
                                             D3DRS_POINTSCALEENABLE,
                                             D3DRS_POINTSCALE_A,
                                             D3DRS_POINTSCALE_B,
                                             D3DRS_POINTSCALE_C,
                                             D3DRS_MULTISAMPLEANTIALIAS,
                                             D3DRS_MULTISAMPLEMASK,
                                             D3DRS_POINTSIZE_MAX,
                                             D3DRS_INDEXEDVERTEXBLENDENABLE,
                                             D3DRS_TWEENFACTOR};

} // namespace

int TransformSlot(std::uint32_t state)
{
    if (state == D3DTS_VIEW) return 0;
    if (state == D3DTS_PROJECTION) return 1;
    if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) return int(2 + state - D3DTS_TEXTURE0);
    if (state >= D3DTS_WORLD && state < D3DTS_WORLD + kMaxWorld) return int(10 + state - D3DTS_WORLD);
    return -1;
}

SStateData::SStateData()
{
    for (auto& t : transforms)
        t = IdentityMatrix();
}

void SStateData::ClearChanged()
{
    rsChanged.reset();
    for (auto& t : tssChanged)
        t.reset();
    texChanged = transformChanged = clipChanged = psConstChanged = 0;
    materialChanged = viewportChanged = vsChanged = psChanged = streamChanged = indicesChanged = false;
    vsConstChanged.reset();
    for (auto& [index, entry] : lights)
        entry.lightChanged = entry.enableChanged = false;
}

void SStateData::SetDefaults(bool autoDepth, std::uint32_t width, std::uint32_t height)
{
    std::memset(rs, 0, sizeof(rs));
    rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    // Orthogonal highlights by default: the engine's device test (a lit quad
    // whose centre must show blue between 0x40 and 0x60) is only met by them;
    // camera-relative highlights interpolated per vertex give 0x2A there.
    rs[D3DRS_LOCALVIEWER] = 0;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        std::uint32_t* t = tss[s];
        std::memset(t, 0, sizeof(tss[s]));
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = s;
        t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (auto& t : transforms)
        t = IdentityMatrix();
    material = SMaterial{};
    viewport = SViewport{0, 0, width, height, 0.0f, 1.0f};
    std::memset(clipPlanes, 0, sizeof(clipPlanes));
    lights.clear();
    vertexShader = pixelShader = 0;
    std::memset(vsConst, 0, sizeof(vsConst));
    std::memset(psConst, 0, sizeof(psConst));
    rsChanged.set();
    for (auto& c : tssChanged)
        c.set();
    transformChanged = (1u << kTransformSlots) - 1;
    materialChanged = viewportChanged = vsChanged = psChanged = true;
    clipChanged = (1u << kMaxClipPlanes) - 1;
}

void SStateData::ReleaseReferences()
{
    for (auto& t : textures)
        if (t)
        {
            t->Release();
            t = nullptr;
        }
    if (stream) stream->Release();
    if (indices) indices->Release();
    stream = nullptr;
    indices = nullptr;
}

CStateBlock::~CStateBlock()
{
    m_data.ReleaseReferences();
}

void CStateBlock::MarkType(std::uint32_t type, const SStateData& live)
{
    SStateData& d = m_data;
    const bool all = type == D3DSBT_ALL;
    const bool pixel = all || type == D3DSBT_PIXELSTATE;
    const bool vertex = all || type == D3DSBT_VERTEXSTATE;
    if (all)
    {
        for (std::uint32_t i = 1; i < kRenderStateCount; ++i)
            d.rsChanged.set(i);
        d.texChanged = (1u << kMaxStages) - 1;
        d.transformChanged = (1u << kTransformSlots) - 1;
        d.materialChanged = d.viewportChanged = true;
        d.clipChanged = (1u << kMaxClipPlanes) - 1;
        d.streamChanged = d.indicesChanged = true;
    }
    if (pixel)
    {
        for (std::uint32_t s : kPixelRenderStates)
            d.rsChanged.set(s);
        for (std::uint32_t st = 0; st < kMaxStages; ++st)
            for (std::uint32_t i = 1; i < kStageStateCount; ++i)
                if (all || (i != D3DTSS_TEXCOORDINDEX && i != D3DTSS_TEXTURETRANSFORMFLAGS))
                    d.tssChanged[st].set(i);
        d.psChanged = true;
        d.psConstChanged = (1u << kMaxPsConstants) - 1;
    }
    if (vertex)
    {
        for (std::uint32_t s : kVertexRenderStates)
            d.rsChanged.set(s);
        for (std::uint32_t st = 0; st < kMaxStages; ++st)
        {
            d.tssChanged[st].set(D3DTSS_TEXCOORDINDEX);
            d.tssChanged[st].set(D3DTSS_TEXTURETRANSFORMFLAGS);
        }
        d.vsChanged = true;
        d.vsConstChanged.set();
        for (const auto& [index, entry] : live.lights)
        {
            SLightEntry& e = d.lights[index];
            e.lightChanged = entry.hasLight;
            e.enableChanged = true;
        }
    }
    Capture(live);
}

void CStateBlock::Capture(const SStateData& live)
{
    SStateData& d = m_data;
    for (std::uint32_t i = 0; i < kRenderStateCount; ++i)
        if (d.rsChanged.test(i)) d.rs[i] = live.rs[i];
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        for (std::uint32_t i = 0; i < kStageStateCount; ++i)
            if (d.tssChanged[s].test(i)) d.tss[s][i] = live.tss[s][i];
        if (d.texChanged & (1u << s))
        {
            if (live.textures[s]) live.textures[s]->AddRef();
            if (d.textures[s]) d.textures[s]->Release();
            d.textures[s] = live.textures[s];
        }
    }
    for (std::uint32_t i = 0; i < kTransformSlots; ++i)
        if (d.transformChanged & (1u << i)) d.transforms[i] = live.transforms[i];
    if (d.materialChanged) d.material = live.material;
    if (d.viewportChanged) d.viewport = live.viewport;
    for (std::uint32_t i = 0; i < kMaxClipPlanes; ++i)
        if (d.clipChanged & (1u << i))
            std::memcpy(d.clipPlanes[i], live.clipPlanes[i], sizeof(d.clipPlanes[i]));
    for (auto& [index, entry] : d.lights)
    {
        auto it = live.lights.find(index);
        if (it == live.lights.end()) continue;
        if (entry.lightChanged) entry.light = it->second.light;
        if (entry.enableChanged) entry.enabled = it->second.enabled;
    }
    if (d.vsChanged) d.vertexShader = live.vertexShader;
    if (d.psChanged) d.pixelShader = live.pixelShader;
    for (std::uint32_t i = 0; i < kMaxVsConstants; ++i)
        if (d.vsConstChanged.test(i)) std::memcpy(d.vsConst[i], live.vsConst[i], sizeof(d.vsConst[i]));
    for (std::uint32_t i = 0; i < kMaxPsConstants; ++i)
        if (d.psConstChanged & (1u << i)) std::memcpy(d.psConst[i], live.psConst[i], sizeof(d.psConst[i]));
    if (d.streamChanged)
    {
        if (live.stream) live.stream->AddRef();
        if (d.stream) d.stream->Release();
        d.stream = live.stream;
        d.stride = live.stride;
    }
    if (d.indicesChanged)
    {
        if (live.indices) live.indices->AddRef();
        if (d.indices) d.indices->Release();
        d.indices = live.indices;
        d.baseVertex = live.baseVertex;
    }
}

void CStateBlock::Apply(Device& device) const
{
    const SStateData& d = m_data;
    if (d.vsChanged) device.SetVertexShader(d.vertexShader);
    if (d.psChanged) device.SetPixelShader(d.pixelShader);
    for (std::uint32_t i = 0; i < kRenderStateCount; ++i)
        if (d.rsChanged.test(i)) device.SetRenderState(i, d.rs[i]);
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        for (std::uint32_t i = 0; i < kStageStateCount; ++i)
            if (d.tssChanged[s].test(i)) device.SetTextureStageState(s, i, d.tss[s][i]);
        if (d.texChanged & (1u << s)) device.SetTexture(s, d.textures[s]);
    }
    static const std::uint32_t kSlotState[kTransformSlots] = {
        D3DTS_VIEW, D3DTS_PROJECTION, 16, 17, 18, 19, 20, 21, 22, 23, 256, 257, 258, 259};
    for (std::uint32_t i = 0; i < kTransformSlots; ++i)
        if (d.transformChanged & (1u << i)) device.SetTransform(kSlotState[i], &d.transforms[i]);
    if (d.materialChanged) device.SetMaterial(&d.material);
    if (d.viewportChanged) device.SetViewport(&d.viewport);
    for (std::uint32_t i = 0; i < kMaxClipPlanes; ++i)
        if (d.clipChanged & (1u << i)) device.SetClipPlane(i, d.clipPlanes[i]);
    for (const auto& [index, entry] : d.lights)
    {
        if (entry.lightChanged) device.SetLight(index, &entry.light);
        if (entry.enableChanged) device.LightEnable(index, entry.enabled);
    }
    for (std::uint32_t i = 0; i < kMaxVsConstants; ++i)
        if (d.vsConstChanged.test(i)) device.SetVertexShaderConstant(i, d.vsConst[i], 1);
    for (std::uint32_t i = 0; i < kMaxPsConstants; ++i)
        if (d.psConstChanged & (1u << i)) device.SetPixelShaderConstant(i, d.psConst[i], 1);
    if (d.streamChanged) device.SetStreamSource(0, d.stream, d.stride);
    if (d.indicesChanged) device.SetIndices(d.indices, d.baseVertex);
}

} // namespace plat::d3d::detail
