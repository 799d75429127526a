// A sample markup page drawn through the real Direct3D 8 layer offscreen: a
// white heading, Cyrillic text in colours, links, a big-font line and a
// picture from "Data\Images\" floating at the right. The read-back pixels
// are checked where the picture and the text go and outside the document,
// and the picture is written to "markup_sample.png" next to the test
// program for a person to look at. A second frame scrolls the picture half
// above the top edge: its lower half shows, in place. A model named by an
// image tag turns in its 200 x 150 place ("markup_model.png").

#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TexShaderManager.h"
#include "location/EffectRenderManager.h"
#include "ui/markup/HTMLObject.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "world/QuadModelFile.h"

#include "foundation/ImageWriters.h"
#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using namespace plat::d3d;

constexpr std::uint32_t kTop = 0xC02020;    // upper half of the picture
constexpr std::uint32_t kBottom = 0x2050C0; // lower half

// "Станция <color:yellow>Тарвокс<color> приветствует пилота." and so on, in
// code page 1251.
const char* const kPage =
    "<color:ffffff><font:1>\xD1\xF2\xE0\xED\xF6\xE8\xFF \xD2\xE0\xF0\xE2\xEE\xEA\xF1<font><color><br>"
    "<image:map.bmp>\xD1\xF2\xE0\xED\xF6\xE8\xFF <color:yellow>\xD2\xE0\xF0\xE2\xEE\xEA\xF1<color> "
    "\xEF\xF0\xE8\xE2\xE5\xF2\xF1\xF2\xE2\xF3\xE5\xF2 \xEF\xE8\xEB\xEE\xF2\xE0. "
    "\xCA\xE0\xF0\xF2\xE0 \xF1\xE5\xEA\xF2\xEE\xF0\xE0 \xF1\xEF\xF0\xE0\xE2\xE0.<br>"
    "<link:\xC7\xE0\xE4\xE0\xED\xE8\xE5=Q1> | <reference:\xD2\xEE\xF0\xE3\xEE\xE2\xEB\xFF=TRADE><p>"
    "<color:green>Cargo: ten crates of energy crystals for the northern base before sunset.<color><br>"
    "<halign=right><color:ff8040>\xCA\xEE\xED\xE5\xF6 \xF1\xE2\xFF\xE7\xE8</halign>"
    "line<br>line<br>line<br>line<br>line<br>line<br>line<br>line<br>line<br>line<br>line<br>line";

class MarkupDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(400, 300));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
        m_small.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
        m_big.Init("DejaVu Sans", 14, 1, 0, 1, 1.0f, 0);
        g_pFontSmall = &m_small;
        g_pFontBig = &m_big;
        m_graphic.Init(nullptr);
    }
    void TearDown() override
    {
        m_graphic.Done();
        g_pFontSmall = g_pFontBig = nullptr;
        m_small.Done();
        m_big.Done();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }

    // A 96 x 64 picture, red above and blue below, in <dir>/Data/Images.
    void WritePicture()
    {
        const auto images = m_dir.Path() / "Data" / "Images";
        std::filesystem::create_directories(images);
        std::vector<std::uint8_t> bgr(96 * 64 * 3);
        for (int row = 0; row < 64; ++row) // bottom row first
            for (int x = 0; x < 96; ++x)
            {
                const std::uint32_t rgb = row < 32 ? kBottom : kTop;
                std::uint8_t* p = &bgr[std::size_t(row * 96 + x) * 3];
                p[0] = std::uint8_t(rgb);
                p[1] = std::uint8_t(rgb >> 8);
                p[2] = std::uint8_t(rgb >> 16);
            }
        ASSERT_TRUE(SaveBitmapFile((images / "map.bmp").c_str(), 96, 64, bgr.data(), 3));
    }

    std::vector<std::uint32_t> Draw(CHTMLObject& doc, std::uint32_t background = 0xFF000000)
    {
        Device* d = graph.m_lpDevice;
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        graph.Clear(D3DCLEAR_TARGET, background);
        d->BeginScene();
        doc.Render();
        d->EndScene();
        CMesh::ResetCurrent();
        std::uint32_t w = 0, h = 0;
        auto pixels = gfxtest::ReadBackBuffer(&w, &h);
        EXPECT_EQ(w, 400u);
        EXPECT_EQ(h, 300u);
        return pixels;
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CFont m_small;
    CFont m_big;
    CGraphicInterface m_graphic;
    gfxtest::CTempDir m_dir{"markupdevice"};
};

