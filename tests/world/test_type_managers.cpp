// The glider, missile and explosion type managers over an INI-mode resource
// database, with a modifier table and object makers of the test's own.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

namespace
{

// Record i raises the first parameter by 10 % per level i + 1 and lowers
// the second by 50 %; prices double.
class CTestModifiers : public IModifierTable
{
public:
    void GetModifID(std::uint32_t word, std::int32_t* a, std::int32_t* b, std::int32_t* c) const override
    {
        std::int32_t* out[3] = {a, b, c};
        for (std::uint32_t n = 0; n < 3; ++n)
        {
            const std::uint32_t level = (word >> (4 * n)) & 0xf;
            *out[n] = level ? std::int32_t(level - 1) : -1;
        }
    }
    void ApplyModif(std::int32_t index, float base1, float* p1, float base2, float* p2, float basePrice,
                    float* price) const override
    {
        *p1 += 0.1f * float(index + 1) * base1;
        *p2 -= 0.5f * base2;
        *price += basePrice;
    }
};

class TypeManagers : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        Write("main.ini", "[G]\nfilename=g.ini\n[M]\nfilename=m.ini\n[E]\nfilename=e.ini\n");
        Write("g.ini", "[GL_BIG]\nWEIGHT=100\nMAXWEIGHT=100\nSTANDARD=3\nDAMAGE=200\nROTATESPEED=2\n"
                       "TURBULENCE=3\nCAREEN=2\nDELTAT=5\nPRICE=1000\nSPECIAL=1\n"
                       "[GL_SMALL]\nSTANDARD=2\nSPECIAL=2\n[GL_MASKED]\nSTANDARD=4\nGUNMASK=7\n");
        Write("m.ini", "[MIS_PLAIN]\nDAMAGE=40\n"
                       "[MIS_CLUSTER]\nDAMAGE=10\nEXPLO=EXP_BIG\nSUBMISSILE=MIS_PLAIN\nNUMSTATE=3\n"
                       "[MIS_LOOP_A]\nDAMAGE=1\nSUBMISSILE=MIS_LOOP_B\n[MIS_LOOP_B]\nDAMAGE=2\nSUBMISSILE=MIS_LOOP_A\n"
                       "[MIS_ODD]\nSCALE=0\nNUMSTATE=0\nEXPLO=EXP_NONE\n");
        Write("e.ini", "[EXP_BIG]\nDAMAGE=25\nLIGHTCOLOR=1193046\nISPLANE=1\nID1_0=EXP_SMALL\nTYPE0=3\n"
                       "NTEX1=2\n"
                       "[EXP_SMALL]\nRADIUS=4\nDURATION0=2\nSCALE2_0=3\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        m_saved = g_UnitKinds;
        g_UnitKinds = SUnitKinds{};
        g_UnitKinds.modifiers = &m_modifiers;
        g_UnitKinds.equipmentClass = [](std::int32_t e) { return e < 10 ? e : -1; };
        g_UnitKinds.makeExplo = [](const CMatrix& at, std::int32_t) -> CMMObject*
        {
            auto* o = new CMMObject;
            o->m_nType = OBJ_EXPLOSION;
            o->SetMatrix(at);
            return o;
        };
        ASSERT_TRUE(g_ExploManager.Init("E"));
        ASSERT_TRUE(g_MissileManager.Init("M"));
        ASSERT_TRUE(g_GliderManager.Init("G"));
    }
    void TearDown() override
    {
        g_UnitKinds = m_saved;
        g_ObjectList.Clear();
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void Write(const char* name, const std::string& text) { std::ofstream(m_dir / name, std::ios::binary) << text; }

    worldtest::CScene m_Scene;
    CTestModifiers m_modifiers;
    SUnitKinds m_saved;
    std::string m_previous;
};

} // namespace

