#include "foundation/Graphic.h"

#include "foundation/ErrorLog.h"
#include "foundation/Settings.h"
#include "platform/Window.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

Graphic graph;

namespace
{

Format FormatForBits(int bits, Format given)
{
    switch (bits)
    {
    case 15:
        return D3DFMT_X1R5G5B5;
    case 16:
        return D3DFMT_R5G6B5;
    case 24:
        return D3DFMT_R8G8B8;
    case 32:
        return D3DFMT_X8R8G8B8;
    default:
        return given;
    }
}

// Depth formats in the order they are tried; the first two carry stencil.
const Format kDepthFormats[] = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16};

void ReleaseSurface(Surface*& surface)
{
    if (surface) surface->Release();
    surface = nullptr;
}

} // namespace

// ---- display parameters ---------------------------------------------------------

SDisplayParameters MakeDisplayParameters(const SEngineSettings& s)
{
    SDisplayParameters p;
    p.adapter = 0;
    p.width = s.ScreenWidth;
    p.height = s.ScreenHeight;
    p.bitsPerPixel = s.ScreenBPS;
    p.format = s.ScreenBPS == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    p.refreshRate = std::uint32_t(std::max(0, s.ScreenRefresh));
    p.intervalFlag = s.Interval != 0 ? 1 : 0;
    p.windowed = s.Windowed ? 1 : 0;
    p.multiSampleType = std::uint32_t(std::max(0, s.Antializing));
    p.filterMode = s.Filtering;
    p.maxAnisotropy = s.Anosotropy;
    // D3DPRESENT_INTERVAL_ONE..FOUR are 1, 2, 4, 8.
    if (s.Interval > 0 && s.Interval <= 4) p.presentationInterval = 1u << (s.Interval - 1);
    p.lockableBackBuffer = s.ForceScreenShots ? 1 : 0;
    return p;
}

SDisplayParameters MakeFallbackDisplayParameters(const SDisplayParameters& params, const SEngineSettings& s)
{
    SDisplayParameters p = params;
    p.adapter = 0;
    p.width = 800;
    p.height = 600;
    p.bitsPerPixel = 32;
    p.format = D3DFMT_X8R8G8B8;
    p.refreshRate = 0;
    p.intervalFlag = 0;
    p.windowed = s.Windowed ? 1 : 0;
    p.multiSampleType = 0;
    p.filterMode = 1;
    p.maxAnisotropy = s.Anosotropy;
    p.lockableBackBuffer = 0;
    return p;
}

// ---- the calls to the layer ---------------------------------------------------------

plat::HResult CDirect3DCalls::GetAdapterDisplayMode(Direct3D& d3d, std::uint32_t adapter, SDisplayMode* mode)
{
    return d3d.GetAdapterDisplayMode(adapter, mode);
}

plat::HResult CDirect3DCalls::CheckDeviceFormat(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                                Format adapterFormat, std::uint32_t usage,
                                                std::uint32_t resourceType, Format format)
{
    return d3d.CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType, format);
}

plat::HResult CDirect3DCalls::CheckDepthStencilMatch(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                                     Format adapterFormat, Format targetFormat,
                                                     Format depthFormat)
{
    return d3d.CheckDepthStencilMatch(adapter, type, adapterFormat, targetFormat, depthFormat);
}

plat::HResult CDirect3DCalls::CheckDeviceType(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                              Format displayFormat, Format backFormat, bool windowed)
{
    return d3d.CheckDeviceType(adapter, type, displayFormat, backFormat, windowed);
}

plat::HResult CDirect3DCalls::CheckDeviceMultiSampleType(Direct3D& d3d, std::uint32_t adapter,
                                                         std::uint32_t type, Format format, bool windowed,
                                                         std::uint32_t multiSample)
{
    return d3d.CheckDeviceMultiSampleType(adapter, type, format, windowed, multiSample);
}

plat::HResult CDirect3DCalls::GetDeviceCaps(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                            SCaps* caps)
{
    return d3d.GetDeviceCaps(adapter, type, caps);
}

