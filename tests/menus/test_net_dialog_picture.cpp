// The network-game dialog drawn through the real Direct3D 8 layer
// offscreen (no sheet textures: the pictures cut from them are left out), showing the network settings: the
// dialog's ground over the cleared screen, its white frame lines, the shaded column at the chosen row, the
// texts of the title, the rows and the buttons. The frame is written as "net_dialog.png".
#include "ui/UITestKit.h"

#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TexShaderManager.h"
#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "menus/NetDialog.h"
#include "menus/MenuButton.h"
#include "menus/WidgetPictures.h"
#include "ui/markup/PictureButton.h"
#include "ui/markup/ScrollControl.h"
#include "ui/UI.h"

#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace
{
using namespace plat::d3d;

constexpr int kWidth = 640, kHeight = 480;
constexpr std::uint32_t kClear = 0xFF000000u;
constexpr plat::Rect kFrame{60, 20, 580, 460};

class NetDialogPicture : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(kWidth, kHeight));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
        m_small.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
        m_big.Init("DejaVu Sans", 14, 0, 0, 1, 1.0f, 0);
        g_pFontSmall = &m_small;
        g_pFontBig = &m_big;
        m_Graphic.Init(nullptr);
        InstallMenuPicturePainter();
        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
    }
    void TearDown() override
    {
        SetPicturePainter(nullptr);
        delete m_Screen.m_pMainGroup;
        m_Screen.m_pMainGroup = nullptr;
        m_Graphic.Done();
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
    std::vector<std::uint32_t> Draw()
    {
        graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear);
        graph.m_lpDevice->BeginScene();
        m_Screen.Render();
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer();
    }
    static std::uint32_t At(const std::vector<std::uint32_t>& px, int x, int y)
    {
        return px[std::size_t(y) * kWidth + std::size_t(x)] & 0xFFFFFF;
    }
    static int Brightness(std::uint32_t c)
    {
        return int(c >> 16 & 0xFF) + int(c >> 8 & 0xFF) + int(c & 0xFF);
    }
    // Pixels of rect brighter than the ground by a text's margin.
    static int Lit(const std::vector<std::uint32_t>& px, const plat::Rect& r, std::uint32_t ground)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += Brightness(At(px, x, y)) > Brightness(ground) + 90;
        return n;
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CFont m_small;
    CFont m_big;
    CGraphicInterface m_Graphic;
    uitest::CFakeInput m_Input;
    uitest::CFakeClock m_Clock;
    IUI m_Screen;
};

TEST_F(NetDialogPicture, TheNetworkSettingsShowInTheFramedDialog)
{
    auto* dialog = new CNetDialog(nullptr);
    m_Screen.SetMainGroup(dialog);
    dialog->Init(kFrame, &m_Screen);
    dialog->OnCommand(CNetDialog::kCmdAction, 0);
    ASSERT_EQ(dialog->GetMode(), CNetDialog::kModeNetOptions);

    const std::vector<std::uint32_t> px = Draw();
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "net_dialog.png";
    gfxtest::WritePng(picture.c_str(), px, kWidth, kHeight);
    std::printf("network dialog: %s\n", picture.c_str());

    // Outside the dialog the screen stays cleared; inside lies its ground.
    const int l = kFrame.left, t = kFrame.top, b = kFrame.bottom;
    EXPECT_EQ(At(px, 20, 240), 0u);
    const std::uint32_t ground = At(px, l + 300, b - 40);
    EXPECT_NE(ground, 0u);
    EXPECT_GT(ground & 0xFF, ground >> 16 & 0xFF) << "blue over red";
    // The frame's white left line below the side piece.
    EXPECT_EQ(At(px, l + 4, t + 200), 0xFFFFFFu);
    // The shaded column at the chosen first row is lighter than the row
    // beyond it.
    const CListRowButton* row = dialog->GetRow(0);
    ASSERT_NE(row, nullptr);
    const int y = row->m_Rect.bottom - 3;
    EXPECT_GT(Brightness(At(px, l + 190, y)), Brightness(At(px, l + 250, y)) + 30);
    // Texts: the title, the rows' names and values, the action button "Ok".
    EXPECT_GT(Lit(px, plat::Rect{l + 12, t + 12, l + 300, t + 44}, ground), 20) << "title";
    EXPECT_GT(Lit(px, row->m_Rect, ground), 20) << "first row";
    EXPECT_GT(Lit(px, dialog->GetRow(1)->m_Rect, ground), 20) << "second row";
    EXPECT_GT(Lit(px, dialog->GetButton(CNetDialog::kActionButton)->m_Rect, ground), 20) << "action button";
    // The scroll bar stands beside the list: nothing to scroll, no thumb.
    const plat::Rect& bar = dialog->GetScroll()->m_Rect;
    EXPECT_GE(bar.left, dialog->GetListRect().right);
    EXPECT_GE(bar.top, dialog->GetListRect().top);
    EXPECT_LE(bar.bottom, dialog->GetListRect().bottom);
    EXPECT_FALSE(dialog->GetScroll()->m_pThumb->m_bVisible);
}

} // namespace
