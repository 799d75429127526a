// The weapon, equipment and modifier tables over fake database rows: field
// defaults, deleted rows, name resolution, modifier words and their effect.
#include "UnitTestTables.h"

#include "platform/CodePage.h"

#include <cfloat>

using unittest::CUnitTables;

class UnitTables : public CUnitTables
{
};

TEST(UnitSections, NamesAreTheCyrillicSectionsInCodePage1251)
{
    using namespace unit_sections;
    EXPECT_EQ(plat::Utf8ToCp1251("Оружие"), kWeapons);
    EXPECT_EQ(plat::Utf8ToCp1251("Оборудование"), kEquipment);
    EXPECT_EQ(plat::Utf8ToCp1251("Модификаторы"), kModifiers);
    EXPECT_EQ(plat::Utf8ToCp1251("Товары"), kGoods);
    EXPECT_EQ(plat::Utf8ToCp1251("Глайдеры"), kGliders);
    EXPECT_EQ(plat::Utf8ToCp1251("Снаряды"), kMissiles);
    EXPECT_EQ(plat::Utf8ToCp1251("Взрывы"), kExplosions);
}

TEST_F(UnitTables, WeaponRowsTakeTheirDefaultsAndResolveNames)
{
    ASSERT_EQ(g_GunManager.GetCount(), 3); // the deleted row is not listed
    EXPECT_EQ(Gun("GUN_GONE"), -1);
    const SGunParameters* laser = g_GunManager.GetGun(Gun("GUN_LASER"));
    EXPECT_FLOAT_EQ(laser->m_fRateOfFire, 2.0f); // 120 a minute
    EXPECT_FLOAT_EQ(laser->m_fFireTime, 8.0f);
    EXPECT_FLOAT_EQ(laser->m_fCoolTime, 4.0f); // half the fire time
    EXPECT_EQ(laser->m_bDoubleGun, 1);         // TYPE 0 is always double
    EXPECT_FLOAT_EQ(laser->m_fWeight, 15.0f);
    EXPECT_EQ(laser->GetExploId(), g_ExploManager.FindName("EXP_SMALL"));
    EXPECT_EQ(laser->GetModelId(), -1); // no model named
    EXPECT_FLOAT_EQ(laser->m_Color[3], 1.0f);
    for (float v : laser->m_MaxDamage)
        EXPECT_EQ(v, FLT_MAX);

    const SGunParameters* plain = g_GunManager.GetGun(Gun("GUN_PLAIN"));
    EXPECT_FLOAT_EQ(plain->m_fRateOfFire, 1.0f);
    EXPECT_FLOAT_EQ(plain->m_fFireTime, 10.0f);
    EXPECT_FLOAT_EQ(plain->m_fCoolTime, 3.0f);
    EXPECT_FLOAT_EQ(plain->m_fWeight, 20.0f);
    EXPECT_FLOAT_EQ(plain->m_fShootScale, 1.0f);
    EXPECT_FLOAT_EQ(plain->m_fFxTime, 0.25f);
    EXPECT_FLOAT_EQ(plain->m_fFxModelTime, 0.5f);
    EXPECT_FLOAT_EQ(plain->m_fAngle, 30.0f);
    EXPECT_FLOAT_EQ(plain->m_fInsideMul, 1.0f);
    EXPECT_EQ(plain->m_bDoubleGun, 0);
    EXPECT_EQ(plain->GetMissileId(), -1); // a name the missile table lacks
    EXPECT_EQ(g_GunManager.GetGun(Gun("GUN_ROCKET"))->GetMissileId(),
              g_MissileManager.FindName("MIS_ROCKET"));

    // Outside the table: the all-zero record.
    for (std::int32_t bad : {-1, 3, 1000})
        EXPECT_EQ(g_GunManager.GetGun(bad)->m_fRateOfFire, 0.0f);
}

TEST_F(UnitTables, EquipmentKindZeroIsADeviceAndDeletedRowsAreSkipped)
{
    EXPECT_EQ(Eqp("EQP_GONE"), -1);
    EXPECT_EQ(g_EquipmentManager.GetEquipment(Eqp("EQP_ACCUMULATOR"))->m_nType, EQK_DEVICE);
    EXPECT_EQ(g_EquipmentManager.GetEquipment(Eqp("REACTOR_1"))->m_nType, EQK_REACTOR);
    EXPECT_EQ(g_EquipmentManager.GetEquipment(-1), nullptr);
    EXPECT_EQ(g_EquipmentManager.GetEquipment(g_EquipmentManager.GetCount()), nullptr);
}

