// Explosions and splinters: damage once (none for a network copy), the
// lifetime of the layers, the particle caps, children and splinters; the
// splinter's bounce, rest, sink and end.
#include "CombatFixture.h"

#include "location/ViewCamera.h"
#include "world/LightWare.h"

using unittest::CCombatTest;

namespace
{

class CCounter : public CGliderObject
{
public:
    void Damage(float amount, CVector, int, CMMObject*, int, int) override
    {
        ++hits;
        total += amount;
    }
    int hits = 0;
    float total = 0.0f;
};

class Explo : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("explo.ini",
              "[EXP_BIG]\nDAMAGE=50\nRADIUS=30\n"
              "TYPE0=1\nDELAY0=0.2\nDURATION0=0.5\n"
              "TYPE1=6\nDURATION1=1.5\nNUM1=70\nSPEED1=10\n"
              "TYPE2=6\nDURATION2=0.1\nNUM2=70\n"
              "TYPE3=5\nDURATION3=0.1\nNUM3=40\n"
              "[EXP_CHILDREN]\nTYPE0=10\nDURATION0=1\nNUM0=4\nID1_0=EXP_BIG\nSCALE0=2\nSCALE2_0=4\n"
              "[EXP_SPLINTERS]\nTYPE0=11\nDURATION0=1\nNUM0=6\nSPEED0=50\nSCALE0=1\nSCALE2_0=2\n"
              "[EXP_QUIET]\n"
              "[EXP_FLASH]\nLIGHTRADIUS=40\nLIGHTCOLOR=16711680\n");
        ASSERT_TRUE(g_ExploManager.Init(unit_sections::kExplosions));
    }
    CExploObject* Make(const char* type, CVector at = {500.0f, 500.0f, 300.0f})
    {
        CMatrix m(1.0f);
        m.SetTranslation(at);
        return static_cast<CExploObject*>(g_ExploManager.CreateObject(g_ExploManager.FindName(type), m));
    }
    void RunAll(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            SPointerArray<CMMObject> all;
            g_ObjectList.GetObjectList(0, all);
            for (int k = 0; k < all.count; ++k)
                all.items[k]->Run();
            Tick();
        }
    }
    CCounter* Victim(CVector at)
    {
        auto* v = new CCounter;
        v->m_bDamageable = 1;
        v->m_fRadius = 2.0f;
        v->SetPosition(at);
        g_ObjectList.AddObject(v);
        return v;
    }
};

} // namespace

TEST_F(Explo, DamageIsDealtOnceAndNotByANetworkCopy)
{
    CCounter* victim = Victim({505.0f, 500.0f, 300.0f});
    CExploObject* e = Make("EXP_BIG");
    for (int i = 0; i < 5; ++i)
        e->Run();
    EXPECT_EQ(victim->hits, 1);
    EXPECT_FLOAT_EQ(victim->total, 50.0f);
    CExploObject* copy = Make("EXP_BIG");
    copy->m_bNetwork = 1;
    copy->Run();
    EXPECT_EQ(victim->hits, 1);
    // No damage and no impulse: nothing dealt.
    Make("EXP_QUIET")->Run();
    EXPECT_EQ(victim->hits, 1);
    EXPECT_EQ(g_ExploManager.CreateObject(-1, CMatrix(1.0f)), nullptr);
}

TEST_F(Explo, TheLifetimeIsTheLongestLayerOverTheSpeedFactorAndParticlesAreCapped)
{
    CExploObject* e = Make("EXP_BIG");
    EXPECT_GE(e->m_fSpeedFactor, 0.666f);
    EXPECT_LE(e->m_fSpeedFactor, 1.33f);
    EXPECT_FLOAT_EQ(e->m_fLifeTime, 1.5f);
    EXPECT_FLOAT_EQ(e->m_fRadius, 30.0f);
    // 70 + 70 pairs asked for, 160 points held: the second ring gets 10.
    EXPECT_EQ(e->m_Count[1], 70);
    EXPECT_EQ(e->m_Count[2], 10);
    EXPECT_EQ(e->m_Count[3], 0);
    EXPECT_LE(e->m_nPoints, CExploObject::kMaxPoints);
    const float factor = e->m_fSpeedFactor;
    int frames = 0;
    for (; frames < 200 && e->m_bAlive; ++frames)
    {
        e->Run();
        Tick();
    }
    EXPECT_NEAR(frames * Dt(), 1.5f / factor, Dt() + 1e-4f);
}

TEST_F(Explo, ABurstSeenFromAfarHasNoParticles)
{
    g_ViewCamera.SetPosition({0.0f, 0.0f, 0.0f});
    CExploObject* e = Make("EXP_BIG", {400.0f, 0.0f, 0.0f});
    EXPECT_EQ(e->m_Count[3], 0);
    CExploObject* near = Make("EXP_BIG", {0.0f, 0.0f, 0.0f});
    EXPECT_EQ(near->m_Count[3], 0); // the rings took every point first
}

