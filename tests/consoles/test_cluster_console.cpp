// The cluster console in the hall's building menu: how many cells a cluster
// shows, which of the five commands a mechanoid allows, a mechmind taken
// into the hold and put back, cells that find their mechanoid by id
// whatever its name, and the building music chosen again only when a
// placement makes the hall the player's cluster building.
#include "common/ConsoleFixture.h"
#include "common/NullOrganization.h"

#include "consoles/GCCluster.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "sound/MusicManager.h"
#include "ui/menu/UIDialog.h"
#include "world/WorldSeams.h"

#include <cmath>
#include <string>

namespace
{

using consoletest::CConsoleTest;

int g_ClusterSize = 3;

class ClusterConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        g_ClusterSize = 3;
        g_pfnBuildingCluster = [](const char*) { return g_ClusterSize; };
    }
    void TearDown() override
    {
        g_pfnBuildingCluster = nullptr;
        CConsoleTest::TearDown();
    }
    CGCCluster& Open()
    {
        OpenHost();
        ShowTab(CUIMenu::kTabCluster);
        CGCCluster* c = Console<CGCCluster>(CUIMenu::kTabCluster);
        EXPECT_NE(c, nullptr);
        return *c;
    }
    enum EPlace
    {
        kInBuilding,
        kInCluster,
        kInCargo
    };
    CMech* Mech(const char* id, const char* org, int level, int generation, EPlace place)
    {
        CMech* m = AddMech(id, org);
        m->m_nLevel = level;
        m->m_fLevel = float(level);
        m->m_nGeneration = generation;
        if (place == kInBuilding) m_World.SetMechInBuilding(id, kHall);
        if (place == kInCluster) m_World.SetMechInCluster(id, kHall);
        if (place == kInCargo) AddCargo(id, 1, 0, 10.0f, ITEM_MECHANOID);
        return m;
    }
    static void Update(CGCCluster& c)
    {
        c.RecalcMech();
        c.FillClaster();
    }
    // The enabled buttons as letters: Convict, into the Building, Take to
    // cargo, Put into the cluster, take From the cluster.
    static std::string Buttons(CGCCluster& c)
    {
        std::string out;
        for (int i = 0; i < CGCCluster::kButtons; ++i)
            if (c.GetButton(i)->m_bEnabled) out += "CBTPF"[i];
        return out;
    }
};

TEST_F(ClusterConsole, ShowsOneCellPerStationUpToThirteen)
{
    auto visible = [](int size)
    {
        std::string cells;
        for (int i = 0; i < CGCCluster::kCells; ++i)
            if (CGCCluster::CellVisible(i, size)) cells += std::to_string(i) + " ";
        return cells;
    };
    EXPECT_EQ(visible(0), "");
    EXPECT_EQ(visible(1), "6 ");
    EXPECT_EQ(visible(2), "4 8 ");
    EXPECT_EQ(visible(3), "4 6 8 ");
    EXPECT_EQ(visible(13), "0 1 2 3 4 5 6 7 8 9 10 11 12 ");
    for (int size = 0; size <= 14; ++size)
    {
        int n = 0;
        for (int i = 0; i < CGCCluster::kCells; ++i)
            n += CGCCluster::CellVisible(i, size);
        EXPECT_EQ(n, std::min(size, 13)) << "cluster of " << size;
        // Laid out symmetrically: the left and right columns agree.
        for (int i : {0, 3, 7, 10})
            EXPECT_EQ(CGCCluster::CellVisible(i, size), CGCCluster::CellVisible(i + 2, size)) << size;
    }
}

