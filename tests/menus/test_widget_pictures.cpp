// The goods grid of the sample's goods, its laser and its glider (more
// than it shows, so that it scrolls), with two filter tabs above it and a
// count selector beside it, drawn over the sample tree through the real
// Direct3D 8 layer offscreen: each cell's model is in its cell, the
// selected one turns from frame to frame while the others rest, the count
// and the selection corners show, the selector's field frames its value,
// and the buttons show their pictures from the sample sheets. The frame is
// written as "goods_grid.png".

#include "ui/UITestKit.h"

#include "common/SampleTree.h"

#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/Font.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "menus/ControlList.h"
#include "menus/CountSelector.h"
#include "menus/MenuButton.h"
#include "menus/UIRenderObject.h"
#include "ui/UI.h"
#include "units/GunManager.h"
#include "units/UnitTypes.h"
#include "world/KindManagers.h"
#include "world/TypeManagers.h"

#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace
{
using namespace plat::d3d;

constexpr int kWidth = 512, kHeight = 160;
constexpr std::uint32_t kClear = 0xFF203040u;

class GoodsGridPicture : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::WriteSampleTreeCopy(Tree().Path().string()));
        ASSERT_TRUE(OpenDevice(kWidth, kHeight));
        RegisterTextureFileReader();
        ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
        m_quality = g_Settings.TextureQuality;
        g_Settings.TextureQuality = 0;
        g_ResourceEngine.PreInit();
        g_ResourceEngine.GlobalInit(false);
        ASSERT_NE(g_pModelManager, nullptr);
        ASSERT_NE(g_pFontSmall, nullptr);
        g_EffectRenderManager.Init(1);
        ASSERT_TRUE(g_GoodsManager.Init(unit_sections::kGoods));
        ASSERT_TRUE(g_GunManager.Init(unit_sections::kWeapons));
        ASSERT_TRUE(g_GliderManager.Init(unit_sections::kGliders));
        m_Graphic.Init(nullptr);
        m_Graphic.SelectFont(0);
        InstallMenuPicturePainter();

        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
        m_pMain = new CGroupControl();
        m_pMain->Init(plat::Rect{0, 0, kWidth, kHeight}, &m_Screen);
        m_Screen.SetMainGroup(m_pMain);
    }
    void TearDown() override
    {
        SetPicturePainter(nullptr);
        m_Graphic.Done();
        g_EffectRenderManager.Done();
        // The kind tables go back to empty for the other tests (a section
        // the database lacks).
        g_GoodsManager.Init("");
        g_GunManager.Init("");
        g_GliderManager.Init("");
        g_ResourceEngine.GlobalDone();
        g_ResourceDB.Done();
        g_Settings.TextureQuality = m_quality;
        CGraphicDeviceTest::TearDown();
    }
    // The models and textures the cells draw, loaded now rather than on
    // the loader thread.
    void Preload(const char* model)
    {
        const std::int32_t index = g_pModelManager->FindName(model);
        ASSERT_GE(index, 0) << model;
        ASSERT_NE(g_pModelManager->GetModelForce(index), nullptr) << model;
    }
    std::vector<std::uint32_t> Draw()
    {
        m_Clock.Advance(0.1);
        graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear);
        graph.m_lpDevice->BeginScene();
        m_Screen.Render();
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer();
    }
    // Pixels of rect that differ from the cleared ground by more than a
    // little in any channel and are not just darker.
    static int Lit(const std::vector<std::uint32_t>& px, const plat::Rect& r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
            {
                const std::uint32_t c = px[std::size_t(y) * kWidth + std::size_t(x)];
                const int red = int(c >> 16 & 0xFF), green = int(c >> 8 & 0xFF), blue = int(c & 0xFF);
                n += red + green + blue > 3 * 0x60;
            }
        return n;
    }
    static int Differ(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                      const plat::Rect& r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += (a[std::size_t(y) * kWidth + std::size_t(x)] & 0xFFFFFF) !=
                     (b[std::size_t(y) * kWidth + std::size_t(x)] & 0xFFFFFF);
        return n;
    }

    CGraphicInterface m_Graphic;
    uitest::CFakeInput m_Input;
    uitest::CFakeClock m_Clock;
    IUI m_Screen;
    CGroupControl* m_pMain = nullptr;
    int m_quality = 0;
};

