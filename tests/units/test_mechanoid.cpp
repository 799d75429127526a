// The mechanoid: pools and their modes, state queries, repair, the damage
// split, weights, price, war power and the cargo hold.
#include "MechanoidFixture.h"

#include "foundation/MemStream.h"
#include "units/MechRegistry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using unittest::CMechanoidTest;

class Mechanoid : public CMechanoidTest
{
};

TEST_F(Mechanoid, PoolsInTheirThreeModes)
{
    auto m = Fitted();
    EXPECT_FLOAT_EQ(m->GetShield(2), 100.0f);
    EXPECT_FLOAT_EQ(m->GetArmor(2), 200.0f);
    EXPECT_FLOAT_EQ(m->GetEnergy(2), 301.0f); // 30 x reactor value 1 + 1
    m->m_fShield = 25;
    m->m_fArmor = 250; // above the maximum: fraction capped
    EXPECT_FLOAT_EQ(m->GetShield(0), 0.25f);
    EXPECT_FLOAT_EQ(m->GetShield(1), 25.0f);
    EXPECT_FLOAT_EQ(m->GetArmor(0), 1.0f);

    // Without a glider type every armour query answers 1.0; without a
    // shield every shield query 0.
    auto bare = std::make_unique<CMechanoid>();
    for (int mode : {0, 1, 2})
    {
        EXPECT_EQ(bare->GetArmor(mode), 1.0f);
        EXPECT_EQ(bare->GetShield(mode), 0.0f);
    }
    EXPECT_EQ(bare->GetEnergy(2), 1.0f); // no reactor
    EXPECT_GE(bare->GetWarPower(), 1.0f);
}

TEST_F(Mechanoid, DevicesScaleThePools)
{
    auto m = Fitted({"EQP_EXTRA_ARMOR", "EQP_SHIELD_MULTIPLIER", "EQP_ACCUMULATOR", "EQP_MOBILIZER"});
    EXPECT_FLOAT_EQ(m->GetArmor(2), 240.0f);
    EXPECT_FLOAT_EQ(m->GetShield(2), 125.0f);
    const float maximum = m->GetEnergy(2);
    EXPECT_FLOAT_EQ(maximum, 301.0f * 1.25f);
    m->m_fEnergy = 10000;
    EXPECT_FLOAT_EQ(m->GetEnergy(1), 2.0f * maximum); // the accumulator doubles the store only
    EXPECT_FLOAT_EQ(m->GetEnergy(0), 1.0f);
}

TEST_F(Mechanoid, ArmorFactorIsCappedAtAHundred)
{
    auto m = Fitted();
    EXPECT_FLOAT_EQ(m->GetArmorFactor(), 100.0f / 80.0f);
    SEquipmentParameters& armour = g_EquipmentManager.m_Records[std::size_t(Eqp("ARMOR_1"))];
    for (float v : {99.0f, 150.0f})
    {
        armour.m_fValue1 = v;
        m->m_Armor.Assign(m->m_Armor.m_Key, 0);
        EXPECT_FLOAT_EQ(m->GetArmorFactor(), 100.0f) << v;
    }
    CMechanoid none;
    EXPECT_EQ(none.GetArmorFactor(), 1.0f);
}

TEST_F(Mechanoid, KilledAndDamaged)
{
    auto m = Fitted();
    EXPECT_FALSE(m->IsKilled());
    EXPECT_FALSE(m->IsDamaged());
    float hit = 60;
    m->m_Shield.Damage(&hit); // shield and armour never kill
    EXPECT_TRUE(m->IsDamaged());
    EXPECT_FALSE(m->IsKilled());
    EXPECT_FALSE(m->IsBadlyDamaged());
    hit = 60;
    m->m_Engine.Damage(&hit);
    EXPECT_TRUE(m->IsBadlyDamaged());
    hit = 100;
    m->m_Reactor.Damage(&hit);
    EXPECT_TRUE(m->IsKilled());

    Fly(*m);
    m_Glider.m_PartDamage[2] = 5;
    m_Glider.m_bDestroyed = 1;
    m->m_bOutOfAction = 1;
    m->m_fRating = 600; // level 4
    m->RepairAll();
    EXPECT_FALSE(m->IsKilled());
    EXPECT_FALSE(m->IsDamaged());
    EXPECT_EQ(m->m_bOutOfAction, 0);
    EXPECT_EQ(m_Glider.m_bDestroyed, 0);
    EXPECT_EQ(m_Glider.m_PartDamage[2], 5.0f); // part damage stays
    EXPECT_EQ(m->m_nLevel, 4);
    EXPECT_EQ(m->Repair(), 1);
    EXPECT_EQ(m_Glider.m_PartDamage[2], 0.0f);
}

