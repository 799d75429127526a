// The missile object: Init per kind, damageability, links, streams, the
// NaN guard and the single explosion.
#include "CombatFixture.h"

#include "foundation/MemStream.h"

#include <cmath>
#include <cstring>

using unittest::CCombatTest;

namespace
{

class Missile : public CCombatTest
{
protected:
    CMissileObject* Make(const char* type, CVector dir = {1.0f, 0.0f, 0.0f})
    {
        CObjectFrame frame;
        frame.SetForward(dir);
        CMatrix m = frame.m_Matrix;
        m.SetTranslation({500.0f, 500.0f, 300.0f});
        return static_cast<CMissileObject*>(g_MissileManager.CreateMissile(CCombatTest::Missile(type), m, nullptr, 0));
    }
    // A saved record of the given version after the base record.
    static void WriteRecord(CMemStream& s, std::uint32_t version, const char* type, const char* owner,
                            float life)
    {
        const std::uint8_t shown = 1;
        const CVector pos{10.0f, 20.0f, 30.0f};
        s.Write(&shown, 1);
        s.Write(&pos, sizeof pos);
        s.Write(&version, 4);
        char name[32] = {};
        std::strncpy(name, type, 31);
        s.Write(name, 32);
        if (version > 1)
        {
            char o[32] = {};
            std::strncpy(o, owner, 31);
            s.Write(o, 32);
        }
        const float strength = 3.0f, countdown = 0.0f, bonus = 0.0f, age = 1.25f;
        const std::uint8_t zero = 0, active = 1;
        const std::uint32_t spare = 7;
        const std::int32_t kind = 4;
        s.Write(&strength, 4);
        s.Write(&zero, 1);
        s.Write(&countdown, 4);
        s.Write(&bonus, 4);
        s.Write(&life, 4);
        s.Write(&age, 4);
        s.Write(&spare, 4);
        s.Write(&active, 1);
        s.Write(&kind, 4);
    }
};

} // namespace

TEST_F(Missile, InitSetsEachKindUp)
{
    struct Case
    {
        const char* type;
        float radius;
        bool pointTest, obstacle, active;
    } cases[] = {
        {"MIS_PLASMA", 1.0f, true, false, true}, // SCALE 2 x 0.5
        {"MIS_ROCKET", 1.25f, false, false, true}, {"MIS_BOMB", 1.25f, false, true, true},
        {"MIS_MINE", 2.0f, false, true, false},  // armed only on landing
        {"MIS_SPHERE", 0.5f, true, false, true}, // SCALE 0 reads as 1
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.type);
        CMissileObject* m = Make(c.type);
        EXPECT_EQ(m->m_nType, OBJ_MISSILE);
        EXPECT_FLOAT_EQ(m->m_fRadius, c.radius);
        EXPECT_EQ(m->m_bPointCollider != 0, c.pointTest);
        EXPECT_EQ(m->m_bCollidable != 0, c.obstacle);
        EXPECT_EQ(m->m_bActive != 0, c.active);
        EXPECT_EQ(m->m_nWeaponKind, 666);
        EXPECT_FLOAT_EQ(m->m_fFade, 0.5f);
        EXPECT_FLOAT_EQ(m->m_vLaunch.x, 500.0f);
    }
    CMissileObject* rocket = Make("MIS_ROCKET", {0.0f, 1.0f, 0.0f});
    EXPECT_NEAR(rocket->m_vVelocity.y, 100.0f, 1e-3f);
    EXPECT_FLOAT_EQ(rocket->m_fMass, 2.0f);
    EXPECT_FLOAT_EQ(rocket->m_fDrive, 6.0f); // WEIGHT x T
    EXPECT_FLOAT_EQ(rocket->m_fLifeTime, 5.0f);
    EXPECT_FLOAT_EQ(Make("MIS_TURN")->m_fSteeringResponse, 90.0f * 0.017453292f);
    EXPECT_FLOAT_EQ(Make("MIS_MINE")->m_fCountdown, 2.0f);
    EXPECT_EQ(g_MissileManager.Param(CCombatTest::Missile("MIS_MINE"))->m_nSubCount, 1);
}

