// Detail objects: a block without detail entries gets an empty set and is
// marked generated; a released block is regenerated identically whatever
// the generator did meanwhile; a 17th land type of a block gets nothing;
// the 8000-object limit stops the block with its message; the list's
// choice by distance (kind-0 alpha above 0.95 up to d2n 1265, faded to
// 2025) and its 3999-entry limit.
#include "LandTypeFixture.h"
#include "LocationFixture.h"

#include "foundation/Random.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <vector>

using testutil::CLandTypeScope;
using testutil::CLocationTest;
using testutil::MakeSource;

namespace
{
class DetailObjects : public CLocationTest
{
protected:
    void SetUp() override
    {
        CLocationTest::SetUp();
        m_savedCamera = g_ViewCamera;
        g_ViewCamera.m_mViewProjection = CMatrix(0.0f); // every sphere in view
        m_savedRandom = g_Random.GetState();
        g_Random.SetState(4242);
    }
    void TearDown() override
    {
        g_ViewCamera = m_savedCamera;
        g_Random.SetState(m_savedRandom);
        CLocationTest::TearDown();
    }
    // A one-cell map whose vertex land types come from f(x, y).
    template <class F> void OpenTypes(F f)
    {
        SMapSource source = MakeSource(65, 65);
        source.landTypes.resize(source.heights.size());
        for (int y = 0; y < 65; ++y)
            for (int x = 0; x < 65; ++x)
                source.landTypes[std::size_t(y * 65 + x)] = std::uint16_t(f(x, y));
        ASSERT_TRUE(Open(source));
        Load(0, 0, kLevelNear);
        m_location->GetCell(0, 0).m_pNear->m_nBlocksPerSide = 2;
    }
    // Land type gid with one detail entry (model 0, the kind and frequency).
    void AddType(int gid, float frequency, int kind = 0)
    {
        const int i = m_lands.Add(gid, 0);
        SLandType& t = m_lands.Manager().m_Types[std::size_t(i)];
        t.details[0].model = 0;
        t.details[0].frequency = frequency;
        t.details[0].scale = 1.0f;
        t.details[0].kind = kind;
    }
    MapQuad& Quad(int b) { return m_location->GetCell(0, 0).m_pNear->m_Quads[b]; }
    std::vector<SDetailObject> Objects(int b)
    {
        const SDetailSlot* set = Quad(b).m_pDetail;
        if (!set) return {};
        return {set->m_pObjects.get(), set->m_pObjects.get() + set->m_nCount};
    }

    CLandTypeScope m_lands;
    CViewCamera m_savedCamera;
    std::uint32_t m_savedRandom = 0;
};
} // namespace

TEST_F(DetailObjects, NoEntriesGiveAnEmptyGeneratedSet)
{
    m_lands.Add(1, 0); // no detail entries
    OpenTypes([](int, int) { return 1; });
    m_location->GenerateDetails(0, 0, 0);
    ASSERT_NE(Quad(0).m_pDetail, nullptr);
    EXPECT_EQ(Quad(0).m_pDetail->m_nCount, 0);
    EXPECT_EQ(Quad(0).m_bDetail, 1);
}

TEST_F(DetailObjects, ARegeneratedBlockGetsTheSameObjectsSortedByRadius)
{
    AddType(1, 2.0f);
    AddType(2, 1.0f, 2);
    OpenTypes([](int x, int) { return x < 16 ? 1 : 2; });
    m_location->GenerateDetails(0, 0, 0);
    const std::vector<SDetailObject> first = Objects(0);
    ASSERT_GT(first.size(), 50u);
    const SDetailSlot* set = Quad(0).m_pDetail;
    for (int i = 1; i < set->m_nCount; ++i)
        EXPECT_LE(set->m_pObjects[set->m_pOrder[i - 1]].radius, set->m_pObjects[set->m_pOrder[i]].radius);
    for (const SDetailObject& o : first)
    {
        // Each stands on its own land type inside block 0, rotated and scaled.
        EXPECT_LT(o.position.x, 320.0f);
        EXPECT_LT(o.position.y, 320.0f);
        EXPECT_EQ(o.kind, o.position.x < 160.0f ? 0 : 2) << o.position.x;
        EXPECT_NEAR(o.sine * o.sine + o.cosine * o.cosine, 1.0f, 1e-5f);
        EXPECT_GT(o.scale, 0.0f);
    }

    // Released (its set lost) and the generator moved on: the same again.
    Quad(0).Release(false, 0.0f);
    EXPECT_EQ(Quad(0).m_pDetail, nullptr);
    EXPECT_EQ(Quad(0).m_bDetail, 0);
    for (int i = 0; i < 37; ++i)
        g_Random.Next();
    m_location->GenerateDetails(0, 0, 0);
    const std::vector<SDetailObject> again = Objects(0);
    ASSERT_EQ(again.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i)
    {
        EXPECT_EQ(again[i].position.x, first[i].position.x);
        EXPECT_EQ(again[i].position.y, first[i].position.y);
        EXPECT_EQ(again[i].scale, first[i].scale);
    }
    // Taking a block's set for another block leaves the first ungenerated.
    Quad(0).m_pDetail->m_fTime = -1.0f; // the least recently used
    for (int i = 0; i < CLocation::kDetailSlots; ++i)
        m_location->GetDetailSlot()->m_bUsed = 1;
    EXPECT_EQ(Quad(0).m_bDetail, 0);
}

