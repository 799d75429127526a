// The mechanoid's equipment simulation: device states by name, the power
// rule, regeneration, the booster, fuel, the anti-rocket pulse, the AI's
// throttle cut and the energy store.
#include "MechanoidFixture.h"

#include "units/MissileObject.h"
#include "world/WorldTestScene.h"

using unittest::CMechanoidTest;

class MechanoidRun : public CMechanoidTest
{
protected:
    // Only the named devices and, when asked, a reactor: nothing else
    // draws or makes energy.
    std::unique_ptr<CMechanoid> Bare(std::initializer_list<const char*> devices, bool reactor = false)
    {
        auto m = Fitted(devices);
        if (!reactor) m->m_Reactor.Assign(STypeKey(-1), 0);
        m->m_Shield.Assign(STypeKey(-1), 0);
        m->m_Armor.Assign(STypeKey(-1), 0);
        m->m_Engine.Assign(STypeKey(-1), 0);
        Fly(*m);
        return m;
    }
};

TEST_F(MechanoidRun, DevicesAreFoundByNameAndTheLaterItemWins)
{
    auto m = Fitted({"REACTOR_2", "EQP_ACCUMULATOR", "EQP_BOOSTER", "EQP_ACCUMULATOR"});
    EXPECT_EQ(m->m_Devices[EQP_ACCUMULATOR].m_nIndex, 4u);
    EXPECT_TRUE(m->IsOn(EQP_ACCUMULATOR));
    EXPECT_EQ(m->GetAddEquipment(3)->m_bFlag, 1);
    // Switchable devices start off, with their item.
    EXPECT_EQ(m->m_Devices[EQP_BOOSTER].m_nIndex, 3u);
    EXPECT_FALSE(m->IsOn(EQP_BOOSTER));
    EXPECT_EQ(m->GetAddEquipment(2)->m_bFlag, 0);
    // Not a device.
    EXPECT_EQ(m->GetAddEquipment(0)->m_bFlag, 0);
    EXPECT_FALSE(m->IsFitted(EQP_MOBILIZER));

    m->SetDeviceOn(EQP_BOOSTER, true);
    EXPECT_EQ(m->GetAddEquipment(2)->m_bFlag, 1);
    m->UpdateEquipment(); // a change of the fitting switches them off again
    EXPECT_FALSE(m->IsOn(EQP_BOOSTER));
    EXPECT_EQ(m->m_gEqp.m_Config[CFG_REACTOR].m_Key.Index(), Eqp("REACTOR_1"));
    EXPECT_EQ(m->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index(), -1); // no glider object
}

TEST_F(MechanoidRun, DevicesWorkOnlyWhenTheyTakeLessThanHalfTheEnergy)
{
    struct SCase
    {
        float energy, after;
        bool visible;
    };
    // Invisibility draws 0.1 a second; energy store 1.0.
    for (const SCase& c : {SCase{0.3f, 0.2f, false}, SCase{0.2f, 0.2f, true}})
    {
        auto m = Bare({"EQP_INVISIBILITY_SHIELD"});
        m->SetDeviceOn(EQP_INVISIBILITY_SHIELD, true);
        m->m_fEnergy = c.energy;
        m_Glider.m_bShown = 1;
        m->Run(1.0f);
        EXPECT_FLOAT_EQ(m->m_fEnergy, c.after) << c.energy;
        EXPECT_EQ(m_Glider.m_bShown != 0, c.visible) << c.energy;
        EXPECT_TRUE(m->IsOn(EQP_INVISIBILITY_SHIELD)) << c.energy; // unpowered devices keep their flag
    }
    // Below a fifth of the store the invisibility switches itself off.
    auto m = Bare({"EQP_INVISIBILITY_SHIELD"});
    m->SetDeviceOn(EQP_INVISIBILITY_SHIELD, true);
    m->m_fEnergy = 0.19f;
    m->Run(0.01f);
    EXPECT_FALSE(m->IsOn(EQP_INVISIBILITY_SHIELD));
    EXPECT_EQ(m->GetAddEquipment(0)->m_bFlag, 0);
}