TEST_F(Mechanoid, ShieldTakesAtMostItsLimit)
{
    auto m = Fitted();
    float armourPart = -1, shieldPart = -1;
    m->Damage(1000, false, &armourPart, &shieldPart);
    EXPECT_FLOAT_EQ(shieldPart, 50.0f); // value 2
    EXPECT_FLOAT_EQ(m->m_fShield, 50.0f);
    EXPECT_FLOAT_EQ(armourPart, 950.0f * 0.8f);

    auto n = Fitted();
    n->Damage(1000, true, &armourPart, &shieldPart);
    EXPECT_FLOAT_EQ(shieldPart, 100.0f); // the whole shield
    EXPECT_EQ(n->m_fShield, 0.0f);

    // A hit the shield takes down below 0.1 goes no further.
    auto o = Fitted();
    armourPart = -1;
    o->Damage(40.05f, false, &armourPart, &shieldPart);
    EXPECT_EQ(armourPart, 0.0f);
    EXPECT_FLOAT_EQ(o->m_fArmor, 200.0f);
    EXPECT_FALSE(o->m_GliderData.WasDamaged());
}

TEST_F(Mechanoid, StasisTakesNoDamageAndWritesItsParts)
{
    auto m = Fitted({"EQP_STASIS_GENERATOR"});
    m->SetDeviceOn(EQP_STASIS_GENERATOR, true);
    float armourPart = 123, shieldPart = 456;
    m->Damage(500, false, &armourPart, &shieldPart);
    EXPECT_EQ(armourPart, 0.0f);
    EXPECT_EQ(shieldPart, 0.0f);
    EXPECT_FLOAT_EQ(m->m_fShield, 100.0f);
}

TEST_F(Mechanoid, AboveAQuarterOfTheArmourEveryHitLandsOnTheHull)
{
    for (std::uint32_t seed = 1; seed < 40; ++seed)
    {
        g_Random.SetState(seed);
        auto m = Fitted();
        m->m_fShield = 0;
        float a, s;
        m->Damage(10, false, &a, &s); // 8 past the armour
        EXPECT_FLOAT_EQ(m->m_GliderData.m_fDamage, 8.0f) << seed;
        EXPECT_FLOAT_EQ(m->m_fArmor, 192.0f) << seed;
        EXPECT_FALSE(m->m_Reactor.WasDamaged()) << seed;
    }
}

TEST_F(Mechanoid, AtAQuarterOfTheArmourEquipmentCanBeHit)
{
    int equipmentHits = 0, hullHits = 0;
    for (std::uint32_t seed = 1; seed < 200; ++seed)
    {
        g_Random.SetState(seed);
        auto m = Fitted();
        m->m_bPlayer = 1;
        m->m_fShield = 0;
        m->m_fArmor = 50; // exactly 0.25
        float a, s;
        m->Damage(10, false, &a, &s);
        if (m->m_Reactor.WasDamaged() || m->m_Engine.WasDamaged()) ++equipmentHits;
        if (m->m_GliderData.WasDamaged()) ++hullHits;
    }
    EXPECT_GT(equipmentHits, 0);
    EXPECT_GT(hullHits, 0);
    EXPECT_GT(g_PlayerHitIndicators[HIT_EQUIPMENT], 0.0f);
    EXPECT_GT(g_PlayerHitIndicators[HIT_HULL], 0.0f);
}

TEST_F(Mechanoid, WeightsAndCapacity)
{
    auto m = Fitted({"EQP_ACCUMULATOR"});
    m->m_gEqp.m_Config[CFG_GLIDER].m_Key.SetIndex(0);
    Fly(*m);
    m_Glider.m_Guns[0].m_Key.SetIndex(Gun("GUN_LASER")); // 15
    const float netto = 50 + 40 + 10 + 30 + 15 + 5;
    EXPECT_FLOAT_EQ(m->GetNettoWeight(), netto);
    SGoodsItem ore{"TOV_ORE", 10, 5.0f};
    m->m_Garbage.AddGoods(ore, ITEM_GOODS, false);
    SGoodsItem head{"SOME_MECH", 1, 0.0f};
    m->m_Garbage.AddGoods(head, ITEM_MECHANOID, false);
    m->m_nMissileCount = 1;
    m->m_Missiles[0].m_Type.SetIndex(0);
    m->m_Missiles[0].m_nCount = 3;
    EXPECT_FLOAT_EQ(m->GetGoodsWeight(), 20.0f + 50.0f + 6.0f);
    EXPECT_FLOAT_EQ(m->GetSumWeight(), 100.0f + netto + 76.0f);
    EXPECT_FLOAT_EQ(m->GetMaxWeight(), 500.0f);
    EXPECT_FLOAT_EQ(m->GetCapacity(), 400.0f);
    EXPECT_FLOAT_EQ(m->GetMaxGoodsWeight(), 400.0f - netto);
}

