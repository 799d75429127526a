// The same objects, seed and frame times give bit-identical positions after
// 600 frames of run, physics sub-steps with collisions, and pack.
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/Random.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace worldtest;

namespace
{

// Ground rising towards +x, with the matching normal.
class CSlope : public CFlatTerrain
{
public:
    CSlope() { m_vNormal = Normalize(CVector{-0.1f, 0.0f, 1.0f}); }
    bool GetHeight(const CVector& p, float* h) override
    {
        *h = 0.1f * p.x;
        return true;
    }
};

class Determinism : public testutil::CLogDirTest
{
protected:
    // The positions and velocities of every mover after 600 frames.
    std::vector<float> Run(std::uint32_t seed)
    {
        g_ObjectList.Clear();
        g_Random.SetState(seed);
        for (int i = 0; i < 6; ++i)
            g_ObjectList.AddObject(
                new CSlab({1000.0f + 120.0f * float(i), 1200.0f, 100.0f + 12.0f * float(i)}, 20.0f, 8.0f));
        std::vector<CDynamicObject*> movers;
        for (int i = 0; i < 40; ++i)
        {
            const CVector p{900.0f + g_Random.Random(800.0f), 1000.0f + g_Random.Random(400.0f),
                            200.0f + g_Random.Random(300.0f)};
            const CVector v{g_Random.Random(60.0f) - 30.0f, g_Random.Random(60.0f) - 30.0f, 0.0f};
            CDynamicObject* o;
            if (i % 2)
            {
                o = new CBall(p, v, 3.0f);
            }
            else
            {
                auto* g = new CGliderObject;
                g->m_Frame.SetPosition(p);
                g->m_vVelocity = v;
                g->m_fRadius = 4.0f;
                g->m_bSteering = g->m_bLevelling = g->m_bGrip = 1;
                g->m_fGrip = 0.5f;
                g->m_fSteeringResponse = 2.0f;
                g->m_fPitchStiffness = g->m_fRollStiffness = 9.0f;
                g->m_fProbe1 = g->m_fProbe2 = 4.0f;
                g->m_vR = CVector{g_Random.Random(1.0f) - 0.5f, 0.0f, 0.0f};
                g->SetTraction(g_Random.Random(4.0f));
                o = g;
            }
            o->m_bGravity = 1;
            o->m_bGroundFollowing = 1;
            o->m_fHoverHeight = 1.0f + g_Random.Random(1.0f);
            o->m_fRisingFriction = 2.0f;
            g_ObjectList.AddObject(o);
            movers.push_back(o);
        }
        for (int frame = 0; frame < 600; ++frame)
        {
            const float frameTime = 0.01f + g_Random.Random(0.4f);
            g_ObjectList.Run();
            g_ObjectList.StepPhysics(frameTime);
            g_ObjectList.Pack(false);
        }
        std::vector<float> state;
        for (CMMObject* o : g_ObjectList.m_MovingObjects)
        {
            const auto* d = static_cast<const CDynamicObject*>(o);
            for (const CVector* v : {&d->GetPosition(), &d->m_vVelocity})
                state.insert(state.end(), {v->x, v->y, v->z});
        }
        return state;
    }

    CScene m_Scene;
    CSlope m_Ground;
};

} // namespace

TEST_F(Determinism, TheSameSeedAndFrameTimesGiveTheSamePositions)
{
    const std::vector<float> a = Run(4711);
    const std::vector<float> b = Run(4711);
    ASSERT_EQ(a.size(), 40u * 6u);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
    // Everything still stands over the ground, none lost.
    for (std::size_t i = 0; i < a.size(); i += 6)
        EXPECT_GE(a[i + 2], 0.1f * a[i] - 1.0f) << i / 6;
    EXPECT_NE(Run(4712), a);
}