plat::HResult CDirect3DCalls::CreateDevice(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                           plat::Window* window, std::uint32_t behaviour,
                                           SPresentParameters* params, Device** device)
{
    return d3d.CreateDevice(adapter, type, window, behaviour, params, device);
}

// ---- Graphic ----------------------------------------------------------------------------

Graphic::Graphic()
{
    BuildGammaRamp(m_GammaRamp, 0);
    m_SavedGammaRamp = m_GammaRamp;
}

Graphic::~Graphic()
{
    Release();
}

bool Graphic::CreateDirect3D()
{
    if (!m_lpD3D) m_lpD3D = Direct3DCreate8(D3D_SDK_VERSION);
    return m_lpD3D != nullptr;
}

bool Graphic::CheckMultiSampleType(const SDisplayParameters& params)
{
    if (!m_lpD3D) return false;
    const Format format = FormatForBits(params.bitsPerPixel, params.format);
    return plat::Succeeded(m_pCalls->CheckDeviceMultiSampleType(
        *m_lpD3D, 0, D3DDEVTYPE_HAL, format, params.windowed != 0, params.multiSampleType));
}

bool Graphic::CreateDevice(const SDisplayParameters& params, plat::Window* window)
{
    XTRACE("Graphic::CreateDevice");
    if (!m_lpD3D || m_lpDevice) return false;
    const std::uint32_t adapter = std::uint32_t(std::max(0, params.adapter));
    m_nAdapter = std::int32_t(adapter);
    m_nFrameCount = 0;
    m_hFocusWindow = window;

    SPresentParameters& pp = m_PresentParameters;
    pp = SPresentParameters{};
    pp.BackBufferWidth = params.windowed ? 0 : std::uint32_t(std::max(0, params.width));
    pp.BackBufferHeight = params.windowed ? 0 : std::uint32_t(std::max(0, params.height));
    if (params.windowed)
    {
        SDisplayMode desktop{};
        if (plat::Failed(m_pCalls->GetAdapterDisplayMode(*m_lpD3D, adapter, &desktop)))
        {
            g_ErrorLog.LogError("Graphic::CreateDevice: no desktop display mode");
            return false;
        }
        pp.BackBufferFormat = desktop.Format;
        // A back buffer has no use for the desktop's alpha bits.
        if (pp.BackBufferFormat == D3DFMT_A8R8G8B8)
            pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        else if (pp.BackBufferFormat == D3DFMT_A1R5G5B5)
            pp.BackBufferFormat = D3DFMT_X1R5G5B5;
    }
    else
        pp.BackBufferFormat = FormatForBits(params.bitsPerPixel, params.format);
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = 1;
    pp.MultiSampleType = params.multiSampleType;
    pp.hDeviceWindow = window;
    pp.Windowed = params.windowed ? 1 : 0;
    pp.Flags = params.lockableBackBuffer ? D3DPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
    pp.FullScreen_RefreshRateInHz = params.windowed ? 0 : params.refreshRate;
    if (params.windowed)
        pp.FullScreen_PresentationInterval = 0;
    else
        pp.FullScreen_PresentationInterval =
            params.intervalFlag ? params.presentationInterval : D3DPRESENT_INTERVAL_IMMEDIATE;

    const Format back = pp.BackBufferFormat;
    for (std::uint32_t type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF})
    {
        Format depth = D3DFMT_UNKNOWN;
        for (Format candidate : kDepthFormats)
        {
            if (plat::Succeeded(m_pCalls->CheckDeviceFormat(
                    *m_lpD3D, adapter, type, back, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, candidate)) &&
                plat::Succeeded(
                    m_pCalls->CheckDepthStencilMatch(*m_lpD3D, adapter, type, back, back, candidate)))
            {
                depth = candidate;
                break;
            }
        }
        if (depth == D3DFMT_UNKNOWN) continue;
        // The device gets the depth format the search found: one the device
        // has said it can pair with this back buffer.
        pp.AutoDepthStencilFormat = depth;

        const SCaps* caps = GetCaps(type);
        if (!caps) continue;
        m_bStencil = depth == D3DFMT_D24S8 || depth == D3DFMT_D24X4S4;
        std::uint32_t behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        if (caps->DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
        {
            behaviour = D3DCREATE_MIXED_VERTEXPROCESSING;
            if ((caps->DevCaps & D3DDEVCAPS_PUREDEVICE) && caps->MaxPointSize > 1.0f)
                behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
        }
        behaviour |= D3DCREATE_MULTITHREADED;

        if (plat::Failed(m_pCalls->CheckDeviceType(*m_lpD3D, adapter, type, back, back, pp.Windowed != 0)))
            continue;
        SPresentParameters passed = pp;
        const plat::HResult hr =
            m_pCalls->CreateDevice(*m_lpD3D, adapter, type, window, behaviour, &passed, &m_lpDevice);
        if (plat::Failed(hr) || !m_lpDevice)
        {
            // A device type that passed every check but could not be created
            // is not replaced by the slow reference device.
            m_lpDevice = nullptr;
            g_ErrorLog.LogError("Graphic::CreateDevice: CreateDevice failed (0x%08X)", std::uint32_t(hr));
            return false;
        }

        if (params.windowed)
        {
            plat::Rect client;
            plat::GetClientRect(window, &client);
            m_nScreenWidth = client.right - client.left;
            m_nScreenHeight = client.bottom - client.top;
        }
        else
        {
            m_nScreenWidth = params.width;
            m_nScreenHeight = params.height;
        }
        m_nBitsPerPixel = params.bitsPerPixel;
        m_DisplayFormat = back;
        m_bWindowed = params.windowed ? 1 : 0;
        m_DepthFormat = depth;
        GetCaps(type);
        m_nFilterMode = params.filterMode;
        for (int stage = 0; stage < 4; ++stage)
            SetTextureFilter(stage);
        if (m_nFilterMode == 2)
        {
            const std::uint32_t anisotropy =
                std::min(std::uint32_t(std::max(1, params.maxAnisotropy)), m_Caps.MaxAnisotropy);
            for (std::uint32_t stage = 0; stage < 4; ++stage)
                m_lpDevice->SetTextureStageState(stage, D3DTSS_MAXANISOTROPY, anisotropy);
        }
        m_nMaxAnisotropy = std::int32_t(m_Caps.MaxAnisotropy);

        m_lpDevice->GetRenderTarget(&m_lpBackBuffer);
        m_lpDevice->GetDepthStencilSurface(&m_lpDepthBuffer);
        if (m_bFullScreenGamma) m_lpDevice->GetGammaRamp(&m_SavedGammaRamp);
        m_lpCurrentTarget = m_lpBackBuffer;
        m_lpCurrentDepth = m_lpDepthBuffer;
        m_lpDevice->SetRenderTarget(nullptr, nullptr);
        m_lpDevice->SetRenderTarget(m_lpBackBuffer, m_lpDepthBuffer);
        BuildGammaRamp(m_GammaRamp, 0);
        return true;
    }
    g_ErrorLog.LogError(
        "Graphic::CreateDevice: no device type has a depth format, caps and the back-buffer format");
    return false;
}