bool Near(std::uint32_t got, std::uint32_t want)
{
    for (int s = 0; s <= 16; s += 8)
        if (std::abs(int((got >> s) & 0xFF) - int((want >> s) & 0xFF)) > 12) return false;
    return true;
}

TEST_F(MarkupDevice, SamplePageThroughTheDevice)
{
    WritePicture();
    CHTMLObject doc(20, 20, 380, 280, &m_graphic);
    doc.Images().m_sBaseDirectory = m_dir.Path().string() + "/";
    doc.SetGameTime(0.5); // between link flashes
    doc.SetColors(0x00DDEAF2, 0x008CEEFF, 0x008B8A9C, 0x00FFFFFF, 0x00C4635A, 0);
    doc.AddText(kPage, "PAGE", nullptr, true);

    // The picture floats at the right edge below the heading.
    const SHTMLElement* image = nullptr;
    for (int i = 0; i < doc.m_iStrNum; ++i)
        if (doc.m_Elements[std::size_t(i)].Type == SHTMLElement::kImage)
            image = &doc.m_Elements[std::size_t(i)];
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Left, 380 - 96);
    EXPECT_EQ(image->Right - image->Left, 96);
    EXPECT_EQ(image->Bottom - image->Top, 64);
    const SHTMLImage* cached = doc.GetImageData("map.bmp");
    ASSERT_NE(cached, nullptr);
    ASSERT_TRUE(cached->valid);

    auto pixels = Draw(doc);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "markup_sample.png").c_str(), pixels, 400, 300);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * 400 + std::size_t(x)] & 0xFFFFFF; };

    // The picture: red above, blue below.
    const int cx = (image->Left + image->Right) / 2;
    EXPECT_TRUE(Near(at(cx, image->Top + 10), kTop)) << std::hex << at(cx, image->Top + 10);
    EXPECT_TRUE(Near(at(cx, image->Bottom - 10), kBottom)) << std::hex << at(cx, image->Bottom - 10);
    // Text ink left of the picture on its first line, in the heading's
    // white above it; nothing outside the document.
    auto inkIn = [&](int l, int t, int r, int b, auto pred)
    {
        int n = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                n += pred(at(x, y));
        return n;
    };
    const SHTMLElement& heading = doc.m_Elements[0];
    EXPECT_GT(inkIn(heading.Left, heading.Top, heading.Right, heading.Bottom,
                    [](std::uint32_t c) { return (c & 0xFF) > 0xC0 && ((c >> 16) & 0xFF) > 0xC0; }),
              30);
    EXPECT_GT(inkIn(20, image->Top, image->Left - 4, image->Top + 16, [](std::uint32_t c) { return c != 0; }),
              40);
    EXPECT_EQ(inkIn(0, 0, 400, 18, [](std::uint32_t c) { return c != 0; }), 0);
    EXPECT_EQ(inkIn(0, 283, 400, 300, [](std::uint32_t c) { return c != 0; }), 0);
    EXPECT_EQ(inkIn(383, 0, 400, 300, [](std::uint32_t c) { return c != 0; }), 0);
    // The yellow word and the links in their colours.
    EXPECT_GT(inkIn(20, 20, 380, 280, [](std::uint32_t c) { return Near(c, 0xD2D360); }), 5);
    EXPECT_GT(inkIn(20, 20, 380, 280, [](std::uint32_t c) { return Near(c, 0xC4635A); }), 5);
    EXPECT_GT(inkIn(20, 20, 380, 280, [](std::uint32_t c) { return Near(c, 0x8CEEFF); }), 5);

    // Scrolled until the picture's middle is at the top edge: the top rows
    // of the document show its lower (blue) half, none of the red.
    const int shift = image->Top + 32 - 20;
    for (int i = 0; i < doc.m_iStrNum; ++i)
    {
        doc.m_Elements[std::size_t(i)].Top -= shift;
        doc.m_Elements[std::size_t(i)].Bottom -= shift;
    }
    pixels = Draw(doc);
    EXPECT_TRUE(Near(at(cx, 22), kBottom)) << std::hex << at(cx, 22);
    EXPECT_TRUE(Near(at(cx, 48), kBottom)) << std::hex << at(cx, 48);
    EXPECT_EQ(inkIn(image->Left + 4, 20, image->Right - 4, 52, [](std::uint32_t c) { return Near(c, kTop); }),
              0);
    EXPECT_FALSE(Near(at(cx, 54), kBottom));
}
// The effect renderer's first slot and a model list of one standing panel.
class MarkupModel : public MarkupDevice
{
protected:
    void SetUp() override
    {
        MarkupDevice::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.Path().c_str()));
        std::ofstream("panel.mdl", std::ios::binary) << worldtest::QuadModelFile(true);
        // "Модели"
        std::ofstream("db.ini") << "[\xCC\xEE\xE4\xE5\xEB\xE8]\nfilename=models.ini\n";
        std::ofstream("models.ini") << "[MOD_PANEL]\nFilename=panel.mdl\nRadius=1.5\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        m_models.Init("\xCC\xEE\xE4\xE5\xEB\xE8");
        g_EffectRenderManager.Init(1);
    }
    void TearDown() override
    {
        g_EffectRenderManager.Done();
        m_models.Done();
        m_models.Purge();
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        MarkupDevice::TearDown();
    }
    std::string m_previous;
};

