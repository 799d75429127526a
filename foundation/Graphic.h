// Graphic: the one graphics device object, the global `graph`.
//
// It creates the Direct3D device from a block of display parameters (a fixed
// search for a device type and a depth format), derives the capability
// flags the engine tests instead of the raw caps, and keeps the screen size,
// the present parameters (the shell resets a lost device with them), a
// 20-entry render-target stack, the kept projection, two gamma ramps and the
// per-frame counters. All drawing code reads its fields directly.
//
// Ownership: graph owns the Direct3D object, the device and its held back
// buffer and depth surface; Release gives them all up. Surfaces pushed on
// the render-target stack stay the caller's: it keeps them alive until they
// are popped.
//
// Threads: the device is created multithreaded, because the loader threads
// create textures while the main thread draws; Graphic itself takes no lock
// and everything but texture creation belongs to the main thread.
#pragma once

#include "foundation/ShellInterfaces.h"
#include "platform/d3d8/D3D8.h"

#include <cstdint>
#include <vector>

struct SEngineSettings;

// The block the caller of Graphic::CreateDevice fills, in this order.
struct SDisplayParameters
{
    std::int32_t adapter = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 32;
    plat::d3d::Format format = plat::d3d::D3DFMT_X8R8G8B8;
    std::uint32_t refreshRate = 0;
    std::uint32_t intervalFlag = 0;
    std::uint32_t windowed = 0;
    std::uint32_t multiSampleType = 0;
    std::int32_t filterMode = 1;
    std::int32_t maxAnisotropy = 1;
    std::uint32_t presentationInterval = 0;
    std::uint32_t lockableBackBuffer = 0;
};

// The display parameters from the engine settings.
SDisplayParameters MakeDisplayParameters(const SEngineSettings& settings);
// The fallback form of the second attempt: 800 x 600 x 32 and safe values,
// keeping the windowed flag and anisotropy of the settings and the
// presentation interval of params.
SDisplayParameters MakeFallbackDisplayParameters(const SDisplayParameters& params,
                                                 const SEngineSettings& settings);

// The calls device creation makes on the Direct3D object. By default they go
// to the layer; a test puts a profile in front of them that reports fewer
// caps or formats, offers a reference device, or fails creation.
class CDirect3DCalls
{
public:
    virtual ~CDirect3DCalls() = default;
    virtual plat::HResult GetAdapterDisplayMode(plat::d3d::Direct3D& d3d, std::uint32_t adapter,
                                                plat::d3d::SDisplayMode* mode);
    virtual plat::HResult CheckDeviceFormat(plat::d3d::Direct3D& d3d, std::uint32_t adapter,
                                            std::uint32_t type, plat::d3d::Format adapterFormat,
                                            std::uint32_t usage, std::uint32_t resourceType,
                                            plat::d3d::Format format);
    virtual plat::HResult CheckDepthStencilMatch(plat::d3d::Direct3D& d3d, std::uint32_t adapter,
                                                 std::uint32_t type, plat::d3d::Format adapterFormat,
                                                 plat::d3d::Format targetFormat,
                                                 plat::d3d::Format depthFormat);
    virtual plat::HResult CheckDeviceType(plat::d3d::Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                          plat::d3d::Format displayFormat, plat::d3d::Format backFormat,
                                          bool windowed);
    virtual plat::HResult CheckDeviceMultiSampleType(plat::d3d::Direct3D& d3d, std::uint32_t adapter,
                                                     std::uint32_t type, plat::d3d::Format format,
                                                     bool windowed, std::uint32_t multiSample);
    virtual plat::HResult GetDeviceCaps(plat::d3d::Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                        plat::d3d::SCaps* caps);
    virtual plat::HResult CreateDevice(plat::d3d::Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                       plat::Window* window, std::uint32_t behaviour,
                                       plat::d3d::SPresentParameters* params, plat::d3d::Device** device);
};

// A gamma ramp: 3 x 256 16-bit values, red, green, blue.
using SGammaRamp = plat::d3d::SGammaRamp;

class Graphic : public IShellDevice
{
public:
    static constexpr int kRenderTargetStackSize = 20;

    Graphic();
    ~Graphic() override;
    Graphic(const Graphic&) = delete;
    Graphic& operator=(const Graphic&) = delete;

    // Direct3DCreate8 into m_lpD3D; false when it fails.
    bool CreateDirect3D();
    // Whether the multisample type can be used with the parameters' colour depth.
    bool CheckMultiSampleType(const SDisplayParameters& params);
    bool CreateDevice(const SDisplayParameters& params, plat::Window* window);
    // The caps of a device type into m_Caps, then the flags; null on failure.
    const plat::d3d::SCaps* GetCaps(std::uint32_t deviceType);
    const plat::d3d::SCaps* GetHALCaps() { return GetCaps(plat::d3d::D3DDEVTYPE_HAL); }
    const plat::d3d::SCaps* GetREFCaps() { return GetCaps(plat::d3d::D3DDEVTYPE_REF); }
    // Unbinds, then releases the held surfaces, the device and Direct3D.
    void Release() override;

    void Clear(std::uint32_t flags, std::uint32_t colour);
    // Presents, counts the frame, clears the draw counters; the frame count.
    std::uint32_t Present();

    void SetProjection(float farPlane, float nearPlane, float fovX, float fovY, bool keep);
    void ApplyProjection();
    void SetTextureFilter(int stage);