TEST_F(MechanoidRun, NothingRunsWithoutAGliderOrOutOfAction)
{
    auto m = Bare({}, true);
    m->m_fEnergy = 0;
    m->m_bOutOfAction = 1;
    m->Run(1.0f);
    EXPECT_EQ(m->m_fEnergy, 0.0f);
    m->m_bOutOfAction = 0;
    m->m_lpObject = nullptr;
    m->Run(1.0f);
    EXPECT_EQ(m->m_fEnergy, 0.0f);
}

TEST_F(MechanoidRun, ReactorOutputFillsTheStoreUpToItsLimit)
{
    auto none = Bare({});
    none->m_fEnergy = 0.5f;
    none->Run(1.0f);
    EXPECT_FLOAT_EQ(none->m_fEnergy, 0.5f); // no reactor: nothing made
    EXPECT_FLOAT_EQ(none->GetEnergy(2), 1.0f);

    auto m = Bare({}, true); // reactor value 1 = 10 a second, store 301
    m->m_fEnergy = 0;
    m->Run(2.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 20.0f);
    for (int i = 0; i < 40; ++i)
        m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 301.0f);

    auto big = Bare({"EQP_ACCUMULATOR"}, true);
    big->m_fEnergy = 0;
    for (int i = 0; i < 80; ++i)
        big->Run(1.0f);
    EXPECT_FLOAT_EQ(big->m_fEnergy, 602.0f); // twice GetEnergy (2)
    EXPECT_FLOAT_EQ(big->GetEnergy(1), 2.0f * big->GetEnergy(2));
}

TEST_F(MechanoidRun, PlayerPaysFuelOrGetsAQuarter)
{
    auto m = Bare({}, true);
    m->m_bPlayer = 1;
    m->m_fEnergy = 0;
    m->m_Garbage.m_fMoney = 1.0f;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 10.0f);
    EXPECT_FLOAT_EQ(m->m_Garbage.m_fMoney, 1.0f - 0.001f);

    m->m_Garbage.m_fMoney = 0.0f;
    m->m_fEnergy = 0;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 2.5f);
}

TEST_F(MechanoidRun, BoosterWearsTheReactorOnlyAfterNinetySeconds)
{
    auto m = Bare({"EQP_BOOSTER"}, true);
    m->m_bPlayer = 1;
    m->m_Garbage.m_fMoney = 1000.0f;
    m->SetDeviceOn(EQP_BOOSTER, true);
    m->m_fEnergy = 0;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 15.0f); // output x 1.5; an empty store powers no device
    for (int i = 1; i < 90; ++i)
        m->Run(1.0f);
    EXPECT_FALSE(m->m_Reactor.WasDamaged());
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_Reactor.m_fDamage, 5.0f);

    m->SetDeviceOn(EQP_BOOSTER, false);
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_Devices[EQP_BOOSTER].m_fTimer, 90.5f); // runs back at half speed
}

TEST_F(MechanoidRun, AntiRocketPulsesEveryEightTenthsAndJamsMissilesAtTheGlider)
{
    worldtest::CScene scene;
    auto m = Bare({"EQP_ANTIROCKET_SYSTEM"});
    m->m_fEnergy = 1.0f;
    m_Glider.m_Frame.m_vPosition = CVector{1000, 1000, 10};
    CMissileObject atUs, atOther, far;
    atUs.m_pTarget = &m_Glider;
    atOther.m_pTarget = &atUs;
    far.m_pTarget = &m_Glider;
    atUs.m_Frame.m_vPosition = CVector{1010, 1000, 10};
    atOther.m_Frame.m_vPosition = CVector{1000, 1010, 10};
    far.m_Frame.m_vPosition = CVector{1000, 1040, 10};
    for (CMissileObject* missile : {&atUs, &atOther, &far})
        scene.m_Cells.AddTo(worldtest::CellOf(missile->GetPosition()), missile);

    m->Run(0.1f); // the first step fires
    EXPECT_FLOAT_EQ(m->m_Devices[EQP_ANTIROCKET_SYSTEM].m_fTimer, 0.8f);
    EXPECT_EQ(atUs.m_bClimb, 1);
    EXPECT_EQ(atOther.m_bClimb, 0);
    EXPECT_EQ(far.m_bClimb, 0);
    atUs.m_bClimb = 0;
    for (int i = 0; i < 7; ++i)
        m->Run(0.1f);
    EXPECT_EQ(atUs.m_bClimb, 0);
    m->Run(0.1f); // 0.8 s later
    EXPECT_EQ(atUs.m_bClimb, 1);
    for (auto& cell : scene.m_Cells.m_Cells)
        cell.RemoveAll();
}