TEST(ModifWord, OperationsOnTheWord)
{
    EXPECT_EQ(CModifManager::CreateModif(0, 2, 0, 3), 0x2003u);
    EXPECT_EQ(CModifManager::CreateModif(0x2003, 2, 2, 1), 0x2103u);
    EXPECT_EQ(CModifManager::CreateModif(0x2103, 5, 0, 7), 0x5107u); // type and one level replaced
    EXPECT_EQ(CModifManager::CreateModif(0x2103, 2, 1, 0), 0u);      // level 0 refused
    EXPECT_EQ(CModifManager::GetModifType(0x5107), 5u);
    EXPECT_EQ(CModifManager::GetModifNibble(0x5107, 2), 1u);

    struct SCase
    {
        std::uint32_t word, type, property, level;
    };
    const SCase cases[] = {
        {0x2010, 2, 1, 1}, // one property
        {0x3000, 3, 9, 0}, // none: property untouched
        {0x2011, 0, 9, 0}, // two: type and level 0
    };
    for (const SCase& c : cases)
    {
        std::uint32_t type = 99, property = 9, level = 99;
        CModifManager::GetProperties(c.word, &type, &property, &level);
        EXPECT_EQ(type, c.type) << std::hex << c.word;
        EXPECT_EQ(property, c.property) << std::hex << c.word;
        EXPECT_EQ(level, c.level) << std::hex << c.word;
    }
}

TEST(ModifWord, UpgradeRefusesASecondModifierOfAPropertyAndAnotherType)
{
    std::uint32_t word = 0;
    EXPECT_TRUE(CModifManager::UpgradeModif(&word, 0x2001));
    EXPECT_EQ(word, 0x2001u);
    EXPECT_FALSE(CModifManager::UpgradeModif(&word, 0x2002)); // property 0 is taken
    EXPECT_FALSE(CModifManager::UpgradeModif(&word, 0x3010)); // another item type
    EXPECT_TRUE(CModifManager::UpgradeModif(&word, 0x2100));
    EXPECT_EQ(word, 0x2101u);
}

TEST_F(UnitTables, FindModifAndGetModifID)
{
    EXPECT_EQ(g_ModifManager.FindModif(unittest::kGunDamage), g_ModifManager.FindName("M_GUN_DAMAGE"));
    EXPECT_EQ(g_ModifManager.FindModif(0x2002), -1);
    std::int32_t a, b, c;
    g_ModifManager.GetModifID(0x2110, &a, &b, &c);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, g_ModifManager.FindName("M_GUN_DAMAGE"));
    EXPECT_EQ(c, g_ModifManager.FindName("M_GUN_SAVER"));
}

TEST_F(UnitTables, ApplyModifIsLinearAndNeverNegative)
{
    const std::int32_t rate = g_ModifManager.FindModif(unittest::kGunRate); // 1.5, 0.8, 1.2
    float p1 = 10, p2 = 10, price = 100;
    g_ModifManager.ApplyModif(rate, 10, &p1, 10, &p2, 100, &price);
    g_ModifManager.ApplyModif(rate, 10, &p1, 10, &p2, 100, &price); // same bases: no compounding
    EXPECT_FLOAT_EQ(p1, 20.0f);
    EXPECT_FLOAT_EQ(p2, 6.0f);
    EXPECT_FLOAT_EQ(price, 140.0f);

    const std::int32_t same = g_ModifManager.FindModif(unittest::kEngineA); // K2 = 1
    p2 = 7;
    g_ModifManager.ApplyModif(same, 1, &p1, 7, &p2, 1, &price);
    EXPECT_FLOAT_EQ(p2, 7.0f);

    const std::int32_t huge = g_ModifManager.FindModif(unittest::kReactorB); // K2 -5, Kp -9
    p1 = 1, p2 = 10, price = 100;
    g_ModifManager.ApplyModif(huge, 1, &p1, 10, &p2, 100, &price);
    EXPECT_EQ(p2, 0.0f);
    EXPECT_EQ(price, 0.0f);

    p1 = 5;
    g_ModifManager.ApplyModif(g_ModifManager.GetCount(), 1, &p1, 1, &p2, 1, &price);
    EXPECT_EQ(p1, 5.0f);
}

TEST_F(UnitTables, WeaponModifiersChangeTheirParameters)
{
    const std::int32_t laser = Gun("GUN_LASER"); // rate 2, power 2, damage 10, fire time 8, price 1000
    SGunParameters p;
    g_GunManager.GetParam(&p, laser, unittest::kGunRate, false);
    EXPECT_FLOAT_EQ(p.m_fRateOfFire, 3.0f); // + 0.5 x 2
    EXPECT_FLOAT_EQ(p.m_fPower, 2.4f);      // negated base: more energy drawn
    EXPECT_FLOAT_EQ(p.m_fPrice, 1200.0f);

    g_GunManager.GetParam(&p, laser, CModifManager::CreateModif(unittest::kGunDamage, 2, 2, 1), false);
    EXPECT_FLOAT_EQ(p.m_fDamage, 10.0f + 2.0f - 1.0f); // property 1 raises, property 2 lowers
    EXPECT_FLOAT_EQ(p.m_fFireTime, 4.0f);              // shorter fire time
    EXPECT_FLOAT_EQ(p.m_fPower, 1.0f);                 // property 2 lowers the draw
    EXPECT_FLOAT_EQ(p.m_fPrice, 1000.0f + 500.0f + 100.0f);

    // A reactor word on a weapon changes nothing; a bad index leaves the
    // output as it was.
    g_GunManager.GetParam(&p, laser, unittest::kReactorA, false);
    EXPECT_FLOAT_EQ(p.m_fPrice, 1000.0f);
    p.m_fPrice = -1;
    g_GunManager.GetParam(&p, 77, 0, false);
    EXPECT_EQ(p.m_fPrice, -1.0f);
}

