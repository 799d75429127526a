// The resource engine's start-up on a device: the order of its steps and
// stages, the texture quality it chooses, shutdown (twice), and the graphics
// interface drawing through what it created.

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ImageFile.h"
#include "graphics/LandTypes.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "graphics/VideoPlayer.h"
#include "platform/File.h"
#include "platform/Thread.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

TEST(ResourceEngineQuality, DeviceTextureLimitLowersTheQuality)
{
    struct
    {
        int width, quality, expected;
    } rows[] = {
        {256, 0, 2}, {256, 1, 2},   {511, 3, 2},  {512, 0, 1},  {512, 1, 1},
        {512, 2, 2}, {1023, -1, 1}, {1024, 0, 0}, {2048, 2, 2},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CResourceEngine::AdjustTextureQuality(r.width, r.quality), r.expected)
            << "width " << r.width << " quality " << r.quality;
}

TEST(ResourceEngineClasses, RegistersTheInterfaceAndThePlayer)
{
    RegisterEngineClasses();
    for (const char* id : {"IGUID_IGraphicInterface", "IGUID_IBinkPlayer"})
    {
        CGuidKey key;
        MakeGuidKey(&key, id);
        std::unique_ptr<IBaseInterface> object(CreateClassInstance(ResolveClassIndex(key)));
        ASSERT_NE(object, nullptr) << id;
        CGuidKey own = object->GetGUID();
        EXPECT_STREQ(own.name, id);
    }
}

// "Текстуры", "Модели", "Изображения" and "Поверхности" in code page 1251.
constexpr const char* kTextureSection = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB";
constexpr const char* kModelSection = "\xCC\xEE\xE4\xE5\xEB\xE8";
constexpr const char* kImageSection = "\xC8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF";
constexpr const char* kLandSection = "\xCF\xEE\xE2\xE5\xF0\xF5\xED\xEE\xF1\xF2\xE8";

class ResourceEngineDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        RegisterTextureFileReader();
        m_quality = g_Settings.TextureQuality;
        std::vector<std::uint32_t> px(32 * 32, 0xFF20C040u);
        ASSERT_TRUE(WriteImageFile("green.tm", MakeImageLevels(px, 32, 32), false, kImageFormatA8R8G8B8));
        std::ofstream("db.ini") << "[" << kTextureSection << "]\nfilename=tex.ini\n"
                                << "[" << kModelSection << "]\nfilename=empty.ini\n"
                                << "[" << kImageSection << "]\nfilename=empty.ini\n"
                                << "[" << kLandSection << "]\nfilename=land.ini\n";
        std::ofstream("empty.ini") << "\n";
        std::ofstream("tex.ini")
            << "[TEX_SAMPLECOLOR]\nFilename=green.tm\nType=0\nColor=0\nLOD=0\nTEXTURETYPE=2\n";
        std::ofstream("land.ini") << "[LAND_GRASS]\nName=grass\nGID=1\nTexture=TEX_SAMPLECOLOR\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        std::string base = GetEngineBaseDirectory();
        for (char& c : base)
            if (c == '\\') c = '/';
        m_fonts = std::filesystem::path(base) / "data" / "fonts";
        m_madeData = !std::filesystem::exists(std::filesystem::path(base) / "data");
        std::filesystem::create_directories(m_fonts);
    }
    void TearDown() override
    {
        g_ResourceEngine.GlobalDone();
        CMesh::ResetCurrent();
        g_Settings.TextureQuality = m_quality;
        g_ErrorLog.ResetTrace();
        std::error_code ec;
        for (const char* name : {"small", "big"})
            for (const char* ext : {".fdf", ".dds"})
                std::filesystem::remove(m_fonts / (std::string(name) + ext), ec);
        if (m_madeData) std::filesystem::remove_all(m_fonts.parent_path(), ec);
        CGraphicDeviceTest::TearDown();
    }
    void WriteFont(const char* name, int points)
    {
        CFont font;
        font.Init("DejaVu Sans", points, 0, 0, 1, 1.0f, 0);
        ASSERT_TRUE(font.SaveFiles((m_fonts / name).c_str()));
    }
    // GlobalInit on a loader thread as at start-up; false when it threw.
    bool InitOnLoaderThread()
    {
        static bool s_ok;
        s_ok = true;
        plat::Handle thread = plat::CreateThread(
            [](void*) -> std::uint32_t
            {
                try
                {
                    g_ResourceEngine.GlobalInit(false);
                }
                catch (...)
                {
                    s_ok = false;
                }
                return 0;
            },
            nullptr, nullptr);
        EXPECT_NE(thread, nullptr);
        plat::WaitForSingleObject(thread, plat::INFINITE);
        plat::CloseHandle(thread);
        return s_ok;
    }
    std::string Trace() const
    {
        char text[CErrorLog::kTraceSize] = {};
        g_ErrorLog.GetTrace(text, sizeof text);
        return text;
    }

    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_dir = Tree();
    std::filesystem::path m_fonts;
    bool m_madeData = false;
    std::int32_t m_quality = 0;
};

