// The collision pass: two spheres meeting, the minimum normal speed, the
// owner passing through, a still sphere, an object's triangles.
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/Random.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

using namespace worldtest;

namespace
{
class Collision : public testutil::CLogDirTest
{
protected:
    CBall* Ball(CVector p, CVector v, float r = 2.0f)
    {
        auto* b = new CBall(p, v, r);
        g_ObjectList.AddObject(b);
        return b;
    }
    CScene m_Scene;
};
} // namespace

TEST_F(Collision, TwoEqualMassesHeadOnLeaveWithEightyPercentOfTheEnergyOnce)
{
    struct SCase
    {
        float speed, gap, expected;
    };
    // 20 and -20 leave at about 17.9; 1 and -1 count as 10 along the normal.
    for (const SCase c : {SCase{20.0f, 4.5f, -17.8885f}, SCase{1.0f, 4.0f, 1.0f - (10.0f + 8.9443f)}})
    {
        g_ObjectList.Clear();
        CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {c.speed, 0.0f, 0.0f});
        CBall* b = Ball({1000.0f + c.gap, 1000.0f, 50.0f}, {-c.speed, 0.0f, 0.0f});
        g_ObjectList.CheckCollision(0.1f);
        EXPECT_NEAR(a->m_vVelocity.x, c.expected, 1e-3f) << c.speed;
        EXPECT_NEAR(b->m_vVelocity.x, -c.expected, 1e-3f) << c.speed;
        ASSERT_EQ(a->m_Contacts.size(), 1u);
        EXPECT_EQ(a->m_Contacts[0].other, b);
        EXPECT_NEAR(a->m_Contacts[0].normal.x, 1.0f, 1e-5f);
        ASSERT_EQ(b->m_Contacts.size(), 1u);
        EXPECT_NEAR(b->m_Contacts[0].normal.x, -1.0f, 1e-5f);
    }
}

TEST_F(Collision, AMissilePassesThroughItsLauncherAndBadMoversAreNotTested)
{
    CBall* glider = Ball({1000.0f, 1000.0f, 50.0f}, {0.0f, 5.0f, 0.0f});
    CBall* missile = Ball({1001.0f, 1000.0f, 50.0f}, {0.0f, 80.0f, 0.0f}, 0.5f);
    missile->m_pOwner = glider;
    CBall* broken = Ball({1000.0f, 1003.0f, 50.0f}, {std::nanf(""), 0.0f, 0.0f});
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_TRUE(glider->m_Contacts.empty());
    EXPECT_TRUE(missile->m_Contacts.empty());
    EXPECT_TRUE(broken->m_Contacts.empty());
    EXPECT_EQ(missile->m_vVelocity.y, 80.0f);
}

TEST_F(Collision, AStillSphereTakesEightTenthsOfTheNormalSpeed)
{
    CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {20.0f, 0.0f, 0.0f});
    CBall* wall = Ball({1004.5f, 1000.0f, 50.0f}, {});
    wall->m_bPhysics = 0;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(a->m_vVelocity.x, 20.0f - 0.8f * 20.0f, 1e-4f);
    EXPECT_EQ(wall->m_Contacts.size(), 1u);
}

TEST_F(Collision, ANonPositiveMassIsNotADivisor)
{
    CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {20.0f, 0.0f, 0.0f});
    CBall* b = Ball({1004.5f, 1000.0f, 50.0f}, {-20.0f, 0.0f, 0.0f});
    b->m_fMass = 0.0f;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_EQ(a->m_vVelocity.x, 20.0f);
    EXPECT_EQ(b->m_vVelocity.x, -20.0f);
    EXPECT_NE(ReadText("error.log").find("m1>0 && m2>0"), std::string::npos);
}