TEST_F(TypeManagers, GliderRecordsTakeTheirScalingsAndDefaults)
{
    const SGliderParameters* big = g_GliderManager.GetGlider(g_GliderManager.FindName("GL_BIG"));
    ASSERT_NE(big, nullptr);
    EXPECT_FLOAT_EQ(big->m_fMaxWeight, 125.0f);
    EXPECT_FLOAT_EQ(big->m_fTurbulence, 250.0f);
    EXPECT_FLOAT_EQ(big->m_fCareen, 0.15f);
    EXPECT_FLOAT_EQ(big->m_fDeltaT, 0.5f);
    EXPECT_EQ(big->m_nGunMask, 513);
    EXPECT_EQ(big->m_bSpecial1, 1); // bit 1 clear
    EXPECT_EQ(big->m_bSpecial2, 0); // bit 0 set
    const SGliderParameters* small = g_GliderManager.GetGlider(g_GliderManager.FindName("GL_SMALL"));
    EXPECT_EQ(small->m_nGunMask, 1);
    EXPECT_EQ(small->m_bSpecial1, 0);
    EXPECT_EQ(small->m_bSpecial2, 0); // class 2 is too low
    EXPECT_EQ(g_GliderManager.GetGlider(g_GliderManager.FindName("GL_MASKED"))->m_nGunMask, 7);
    EXPECT_EQ(g_GliderManager.GetGlider(3), nullptr);
    EXPECT_EQ(g_GliderManager.GetType(-2), nullptr);

    EXPECT_EQ(g_GliderManager.CheckKind(0, 1), 1);
    EXPECT_EQ(g_GliderManager.CheckKind(1, 1), 0);
    EXPECT_EQ(g_GliderManager.CheckKind(1, 4), 1);
    EXPECT_TRUE(g_GliderManager.CheckEquipmentClass(0, 3));
    EXPECT_TRUE(g_GliderManager.CheckEquipmentClass(0, 2));
    EXPECT_FALSE(g_GliderManager.CheckEquipmentClass(0, 1));
    EXPECT_FALSE(g_GliderManager.CheckEquipmentClass(0, 30)); // unknown equipment
}

TEST_F(TypeManagers, GliderParametersWithModifiers)
{
    SGliderParameters p;
    p.m_fDamage = -7.0f;
    EXPECT_EQ(g_GliderManager.GetParam(p, 3, 0), 0); // one past the end: untouched
    EXPECT_FLOAT_EQ(p.m_fDamage, -7.0f);

    EXPECT_EQ(g_GliderManager.GetParam(p, 0, 0), 1);
    EXPECT_FLOAT_EQ(p.m_fDamage, 200.0f);
    EXPECT_EQ(g_GliderManager.GetParam(p, 0, 0x1000), -1); // a glider word without levels
    EXPECT_EQ(g_GliderManager.GetParam(p, 0, 0x2001), 2);  // a weapon word

    // First modifier (record 0): DAMAGE +10 %, WEIGHT raised by half its
    // base, price doubled. Third (record 0): ROTATESPEED +10 %, DAMAGE -50 %.
    EXPECT_EQ(g_GliderManager.GetParam(p, 0, 0x1101), 1);
    EXPECT_FLOAT_EQ(p.m_fWeight, 150.0f);
    EXPECT_FLOAT_EQ(p.m_fPrice, 2000.0f);
    EXPECT_FLOAT_EQ(p.m_fDamage, 220.0f - 100.0f);
    EXPECT_FLOAT_EQ(p.m_fRotateSpeed, 2.2f);
    EXPECT_FLOAT_EQ(g_GliderManager.GetTenthPrice(0, 0x1101), 200.0f);
    // Second modifier at level 2 (record 1): MAXWEIGHT +20 %, ROTATESPEED -50 %.
    EXPECT_EQ(g_GliderManager.GetParam(p, 0, 0x1020), 1);
    EXPECT_FLOAT_EQ(p.m_fMaxWeight, 150.0f);
    EXPECT_FLOAT_EQ(p.m_fRotateSpeed, 1.0f);
}

TEST_F(TypeManagers, MissileRecordsAndTheirDamage)
{
    const std::int32_t plain = g_MissileManager.FindName("MIS_PLAIN");
    const std::int32_t cluster = g_MissileManager.FindName("MIS_CLUSTER");
    float out[3];
    EXPECT_FLOAT_EQ(g_MissileManager.GetMaxDamage(out, plain, 0), 40.0f); // no EXPLO, no SUBMISSILE
    EXPECT_FLOAT_EQ(g_MissileManager.GetMaxDamage(out, cluster, 0), 10.0f + 25.0f + 3 * 40.0f);
    EXPECT_FLOAT_EQ(out[1], 25.0f);
    EXPECT_FLOAT_EQ(out[2], 120.0f);
    EXPECT_EQ(g_MissileManager.GetMaxDamage(out, 99, 0), 0.0f);

    // Without a modifier a hit adds nothing to DAMAGE; a weapon word's
    // second modifier (record 0: +10 %) does.
    EXPECT_EQ(g_MissileManager.GetAddDirectHit(plain, 0), 0.0f);
    EXPECT_EQ(g_MissileManager.GetAddDirectHit(plain, 0x1010), 0.0f); // not a weapon word
    EXPECT_FLOAT_EQ(g_MissileManager.GetAddDirectHit(plain, 0x2010), 4.0f);
    EXPECT_FLOAT_EQ(g_MissileManager.GetAddDirectHit(plain, 0x2110), 4.0f - 20.0f);
    EXPECT_FLOAT_EQ(g_MissileManager.GetMaxDamage(out, plain, 0x2010), 44.0f);

    const SMissileParameters* odd = g_MissileManager.Param(g_MissileManager.FindName("MIS_ODD"));
    EXPECT_FLOAT_EQ(odd->m_fScale, 1.0f);
    EXPECT_EQ(odd->m_nSubCount, 1);
    EXPECT_EQ(odd->m_iExplo, -1);
    EXPECT_NE(g_MissileManager.Param(-1), nullptr); // the shared default record
    EXPECT_EQ(g_MissileManager.Param(5), nullptr);
}