TEST_F(ClusterConsole, ButtonsFollowOwnerStatusStrengthAndRoom)
{
    CGCCluster& c = Open();
    struct SRow
    {
        const char* what;
        const char* org;
        int level, generation;
        EPlace place;
        float money; // relative to the conviction price; NAN: plenty
        const char* owner;
        bool restricted;
        int clusterSize;
        const char* expected;
    };
    const char* P = "ORG_PLAYER";
    const char* M = "ORG_MERCHANTS";
    const SRow rows[] = {
        {"foreign, price below the money", M, 3, 4, kInBuilding, 10.0f, P, false, 3, "C"},
        {"foreign, price equal to the money", M, 3, 4, kInBuilding, 0.0f, P, false, 3, ""},
        {"foreign in a building not the player's", M, 3, 4, kInBuilding, NAN, M, false, 3, ""},
        {"strength 0, status 4", P, 0, 4, kInBuilding, NAN, P, false, 3, ""},
        {"strength 0, status 5", P, 0, 5, kInBuilding, NAN, P, false, 3, "TP"},
        {"own, status 6", P, 2, 6, kInBuilding, NAN, P, false, 3, "P"},
        {"own in the cluster", P, 2, 4, kInCluster, NAN, P, false, 3, "TF"},
        {"own, restricted building", P, 2, 4, kInBuilding, NAN, P, true, 3, "T"},
        {"own in the hold", P, 2, 4, kInCargo, NAN, P, false, 3, "BP"},
        {"own, no room left in the cluster", P, 2, 4, kInBuilding, NAN, P, false, 0, "T"},
    };
    int n = 0;
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.what);
        const std::string id = "MECH" + std::to_string(n++);
        SetOwner(row.owner);
        g_ClusterSize = row.clusterSize;
        c.SetBuilding(kHall);
        c.m_bClusterRestricted = row.restricted ? 1 : 0;
        CMech* m = Mech(id.c_str(), row.org, row.level, row.generation, row.place);
        const float price = m->GetConvictPrice(2, true);
        m_Mechanoid.m_Garbage.m_fMoney = std::isnan(row.money) ? 1.0e9f : price + row.money;
        Update(c);
        c.SelectMechByName(id.c_str());
        ASSERT_EQ(c.GetCurrent(), id);
        c.CheckButtonsEnable();
        EXPECT_EQ(Buttons(c), row.expected);
        // Out of the way of the next row.
        m->m_bAlive = 0;
        m_Mechanoid.m_Garbage.m_Items.clear();
    }
}

TEST_F(ClusterConsole, AMechmindGoesIntoTheHoldAndBackIntoTheBuilding)
{
    SetOwner("ORG_PLAYER");
    CGCCluster& c = Open();
    CMech* m = Mech("SCOUT", "ORG_PLAYER", 2, 4, kInBuilding);
    Update(c);
    c.SelectMechByName("SCOUT");
    c.OnCommand(CGCCluster::kTakeToCargo, 0);
    ASSERT_EQ(m_Mechanoid.m_Garbage.m_Items.size(), 1u);
    const SItemRec& e = m_Mechanoid.m_Garbage.m_Items[0];
    EXPECT_EQ(e.m_nKind, ITEM_MECHANOID);
    EXPECT_STREQ(e.m_szName, "SCOUT");
    EXPECT_EQ(e.m_nCount, 1);
    EXPECT_FALSE(m->m_bInBuilding);
    EXPECT_EQ(c.GetCargoList()->GetItemCount(), 1);
    EXPECT_EQ(c.GetBuildingList()->GetItemCount(), 0);

    c.GetCargoList()->SelectByName("SCOUT", true, 0);
    c.OnCommand(CGCCluster::kPutInBuilding, 0);
    EXPECT_TRUE(m_Mechanoid.m_Garbage.m_Items.empty());
    EXPECT_TRUE(m->m_bInBuilding);
    EXPECT_EQ(c.GetBuildingList()->GetItemCount(), 1);
    EXPECT_EQ(c.GetCargoList()->GetItemCount(), 0);
}