TEST_F(GoodsGridPicture, TheSampleGoodsTurnInTheirCellsBesideACountSelector)
{
    for (const char* model : {"MOD_TOV_ORE", "MOD_TOV_FOOD", "MOD_BOX", "MOD_GL_SAMPLE"})
        Preload(model);
    for (const char* texture :
         {"TEX_ITEM_ORE", "TEX_ITEM_FOOD", "TEX_BOX", "TEX_INT_UII", "TEX_INT_UI_STARS"})
        ASSERT_NE(g_pTextureManager->GetTextureForce(g_pTextureManager->FindName(texture)), nullptr)
            << texture;

    CControlList grid;
    grid.Create(8, 28, 8 + 430, 28 + 100, &m_Screen);
    m_pMain->AddControl(&grid);
    // The filter tabs: everything (selected) and the goods alone.
    CMenuButton all, goods;
    const std::pair<CMenuButton*, int> tabs[] = {{&all, 82}, {&goods, 83}};
    for (int i = 0; i < 2; ++i)
    {
        CMenuButton& tab = *tabs[i].first;
        tab.Create(8 + 72 * i, 2, 8 + 72 * i + 70, 27, "", CButton::kPush, 61440);
        tab.m_nPicture = tabs[i].second;
        tab.m_nValue = i == 0 ? -1 : 0x20000000;
        grid.AddFilterButton(&tab);
        m_pMain->AddControl(&tab);
    }
    CControlListItem* ore = grid.AddControl("TOV_ORE", CControlListItem::kGoods, 0);
    CControlListItem* food = grid.AddControl("TOV_FOOD", CControlListItem::kGoods, 0);
    CControlListItem* laser = grid.AddControl("GUN_LASER", CControlListItem::kEquipment, 0x2123);
    CControlListItem* glider = grid.AddControl("GL_SAMPLE", CControlListItem::kEquipment, 0);
    EXPECT_STREQ(ore->m_szName, "MOD_TOV_ORE") << "the goods name their model";
    EXPECT_EQ(laser->m_dwCategory, 0xF0u);
    EXPECT_STREQ(laser->m_ClassID.name, "MOD_GUN_SAMPLE") << "a gun's cell is its model";
    EXPECT_EQ(glider->m_dwCategory, 1u);
    EXPECT_STREQ(glider->m_ClassID.name, "MOD_GL_SAMPLE");
    ore->m_nCount = 12;
    ore->m_dwColour = 0xFFFFD060;
    food->m_nCount = 0;
    laser->m_nCount = 1;
    glider->m_nCount = 1;
    // Two more than the four the grid shows: lasers of other modifiers.
    grid.AddControl("GUN_LASER", CControlListItem::kEquipment, 0);
    grid.AddControl("GUN_LASER", CControlListItem::kEquipment, 0x1001);
    grid.SetFilter(0xFFFFFFFFu, true);
    grid.SelectIndex(0);
    grid.RecalcArray();

    CCountSelector selector;
    selector.Init(8 + 430 + 20, 48, 8 + 430 + 60, 92, &m_Screen);
    m_pMain->AddControl(&selector);
    selector.m_pField->m_nMaximum = 12;
    selector.SetValue(7);

    // The grid without its models first: what the models change is theirs.
    struct SNames
    {
        CControlListItem* item;
        std::string name, model;
    };
    std::vector<SNames> names;
    for (CControlListItem* item : {ore, food, laser, glider})
    {
        names.push_back({item, item->m_szName, item->m_ClassID.name});
        item->m_szName[0] = item->m_ClassID.name[0] = 0;
    }
    const std::vector<std::uint32_t> bare = Draw();
    for (const SNames& n : names)
    {
        n.item->SetName(n.name.c_str());
        std::snprintf(n.item->m_ClassID.name, sizeof n.item->m_ClassID.name, "%s", n.model.c_str());
    }

    std::vector<std::uint32_t> first = Draw();
    for (int i = 0; i < 8; ++i)
        first = Draw();
    const std::vector<std::uint32_t> later = Draw(), last = Draw();
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "goods_grid.png";
    gfxtest::WritePng(picture.c_str(), last, kWidth, kHeight);
    std::printf("goods grid: %s\n", picture.c_str());

    // Every cell holds its model.
    for (CControlListItem* item : {ore, food, laser, glider})
    {
        const plat::Rect& r = item->m_Rect;
        const plat::Rect inner{r.left + 10, r.top + 10, r.right - 10, r.bottom - 20};
        EXPECT_GT(Differ(bare, last, inner), (inner.right - inner.left) * (inner.bottom - inner.top) / 5)
            << item->m_ClassID.name;
    }
    // The selected ore turns; the resting laser does not.
    EXPECT_GT(Differ(first, last, ore->m_Rect), 100);
    EXPECT_EQ(Differ(later, last, laser->m_Rect), 0);
    // The selection's corner bracket in the ore cell's top-left.
    const std::uint32_t corner =
        last[std::size_t(ore->m_Rect.top + 2) * kWidth + std::size_t(ore->m_Rect.left + 8)];
    EXPECT_EQ(corner & 0xFFFFFF, 0xFFFFFFu);
    // The selector's field: its white top line and its value.
    const plat::Rect field = selector.m_pField->m_Rect;
    EXPECT_EQ(last[std::size_t(field.top) * kWidth + std::size_t(field.left + 20)] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(selector.GetValue(), 7);
    EXPECT_GT(Lit(last, plat::Rect{field.left + 2, field.top + 2, field.right - 2, field.bottom}), 6);
    EXPECT_GT(Lit(last, selector.m_pUp->m_Rect), 10) << "the stepper pictures";
    // The selected tab is drawn in its selected picture, the other in its
    // normal one; the arrows and the thumb of the scrolling grid show.
    EXPECT_EQ(all.m_bSelected, 1);
    EXPECT_EQ(goods.m_bSelected, 0);
    EXPECT_NE(last[std::size_t(all.m_Rect.top + 6) * kWidth + std::size_t(all.m_Rect.left + 4)],
              last[std::size_t(goods.m_Rect.top + 6) * kWidth + std::size_t(goods.m_Rect.left + 4)]);
    ASSERT_NE(grid.m_pScroll, nullptr);
    for (const CControl* button :
         {static_cast<const CControl*>(grid.m_pLeftButton), static_cast<const CControl*>(grid.m_pRightButton),
          static_cast<const CControl*>(grid.m_pScroll->m_pThumb)})
    {
        EXPECT_TRUE(button->m_bVisible && button->m_bEnabled);
        EXPECT_GT(Lit(last, button->m_Rect), 10) << "a picture on the button";
    }

    // A model nobody knows draws nothing and leaves the targets as they were.
    const std::int32_t depth = graph.m_nRenderTargetCount;
    UIRenderObject(SUIModelName("MOD_NOBODY"), 0.0f, plat::Rect{0, 0, 50, 50}, false);
    EXPECT_EQ(graph.m_nRenderTargetCount, depth);

    grid.ClearFilterButtons();
    m_pMain->RemoveControl(&all);
    m_pMain->RemoveControl(&goods);
    m_pMain->RemoveControl(&selector);
    m_pMain->RemoveControl(&grid);
}

} // namespace
