// The game application's start-up, device loss and shutdown over the sample
// data tree, headless: every service's global is set after start-up and
// cleared after shutdown, twice in one process; a frame with a model, a text
// and a 2-D image looks the same after the device was lost and reset; the
// loading and waiting screens draw their cells and pictures (read back from
// the real Direct3D 8 layer). Start-ups that fail give back what they made.
#include "world/GameWorldState.h"
#include "app/MMApp.h"
#include "app/MenuHost.h"
#include "foundation/FileManager.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/Font.h"
#include "graphics/LandTypes.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/PngWriter.h"
#include "graphics/TextureManager.h"
#include "platform/Ini.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "hud/radar/RadarMapFile.h"
#include "script/MMScriptManager.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "society/GroupAI.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "units/MechRegistry.h"
#include "world/MMEngine.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using namespace plat::d3d;

// Each global a service sets, by name, for the messages.
struct SGlobal
{
    const char* name;
    bool (*present)();
};

const SGlobal kGlobals[] = {
    {"g_pFileManager", [] { return g_pFileManager != nullptr; }},
    {"g_pTextDB", [] { return g_pTextDB != nullptr; }},
    {"g_pScriptManager", [] { return g_pScriptManager != nullptr; }},
    {"graph.m_lpDevice", [] { return graph.m_lpDevice != nullptr; }},
    {"g_pTextureManager", [] { return g_pTextureManager != nullptr; }},
    {"g_pTexShaderManager", [] { return g_pTexShaderManager != nullptr; }},
    {"g_pModelManager", [] { return g_pModelManager != nullptr; }},
    {"g_pSurfaceManager", [] { return g_pSurfaceManager != nullptr; }},
    {"g_pLandTypeManager", [] { return g_pLandTypeManager != nullptr; }},
    {"g_pFontSmall", [] { return g_pFontSmall != nullptr; }},
    {"g_pFontBig", [] { return g_pFontBig != nullptr; }},
    {"g_pMusicManager", [] { return g_pMusicManager != nullptr; }},
    {"g_pSoundManager", [] { return g_pSoundManager != nullptr; }},
    {"g_pInput", [] { return g_pInput != nullptr; }},
    {"g_pMenuHost", [] { return g_pMenuHost != nullptr; }},
    {"g_pDialogHost", [] { return g_pDialogHost != nullptr; }},
    {"g_pMMScriptManager", [] { return g_pMMScriptManager != nullptr; }},
    {"g_pMessager", [] { return g_pMessager != nullptr; }},
    {"g_pAppEvent", [] { return g_pAppEvent != nullptr; }},
    {"g_pRenderer", [] { return g_pRenderer != nullptr; }},
    {"g_pRadar", [] { return g_pRadar != nullptr; }},
    {"g_pRadarMapFile", [] { return g_pRadarMapFile != nullptr; }},
    {"g_pQuestLog", [] { return g_pQuestLog != nullptr; }},
    {"g_pMechRegistry", [] { return g_pMechRegistry != nullptr; }},
    {"g_pGroupEvents", [] { return g_pGroupEvents != nullptr; }},
};