TEST_F(Mechanoid, PriceAndWarPower)
{
    auto m = Fitted({"EQP_ACCUMULATOR"});
    m->m_gEqp.m_Config[CFG_GLIDER].m_Key.SetIndex(0);
    m->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.SetIndex(Gun("GUN_LASER"));
    m->m_gEqp.m_Config[CFG_LIGHTGUN].m_dwModif = unittest::kGunRate; // 1200
    const float price = 5000 + 400 + 500 + 200 + 300 + 1200 + 100;
    EXPECT_FLOAT_EQ(m->GetPrice(true), price);
    const float roots = std::sqrt(5000.f) + std::sqrt(400.f) + std::sqrt(500.f) + std::sqrt(200.f) +
                        std::sqrt(300.f) + std::sqrt(1200.f) + std::sqrt(100.f);
    EXPECT_NEAR(m->GetPrice(false), roots, 1e-3);

    const float empty = m->GetWarPower();
    const float k = 1.25f;
    const float d = std::sqrt(0.01f * (200 * k + 100) + 0.9f * (200 * k + 100));
    const float o = std::sqrt(0.1f * price + 1000);
    EXPECT_NEAR(empty, o * d, 1e-3);

    SGoodsItem ore{"TOV_ORE", 1000, 1.0f}; // far beyond the free weight
    m->m_Garbage.AddGoods(ore, ITEM_GOODS, false);
    EXPECT_NEAR(m->GetWarPower(), 0.7f * empty, 1e-3);
}

