// The visibility pass and the draw passes.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "world/GameWorldState.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> g_Calls;

class CDrawProbe : public CMMObject
{
public:
    CDrawProbe(const char* name, CVector p, float radius = 1.0f) : m_name(name)
    {
        m_nType = OBJ_STONE;
        m_bShown = 1;
        m_fRadius = radius;
        m_Frame.SetPosition(p);
    }
    void Draw() override { g_Calls.push_back("draw " + m_name); }
    void DrawNVisible() override { g_Calls.push_back("nvis " + m_name); }
    void PreDraw() override { g_Calls.push_back("pre " + m_name); }
    void PostDraw() override { g_Calls.push_back("post " + m_name); }
    std::string m_name;
};

class CPlayerProbe : public CGliderObject
{
public:
    void PreDraw() override { g_Calls.push_back("pre player"); }
    void Draw() override { g_Calls.push_back("draw player"); }
};

class Visibility : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        g_Calls.clear();
        m_Scene.m_View.m_vEye = CVector{20000, 20000, 0};
        m_Scene.m_Cells.ShowAllCells();
    }
    CDrawProbe* Add(const char* name, float dx, float radius = 1.0f)
    {
        auto* o = new CDrawProbe(name, CVector{20000 + dx, 20000, 0}, radius);
        g_ObjectList.AddObject(o);
        return o;
    }
    bool InVisible(const CMMObject* o) const
    {
        for (int i = 0; i < g_ObjectList.m_nVisible; ++i)
            if (g_ObjectList.m_Visible[i] == o) return true;
        return false;
    }
    worldtest::CScene m_Scene;
};

} // namespace

TEST(DetailLevel, StepsAtFiveTenTwentyAndHundredRadii)
{
    worldtest::CScene scene;
    const struct
    {
        float x, level;
    } cases[] = {{0, 0},   {25, 0},  {25.01f, 1}, {100, 1},   {100.5f, 2},
                 {400, 2}, {401, 3}, {10000, 3},  {10001, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(CObjectList::GetDetailLevel(c.x), c.level) << c.x;
    g_Settings.ModelQuality = 4;                          // a coarser model quality moves every step in
    EXPECT_EQ(CObjectList::GetDetailLevel(25.01f), 2.0f); // 100.04
}

TEST_F(Visibility, CullsAtTheViewRangeButTestsLargeObjectsFurther)
{
    const float R = 2560.0f;
    CDrawProbe* beyond = Add("beyond", 1.05f * R, 200.0f);
    CDrawProbe* within = Add("within", 0.5f * R, 200.0f);
    CDrawProbe* large = Add("large", -1.5f * R, 200.0f);
    CDrawProbe* tooFar = Add("toofar", 1.6f * R, 200.0f);
    g_ObjectList.AddChild(large);
    g_ObjectList.AddChild(tooFar);
    g_ObjectList.CheckVisibility(false);
    EXPECT_TRUE(InVisible(within));
    EXPECT_TRUE(InVisible(large));
    EXPECT_FALSE(InVisible(beyond));
    EXPECT_FALSE(InVisible(tooFar));
    EXPECT_EQ(g_ObjectList.m_nVisible, 2);
    EXPECT_EQ(g_ObjectList.m_nNearInvisible, 0);
    EXPECT_EQ(within->m_nDetailLevel, 1); // 1280 / 200 = 6.4 radii
}

TEST_F(Visibility, AnObjectInTwoCellsIsRecordedOnce)
{
    CDrawProbe* o = Add("twice", 10);
    m_Scene.m_Cells.AddTo(worldtest::CellOf(CVector{0, 0, 0}), o);
    CDrawProbe* hidden = Add("hidden", 20);
    hidden->m_bShown = 0;
    m_Scene.m_Cells.AddTo(worldtest::CellOf(CVector{0, 0, 0}), hidden);
    g_ObjectList.CheckVisibility(false);
    EXPECT_EQ(g_ObjectList.m_nVisible, 1);
    EXPECT_EQ(g_ObjectList.m_nNearInvisible, 1);
}

TEST_F(Visibility, PreDrawGoesNearestFirstWithInvisibleKeysTripled)
{
    m_Scene.m_View.m_Hidden = [](const CVector& c, float) { return c.y > 20000.5f; };
    CDrawProbe* at10 = Add("10", 10);
    CDrawProbe* at5 = Add("5", 5);
    auto* at3 = new CDrawProbe("3", CVector{20000, 20003, 0});
    g_ObjectList.AddObject(at3);
    for (CMMObject* o : {static_cast<CMMObject*>(at10), static_cast<CMMObject*>(at5)})
        o->m_bPreDrawVisible = 1;
    at3->m_bPreDrawInvisible = 1;
    g_ObjectList.CheckVisibility(true);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"pre 5", "pre 3", "pre 10"}));
}

TEST_F(Visibility, ThePlayersGliderGetsTheFirstPreDraw)
{
    CDrawProbe* other = Add("other", 1);
    other->m_bPreDrawVisible = 1;
    auto* player = new CPlayerProbe;
    player->m_Frame.SetPosition(CVector{20002, 20000, 0});
    player->m_fRadius = 1.0f;
    player->m_bPreDrawVisible = 1;
    g_ObjectList.AddObject(player);
    g_pPlayerGlider = player;
    g_ObjectList.CheckVisibility(true);
    g_pPlayerGlider = nullptr;
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"pre player", "pre other"}));
}

TEST_F(Visibility, DrawsFarToNearAndLeavesFarObjectsToTheFlyPass)
{
    Add("10", 10);
    Add("20", 20);
    CDrawProbe* far = Add("far", 0.8f * 2560.0f, 100.0f);
    far->m_bFarDrawn = 1;
    g_ObjectList.AddChild(far);
    CDrawProbe* ghost = Add("ghost", 30);
    ghost->m_bShown = 0;
    ghost->m_bDrawInvisible = 1;
    ghost->m_bPostDrawInvisible = 1;
    g_ObjectList.CheckVisibility(false);
    g_ObjectList.Render(false);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"draw 20", "draw 10", "nvis ghost", "post ghost"}));
    g_Calls.clear();
    g_ObjectList.RenderFly();
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"draw far"}));
    g_Calls.clear();
    g_ObjectList.Render(true);
    EXPECT_EQ(g_Calls.front(), "draw far");
}

TEST_F(Visibility, TheWaterPassDrawsAHiddenPlayerAndRestoresIt)
{
    auto* player = new CPlayerProbe;
    player->m_Frame.SetPosition(CVector{20002, 20000, 0});
    player->m_fRadius = 1.0f;
    player->m_bShown = 0;
    g_ObjectList.AddObject(player);
    g_pPlayerGlider = player;
    CDrawProbe* far = Add("far", 0.8f * 2560.0f, 100.0f);
    far->m_bFarDrawn = 1;
    g_ObjectList.AddChild(far);
    g_ObjectList.RenderForWater();
    g_pPlayerGlider = nullptr;
    // Everything visible is drawn, the far object too; the player was shown
    // for the pass only.
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"pre player", "draw far", "draw player"}));
    EXPECT_EQ(player->m_bShown, 0);
    EXPECT_EQ(g_ObjectList.m_bWaterPass, 0);
}
