// Texture manager: the quality table and the format choice; a texture list
// and TM files written here, loaded through the manager on a device.

#include "graphics/TextureManager.h"

#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/ImageFile.h"
#include "graphics/TextureFile.h"
#include "platform/File.h"
#include "platform/Thread.h"
#include "platform/d3d8/D3D8.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace
{
TEST(TextureManagerQuality, TableOfTypeAndQuality)
{
    struct
    {
        int type, quality, bits, drop;
    } cases[] = {{0, 0, 32, 0}, {0, 1, 16, 0}, {0, 2, 32, 1}, {0, 3, 16, 1}, {0, 4, 16, 2},  {0, 7, 32, 0},
                 {1, 2, 16, 0}, {1, 4, 16, 1}, {3, 0, 16, 0}, {3, 4, 16, 2}, {3, -1, 32, 0}, {9, 4, 32, 0}};
    for (const auto& c : cases)
    {
        int bits = 0, drop = -1;
        TextureManager::ChooseQuality(c.type, c.quality, &bits, &drop);
        EXPECT_EQ(bits, c.bits) << c.type << "/" << c.quality;
        EXPECT_EQ(drop, c.drop) << c.type << "/" << c.quality;
    }
    // TEXTURETYPE 2 loads at 32 bits with nothing dropped at every quality.
    for (int q = -1; q < 8; ++q)
    {
        int bits = 0, drop = -1;
        TextureManager::ChooseQuality(2, q, &bits, &drop);
        EXPECT_EQ(bits, 32);
        EXPECT_EQ(drop, 0);
    }
}

TEST(TextureManagerFormats, SixteenBitsNeverPickAThirtyTwoBitFormat)
{
    const auto all = [](plat::d3d::Format) { return true; };
    const STextureFormats f16 = TextureManager::ChooseFormats(16, true, all);
    EXPECT_EQ(f16.rgb, 23u);
    EXPECT_EQ(f16.rgba, 26u);
    EXPECT_EQ(f16.rgba1, 25u);
    EXPECT_EQ(f16.bump, 60u);
    EXPECT_TRUE(f16.compression);
    const STextureFormats f32 = TextureManager::ChooseFormats(32, true, all);
    EXPECT_EQ(f32.rgb, 20u);
    EXPECT_EQ(f32.rgba, 21u);
    const std::set<plat::d3d::Format> some = {22, 23, 25};
    const STextureFormats few =
        TextureManager::ChooseFormats(32, true, [&](plat::d3d::Format f) { return some.count(f) != 0; });
    EXPECT_EQ(few.rgb, 22u);
    EXPECT_EQ(few.rgba, 0u);
    EXPECT_EQ(few.rgba1, 25u);
    EXPECT_EQ(few.bump, 0u);
    EXPECT_FALSE(few.compression);
}

// "Текстуры" in code page 1251.
constexpr const char* kTextureSection = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB";
constexpr std::uint32_t kSide = 32; // above 16: the 16-bit rule applies

struct STexRow
{
    const char* name;
    const char* file;
    int textureType;
};

// A device, a temporary working directory holding the TM files and an INI
// texture list, and the manager over it.
class TextureManagerList : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        RegisterTextureFileReader();
        m_quality = g_Settings.TextureQuality;
        m_compression = g_Settings.TextureCompression;
        g_Settings.TextureQuality = 0;
        g_Settings.TextureCompression = 0;
        // Half opaque green, half fully transparent.
        std::vector<std::uint32_t> px(kSide * kSide);
        for (std::uint32_t i = 0; i < px.size(); ++i)
            px[i] = (i % 2) ? 0xFF00FF00u : 0x00000000u;
        ASSERT_TRUE(
            WriteImageFile("green.tm", MakeImageLevels(px, kSide, kSide), false, kImageFormatA8R8G8B8));
        std::fill(px.begin(), px.end(), 0x00FFFFFFu);
        ASSERT_TRUE(
            WriteImageFile("clear.tm", MakeImageLevels(px, kSide, kSide), false, kImageFormatA8R8G8B8));
        std::ofstream("bad.tm", std::ios::binary) << "not an image file at all";
    }
    void TearDown() override
    {
        m_manager.reset();
        g_Settings.TextureQuality = m_quality;
        g_Settings.TextureCompression = m_compression;
        CGraphicDeviceTest::TearDown();
    }
    void Open(const std::vector<STexRow>& rows)
    {
        std::ofstream("db.ini") << "[" << kTextureSection << "]\nfilename=tex.ini\n";
        std::ofstream list("tex.ini");
        for (const STexRow& r : rows)
            list << "[" << r.name << "]\nFilename=" << r.file
                 << "\nType=0\nColor=0\nLOD=0\nTEXTURETYPE=" << r.textureType << "\n";
        list.close();
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        m_manager = std::make_unique<TextureManager>();
        m_manager->Init(kTextureSection);
        ASSERT_EQ(m_manager->GetRecordCount(), std::int32_t(rows.size()));
    }
    std::int32_t Id(const char* name) { return m_manager->FindName(name); }
    static plat::d3d::Format FormatOf(CTexture* t)
    {
        plat::d3d::SSurfaceDesc desc{};
        if (!t || !t->m_lpTexture || plat::Failed(t->m_lpTexture->GetLevelDesc(0, &desc))) return 0;
        return desc.Format;
    }
    std::size_t ErrorLines(const std::string& text)
    {
        const std::string log = m_dir.ErrorLog();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }

    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_dir = Tree();
    std::int32_t m_quality = 0;
    std::uint8_t m_compression = 0;
    std::unique_ptr<TextureManager> m_manager;
};

