// The graphics device `graph` over the Direct3D layer: device creation
// against capability profiles, filters, the fallback retry, projection,
// gamma ramps, the render-target stack, textures, frames and the shell's
// device-loss cycle.

#include "graphics/GraphicTestDevice.h"

#include "foundation/Application.h"
#include "foundation/ImageWriters.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "platform/d3d8/D3D8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace plat::d3d;
using gfxtest::CGraphicDeviceTest;
using gfxtest::CTempDir;
using gfxtest::WindowedParameters;
using plat::HResult;
using plat::Succeeded;

// A profile in front of the layer: refuses depth formats per device type,
// offers a reference device (answered by the layer's own), edits the caps,
// fails creation, and records what creation asked for.
class CProfile : public CDirect3DCalls
{
public:
    std::set<Format> refusedDepth[3];
    bool refAvailable = false;
    bool halWithoutCaps = false;
    Format desktopFormat = D3DFMT_UNKNOWN;
    std::function<void(SCaps&)> editCaps;
    std::function<bool(std::uint32_t type, const SPresentParameters&)> createFails;

    std::vector<std::string> created;
    std::uint32_t behaviour = 0;
    SPresentParameters params{};

    HResult GetAdapterDisplayMode(Direct3D& d3d, std::uint32_t adapter, SDisplayMode* mode) override
    {
        const HResult hr = d3d.GetAdapterDisplayMode(adapter, mode);
        if (desktopFormat != D3DFMT_UNKNOWN) mode->Format = desktopFormat;
        return hr;
    }
    HResult CheckDeviceFormat(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type, Format adapterFormat,
                              std::uint32_t usage, std::uint32_t resourceType, Format format) override
    {
        if ((usage & D3DUSAGE_DEPTHSTENCIL) && refusedDepth[type].count(format)) return D3DERR_NOTAVAILABLE;
        return d3d.CheckDeviceFormat(adapter, Map(type), adapterFormat, usage, resourceType, format);
    }
    HResult CheckDepthStencilMatch(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type,
                                   Format adapterFormat, Format targetFormat, Format depthFormat) override
    {
        return d3d.CheckDepthStencilMatch(adapter, Map(type), adapterFormat, targetFormat, depthFormat);
    }
    HResult CheckDeviceType(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type, Format displayFormat,
                            Format backFormat, bool windowed) override
    {
        return d3d.CheckDeviceType(adapter, Map(type), displayFormat, backFormat, windowed);
    }
    HResult GetDeviceCaps(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type, SCaps* caps) override
    {
        if (type == D3DDEVTYPE_HAL && halWithoutCaps) return D3DERR_NOTAVAILABLE;
        const HResult hr = d3d.GetDeviceCaps(adapter, Map(type), caps);
        if (Succeeded(hr))
        {
            caps->DeviceType = type;
            if (editCaps) editCaps(*caps);
        }
        return hr;
    }
    HResult CreateDevice(Direct3D& d3d, std::uint32_t adapter, std::uint32_t type, plat::Window* window,
                         std::uint32_t behaviourFlags, SPresentParameters* pp, Device** device) override
    {
        created.push_back(type == D3DDEVTYPE_HAL ? "HAL" : "REF");
        behaviour = behaviourFlags;
        params = *pp;
        if (createFails && createFails(type, *pp)) return D3DERR_NOTAVAILABLE;
        return d3d.CreateDevice(adapter, Map(type), window, behaviourFlags, pp, device);
    }

private:
    std::uint32_t Map(std::uint32_t type) const
    {
        return type == D3DDEVTYPE_REF && refAvailable ? D3DDEVTYPE_HAL : type;
    }
};

const std::set<Format> kAllDepth = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16};

struct SProfileCase
{
    const char* name;
    std::function<void(CProfile&)> setUp;
    bool created;
    std::vector<std::string> attempts;
    bool hal;
    bool stencil;
    Format depth;
    std::uint32_t behaviour;
};

class CapsProfiles : public CGraphicDeviceTest, public ::testing::WithParamInterface<SProfileCase>
{
};

