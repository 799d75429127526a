// Missile flight and impact: mines, the proximity fuse, cluster timing,
// network copies, and the single explosion.
#include "CombatFixture.h"

#include "graphics/ComplexObject.h"
#include "graphics/ParticleSystem.h"
#include "location/Environment.h"
#include "location/Location.h"

#include <cmath>
#include <cstring>
#include <string>

using unittest::CCombatTest;

namespace
{

class Flight : public CCombatTest
{
protected:
    CMissileObject* Make(const char* type, CVector at, CVector dir = {1.0f, 0.0f, 0.0f})
    {
        CObjectFrame frame;
        frame.SetForward(dir);
        CMatrix m = frame.m_Matrix;
        m.SetTranslation(at);
        return static_cast<CMissileObject*>(
            g_MissileManager.CreateMissile(CCombatTest::Missile(type), m, nullptr, 0));
    }
    CGliderObject* Glider(CVector at)
    {
        auto* g = new CGliderObject;
        g->m_fRadius = 5.0f;
        g->SetPosition(at);
        g_ObjectList.AddObject(g);
        return g;
    }
    // A mine lying armed at at, laid by owner.
    CMissileObject* Mine(CVector at, CMMObject* owner)
    {
        CMissileObject* mine = Make("MIS_LAID", at);
        mine->SetOwner(owner);
        mine->m_bActive = 1;
        mine->m_bMoving = 0;
        return mine;
    }
    void RunFrames(CMissileObject* m, int n)
    {
        for (int i = 0; i < n && m->m_bAlive; ++i)
        {
            m->Run();
            Tick();
        }
    }
};

} // namespace

TEST_F(Flight, AMineSparesItsLayerAndTriggersOnOthers)
{
    CGliderObject* layer = Glider({500.0f, 500.0f, 100.0f});
    CMissileObject* mine = Mine({505.0f, 500.0f, 100.0f}, layer);
    RunFrames(mine, 20);
    EXPECT_TRUE(mine->m_bAlive);
    EXPECT_FALSE(mine->m_bDetonating);
    EXPECT_EQ(ExploCount(), 0);
    // Another glider within DISTANCE_DETONATION: alert, then the blast after the delay.
    Glider({520.0f, 500.0f, 100.0f});
    mine->Run();
    EXPECT_TRUE(mine->m_bDetonating);
    EXPECT_FALSE(mine->m_bActive);
    RunFrames(mine, 10);
    EXPECT_FALSE(mine->m_bAlive);
    EXPECT_EQ(ExploCount(), 1);
}

TEST_F(Flight, AMineGoesOffWhenItsLifetimeEnds)
{
    CMissileObject* mine = Mine({505.0f, 500.0f, 100.0f}, nullptr);
    mine->m_fLifeTime = 0.1f;
    RunFrames(mine, 20);
    EXPECT_FALSE(mine->m_bAlive);
    EXPECT_EQ(ExploCount(), 1);
}

TEST_F(Flight, AShotDownMineExplodesOnItsNextRun)
{
    Write("missiles.ini",
          "[MIS_HARD]\nTYPE=9\nSTRENGTH=5\nLIFE_TIME=100\nDISTANCE_DETONATION=1\nEXPLO=EXP_SMALL\n");
    ASSERT_TRUE(g_MissileManager.Init(unit_sections::kMissiles));
    CMissileObject* mine = Make("MIS_HARD", {505.0f, 500.0f, 100.0f});
    mine->Damage(10.0f, {}, 1, nullptr, 0, 666); // not yet armed: untouched
    EXPECT_FLOAT_EQ(mine->m_fStrength, 5.0f);
    mine->m_bActive = 1;
    mine->Damage(10.0f, {}, 1, nullptr, 0, 666);
    mine->Run();
    EXPECT_FALSE(mine->m_bAlive);
    EXPECT_EQ(ExploCount(), 1);
}

TEST_F(Flight, TheProximityFuseFiresOncePastTheTarget)
{
    CGliderObject* target = Glider({600.0f, 500.0f, 300.0f});
    CMissileObject* rocket = Make("MIS_FUSE", {590.0f, 500.0f, 300.0f}); // heading at it
    rocket->SetTarget(target);
    rocket->Run();
    EXPECT_TRUE(rocket->m_bActive);                // still closing in
    rocket->SetPosition({610.0f, 500.0f, 300.0f}); // passed it
    rocket->Run();
    EXPECT_FALSE(rocket->m_bActive);
    EXPECT_TRUE(rocket->HasExploded());
    EXPECT_EQ(ExploCount(), 1);
    rocket->Explosion(0);
    EXPECT_EQ(ExploCount(), 1);
}

