// The hover physics over a flat ground: tiny steps, invalid states, the
// hover equilibrium, the probes' push out of the ground and the ground
// found on top of an object (not on the mover itself, as the pass changes
// it, and as anything changes it between passes).
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "units/GliderObject.h"
#include "world/CollisionCells.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

using namespace worldtest;

namespace
{

class Physics : public testutil::CLogDirTest
{
protected:
    CScene m_Scene;
    CFlatTerrain m_Ground;
    CPhysics m_Physics;
};

void MakeHover(CDynamicObject& o, float z, float hoverHeight)
{
    o.m_bGravity = 1;
    o.m_bGroundFollowing = 1;
    o.m_fGravityFactor = 1.0f;
    o.m_fHoverHeight = hoverHeight;
    o.m_Frame.SetPosition(CVector{100.0f, 100.0f, z});
}

} // namespace

TEST_F(Physics, AStepOfAtMostAMillionthLeavesTheObjectAlone)
{
    CGliderObject g;
    MakeHover(g, 50.0f, 2.0f);
    g.m_bSteering = 1;
    g.m_vR = CVector{1.0f, 1.0f, 0.0f};
    g.m_fDrive = 100.0f;
    g.m_vVelocity = CVector{3.0f, 4.0f, -5.0f};
    const CMatrix before = g.m_Frame.m_Matrix;
    m_Physics.PreMove(&g, 0.000001f);
    EXPECT_EQ(std::memcmp(&before, &g.m_Frame.m_Matrix, sizeof before), 0);
    EXPECT_EQ(g.m_vVelocity.x, 3.0f);
    EXPECT_EQ(g.m_vVelocity.z, -5.0f);
}

TEST_F(Physics, AnInvalidGliderStopsAndStaysWhileAStoneIsDeleted)
{
    CGliderObject glider;
    auto* stone = new CBall({50, 50, 10}, {}, 1.0f);
    stone->m_nType = OBJ_STONE;
    g_ObjectList.AddObject(stone);
    for (CDynamicObject* o : {static_cast<CDynamicObject*>(&glider), static_cast<CDynamicObject*>(stone)})
    {
        o->m_vVelocity = CVector{std::nanf(""), 1.0f, 2.0f};
        o->m_fDrive = 5.0f;
        m_Physics.PreMove(o, 0.1f);
        EXPECT_EQ(o->m_vVelocity.LengthSq(), 0.0f);
        EXPECT_EQ(o->m_fDrive, 0.0f);
    }
    EXPECT_EQ(glider.m_bAlive, 1);
    EXPECT_EQ(stone->m_bAlive, 0);
    // A NaN in z is caught as well, where it arises.
    glider.m_vVelocity = CVector{0.0f, 0.0f, std::nanf("")};
    EXPECT_FALSE(m_Physics.Move(&glider, 0.1f));
    EXPECT_EQ(glider.m_vVelocity.LengthSq(), 0.0f);
}

TEST_F(Physics, AGliderWithHoverHeightTwoSettlesAtThirty)
{
    CGliderObject g;
    MakeHover(g, 80.0f, 2.0f);
    g.m_fRisingFriction = 3.0f;
    for (int i = 0; i < 3000; ++i)
    {
        m_Physics.PreMove(&g, 0.02f);
        m_Physics.Move(&g, 0.02f);
    }
    EXPECT_NEAR(g.GetPosition().z, 30.0f, 0.05f);
    // Hover force and gravity balance there.
    CVector f;
    const CVector p = g.GetPosition();
    m_Physics.GetHoverForce(&f, &p, &g, 2.0f, 0.0f);
    EXPECT_NEAR(f.z, CPhysics::kGravity, 0.5f);
}

TEST_F(Physics, BelowFortyFiveTheDownwardSpeedIsDamped)
{
    CGliderObject low, high;
    MakeHover(low, 40.0f, 0.1f);
    MakeHover(high, 400.0f, 0.1f);
    low.m_bGravity = high.m_bGravity = 0;
    low.m_vVelocity = high.m_vVelocity = CVector{0.0f, 0.0f, -50.0f};
    m_Physics.PreMove(&low, 0.1f);
    m_Physics.PreMove(&high, 0.1f);
    EXPECT_GT(low.m_vVelocity.z, high.m_vVelocity.z);
}