const SCaps* Graphic::GetCaps(std::uint32_t deviceType)
{
    if (!m_lpD3D) return nullptr;
    if (plat::Failed(m_pCalls->GetDeviceCaps(*m_lpD3D, std::uint32_t(m_nAdapter), deviceType, &m_Caps)))
        return nullptr;
    DeriveCapabilityFlags();
    return &m_Caps;
}

void Graphic::DeriveCapabilityFlags()
{
    const SCaps& c = m_Caps;
    m_bHAL = c.DeviceType == D3DDEVTYPE_HAL;
    m_bHardwareTnL = m_bHAL && (c.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    m_bCanRenderWindowed = (c.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;
    m_bRasterAnisotropy = (c.RasterCaps & D3DPRASTERCAPS_ANISOTROPY) != 0;
    m_bAnisotropicMin = (c.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) != 0;
    m_bAnisotropicMag = (c.TextureFilterCaps & D3DPTFILTERCAPS_MAGFANISOTROPIC) != 0;
    m_bBumpMapping = (c.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP) != 0;
    m_bBumpLuminance = (c.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAPLUMINANCE) != 0;
    m_bPixelShaders = (c.PixelShaderVersion & 0xFFFF) != 0;
    m_bVertexShaders = (c.VertexShaderVersion & 0xFFFF) != 0;
    m_nSimultaneousTextures = std::int32_t(c.MaxSimultaneousTextures);
    m_nBlendStages = std::int32_t(c.MaxTextureBlendStages);
    if (c.MaxSimultaneousTextures == 2) m_nBlendStages = std::min(m_nBlendStages, 2);
    m_nMaxTextureWidth = std::int32_t(c.MaxTextureWidth);
    m_bTempRegister = (c.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP) != 0;
    m_bTableFog = (c.RasterCaps & D3DPRASTERCAPS_FOGTABLE) != 0;
    m_bRangeFog = (c.RasterCaps & D3DPRASTERCAPS_FOGRANGE) != 0;
    m_bFullScreenGamma = (c.Caps2 & D3DCAPS2_FULLSCREENGAMMA) && !m_bWindowed;
    m_bGammaControl = m_bFullScreenGamma;
    m_bWBuffer = (c.RasterCaps & D3DPRASTERCAPS_WBUFFER) != 0;
    m_bBorderAddressing = (c.TextureAddressCaps & D3DPTADDRESSCAPS_BORDER) != 0;
    m_nVertexBlendMatrices = std::int32_t(c.MaxVertexBlendMatrices);
    m_bProjectedTextures = (c.TextureCaps & D3DPTEXTURECAPS_PROJECTED) != 0;
    m_bPointSprites = c.MaxPointSize > 1.0f;
    m_bPointSizeInVertices = (c.FVFCaps & D3DFVFCAPS_PSIZE) != 0;
    m_bDXT5 = plat::Succeeded(m_pCalls->CheckDeviceFormat(*m_lpD3D, std::uint32_t(m_nAdapter),
                                                          m_bHAL ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF,
                                                          m_DisplayFormat, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5));
    m_bDotProduct3 = (c.TextureOpCaps & D3DTEXOPCAPS_DOTPRODUCT3) != 0;
    m_bColorCursor = (c.CursorCaps & D3DCURSORCAPS_COLOR) != 0;
    m_bDynamicTextures = (c.Caps2 & D3DCAPS2_DYNAMICTEXTURES) != 0;
}

void Graphic::Release()
{
    if (m_lpDevice)
    {
        for (std::uint32_t stage = 0; stage < 4; ++stage)
            m_lpDevice->SetTexture(stage, nullptr);
        m_lpDevice->SetStreamSource(0, nullptr, 0);
        // The desktop gets back the ramp the device had before the game.
        if (m_bFullScreenGamma) m_lpDevice->SetGammaRamp(0, &m_SavedGammaRamp);
    }
    ReleaseSurface(m_lpBackBuffer);
    ReleaseSurface(m_lpDepthBuffer);
    if (m_lpDevice)
    {
        const plat::d3d::SDeviceStatistics stats = m_lpDevice->GetStatistics();
        g_ErrorLog.LogDebug("Graphic device: %u programs compiled, %u of them after loading", stats.programs,
                            stats.programsAfterLoading);
        m_lpDevice->Release();
    }
    m_lpDevice = nullptr;
    if (m_lpD3D) m_lpD3D->Release();
    m_lpD3D = nullptr;
    m_lpCurrentTarget = nullptr;
    m_lpCurrentDepth = nullptr;
}

void Graphic::Clear(std::uint32_t flags, std::uint32_t colour)
{
    if (m_lpDevice) m_lpDevice->Clear(0, nullptr, flags, colour, 1.0f, 0);
}

std::uint32_t Graphic::Present()
{
    if (m_lpDevice) m_lpDevice->Present(nullptr, nullptr, nullptr, nullptr);
    ++m_nFrameCount;
    m_nDrawCounters[0] = m_nDrawCounters[1] = m_nDrawCounters[2] = 0;
    return m_nFrameCount;
}

void Graphic::SetProjection(float farPlane, float nearPlane, float fovX, float fovY, bool keep)
{
    SMatrix m{};
    const double pi = 3.14159265358979323846;
    m.m[0][0] = float(1.0 / std::tan(double(fovX) * pi / 360.0));
    m.m[1][1] = float(1.0 / std::tan(double(fovY) * pi / 360.0));
    m.m[2][2] = farPlane / (farPlane - nearPlane);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -nearPlane * farPlane / (farPlane - nearPlane);
    if (m_lpDevice) m_lpDevice->SetTransform(D3DTS_PROJECTION, &m);
    if (keep) m_KeptProjection = m;
}

void Graphic::ApplyProjection()
{
    if (m_lpDevice) m_lpDevice->SetTransform(D3DTS_PROJECTION, &m_KeptProjection);
}

void Graphic::SetTextureFilter(int stage)
{
    if (!m_lpDevice || stage < 0) return;
    std::uint32_t mag = D3DTEXF_LINEAR, min = D3DTEXF_LINEAR, mip = D3DTEXF_POINT;
    if (m_nFilterMode == 2)
    {
        mag = m_bAnisotropicMag ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR;
        min = m_bAnisotropicMin ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR;
        mip = D3DTEXF_LINEAR;
    }
    else if (m_nFilterMode == 1)
        mip = D3DTEXF_LINEAR;
    const std::uint32_t s = std::uint32_t(stage);
    m_lpDevice->SetTextureStageState(s, D3DTSS_MAGFILTER, mag);
    m_lpDevice->SetTextureStageState(s, D3DTSS_MINFILTER, min);
    m_lpDevice->SetTextureStageState(s, D3DTSS_MIPFILTER, mip);
}

bool Graphic::PushRenderTarget(Surface* target, Surface* depth)
{
    if (m_nRenderTargetCount + 2 > kRenderTargetStackSize)
    {
        g_ErrorLog.LogError("Graphic::PushRenderTarget: the render-target stack is full (%d entries)",
                            kRenderTargetStackSize);
        return false;
    }
    m_RenderTargetStack[m_nRenderTargetCount++] = m_lpCurrentTarget;
    m_RenderTargetStack[m_nRenderTargetCount++] = m_lpCurrentDepth;
    m_lpCurrentTarget = target;
    m_lpCurrentDepth = depth;
    if (m_lpDevice) m_lpDevice->SetRenderTarget(target, depth);
    return true;
}

void Graphic::PopRenderTarget()
{
    if (m_nRenderTargetCount > 0) m_lpCurrentDepth = m_RenderTargetStack[--m_nRenderTargetCount];
    if (m_nRenderTargetCount > 0) m_lpCurrentTarget = m_RenderTargetStack[--m_nRenderTargetCount];
    if (m_lpDevice) m_lpDevice->SetRenderTarget(m_lpCurrentTarget, m_lpCurrentDepth);
}

void Graphic::BuildGammaRamp(SGammaRamp& ramp, int gamma)
{
    const double exponent = gamma > 0 ? std::pow(2.0, -gamma * 0.1) : std::pow(2.0, -gamma * 0.2);
    ramp.red[0] = ramp.green[0] = ramp.blue[0] = 0;
    for (int i = 1; i < 256; ++i)
    {
        const double value = 65535.0 * std::pow(i / 255.0, exponent);
        const std::uint16_t v = std::uint16_t(std::uint32_t(value) & 0xFFFF);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = v;
    }
}

void Graphic::ScaleGammaRamp(const SGammaRamp& source, float factor)
{
    const double f = std::max(double(factor), 0.05);
    auto scale = [f](std::uint16_t v) { return std::uint16_t(std::min(65535.0, v * f)); };
    for (int i = 0; i < 256; ++i)
    {
        m_GammaRamp.red[i] = scale(source.red[i]);
        m_GammaRamp.green[i] = scale(source.green[i]);
        m_GammaRamp.blue[i] = scale(source.blue[i]);
    }
}

void Graphic::MultiplyGammaRamp(SGammaRamp& target, const SGammaRamp& source, const float factors[3])
{
    auto scale = [](std::uint16_t v, float f)
    { return std::uint16_t(std::clamp(v * double(f), 0.0, 65535.0)); };
    for (int i = 0; i < 256; ++i)
    {
        target.red[i] = scale(source.red[i], factors[0]);
        target.green[i] = scale(source.green[i], factors[1]);
        target.blue[i] = scale(source.blue[i], factors[2]);
    }
}

void Graphic::BlendGammaRamp(const SGammaRamp& source, float t)
{
    auto blend = [t](std::uint16_t v)
    {
        const double x = (v / 65535.0 * (1.0 - t) + t) * 65535.0;
        return std::uint16_t(std::clamp(x, 0.0, 65535.0));
    };
    for (int i = 0; i < 256; ++i)
    {
        m_GammaRamp.red[i] = blend(source.red[i]);
        m_GammaRamp.green[i] = blend(source.green[i]);
        m_GammaRamp.blue[i] = blend(source.blue[i]);
    }
}

void Graphic::ApplyGammaRamp()
{
    // Only a full-screen device owns the display's ramp; a window must not
    // change the whole desktop's colours.
    if (m_lpDevice && m_bFullScreenGamma) m_lpDevice->SetGammaRamp(0, &m_GammaRamp);
}

std::vector<SAdapterIdentifier> Graphic::GetAdapterIdentifiers()
{
    std::vector<SAdapterIdentifier> list;
    if (!m_lpD3D) return list;
    const std::uint32_t count = m_lpD3D->GetAdapterCount();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        SAdapterIdentifier id{};
        if (plat::Failed(m_lpD3D->GetAdapterIdentifier(i, D3DENUM_NO_WHQL_LEVEL, &id))) break;
        list.push_back(id);
    }
    return list;
}

std::vector<SDisplayMode> Graphic::GetDisplayModes(int adapter)
{
    std::vector<SDisplayMode> list;
    if (!m_lpD3D || adapter < 0) return list;
    const std::uint32_t count = m_lpD3D->GetAdapterModeCount(std::uint32_t(adapter));
    for (std::uint32_t i = 0; i < count; ++i)
    {
        SDisplayMode mode{};
        if (plat::Succeeded(m_lpD3D->EnumAdapterModes(std::uint32_t(adapter), i, &mode)))
            list.push_back(mode);
    }
    return list;
}

plat::HResult Graphic::TestCooperativeLevel()
{
    return m_lpDevice ? m_lpDevice->TestCooperativeLevel() : plat::S_OK;
}

plat::HResult Graphic::Reset()
{
    if (!m_lpDevice) return plat::E_FAIL;
    SPresentParameters params = m_PresentParameters;
    return m_lpDevice->Reset(&params);
}

int IntLog2(int v)
{
    int n = 0;
    while (v > 1)
    {
        v >>= 1;
        ++n;
    }
    return n;
}

bool InitGraphicDevice(plat::Window* window, const SEngineSettings& settings)
{
    XTRACE("InitGraphicDevice");
    if (!graph.CreateDirect3D())
    {
        g_ErrorLog.LogError("Direct3DCreate8 failed");
        return false;
    }
    SDisplayParameters params = MakeDisplayParameters(settings);
    if (!graph.CheckMultiSampleType(params)) params.multiSampleType = 0;
    if (!graph.CreateDevice(params, window))
    {
        g_ErrorLog.LogError("Graphic device: %dx%d failed, trying 800x600", params.width, params.height);
        params = MakeFallbackDisplayParameters(params, settings);
        if (!graph.CreateDevice(params, window)) return false;
    }
    g_ErrorLog.LogDebug("Graphic device: %dx%d %s, %s, depth format %u%s", graph.m_nScreenWidth,
                        graph.m_nScreenHeight, graph.m_bWindowed ? "windowed" : "full screen",
                        graph.m_bHAL ? "HAL" : "REF", graph.m_DepthFormat,
                        graph.m_bDXT5 ? ", DXT5 textures" : "");
    Graphic::BuildGammaRamp(graph.m_GammaRamp, settings.Gamma);
    graph.ApplyGammaRamp();
    if (settings.ForceLinearFog) graph.m_bTableFog = 0;
    return true;
}