class GameApplication : public apptest::CSampleAppTest
{
protected:
    // One picture alone on a cleared frame, read back.
    template <typename Draw> std::vector<std::uint32_t> Picture(Draw draw)
    {
        CMesh::ResetCurrent();
        SetDefaultStates();
        graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000);
        graph.m_lpDevice->BeginScene();
        draw();
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer();
    }

    std::vector<std::vector<std::uint32_t>> Pictures()
    {
        std::vector<std::vector<std::uint32_t>> out;
        out.push_back(Picture(
            []
            {
                const int id = g_pSurfaceManager->FindName("SUF_LOADING");
                SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
                g_pSurfaceManager->DrawSurface(id, 19, 0, 0, 300, 200, nullptr);
            }));
        out.push_back(Picture([] { g_pFontSmall->RenderText(20.0f, 20.0f, "Tarvox", 0xFFFFFFFF); }));
        out.push_back(Picture(
            []
            {
                auto* box = dynamic_cast<CComplexObject*>(
                    g_pModelManager->GetModelForce(g_pModelManager->FindName("MOD_BOX")));
                ASSERT_NE(box, nullptr);
                // Loaded now rather than by the loader thread some frames later.
                ASSERT_NE(g_pTextureManager->GetTextureForce(g_pTextureManager->FindName("TEX_BOX")),
                          nullptr);
                SMatrix world{};
                world.m[0][0] = world.m[1][1] = world.m[2][2] = 0.5f;
                world.m[3][3] = 1.0f;
                SMatrix identity{};
                for (int i = 0; i < 4; ++i)
                    identity.m[i][i] = 1.0f;
                graph.m_lpDevice->SetTransform(D3DTS_WORLD, &world);
                graph.m_lpDevice->SetTransform(D3DTS_VIEW, &identity);
                graph.m_lpDevice->SetTransform(D3DTS_PROJECTION, &identity);
                graph.m_lpDevice->SetRenderState(D3DRS_ZENABLE, 0);
                graph.m_lpDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
                graph.m_lpDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
                box->Render(nullptr, 0, -1);
            }));
        return out;
    }

    // The back buffer's pixel at (x, y) of the frame just presented.
    static std::uint32_t Pixel(const std::vector<std::uint32_t>& frame, int x, int y)
    {
        return frame[std::size_t(y) * std::size_t(graph.m_nScreenWidth) + std::size_t(x)];
    }
    // Which cells of a screen's row show the filled (green) picture.
    static std::string Cells(const std::vector<std::uint32_t>& frame, int count)
    {
        std::string cells;
        for (int i = 0; i < count; ++i)
        {
            const plat::Rect r = CMMApp::CellRect(i, graph.m_nScreenHeight);
            const std::uint32_t p = Pixel(frame, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            const int red = int(p >> 16 & 0xFF), green = int(p >> 8 & 0xFF);
            cells += green > 150 && green > red + 40 ? '#' : '.';
        }
        return cells;
    }
    // The sample's waiting picture n shows its own colour away from its
    // stripes.
    static void ExpectWaitingPicture(const std::vector<std::uint32_t>& frame, int n)
    {
        const int hue = n * 19;
        const int want[3] = {30 + hue % 120, 40 + hue * 3 % 90, 60 + hue * 7 % 100};
        const std::uint32_t p = Pixel(frame, 12, 12);
        const int got[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], want[c], 12) << "picture " << n << " channel " << c;
    }
    // The screen just presented.
    static std::vector<std::uint32_t> Presented() { return gfxtest::ReadFrontBuffer(); }

    void SetConfig(const char* key, const char* value)
    {
        plat::WritePrivateProfileString("CONFIG", key, value, (Tree() / "Data/CONFIG/cfg.ini").c_str());
    }
};

