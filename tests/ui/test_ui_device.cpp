// A small screen drawn through the real Direct3D 8 layer offscreen: a
// window with a push button, an edit field holding Cyrillic text and a
// slider. The read-back pixels are checked where each control paints, and
// the picture is written to "ui_sample.png" next to the test program for a
// person to look at.

#include "UITestKit.h"

#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TexShaderManager.h"
#include "ui/Controls.h"
#include "ui/Window.h"

#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

namespace
{
using namespace plat::d3d;

constexpr const char* kTitle = "\xCE\xEA\xED\xEE";                           // "Окно"
constexpr const char* kButton = "\xCA\xED\xEE\xEF\xEA\xE0";                  // "Кнопка"
constexpr const char* kGreeting = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"; // "Привет, мир!"
constexpr std::uint32_t kWindowColour = 0xFFB0C4DE;
constexpr std::uint32_t kThumbColour = 0xFF2060C0;

// The option screens' sliders draw their track and thumb; this one does it
// plainly.
class CDrawnTrackBar : public CTrackBar
{
public:
    void Render() override
    {
        CTrackBar::Render();
        Fill(m_Track, 0xFF404040);
        Fill(m_Thumb, kThumbColour);
    }
};

class UIDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(320, 240));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
        m_font.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
        g_pFontSmall = &m_font;
        m_graphic.Init(nullptr);
    }
    void TearDown() override
    {
        m_graphic.Done();
        g_pFontSmall = nullptr;
        m_font.Done();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CFont m_font;
    CGraphicInterface m_graphic;
    gfxtest::CTempDir m_dir{"uidevice"};
};

TEST_F(UIDevice, SampleScreenPaintsEachControl)
{
    uitest::CFakeInput input;
    IUI screen;
    screen.Init(&m_graphic, &input);
    auto* main = new CGroupControl();
    main->Init(plat::Rect{0, 0, 320, 240}, &screen);
    screen.SetMainGroup(main);

    CWindow window;
    window.Create(10, 10, 310, 230, kTitle, &screen);
    window.m_WindowColour = kWindowColour;
    main->AddControl(&window);
    CButton button;
    button.Create(10, 10, 110, 34, kButton, CButton::kPush, uicode::kOK);
    window.AddControl(&button);
    CEdit edit;
    edit.Create(10, 50, 240, 70, kGreeting);
    window.AddControl(&edit);
    CDrawnTrackBar slider;
    slider.Create(10, 90, 227, 110, 0, 100, 10);
    window.AddControl(&slider);
    slider.SetPos(6);

    // The cursor rests away from every control.
    input.m_Cursor = plat::Point{300, 220};
    screen.ProcessMessages();

    Device* d = graph.m_lpDevice;
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    screen.Render();
    d->EndScene();
    CMesh::ResetCurrent();
    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(w, 320u);
    ASSERT_EQ(h, 240u);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "ui_sample.png").c_str(), pixels, w, h);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * w + std::size_t(x)] & 0xFFFFFF; };

    // The window: title bar white, close box red, client area in its colour
    // inside a grey frame, and black outside.
    const plat::Rect& title = window.m_TitleBar;
    EXPECT_EQ(at(title.right - 40, title.top + 3), 0xFFFFFFu);
    EXPECT_EQ(at(window.m_CloseBox.left + 8, window.m_CloseBox.top + 8), 0xFF0000u);
    EXPECT_EQ(at(window.m_Rect.right - 20, window.m_Rect.bottom - 20), kWindowColour & 0xFFFFFF);
    EXPECT_EQ(at(window.m_Rect.left, window.m_Rect.bottom - 20), CControl::kGrey & 0xFFFFFF);
    EXPECT_EQ(at(5, 5), 0u);

    // The button: black frame, light-grey face, its caption in black ink
    // around the centre.
    const plat::Rect& b = button.m_Rect;
    EXPECT_EQ(b.left, 20);
    EXPECT_EQ(at(b.left, (b.top + b.bottom) / 2), 0u);
    EXPECT_EQ(at(b.left + 3, b.top + 3), CControl::kLightGrey & 0xFFFFFF);
    // The edit field: white inside, with dark ink only where its text goes.
    const plat::Rect& e = edit.m_Rect;
    EXPECT_EQ(at(e.left + 3, e.bottom - 3), 0xFFFFFFu);
    const int textWidth = m_font.TextWidth(kGreeting);
    ASSERT_GT(textWidth, 40); // every Cyrillic letter has a glyph
    auto darkIn = [&](const plat::Rect& r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += ((at(x, y) >> 8) & 0xFF) < 0x60;
        return n;
    };
    const int textInk = darkIn(plat::Rect{e.left + 1, e.top + 1, e.left + 2 + textWidth + 1, e.bottom - 1});
    const int afterText =
        darkIn(plat::Rect{e.left + 2 + textWidth + 2, e.top + 1, e.right - 12, e.bottom - 1});
    EXPECT_GT(textInk, textWidth); // at least a stroke's worth per column
    EXPECT_EQ(afterText, 0);
    const int captionInk = darkIn(plat::Rect{b.left + 2, b.top + 2, b.right - 2, b.bottom - 2});
    EXPECT_GT(captionInk, 20);
    // The slider's thumb at position 6 of 11.
    const plat::Rect& t = slider.m_Thumb;
    EXPECT_EQ(at((t.left + t.right) / 2, t.top + 2), kThumbColour & 0xFFFFFF);
    EXPECT_EQ(at(slider.m_Track.left + 2, slider.m_Track.top), 0x404040u);
}
} // namespace