TEST_P(CapsProfiles, DecideTheDeviceTypeDepthFormatAndBehaviour)
{
    const SProfileCase& c = GetParam();
    CTempDir dir("caps");
    CProfile profile;
    c.setUp(profile);
    graph.SetDirect3DCalls(&profile);
    EXPECT_EQ(OpenDevice(), c.created);
    EXPECT_EQ(profile.created, c.attempts);
    if (!c.created)
    {
        EXPECT_EQ(graph.m_lpDevice, nullptr);
        EXPECT_FALSE(dir.ErrorLog().empty());
        return;
    }
    EXPECT_EQ(graph.m_bHAL, c.hal ? 1 : 0);
    EXPECT_EQ(graph.m_bHardwareTnL,
              c.hal && (c.behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) == 0 ? 1 : 0);
    EXPECT_EQ(graph.m_bStencil, c.stencil ? 1 : 0);
    EXPECT_EQ(graph.m_DepthFormat, c.depth);
    EXPECT_EQ(profile.params.AutoDepthStencilFormat, c.depth);
    EXPECT_EQ(profile.behaviour, c.behaviour | D3DCREATE_MULTITHREADED);
    SSurfaceDesc desc{};
    ASSERT_NE(graph.m_lpDepthBuffer, nullptr);
    graph.m_lpDepthBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Format, c.depth);
}