TEST_F(GameApplication, StartsTwiceInOneProcessAndGivesEverythingBack)
{
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        // Quick saves outside buildings only for exactly 1.
        SetConfig("Difficulty", round == 0 ? "1" : "2");
        SetConfig("OutsideSave", round == 0 ? "1" : "2");
        apptest::CSampleApp app;
        std::string commandLine;
        ASSERT_TRUE(app.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "startup test"))
            << Tree().ErrorLog();
        EXPECT_EQ(app.m_Services.GetEntered(), app.m_Services.GetCount());
        for (const SGlobal& g : kGlobals)
            EXPECT_TRUE(g.present()) << g.name << " not set after start-up";
        EXPECT_EQ(g_ResourceEngine.GetStage(), CResourceEngine::kStageDone);
        EXPECT_EQ(app.m_bReady, 1);
        EXPECT_EQ(app.m_nGameMode, CMMApp::kModeMainMenu);
        EXPECT_NE(app.m_pThumbnail, nullptr);
        EXPECT_NE(app.m_pThumbnailTarget, nullptr);
        EXPECT_NE(app.m_pThumbnailDepth, nullptr);
        EXPECT_EQ(app.m_nCursorTexture, g_pTextureManager->FindName("TEX_INT_CURSOR"));
        EXPECT_EQ(app.m_nCursorHighlightTexture, g_pTextureManager->FindName("TEX_INT_CURSOR_BLUE"));
        EXPECT_GE(app.m_nCursorHighlightTexture, 0);
        EXPECT_EQ(g_MMEngine.m_nDifficulty, round == 0 ? 1 : 2);
        EXPECT_EQ(g_MMEngine.m_bOutsideSave, round == 0 ? 1 : 0);
        EXPECT_EQ(g_pMechRegistry->GetDifficulty(), g_MMEngine.m_nDifficulty);

        if (round == 0)
        {
            // The loading screen: none, some and all of its 17 cells.
            for (const auto& [progress, cells] :
                 {std::pair{0, ".................."}, std::pair{5, "#####............."},
                  std::pair{17, "#################."}})
            {
                app.DrawLoadingScreen(progress);
                // The cell after the last is the picture, not a cell.
                const std::vector<std::uint32_t> frame = Presented();
                EXPECT_EQ(Cells(frame, 18), cells) << "progress " << progress;
                if (progress == 5)
                    gfxtest::WritePng((gfxtest::PictureDirectory() / "loading_screen.png").c_str(), frame,
                                      std::uint32_t(graph.m_nScreenWidth),
                                      std::uint32_t(graph.m_nScreenHeight));
            }
            // The waiting screens: picture 0 until one is drawn, then the
            // generator's (x >> 8) mod 13, kept without the new-picture flag.
            app.DrawWaitScreen(-1, "", false);
            std::vector<std::uint32_t> frame = Presented();
            ExpectWaitingPicture(frame, 0);
            EXPECT_EQ(Cells(frame, 10), "..........");
            g_Random.SetState(0);
            app.DrawWaitScreen(3, "ignored", true);
            EXPECT_EQ(app.m_nWaitPicture, 10);
            frame = Presented();
            ExpectWaitingPicture(frame, 10);
            EXPECT_EQ(Cells(frame, 11), "###........");
            gfxtest::WritePng((gfxtest::PictureDirectory() / "waiting_screen.png").c_str(), frame,
                              std::uint32_t(graph.m_nScreenWidth), std::uint32_t(graph.m_nScreenHeight));
            app.DrawWaitScreen(10, "", false);
            frame = Presented();
            ExpectWaitingPicture(frame, 10);
            EXPECT_EQ(Cells(frame, 11), "##########.");

            const auto before = Pictures();
            for (const auto& picture : before)
            {
                // Each picture drew something on the black frame.
                std::size_t lit = 0;
                for (std::uint32_t px : picture)
                    lit += (px & 0x00FFFFFF) != 0;
                EXPECT_GT(lit, 20u);
            }
            // Every default-pool object must be gone for the reset to
            // succeed; the thumbnail picture stays, its target comes back.
            Surface* thumbnail = app.m_pThumbnail;
            graph.m_lpDevice->SimulateDeviceLoss(true);
            EXPECT_TRUE(app.CheckDeviceLost());
            EXPECT_EQ(app.m_nQuit, 0u);
            EXPECT_EQ(graph.TestCooperativeLevel(), D3D_OK);
            EXPECT_NE(graph.m_lpBackBuffer, nullptr);
            EXPECT_NE(graph.m_lpDepthBuffer, nullptr);
            EXPECT_EQ(app.m_pThumbnail, thumbnail);
            EXPECT_NE(app.m_pThumbnailTarget, nullptr);
            EXPECT_NE(app.m_pThumbnailDepth, nullptr);
            EXPECT_EQ(graph.m_nFrameCount, 0u);

            const auto after = Pictures();
            ASSERT_EQ(after.size(), before.size());
            for (std::size_t i = 0; i < before.size(); ++i)
                EXPECT_TRUE(after[i] == before[i]) << "picture " << i << " changed across the reset";
        }

        // One game frame after start-up: one engine frame, whose clock is
        // the frame timer's (no location yet: a cleared frame).
        // The frame stands in for the game cycle's first, which starts with
        // the exit flag and reason cleared (an earlier game of the process
        // may have left them set, and the frame would end at once).
        g_MMEngine.m_bLeaveCycle = 0;
        g_MMEngine.m_nExitReason = 0;
        const double engineTime = g_ResourceEngine.GetEngineTime();
        const std::uint32_t frames = g_FrameTimer.GetFrames();
        app.Render(true);
        EXPECT_EQ(g_FrameTimer.GetFrames(), frames + 1);
        EXPECT_DOUBLE_EQ(g_ResourceEngine.GetEngineTime(), engineTime + g_FrameTimer.GetFrameTime());

        app.Done();
        for (const SGlobal& g : kGlobals)
            EXPECT_FALSE(g.present()) << g.name << " still set after shutdown";
        EXPECT_EQ(app.m_Services.GetEntered(), 0u);
        EXPECT_EQ(app.m_pThumbnail, nullptr);
        // Twice is harmless.
        app.Done();
    }
    EXPECT_EQ(Tree().ErrorLog(), "");
}

