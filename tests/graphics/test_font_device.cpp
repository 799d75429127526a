// Fonts drawn through the device: a Cyrillic word leaves ink exactly where
// the font measured it, and the sample fonts ("small" and "big", made with
// the FreeType rasteriser, saved as .fdf/.dds and read back) draw their
// Latin and Cyrillic alphabets into "fonts_sample.png" next to the test
// program for a person to look at.

#include "graphics/Font.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "foundation/Settings.h"

#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
using namespace plat::d3d;

constexpr const char* kWord = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB"; // "Текстуры" in 1251

class FontDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(640, 160));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
    }
    void TearDown() override
    {
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    // Draws what draw() draws on black and reads the target back.
    template <class F>
    std::vector<std::uint32_t> Frame(F draw, std::uint32_t* w, std::uint32_t* h)
    {
        Device* d = graph.m_lpDevice;
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        draw();
        d->EndScene();
        CMesh::ResetCurrent();
        return gfxtest::ReadBackBuffer(w, h);
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    gfxtest::CTempDir m_dir{"fontdevice"};
};

TEST_F(FontDevice, CyrillicWordInksItsMeasuredBox)
{
    CFont font;
    font.Init("DejaVu Sans", 14, 0, 0, 1, 1.0f, 0);
    const int width = font.TextWidth(kWord), height = font.GetHeight(1.0f);
    std::uint32_t w = 0, h = 0;
    const auto pixels = Frame([&] { font.RenderText(20, 30, kWord, 0xFFFFFFFF); }, &w, &h);
    ASSERT_FALSE(pixels.empty());
    int inside = 0, outside = 0;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
        {
            if ((pixels[y * w + x] & 0xFFFFFF) == 0) continue;
            const bool in = int(x) >= 18 && int(x) < 20 + width + 2 && int(y) >= 28 && int(y) < 30 + height + 2;
            ++(in ? inside : outside);
        }
    EXPECT_GT(inside, width); // at least a stroke's worth per column
    EXPECT_EQ(outside, 0);
    // The colour reaches the ink: red text has no green.
    const auto red = Frame([&] { font.RenderText(20, 30, kWord, 0xFFFF0000); }, &w, &h);
    std::uint32_t strongest = 0;
    for (std::uint32_t c : red)
        if (((c >> 16) & 0xFF) > ((strongest >> 16) & 0xFF)) strongest = c;
    EXPECT_GT((strongest >> 16) & 0xFF, 0x80u);
    EXPECT_LT((strongest >> 8) & 0xFF, 0x20u);
}

TEST_F(FontDevice, SampleFontsDrawBothAlphabetsIntoAPicture)
{
    // The sample fonts as the sample data tool makes them, written below a
    // base directory and read back through the file form.
    // The base directory is fixed once per process; the fonts go below it
    // for the time of this test.
    std::string baseText = GetEngineBaseDirectory();
    for (char& c : baseText)
        if (c == '\\') c = '/';
    const std::filesystem::path base = baseText;
    const std::filesystem::path fonts = base / "data" / "fonts";
    const bool made = !std::filesystem::exists(base / "data");
    std::filesystem::create_directories(fonts);
    struct
    {
        const char* name;
        int points;
        int bold;
    } samples[] = {{"small", 10, 0}, {"big", 16, 1}};
    for (const auto& s : samples)
    {
        CFont font;
        font.Init("DejaVu Sans", s.points, s.bold, 0, 1, 1.0f, 0);
        ASSERT_TRUE(font.SaveFiles((fonts / s.name).c_str()));
    }
    std::string latin, cyrillic;
    for (int c = 'A'; c <= 'Z'; ++c) latin += char(c);
    latin += ' ';
    for (int c = 'a'; c <= 'z'; ++c) latin += char(c);
    latin += " 0123456789";
    for (int c = 0xC0; c <= 0xDF; ++c) cyrillic += char(c);
    cyrillic += ' ';
    for (int c = 0xE0; c <= 0xFF; ++c) cyrillic += char(c);

    CFont small, big, direct;
    small.Init("small");
    big.Init("big");
    direct.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
    ASSERT_NE(small.m_pTexture, nullptr);
    EXPECT_EQ(small.TextWidth(kWord), direct.TextWidth(kWord)); // both paths measure alike
    std::uint32_t w = 0, h = 0;
    const auto pixels = Frame(
        [&]
        {
            small.RenderText(4, 4, latin.c_str(), 0xFFFFFFFF);
            small.RenderText(4, 20, cyrillic.c_str(), 0xFFFFFFFF);
            big.RenderText(4, 44, latin.substr(0, 27).c_str(), 0xFFFFD040);
            big.RenderText(4, 68, latin.substr(27).c_str(), 0xFFFFD040);
            big.RenderText(4, 96, cyrillic.substr(0, 33).c_str(), 0xFF80C0FF);
            big.RenderText(4, 122, cyrillic.substr(33).c_str(), 0xFF80C0FF);
        },
        &w, &h);
    std::error_code ec;
    if (made) std::filesystem::remove_all(base / "data", ec);
    ASSERT_FALSE(pixels.empty());
    int ink = 0;
    for (std::uint32_t c : pixels) ink += (c & 0xFFFFFF) != 0;
    EXPECT_GT(ink, 2000);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "fonts_sample.png").c_str(), pixels, w, h);
}
} // namespace
