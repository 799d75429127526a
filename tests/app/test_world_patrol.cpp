// The gliders of the world in the game application over the sample tree:
// the two members of the sample's patrol fly their round of the road grid;
// hit by the player, both turn on the player and hurt it.
#include "app/WorldPatrol.h"
#include "units/Gun.h"
#include "app/WorldViewer.h"

#include "foundation/Random.h"
#include "graphics/PngWriter.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace
{

class WorldPatrol : public apptest::CSteppedAppTest
{
protected:
    void Fly(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(g_WorldViewer.Frame(kStep, &m_keys));
            m_keys.Update();
        }
    }

    apptest::CHeldKeys m_keys;
};

} // namespace

TEST_F(WorldPatrol, TwoGlidersFlyTheirRoundAndTurnOnThePlayerWhenHit)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "patrol test"));
    // g_Random starts from a clock reading: a fixed state, set once the
    // game is ready, flies the same round and the same attack on every run.
    g_Random.SetState(4321);
    CWorldPatrol* patrol = g_WorldViewer.GetPatrol();
    ASSERT_NE(patrol, nullptr);
    ASSERT_EQ(patrol->GetCount(), 2) << Tree().ErrorLog();
    CGliderObject* player = g_WorldViewer.GetPlayerGlider();
    ASSERT_NE(player, nullptr);

    // Ten seconds of their round: each flies off along the road.
    CVector start[2];
    for (int i = 0; i < 2; ++i)
    {
        CGliderObject* g = patrol->GetGlider(i);
        ASSERT_NE(g, nullptr);
        ASSERT_NE(g->m_pAI, nullptr);
        EXPECT_EQ(static_cast<CBasicAI*>(g->m_pAI.get())->m_nMode, CBasicAI::MODE_MOVE);
        start[i] = g->GetPosition();
    }
    Fly(200);
    for (int i = 0; i < 2; ++i)
        EXPECT_GT((patrol->GetGlider(i)->GetPosition() - start[i]).Length(), 150.0f) << i;

    // Seen from behind, the first is drawn on the location: the frame
    // differs without the gliders. It is written as "world_patrol.png".
    {
        const CGliderObject* g = patrol->GetGlider(0);
        const CVector p = g->GetPosition(), f = g->ForwardAxis();
        g_WorldViewer.SetFreeCamera(true);
        g_WorldViewer.m_fHeading = std::atan2(f.x, f.y);
        g_WorldViewer.m_fPitch = -0.3f;
        g_WorldViewer.m_vPosition = CVector{p.x - f.x * 45.0f, p.y - f.y * 45.0f, p.z + 18.0f};
        std::uint32_t width = 0, height = 0;
        const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
        ASSERT_EQ(pixels.size(), std::size_t(width) * height);
        const std::filesystem::path picture = gfxtest::PictureDirectory() / "world_patrol.png";
        gfxtest::WritePng(picture.c_str(), pixels, width, height);
        std::printf("world patrol: %s\n", picture.c_str());
        for (int i = 0; i < 2; ++i)
            patrol->GetGlider(i)->m_bShown = 0;
        const std::vector<std::uint32_t> bare = ViewerFrame(width, height);
        for (int i = 0; i < 2; ++i)
            patrol->GetGlider(i)->m_bShown = 1;
        int differ = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            differ += pixels[i] != bare[i];
        EXPECT_GT(differ, int(width * height / 400));
        g_WorldViewer.SetFreeCamera(false);
    }

    // The player's shot hits the first: both attack the player.
    CGliderObject* first = patrol->GetGlider(0);
    // The shot that hits, as the player's gun reports it first.
    if (g_pShotEvents) g_pShotEvents->OnShoot(5.0f, 0);
    first->Damage(5.0f, first->GetPosition(), 0, player, -1, 0);
    for (int i = 0; i < 2; ++i)
    {
        const auto* ai = static_cast<CBasicAI*>(patrol->GetGlider(i)->m_pAI.get());
        EXPECT_EQ(ai->m_nMode, CBasicAI::MODE_ATTACK) << i;
        EXPECT_EQ(ai->m_pTarget, player->m_pMech) << i;
    }
    // The player stands still (no key is held): within half a minute
    // their shots have hit it.
    CMechanoid* m = player->m_pMechanoid;
    const float full = m->GetShield(1) + m->GetArmor(1);
    for (int i = 0; i < 600 && m->GetShield(1) + m->GetArmor(1) >= full; ++i)
        Fly(1);
    EXPECT_LT(m->GetShield(1) + m->GetArmor(1), full);
    EXPECT_GE(patrol->GetEventCount(AIEV_PLAYER_ATTACK_SAY), 1);
    EXPECT_GE(patrol->GetEventCount(AIEV_VIEW), 2);
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