TEST_F(UnitTables, EquipmentModifiersNeedTheirKind)
{
    SEquipmentParameters p;
    g_EquipmentManager.GetParam(&p, Eqp("REACTOR_1"), unittest::kReactorA);
    EXPECT_FLOAT_EQ(p.m_fDamage, 150.0f); // durability up
    EXPECT_FLOAT_EQ(p.m_fWeight, 75.0f);  // negated base: weight up
    EXPECT_FLOAT_EQ(p.m_fPrice, 1000.0f);

    g_EquipmentManager.GetParam(&p, Eqp("ENGINE_1"), unittest::kReactorA);
    EXPECT_FLOAT_EQ(p.m_fDamage, 100.0f); // a reactor word on an engine
    EXPECT_FLOAT_EQ(p.m_fPrice, 400.0f);

    g_EquipmentManager.GetParam(&p, Eqp("ENGINE_1"), unittest::kEngineA);
    EXPECT_FLOAT_EQ(p.m_fDamage, 110.0f);
    EXPECT_FLOAT_EQ(p.m_fWeight, 40.0f); // K2 = 1

    // Shield property 2: value 2 up by its own base, value 1 down by its own.
    g_EquipmentManager.GetParam(&p, Eqp("SHIELD_1"), unittest::kShieldC);
    EXPECT_FLOAT_EQ(p.m_fValue2, 100.0f);
    EXPECT_FLOAT_EQ(p.m_fValue1, 50.0f);

    EXPECT_FLOAT_EQ(g_EquipmentManager.GetRepairPrice(STypeKey(Eqp("REACTOR_1")), unittest::kReactorA),
                    100.0f);
    EXPECT_FLOAT_EQ(g_EquipmentManager.GetRepairPrice(STypeKey(-1), 0), 0.0f);
}

TEST_F(UnitTables, MaximumDamageIsCachedOnTheFirstRequest)
{
    const std::int32_t laser = Gun("GUN_LASER"); // instant hit, damage 10, explosion 25
    float out[3];
    EXPECT_FLOAT_EQ(g_GunManager.GetMaxDamage(out, laser, 0, false), 10.0f);
    EXPECT_FLOAT_EQ(out[1], 25.0f);
    g_GunManager.m_Records[std::size_t(laser)].m_fDamage = 99.0f; // the cache is reused
    EXPECT_FLOAT_EQ(g_GunManager.GetMaxDamage(out, laser, 0, true), 35.0f);
    // With a word the modified direct damage counts (10 + 0.2 x 99).
    EXPECT_FLOAT_EQ(g_GunManager.GetMaxDamage(out, laser, unittest::kGunDamage, false), 99.0f * 1.2f);

    const std::int32_t rocket = Gun("GUN_ROCKET"); // the missile's 40 and its explosion's 25
    EXPECT_FLOAT_EQ(g_GunManager.GetMaxDamage(out, rocket, 0, true), 65.0f);
    EXPECT_FLOAT_EQ(g_GunManager.m_Records[std::size_t(rocket)].m_MaxDamage[0], 40.0f);
    EXPECT_EQ(g_GunManager.GetMaxDamage(out, -1, 0, true), 0.0f);

    // A modified copy gets its own cache filled, with the missile's direct
    // hit raised by the weapon word (40 + 0.2 x 40).
    SGunParameters p;
    g_GunManager.GetParam(&p, rocket, unittest::kGunDamage, true);
    EXPECT_FLOAT_EQ(p.m_MaxDamage[0], 48.0f);
}

TEST_F(UnitTables, InitGunWithoutALoadedModelStaysUninitialised)
{
    const std::int32_t laser = Gun("GUN_LASER");
    g_GunManager.InitGun(laser);
    const SGunParameters* g = g_GunManager.GetGun(laser);
    EXPECT_EQ(g->m_bInitialized, 0);
    EXPECT_EQ(g->m_FirePoints[0], -1);
    EXPECT_EQ(g->m_iFireObject, -1);
}

TEST_F(UnitTables, GoodsAndGliderStandInsTakeTheirDefaults)
{
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_ORE")->m_fMass, 2.0f);
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_MECHANOID")->m_fPrice, 100.0f);
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_FREE")->m_fPrice, 0.0f);
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_FREE")->m_fMass, 1.0f);
    EXPECT_FLOAT_EQ(g_GliderManager.GetGlider(0)->m_fMaxWeight, 500.0f);
}