TEST_F(TypeManagers, ASubMissileCycleIsCutWithAnErrorLine)
{
    const std::int32_t a = g_MissileManager.FindName("MIS_LOOP_A");
    const std::int32_t b = g_MissileManager.FindName("MIS_LOOP_B");
    float out[3];
    EXPECT_FLOAT_EQ(g_MissileManager.GetMaxDamage(out, a, 0), 1.0f + 2.0f);
    EXPECT_EQ(g_MissileManager.Param(a)->m_iSubMissile, b);
    EXPECT_EQ(g_MissileManager.Param(b)->m_iSubMissile, -1);
    EXPECT_NE(ReadText("error.log").find("missile type 'MIS_LOOP_B': SUBMISSILE 'MIS_LOOP_A' leads back to it"),
              std::string::npos);
}

TEST_F(TypeManagers, ExplosionRecordsAndCreation)
{
    const SExploParameters* big = g_ExploManager.Param(0);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->m_dwLightColor, 0x563412u); // 0x123456 with red and blue swapped
    EXPECT_EQ(big->m_bPlane, 1);
    EXPECT_FLOAT_EQ(big->m_fRadius, 10.0f);
    EXPECT_EQ(big->m_Layers[0].m_iChild, 1);
    EXPECT_EQ(big->m_Layers[0].m_nKind, 3);
    EXPECT_FLOAT_EQ(big->m_Layers[0].m_fDuration, 1.0f);
    EXPECT_FLOAT_EQ(big->m_Layers[0].m_fScale, 1.0f);
    EXPECT_EQ(big->m_Layers[1].m_nTextures, 2);
    const SExploParameters* small = g_ExploManager.Param(1);
    EXPECT_FLOAT_EQ(small->m_fRadius, 4.0f);
    EXPECT_FLOAT_EQ(small->m_Layers[0].m_fDuration, 2.0f);
    EXPECT_FLOAT_EQ(small->m_Layers[0].m_fScale2, 3.0f);

    EXPECT_EQ(g_ExploManager.CreateObject(-1, CMatrix(1.0f)), nullptr);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 0);
    CMMObject* explo = g_ExploManager.CreateObject(1, CMatrix(1.0f));
    ASSERT_NE(explo, nullptr);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 1);
}

TEST_F(TypeManagers, NetworkMissilesNeedAMissileDescriptor)
{
    int made = 0;
    static int* s_made = nullptr;
    s_made = &made;
    g_UnitKinds.makeMissile = [](const CMatrix&, std::int32_t, std::uint32_t, const char*) -> CMMObject*
    {
        ++*s_made;
        auto* o = new CMMObject;
        o->m_nType = OBJ_MISSILE;
        return o;
    };
    SDynamicNetDescriptor d{};
    d.base.type = OBJ_MISSILE;
    d.base.typeRef = 0xFFFFFFFFu;
    EXPECT_EQ(g_MissileManager.CreateNetObject(&d.base), nullptr); // no type: nothing, silently
    d.base.typeRef = 1;
    d.base.netId = 77;
    d.base.position[0] = 5.0f;
    CMMObject* copy = g_MissileManager.CreateNetObject(&d.base);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_nNetId, 77u);
    EXPECT_EQ(copy->m_bNetwork, 1);
    EXPECT_EQ(copy->m_bLocal, 0);
    EXPECT_FLOAT_EQ(copy->GetPosition().x, 5.0f);
    EXPECT_EQ(g_ObjectList.FindNetObject(77), copy);
    d.base.typeRef = 40;
    EXPECT_EQ(g_MissileManager.CreateNetObject(&d.base), nullptr);
    EXPECT_EQ(made, 1);
}