TEST_F(Explo, ChildExplosionsAndSplintersComeOverTheDuration)
{
    CExploObject* parent = Make("EXP_CHILDREN");
    parent->m_bNetwork = 1;
    parent->m_bLocal = 1;
    RunAll(40);
    EXPECT_GE(ExploCount(), 1);
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_EXPLOSION, all);
    EXPECT_GE(all.count, 1);
    g_ObjectList.Clear();
    CExploObject* thrower = Make("EXP_SPLINTERS");
    thrower->m_vInherited = {0.0f, 0.0f, 1000.0f};
    for (int i = 0; i < 40; ++i)
    {
        thrower->Run();
        Tick();
    }
    SPointerArray<CMMObject> splinters;
    g_ObjectList.GetObjectList(OBJ_SPLINTER, splinters);
    EXPECT_EQ(splinters.count, 5); // due = u x 6 - 0.5, truncated, before u reaches 1
    for (int i = 0; i < splinters.count; ++i)
    {
        const auto* s = static_cast<CSplinterObject*>(splinters.items[i]);
        EXPECT_GT(s->m_vVelocity.z, 900.0f);
        // The layer names no model: a splinter takes the layer's (none),
        // not the model numbered by its random variant.
        EXPECT_EQ(s->m_Model.Index(), -1);
    }
}

TEST_F(Explo, ASplinterBouncesRestsSinksAndEnds)
{
    auto* s = new CSplinterObject;
    CMatrix m(2.0f);
    m.SetTranslation({500.0f, 500.0f, -1.0f}); // just under the ground at 0
    s->Init(m, STypeKey(0), 0, nullptr);
    g_ObjectList.AddObject(s);
    EXPECT_FLOAT_EQ(s->m_fScale, 2.0f);
    s->m_vVelocity = {0.0f, 0.0f, -20.0f};
    s->RunMove(Dt());
    EXPECT_TRUE(s->m_bHitGround);
    EXPECT_NEAR(s->m_vVelocity.z, 20.0f * 0.5f * 0.75f, 1e-3f); // v - 1.5 (n.v) n, x 0.75
    EXPECT_FLOAT_EQ(s->GetPosition().z, 0.5f);
    // Slow on the ground: rests after 0.25 s, then sinks 1 per second.
    s->m_vVelocity = {};
    for (int i = 0; i < 6; ++i)
        s->RunMove(Dt());
    EXPECT_FALSE(s->m_bMoving);
    const float z = s->GetPosition().z;
    s->Run();
    EXPECT_NEAR(s->GetPosition().z, z - Dt(), 1e-5f);
    // Gone after 10 s whatever it does.
    for (int i = 0; i < 400 && s->m_bAlive; ++i)
    {
        s->Run();
        Tick();
    }
    EXPECT_FALSE(s->m_bAlive);
}

TEST_F(Explo, ACarryingSplinterWithoutItsThingLogsAndLivesLong)
{
    CSplinterObject s;
    s.Init(CMatrix(1.0f), STypeKey(0), CSplinterObject::kTrailCarry, nullptr);
    EXPECT_FALSE(s.m_bHasTail);
    EXPECT_FLOAT_EQ(s.m_fLifeLimit, 1000.0f);
    EXPECT_NE(ReadText("error.log").find("CSplinterObject::Init lpObject is NULL"), std::string::npos);
}

TEST_F(Explo, TheLightFlashSwellsFadesAndGoesOutAfterASecond)
{
    CExploObject* e = Make("EXP_FLASH");                                 // pure red, radius 40
    EXPECT_FLOAT_EQ(g_ExploManager.Param(e->m_iType)->m_fRadius, 10.0f); // RADIUS 0 reads as 10
    // k swells as t^2 and dies as 1 / t^4 (t = age x 10); the reach term
    // is (20 / range)^2, times sqrt k while swelling.
    struct Case
    {
        float age, k, a2;
    } cases[] = {{0.05f, 0.25f, 0.125f}, {0.1f, 1.0f, 0.25f}, {0.2f, 1.0f / 16.0f, 0.25f}};
    g_LightWare.ResetFrame();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.age);
        e->m_fAge = c.age;
        e->PreDraw();
        EXPECT_TRUE(e->m_bLightOn);
        EXPECT_EQ(e->m_Light.Type, plat::d3d::D3DLIGHT_POINT);
        EXPECT_NEAR(e->m_Light.Diffuse.r, 20.0f * c.k, 1e-4f);
        EXPECT_FLOAT_EQ(e->m_Light.Diffuse.b, 0.0f);
        EXPECT_FLOAT_EQ(e->m_Light.Ambient.r, e->m_Light.Diffuse.r);
        EXPECT_FLOAT_EQ(e->m_Light.Range, 40.0f);
        EXPECT_FLOAT_EQ(e->m_Light.Attenuation0, 1.0f);
        EXPECT_NEAR(e->m_Light.Attenuation2, c.a2, 1e-5f);
    }
    // Each frame's flash goes to the scene's lights.
    EXPECT_EQ(g_LightWare.m_nCount, 3);
    EXPECT_EQ(g_LightWare.m_Lights[0].light, &e->m_Light);
    // The drawing calls PreDraw, seen or not, for the first second only.
    EXPECT_TRUE(e->m_bPreDrawVisible && e->m_bPreDrawInvisible);
    e->m_fAge = 1.01f;
    e->PreDraw();
    EXPECT_FALSE(e->m_bLightOn);
    EXPECT_FALSE(e->m_bPreDrawVisible || e->m_bPreDrawInvisible);
    EXPECT_EQ(g_LightWare.m_nCount, 3);
    g_LightWare.ResetFrame();
    CExploObject* quiet = Make("EXP_QUIET");
    EXPECT_FALSE(quiet->m_bLightOn || quiet->m_bPreDrawVisible || quiet->m_bPreDrawInvisible);
}
