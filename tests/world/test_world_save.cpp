// The world's saved-game records over an in-memory archive, and saved-game
// files written through a temporary file (with a writer that fails part way).
#include "WorldTestScene.h"
#include "common/LogDirTest.h"
#include "common/MemArchive.h"

#include "world/GameWorldState.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/MemStream.h"
#include "platform/File.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"
#include "world/WorldSave.h"
#include "world/WorldSeams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

using testutil::CMemArchive;

// A mechanoid whose stream form is one word.
class CFakeMechanoid : public IWorldMechanoid
{
public:
    explicit CFakeMechanoid(std::uint32_t v = 0) : m_nValue(v) {}
    void Run(float) override {}
    float GetPrice(bool) override { return 0.0f; }
    void SaveToStream(CMemStream& s) override { s.Write(&m_nValue, 4); }
    void LoadFromStream(CMemStream& s) override
    {
        if (s.Read(&m_nValue, 4) != 4) throw std::runtime_error("fake mechanoid cut short");
    }
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }
    std::uint32_t m_nValue;
};

// A disk file that refuses every byte past a limit (a full disk, a crash).
class CFailingFile : public StdFile
{
public:
    explicit CFailingFile(std::uint32_t limit) : m_nLeft(limit) {}
    std::uint32_t Write(const void* buffer, std::uint32_t size) override
    {
        if (size > m_nLeft)
        {
            StdFile::Write(buffer, m_nLeft);
            m_nLeft = 0;
            return 0;
        }
        m_nLeft -= size;
        return StdFile::Write(buffer, size);
    }
    std::uint32_t m_nLeft;
};

class CFailingFileManager : public StdFileManager
{
public:
    explicit CFailingFileManager(std::uint32_t limit) : m_nLimit(limit) {}
    IFileHandler* CreateFile(const char* path) override
    {
        auto* file = new CFailingFile(m_nLimit);
        if (!file->Create(path))
        {
            delete file;
            return nullptr;
        }
        return file;
    }
    std::uint32_t m_nLimit;
};

class WorldSave : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        SetFileManager(new StdFileManager());
        g_pfnCreateWorldMechanoid = [] { return static_cast<IWorldMechanoid*>(new CFakeMechanoid); };
        m_World.m_fTime = 777.0f;
        m_World.AddMech("M1");
        m_World.AddMech("M2");
        SOrgData org{};
        std::strcpy(org.name, "ORG_A");
        org.mechCount = 4;
        m_World.m_OrgData.push_back(org);
        AddBuilding("HALL");
        AddBuilding("GONE");
        g_GameState.bytes[3] = 9;
    }
    void TearDown() override
    {
        for (IWorldMechanoid*& m : g_pPlayerConfigs)
        {
            delete m;
            m = nullptr;
        }
        g_pfnCreateWorldMechanoid = nullptr;
        g_GameState.Clear();
        SetFileManager(nullptr);
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void AddBuilding(const char* name)
    {
        SBuildingRecord& r = m_World.m_Buildings[m_World.m_nBuildings++];
        r = SBuildingRecord{};
        std::strcpy(r.name, name);
        std::strcpy(r.owner, "ORG_A");
    }
    // A building object of that game id in the location.
    static void PlaceBuilding(const char* name)
    {
        auto* o = new CMMObject;
        o->m_nType = OBJ_BUILDING;
        std::strcpy(o->m_szGameId, name);
        g_ObjectList.AddObject(o);
    }

    worldtest::CScene m_Scene;
    CWorld m_World;
    std::string m_previous;
};

} // namespace

TEST_F(WorldSave, RecordsInTheirOrderAndTheConfigurationOnlyWhenComplete)
{
    CMemArchive a;
    ASSERT_TRUE(m_World.SaveGame(&a));
    const std::vector<std::string> without = {"MECH",  "GROUPS",   "ORGDATA", "BUILDS",    "ORGS",
                                              "TRADE", "TRADEEQP", "OBJECTS", "MMS_STATE", "MMS_WORLD_DATA"};
    EXPECT_EQ(a.m_Order, without);
    EXPECT_EQ(a.m_Records["BUILDS"].size(), 4u + 2 * 68u);
    EXPECT_EQ(a.m_Records["MMS_STATE"].size(), 32u);

    for (int i = 0; i < 3; ++i)
        g_pPlayerConfigs[i] = new CFakeMechanoid(std::uint32_t(10 + i));
    CMemArchive b;
    ASSERT_TRUE(m_World.SaveGame(&b));
    ASSERT_EQ(b.m_Order.size(), 11u);
    EXPECT_EQ(b.m_Order[9], "MMS_C_CONFIG");
    EXPECT_EQ(b.m_Records["MMS_C_CONFIG"].size(), 12u);

    // Loading the save without the record keeps the current mechanoids.
    m_World.LoadGame(&a);
    EXPECT_EQ(static_cast<CFakeMechanoid*>(g_pPlayerConfigs[2])->m_nValue, 12u);
    static_cast<CFakeMechanoid*>(g_pPlayerConfigs[2])->m_nValue = 0;
    m_World.LoadGame(&b);
    EXPECT_EQ(static_cast<CFakeMechanoid*>(g_pPlayerConfigs[2])->m_nValue, 12u);
}