// A war power taken before a change is no answer after it, however the
// mechanoid came to its state: after each kind of change the power is that
// of a mechanoid changed the same way before it was ever asked (what a
// kept power must give too), and differs from the one before.
TEST_F(Mechanoid, WarPowerFollowsEachChange)
{
    using FChange = void (*)(CMechanoid&, CGliderObject&);
    const std::pair<const char*, FChange> changes[] = {
        {"hit",
         [](CMechanoid& m, CGliderObject&)
         {
             float armour = 0, shield = 0;
             m.Damage(400.0f, true, &armour, &shield);
         }},
        {"shield drained", [](CMechanoid& m, CGliderObject&) { m.m_fShield = 10.0f; }},
        {"armour worn", [](CMechanoid& m, CGliderObject&) { m.m_fArmor = 50.0f; }},
        {"item fitted",
         [](CMechanoid& m, CGliderObject&)
         {
             m.AddEquipment(STypeKey(Eqp("EQP_ACCUMULATOR")), 0);
             m.UpdateEquipment();
         }},
        {"item removed",
         [](CMechanoid& m, CGliderObject&)
         {
             m.RemoveAddEquipment(0);
             m.UpdateEquipment();
         }},
        {"reactor changed",
         [](CMechanoid& m, CGliderObject&) { m.m_Reactor.Assign(STypeKey(Eqp("REACTOR_2")), 0); }},
        {"armour taken off", [](CMechanoid& m, CGliderObject&) { m.m_Armor.Assign(STypeKey(-1), 0); }},
        {"shield taken off", [](CMechanoid& m, CGliderObject&) { m.m_Shield.Assign(STypeKey(-1), 0); }},
        {"second engine fitted",
         [](CMechanoid& m, CGliderObject&) { m.m_Engine2.Assign(STypeKey(Eqp("ENGINE_1")), 0); }},
        {"hull taken off", [](CMechanoid& m, CGliderObject&) { m.m_GliderData.Assign(STypeKey(-1), 0); }},
        {"record loaded",
         [](CMechanoid& m, CGliderObject&)
         {
             CMechanoid other;
             other.m_Reactor.Assign(STypeKey(Eqp("REACTOR_2")), 0);
             other.m_Shield.Assign(STypeKey(Eqp("SHIELD_1")), 0);
             other.m_GliderData.Assign(STypeKey(0), 0);
             other.m_fShield = 100.0f;
             CMemStream s;
             other.SaveToStream(s);
             s.m_nPosition = 0;
             m.LoadFromStream(s);
         }},
        {"network record read",
         [](CMechanoid& m, CGliderObject&)
         {
             CMechanoid other;
             other.m_Engine.Assign(STypeKey(Eqp("ENGINE_1")), 0);
             other.m_Armor.Assign(STypeKey(Eqp("ARMOR_1")), 0);
             other.m_GliderData.Assign(STypeKey(0), 0);
             other.m_fArmor = 150.0f;
             std::vector<std::uint8_t> buffer(4000);
             std::uint32_t put = 0, get = 0;
             other.PutNetBuffer(buffer.data(), std::uint32_t(buffer.size()), &put);
             m.GetNetBuffer(buffer.data(), put, &get);
         }},
        {"device off", [](CMechanoid& m, CGliderObject&) { m.SetDeviceOn(EQP_SHIELD_MULTIPLIER, false); }},
        {"gun configured", [](CMechanoid& m, CGliderObject&)
         { m.m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.SetIndex(Gun("GUN_LASER")); }},
        {"gun on the glider",
         [](CMechanoid&, CGliderObject& g) { g.m_Guns[0].m_Key.SetIndex(Gun("GUN_LASER")); }},
        {"goods loaded",
         [](CMechanoid& m, CGliderObject&) {
             m.m_Garbage.AddGoods(SGoodsItem{"TOV_ORE", 20, 10.0f}, ITEM_GOODS, false);
         }},
        {"goods unloaded",
         [](CMechanoid& m, CGliderObject&) {
             m.m_Garbage.RemoveGoods(SGoodsItem{"TOV_ORE", 20, 10.0f}, false);
         }},
        {"hold emptied",
         [](CMechanoid& m, CGliderObject&) {
             m.m_Garbage.RemoveGoods(SGoodsItem{"TOV_ORE", 50, 10.0f}, false);
         }},
        {"missiles aboard",
         [](CMechanoid& m, CGliderObject&)
         {
             m.m_Missiles[0].m_Type.SetIndex(0);
             m.m_Missiles[0].m_nCount = 10;
             m.m_nMissileCount = 1;
         }},
    };
    // Part of the hold taken, so that every weight moves the power.
    auto build = [this](CGliderObject& glider)
    {
        auto m = Fitted({"EQP_ACCUMULATOR", "EQP_SHIELD_MULTIPLIER"});
        m->m_gEqp.m_Config[CFG_GLIDER].m_Key.SetIndex(0);
        m->m_lpObject = &glider;
        m->m_Garbage.AddGoods(SGoodsItem{"TOV_ORE", 50, 10.0f}, ITEM_GOODS, false);
        return m;
    };
    for (const auto& [name, change] : changes)
    {
        CGliderObject glider, twinGlider;
        auto m = build(glider);
        const float before = m->GetWarPower();
        g_Random.SetState(7); // the hit's split
        change(*m, glider);
        auto twin = build(twinGlider);
        g_Random.SetState(7);
        change(*twin, twinGlider);
        const float after = m->GetWarPower();
        EXPECT_EQ(after, twin->GetWarPower()) << name;
        EXPECT_NE(after, before) << name;
    }
}

TEST_F(Mechanoid, CargoHold)
{
    CGarbage hold;
    hold.AddGoods(SGoodsItem{"TOV_ORE", 100, 0}, ITEM_MONEY, false);
    EXPECT_EQ(hold.m_fMoney, 100.0f);
    EXPECT_EQ(hold.GetCount(), 0);

    hold.AddGoods(SGoodsItem{"TOV_NOWHERE", 1, 1}, ITEM_GOODS, false);
    EXPECT_EQ(hold.GetCount(), 0);
    EXPECT_NE(ReadText("error.log").find("CGarbage::AddGoods unknown goods 'TOV_NOWHERE'"),
              std::string::npos);

    hold.AddGoods(SGoodsItem{"TOV_ORE", 10, 10}, ITEM_GOODS, true);
    hold.AddGoods(SGoodsItem{"TOV_ORE", 30, 20}, ITEM_GOODS, false);
    ASSERT_EQ(hold.GetCount(), 1);
    EXPECT_EQ(hold.m_Items[0].m_nCount, 40);
    EXPECT_EQ(hold.m_Items[0].m_nCount2, 10);
    EXPECT_FLOAT_EQ(hold.m_Items[0].m_fPrice, 17.5f);
    hold.AddGoods(SGoodsItem{"MECH_A", 1, 0}, ITEM_MECHANOID, false);
    hold.AddGoods(SGoodsItem{"MECH_A", 1, 0}, ITEM_MECHANOID, false);
    EXPECT_EQ(hold.GetCount(), 2);
    EXPECT_TRUE(hold.HasGoods("TOV_ORE", ITEM_GOODS, 40));
    EXPECT_FALSE(hold.HasGoods("TOV_ORE", ITEM_GOODS, 41));

    // Taking most of it uncounted never leaves a negative second count.
    hold.RemoveGoods(SGoodsItem{"TOV_ORE", 30, 0}, false);
    EXPECT_EQ(hold.m_Items[0].m_nCount, 10);
    EXPECT_GE(hold.m_Items[0].m_nCount2, 0);
    EXPECT_LE(hold.m_Items[0].m_nCount2, 10);
    EXPECT_EQ(hold.RemoveGoods(SGoodsItem{"TOV_ORE", 10, 0}, true), 1);
    EXPECT_EQ(hold.RemoveGoods(SGoodsItem{"MECH_A", 5, 0}, true), 0);
}

