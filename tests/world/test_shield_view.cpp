// The shield view: twenty slots (a further hit dropped, single-slot hits
// only in slot 0), the owner only a glider, the alpha of a hit by frame and
// strength, the any-hit flag after the last hit, and each live hit queued
// with its own pass value.
#include "WorldTestScene.h"

#include "units/GliderObject.h"
#include "world/EffectQueue.h"
#include "world/ShieldView.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class CRecordingQueue : public IEffectQueue
{
public:
    void AddObject(float, CMMObject* object, std::uint32_t pass) override
    {
        m_Passes.emplace_back(object, pass);
    }
    std::vector<std::pair<CMMObject*, std::uint32_t>> m_Passes;
};
} // namespace

TEST(ShieldView, SlotsOwnerAndExpiry)
{
    CShieldView view;
    CMMObject stone;
    stone.m_nType = OBJ_STONE;
    view.SetOwner(&stone);
    EXPECT_EQ(view.m_pOwner, nullptr);
    CGliderObject glider;
    view.SetOwner(&glider);
    EXPECT_EQ(view.m_pOwner, &glider);
    view.SetOwner(&stone);
    EXPECT_EQ(view.m_pOwner, &glider);

    // Single-slot hits take slot 0 only: a second while it lives is dropped.
    view.AddHit(50, kIdentity, true);
    view.AddHit(60, kIdentity, true);
    EXPECT_EQ(view.m_Hits[0].strength, 50u);
    EXPECT_EQ(view.m_Hits[1].life, 0.0f);
    for (int i = 1; i < CShieldView::kHits; ++i)
        view.AddHit(std::uint32_t(i), kIdentity, false);
    view.AddHit(99, kIdentity, false); // all twenty live: dropped
    for (const auto& hit : view.m_Hits)
        EXPECT_NE(hit.strength, 99u);
    EXPECT_EQ(view.m_bAnyHit, 1);

    CRecordingQueue queue;
    IEffectQueue* saved = g_pEffectQueue;
    g_pEffectQueue = &queue;
    view.MakeEffects();
    g_pEffectQueue = saved;
    ASSERT_EQ(queue.m_Passes.size(), std::size_t(CShieldView::kHits));
    for (int i = 0; i < CShieldView::kHits; ++i)
    {
        EXPECT_EQ(queue.m_Passes[std::size_t(i)].first, &glider);
        EXPECT_EQ(queue.m_Passes[std::size_t(i)].second, std::uint32_t(i + 2));
    }

    view.Run(0.2f);
    EXPECT_EQ(view.m_bAnyHit, 1);
    view.Run(0.1f);
    EXPECT_EQ(view.m_bAnyHit, 0);
    view.AddHit(70, kIdentity, true); // slot 0 is free again
    EXPECT_EQ(view.m_Hits[0].strength, 70u);
}

TEST(ShieldView, AlphaByFrameAndStrength)
{
    struct SCase
    {
        int frame;
        std::uint32_t strength;
        float alpha;
    };
    for (const SCase& c : {SCase{0, 5, 1.0f},
                           {1, 5, 0.55f},
                           {2, 5, 0.1f},
                           {16, 5, 0.1f},
                           {1, 150, 1.0f},
                           {5, 150, 1.0f},
                           {3, 40, 0.4f}})
        EXPECT_FLOAT_EQ(CShieldView::HitAlpha(c.frame, c.strength), c.alpha) << c.frame << " " << c.strength;
}