TEST_F(WorldSave, ALoadRestoresTheWorldAndDropsBuildingsThatAreGone)
{
    PlaceBuilding("HALL");
    CMemArchive a;
    ASSERT_TRUE(m_World.SaveGame(&a));

    CWorld other;
    SOrgData org{};
    std::strcpy(org.name, "ORG_OTHER");
    other.m_OrgData.push_back(org);
    other.AddMech("STALE");
    g_GameState.Clear();
    other.LoadGame(&a);
    EXPECT_FLOAT_EQ(other.m_fTime, 777.0f);
    ASSERT_EQ(other.m_Mechs.size(), 2u);
    EXPECT_STREQ(other.m_Mechs[1]->m_szId, "M2");
    EXPECT_STREQ(other.m_OrgData[0].name, "ORG_A");
    EXPECT_EQ(other.m_OrgData[0].mechCount, 4);
    ASSERT_EQ(other.m_nBuildings, 1);
    EXPECT_STREQ(other.m_Buildings[0].name, "HALL");
    EXPECT_EQ(g_GameState.bytes[3], 9);
}

TEST_F(WorldSave, RecordsAreFoundByKeyInAnyOrderOfTheFile)
{
    PlaceBuilding("HALL");
    CMemArchive saved;
    ASSERT_TRUE(m_World.SaveGame(&saved));
    {
        FileArchive file;
        ASSERT_TRUE(file.Create("reversed.sav"));
        for (auto it = saved.m_Order.rbegin(); it != saved.m_Order.rend(); ++it)
        {
            CMemStream s;
            CGuidKey key;
            MakeGuidKey(&key, it->c_str());
            ASSERT_TRUE(saved.ReadRecord(key, s));
            s.m_nPosition = s.m_nCapacity;
            ASSERT_TRUE(file.WriteRecord(key, s));
        }
    }
    CWorld other;
    SOrgData org{};
    other.m_OrgData.push_back(org);
    g_GameState.Clear();
    ASSERT_TRUE(LoadWorldFile(other, "reversed.sav"));
    EXPECT_FLOAT_EQ(other.m_fTime, 777.0f);
    ASSERT_EQ(other.m_Mechs.size(), 2u);
    EXPECT_STREQ(other.m_OrgData[0].name, "ORG_A");
    EXPECT_EQ(other.m_nBuildings, 1);
    EXPECT_EQ(g_GameState.bytes[3], 9);
    EXPECT_EQ(ReadText("error.log"), "");
}

TEST_F(WorldSave, OnlyTheClockRecordChangesOnlyTheClock)
{
    CMemArchive a;
    const float t = 5.5f;
    CMemStream s;
    s.Write(&t, 4);
    CGuidKey key;
    MakeGuidKey(&key, "MMS_WORLD_DATA");
    a.WriteRecord(key, s);
    m_World.LoadGame(&a);
    EXPECT_FLOAT_EQ(m_World.m_fTime, 5.5f);
    EXPECT_EQ(m_World.m_Mechs.size(), 2u);
    EXPECT_EQ(m_World.m_nBuildings, 2);
    EXPECT_EQ(g_GameState.bytes[3], 9);
}

TEST_F(WorldSave, DamagedRecordsAreLoggedAndChangeNothing)
{
    PlaceBuilding("HALL");
    CMemArchive a;
    ASSERT_TRUE(m_World.SaveGame(&a));
    a.m_Records["MECH"].resize(a.m_Records["MECH"].size() - 3);
    a.m_Records["BUILDS"][0] = 51; // more than the table holds
    a.m_Records["MMS_STATE"].resize(31);
    a.m_Records["MMS_WORLD_DATA"].resize(2);

    CWorld other;
    other.AddMech("KEPT");
    other.m_fTime = 1.0f;
    g_GameState.Clear();
    other.LoadGame(&a);
    ASSERT_EQ(other.m_Mechs.size(), 1u);
    EXPECT_STREQ(other.m_Mechs[0]->m_szId, "KEPT");
    EXPECT_EQ(other.m_nBuildings, 0);
    EXPECT_EQ(g_GameState.bytes[3], 0);
    EXPECT_FLOAT_EQ(other.m_fTime, 1.0f);
    const std::string log = ReadText("error.log");
    for (const char* line :
         {"record 'MECH': mech record at byte", "record 'BUILDS': BUILDS at byte",
          "record 'MMS_STATE': MMS_STATE at byte", "record 'MMS_WORLD_DATA': MMS_WORLD_DATA"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_NE(log.find("CWorld::LoadGame LocData count does not the same"), std::string::npos);
}

TEST_F(WorldSave, AFileRoundTripsAndAFailedSaveKeepsThePreviousOne)
{
    ASSERT_TRUE(SaveWorldFile(m_World, "game.sav"));
    CWorld first;
    ASSERT_TRUE(LoadWorldFile(first, "game.sav"));
    EXPECT_FLOAT_EQ(first.m_fTime, 777.0f);
    EXPECT_FALSE(plat::FileExists("game.sav.tmp"));

    m_World.m_fTime = 888.0f;
    for (std::uint32_t limit : {0u, 7u, 8u, 60u, 200u, 500u})
    {
        SetFileManager(new CFailingFileManager(limit));
        EXPECT_FALSE(SaveWorldFile(m_World, "game.sav")) << limit;
        SetFileManager(new StdFileManager());
        EXPECT_FALSE(plat::FileExists("game.sav.tmp")) << limit;
        CWorld loaded;
        ASSERT_TRUE(LoadWorldFile(loaded, "game.sav")) << limit;
        EXPECT_FLOAT_EQ(loaded.m_fTime, 777.0f) << limit;
        EXPECT_EQ(loaded.m_Mechs.size(), 2u) << limit;
    }
    EXPECT_NE(
        ReadText("error.log").find("Saved game 'game.sav' could not be written; the previous save is kept"),
        std::string::npos);
    ASSERT_TRUE(SaveWorldFile(m_World, "game.sav"));
    CWorld second;
    ASSERT_TRUE(LoadWorldFile(second, "game.sav"));
    EXPECT_FLOAT_EQ(second.m_fTime, 888.0f);
}