TEST_F(Collision, ASphereFallingOnTrianglesIsPushedAlongTheirNormal)
{
    auto* slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    // Over the face, and grazing the slab's edge from outside.
    CBall* face = Ball({1005.0f, 995.0f, 3.0f}, {0.0f, 0.0f, -20.0f}, 1.0f);
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(face->m_vVelocity.z, -20.0f + 20.0f * 1.3f, 1e-3f);
    ASSERT_FALSE(face->m_Contacts.empty());
    EXPECT_NEAR(face->m_Contacts[0].point.z, 0.0f, 1e-3f);

    g_ObjectList.Clear();
    slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    CBall* edge = Ball({1020.5f, 1005.0f, 3.0f}, {0.0f, 0.0f, -20.0f}, 1.0f);
    g_ObjectList.CheckCollision(0.1f);
    ASSERT_FALSE(edge->m_Contacts.empty());
    EXPECT_NEAR(edge->m_Contacts[0].point.x, 1020.0f, 1e-3f);
    EXPECT_NEAR(edge->m_Contacts[0].normal.z, 1.0f, 1e-5f);
    EXPECT_GT(edge->m_vVelocity.z, 0.0f);
}

TEST_F(Collision, APointColliderHitsTheFirstTriangle)
{
    auto* slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    CBall* p = Ball({1005.0f, 995.0f, 1.0f}, {0.0f, 0.0f, -20.0f}, 0.1f);
    p->m_bPointCollider = 1;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(p->m_vVelocity.z, -20.0f + 1.3f * 20.0f, 1e-3f);
    EXPECT_EQ(p->m_Contacts.size(), 1u);
}