TEST_F(Physics, AProbeTwoUnitsUnderTheGroundLiftsTheObjectByTwoAndTurnsItsFall)
{
    CGliderObject g;
    MakeHover(g, -2.0f, 1.0f);
    g.m_vVelocity = CVector{0.0f, 0.0f, -10.0f};
    EXPECT_TRUE(m_Physics.Move(&g, 0.0f));
    EXPECT_FLOAT_EQ(g.GetPosition().z, 0.0f);
    EXPECT_FLOAT_EQ(g.m_vVelocity.z, 5.0f);
}

TEST_F(Physics, TheGroundOverAnObjectIsItsTopWithAFlatNormal)
{
    m_Ground.m_vNormal = Normalize(CVector{1.0f, 0.0f, 1.0f});
    auto* slab = new CSlab({200.0f, 200.0f, 0.0f}, 20.0f, 12.0f);
    g_ObjectList.AddObject(slab);
    const CVector above{205.0f, 195.0f, 30.0f};
    EXPECT_FLOAT_EQ(m_Physics.GetGroundHeight(&above, nullptr), 12.0f);
    CVector n;
    m_Physics.GetMapLNormal(&n, &above, false);
    EXPECT_EQ(n.z, 1.0f);
    // Beside the slab the terrain and its own normal count again.
    const CVector beside{300.0f, 300.0f, 30.0f};
    EXPECT_FLOAT_EQ(m_Physics.GetGroundHeight(&beside, nullptr), 0.0f);
    m_Physics.GetMapLNormal(&n, &beside, false);
    EXPECT_LT(n.z, 0.8f);
    // A gentle slope pushes straight up when the slope is limited.
    m_Physics.GetMapLNormal(&n, &beside, true);
    EXPECT_EQ(n.x, 0.0f);
}

TEST_F(Physics, AGliderClimbingPastTheCeilingIsTurnedBack)
{
    m_Ground.m_fLimit = 100.0f;
    CGliderObject g;
    MakeHover(g, 99.0f, 1.0f);
    g.m_bGravity = 0;
    g.m_vVelocity = CVector{0.0f, 0.0f, 50.0f};
    m_Physics.PreMove(&g, 0.1f);
    EXPECT_LT(g.m_vVelocity.z, 0.0f);
}

namespace
{
// A moving object with a triangle top two units above its position (off
// centre: a ray down the middle does not run along the diagonal).
class CCrate : public CDynamicObject
{
public:
    CCrate()
    {
        m_nType = OBJ_STONE;
        m_bCollidable = m_bShown = m_bPhysics = m_bMoving = 1;
        m_bSphereCollider = 0;
        m_fRadius = 6.0f;
        m_Frame.SetMatrix(CMatrix(1.0f), true);
        m_Shape.push_back(MakeTriangle({-5.0f, -3.0f, 2.0f}, {5.0f, -3.0f, 2.0f}, {5.0f, 7.0f, 2.0f}));
        m_Shape.push_back(MakeTriangle({-5.0f, -3.0f, 2.0f}, {5.0f, 7.0f, 2.0f}, {-5.0f, 7.0f, 2.0f}));
    }
    const void* GetShapeData() override { return &m_Shape; }
    std::vector<SShapeTriangle> m_Shape;
};
} // namespace

// The ground query passes the moving object along: its own top is no
// ground for it (it would climb on itself for ever), while it is ground for
// anyone else.
TEST_F(Physics, AMovingTriangleShapedObjectIsNoGroundForItself)
{
    auto* crate = new CCrate;
    MakeHover(*crate, 40.0f, 1.0f);
    g_ObjectList.AddObject(crate);
    for (int i = 0; i < 200; ++i)
        g_ObjectList.StepPhysics(0.05f);
    EXPECT_NEAR(crate->GetPosition().z, 15.0f, 0.1f);
    const CVector at = crate->GetPosition();
    EXPECT_EQ(m_Physics.GetGroundHeight(&at, crate), 0.0f);
    EXPECT_FLOAT_EQ(m_Physics.GetGroundHeight(&at, nullptr), at.z + 2.0f);
}