// A start-up that fails stops at its step, says why by its code, and gives
// back everything it had made when Done runs.
TEST_F(GameApplication, AFailedStartGivesBackWhatItMade)
{
    // The device calls fail to make a device, both times.
    class CNoDevice : public CDirect3DCalls
    {
    public:
        HResult CreateDevice(Direct3D&, std::uint32_t, std::uint32_t, plat::Window*, std::uint32_t,
                             SPresentParameters* params, Device**) override
        {
            m_Sizes.push_back(std::to_string(params->BackBufferWidth) + "x" +
                              std::to_string(params->BackBufferHeight));
            return plat::E_FAIL;
        }
        std::vector<std::string> m_Sizes;
    };
    struct SCase
    {
        const char* removed; // from the tree; null for the device
        const char* failed;  // the step that failed
        std::uint32_t error;
    } const cases[] = {
        {"Data/DB.dat", "Resource database", CMMApp::kInitDatabase},
        {"SCRIPT/Quest.dat", "Text database", CMMApp::kInitUnknown},
        {nullptr, "Graphic device", CMMApp::kInitGraphics},
    };
    SetConfig("Windowed", "0");
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.failed);
        const std::filesystem::path removed = c.removed ? Tree().Path() / c.removed : std::filesystem::path();
        if (c.removed) std::filesystem::rename(removed, removed.string() + ".away");
        CNoDevice noDevice;
        if (!c.removed) graph.SetDirect3DCalls(&noDevice);
        apptest::CSampleApp app;
        std::string commandLine;
        EXPECT_FALSE(app.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "failed start test"));
        EXPECT_EQ(app.m_nInitError, c.error);
        ASSERT_NE(app.m_Services.GetFailed(), nullptr);
        EXPECT_STREQ(app.m_Services.GetFailed(), c.failed);
        // Every step up to the failed one was entered, none after it.
        for (std::size_t i = 0; i < app.m_Services.GetCount(); ++i)
        {
            if (std::string(app.m_Services.GetService(i).name) == c.failed)
            {
                EXPECT_EQ(app.m_Services.GetEntered(), i + 1);
            }
        }
        EXPECT_NE(g_pFileManager, nullptr);
        EXPECT_EQ(graph.m_lpDevice, nullptr);
        if (!c.removed)
        {
            // The settings' form, then the fallback 800 x 600.
            EXPECT_EQ(noDevice.m_Sizes, (std::vector<std::string>{"1024x768", "800x600"}));
            graph.SetDirect3DCalls(nullptr);
        }
        app.Done();
        for (const SGlobal& g : kGlobals)
            EXPECT_FALSE(g.present()) << g.name << " still set after shutdown";
        EXPECT_EQ(app.m_Services.GetEntered(), 0u);
        if (c.removed) std::filesystem::rename(removed.string() + ".away", removed);
    }
}

TEST(InitError, EachCodeHasItsBoxText)
{
    EXPECT_STREQ(GetInitErrorText(0), "Unknown Error.");
    EXPECT_STREQ(GetInitErrorText(1), "Database not found. Check program path.");
    EXPECT_STREQ(GetInitErrorText(2), "Graphic initialization fail.");
    EXPECT_STREQ(GetInitErrorText(4), "Database damaged. Reinstall the game data.");
    // Any other code shows no box.
    EXPECT_EQ(GetInitErrorText(3), nullptr);
    EXPECT_EQ(GetInitErrorText(7), nullptr);
}

TEST(CommandLine, PairsChooseTheStartScriptTheModAndTheFreeCamera)
{
    const std::string longName(128, 'x');
    struct SCase
    {
        std::string line;
        int mode;
        const char* script;
        bool mod;
        std::string modName;
    } const cases[] = {
        {"", CMMApp::kModeMainMenu, "TARVOXII.src", false, ""},
        {"-g start.src", CMMApp::kModeNewGame, "start.src", false, ""},
        {"-G start.src", CMMApp::kModeNewGame, "start.src", false, ""},
        {"-m Islands", CMMApp::kModeNewGame, "TARVOXII.src", true, "Islands"},
        {"-M Islands -g start.src", CMMApp::kModeNewGame, "start.src", true, "Islands"},
        // Too long to take: the flag and the mode all the same.
        {"-m " + longName, CMMApp::kModeNewGame, "TARVOXII.src", true, ""},
        {"-g " + longName, CMMApp::kModeNewGame, "TARVOXII.src", false, ""},
        {"-freecamera 1 -x 2", CMMApp::kModeMainMenu, "TARVOXII.src", false, ""},
        // Three pairs at most.
        {"-a 1 -b 2 -c 3 -g late.src", CMMApp::kModeMainMenu, "TARVOXII.src", false, ""},
        {"-a 1 -b 2 -g third.src", CMMApp::kModeNewGame, "third.src", false, ""},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.line);
        CMMApp app;
        app.ParseCommandLine(c.line.c_str());
        EXPECT_EQ(app.m_nGameMode, c.mode);
        EXPECT_STREQ(app.m_szScriptFile, c.script);
        EXPECT_EQ(app.m_bMod != 0, c.mod);
        EXPECT_EQ(std::string(app.m_szModName), c.modName);
        EXPECT_EQ(app.m_bFreeCamera, 1);
    }
}

