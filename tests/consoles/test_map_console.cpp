// The map console in the hall's building menu: its list sections from the
// radar's mark lists, the links (a right click on "PLAYER" only centres),
// where FindMech finds a mechanoid, owners named except "ORG_FREE", and
// the grid that a zero scale would never end.
#include "common/ConsoleFixture.h"
#include "common/NullOrganization.h"

#include "consoles/GCMap.h"
#include "hud/radar/Radar.h"
#include "menus/BigMapView.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "world/ObjectList.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

using consoletest::CConsoleTest;

class CPlacedObject : public CMMObject
{
public:
    CPlacedObject(const char* id, int type, CVector p)
    {
        m_nType = type;
        std::snprintf(m_szGameId, sizeof m_szGameId, "%s", id);
        SetMatrix(CMatrix(1.0f));
        m_Frame.SetPosition(p);
    }
};

class MapConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        m_savedRadar = g_pRadar;
        g_pRadar = &m_Radar;
    }
    void TearDown() override
    {
        g_ObjectList.Clear();
        g_pRadar = m_savedRadar;
        m_World.m_Organizations.clear();
        CConsoleTest::TearDown();
    }
    CGCMap& Open()
    {
        OpenHost();
        CGCMap* map = Console<CGCMap>(CUIMenu::kTabMap);
        EXPECT_NE(map, nullptr);
        ShowTab(CUIMenu::kTabMap);
        return *map;
    }
    void AddObject(const char* id, int type, CVector p) { g_ObjectList.AddObject(new CPlacedObject(id, type, p)); }
    static std::vector<std::string> Links(CHTMLWnd& window)
    {
        std::vector<std::string> out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
            {
                const SHTMLElement& e = document->m_Elements[std::size_t(i)];
                if (e.Type == SHTMLElement::kLink && (out.empty() || out.back() != e.Kind)) out.push_back(e.Kind);
            }
        }
        return out;
    }
    static std::string AllText(CHTMLWnd& window)
    {
        std::string out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
                out += document->m_Elements[std::size_t(i)].Text + " ";
        }
        return out;
    }

    CRadar m_Radar;
    CRadar* m_savedRadar = nullptr;
};

TEST_F(MapConsole, AnEmptyRadarListsThePointerAndThePlayer)
{
    CGCMap& map = Open();
    EXPECT_EQ(Links(*map.m_pList), (std::vector<std::string>{"POINTER", "PLAYER"}));
    EXPECT_EQ(AllText(*map.m_pList).find("INT_MAP_CAPTION3"), std::string::npos);

    // "POINTER" without a target does nothing.
    map.m_vCentred = CVector{-1.0f, -1.0f, -1.0f};
    map.ClickLink("POINTER", false);
    EXPECT_FLOAT_EQ(map.m_vCentred.x, -1.0f);
}

TEST_F(MapConsole, ARightClickOnThePlayerOnlyCentres)
{
    CGCMap& map = Open();
    m_Glider.m_Frame.SetPosition(CVector{300.0f, 400.0f, 10.0f});
    map.m_pList->m_sNotifyTarget = "PLAYER";
    map.OnCommand(CHTMLWnd::kNotifyRightLink, 0);
    EXPECT_FLOAT_EQ(map.m_vCentred.x, 300.0f);
    EXPECT_FLOAT_EQ(map.m_vCentred.y, 400.0f);
    EXPECT_FALSE(m_Radar.IsMarked("PLAYER"));
    EXPECT_TRUE(map.m_pMap->m_bGliding);
}