INSTANTIATE_TEST_SUITE_P(
    Graphic, CapsProfiles,
    ::testing::Values(
        SProfileCase{"LayerAsItIs",
                     [](CProfile&) {},
                     true,
                     {"HAL"},
                     true,
                     true,
                     D3DFMT_D24S8,
                     D3DCREATE_MIXED_VERTEXPROCESSING},
        SProfileCase{"NoStencilFormats",
                     [](CProfile& p) {
                         p.refusedDepth[D3DDEVTYPE_HAL] = {D3DFMT_D24S8, D3DFMT_D24X4S4};
                     },
                     true,
                     {"HAL"},
                     true,
                     false,
                     D3DFMT_D24X8,
                     D3DCREATE_MIXED_VERTEXPROCESSING},
        SProfileCase{
            "OnlyD16",
            [](CProfile& p) {
                p.refusedDepth[D3DDEVTYPE_HAL] = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32, D3DFMT_D24X8};
            },
            true,
            {"HAL"},
            true,
            false,
            D3DFMT_D16,
            D3DCREATE_MIXED_VERTEXPROCESSING},
        SProfileCase{"HalWithoutDepthFallsToRef",
                     [](CProfile& p)
                     {
                         p.refAvailable = true;
                         p.refusedDepth[D3DDEVTYPE_HAL] = kAllDepth;
                     },
                     true,
                     {"REF"},
                     false,
                     true,
                     D3DFMT_D24S8,
                     D3DCREATE_MIXED_VERTEXPROCESSING},
        SProfileCase{"HalWithoutCapsFallsToRef",
                     [](CProfile& p)
                     {
                         p.refAvailable = true;
                         p.halWithoutCaps = true;
                     },
                     true,
                     {"REF"},
                     false,
                     true,
                     D3DFMT_D24S8,
                     D3DCREATE_MIXED_VERTEXPROCESSING},
        SProfileCase{"FailedHalCreateDoesNotTryRef",
                     [](CProfile& p)
                     {
                         p.refAvailable = true;
                         p.createFails = [](std::uint32_t type, const SPresentParameters&)
                         { return type == D3DDEVTYPE_HAL; };
                     },
                     false,
                     {"HAL"},
                     false,
                     false,
                     D3DFMT_UNKNOWN,
                     0},
        SProfileCase{"NoDepthAnywhere",
                     [](CProfile& p) { p.refusedDepth[D3DDEVTYPE_HAL] = kAllDepth; },
                     false,
                     {},
                     false,
                     false,
                     D3DFMT_UNKNOWN,
                     0},
        SProfileCase{"NoHardwareTransform",
                     [](CProfile& p)
                     { p.editCaps = [](SCaps& c) { c.DevCaps &= ~D3DDEVCAPS_HWTRANSFORMANDLIGHT; }; },
                     true,
                     {"HAL"},
                     true,
                     true,
                     D3DFMT_D24S8,
                     D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        SProfileCase{"PureDevice",
                     [](CProfile& p) { p.editCaps = [](SCaps& c) { c.DevCaps |= D3DDEVCAPS_PUREDEVICE; }; },
                     true,
                     {"HAL"},
                     true,
                     true,
                     D3DFMT_D24S8,
                     D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CGraphicDeviceTest, CapabilityFlagsFollowTheCaps)
{
    CProfile profile;
    profile.editCaps = [](SCaps& c)
    {
        c.MaxSimultaneousTextures = 2;
        c.MaxTextureBlendStages = 8;
        c.PixelShaderVersion = 0xFFFF0000u;
        c.MaxPointSize = 1.0f;
        c.TextureOpCaps &= ~D3DTEXOPCAPS_BUMPENVMAP;
        c.RasterCaps &= ~D3DPRASTERCAPS_FOGTABLE;
    };
    graph.SetDirect3DCalls(&profile);
    ASSERT_TRUE(OpenDevice());
    EXPECT_EQ(graph.m_nBlendStages, 2);
    EXPECT_EQ(graph.m_nSimultaneousTextures, 2);
    EXPECT_EQ(graph.m_bPixelShaders, 0);
    EXPECT_EQ(graph.m_bVertexShaders, 1);
    EXPECT_EQ(graph.m_bPointSprites, 0);
    EXPECT_EQ(graph.m_bBumpMapping, 0);
    EXPECT_EQ(graph.m_bTableFog, 0);
    EXPECT_EQ(graph.m_bDXT5, 1);
    EXPECT_EQ(graph.m_bCanRenderWindowed, 1);
    // A window never owns the display's gamma.
    EXPECT_EQ(graph.m_bFullScreenGamma, 0);
}

TEST_F(CGraphicDeviceTest, WindowedDeviceTakesTheDesktopFormatAndTheClientRectangle)
{
    CProfile profile;
    profile.desktopFormat = D3DFMT_A8R8G8B8;
    graph.SetDirect3DCalls(&profile);
    ASSERT_TRUE(OpenDevice(200, 150, WindowedParameters()));
    EXPECT_EQ(graph.m_nScreenWidth, 200);
    EXPECT_EQ(graph.m_nScreenHeight, 150);
    EXPECT_EQ(graph.m_DisplayFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(profile.params.BackBufferWidth, 0u);
    EXPECT_EQ(profile.params.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(profile.params.FullScreen_PresentationInterval, 0u);
    SSurfaceDesc desc{};
    graph.m_lpBackBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 200u);
    EXPECT_EQ(desc.Height, 150u);
    EXPECT_EQ(graph.m_lpCurrentTarget, graph.m_lpBackBuffer);
    EXPECT_EQ(graph.m_lpCurrentDepth, graph.m_lpDepthBuffer);
}

struct SFilterCase
{
    const char* name;
    int mode;
    std::uint32_t removedCaps;
    std::uint32_t mag, min, mip;
};

class FilterChoice : public CGraphicDeviceTest, public ::testing::WithParamInterface<SFilterCase>
{
};

TEST_P(FilterChoice, SetsStagesZeroToThree)
{
    const SFilterCase& c = GetParam();
    CProfile profile;
    profile.editCaps = [&](SCaps& caps)
    {
        caps.TextureFilterCaps &= ~c.removedCaps;
        caps.MaxAnisotropy = 8;
    };
    graph.SetDirect3DCalls(&profile);
    ASSERT_TRUE(OpenDevice(64, 48, WindowedParameters(c.mode, 12)));
    for (std::uint32_t stage = 0; stage < 4; ++stage)
    {
        std::uint32_t mag = 0, min = 0, mip = 0, anisotropy = 0;
        graph.m_lpDevice->GetTextureStageState(stage, D3DTSS_MAGFILTER, &mag);
        graph.m_lpDevice->GetTextureStageState(stage, D3DTSS_MINFILTER, &min);
        graph.m_lpDevice->GetTextureStageState(stage, D3DTSS_MIPFILTER, &mip);
        graph.m_lpDevice->GetTextureStageState(stage, D3DTSS_MAXANISOTROPY, &anisotropy);
        EXPECT_EQ(mag, c.mag) << "stage " << stage;
        EXPECT_EQ(min, c.min) << "stage " << stage;
        EXPECT_EQ(mip, c.mip) << "stage " << stage;
        // Mode 2 asks for 12; the caps allow 8.
        if (c.mode == 2)
        {
            EXPECT_EQ(anisotropy, 8u);
        }
    }
}

constexpr std::uint32_t kAnisotropic = D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC;

INSTANTIATE_TEST_SUITE_P(
    Graphic, FilterChoice,
    ::testing::Values(SFilterCase{"Mode0", 0, 0, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_POINT},
                      SFilterCase{"Mode1", 1, 0, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR},
                      SFilterCase{"Mode2", 2, 0, D3DTEXF_ANISOTROPIC, D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR},
                      SFilterCase{"Mode2WithoutAnisotropy", 2, kAnisotropic, D3DTEXF_LINEAR, D3DTEXF_LINEAR,
                                  D3DTEXF_LINEAR},
                      SFilterCase{"Mode2MinOnly", 2, D3DPTFILTERCAPS_MAGFANISOTROPIC, D3DTEXF_LINEAR,
                                  D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayParameters, ComeFromTheSettingsAndTheFallbackIsSafe)
{
    SEngineSettings s;
    s.ScreenWidth = 1280;
    s.ScreenHeight = 1024;
    s.ScreenBPS = 16;
    s.ScreenRefresh = 75;
    s.Interval = 3;
    s.Windowed = 0;
    s.Antializing = 4;
    s.Filtering = 2;
    s.Anosotropy = 8;
    s.ForceScreenShots = 1;
    const SDisplayParameters p = MakeDisplayParameters(s);
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 1024);
    EXPECT_EQ(p.bitsPerPixel, 16);
    EXPECT_EQ(p.format, D3DFMT_R5G6B5);
    EXPECT_EQ(p.refreshRate, 75u);
    EXPECT_EQ(p.intervalFlag, 1u);
    EXPECT_EQ(p.presentationInterval, 4u);
    EXPECT_EQ(p.multiSampleType, 4u);
    EXPECT_EQ(p.filterMode, 2);
    EXPECT_EQ(p.lockableBackBuffer, 1u);

    const SDisplayParameters f = MakeFallbackDisplayParameters(p, s);
    EXPECT_EQ(f.width, 800);
    EXPECT_EQ(f.height, 600);
    EXPECT_EQ(f.bitsPerPixel, 32);
    EXPECT_EQ(f.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(f.refreshRate, 0u);
    EXPECT_EQ(f.intervalFlag, 0u);
    EXPECT_EQ(f.multiSampleType, 0u);
    EXPECT_EQ(f.filterMode, 1);
    EXPECT_EQ(f.maxAnisotropy, 8);
    EXPECT_EQ(f.presentationInterval, 4u); // left as it was
    EXPECT_EQ(f.lockableBackBuffer, 0u);
}

class DeviceStartUp : public CGraphicDeviceTest
{
};

TEST_F(DeviceStartUp, RetriesOnceWithTheFallbackForm)
{
    CTempDir dir("startup");
    SEngineSettings s;
    s.Windowed = 1;
    s.Filtering = 2;
    s.ForceScreenShots = 1;
    s.Gamma = 5;
    s.ForceLinearFog = 1;
    CProfile profile;
    // The first form asks for a lockable back buffer, which this profile refuses.
    profile.createFails = [](std::uint32_t, const SPresentParameters& pp)
    { return (pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0; };
    graph.SetDirect3DCalls(&profile);
    m_pWindow = gfxtest::HiddenWindow(64, 48);
    ASSERT_TRUE(InitGraphicDevice(m_pWindow, s));
    EXPECT_EQ(profile.created, (std::vector<std::string>{"HAL", "HAL"}));
    EXPECT_EQ(graph.m_nFilterMode, 1);
    EXPECT_EQ(graph.m_bTableFog, 0);
    SGammaRamp expected;
    Graphic::BuildGammaRamp(expected, 5);
    EXPECT_EQ(std::memcmp(&graph.m_GammaRamp, &expected, sizeof(expected)), 0);

    graph.Release();
    profile.created.clear();
    profile.createFails = [](std::uint32_t, const SPresentParameters&) { return true; };
    EXPECT_FALSE(InitGraphicDevice(m_pWindow, s));
    EXPECT_EQ(profile.created, (std::vector<std::string>{"HAL", "HAL"}));
}

TEST(GammaRamp, FollowsTheExponentTable)
{
    SGammaRamp ramp;
    Graphic::BuildGammaRamp(ramp, 0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(ramp.red[i], 257 * i) << i;
    struct SCase
    {
        int gamma;
        int entries[5]; // at 1, 64, 128, 254, 255
    };
    const SCase cases[] = {{5, {1302, 24657, 40254, 65353, 65535}},
                           {-5, {1, 4128, 16512, 65022, 65535}},
                           {10, {4103, 32831, 46431, 65406, 65535}}};
    const int at[5] = {1, 64, 128, 254, 255};
    for (const SCase& c : cases)
    {
        Graphic::BuildGammaRamp(ramp, c.gamma);
        EXPECT_EQ(ramp.red[0], 0);
        for (int k = 0; k < 5; ++k)
        {
            EXPECT_EQ(ramp.red[at[k]], c.entries[k]) << "gamma " << c.gamma << " entry " << at[k];
            EXPECT_EQ(ramp.green[at[k]], ramp.red[at[k]]);
            EXPECT_EQ(ramp.blue[at[k]], ramp.red[at[k]]);
        }
    }

    Graphic::BuildGammaRamp(ramp, 0);
    Graphic g;
    g.ScaleGammaRamp(ramp, 0.01f); // below 0.05: 0.05
    EXPECT_EQ(g.m_GammaRamp.red[255], std::uint16_t(65535 * 0.05));
    g.ScaleGammaRamp(ramp, 2.0f); // capped
    EXPECT_EQ(g.m_GammaRamp.red[128], 65535);
    EXPECT_EQ(g.m_GammaRamp.red[64], 2 * 257 * 64);
    g.BlendGammaRamp(ramp, 0.5f);
    EXPECT_EQ(g.m_GammaRamp.red[0], 32767);
    EXPECT_EQ(g.m_GammaRamp.red[255], 65535);
    const float factors[3] = {0.5f, 1.0f, 3.0f};
    SGammaRamp multiplied;
    Graphic::MultiplyGammaRamp(multiplied, ramp, factors);
    EXPECT_EQ(multiplied.red[128], 257 * 128 / 2);
    EXPECT_EQ(multiplied.green[128], 257 * 128);
    EXPECT_EQ(multiplied.blue[128], 65535);
}

TEST_F(CGraphicDeviceTest, FullScreenDeviceTakesTheWorkingGammaRamp)
{
    SDisplayParameters params = WindowedParameters();
    params.windowed = 0;
    params.width = 64;
    params.height = 48;
    ASSERT_TRUE(OpenDevice(64, 48, params));
    ASSERT_EQ(graph.m_bFullScreenGamma, 1);
    EXPECT_EQ(graph.m_nScreenWidth, 64);
    EXPECT_EQ(graph.m_PresentParameters.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    // The device's own ramp was saved; the working ramp goes to the device.
    SGammaRamp identity;
    Graphic::BuildGammaRamp(identity, 0);
    EXPECT_EQ(std::memcmp(&graph.m_SavedGammaRamp, &identity, sizeof(identity)), 0);
    Graphic::BuildGammaRamp(graph.m_GammaRamp, 10);
    graph.ApplyGammaRamp();
    SGammaRamp onDevice;
    graph.m_lpDevice->GetGammaRamp(&onDevice);
    EXPECT_EQ(std::memcmp(&onDevice, &graph.m_GammaRamp, sizeof(onDevice)), 0);
}

// The ramp in the presented picture: the screen shows each channel through
// the working ramp on a full-screen device; a window leaves the desktop's
// colours alone, so its picture is the frame as drawn.
struct SGammaCase
{
    bool windowed;
    int gamma;
};

class GammaOnScreen : public CGraphicDeviceTest, public ::testing::WithParamInterface<SGammaCase>
{
};

TEST_P(GammaOnScreen, PresentedPixelsGoThroughTheRamp)
{
    const SGammaCase& c = GetParam();
    SDisplayParameters params = WindowedParameters();
    params.windowed = c.windowed ? 1 : 0;
    params.width = 64;
    params.height = 48;
    ASSERT_TRUE(OpenDevice(64, 48, params));
    Graphic::BuildGammaRamp(graph.m_GammaRamp, c.gamma);
    graph.ApplyGammaRamp();
    graph.Clear(D3DCLEAR_TARGET, 0xFF40C010);
    graph.Present();

    Surface* image = nullptr;
    ASSERT_EQ(graph.m_lpDevice->CreateImageSurface(std::uint32_t(graph.m_nScreenWidth),
                                                   std::uint32_t(graph.m_nScreenHeight), D3DFMT_A8R8G8B8,
                                                   &image),
              D3D_OK);
    ASSERT_EQ(graph.m_lpDevice->GetFrontBuffer(image), D3D_OK);
    SLockedRect locked{};
    ASSERT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<const std::uint8_t*>(locked.pBits) + 10 * locked.Pitch + 20 * 4, 4);
    image->UnlockRect();
    image->Release();

    SGammaRamp shown;
    Graphic::BuildGammaRamp(shown, c.windowed ? 0 : c.gamma);
    auto expected = [](std::uint16_t entry) { return int(std::lround(entry * 255.0 / 65535.0)); };
    EXPECT_NEAR(int((pixel >> 16) & 0xFF), expected(shown.red[0x40]), 1) << std::hex << pixel;
    EXPECT_NEAR(int((pixel >> 8) & 0xFF), expected(shown.green[0xC0]), 1) << std::hex << pixel;
    EXPECT_NEAR(int(pixel & 0xFF), expected(shown.blue[0x10]), 1) << std::hex << pixel;
}

INSTANTIATE_TEST_SUITE_P(Devices, GammaOnScreen,
                         ::testing::Values(SGammaCase{false, 10}, SGammaCase{false, -10},
                                           SGammaCase{true, 10}),
                         [](const auto& info)
                         {
                             return std::string(info.param.windowed ? "Windowed" : "FullScreen") +
                                    (info.param.gamma < 0 ? "Darker" : "Brighter");
                         });

class GraphicDevice : public CGraphicDeviceTest
{
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice(64, 48)); }
};

TEST_F(GraphicDevice, ProjectionIsBuiltAndKept)
{
    graph.SetProjection(1000.0f, 1.0f, 90.0f, 60.0f, true);
    SMatrix m{};
    graph.m_lpDevice->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_FLOAT_EQ(m.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(m.m[1][1], std::sqrt(3.0f));
    EXPECT_FLOAT_EQ(m.m[2][2], 1000.0f / 999.0f);
    EXPECT_FLOAT_EQ(m.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(m.m[3][2], -1000.0f / 999.0f);
    EXPECT_FLOAT_EQ(m.m[3][3], 0.0f);

    graph.SetProjection(10.0f, 0.5f, 60.0f, 45.0f, false);
    graph.ApplyProjection();
    graph.m_lpDevice->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_FLOAT_EQ(m.m[0][0], 1.0f);
}

TEST_F(GraphicDevice, RenderTargetStackNeverSplitsAPair)
{
    CTempDir dir("rtstack");
    Surface* target = nullptr;
    Surface* depth = nullptr;
    ASSERT_EQ(graph.m_lpDevice->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, 0, true, &target), D3D_OK);
    ASSERT_EQ(graph.m_lpDevice->CreateDepthStencilSurface(16, 16, D3DFMT_D24S8, 0, &depth), D3D_OK);

    auto current = []
    {
        Surface* s = nullptr;
        graph.m_lpDevice->GetRenderTarget(&s);
        s->Release();
        return s;
    };
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(graph.PushRenderTarget(i % 2 ? graph.m_lpBackBuffer : target,
                                           i % 2 ? graph.m_lpDepthBuffer : depth));
    EXPECT_EQ(graph.m_nRenderTargetCount, 20);
    EXPECT_EQ(current(), graph.m_lpBackBuffer);
    // The eleventh push is refused and changes nothing.
    EXPECT_FALSE(graph.PushRenderTarget(target, depth));
    EXPECT_EQ(current(), graph.m_lpBackBuffer);
    EXPECT_EQ(graph.m_lpCurrentTarget, graph.m_lpBackBuffer);
    EXPECT_NE(dir.ErrorLog().find("render-target stack is full"), std::string::npos);

    graph.PopRenderTarget();
    EXPECT_EQ(current(), target);
    EXPECT_EQ(graph.m_lpCurrentDepth, depth);
    for (int i = 0; i < 9; ++i)
        graph.PopRenderTarget();
    EXPECT_EQ(graph.m_nRenderTargetCount, 0);
    EXPECT_EQ(current(), graph.m_lpBackBuffer);
    EXPECT_EQ(graph.m_lpCurrentDepth, graph.m_lpDepthBuffer);
    // Popping an empty stack keeps the current pair.
    graph.PopRenderTarget();
    EXPECT_EQ(current(), graph.m_lpBackBuffer);

    target->Release();
    depth->Release();
}

TEST_F(GraphicDevice, PresentCountsFramesAndClearsTheDrawCounters)
{
    graph.m_nDrawCounters[0] = 5;
    graph.m_nDrawCounters[2] = 7;
    graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF112233);
    EXPECT_EQ(graph.Present(), 1u);
    EXPECT_EQ(graph.Present(), 2u);
    EXPECT_EQ(graph.m_nDrawCounters[0], 0u);
    EXPECT_EQ(graph.m_nDrawCounters[2], 0u);
    EXPECT_FALSE(graph.GetAdapterIdentifiers().empty());
    EXPECT_FALSE(graph.GetDisplayModes(0).empty());
    EXPECT_TRUE(graph.GetDisplayModes(5).empty());
}

TEST_F(GraphicDevice, TexturesAreCreatedEstimatedAndBoundOnce)
{
    CTempDir dir("texture");
    CTexture texture;
    texture.CreateTexture(64, 32, 3, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    ASSERT_NE(texture.m_lpTexture, nullptr);
    EXPECT_EQ(texture.m_nMemory, 3u * 1024 + 64 * 32 * 4 + 32 * 16 * 4 + 16 * 8 * 4);
    EXPECT_EQ(CTexture::EstimateMemory(16, 16, 1, D3DFMT_A8), 1024u + 256);
    EXPECT_EQ(CTexture::EstimateMemory(16, 16, 1, D3DFMT_R5G6B5), 1024u + 512);

    // Binding twice sets the texture once: the second call does not undo
    // a change made behind the cache's back.
    texture.SetToStage(0);
    Texture* bound = nullptr;
    graph.m_lpDevice->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture.m_lpTexture);
    bound->Release();
    graph.m_lpDevice->SetTexture(0, nullptr);
    texture.SetToStage(0);
    graph.m_lpDevice->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);

    // Dynamic usage is dropped when the device has no dynamic textures.
    graph.m_bDynamicTextures = 0;
    CTexture dynamic;
    dynamic.CreateTexture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC);
    EXPECT_EQ(dynamic.m_bDynamic, 0u);
    EXPECT_EQ(dynamic.m_lpTexture->GetUsage() & D3DUSAGE_DYNAMIC, 0u);
    graph.m_bDynamicTextures = 1;

    // A texture that cannot be made stays empty and is never bound.
    CTexture failed;
    failed.CreateTexture(0, 0, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    EXPECT_EQ(failed.m_lpTexture, nullptr);
    EXPECT_NE(dir.ErrorLog().find("Graphic::CreateTexture fails"), std::string::npos);
    failed.SetToStage(1);
    EXPECT_EQ(g_TextureStageCache[1], nullptr);

    // A destroyed texture leaves the stage cache.
    {
        CTexture temporary;
        temporary.CreateTexture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
        temporary.SetToStage(2);
        EXPECT_EQ(g_TextureStageCache[2], &temporary);
    }
    EXPECT_EQ(g_TextureStageCache[2], nullptr);
}

void WriteTga(const std::string& path, std::uint32_t w, std::uint32_t h)
{
    std::vector<std::uint8_t> bytes(18 + w * h * 4, 0x80);
    std::memset(bytes.data(), 0, 18);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = std::uint8_t(w);
    bytes[14] = std::uint8_t(h);
    bytes[16] = 32;
    bytes[17] = 8;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST_F(GraphicDevice, LoadFromFilePicksTheFormatByExtensionAndReportsFailure)
{
    CTempDir dir("load");
    WriteTga(dir / "a.tga", 8, 8);
    const std::vector<std::uint32_t> pixels(8 * 8, 0xFF336699);
    ASSERT_TRUE(SaveBitmapFile((dir / "b.bmp").c_str(), 8, 8, pixels.data(), 4));
    struct SCase
    {
        const char* file;
        int bits;
        Format format;
    };
    const SCase cases[] = {{"a.tga", 16, D3DFMT_A4R4G4B4},
                           {"a.tga", 32, D3DFMT_A8R8G8B8},
                           {"b.bmp", 16, D3DFMT_R5G6B5},
                           {"b.bmp", 32, D3DFMT_X8R8G8B8}};
    for (const SCase& c : cases)
    {
        CTexture texture;
        ASSERT_TRUE(texture.LoadFromFile((dir / c.file).c_str(), c.bits, 0, 0, 1))
            << c.file << dir.ErrorLog();
        SSurfaceDesc desc{};
        texture.m_lpTexture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format) << c.file << " " << c.bits;
        EXPECT_EQ(texture.m_nWidth, 8);
        // Levels 0: the full chain, 4 levels of 8, 4, 2, 1.
        EXPECT_EQ(texture.m_lpTexture->GetLevelCount(), 4u);
    }

    CTexture missing;
    EXPECT_FALSE(missing.LoadFromFile((dir / "none.png").c_str(), 32, 0, 0, 1));
    EXPECT_EQ(missing.m_lpTexture, nullptr);
    EXPECT_NE(dir.ErrorLog().find("CTexture::LoadFromFile file '" + (dir / "none.png") + "' not loaded"),
              std::string::npos)
        << dir.ErrorLog();

    // Damaged DDS and TGA files: the error log says why, not only the
    // debug output.
    const std::pair<const char*, std::string> damaged[] = {
        {"cut.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x08\0\x08\0\x20\x08", 18) + "abc"},
        {"cut.dds", std::string("DDS ") + std::string(20, '\x7C')},
    };
    for (const auto& [file, bytes] : damaged)
    {
        std::ofstream(dir / file, std::ios::binary) << bytes;
        CTexture texture;
        EXPECT_FALSE(texture.LoadFromFile((dir / file).c_str(), 32, 0, 0, 1));
        EXPECT_NE(dir.ErrorLog().find("CTexture::LoadFromFile file '" + (dir / file) + "' not loaded: cannot " +
                                      "read image '" + (dir / file) + "': "),
                  std::string::npos)
            << dir.ErrorLog();
    }
}

// The shell's loss cycle against the layer's loss hook.
class CLossApplication : public CApplication
{
public:
    int m_nInvalidated = 0;
    int m_nRestored = 0;
    void InvalidateResources() override
    {
        ++m_nInvalidated;
        CApplication::InvalidateResources();
    }
    void ResetResources() override
    {
        ++m_nRestored;
        CApplication::ResetResources();
    }
};

TEST_F(GraphicDevice, ShellResetsALostDeviceAndRestoresItsState)
{
    CTempDir dir("loss");
    CLossApplication app;
    app.m_pDevice = &graph;
    graph.SetProjection(500.0f, 2.0f, 90.0f, 90.0f, true);
    graph.m_lpDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    EXPECT_FALSE(app.CheckDeviceLost());

    graph.m_lpDevice->SimulateDeviceLoss(true);
    EXPECT_TRUE(app.CheckDeviceLost());
    EXPECT_EQ(app.m_nInvalidated, 1);
    EXPECT_EQ(app.m_nRestored, 1);
    EXPECT_EQ(app.m_nQuit, 0u);
    EXPECT_EQ(graph.TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(dir.ErrorLog().empty()) << dir.ErrorLog();

    ASSERT_NE(graph.m_lpBackBuffer, nullptr);
    ASSERT_NE(graph.m_lpDepthBuffer, nullptr);
    EXPECT_EQ(graph.m_lpCurrentTarget, graph.m_lpBackBuffer);
    EXPECT_EQ(graph.m_nRenderTargetCount, 0);
    SMatrix m{};
    graph.m_lpDevice->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_FLOAT_EQ(m.m[2][2], 500.0f / 498.0f);
    std::uint32_t mag = 0;
    graph.m_lpDevice->GetTextureStageState(0, D3DTSS_MAGFILTER, &mag);
    EXPECT_EQ(mag, D3DTEXF_LINEAR);
    SViewport viewport{};
    graph.m_lpDevice->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 64u);
    EXPECT_EQ(viewport.Height, 48u);

    // The restored device draws: a clear shows in the back buffer.
    graph.Clear(D3DCLEAR_TARGET, 0xFF204060);
    EXPECT_EQ(gfxtest::ReadBackBuffer()[0] & 0x00FFFFFF, 0x204060u);
    app.m_pDevice = nullptr;
}

} // namespace
