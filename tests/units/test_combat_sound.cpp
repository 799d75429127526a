// Shot, end-of-burst, explosion and mine-alert sounds through the sound
// manager on a loopback device.
#include "CombatFixture.h"
#include "sound/SoundTestUtil.h"

#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/AnomalZone.h"
#include "units/GliderAI.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"

#include "world/WorldTestScene.h"

#include <cmath>

#include <fstream>

using unittest::CCombatTest;

namespace
{

class CombatSound : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        using namespace soundtest;
        const std::vector<std::int16_t> s = Tone(4410, 1);
        ASSERT_TRUE(WriteWaveFile("tone.wav", Pcm(1), s.data(), std::uint32_t(s.size() * 2)));
        std::ofstream("main.ini", std::ios::app) << "[" << kSoundSection << "]\nfilename=snd.ini\n";
        std::ofstream out("snd.ini");
        for (const char* name :
             {"SND_SHOT", "SND_END", "SND_BOOM", "SND_GUN_LANDMINE_ALERT", "SND_IDLE", "SND_RUN", "SND_BURN",
              "SND_G_JUMP_CHARGE_L", "SND_G_SURFACE_WATER_L", "SND_G_HIT_GLIDER"})
            out << "[" << name << "]\nNAME=" << name << "\nFILENAME=tone.wav\n3DSOUND=1\nMINDIST=10\nVOLUME=1.0\n";
        out.close();
        g_ResourceDB.Done();
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(m_manager.InitSnd(m_loop.Device(), m_loop.Primary()));
        m_manager.InitMngr(kSoundSection);
        g_pSoundManager = &m_manager;

        std::ofstream("weapons.ini")
            << "[GUN_SHOT]\nTYPE=0\nShootType=1\nRATEOFFIRE=120\nDAMAGE=1\nTFIRE=8\nIDSOUND=SND_SHOT\n"
               "IDSOUNDEND=SND_END\n"
               "[GUN_HUM]\nTYPE=0\nShootType=1\nRATEOFFIRE=600\nDAMAGE=1\nVTYPE=1\nTFIRE=8\nTCOOL=1\n"
               "IDSOUND=SND_SHOT\nIDSOUNDEND=SND_END\n";
        std::ofstream("explo.ini") << "[EXP_SMALL]\nSOUND=SND_BOOM\n[EXP_DEFAULT]\n[EXP_WATER]\n";
        using namespace unit_sections;
        ASSERT_TRUE(g_ExploManager.Init(kExplosions));
        ASSERT_TRUE(g_MissileManager.Init(kMissiles));
        ASSERT_TRUE(g_GunManager.Init(kWeapons));

        m_Mech = Fitted();
        Fly(*m_Mech);
        m_Glider.SetPosition(kAt);
        m_Owner = CMatrix(1.0f);
        m_Owner.SetTranslation(kAt);
        m_savedCamera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = kAt;
    }
    void TearDown() override
    {
        m_Gun.Assign(STypeKey(-1), 0);
        g_ViewCamera.m_vPosition = m_savedCamera;
        g_pSoundManager = nullptr;
        CCombatTest::TearDown();
    }
    bool Playing(const char* name) { return m_manager.IsPlaying(m_manager.FindName(name)); }
    void Frame(bool trigger)
    {
        m_Mech->m_fEnergy = m_Mech->GetEnergy(2);
        if (trigger) m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
        m_Gun.Run();
        Tick();
    }

    static constexpr CVector kAt{1000.0f, 1000.0f, 500.0f};
    soundtest::CLoopback m_loop;
    CSoundManager2 m_manager;
    std::unique_ptr<CMechanoid> m_Mech;
    CGun m_Gun;
    CMatrix m_Owner;
    CVector m_savedCamera;
};

// Whom the glider ran into.
class CCollisionAI : public IGliderAI
{
public:
    void Run() override {}
    void OnHit(CMech*, float) override {}
    void OnCollision(CMech* other) override { m_Met.push_back(other); }
    bool OnGroupHit(CMech*, float) override { return false; }
    std::vector<CMech*> m_Met;
};

} // namespace

TEST_F(CombatSound, AShotSoundsOnceAndTheBurstEndsWithItsEndSoundOnce)
{
    m_Gun.m_pOwner = &m_Glider;
    m_Gun.Assign(STypeKey(CCombatTest::Gun("GUN_SHOT")), 0);
    Frame(true);
    EXPECT_TRUE(Playing("SND_SHOT"));
    EXPECT_EQ(m_Gun.m_iSoundSource, -1); // a one-shot keeps no source
    EXPECT_FALSE(Playing("SND_END"));
    Frame(false); // the trigger is up: the burst ends
    EXPECT_TRUE(Playing("SND_END"));
    m_manager.StopAll();
    Frame(false);
    EXPECT_FALSE(Playing("SND_END")); // not again on every idle frame
}