namespace
{
class CFakeRegistry : public IMechRegistry
{
public:
    bool FindMech(const char* id, SMechInfo* out) override
    {
        for (const auto& [name, info] : m_Mechs)
            if (name == id)
            {
                *out = info;
                return true;
            }
        return false;
    }
    const char* GetPlayerOrganization() override { return "ORG_PLAYER"; }
    void OnMechBuilding(const char* id, const char* building) override
    {
        m_Handed.push_back(std::string(id) + "@" + building);
    }
    int GetDifficulty() override { return m_nDifficulty; }
    void OnMoneySound(int amount) override { m_Sounds.push_back(amount); }

    std::vector<std::pair<std::string, SMechInfo>> m_Mechs;
    std::vector<std::string> m_Handed;
    std::vector<int> m_Sounds;
    int m_nDifficulty = 1;
};

SMechInfo Info(int level, int mechClass, const char* org)
{
    SMechInfo info;
    info.m_nLevel = level;
    info.m_nClass = mechClass;
    std::snprintf(info.m_szOrganization, sizeof info.m_szOrganization, "%s", org);
    return info;
}
} // namespace

TEST_F(Mechanoid, CheckHeadsPaysForCapturedMechanoids)
{
    struct SCase
    {
        int difficulty;
        bool all;
        float amount;    // money for the player
        int entriesLeft; // the own member and the listed head stay unless all
    };
    // Bounty: a stranger of level 3 gives floor(9 x 0.19 + 1) = 2, a mech no
    // world knows 10, the own member of class 2 nothing unless all (1).
    for (const SCase& c : {SCase{1, false, 12 * 50.0f, 3}, SCase{0, false, 24 * 50.0f, 3},
                           SCase{2, false, 9 * 50.0f, 3}, SCase{1, true, 13 * 50.0f, 2}})
    {
        CFakeRegistry registry;
        registry.m_nDifficulty = c.difficulty;
        registry.m_Mechs = {{"STRANGER", Info(3, 1, "ORG_BANDITS")}, {"BUDDY", Info(1, 2, "ORG_PLAYER")}};
        g_pMechRegistry = &registry;
        CMechanoid m;
        m.m_bPlayer = 1;
        // The same captive twice, as a hold may carry it.
        for (const char* name : {"STRANGER", "GHOST", "BUDDY", "MECHANOID", "STRANGER"})
        {
            SItemRec e;
            e.m_nKind = ITEM_MECHANOID;
            e.m_nCount = 1;
            std::snprintf(e.m_szName, sizeof e.m_szName, "%s", name);
            m.m_Garbage.m_Items.push_back(e);
        }
        m.m_Garbage.AddGoods(SGoodsItem{"TOV_ORE", 3, 1}, ITEM_GOODS, false);
        EXPECT_FLOAT_EQ(m.CheckHeads("BASE", c.all), c.amount) << c.difficulty << c.all;
        EXPECT_FLOAT_EQ(m.m_Garbage.m_fMoney, c.amount);
        ASSERT_EQ(registry.m_Sounds.size(), 1u);
        EXPECT_EQ(registry.m_Sounds[0], int(c.amount));
        EXPECT_EQ(m.m_Garbage.GetCount(), c.entriesLeft) << c.difficulty << c.all;
        EXPECT_EQ(registry.m_Handed.front(), "STRANGER@BASE");
        g_pMechRegistry = nullptr;
    }
}
