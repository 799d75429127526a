#include "platform/d3d8/D3D8.h"

#include "platform/d3d8/Format.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace plat::d3d
{

namespace
{

bool IsTextureFormat(Format f)
{
    switch (f)
    {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_DXT1:
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

bool IsRenderTargetFormat(Format f)
{
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 ||
           f == D3DFMT_A1R5G5B5;
}

bool IsDepthFormat(Format f)
{
    return f == D3DFMT_D16 || f == D3DFMT_D24S8 || f == D3DFMT_D24X8 || f == D3DFMT_D24X4S4;
}

bool IsDisplayFormat(Format f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A8R8G8B8 ||
           f == D3DFMT_A1R5G5B5;
}

std::vector<SDisplayMode> Modes()
{
    std::vector<SDisplayMode> modes;
    if (SDL_WasInit(SDL_INIT_VIDEO))
    {
        const int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i)
        {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) == 0)
                for (Format f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
                    modes.push_back(
                        {std::uint32_t(m.w), std::uint32_t(m.h), std::uint32_t(m.refresh_rate), f});
        }
    }
    if (modes.empty())
    {
        // Without a display driver to ask, the usual modes of a desktop.
        static const std::uint32_t kSizes[][2] = {
            {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}};
        for (auto& s : kSizes)
            for (Format f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
                modes.push_back({s[0], s[1], 60, f});
    }
    return modes;
}

} // namespace

Direct3D* Direct3DCreate8(std::uint32_t sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new Direct3D;
}

SCaps LayerCaps(std::uint32_t deviceType)
{
    SCaps c{};
    c.DeviceType = deviceType;
    c.Caps2 = D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_DRAWPRIMTLVERTEX;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                          D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_TSSARGTEMP |
                          D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                   D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_ANISOTROPY |
                   D3DPRASTERCAPS_ZFOG | D3DPRASTERCAPS_WFOG; // table fog by w under a perspective projection
    c.ZCmpCaps = c.AlphaCmpCaps = 0xFF;
    c.SrcBlendCaps = c.DestBlendCaps = 0x1FFF;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                    D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                          D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                          D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.MaxTextureWidth = c.MaxTextureHeight = 4096;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 4096;
    c.MaxAnisotropy = 16;
    c.MaxVertexW = 1e10f;
    c.GuardBandLeft = c.GuardBandTop = -8192.0f;
    c.GuardBandRight = c.GuardBandBottom = 8192.0f;
    c.StencilCaps = 0xFF;
    c.FVFCaps = 8 | D3DFVFCAPS_PSIZE;
    c.TextureOpCaps = 0;
    for (std::uint32_t op = D3DTOP_DISABLE; op <= D3DTOP_LERP; ++op)
        c.TextureOpCaps |= D3DTEXOPCAPS(op);
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 8;
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 |
                             D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                             D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = 16;
    c.MaxUserClipPlanes = 6;
    c.MaxVertexBlendMatrices = 4;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0xFFFFF;
    c.MaxVertexIndex = 0xFFFFFF;
    c.MaxStreams = 1;
    c.MaxStreamStride = 255;
    // The engine's shader programs are built by the layer (see
    // CreateEngineVertexShader), so it reports the versions they were
    // written for.
    c.VertexShaderVersion = D3DVS_VERSION(1, 1);
    c.MaxVertexShaderConst = 96;
    c.PixelShaderVersion = D3DPS_VERSION(1, 4);
    c.MaxPixelShaderValue = 8.0f;
    return c;
}

HResult Direct3D::GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t, SAdapterIdentifier* id) const
{
    if (adapter >= GetAdapterCount() || !id) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof(*id));
    std::snprintf(id->Driver, sizeof(id->Driver), "tarvox-gl33");
    std::snprintf(id->Description, sizeof(id->Description), "Direct3D 8 layer over OpenGL 3.3");
    return D3D_OK;
}

std::uint32_t Direct3D::GetAdapterModeCount(std::uint32_t adapter) const
{
    return adapter >= GetAdapterCount() ? 0 : std::uint32_t(Modes().size());
}

HResult Direct3D::EnumAdapterModes(std::uint32_t adapter, std::uint32_t mode, SDisplayMode* out) const
{
    if (adapter >= GetAdapterCount() || !out) return D3DERR_INVALIDCALL;
    const auto modes = Modes();
    if (mode >= modes.size()) return D3DERR_INVALIDCALL;
    *out = modes[mode];
    return D3D_OK;
}

HResult Direct3D::GetAdapterDisplayMode(std::uint32_t adapter, SDisplayMode* out) const
{
    if (adapter >= GetAdapterCount() || !out) return D3DERR_INVALIDCALL;
    *out = {1024, 768, 60, D3DFMT_X8R8G8B8};
    SDL_DisplayMode m;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &m) == 0)
        *out = {std::uint32_t(m.w), std::uint32_t(m.h), std::uint32_t(m.refresh_rate), D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HResult Direct3D::CheckDeviceType(std::uint32_t adapter, std::uint32_t type, Format displayFormat,
                                  Format backFormat, bool) const
{
    if (adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(displayFormat) ||
        (backFormat != D3DFMT_UNKNOWN && !IsRenderTargetFormat(backFormat)))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HResult Direct3D::CheckDeviceFormat(std::uint32_t adapter, std::uint32_t type, Format, std::uint32_t usage,
                                    std::uint32_t resourceType, Format checkFormat) const
{
    if (adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return IsDepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET)
        return IsRenderTargetFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_SURFACE)
        return IsTextureFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3DERR_NOTAVAILABLE;
}

HResult Direct3D::CheckDeviceMultiSampleType(std::uint32_t adapter, std::uint32_t type, Format, bool,
                                             std::uint32_t multiSample) const
{
    if (adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    // Multisampled back buffers are not built; only "none" is honest.
    return multiSample == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HResult Direct3D::CheckDepthStencilMatch(std::uint32_t adapter, std::uint32_t type, Format,
                                         Format renderTargetFormat, Format depthFormat) const
{
    if (adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    return IsRenderTargetFormat(renderTargetFormat) && IsDepthFormat(depthFormat) ? D3D_OK
                                                                                  : D3DERR_NOTAVAILABLE;
}

HResult Direct3D::GetDeviceCaps(std::uint32_t adapter, std::uint32_t type, SCaps* caps) const
{
    if (adapter >= GetAdapterCount() || !caps) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    *caps = LayerCaps(type);
    return D3D_OK;
}

HResult Direct3D::CreateDevice(std::uint32_t adapter, std::uint32_t type, plat::Window* focusWindow,
                               std::uint32_t behaviourFlags, SPresentParameters* params, Device** device)
{
    if (adapter >= GetAdapterCount() || !params || !device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    const std::uint32_t vp =
        behaviourFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                          D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (params->BackBufferCount > 3 || params->SwapEffect < D3DSWAPEFFECT_DISCARD ||
        params->SwapEffect > D3DSWAPEFFECT_COPY + 1)
        return D3DERR_INVALIDCALL;
    if (params->EnableAutoDepthStencil && !IsDepthFormat(params->AutoDepthStencilFormat))
        return D3DERR_INVALIDCALL;
    if (params->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (!params->Windowed && (params->BackBufferWidth == 0 || params->BackBufferHeight == 0))
        return D3DERR_INVALIDCALL;
    auto* d = new Device(this, focusWindow, behaviourFlags, *params);
    const HResult hr = d->Init();
    if (Failed(hr))
    {
        d->Release();
        return hr;
    }
    *params = SPresentParameters(*params);
    *device = d;
    return D3D_OK;
}

} // namespace plat::d3d