TEST_F(CombatSound, AContinuousGunHoldsOneLoopingSourceUntilTheTriggerIsReleased)
{
    m_Gun.m_pOwner = &m_Glider;
    m_Gun.Assign(STypeKey(CCombatTest::Gun("GUN_HUM")), 0);
    m_Mech->m_fEnergy = m_Mech->GetEnergy(2);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    const std::int32_t source = m_Gun.m_iSoundSource;
    ASSERT_NE(source, -1);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_iSoundSource, source); // kept, not made again
    m_Gun.Run();
    Tick();
    Frame(false);
    EXPECT_EQ(m_Gun.m_iSoundSource, -1);
    EXPECT_TRUE(Playing("SND_END"));
}

TEST_F(CombatSound, AnExplosionSoundsOnItsFirstFrameAndATriggeredMineAlerts)
{
    CExploObject* explo = static_cast<CExploObject*>(
        g_ExploManager.CreateObject(g_ExploManager.FindName("EXP_SMALL"), CMatrix(1.0f)));
    ASSERT_NE(explo, nullptr);
    explo->SetPosition(kAt);
    explo->Run();
    EXPECT_TRUE(Playing("SND_BOOM"));

    CMatrix at(1.0f);
    at.SetTranslation(kAt + CVector{5.0f, 0.0f, 0.0f});
    CMissileObject* mine =
        static_cast<CMissileObject*>(g_MissileManager.CreateMissile(Missile("MIS_LAID"), at, nullptr, 0));
    mine->m_bActive = 1;
    mine->m_bMoving = 0;
    auto* passer = new CGliderObject;
    passer->m_fRadius = 5.0f;
    passer->SetPosition(kAt);
    g_ObjectList.AddObject(passer);
    EXPECT_FALSE(Playing("SND_GUN_LANDMINE_ALERT"));
    mine->Run();
    EXPECT_TRUE(mine->m_bDetonating);
    EXPECT_TRUE(Playing("SND_GUN_LANDMINE_ALERT"));
}

TEST_F(CombatSound, AnAnomalyZoneSoundStopsOutOfHearingAndStartsAgain)
{
    std::ofstream("main.ini", std::ios::app) << "[Anomal]\nfilename=anomal.ini\n";
    std::ofstream("anomal.ini") << "[AZ_HUM]\nTYPE=1\nSOUND=SND_BOOM\n";
    g_ResourceDB.Done();
    ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
    ASSERT_TRUE(g_AnomalZoneManager.Init("Anomal"));
    CMatrix m(1.0f);
    m.SetTranslation(kAt);
    CAnomalZone zone("AZ_HUM", m, "ZONE");
    zone.Run();
    ASSERT_NE(zone.m_iSoundSource, -1);
    const float hearing = std::sqrt(zone.m_fHearingSq);
    ASSERT_LT(hearing, 1e6f);
    g_ViewCamera.m_vPosition = kAt + CVector{hearing + 1.0f, 0.0f, 0.0f};
    zone.Run();
    EXPECT_EQ(zone.m_iSoundSource, -1);
    g_ViewCamera.m_vPosition = kAt + CVector{hearing - 1.0f, 0.0f, 0.0f};
    zone.Run();
    EXPECT_NE(zone.m_iSoundSource, -1);
}

TEST_F(CombatSound, TheEngineIdlesRunsAndRisesInPitchWithTheThrottle)
{
    std::int32_t saved[3];
    std::copy(std::begin(g_MMEngine.m_nEngineSounds), std::end(g_MMEngine.m_nEngineSounds), saved);
    const std::int32_t idle = m_manager.FindName("SND_IDLE"), run = m_manager.FindName("SND_RUN");
    g_MMEngine.m_nEngineSounds[0] = idle;
    g_MMEngine.m_nEngineSounds[1] = run;
    g_MMEngine.m_nEngineSounds[2] = m_manager.FindName("SND_BURN");
    m_Glider.SetTraction(0.0f);
    m_Glider.Run();
    EXPECT_TRUE(m_manager.IsPlaying(idle));
    EXPECT_FALSE(m_manager.IsPlaying(run));
    m_Glider.SetTraction(1.0f);
    for (int i = 0; i < 40; ++i) // two seconds
    {
        Tick();
        m_Mech->m_fEnergy = m_Mech->GetEnergy(2);
        m_Glider.Run();
    }
    EXPECT_TRUE(m_manager.IsPlaying(run));
    EXPECT_FALSE(m_manager.IsPlaying(idle));
    EXPECT_FLOAT_EQ(m_Glider.m_fPitchBlend, 1.0f);
    // Destroyed: the engine falls silent.
    m_Glider.m_bDestroyed = 1;
    m_Glider.Run();
    EXPECT_EQ(m_Glider.m_iEngineSounds[0], -1);
    EXPECT_EQ(m_Glider.m_iEngineSounds[1], -1);
    std::copy(std::begin(saved), std::end(saved), g_MMEngine.m_nEngineSounds);
}