TEST_F(TextureManagerList, FailedTextureFallsBackToTheDefault)
{
    Open({{"TEX_GREEN", "green.tm", 2},
          {"TEX_BAD", "bad.tm", 2},
          {"TEX_MISSING", "missing.tm", 2},
          {"TEX_SAMPLECOLOR", "green.tm", 2}});
    EXPECT_EQ(m_manager->GetDefaultTexture(), 3);
    EXPECT_EQ(m_manager->GetTexture(-1), nullptr);
    EXPECT_EQ(m_manager->GetTextureForce(-1), nullptr);
    CTexture* fallback = m_manager->GetTextureForce(Id("TEX_SAMPLECOLOR"));
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(m_manager->GetTextureForce(Id("TEX_BAD")), fallback);
    EXPECT_EQ(m_manager->GetTextureForce(Id("TEX_MISSING")), fallback);
    // Once failed, the asynchronous call hands out the default as well.
    EXPECT_EQ(m_manager->GetTexture(Id("TEX_BAD")), fallback);
    EXPECT_EQ(ErrorLines("TextureManager::GetTexture error loading texture 'bad.tm'"), 1u);
    EXPECT_EQ(ErrorLines("TextureManager::GetTexture error loading texture 'missing.tm'"), 1u);
    // One texture loaded: 32 x 32 x 4 bytes and its levels.
    EXPECT_EQ(m_manager->GetTextureCount(), 1);
    EXPECT_GE(m_manager->GetTextureBytes(), kSide * kSide * 4u);
    char text[200];
    m_manager->GetMemoryStatsText(text, sizeof text);
    EXPECT_EQ(std::string(text).find("TextureMemory: "), 0u);
    EXPECT_NE(std::string(text).find("UsedTexture= 1/"), std::string::npos);
}

TEST_F(TextureManagerList, WithoutDefaultOrWithABrokenOneAFailedTextureIsNull)
{
    // No "TEX_SAMPLECOLOR" record.
    Open({{"TEX_BAD", "bad.tm", 2}});
    EXPECT_EQ(m_manager->GetDefaultTexture(), -1);
    EXPECT_EQ(m_manager->GetTextureForce(0), nullptr);
    EXPECT_EQ(m_manager->GetTexture(0), nullptr);
    m_manager.reset();
    g_ResourceDB.Done();

    // The default itself fails: it is tried once, never again.
    Open({{"TEX_BAD", "bad.tm", 2}, {"TEX_SAMPLECOLOR", "missing_default.tm", 2}});
    EXPECT_EQ(m_manager->GetTextureForce(0), nullptr);
    for (int frame = 0; frame < 20; ++frame)
    {
        EXPECT_EQ(m_manager->GetTexture(0), nullptr);
        EXPECT_EQ(m_manager->GetTexture(1), nullptr);
        EXPECT_EQ(m_manager->GetTextureForce(0), nullptr);
        plat::Sleep(1);
    }
    EXPECT_EQ(ErrorLines("'missing_default.tm'"), 1u);
}

TEST_F(TextureManagerList, SixteenBitTexturesAndAverageColour)
{
    // TEXTURETYPE 3 at quality 0 loads at 16 bits, type 2 at 32.
    Open({{"TEX_32", "green.tm", 2}, {"TEX_16", "green.tm", 3}, {"TEX_CLEAR", "clear.tm", 2}});
    CTexture* t32 = m_manager->GetTextureForce(Id("TEX_32"));
    CTexture* t16 = m_manager->GetTextureForce(Id("TEX_16"));
    ASSERT_NE(t32, nullptr);
    ASSERT_NE(t16, nullptr);
    EXPECT_EQ(FormatOf(t32), plat::d3d::Format(21));
    EXPECT_EQ(FormatOf(t16), plat::d3d::Format(26));
    EXPECT_LT(t16->m_nMemory, t32->m_nMemory);

    const auto channels = [](std::uint32_t c) {
        return std::vector<int>{int(c >> 24), int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)};
    };
    const auto near = [&](std::uint32_t got, std::vector<int> want)
    {
        const std::vector<int> g = channels(got);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(g[std::size_t(i)], want[std::size_t(i)], 1) << std::hex << got;
    };
    // Alpha is the mean over all pixels, colours are weighted by alpha.
    near(m_manager->GetAverageColor(t32), {127, 0, 255, 0});
    // The 16-bit copy holds nibbles: 15 x 16 = 240.
    near(m_manager->GetAverageColor(t16), {120, 0, 240, 0});
    EXPECT_EQ(m_manager->GetAverageColor(m_manager->GetTextureForce(Id("TEX_CLEAR"))), 0u);
    g_Settings.TextureCompression = 1;
    EXPECT_EQ(m_manager->GetAverageColor(t32), 0u);
    g_Settings.TextureCompression = 0;

    // The bitmap: 256 x 256, bottom-up.
    const std::vector<std::uint32_t> bitmap = m_manager->CreateBitmap(Id("TEX_32"));
    ASSERT_EQ(bitmap.size(), 256u * 256u);
    EXPECT_TRUE(m_manager->CreateBitmap(-1).empty());
}
} // namespace