TEST_F(Flight, AClusterBombSplitsOnlyFallingAndAfterTwoSeconds)
{
    struct Case
    {
        float fallSpeed, lifeLeft;
        bool splits;
    } cases[] = {{-10.0f, 9.0f, false}, {-3.0f, 7.0f, false}, {-10.0f, 7.0f, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.lifeLeft);
        g_ObjectList.Clear();
        CMissileObject* bomb = Make("MIS_CLUSTER", {500.0f, 500.0f, 300.0f});
        bomb->m_vVelocity = {0.0f, 0.0f, c.fallSpeed};
        bomb->m_fLifeTime = c.lifeLeft + Dt();
        bomb->Run();
        EXPECT_EQ(MissileCount(), c.splits ? 4 + 0 : 1) << "children plus a parent that ends";
        EXPECT_EQ(bomb->m_bActive != 0, !c.splits);
    }
    // A network copy does not split but still ends its flight.
    g_ObjectList.Clear();
    CMissileObject* copy = Make("MIS_CLUSTER", {500.0f, 500.0f, 300.0f});
    copy->m_bNetwork = 1;
    copy->m_vVelocity = {0.0f, 0.0f, -10.0f};
    copy->m_fLifeTime = 7.0f;
    copy->Run();
    EXPECT_FALSE(copy->m_bActive);
    EXPECT_EQ(MissileCount(), 0);
}

TEST_F(Flight, ADirectHitDamagesTheObjectAndExplodes)
{
    CGliderObject* target = Glider({600.0f, 500.0f, 300.0f});
    target->m_bDamageable = 1;
    CMissileObject* rocket = Make("MIS_ROCKET", {595.0f, 500.0f, 300.0f});
    rocket->m_nWeaponKind = 3;
    EXPECT_TRUE(rocket->SetColissionObject(target, {}, {})); // the collision pass checks its copies again
    EXPECT_TRUE(rocket->HasExploded());
    EXPECT_FALSE(rocket->m_bMoving);
    EXPECT_EQ(ExploCount(), 1);
}

TEST_F(Flight, AMissileFarFromTheCameraEndsWithoutExploding)
{
    CMissileObject* far = Make("MIS_ROCKET", {5000.0f, 5000.0f, 300.0f}); // beyond 10 x 256
    far->Run();
    EXPECT_FALSE(far->m_bAlive);
    EXPECT_EQ(ExploCount(), 0);
}

TEST_F(Flight, AMineFindsItsLayerAgainByNameAfterLoading)
{
    auto mech = Fitted();
    std::strcpy(mech->m_szName, "SAPPER");
    CGliderObject* layer = Glider({500.0f, 500.0f, 100.0f});
    layer->m_pMechanoid = mech.get();
    CMissileObject* mine = Mine({505.0f, 500.0f, 100.0f}, nullptr);
    std::strcpy(mine->m_OwnerName, "SAPPER");
    mine->Run();
    EXPECT_EQ(mine->m_pOwner, layer);
    EXPECT_FALSE(mine->m_bDetonating);
}

TEST_F(Flight, KindRulesBounceGrowAndJitter)
{
    Write("missiles.ini", "[MIS_BOUNCE]\nTYPE=4\nSUBTYPE=2\nLIFE_TIME=5\n"
                          "[MIS_GROW]\nTYPE=10\nLIFE_TIME=5\n"
                          "[MIS_JITTER]\nTYPE=6\nSPEED=100\nLIFE_TIME=5\n");
    ASSERT_TRUE(g_MissileManager.Init(unit_sections::kMissiles));
    // A bouncing bomb moving into flat ground comes back at half the speed
    // and never runs out of life while bouncing.
    CMissileObject* bomb = Make("MIS_BOUNCE", {500.0f, 500.0f, 300.0f});
    bomb->m_vVelocity = {0.0f, 0.0f, -10.0f};
    bomb->Run();
    EXPECT_NEAR(bomb->m_vVelocity.z, 5.0f, 1e-4f);
    EXPECT_FLOAT_EQ(bomb->m_fLifeTime, 1.0f);
    // A model charge grows about tenfold a second.
    CMissileObject* grow = Make("MIS_GROW", {500.0f, 500.0f, 300.0f});
    const float r = grow->m_fRadius;
    grow->Run();
    EXPECT_NEAR(grow->m_fRadius, r / std::pow(0.1f, Dt()), 1e-3f);
    // A particle shot's course wanders but keeps its speed.
    CMissileObject* particle = Make("MIS_JITTER", {500.0f, 500.0f, 300.0f});
    for (int i = 0; i < 5; ++i)
        particle->Run();
    EXPECT_NEAR(particle->m_vVelocity.Length(), 100.0f, 1e-2f);
}