TEST_F(MechanoidRun, ShieldHullAndArmourRegenerate)
{
    auto m = Fitted();
    Fly(*m);
    m->m_fShield = 50;
    m->m_GliderData.m_fDamage = 10;
    m->m_GliderData.m_bDamaged = 1;
    m->m_fArmor = 190;
    m->m_fEnergy = 301;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fShield, 60.0f); // value 3 a second
    EXPECT_FLOAT_EQ(m->m_GliderData.m_fDamage, 200.0f - m->m_fArmor);
    EXPECT_FLOAT_EQ(m->m_fArmor, 196.0f); // hull restore 1, armour value 3 = 5
    for (int i = 0; i < 10; ++i)
        m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fArmor, 200.0f);
    EXPECT_FALSE(m->m_GliderData.WasDamaged());
}

TEST_F(MechanoidRun, StasisStopsDrawAndRegenerationButNotTheShield)
{
    auto m = Fitted({"EQP_STASIS_GENERATOR"});
    Fly(*m);
    m->m_Reactor.Assign(STypeKey(-1), 0);
    m->SetDeviceOn(EQP_STASIS_GENERATOR, true);
    m->m_fEnergy = 1.0f;
    m->m_fShield = 50;
    m->m_fArmor = 150;
    m->m_GliderData.m_fDamage = 0;
    m_Glider.m_fThrottle = 1.0f;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m->m_fShield, 60.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 0.0f); // the shield's draw (1) only
}

TEST_F(MechanoidRun, EnginesDrawAndTheAICutsItsThrottleWhenLow)
{
    auto m = Bare({}, true);
    m->m_Engine.Assign(STypeKey(Eqp("ENGINE_1")), 0); // power 5
    m_Glider.m_fThrottle = 1.0f;
    m_Glider.m_fDrive = 25.0f;
    m->m_fEnergy = 301;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m_Glider.m_fThrottle, 1.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 301.0f); // 10 made, 5 x 2 x 0.5 drawn

    m->m_fEnergy = 15; // below a tenth of the store after this step
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m_Glider.m_fThrottle, 0.3f);

    m_Glider.m_fThrottle = 1.0f;
    m->m_bPlayer = 1;
    m->m_Garbage.m_fMoney = 100;
    m->m_fEnergy = 15;
    m->Run(1.0f);
    EXPECT_FLOAT_EQ(m_Glider.m_fThrottle, 1.0f); // the player's throttle is his own
}

TEST_F(MechanoidRun, PowerConsumedByMode)
{
    auto m = Fitted({"EQP_ACCUMULATOR", "EQP_BOOSTER"});
    // Engine 5, shield 1, accumulator 0.1 (on); the booster is off.
    EXPECT_FLOAT_EQ(m->GetPowerConsumed(0), 1.1f);
    EXPECT_FLOAT_EQ(m->GetPowerConsumed(2), 5.0f * 3.0f + 1.1f);
}

TEST_F(MechanoidRun, PlayerHitIndicatorsDecay)
{
    auto m = Bare({});
    m->m_bPlayer = 1;
    m->m_bHalted = 1;
    g_PlayerHitIndicators[HIT_SHIELD] = 40.0f;
    g_PlayerHitRing[5] = 0.15f;
    m->Run(1.0f);
    EXPECT_NEAR(g_PlayerHitIndicators[HIT_SHIELD], 1.0f, 1e-4);
    EXPECT_EQ(g_PlayerHitRing[5], 0.0f);
    EXPECT_EQ(m->m_bHalted, 0);
}