// The ground queries of one pass see what the pass itself changes: an
// object that dies in it is no longer ground for the movers after it, and
// one that moves into a cell is ground there for the movers after it.
TEST_F(Physics, TheGroundWithinAPassFollowsDeathsAndMoves)
{
    auto hovering = [](CDynamicObject* o, CVector p)
    {
        o->m_bGroundFollowing = 1;
        o->m_fHoverHeight = 1.0f;
        o->m_Frame.SetPosition(p);
        g_ObjectList.AddObject(o);
        return o;
    };
    // Pre-move: the first mover reads the cell while the crate lives; the
    // crate dies of its bad velocity; the ball over it then falls freely.
    hovering(new CCrate, {300.0f, 300.0f, 50.0f});
    auto* doomed = new CCrate;
    doomed->m_Frame.SetPosition({100.0f, 100.0f, 100.0f});
    doomed->m_vVelocity = CVector{std::nanf(""), 0.0f, 0.0f};
    g_ObjectList.AddObject(doomed);
    CDynamicObject* ball = hovering(new CBall({}, {}), {100.0f, 100.0f, 103.0f});
    ball->m_bGravity = 1;
    ball->m_fGravityFactor = 1.0f;
    g_ObjectList.PreMove(0.05f);
    EXPECT_FALSE(doomed->m_bAlive);
    EXPECT_LT(ball->m_vVelocity.z, 0.0f);

    // Move: a crate crosses into the next cell, where a mover has read the
    // ground already in this pass; the ball after it stands on its top.
    g_ObjectList.Clear();
    hovering(new CCrate, {1000.0f, 300.0f, 50.0f});
    auto* crossing = new CCrate;
    crossing->m_Frame.SetPosition({638.0f, 100.0f, 100.0f});
    crossing->m_vVelocity = CVector{40.0f, 0.0f, 0.0f};
    g_ObjectList.AddObject(crossing);
    ball = hovering(new CBall({}, {}), {640.5f, 100.0f, 101.0f});
    g_ObjectList.Move(0.05f);
    ASSERT_EQ(CellOf(crossing->GetPosition()), 1);
    EXPECT_FLOAT_EQ(ball->GetPosition().z, 102.0f);
}