namespace
{

// A ball whose reports change the world the collision pass is walking: it
// jumps to another cell now and then, kills every fourth partner and
// throws a bystander (not in the contact) at the partner in between.
class CRowdyBall : public CBall
{
public:
    using CBall::CBall;
    bool SetColissionObject(CMMObject* other, CVector normal, CVector point) override
    {
        CBall::SetColissionObject(other, normal, point);
        if (m_Contacts.size() % 3 == 0) SetPosition(GetPosition() + CVector{700.0f, 0.0f, 0.0f});
        if (m_Contacts.size() % 4 == 0) other->m_bAlive = 0;
        if (m_Contacts.size() % 2 == 1 && m_pBystander && m_pBystander != other)
            ThrowAt(*m_pBystander, other->GetPosition());
        return m_bOwnsUp;
    }
    // Fast towards `at`, and a step along (within its cell as a rule).
    static void ThrowAt(CBall& b, const CVector& at)
    {
        b.m_vVelocity = (at - b.GetPosition()) * 2.0f;
        b.SetPosition(b.GetPosition() + CVector{0.5f, 0.5f, 0.0f});
    }
    CBall* m_pBystander = nullptr;
    // False: the report hides its changes from the pass.
    bool m_bOwnsUp = true;
};

// A still pad with its own handler: throws the mover up, wakes the
// sleepers (balls that were not collidable), and stops being collidable
// after its third mover.
class CPad : public CSlab
{
public:
    CPad(const CVector& position, std::vector<CBall*>* sleepers)
        : CSlab(position, 10.0f, 2.0f), m_pSleepers(sleepers)
    {
        m_bOwnCollision = 1;
    }
    bool OnCollision(CMMObject* mover, float) override
    {
        static_cast<CDynamicObject*>(mover)->m_vVelocity.z += 40.0f;
        for (CBall* b : *m_pSleepers)
            b->m_bCollidable = 1;
        if (++m_nHits == 3) m_bCollidable = 0;
        return true;
    }
    int m_nHits = 0;
    std::vector<CBall*>* m_pSleepers;
};

// The collision pass as a plain walk over the cells' lists.
void ReferenceCollision(float dt)
{
    g_ObjectList.m_MovingObjects.ResetCursor();
    while (CMMObject* ao = g_ObjectList.m_MovingObjects.GetNext())
    {
        if (!ao->m_bPhysics || !ao->m_bAlive) continue;
        auto* a = static_cast<CDynamicObject*>(ao);
        const CVector v = a->m_vVelocity;
        const CVector& p = a->GetPosition();
        if (!std::isfinite(v.x + v.y + v.z) || !std::isfinite(p.x + p.y + p.z) || !a->m_bShown) continue;
        const int row = RoundToInt(p.y * 0.1f) >> 6, col = RoundToInt(p.x * 0.1f) >> 6;
        const float vaSq = v.LengthSq();
        std::vector<CMMObject*> tested;
        for (int r : {row, row + (v.y > 0.0f ? 1 : -1)})
            for (int c : {col, col + (v.x > 0.0f ? 1 : -1)})
            {
                if (r < 0 || c < 0 || r >= kCellGridSize || c >= kCellGridSize) continue;
                CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(r * kCellGridSize + c);
                for (const CLinkedListBase::SNode* n = cell->GetHeadNode(); n; n = n->next)
                {
                    auto* b = static_cast<CMMObject*>(n->item);
                    if (!CObjectList::IsPartner(a, b, vaSq)) continue;
                    if (std::find(tested.begin(), tested.end(), b) != tested.end()) continue;
                    if (tested.size() < 100) tested.push_back(b);
                    g_ObjectList.Collide(a, b, dt);
                    // A report may have moved objects between cells: go on
                    // after b in the list as it is now (nowhere when b left).
                    n = cell->GetHeadNode();
                    while (n && n->item != b)
                        n = n->next;
                    if (!n) break;
                }
            }
    }
}

// Bits of every mover's position and velocity and its contact count, after
// sub-steps of collisions and straight-line moves over a crowded square.
std::vector<std::uint32_t> CrowdRun(bool reference, float speed, float dt, bool handlers, bool honest = true)
{
    g_ObjectList.Clear();
    CRandom random(99);
    std::vector<CBall*> balls;
    std::vector<CVector> initial;
    for (int i = 0; i < 400; ++i)
    {
        const CVector p{600.0f + random.Random(900.0f), 600.0f + random.Random(900.0f), 50.0f};
        const CVector v{speed * (random.Random(2.0f) - 1.0f), speed * (random.Random(2.0f) - 1.0f), 0.0f};
        const bool rowdy = handlers && i % 5 == 0;
        CBall* b = rowdy ? new CRowdyBall(p, v, 6.0f) : new CBall(p, v, 3.0f + random.Random(4.0f));
        if (rowdy)
        {
            static_cast<CRowdyBall*>(b)->m_pBystander = balls.empty() ? nullptr : balls.back();
            static_cast<CRowdyBall*>(b)->m_bOwnsUp = honest;
        }
        // The plain balls report too: their reports change nothing.
        b->m_bCollisionReport = handlers;
        b->m_fMass = 1.0f + random.Random(3.0f);
        g_ObjectList.AddObject(b);
        balls.push_back(b);
        initial.push_back(v);
    }
    std::vector<CBall*> sleepers; // outlives every pad's use of it
    for (int i = 0; handlers && i < 12; ++i)
        g_ObjectList.AddObject(new CPad({650.0f + 70.0f * float(i), 1000.0f, 48.0f}, &sleepers));
    for (int step = 0; step < 40; ++step)
    {
        // Asleep again at every step, and woken by the first pad hit.
        for (int i = 0; handlers && i < 100; ++i)
        {
            if (std::size_t(i) >= sleepers.size())
            {
                sleepers.push_back(new CBall({600.0f + random.Random(900.0f), 600.0f + random.Random(900.0f),
                                              50.0f},
                                             {}, 8.0f));
                g_ObjectList.AddObject(sleepers.back());
            }
            sleepers[std::size_t(i)]->m_bCollidable = 0;
        }
        if (reference)
            ReferenceCollision(dt);
        else
            g_ObjectList.CheckCollision(dt);
        for (CBall* b : balls)
            b->SetPosition(b->GetPosition() + b->m_vVelocity * dt);
    }
    std::vector<std::uint32_t> bits;
    std::uint32_t changed = 0;
    for (std::size_t i = 0; i < balls.size(); ++i)
    {
        CBall* b = balls[i];
        changed += b->m_vVelocity.x != initial[i].x || b->m_vVelocity.y != initial[i].y;
        for (float f : {b->GetPosition().x, b->GetPosition().y, b->GetPosition().z, b->m_vVelocity.x,
                        b->m_vVelocity.y, b->m_vVelocity.z})
        {
            std::uint32_t u;
            std::memcpy(&u, &f, sizeof(u));
            bits.push_back(u);
        }
        bits.push_back(std::uint32_t(b->m_Contacts.size()));
    }
    bits.push_back(changed); // last: how many balls a contact turned
    return bits;
}

} // namespace

