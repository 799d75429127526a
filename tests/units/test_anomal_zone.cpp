// Anomaly zones: damage by distance, the level cap of the player's warning,
// a zone without force, the zone asleep far from the camera.
#include "CombatFixture.h"

#include "location/ViewCamera.h"
#include "units/AnomalZone.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using unittest::CCombatTest;

namespace
{
// Records what its Damage slot is given.
class CHitRecorder : public CGliderObject
{
public:
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind, int weaponKind) override
    {
        m_Hits.push_back({amount, point, flag, attacker, kind, weaponKind});
    }
    struct SHit
    {
        float amount;
        CVector point;
        int flag;
        CMMObject* attacker;
        int kind, weaponKind;
    };
    std::vector<SHit> m_Hits;
};

class AnomalZone : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("main.ini", ReadText("main.ini") + "[Anomal]\nfilename=anomal.ini\n");
        Write("anomal.ini", "[AZ_BURN]\nTYPE=1\nFORCE=2\n[AZ_DEEP]\nTYPE=5\nFORCE=2\n[AZ_QUIET]\nTYPE=2\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_AnomalZoneManager.Init("Anomal"));
        m_savedCamera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = CVector{500.0f, 500.0f, 100.0f};
    }
    void TearDown() override
    {
        g_ViewCamera.m_vPosition = m_savedCamera;
        CCombatTest::TearDown();
    }
    // A zone of radius 99 (scale 99 x the model size 1.0) at (500, 500, 0):
    // r = distance^2 / 100^2.
    static std::unique_ptr<CAnomalZone> Zone(const char* type)
    {
        CMatrix m(99.0f);
        m.m[3][3] = 1.0f;
        m.SetTranslation(CVector{500.0f, 500.0f, 0.0f});
        return std::make_unique<CAnomalZone>(type, m, "ZONE");
    }
    // A class-3 glider (the fixture's GL_LIGHT) at distance d east of the zone.
    static CHitRecorder* Glider(float d)
    {
        auto* g = new CHitRecorder;
        g->m_pType = static_cast<const SObjectTypeHeader*>(g_GliderManager.GetType(0));
        g->m_fRadius = 5.0f;
        g->SetPosition(CVector{500.0f + d, 500.0f, 0.0f});
        g_ObjectList.AddObject(g);
        return g;
    }

    CVector m_savedCamera;
};

TEST_F(AnomalZone, DamageFallsWithDistanceAndEndsAtR144)
{
    std::unique_ptr<CAnomalZone> zone = Zone("AZ_BURN");
    EXPECT_FLOAT_EQ(zone->m_fRadius, 99.0f);
    struct SCase
    {
        float distance;
        float factor; // x STANDARD x FORCE x dt
    };
    // STANDARD 3 x FORCE 2 x dt 0.05 = 0.3.
    const SCase cases[] = {{0.0f, 200.0f}, {100.0f, 50.0f}, {std::sqrt(1.1f) * 100.0f, 5.0f}, {120.5f, 0.0f}};
    std::vector<CHitRecorder*> gliders;
    for (const SCase& c : cases)
        gliders.push_back(Glider(c.distance));
    zone->Run();
    for (std::size_t i = 0; i < gliders.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "distance " << cases[i].distance);
        const auto& hits = gliders[i]->m_Hits;
        if (cases[i].factor == 0.0f)
        {
            EXPECT_TRUE(hits.empty());
            continue;
        }
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_NEAR(hits[0].amount, 0.3f * cases[i].factor, 1e-3f);
        EXPECT_EQ(hits[0].attacker, nullptr);
        EXPECT_EQ(hits[0].kind, 1);
        EXPECT_EQ(hits[0].weaponKind, 666);
        EXPECT_EQ(hits[0].flag, 1);
        EXPECT_FLOAT_EQ(hits[0].point.y, 1.0f);
    }
}

TEST_F(AnomalZone, ThePlayersWarningLevelIsCappedAtThreeAndAZoneWithoutForceOnlyWarns)
{
    CMechanoid pilot;
    pilot.m_bPlayer = 1;
    std::unique_ptr<CAnomalZone> deep = Zone("AZ_DEEP");
    CHitRecorder* player = Glider(10.0f);
    player->m_pMechanoid = &pilot;
    g_ZoneWarningLevel = 0;
    deep->Run();
    EXPECT_EQ(g_ZoneWarningLevel, 3);
    EXPECT_EQ(g_ZoneWarningFlags[3], 1);
    ASSERT_EQ(player->m_Hits.size(), 1u);
    EXPECT_EQ(player->m_Hits[0].kind, 3);

    // The object list's run clears the warning; a quiet zone sets it again
    // without hurting anyone.
    g_ObjectList.Run();
    EXPECT_EQ(g_ZoneWarningLevel, 0);
    EXPECT_EQ(g_ZoneWarningFlags[3], 0);
    player->m_Hits.clear();
    std::unique_ptr<CAnomalZone> quiet = Zone("AZ_QUIET");
    quiet->Run();
    EXPECT_EQ(g_ZoneWarningLevel, 2);
    EXPECT_EQ(g_ZoneWarningFlags[2], 1);
    EXPECT_TRUE(player->m_Hits.empty());
    player->m_pMechanoid = nullptr;
}

TEST_F(AnomalZone, AZoneFarFromTheCameraHurtsNobody)
{
    std::unique_ptr<CAnomalZone> zone = Zone("AZ_BURN");
    CHitRecorder* glider = Glider(0.0f);
    // Active while d^2 < 1.2 x (R - radius)^2.
    const float edge = std::sqrt(1.2f) * (GetViewRange() - 99.0f);
    g_ViewCamera.m_vPosition = CVector{500.0f + edge + 1.0f, 500.0f, 0.0f};
    zone->Run();
    EXPECT_TRUE(glider->m_Hits.empty());
    g_ViewCamera.m_vPosition = CVector{500.0f + edge - 1.0f, 500.0f, 0.0f};
    zone->Run();
    EXPECT_EQ(glider->m_Hits.size(), 1u);
}
} // namespace