// The ground ray's cell copies outlive the passes: after every change, in a
// pass or between passes, the query finds what a walk over the list finds
// (collidable, alive, not a sphere collider, in the list's order).
TEST(GroundRayCells, TheCopiesFollowEveryChangeOfTheListsAndTheFlags)
{
    struct SCase
    {
        const char* what;
        bool inPass; // the change made in the pass that read the cell
        std::function<void(std::optional<CLinkedList<CMMObject>>&, std::vector<CSlab*>&)> change;
    };
    const std::vector<SCase> cases = {
        {"made collidable", false, [](auto&, auto& o) { o[1]->m_bCollidable = 1; }},
        {"made collidable in the pass", true, [](auto&, auto& o) { o[1]->m_bCollidable = 1; }},
        {"no longer a sphere collider", false, [](auto&, auto& o) { o[2]->m_bSphereCollider = 0; }},
        {"made a sphere collider", false, [](auto&, auto& o) { o[0]->m_bSphereCollider = 1; }},
        {"dead", true, [](auto&, auto& o) { o[0]->m_bAlive = 0; }},
        {"entered", true, [](auto& list, auto& o) { list->AddTail(o[3]); }},
        {"left", true, [](auto& list, auto& o) { list->Remove(o[0]); }},
        {"left and entered again", false,
         [](auto& list, auto& o)
         {
             list->Remove(o[0]);
             list->AddTail(o[0]);
         }},
        // A list made anew at the same address, as many changes made to it.
        {"a new list", false,
         [](auto& list, auto& o)
         {
             list.emplace();
             for (int i : {3, 1, 2})
                 list->AddTail(o[std::size_t(i)]);
         }},
    };
    for (const SCase& c : cases)
    {
        // 0: ground; 1: not collidable; 2: a sphere collider; 3: ground, not
        // listed at first.
        std::vector<CSlab*> objects;
        for (int i = 0; i < 4; ++i)
            objects.push_back(new CSlab({10.0f * float(i), 0.0f, 0.0f}, 2.0f, 1.0f));
        objects[1]->m_bCollidable = 0;
        objects[2]->m_bSphereCollider = 1;
        std::optional<CLinkedList<CMMObject>> list(std::in_place);
        for (int i = 0; i < 3; ++i)
            list->AddTail(objects[std::size_t(i)]);

        CGroundRayCells cells;
        auto found = [&]
        {
            int count = 0;
            CMMObject* const* copy = cells.Objects(7, *list, &count);
            std::vector<CMMObject*> alive;
            for (int i = 0; i < count; ++i)
                if (copy[i]->m_bAlive && copy[i]->m_bCollidable && !copy[i]->m_bSphereCollider)
                    alive.push_back(copy[i]);
            return alive;
        };
        auto walked = [&]
        {
            std::vector<CMMObject*> ground;
            for (CMMObject* o : *list)
                if (o->m_bCollidable && o->m_bAlive && !o->m_bSphereCollider) ground.push_back(o);
            return ground;
        };
        cells.Begin();
        ASSERT_EQ(found(), walked()) << c.what;
        if (c.inPass) c.change(list, objects);
        EXPECT_EQ(found(), walked()) << c.what;
        cells.End();
        if (!c.inPass) c.change(list, objects);
        cells.Begin();
        EXPECT_EQ(found(), walked()) << c.what;
        cells.End();
        list.reset();
        for (CSlab* o : objects)
            delete o;
    }
}

// A hovering glider rolled or pitched over levels itself; braking, it turns
// its nose after its motion, sideways and upwards.
TEST_F(Physics, AGliderLevelsItsRollAndItsGripTurnsItsNoseAfterItsMotion)
{
    auto make = [](CGliderObject& g)
    {
        MakeHover(g, 32.0f, 2.0f);
        g.m_fRisingFriction = g.m_fFallingFriction = 1.5f;
        g.m_fSideFriction = 3.0f;
        g.m_bSteering = g.m_bLevelling = 1;
        g.m_fProbe1 = g.m_fProbe2 = 2.0f;
        g.m_fPitchStiffness = g.m_fRollStiffness = 0.02f;
        g.m_fSteeringResponse = 2.0f;
        g.m_fMass = 200.0f;
        g.m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        g.m_Frame.SetPosition(CVector{100.0f, 100.0f, 32.0f});
    };
    for (float roll : {0.3f, -0.3f})
    {
        CGliderObject g;
        make(g);
        CPhysics::RollBy(g.m_Frame, roll);
        g.m_Frame.UpdateAxes();
        ASSERT_GT(std::fabs(g.m_Frame.m_vSide.z), 0.25f);
        for (int i = 0; i < 1500; ++i)
        {
            m_Physics.PreMove(&g, 0.02f);
            m_Physics.Move(&g, 0.02f);
        }
        g.m_Frame.UpdateAxes();
        EXPECT_LT(std::fabs(g.m_Frame.m_vSide.z), 0.02f) << roll;
        EXPECT_GT(g.m_Frame.m_vUp.z, 0.99f) << roll;
    }
    // Sliding along its side axis (to its right) while it flies on, the
    // braking glider's nose swings right; climbing, it rises.
    CGliderObject g;
    make(g);
    g.m_bLevelling = 0;
    g.m_bGrip = 1;
    g.m_fGrip = 1.0f;
    g.m_bGravity = g.m_bGroundFollowing = 0;
    g.m_vVelocity = CVector{-20.0f, 100.0f, 20.0f};
    m_Physics.PreMove(&g, 0.02f);
    g.m_Frame.UpdateAxes();
    EXPECT_LT(g.m_Frame.m_vForward.x, -0.001f);
    EXPECT_GT(g.m_Frame.m_vForward.z, 0.001f);
}
