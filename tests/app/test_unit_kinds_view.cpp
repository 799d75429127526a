// The sample location's tower, ground turret and flying machine, entered
// through the world engine and seen in daylight through the real Direct3D 8
// layer. The frame is written as "sample_units.png"; each of the three
// changes the picture where it stands. The tower stops a glider with its
// hull, not with the sphere round it.
#include "common/GameDriver.h"

#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "units/AnomalZone.h"
#include "units/FlyTehObject.h"
#include "units/GameUnits.h"
#include "units/GliderObject.h"
#include "units/TankObject.h"
#include "units/TowerObject.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace
{
using SampleUnits = apptest::CSteppedAppTest;

CMMObject* First(int type)
{
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(type, all);
    return all.count > 0 ? all.items[0] : nullptr;
}

int Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return n;
}
} // namespace

TEST_F(SampleUnits, TheTowerTheTurretAndTheFlyingMachineAreInThePicture)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "units test"));
    // The game sends its flying machines only over big maps: on the sample
    // one is made as the units make the location's traffic, on the road
    // nearest the player's start.
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    ASSERT_NE(CreateObserverOnRoad(gametest::g_GameDriver.GetPlayerGlider()->GetPosition()), nullptr);
    // The free camera where the game's stands; the player's glider waits.
    gametest::g_GameDriver.SetFreeCamera(true);
    g_Environment.SetEnvironment(0, true);
    g_Environment.m_fTime = 12.0f;

    auto* tower = dynamic_cast<CTowerObject*>(First(OBJ_TOWER));
    auto* tank = dynamic_cast<CTankObject*>(First(OBJ_TANK));
    auto* machine = dynamic_cast<CFlyTehObject*>(First(OBJ_FLYTEH));
    ASSERT_NE(tower, nullptr) << Tree().ErrorLog();
    ASSERT_NE(tank, nullptr) << Tree().ErrorLog();
    ASSERT_NE(machine, nullptr) << Tree().ErrorLog();
    EXPECT_STREQ(tower->m_szGameId, "SAMPLE_TOWER");
    ASSERT_NE(tower->m_pKind, nullptr);
    EXPECT_TRUE(tower->m_FightingGun.m_bMounted);
    EXPECT_TRUE(tank->m_Gun.m_bMounted);
    EXPECT_GE(machine->m_nRoadItem, 0);
    bool anomaly = false;
    for (CSysObject* p : g_ObjectList.m_SysObjects)
        if (auto* z = dynamic_cast<CAnomalZone*>(p)) anomaly = z->m_pType && z->m_fRadius > 1.0f;
    EXPECT_TRUE(anomaly);

    // The player's glider flown past the tower inside its bounding sphere
    // but clear of its hull goes by; flown at the hull, it is stopped.
    {
        // Flown level, halfway up the tower: no gravity, no ground
        // following (its hover would lift it over the tower).
        CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
        const std::uint8_t gravity = glider->m_bGravity, following = glider->m_bGroundFollowing;
        glider->m_bGravity = glider->m_bGroundFollowing = 0;
        tower->SetActive(false); // no shots at the glider
        const CVector base = tower->GetPosition();
        const struct
        {
            float across;
            bool passes;
        } runs[] = {{7.0f, true}, {0.0f, false}};
        for (const auto& run : runs)
        {
            SCOPED_TRACE(testing::Message() << run.across << " units beside the tower's axis");
            const CVector start{base.x + run.across, base.y - 15.0f, base.z + 4.0f};
            glider->SetPosition(start);
            glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
            float furthest = -1.0e9f, nearest = 1.0e9f, drift = 0.0f;
            for (int i = 0; i < 30; ++i)
            {
                glider->m_vVelocity = CVector{0.0f, 20.0f, 0.0f};
                Tick();
                ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
                furthest = std::max(furthest, glider->GetPosition().y - base.y);
                nearest = std::min(nearest, (glider->GetPosition() - base).Length());
                const CVector off = glider->GetPosition() - start;
                drift = std::max({drift, std::fabs(off.x), std::fabs(off.z)});
            }
            if (run.passes)
            {
                EXPECT_LT(nearest, tower->m_fRadius + glider->m_fRadius) << "the run passes inside the sphere";
                EXPECT_GT(furthest, 10.0f);
                EXPECT_LT(drift, 0.1f) << "turned off its line";
            }
            else
            {
                // The hull is 1.3 units wide either side of its axis.
                EXPECT_LT(furthest, -1.3f);
                EXPECT_GT(furthest, -1.3f - glider->m_fRadius - 1.0f) << "stopped before it reached the hull";
            }
        }
        glider->m_vVelocity = CVector{};
        glider->m_bGravity = gravity;
        glider->m_bGroundFollowing = following;
        tower->SetActive(true);
    }

    // The three side by side in front of the camera, a few seconds of play
    // first (the turret's idle, the machine on its way).
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
    const CVector eye = gametest::g_GameDriver.m_vPosition;
    const float h = gametest::g_GameDriver.m_fHeading;
    const CVector ahead{std::sin(h), std::cos(h), 0.0f}, side{std::cos(h), -std::sin(h), 0.0f};
    auto place = [&](CMMObject* o, float across, float up)
    {
        CVector p = eye + ahead * 40.0f + side * across;
        p.z = g_Location.GetHeight(p) + up;
        o->SetPosition(p);
    };
    // The player's glider, waiting where the camera stood, out of the way.
    gametest::g_GameDriver.GetPlayerGlider()->SetPosition(eye - ahead * 100.0f);
    place(tower, -14.0f, 0.0f);
    place(tank, 0.0f, 0.0f);
    place(machine, 14.0f, 10.0f);
    machine->m_bPhysics = 0;
    gametest::g_GameDriver.m_fPitch = -0.25f;

    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "sample_units.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("sample units: %s\n", picture.c_str());

    for (CMMObject* o :
         {static_cast<CMMObject*>(tower), static_cast<CMMObject*>(tank), static_cast<CMMObject*>(machine)})
    {
        SCOPED_TRACE(testing::Message() << "object type " << o->m_nType);
        // Out of the picture: behind the camera (the machine shows itself
        // again each frame, so hiding is moving).
        const CVector was = o->GetPosition();
        o->SetPosition(eye - ahead * 100.0f);
        const std::vector<std::uint32_t> without = ViewerFrame(width, height);
        o->SetPosition(was);
        EXPECT_GT(Changed(pixels, without), 30);
    }
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