TEST_F(MarkupModel, AModelInAnImageTagTurnsInItsPlace)
{
    ASSERT_NE(m_models.GetModelForce(0), nullptr);
    ASSERT_NE(g_EffectRenderManager.GetSlotTexture(0), nullptr);
    CHTMLObject doc(20, 20, 380, 280, &m_graphic);
    doc.SetGameTime(0.5);
    doc.AddText("<image:MOD_PANEL>A panel.", "PAGE", nullptr, true);
    const SHTMLElement* image = nullptr;
    for (int i = 0; i < doc.m_iStrNum; ++i)
        if (doc.m_Elements[std::size_t(i)].Type == SHTMLElement::kImage)
            image = &doc.m_Elements[std::size_t(i)];
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Right - image->Left, 200);
    ASSERT_EQ(image->Bottom - image->Top, 150);

    constexpr std::uint32_t kGrey = 0x606060;
    const auto pixels = Draw(doc, 0xFF000000 | kGrey);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "markup_model.png").c_str(), pixels, 400, 300);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * 400 + std::size_t(x)] & 0xFFFFFF; };
    auto level = [&](int x, int y) { return int((at(x, y) >> 8) & 0xFF); };
    const int cx = (image->Left + image->Right) / 2, cy = (image->Top + image->Bottom) / 2;
    // The panel in the middle, lit by the picture's lights; the picture's
    // half-clear black ground at its corners darkens the page to half; the
    // page beside the picture is untouched.
    EXPECT_GT(level(cx, cy), 0x50) << std::hex << at(cx, cy);
    EXPECT_NEAR(level(image->Left + 3, image->Bottom - 3), 0x30, 6)
        << std::hex << at(image->Left + 3, image->Bottom - 3);
    EXPECT_EQ(at(image->Left + 2, image->Bottom + 40), kGrey);
    int lit = 0;
    for (int y = image->Top; y < image->Bottom; ++y)
        for (int x = image->Left; x < image->Right; ++x)
            lit += level(x, y) > 0x50;
    // The panel fills a good part of the picture but not all of it.
    EXPECT_GT(lit, 200 * 150 / 8);
    EXPECT_LT(lit, 200 * 150 * 3 / 4);
}

} // namespace