// The player's held jump charge whines from a charge of 5 until it goes
// off (here when the energy runs short); the surf hisses while the glider skims water fast.
TEST_F(CombatSound, AHeldChargeWhinesUntilItGoesOffAndFastWaterHisses)
{
    m_Mech->m_bPlayer = 1;
    const std::int32_t whine = m_manager.FindName("SND_G_JUMP_CHARGE_L");
    const std::int32_t surf = m_manager.FindName("SND_G_SURFACE_WATER_L");
    for (int i = 0; i < 5; ++i) // 1 a frame: 5 is not yet above 5
    {
        m_Mech->m_fEnergy = 1e6f;
        m_Glider.ChargeJump(1.0f);
        Tick();
    }
    EXPECT_EQ(m_Glider.m_iChargeSound, -1);
    m_Mech->m_fEnergy = 1e6f;
    m_Glider.ChargeJump(1.0f);
    ASSERT_NE(m_Glider.m_iChargeSound, -1);
    EXPECT_TRUE(m_manager.IsPlaying(whine));
    // The energy runs short: the charge goes off and the whine stops.
    m_Mech->m_fEnergy = 0.0f;
    m_Glider.ChargeJump(1.0f);
    EXPECT_EQ(m_Glider.m_fJumpCharge, 0.0f);
    EXPECT_EQ(m_Glider.m_iChargeSound, -1);
    EXPECT_FALSE(m_manager.IsPlaying(whine));

    // Over water (as the last step found it): only above a speed of 100.
    for (const auto& [speed, hiss] : {std::pair{150.0f, true}, std::pair{90.0f, false}})
    {
        m_Glider.m_bOnWater = 1;
        m_Glider.m_vVelocity = CVector{speed, 0.0f, 0.0f};
        m_Glider.Run();
        EXPECT_EQ(m_Glider.m_iWaterSound != -1, hiss) << speed;
        EXPECT_EQ(m_manager.IsPlaying(surf), hiss) << speed;
    }
}

// Two gliders of the world running into each other head on at 150 each, as
// the object list's collision pass finds them: both knock (one knock each
// for as long as they touch), both are hurt by the other, and each AI
// hears whom its glider ran into.
TEST_F(CombatSound, TwoGlidersThatMeetInTheCollisionPassKnockAreHurtAndTellTheirAIs)
{
    struct SSide
    {
        std::unique_ptr<CMechanoid> mechanoid;
        CMech mech;
        CGliderObject* glider = nullptr;
        CCollisionAI* ai = nullptr;
        float guard = 0.0f;
    } sides[2];
    // (The scene's object list deletes the gliders before the mechanoids
    // they fly go.)
    worldtest::CScene scene;
    const float speeds[2] = {150.0f, -150.0f};
    for (int i = 0; i < 2; ++i)
    {
        SSide& s = sides[i];
        s.mechanoid = Fitted();
        s.glider = new CGliderObject;
        CMatrix at(1.0f);
        at.SetTranslation(kAt + CVector{i == 0 ? -5.0f : 5.0f, 0.0f, 0.0f});
        s.glider->Init(at, STypeKey(0));
        s.glider->AssignMechanoid(&s.mech, s.mechanoid.get(), false);
        auto ai = std::make_unique<CCollisionAI>();
        s.ai = ai.get();
        s.glider->m_pAI = std::move(ai);
        s.guard = s.mechanoid->m_fShield + s.mechanoid->m_fArmor;
        g_ObjectList.AddObject(s.glider);
    }
    // Three steps in contact: the knock is not started again while it sounds.
    for (int step = 0; step < 3; ++step)
    {
        for (int i = 0; i < 2; ++i)
            sides[i].glider->m_vVelocity = CVector{speeds[i], 0.0f, 0.0f};
        g_ObjectList.CheckCollision(0.05f);
    }
    const std::int32_t knock = m_manager.FindName("SND_G_HIT_GLIDER");
    EXPECT_TRUE(m_manager.IsPlaying(knock));
    for (int i = 0; i < 2; ++i)
    {
        const SSide& s = sides[i];
        SSide& other = sides[1 - i];
        EXPECT_NE(s.glider->m_iCollisionSound, -1) << i;
        EXPECT_LT(s.mechanoid->m_fShield + s.mechanoid->m_fArmor, s.guard) << i;
        // Told in every step of the contact.
        EXPECT_EQ(s.ai->m_Met, std::vector<CMech*>(3, &other.mech)) << i;
    }
    int sources = 0;
    for (std::int32_t id = 1; id <= 500; ++id)
        sources += m_manager.IsActiveSndSrc(id) && m_manager.GetSource(id).entry == knock;
    EXPECT_EQ(sources, 2);
    for (SSide& s : sides)
        s.mechanoid->m_lpObject = nullptr;
}
