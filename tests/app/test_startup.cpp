// The application's start-up, device loss and shutdown over the sample data
// tree, headless: every service's global is set after start-up and cleared
// after shutdown, and a frame with a model, a text and a 2-D image looks the
// same after the device was lost and reset.

#include "app/MinimalApplication.h"
#include "foundation/FileManager.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "graphics/ComplexObject.h"
#include "graphics/Font.h"
#include "graphics/LandTypes.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "tools/mksample/SampleTree.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
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
    {"graph.m_lpDevice", [] { return graph.m_lpDevice != nullptr; }},
    {"g_pInput", [] { return g_pInput != nullptr; }},
    {"g_pTextureManager", [] { return g_pTextureManager != nullptr; }},
    {"g_pTexShaderManager", [] { return g_pTexShaderManager != nullptr; }},
    {"g_pModelManager", [] { return g_pModelManager != nullptr; }},
    {"g_pSurfaceManager", [] { return g_pSurfaceManager != nullptr; }},
    {"g_pLandTypeManager", [] { return g_pLandTypeManager != nullptr; }},
    {"g_pFontSmall", [] { return g_pFontSmall != nullptr; }},
    {"g_pFontBig", [] { return g_pFontBig != nullptr; }},
    {"g_pMusicManager", [] { return g_pMusicManager != nullptr; }},
    {"g_pSoundManager", [] { return g_pSoundManager != nullptr; }},
};

class Application : public apptest::CSampleAppTest
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
                ASSERT_NE(g_pTextureManager->GetTextureForce(g_pTextureManager->FindName("TEX_BOX")), nullptr);
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
};

TEST_F(Application, StartsLosesTheDeviceOnceAndShutsDown)
{
    std::string commandLine;
    {
        CMinimalApplication app;
        ASSERT_TRUE(app.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "startup test"))
            << Tree().ErrorLog();
        EXPECT_EQ(app.m_Services.GetEntered(), app.m_Services.GetCount());
        for (const SGlobal& g : kGlobals)
            EXPECT_TRUE(g.present()) << g.name << " not set after start-up";
        EXPECT_EQ(g_ResourceEngine.GetStage(), CResourceEngine::kStageDone);
        EXPECT_EQ(app.m_bReady, 1);

        const auto before = Pictures();
        for (const auto& picture : before)
        {
            // Each picture drew something on the black frame.
            std::size_t lit = 0;
            for (std::uint32_t px : picture)
                lit += (px & 0x00FFFFFF) != 0;
            EXPECT_GT(lit, 20u);
        }

        // Every default-pool object must be gone for the reset to succeed.
        graph.m_lpDevice->SimulateDeviceLoss(true);
        EXPECT_TRUE(app.CheckDeviceLost());
        EXPECT_EQ(app.m_nQuit, 0u);
        EXPECT_EQ(graph.TestCooperativeLevel(), D3D_OK);
        EXPECT_NE(graph.m_lpBackBuffer, nullptr);
        EXPECT_NE(graph.m_lpDepthBuffer, nullptr);

        const auto after = Pictures();
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_TRUE(after[i] == before[i]) << "picture " << i << " changed across the reset";
        // A frame of the application itself after the reset: one engine
        // frame, whose clock is the frame timer's.
        const double engineTime = g_ResourceEngine.GetEngineTime();
        const std::uint32_t frames = g_FrameTimer.GetFrames();
        app.Main();
        EXPECT_EQ(g_FrameTimer.GetFrames(), frames + 1);
        EXPECT_DOUBLE_EQ(g_ResourceEngine.GetEngineTime(), engineTime + g_FrameTimer.GetFrameTime());

        app.Done();
        for (const SGlobal& g : kGlobals)
            EXPECT_FALSE(g.present()) << g.name << " still set after shutdown";
        EXPECT_EQ(app.m_Services.GetEntered(), 0u);
        // Twice is harmless.
        app.Done();
    }
    EXPECT_EQ(Tree().ErrorLog(), "");
}

} // namespace