TEST_F(ClusterConsole, ACellFindsItsMechanoidByIdWhateverItsName)
{
    SetOwner("ORG_PLAYER");
    CMech* m = Mech("ID_7", "ORG_PLAYER", 2, 4, kInCluster);
    std::snprintf(m->m_szName, sizeof m->m_szName, "%s", "Shown Name");
    CGCCluster& c = Open();
    int cell = -1;
    for (int i = 0; i < CGCCluster::kCells; ++i)
        if (c.GetCell(i)->m_bHasModel) cell = i;
    ASSERT_GE(cell, 0);
    EXPECT_STREQ(c.GetCell(cell)->m_ToolTip[0].GetText(), "Shown Name");
    c.SelectCell(cell);
    c.ShowMech();
    EXPECT_EQ(c.GetCurrent(), "ID_7");
    c.CheckButtonsEnable();
    EXPECT_EQ(Buttons(c), "TF");
    c.OnCommand(CGCCluster::kTakeFromCluster, 0);
    EXPECT_FALSE(m->m_bInCluster);
}

// The player's organisation takes the hall over when its first mechanoid
// is stationed in the hall's cluster.
class CCapturingPlayer : public testutil::CNullOrganization
{
public:
    CCapturingPlayer() : CNullOrganization("ORG_PLAYER") {}
    void OnMechCluster(CMech* mech) override
    {
        if (g_pWorld) g_pWorld->CaptureBuilding("ORG_PLAYER", mech->m_szBuilding);
    }
};

class CMusicLog : public IMusicManager
{
public:
    CMusicLog()
    {
        for (const char* name : {"MUS_INT_BASE_NEUTRAL", "MUS_INT_BASE_OUR", "MUS_INT_BASE_ENEMY"})
            m_Names.Add(name);
        m_nCount = 3;
    }
    void SetSoundDevice(plat::ds::Device*) override {}
    bool PlayMusic(int id, float, bool, float) override
    {
        m_Played.push_back(id);
        return true;
    }
    void StopMusic(float) override {}
    void Pause(bool, float) override {}
    bool IsPlayed(int) override { return false; }
    int GetCurrentMusic() override { return -1; }
    void Run() override {}
    void SetVolume(float) override {}
    float GetVolume() override { return 1.0f; }
    std::vector<int> m_Played;
};

class CMusicHost : public IDialogHost
{
public:
    void FreezeBackground() override {}
    void LoadGame(const char*) override {}
    void SaveGame(const char*, const char*, bool, const char*) override {}
    bool GetChosenSave(IUI*, std::string*, std::string*) override { return false; }
    void SetOpenedFromBuilding(IUI*) override {}
    bool IsScreenBusy(IUI*) override { return false; }
    int GetMusicSituation() override { return 3; }
    void SetMusicSituation(int) override {}
    float GetMusicTimeLeft() override { return 0.0f; }
    IMusicManager* GetMusicManager() override { return &m_Music; }
    IMusic* GetMusicObject(int) override { return nullptr; }
    void SetSilence(float) override {}
    bool IsSilence() override { return false; }
    bool IsMusicBusy() override { return false; }
    CMusicLog m_Music;
};

TEST_F(ClusterConsole, MusicChangesOnlyWhenThePlayersClusterBuildingFlips)
{
    m_World.m_Organizations.push_back(std::make_unique<CCapturingPlayer>());
    CMusicHost host;
    IDialogHost* saved = g_pDialogHost;
    g_pDialogHost = &host;
    CGCCluster& c = Open();
    Mech("FIRST", "ORG_PLAYER", 2, 4, kInBuilding);
    Mech("SECOND", "ORG_PLAYER", 2, 4, kInBuilding);
    Update(c);
    ASSERT_FALSE(c.IsPlayerClusterBuilding());
    c.SelectMechByName("FIRST");
    c.OnCommand(CGCCluster::kPutInCluster, 0);
    EXPECT_TRUE(c.IsPlayerClusterBuilding());
    EXPECT_EQ(host.m_Music.m_Played, std::vector<int>{1}) << "the player's own building music, once";
    c.SelectMechByName("SECOND");
    c.OnCommand(CGCCluster::kPutInCluster, 0);
    EXPECT_EQ(host.m_Music.m_Played.size(), 1u) << "nothing flipped, the music stays";
    EXPECT_EQ(c.GetClusterCount(), 2);
    g_pDialogHost = saved;
}

} // namespace