TEST_F(MapConsole, BuildingsNameTheirOwnerExceptTheFreeOrganisation)
{
    m_World.m_Organizations.push_back(std::make_unique<testutil::CNullOrganization>("ORG_FREE"));
    m_World.m_Organizations.push_back(std::make_unique<testutil::CNullOrganization>("ORG_MERCHANTS"));
    AddObject(kHall, 11, CVector{100.0f, 100.0f, 0.0f});
    m_Radar.m_BuildingMarks.AddUnique(kHall);
    CGCMap& map = Open();
    EXPECT_NE(AllText(*map.m_pList).find("(ORG_MERCHANTS)"), std::string::npos) << AllText(*map.m_pList);
    ASSERT_EQ(map.m_BuildingMarks.size(), 1u);

    SetOwner("ORG_FREE");
    map.OnActivated();
    EXPECT_EQ(AllText(*map.m_pList).find("(ORG_FREE)"), std::string::npos) << AllText(*map.m_pList);
    EXPECT_NE(AllText(*map.m_pList).find(kHall), std::string::npos);
}

TEST_F(MapConsole, FindMechResolvesWhereAMechanoidIs)
{
    AddObject(kHall, 11, CVector{100.0f, 200.0f, 0.0f});
    AddObject("MECH_LYING", 21, CVector{5.0f, 6.0f, 0.0f});
    CGCMap& map = Open();

    CMech* inside = AddMech("MECH_INSIDE", "ORG_WOLVES");
    inside->m_bInBuilding = 1;
    std::snprintf(inside->m_szBuilding, sizeof inside->m_szBuilding, "%s", kHall);
    CMech* lost = AddMech("MECH_LOST", "ORG_WOLVES");
    lost->m_bInBuilding = 1;
    std::snprintf(lost->m_szBuilding, sizeof lost->m_szBuilding, "NOWHERE");
    CMechGroup2 group;
    group.m_vCentre = CVector{40.0f, 50.0f, 0.0f};
    group.m_bAssembled = 1;
    CMech* grouped = AddMech("MECH_GROUPED", "ORG_WOLVES");
    grouped->m_pGroup = &group;
    AddMech("MECH_LYING", "ORG_WOLVES");
    // A carrier in the group holds MECH_CARRIED as a mechmind.
    CWorldMechanoid carrierMechanoid;
    SItemRec mind;
    mind.m_nKind = 2;
    std::snprintf(mind.m_szName, sizeof mind.m_szName, "MECH_CARRIED");
    mind.m_nCount = 1;
    carrierMechanoid.m_Mechanoid.m_Garbage.m_Items.push_back(mind);
    grouped->m_pMechanoid = &carrierMechanoid;
    AddMech("MECH_CARRIED", "ORG_WOLVES");

    struct SCase
    {
        const char* id;
        bool found;
        int kind;
        float x;
    };
    const SCase cases[] = {
        {"MECH_INSIDE", true, CGCMap::kInBuilding, 100.0f}, {"MECH_LOST", false, -1, 0.0f},
        {"MECH_GROUPED", true, CGCMap::kInGroup, 40.0f},    {"MECH_LYING", true, CGCMap::kLying, 5.0f},
        {"MECH_CARRIED", true, CGCMap::kCarried, 40.0f},    {"NOBODY", false, -1, 0.0f},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.id);
        CVector position{-7.0f, -7.0f, -7.0f}, direction;
        int kind = -1;
        EXPECT_EQ(map.FindMech(c.id, &position, &direction, &kind), c.found);
        if (!c.found) continue;
        EXPECT_EQ(kind, c.kind);
        EXPECT_FLOAT_EQ(position.x, c.x);
    }
    grouped->m_pMechanoid = nullptr;
    grouped->m_pGroup = nullptr;
}

TEST_F(MapConsole, TheGridNeedsAUsableScale)
{
    const plat::Rect map{12, 29, 500, 400};
    std::vector<int> xs, ys;
    CGCMap::GridLines(map, 0.0f, 0.0f, 1.0f, &xs, &ys);
    ASSERT_FALSE(xs.empty());
    EXPECT_EQ(xs.front(), 12 + 64);
    EXPECT_EQ(xs[1] - xs[0], 64);
    EXPECT_LT(xs.back(), map.right);
    for (float scale : {0.0f, -1.0f, 1e-9f})
    {
        CGCMap::GridLines(map, 0.0f, 0.0f, scale, &xs, &ys);
        EXPECT_TRUE(xs.empty() && ys.empty()) << scale;
    }
}

} // namespace
