// The per-mechanoid AI's core with its controls recorded: the orders it
// ignores, the stuck glider, turning limits by difficulty, the side
// correction, the path check, the view and talk events and the stream.
#include "AITestFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "world/Physics.h"
#include "world/World.h"
#include "world/WorldMotionFakes.h"
#include "world/WorldTestScene.h"

#include <cmath>
#include <cstring>

using namespace aitest;

namespace
{

class BasicAI : public CAITest
{
};

TEST_F(BasicAI, MoveToIgnoresTheOriginTheSameDestinationAndAMissingOrDeadMech)
{
    const CVector at = m_Own.glider.GetPosition();
    m_pAI->MoveTo(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(m_pAI->m_nMode, CBasicAI::MODE_IDLE);

    m_pAI->MoveTo(at.x, at.y + 1000.0f, at.z);
    ASSERT_EQ(m_pAI->m_nMode, CBasicAI::MODE_MOVE);
    EXPECT_EQ(m_pAI->m_fArrivalSq, 2500.0f);
    EXPECT_EQ(m_pAI->Last('B'), 1.0f);
    // The same point again while moving restarts nothing.
    m_pAI->m_fBestSq = 5.0f;
    m_pAI->MoveTo(at.x, at.y + 1000.0f, at.z);
    EXPECT_EQ(m_pAI->m_fBestSq, 5.0f);

    struct SCase
    {
        const char* name;
        void (*spoil)(SPilot&, CMechGroup2&);
    };
    const SCase cases[] = {
        {"dead mech", [](SPilot& p, CMechGroup2&) { p.mech.m_bAlive = 0; }},
        {"no group AI", [](SPilot&, CMechGroup2& g) { g.m_pAI.reset(); }},
        {"no glider", [](SPilot& p, CMechGroup2&) { p.mech.m_pObject = nullptr; }},
        {"killed mechanoid", [](SPilot& p, CMechGroup2&) { p.mechanoid.m_Reactor.m_bDestroyed = 1; }},
    };
    for (const SCase& c : cases)
    {
        SPilot pilot("P", at);
        CMechGroup2 group;
        group.m_pAI = std::make_unique<CGroupAI>();
        pilot.mech.m_pGroup = &group;
        CRecordingAI ai;
        ai.SetMech(&pilot.mech);
        c.spoil(pilot, group);
        ai.MoveTo(at.x + 500.0f, at.y, at.z);
        EXPECT_EQ(ai.m_nMode, CBasicAI::MODE_IDLE) << c.name;
        EXPECT_EQ(ai.m_vDestination.LengthSq(), 0.0f) << c.name;
    }
}

// A glider that stands still after its order: the threshold stays within
// reach, so the stuck glider is reported to its group.
TEST_F(BasicAI, AGliderStuckAtSpeedZeroIsReportedInTrouble)
{
    const CVector at = m_Own.glider.GetPosition();
    m_pAI->MoveTo(at.x, at.y + 1000.0f, at.z);
    EXPECT_TRUE(std::isfinite(m_pAI->m_fTroubleThreshold));
    EXPECT_LT(m_pAI->m_fTroubleThreshold, 120.0f);
    for (int i = 0; i < 1200 && m_pGroupAI->m_nTroubles == 0; ++i)
        m_pAI->Run();
    EXPECT_GT(m_pGroupAI->m_nTroubles, 0);
    EXPECT_EQ(m_pGroupAI->m_bInTrouble, 1);
    EXPECT_EQ(m_pAI->m_bInTrouble, 1);
    EXPECT_NEAR(m_pAI->m_fTroubleStartSq, 1000.0f * 1000.0f, 1.0f);

    // Fixing near the point: the member's flag and the move's timer are
    // cleared; the group fixes itself once no one is in trouble.
    m_Own.glider.m_Frame.SetPosition(CVector{at.x, at.y + 950.0f, at.z});
    m_pAI->FixTrouble();
    EXPECT_EQ(m_pAI->m_bInTrouble, 0);
    EXPECT_EQ(m_pAI->m_fTroubleTimer, 0.0f);
    EXPECT_EQ(m_pGroupAI->m_nFixes, 0);
    m_pGroupAI->m_bInTrouble = 0;
    m_pAI->FixTrouble();
    EXPECT_EQ(m_pGroupAI->m_nFixes, 1);
}

// A point 0.65 rad to the side: within the limit the turn is proportional,
// beyond it full.
TEST_F(BasicAI, TurnToLimitsByDifficulty)
{
    struct SCase
    {
        int difficulty;
        float yaw;
    };
    const float angle = 0.65f;
    const SCase cases[] = {{0, angle / 1.6f}, {1, angle / 1.4f}, {2, 1.0f}, {7, 1.0f}};
    const CVector at = m_Own.glider.GetPosition();
    for (const SCase& c : cases)
    {
        m_Host.m_nDifficulty = c.difficulty;
        m_pAI->m_Calls.clear();
        m_pAI->TurnTo(at.x + 500.0f * std::sin(angle), at.y + 500.0f * std::cos(angle), at.z);
        EXPECT_NEAR(m_pAI->Last('X'), c.yaw, 1e-4f) << c.difficulty;
        EXPECT_EQ(m_pAI->Last('Y'), 0.0f) << c.difficulty;
        // The same angle to the other side turns the other way.
        m_pAI->TurnTo(at.x - 500.0f * std::sin(angle), at.y + 500.0f * std::cos(angle), at.z);
        EXPECT_NEAR(m_pAI->Last('X'), -c.yaw, 1e-4f) << c.difficulty;
    }
    // A point closer than 0.1 turns nothing.
    m_pAI->m_Calls.clear();
    m_pAI->TurnTo(at.x + 0.05f, at.y, at.z);
    EXPECT_TRUE(m_pAI->m_Calls.empty());
}

// The pitch fades out for points near the glider, wherever the glider is.
TEST_F(BasicAI, TurnToPitchScalesWithTheOffsetNotTheWorldPosition)
{
    const CVector at = m_Own.glider.GetPosition();
    m_pAI->TurnTo(at.x, at.y + 20.0f, at.z + 10.0f);
    EXPECT_EQ(m_pAI->Last('Y'), 0.0f);
    m_pAI->TurnTo(at.x, at.y + 300.0f, at.z + 100.0f);
    EXPECT_NE(m_pAI->Last('Y'), 0.0f);
}

TEST_F(BasicAI, SideCorrectionIsClampedSignedAndZeroForNaN)
{
    const CVector at = m_Own.glider.GetPosition();
    struct SCase
    {
        float px, qx, expected;
    };
    // Road along y from Q to P, the glider at x = 0 from it.
    const SCase cases[] = {
        {50.0f, 50.0f, 0.5f},    // road 50 to the right
        {-50.0f, -50.0f, -0.5f}, // road 50 to the left
        {900.0f, 900.0f, 2.0f},  // far: clamped
        {-900.0f, -900.0f, -2.0f},
    };
    for (const SCase& c : cases)
        EXPECT_NEAR(m_pAI->GetSideCorrection(CVector{at.x + c.px, at.y + 100.0f, at.z},
                                             CVector{at.x + c.qx, at.y - 100.0f, at.z}),
                    c.expected, 1e-4f)
            << c.px;
    const float nan = std::nanf("");
    EXPECT_EQ(m_pAI->GetSideCorrection(CVector{nan, at.y, at.z}, CVector{at.x, at.y - 100.0f, at.z}), 0.0f);
}

// A terrain whose ground rises by m_fStep beyond y = m_fEdge.
class CStepTerrain : public worldtest::CFlatTerrain
{
public:
    bool GetHeight(const CVector& p, float* h) override
    {
        *h = p.y > m_fEdge ? m_fStep : 0.0f;
        return true;
    }
    float GetRoughHeight(const CVector& p, bool) override { return p.y > m_fEdge ? m_fStep : 0.0f; }
    float m_fEdge = 0.0f;
    float m_fStep = 0.0f;
};

TEST_F(BasicAI, CheckPathFailsOnAStepOfMoreThanSevenWithin25Ahead)
{
    worldtest::CScene scene;
    CStepTerrain ground;
    ground.m_fEdge = m_Own.glider.GetPosition().y + 20.0f;
    for (auto [step, ok] : {std::pair{6.9f, true}, {7.1f, false}, {-50.0f, true}})
    {
        ground.m_fStep = step;
        EXPECT_EQ(m_pAI->CheckPath(), ok) << step;
    }
    ground.m_fEdge += 10.0f; // beyond 25 ahead
    ground.m_fStep = 100.0f;
    EXPECT_TRUE(m_pAI->CheckPath());
}

// The player passes by: each event once per approach, armed again only
// beyond sqrt(2) times its distance.
TEST_F(BasicAI, ViewAndTalkFireOncePerApproach)
{
    SPilot player("PLAYER", m_Own.glider.GetPosition());
    m_Host.m_pPlayer = &player.glider;
    struct SStep
    {
        float distance;
        int views, talks;
    };
    const SStep steps[] = {
        {1600.0f, 0, 0}, {1400.0f, 1, 0}, {1600.0f, 1, 0}, {1400.0f, 1, 0}, {2200.0f, 1, 0}, {1400.0f, 2, 0},
        {240.0f, 2, 1},  {300.0f, 2, 1},  {240.0f, 2, 1},  {360.0f, 2, 1},  {240.0f, 2, 2},
    };
    const CVector at = m_Own.glider.GetPosition();
    for (const SStep& s : steps)
    {
        player.glider.m_Frame.SetPosition(CVector{at.x + s.distance, at.y, at.z});
        m_pAI->GenerateEvents();
        int views = 0, talks = 0;
        for (EAIEvent e : m_Host.m_Events)
        {
            views += e == AIEV_VIEW;
            talks += e == AIEV_TALK;
        }
        EXPECT_EQ(views, s.views) << s.distance;
        EXPECT_EQ(talks, s.talks) << s.distance;
        EXPECT_EQ(m_pGroupAI->m_bTalk, m_pAI->m_bTalk);
    }
}

class BasicAIStream : public CAITest
{
protected:
    void SetUp() override
    {
        CAITest::SetUp();
        g_pWorld = &m_World;
    }
    void TearDown() override
    {
        g_pWorld = nullptr;
        CAITest::TearDown();
    }
    CWorld m_World;
};

TEST_F(BasicAIStream, RoundTripKeepsEveryFieldAndFindsTheTargetAgain)
{
    CMech* target = m_World.AddMech("ENEMY");
    CMech* own = m_World.AddMech("OWN");
    (void)own;
    m_pAI->m_bView = 1;
    m_pAI->m_vReference = CVector{1.0f, 2.0f, 3.0f};
    m_pAI->m_nMode = CBasicAI::MODE_ATTACK;
    m_pAI->m_nAttackStyle = 3;
    m_pAI->m_fAttackDistance = 72.5f;
    m_pAI->m_fClock = 42.25f;
    m_pAI->m_nTicks = 422;
    m_pAI->m_vDestination = CVector{100.0f, 200.0f, 30.0f};
    m_pAI->m_pTarget = target;
    CMemStream s;
    m_pAI->SaveToStream(s);
    ASSERT_EQ(s.m_nPosition, std::uint32_t(CBasicAI::kStreamSize));
    EXPECT_EQ(std::memcmp(s.m_pData + 46, "OWN", 4), 0);
    EXPECT_EQ(std::memcmp(s.m_pData + 78, "ENEMY", 6), 0);

    CRecordingAI back;
    s.m_nPosition = 0;
    back.LoadFromStream(s);
    EXPECT_EQ(back.m_bView, 1);
    EXPECT_EQ(back.m_bTalk, 0);
    EXPECT_EQ(back.m_vReference.z, 3.0f);
    EXPECT_EQ(back.m_nMode, CBasicAI::MODE_ATTACK);
    EXPECT_EQ(back.m_nAttackStyle, 3);
    EXPECT_EQ(back.m_fAttackDistance, 72.5f);
    EXPECT_EQ(back.m_fClock, 42.25f);
    EXPECT_EQ(back.m_nTicks, 422);
    EXPECT_EQ(back.m_vDestination.y, 200.0f);
    EXPECT_EQ(back.m_pTarget, target);

    // Without a target the id's first word is -1 and nothing is found.
    m_pAI->m_pTarget = nullptr;
    CMemStream none;
    m_pAI->SaveToStream(none);
    std::int32_t first;
    std::memcpy(&first, none.m_pData + 78, 4);
    EXPECT_EQ(first, -1);
    none.m_nPosition = 0;
    back.LoadFromStream(none);
    EXPECT_EQ(back.m_pTarget, nullptr);
}

TEST_F(BasicAIStream, ADamagedRecordIsOneClearErrorAndChangesNothing)
{
    CMemStream good;
    m_pAI->m_nMode = CBasicAI::MODE_WAIT;
    m_pAI->SaveToStream(good);
    struct SCase
    {
        const char* name;
        std::uint32_t size;
        int offset;
        std::int32_t value;
        const char* message;
    };
    const SCase cases[] = {
        {"cut short", 60, -1, 0, "AI record at byte 0: 110 bytes wanted, 60 left"},
        {"empty", 0, -1, 0, "AI record at byte 0: 110 bytes wanted, 0 left"},
        {"bad mode", 110, 14, 77, "AI record at byte 110: mode 77"},
        {"negative clock", 110, 26, std::int32_t(0xBF800000u), "AI record at byte 110: clock -1"},
    };
    for (const SCase& c : cases)
    {
        CMemStream s;
        s.Write(good.m_pData, c.size);
        if (c.offset >= 0) std::memcpy(s.m_pData + c.offset, &c.value, 4);
        s.m_nPosition = 0;
        CRecordingAI ai;
        ai.m_nMode = CBasicAI::MODE_INSPECT;
        ai.m_fClock = 9.0f;
        try
        {
            ai.LoadFromStream(s);
            ADD_FAILURE() << c.name << ": no error";
        }
        catch (const CStreamError& e)
        {
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
        EXPECT_EQ(ai.m_nMode, CBasicAI::MODE_INSPECT) << c.name;
        EXPECT_EQ(ai.m_fClock, 9.0f) << c.name;
    }
}

} // namespace