// The pass reads compact copies of the cells and keeps them in step with
// impulses, reports and handlers that move, kill, wake and change objects:
// the result is bit for bit that of a walk over the lists themselves. Fast
// movers in short steps with handlers; slow ones in long steps without,
// where a contact's minimum speed of 10 lets a partner reach movers it
// could not reach before.
TEST_F(Collision, TheCellCopiesGiveTheSameResultAsAWalkOverTheLists)
{
    for (const auto& [speed, dt, handlers] : {std::tuple{60.0f, 0.1f, true}, std::tuple{2.0f, 1.0f, false}})
    {
        const std::vector<std::uint32_t> reference = CrowdRun(true, speed, dt, handlers);
        const std::vector<std::uint32_t> copied = CrowdRun(false, speed, dt, handlers);
        ASSERT_EQ(reference.size(), copied.size());
        EXPECT_EQ(reference, copied) << speed;
        EXPECT_GT(reference.back(), 100u) << speed; // a crowd that collides, not a quiet scene
    }
}

// After a report that says it changed nothing the pass goes on with its
// copies unchecked. The check for the tests finds a report that changes an
// object without saying so; reports that say so, and the plain balls'
// reports that change nothing, leave every copy as it would be made now.
TEST_F(Collision, AReportThatHidesAChangeLeavesAStaleCopyBehind)
{
    CCollisionCells& cells = g_ObjectList.GetCollisionCells();
    for (const bool honest : {true, false})
    {
        cells.SetChecking(true);
        CrowdRun(false, 60.0f, 0.1f, true, honest);
        EXPECT_GT(cells.GetChecks(), 100) << honest;
        if (honest)
            EXPECT_EQ(cells.GetStaleCopies(), 0);
        else
            EXPECT_GT(cells.GetStaleCopies(), 0);
    }
    cells.SetChecking(false);
}

// A copy kept after a handler ran is checked against its objects: one that
// the handler changed where it stands (no cell's list changed) is seen as
// it is now, here by a mover it was out of reach of before.
TEST_F(Collision, ACellCopyKeptAfterAHandlerSeesObjectsChangedInPlace)
{
    const std::tuple<const char*, void (*)(CBall&)> cases[] = {
        {"unchanged", [](CBall&) {}},
        {"moved", [](CBall& b) { b.m_Frame.SetPosition(CVector{103.0f, 100.0f, 0.0f}); }},
        {"swollen", [](CBall& b) { b.m_fRadius = 450.0f; }},
        {"sped up", [](CBall& b) { b.m_vVelocity = CVector{-500.0f, 0.0f, 0.0f}; }},
        {"woken", [](CBall& b) {
             b.m_Frame.SetPosition(CVector{103.0f, 100.0f, 0.0f});
             b.m_bCollidable = 1;
         }},
    };
    for (const auto& [what, change] : cases)
    {
        CBall a({100.0f, 100.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
        CBall b({500.0f, 100.0f, 0.0f}, {});
        a.m_nObjectNumber = 2;
        b.m_nObjectNumber = 1;
        b.m_bCollidable = std::strcmp(what, "woken") != 0;
        CLinkedList<CMMObject> list;
        list.AddTail(&b);
        list.AddTail(&a);
        CCollisionCells cells;
        cells.BeginPass();
        const CCollisionCells::SEntry* entries = nullptr;
        int count = -1;
        cells.Reachable(0, list, &a, a.m_vVelocity.LengthSq(), &entries, &count);
        ASSERT_EQ(count, 0) << what;
        cells.Invalidate();
        change(b);
        const std::int32_t* picked = cells.Reachable(0, list, &a, a.m_vVelocity.LengthSq(), &entries, &count);
        const bool seen = count == 1 && entries[picked[0]].object == &b;
        EXPECT_EQ(seen, std::strcmp(what, "unchanged") != 0) << what;
    }
}