TEST_F(Missile, RotateZeroTurnsAtTheDefaultRate)
{
    Write("missiles.ini", "[MIS_R]\nTYPE=2\nROTATE=0\n");
    ASSERT_TRUE(g_MissileManager.Init(unit_sections::kMissiles));
    EXPECT_FLOAT_EQ(Make("MIS_R")->m_fSteeringResponse, 4.712389f);
}

TEST_F(Missile, OnlyAPositiveStrengthCanBeShotDown)
{
    CMissileObject* plasma = Make("MIS_PLASMA"); // STRENGTH not given
    EXPECT_FALSE(plasma->m_bDamageable);
    plasma->Damage(100.0f, {}, 1, nullptr, 0, 666);
    EXPECT_TRUE(plasma->m_bAlive);
    CMissileObject* rocket = Make("MIS_ROCKET"); // STRENGTH 10
    EXPECT_TRUE(rocket->m_bDamageable);
    rocket->Damage(4.0f, {}, 1, nullptr, 0, 666);
    EXPECT_TRUE(rocket->m_bAlive);
    rocket->Damage(6.0f, {}, 1, nullptr, 0, 666); // exactly 0 left
    EXPECT_TRUE(rocket->HasExploded());
    EXPECT_FALSE(rocket->m_bActive);
    EXPECT_FALSE(rocket->m_bDamageable);
    rocket->Damage(6.0f, {}, 1, nullptr, 0, 666);
    rocket->Explosion(0);
    EXPECT_EQ(ExploCount(), 1); // explodes once
    rocket->Run();
    EXPECT_FALSE(rocket->m_bAlive);
}

TEST_F(Missile, TheOwnersNameOutlivesTheOwnerAndTheSave)
{
    auto mech = Fitted();
    std::strcpy(mech->m_szName, "HERO");
    auto* glider = new CGliderObject;
    glider->m_pMechanoid = mech.get();
    g_ObjectList.AddObject(glider);
    CMissileObject* m = Make("MIS_ROCKET");
    m->SetOwner(glider);
    m->SetTarget(glider);
    g_ObjectList.DeleteObject(glider);
    g_ObjectList.Pack(true);
    EXPECT_EQ(m->m_pOwner, nullptr);
    EXPECT_EQ(m->m_pTarget, nullptr);
    EXPECT_FALSE(m->m_bHasTarget);
    EXPECT_STREQ(m->m_OwnerName, "HERO");

    m->m_fLifeTime = 1.5f;
    m->m_fStrength = 2.0f;
    m->m_vVelocity = {1.0f, 2.0f, 3.0f};
    CMemStream s;
    m->SaveGame(s);
    s.m_nPosition = 0;
    CMissileObject copy;
    copy.LoadGame(s);
    EXPECT_STREQ(copy.m_OwnerName, "HERO");
    EXPECT_EQ(copy.GetTypeIndex(), CCombatTest::Missile("MIS_ROCKET"));
    // The current record keeps the flight state.
    EXPECT_FLOAT_EQ(copy.m_fLifeTime, 1.5f);
    EXPECT_FLOAT_EQ(copy.m_fStrength, 2.0f);
    EXPECT_FLOAT_EQ(copy.m_vVelocity.z, 3.0f);
}

TEST_F(Missile, OlderRecordsLoadWithAndWithoutTheOwnerName)
{
    struct Case
    {
        std::uint32_t version;
        const char* owner;
    } cases[] = {{1, ""}, {2, "PILOT"}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.version);
        CMemStream s;
        WriteRecord(s, c.version, "MIS_ROCKET", "PILOT", 0.25f);
        s.m_nPosition = 0;
        CMissileObject m;
        m.LoadGame(s);
        EXPECT_STREQ(m.m_OwnerName, c.owner);
        EXPECT_EQ(m.GetTypeIndex(), CCombatTest::Missile("MIS_ROCKET"));
        EXPECT_FLOAT_EQ(m.m_fAge, 1.25f);
        EXPECT_EQ(m.m_nWeaponKind, 4);
        EXPECT_FLOAT_EQ(m.m_fLifeTime, 5.0f); // anew from the type
        EXPECT_FLOAT_EQ(m.GetPosition().y, 20.0f);
    }
    // A short record is an error and applies nothing.
    CMemStream full;
    WriteRecord(full, 2, "MIS_ROCKET", "PILOT", 0.25f);
    CMemStream s;
    std::memcpy(s.Allocate(full.m_nPosition - 3), full.m_pData, full.m_nPosition - 3);
    CMissileObject m;
    EXPECT_THROW(m.LoadGame(s), CObjectStreamError);
    EXPECT_FLOAT_EQ(m.m_fAge, 0.0f);
}

