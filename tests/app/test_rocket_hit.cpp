// A rocket of the sample fired at the player's glider, seen from the side
// through the real Direct3D 8 layer: its smoke trail in flight, and after
// the hit the explosion's fireball with its light, and the debris flying.
// The frame after the hit is written as "rocket_hit.png". Each part is
// checked by drawing the frame again without it, with the world held still
// (the frame timer's shortest step) so that nothing else moves between.
#include "common/GameDriver.h"

#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "units/ExploObject.h"
#include "units/GliderObject.h"
#include "units/MissileObject.h"
#include "units/SplinterObject.h"
#include "world/ObjectFrame.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

class RocketHit : public apptest::CRunningAppTest
{
protected:
    // The frame timer's mean step down to its least: the world stands
    // still in the frames that follow.
    static void HoldStill()
    {
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
            g_FrameTimer.Update();
    }
    std::vector<std::uint32_t> Picture()
    {
        return ViewerFrame(m_width, m_height);
    }
    static int Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
    {
        int n = 0;
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
            n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return n;
    }
    static std::vector<CMMObject*> All(int type)
    {
        SPointerArray<CMMObject> list;
        g_ObjectList.GetObjectList(type, list);
        return std::vector<CMMObject*>(list.items, list.items + list.count);
    }

    std::uint32_t m_width = 0, m_height = 0;
};

} // namespace

TEST_F(RocketHit, TheTrailTheFireballItsLightAndTheDebrisAreInThePicture)
{
    CGliderObject* target = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(target, nullptr);
    gametest::g_GameDriver.SetFreeCamera(true);
    g_Environment.SetEnvironment(0, true);
    g_Environment.m_fTime = 22.0f;
    // The rocket comes from 45 units away on a line clear of the hills,
    // across the view of a camera 60 units off to the side.
    const CVector at = target->GetPosition();
    // Each step starts with the glider back in its place, at rest: its
    // hover's swing would take it off the rocket's line.
    auto step = [&]
    {
        target->SetPosition(at);
        target->m_vVelocity = CVector{};
        return Frame();
    };
    CVector from, side;
    bool clear = false;
    for (int k = 0; k < 16 && !clear; ++k)
    {
        const float a = float(k) * 0.3926991f;
        from = CVector{std::sin(a), std::cos(a), 0.0f};
        side = CVector{from.y, -from.x, 0.0f};
        clear = true;
        for (int s = 1; s <= 10; ++s)
            clear = clear && g_Location.GetHeight(at + from * (4.5f * float(s))) < at.z - 2.0f;
        const CVector eye = at - side * 60.0f;
        clear = clear && g_Location.GetHeight(eye) < at.z + 5.0f;
    }
    ASSERT_TRUE(clear) << "no clear line to the glider";
    gametest::g_GameDriver.m_fHeading = std::atan2(side.x, side.y);
    gametest::g_GameDriver.m_fPitch = -0.12f;
    gametest::g_GameDriver.m_vPosition = at - side * 60.0f + CVector{0.0f, 0.0f, 10.0f};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(step());

    CObjectFrame frame;
    frame.SetForward(from * -1.0f);
    CMatrix launch = frame.m_Matrix;
    launch.SetTranslation(at + from * 45.0f);
    auto* rocket = static_cast<CMissileObject*>(
        g_MissileManager.CreateMissile(g_MissileManager.FindName("MIS_ROCKET"), launch, nullptr, 0));
    ASSERT_NE(rocket, nullptr);
    ASSERT_EQ(rocket->GetKind(), CMissileObject::KIND_ROCKET);
    ASSERT_TRUE(rocket->m_bHasTail);

    // In flight: the smoke trail behind it.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(step());
    ASSERT_FALSE(rocket->HasExploded());
    HoldStill();
    const std::vector<std::uint32_t> trail = Picture();
    rocket->m_bHasTail = 0;
    const std::vector<std::uint32_t> noTrail = Picture();
    rocket->m_bHasTail = 1;
    EXPECT_GT(Changed(trail, noTrail), 300);

    // The hit: the collision pass tells the rocket, which explodes at the
    // glider (it does not bounce off).
    for (int i = 0; i < 60 && !rocket->HasExploded(); ++i)
        ASSERT_TRUE(step());
    ASSERT_TRUE(rocket->HasExploded());
    CExploObject* explosion = nullptr;
    for (CMMObject* e : All(OBJ_EXPLOSION))
        if ((e->GetPosition() - at).Length() < 2.0f * target->m_fRadius) explosion = static_cast<CExploObject*>(e);
    ASSERT_NE(explosion, nullptr);

    // The first debris: the fireball still burns, its flash lights the
    // frame, the first splinters fly.
    for (int i = 0; i < 20 && All(OBJ_SPLINTER).size() < 2; ++i)
        ASSERT_TRUE(step());
    HoldStill();
    const std::vector<std::uint32_t> hit = Picture();
    ASSERT_EQ(hit.size(), std::size_t(m_width) * m_height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "rocket_hit.png";
    gfxtest::WritePng(picture.c_str(), hit, m_width, m_height);
    std::printf("rocket hit: %s\n", picture.c_str());

    bool lit = false;
    for (int i = 0; i < g_LightWare.m_nCount; ++i)
        lit = lit || g_LightWare.m_Lights[i].light == &explosion->m_Light;
    EXPECT_TRUE(lit);
    EXPECT_GT(explosion->m_Light.Range, 0.0f);

    // The layers: drawn again unseen (its light stays), the fire is gone.
    explosion->m_bShown = 0;
    const std::vector<std::uint32_t> noLayers = Picture();
    explosion->m_bShown = 1;
    int redder = 0;
    for (std::size_t i = 0; i < hit.size(); ++i)
        redder += int(hit[i] >> 16 & 0xFF) > int(noLayers[i] >> 16 & 0xFF) + 30;
    EXPECT_GT(redder, 300);

    // The debris: flying, and drawn where it flies.
    const std::vector<CMMObject*> splinters = All(OBJ_SPLINTER);
    ASSERT_FALSE(splinters.empty());
    std::vector<CVector> places;
    for (CMMObject* s : splinters)
    {
        EXPECT_GT(static_cast<CSplinterObject*>(s)->m_vVelocity.Length(), 1.0f);
        places.push_back(s->GetPosition());
        s->SetPosition(gametest::g_GameDriver.m_vPosition - side * 200.0f);
    }
    const std::vector<std::uint32_t> noDebris = Picture();
    for (std::size_t i = 0; i < splinters.size(); ++i)
        splinters[i]->SetPosition(places[i]);
    EXPECT_GT(Changed(hit, noDebris), 30);
}