    // Makes the pair current, saving the current pair. A full stack refuses
    // the push (logged) and keeps the current pair: a target is never
    // separated from its depth surface. False when refused.
    bool PushRenderTarget(plat::d3d::Surface* target, plat::d3d::Surface* depth);
    // Back to the pair saved last; with nothing saved, the current pair is
    // set again.
    void PopRenderTarget();

    static void BuildGammaRamp(SGammaRamp& ramp, int gamma);
    // Into the working ramp: source x factor (at least 0.05), capped at 65535.
    void ScaleGammaRamp(const SGammaRamp& source, float factor);
    static void MultiplyGammaRamp(SGammaRamp& target, const SGammaRamp& source, const float factors[3]);
    // Into the working ramp: source blended towards full brightness by t.
    void BlendGammaRamp(const SGammaRamp& source, float t);
    // Gives the working ramp to the device when it has full-screen gamma.
    void ApplyGammaRamp();

    std::vector<plat::d3d::SAdapterIdentifier> GetAdapterIdentifiers();
    std::vector<plat::d3d::SDisplayMode> GetDisplayModes(int adapter);

    // IShellDevice: the shell's loss cycle.
    plat::HResult TestCooperativeLevel() override;
    plat::HResult Reset() override;

    // Test setting: the calls device creation makes (null: the layer's own).
    void SetDirect3DCalls(CDirect3DCalls* calls) { m_pCalls = calls ? calls : &m_DefaultCalls; }

    SGammaRamp m_SavedGammaRamp{};
    plat::d3d::Direct3D* m_lpD3D = nullptr;
    plat::d3d::Device* m_lpDevice = nullptr;
    plat::d3d::SCaps m_Caps{};
    plat::Window* m_hFocusWindow = nullptr;
    plat::d3d::SPresentParameters m_PresentParameters{};
    plat::d3d::Surface* m_lpBackBuffer = nullptr;
    plat::d3d::Surface* m_lpDepthBuffer = nullptr;
    std::int32_t m_nRenderTargetCount = 0;
    plat::d3d::Surface* m_RenderTargetStack[kRenderTargetStackSize] = {};
    plat::d3d::Surface* m_lpCurrentTarget = nullptr;
    plat::d3d::Surface* m_lpCurrentDepth = nullptr;
    plat::d3d::SMatrix m_KeptProjection{};
    SGammaRamp m_GammaRamp{};
    std::int32_t m_nScreenWidth = 0;
    std::int32_t m_nScreenHeight = 0;
    std::int32_t m_nBitsPerPixel = 0;
    std::uint32_t m_bWindowed = 0;
    std::int32_t m_nAdapter = 0;

    // Capability flags, derived after every caps query.
    std::uint8_t m_bHAL = 0;
    std::uint8_t m_bHardwareTnL = 0;
    std::uint8_t m_bCanRenderWindowed = 0;
    std::uint8_t m_bRasterAnisotropy = 0;
    std::uint8_t m_bAnisotropicMin = 0;
    std::uint8_t m_bAnisotropicMag = 0;
    std::uint8_t m_bBumpMapping = 0;
    std::uint8_t m_bBumpLuminance = 0;
    std::uint8_t m_bPixelShaders = 0;
    std::uint8_t m_bVertexShaders = 0;
    std::uint8_t m_bStencil = 0;
    std::int32_t m_nBlendStages = 0;
    std::int32_t m_nSimultaneousTextures = 0;
    std::int32_t m_nMaxTextureWidth = 0;
    std::uint8_t m_bTempRegister = 0;
    std::uint8_t m_bTableFog = 0;
    std::uint8_t m_bRangeFog = 0;
    std::uint8_t m_bFullScreenGamma = 0;
    std::uint8_t m_bGammaControl = 0;
    std::uint8_t m_bWBuffer = 0;
    std::uint8_t m_bBorderAddressing = 0;
    std::int32_t m_nVertexBlendMatrices = 0;
    std::uint8_t m_bProjectedTextures = 0;
    std::uint8_t m_bPointSprites = 0;
    std::uint8_t m_bPointSizeInVertices = 0;
    std::uint8_t m_bDXT5 = 0;
    std::uint8_t m_bDotProduct3 = 0;
    std::uint8_t m_bColorCursor = 0;
    std::uint8_t m_bDynamicTextures = 0;

    plat::d3d::Format m_DisplayFormat = plat::d3d::D3DFMT_UNKNOWN;
    plat::d3d::Format m_DepthFormat = plat::d3d::D3DFMT_UNKNOWN;
    std::int32_t m_nMaxAnisotropy = 0;
    std::int32_t m_nFilterMode = 0;
    std::uint32_t m_nDrawCounters[3] = {};
    std::uint32_t m_nFrameCount = 0;

private:
    void DeriveCapabilityFlags();

    CDirect3DCalls m_DefaultCalls;
    CDirect3DCalls* m_pCalls = &m_DefaultCalls;
};

extern Graphic graph;

// The number of times v can be halved while above 1 (0 below 2).
int IntLog2(int v);

// The application's device start-up: Direct3D, the multisample check, the
// device from the settings and, when that fails, once more from the
// fallback form; then the working gamma ramp from the Gamma setting and the
// ForceLinearFog rule. False when both attempts failed.
bool InitGraphicDevice(plat::Window* window, const SEngineSettings& settings);