// The display parameters: the settings' form or the fallback one; a windowed
// device places the window at 0, 0 at 1024 x 768.
TEST(DisplayParams, NormalAndFallbackForms)
{
    testutil::CDataTree tree("display_params");
    g_Settings.ScreenWidth = 1280;
    g_Settings.ScreenHeight = 1024;
    g_Settings.ScreenBPS = 16;
    g_Settings.ScreenRefresh = 75;
    g_Settings.Interval = 2;
    g_Settings.Antializing = 4;
    g_Settings.Filtering = 3;
    g_Settings.Anosotropy = 8;
    g_Settings.ForceScreenShots = 1;
    struct SCase
    {
        bool fallback;
        int windowed;
        int width, height, bits;
        Format format;
        std::uint32_t refresh, intervalFlag, multiSample;
        int filter;
        std::uint32_t interval, lockable;
    } const cases[] = {
        {false, 0, 1280, 1024, 16, D3DFMT_R5G6B5, 75, 1, 4, 3, 2, 1},
        {true, 0, 800, 600, 32, D3DFMT_X8R8G8B8, 0, 0, 0, 1, 2, 0},
        {false, 1, 1280, 1024, 16, D3DFMT_R5G6B5, 75, 1, 4, 3, 2, 1},
        {true, 1, 800, 600, 32, D3DFMT_X8R8G8B8, 0, 0, 0, 1, 2, 0},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.fallback ? "fallback" : "normal") + (c.windowed ? " windowed" : ""));
        g_Settings.Windowed = std::uint8_t(c.windowed);
        CMMApp app;
        app.m_hWnd = gfxtest::HiddenWindow(300, 200);
        SDisplayParameters params;
        app.GetDisplayParams(params, false);
        if (c.fallback) app.GetDisplayParams(params, true);
        EXPECT_EQ(params.adapter, 0);
        EXPECT_EQ(params.width, c.width);
        EXPECT_EQ(params.height, c.height);
        EXPECT_EQ(params.bitsPerPixel, c.bits);
        EXPECT_EQ(params.format, c.format);
        EXPECT_EQ(params.refreshRate, c.refresh);
        EXPECT_EQ(params.intervalFlag, c.intervalFlag);
        EXPECT_EQ(params.windowed, std::uint32_t(c.windowed));
        EXPECT_EQ(params.multiSampleType, c.multiSample);
        EXPECT_EQ(params.filterMode, c.filter);
        EXPECT_EQ(params.maxAnisotropy, 8);
        EXPECT_EQ(params.presentationInterval, c.interval);
        EXPECT_EQ(params.lockableBackBuffer, c.lockable);
        plat::Rect window{};
        plat::GetWindowRect(app.m_hWnd, &window);
        // A windowed game's window takes the size the settings ask for; a
        // full-screen one leaves the window as it is.
        EXPECT_EQ(window.right - window.left, c.windowed ? c.width : 300);
        plat::DestroyWindow(app.m_hWnd);
        app.m_hWnd = nullptr;
    }
}

TEST(WaitingPicture, TheGeneratorPicksOneOfThirteen)
{
    // x = (x * 9301 + 49297) mod 233280, then (x >> 8) mod 13.
    for (const auto& [state, picture] : {std::pair{0u, 10}, std::pair{1u, 7}, std::pair{233279u, 0}})
    {
        CRandom random(state);
        EXPECT_EQ(CMMApp::ChooseWaitPicture(random), picture) << state;
    }
}

} // namespace