TEST_F(DetailObjects, TheSeventeenthLandTypeGetsNone)
{
    for (int gid = 1; gid <= 17; ++gid)
        AddType(gid, 3.0f);
    // Rows 0..15 of the block: types 1..16; every row from 16 on: type 17.
    OpenTypes([](int, int y) { return y < 16 ? y + 1 : 17; });
    m_location->GenerateDetails(0, 0, 0);
    const std::vector<SDetailObject> objects = Objects(0);
    ASSERT_FALSE(objects.empty());
    for (const SDetailObject& o : objects)
        EXPECT_LT(o.position.y, 160.0f) << o.position.y;
}

TEST_F(DetailObjects, EightThousandStopTheBlockWithItsMessage)
{
    AddType(1, 200.0f); // 33..98 x 200 a draw
    SLandType& t = m_lands.Manager().m_Types[0];
    for (int j = 1; j < 4; ++j)
        t.details[j] = t.details[0];
    OpenTypes([](int, int) { return 1; });
    m_location->GenerateDetails(0, 0, 0);
    EXPECT_EQ(Quad(0).m_pDetail->m_nCount, SDetailSlot::kMaxObjects);
    EXPECT_NE(ReadText("error.log").find("\xCF\xF0\xE5\xE2\xFB\xF8\xE5\xED\xEE"), std::string::npos);
}

TEST_F(DetailObjects, TheListFadesKindZeroAndHoldsAtMost3999)
{
    AddType(1, 0.0f);
    OpenTypes([](int, int) { return 1; });
    m_location->GenerateDetails(0, 0, 0);
    SDetailSlot* set = Quad(0).m_pDetail;
    ASSERT_NE(set, nullptr);
    // Hand-placed objects of radius 2 (r = 2: d2n = d2 / 4) along x.
    const float d2n[] = {1000.0f, 1265.0f, 1500.0f, 2025.0f, 2100.0f};
    set->m_nCount = 5;
    for (int i = 0; i < 5; ++i)
    {
        SDetailObject& o = set->m_pObjects[i];
        o = SDetailObject{};
        o.kind = 0;
        o.radius = 2.0f;
        o.position = CVector{std::sqrt(d2n[i] * 4.0f), 0.0f, 0.0f};
        set->m_pOrder[i] = std::uint16_t(i);
    }
    g_ViewCamera.SetPosition(CVector{0, 0, 0});
    Quad(0).m_nLevel = 1;
    Quad(0).RenderDetails(*m_location);
    ASSERT_EQ(m_location->GetDetailCount(), 4); // 2100 is past the end
    std::vector<float> alpha;
    for (int i = 0; i < 4; ++i)
        alpha.push_back(m_location->GetDetailEntry(i).alpha);
    // The walk runs from the largest radius down: here in reverse order.
    EXPECT_NEAR(alpha[3], (2025.0f - 1000.0f) / 800.0f, 1e-3f);
    EXPECT_GT(alpha[2], 0.95f);
    EXPECT_LT(alpha[1], 0.95f);
    EXPECT_NEAR(alpha[0], 0.0f, 1e-3f);

    // A full list stops adding, with its message.
    set->m_nCount = 8000;
    for (int i = 0; i < 8000; ++i)
    {
        set->m_pObjects[i] = set->m_pObjects[0];
        set->m_pOrder[i] = std::uint16_t(i);
    }
    Quad(0).RenderDetails(*m_location);
    EXPECT_EQ(m_location->GetDetailCount(), CLocation::kDetailList - 1);
}