TEST_F(ResourceEngineDevice, StartsInOrderAndStopsTwice)
{
    WriteFont("small", 10);
    WriteFont("big", 16);
    g_ResourceEngine.PreInit();
    // The loading screen's managers exist before the loader thread starts.
    ASSERT_NE(g_pTextureManager, nullptr);
    ASSERT_NE(g_pTexShaderManager, nullptr);
    ASSERT_NE(g_pSurfaceManager, nullptr);
    ASSERT_NE(g_pModelManager, nullptr);
    EXPECT_EQ(g_pSurfaceManager->m_pWork[0], g_pTextureManager->GetWorkTexture(0));
    EXPECT_EQ(g_pLandTypeManager, nullptr);
    EXPECT_EQ(g_pFontSmall, nullptr);

    // A device that takes 256-pixel textures at most: quality 2 before any
    // texture loads.
    graph.m_nMaxTextureWidth = 256;
    g_Settings.TextureQuality = 0;
    ASSERT_TRUE(InitOnLoaderThread()) << Trace();
    EXPECT_EQ(g_Settings.TextureQuality, 2);
    EXPECT_EQ(g_ResourceEngine.GetStage(), CResourceEngine::kStageDone);
    EXPECT_EQ(g_pTextureManager->GetRecordCount(), 1);
    ASSERT_NE(g_pLandTypeManager, nullptr);
    ASSERT_EQ(g_pLandTypeManager->m_Types.size(), 1u);
    // Land types come after the textures they name.
    EXPECT_EQ(g_pLandTypeManager->m_Types[0].texture, 0);
    ASSERT_NE(g_pFontSmall, nullptr);
    ASSERT_NE(g_pFontBig, nullptr);
    EXPECT_LT(g_pFontSmall->GetHeight(1.0f), g_pFontBig->GetHeight(1.0f));
    EXPECT_FLOAT_EQ(g_DefaultMaterial.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(g_DefaultMaterial.Specular.r, 0.0f);
    EXPECT_FLOAT_EQ(g_DefaultMaterial.Power, 15.0f);

    g_ResourceEngine.GlobalRun(0.25f);
    g_ResourceEngine.GlobalRun(0.5f);
    EXPECT_DOUBLE_EQ(g_ResourceEngine.GetEngineTime(), 0.75);
    EXPECT_FLOAT_EQ(g_fEngineTime, 0.75f);

    g_ResourceEngine.GlobalDone();
    for (const void* global :
         {static_cast<const void*>(g_pTextureManager), static_cast<const void*>(g_pTexShaderManager),
          static_cast<const void*>(g_pModelManager), static_cast<const void*>(g_pSurfaceManager),
          static_cast<const void*>(g_pLandTypeManager), static_cast<const void*>(g_pFontSmall),
          static_cast<const void*>(g_pFontBig)})
        EXPECT_EQ(global, nullptr);
    g_ResourceEngine.GlobalDone();
    EXPECT_EQ(g_pTextureManager, nullptr);
}

// The texture statistics count the textures other owners make: the
// technique manager's ramp and the font pages, besides the work textures.
TEST_F(ResourceEngineDevice, TheRampTextureAndTheFontPagesAreCounted)
{
    WriteFont("small", 10);
    WriteFont("big", 16);
    g_ResourceEngine.PreInit();
    EXPECT_EQ(g_pTextureManager->GetTextureCount(), 3); // two work textures and the ramp
    ASSERT_TRUE(InitOnLoaderThread()) << Trace();
    const std::int32_t count = g_pTextureManager->GetTextureCount();
    const std::uint32_t bytes = g_pTextureManager->GetTextureBytes();
    EXPECT_GE(count, 5); // and the two font pages (and what the land types loaded)

    g_pFontSmall->Done();
    EXPECT_EQ(g_pTextureManager->GetTextureCount(), count - 1);
    const std::uint32_t page = bytes - g_pTextureManager->GetTextureBytes();
    EXPECT_GT(page, 0u);
    g_pTexShaderManager->Purge();
    EXPECT_EQ(g_pTextureManager->GetTextureCount(), count - 2);
    EXPECT_EQ(bytes - page - g_pTextureManager->GetTextureBytes(),
              CTexture::EstimateMemory(256, 1, 1, plat::d3d::D3DFMT_A8R8G8B8));
    g_pFontSmall->Done(); // a second Done counts nothing off
    EXPECT_EQ(g_pTextureManager->GetTextureCount(), count - 2);
}

TEST_F(ResourceEngineDevice, FailedStepStopsAtItsStageWithItsTrace)
{
    // The fonts come last, small before big: each missing one stops the
    // start-up at the stage before it, with the step and the function in
    // the trace, and nothing after it is created.
    struct
    {
        bool small, big;
        std::int32_t stage;
    } rows[] = {
        {false, true, CResourceEngine::kStageImages},
        {true, false, CResourceEngine::kStageSmallFont},
    };
    for (const auto& r : rows)
    {
        SCOPED_TRACE(r.stage);
        std::error_code ec;
        std::filesystem::remove(m_fonts / "small.fdf", ec);
        std::filesystem::remove(m_fonts / "big.fdf", ec);
        if (r.small) WriteFont("small", 10);
        if (r.big) WriteFont("big", 16);
        g_ErrorLog.ResetTrace();
        // With create, GlobalInit makes the managers PreInit would.
        EXPECT_ANY_THROW(g_ResourceEngine.GlobalInit(true));
        EXPECT_EQ(g_ResourceEngine.GetStage(), r.stage);
        const std::string trace = Trace();
        const std::size_t step = trace.find("Init Font"),
                          function = trace.find("CResourceEngine::GlobalInit");
        EXPECT_NE(step, std::string::npos) << trace;
        EXPECT_NE(function, std::string::npos) << trace;
        EXPECT_LT(step, function) << trace;
        EXPECT_NE(g_pTextureManager, nullptr);
        EXPECT_NE(g_pLandTypeManager, nullptr);
        EXPECT_EQ(g_ResourceEngine.GetStage() >= CResourceEngine::kStageSmallFont, g_pFontBig != nullptr);
        g_ResourceEngine.GlobalDone();
    }
}

TEST_F(ResourceEngineDevice, GraphicInterfaceDrawsThroughTheEngine)
{
    WriteFont("small", 10);
    WriteFont("big", 16);
    g_ResourceEngine.PreInit();
    ASSERT_TRUE(InitOnLoaderThread()) << Trace();
    CGraphicInterface gi;
    gi.Init(nullptr);
    ASSERT_NE(gi.m_pQuad, nullptr);
    EXPECT_EQ(gi.m_pFont, g_pFontSmall);
    gi.SelectFont(1);
    EXPECT_EQ(gi.m_pFont, g_pFontBig);
    EXPECT_GT(gi.TextWidth("Tarvox"), 0);
    EXPECT_EQ(gi.GetScreenSize().x, graph.m_nScreenWidth);

    // A filled rectangle reaches the back buffer in its colour.
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000);
    const int all[4] = {0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight};
    gi.FillRect(all, 0xFFFF0000);
    std::uint32_t width = 0;
    const std::vector<std::uint32_t> pixels = gfxtest::ReadBackBuffer(&width);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(pixels[pixels.size() / 2 + width / 2] & 0xFFFFFF, 0xFF0000u);

    // Technique -1 draws as 19; the key keeps the id it was resolved to.
    ASSERT_NE(g_pTextureManager->GetTextureForce(0), nullptr);
    CGuidKey key;
    MakeGuidKey(&key, "TEX_SAMPLECOLOR");
    const int screen[4] = {0, 0, 16, 16}, texture[4] = {0, 0, 32, 32};
    EXPECT_NE(gi.DrawTexture(key, screen, texture, -1), nullptr);
    EXPECT_EQ(key.id, 0);
    EXPECT_EQ(g_pTexShaderManager->m_iCurrent, 19);
    EXPECT_NE(gi.DrawTexture(key, screen, texture, 11), nullptr);
    EXPECT_EQ(g_pTexShaderManager->m_iCurrent, 11);
    // An unknown name draws nothing.
    CGuidKey missing;
    MakeGuidKey(&missing, "TEX_NOT_THERE");
    EXPECT_EQ(gi.DrawTexture(missing, screen, texture, -1), nullptr);
    EXPECT_EQ(missing.id, -1);
    EXPECT_EQ(g_pTexShaderManager->m_iCurrent, 11);

    // Fades are white with the level as alpha.
    for (const auto& [level, factor] :
         {std::pair{1.0f, 0xFFFFFFFFu}, std::pair{0.0f, 0x00FFFFFFu}, std::pair{0.5f, 0x7FFFFFFFu}})
    {
        gi.SetFade(level);
        std::uint32_t value = 0;
        graph.m_lpDevice->GetRenderState(plat::d3d::D3DRS_TEXTUREFACTOR, &value);
        EXPECT_EQ(value, factor) << level;
    }
    gi.Done();
    EXPECT_EQ(gi.m_pQuad, nullptr);
}

} // namespace