TEST_F(Missile, ANaNCourseEndsTheMissileWithAnErrorLine)
{
    CMissileObject* m = Make("MIS_PLASMA");
    m->m_vVelocity.x = std::nanf("");
    m->Run();
    EXPECT_FALSE(m->m_bAlive);
    EXPECT_NE(ReadText("error.log").find("Invalid missile speed"), std::string::npos);
}

TEST_F(Missile, TheNetworkDescriptorAddsOwnerAndActiveFlag)
{
    CMissileObject* m = Make("MIS_ROCKET");
    auto* glider = new CGliderObject;
    glider->m_nNetId = 77;
    g_ObjectList.AddObject(glider);
    g_ObjectList.AddNetObject(glider);
    m->SetOwner(glider);
    std::uint8_t buffer[512] = {};
    int size = 0;
    m->WriteNetDescriptor(buffer, &size);
    int base = 0;
    std::uint8_t scratch[512] = {};
    glider->CDynamicObject::WriteNetDescriptor(scratch, &base);
    EXPECT_EQ(size, base + CMissileObject::kNetExtraSize);
    CMissileObject copy;
    int read = 0;
    copy.ReadNetDescriptor(buffer, &read);
    EXPECT_EQ(read, size);
    EXPECT_EQ(copy.m_pOwner, glider);
    EXPECT_EQ(copy.m_bActive, 1);
}

TEST_F(Missile, ItEndsWhenItsLifetimeRunsOut)
{
    // A plasma clot (LIFE_TIME 1) stops silently and its trace fades 0.5 s.
    CMissileObject* m = Make("MIS_PLASMA");
    int frames = 0;
    for (; frames < 100 && m->m_bAlive; ++frames)
        m->Run();
    EXPECT_NEAR(frames * Dt(), 1.5f, 2 * Dt() + 1e-4f);
    EXPECT_EQ(ExploCount(), 0);
    // A rocket at the end of its life makes "EXP_DEFAULT".
    CMissileObject* rocket = Make("MIS_ROCKET");
    for (int i = 0; i < 200 && rocket->m_bAlive; ++i)
        rocket->Run();
    EXPECT_FALSE(rocket->m_bAlive);
    ASSERT_EQ(ExploCount(), 1);
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_EXPLOSION, all);
    EXPECT_EQ(static_cast<CExploObject*>(all.items[0])->m_iType, g_ExploManager.FindName("EXP_DEFAULT"));
}

TEST_F(Missile, ANetworkCopyIsMadeFromTheDescriptorAndAForeignOneIsRefused)
{
    CMissileObject* m = Make("MIS_ROCKET", Normalize(CVector{0.0f, 1.0f, 1.0f}));
    m->m_nNetId = 41;
    m->m_vVelocity = CVector{1.0f, 2.0f, 3.0f};
    m->m_bActive = 0;
    std::uint8_t buffer[512] = {};
    int size = 0;
    m->WriteNetDescriptor(buffer, &size);
    auto* copy = static_cast<CMissileObject*>(
        g_MissileManager.CreateNetObject(reinterpret_cast<const SNetDescriptor*>(buffer)));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetDesc(), m->GetDesc());
    EXPECT_EQ(g_ObjectList.FindNetObject(41), copy);
    EXPECT_TRUE(IsNetworkCopy(copy));
    EXPECT_EQ(copy->m_bActive, 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(copy->m_Frame.m_Matrix.m[i][j], m->m_Frame.m_Matrix.m[i][j], 1e-5f) << i << j;
    EXPECT_FLOAT_EQ(copy->m_vVelocity.z, 3.0f);

    auto* glider = new CGliderObject;
    g_ObjectList.AddObject(glider);
    glider->WriteNetDescriptor(buffer, &size);
    const int before = MissileCount();
    EXPECT_EQ(g_MissileManager.CreateNetObject(reinterpret_cast<const SNetDescriptor*>(buffer)), nullptr);
    EXPECT_EQ(MissileCount(), before);
    EXPECT_NE(ReadText("error.log").find("net object 0 is no missile (object type 14"), std::string::npos);
}