// Over the sample location's lake the water surface ends a missile with
// "EXP_WATER" laid flat; over dry ground it makes its own explosion.
TEST_F(Flight, AHitOnTheSampleLakeGivesTheWaterExplosionWithIdentityRotation)
{
    ASSERT_TRUE(OpenSampleMap());
    ASSERT_EQ(g_Location.m_Water.size(), 1u);

    struct SCase
    {
        CVector at;
        const char* explo;
    };
    const CVector lake{1700.0f, 900.0f, 0.0f};
    const CVector dry{300.0f, 300.0f, 0.0f};
    for (const SCase& c : {SCase{lake, "EXP_WATER"}, SCase{dry, "EXP_SMALL"}})
    {
        const float surface = g_Location.GetHeight(c.at, true);
        if (c.at.x == lake.x)
        {
            ASSERT_GT(surface, g_Location.GetHeight(c.at, false) + 1.0f);
        }
        CMissileObject* m =
            Make("MIS_FUSE", CVector{c.at.x, c.at.y, surface - 0.5f}, Normalize(CVector{1.0f, 0.0f, -1.0f}));
        const int before = ExploCount();
        m->Run();
        EXPECT_FALSE(m->m_bActive) << c.explo;
        ASSERT_EQ(ExploCount(), before + 1) << c.explo;
        CExploObject* explo = nullptr;
        for (CMMObject* o : g_ObjectList.m_Objects)
            if (o->m_nType == OBJ_EXPLOSION && o->m_bAlive) explo = static_cast<CExploObject*>(o);
        ASSERT_NE(explo, nullptr);
        EXPECT_EQ(explo->GetDesc(), g_ExploManager.Param(g_ExploManager.FindName(c.explo))) << c.explo;
        EXPECT_NEAR(explo->GetPosition().z, surface, 1.0f) << c.explo;
        if (c.at.x == lake.x)
        {
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    EXPECT_FLOAT_EQ(explo->m_Frame.m_Matrix.m[i][j], i == j ? 1.0f : 0.0f);
        }
        explo->m_bAlive = 0;
    }
    CloseMap();
    g_Environment.Clear();
}

// A stopped missile with a tail stays until the tail's particles have gone.
TEST_F(Flight, AStoppedMissileWaitsForItsTailsParticles)
{
    CComplexObject object;
    SObjectPart part;
    part.m_Record.type = 4;
    part.m_pParticles = std::make_unique<CParticleViewer>();
    SEmitterParams params = SEmitterParams::Defaults();
    params.maxParticles = 50;
    params.rate = 100.0f;
    params.lifetime = 0.5f;
    part.m_pParticles->Init(params);
    object.m_Parts.push_back(std::move(part));

    CMissileObject* m = Make("MIS_PLASMA", {500.0f, 500.0f, 5000.0f});
    m->m_Tail.Init(-1, &object);
    m->m_bHasTail = 1;
    ASSERT_TRUE(m->m_Tail.HasParticles());
    RunFrames(m, 4); // the tail emits while the missile flies
    ASSERT_TRUE(m->m_bAlive);
    // The trail's bounds are the missile's part sphere, for the visibility pass.
    ASSERT_EQ(m->m_nPartSpheres, 1);
    EXPECT_EQ(m->m_PartSpheres[0].m_bUsed, 1);
    EXPECT_GT(m->m_PartSpheres[0].m_fRadius, 0.0f);
    m->m_bActive = 0;
    int frames = 0;
    while (m->m_bAlive && frames < 100)
    {
        m->Run();
        Tick();
        ++frames;
    }
    EXPECT_FALSE(m->m_bAlive);
    EXPECT_GT(frames, 1); // not at once: the particles lived on
}
