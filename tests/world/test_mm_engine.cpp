// The world engine: location names and numbers, the objects file with an
// unknown section and its blocks, the map name fall-backs, start-up.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "world/GameWorldState.h"
#include "foundation/MemStream.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Ini.h"
#include "world/Trade.h"
#include "units/KindManagers.h"
#include "world/KindManagers.h"
#include "world/LocObjectRecord.h"
#include "world/MMEngine.h"
#include "world/MechGroupList.h"
#include "world/ObjectManager.h"
#include "world/World.h"
#include "world/WorldTerrain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> s_Boxes;
void RecordBox(const char* text)
{
    s_Boxes.push_back(text);
}

class CRecordingLocation : public IWorldLocation
{
public:
    void ClearForNewLocation() override { m_Calls.push_back("clear"); }
    void SetCellCounts(int x, int y) override { m_Calls.push_back("cells " + std::to_string(x * y)); }
    void LoadMap(const char* path) override { m_Calls.push_back(std::string("map ") + path); }
    std::vector<std::string> m_Calls;
};

void Put32(CMemStream& s, std::uint32_t v)
{
    s.Write(&v, 4);
}

void PutName(CMemStream& s, const char* name)
{
    char field[32] = {};
    std::snprintf(field, sizeof field, "%s", name);
    s.Write(field, 32);
}

class MMEngine : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        g_pWorldLocation = &m_Location;
        m_Engine.m_sRoot = m_dir.string() + "/";
        m_Engine.m_pfnMessageBox = &RecordBox;
        s_Boxes.clear();
        g_LightManager.Init(nullptr);
        std::filesystem::create_directories(m_dir / "Data" / "Locs");
    }
    void TearDown() override
    {
        m_Engine.Done();
        g_pWorldLocation = nullptr;
        CLogDirTest::TearDown();
    }
    void WriteFile(const std::string& name, const CMemStream& s, std::uint32_t bytes)
    {
        std::ofstream out(m_dir / "Data" / "Locs" / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(s.m_pData), bytes);
    }
    // Three sections (lights, an unknown code, lights) and blocks 1 to 4.
    void ObjectsFile(CMemStream& s)
    {
        Put32(s, 3);
        CMatrix m(1.0f);
        m.SetTranslation(CVector{10.0f, 20.0f, 30.0f});
        WriteObjectSection(s, OBJ_LIGHT, {MakeLocObjectRecord(m, "L", "lamp_a")});
        WriteObjectSection(s, 99, {MakeLocObjectRecord(m, "X", "odd1"), MakeLocObjectRecord(m, "Y", "odd2")});
        WriteObjectSection(s, OBJ_LIGHT, {MakeLocObjectRecord(m, "L", "lamp_b")});
        CMemStream groups;
        CMechGroupDesc group;
        std::strcpy(group.m_szName, "GRP");
        WriteMechGroupBlock(groups, {group}, false);
        Put32(s, groups.m_nPosition);
        s.Write(groups.m_pData, groups.m_nPosition);
        Put32(s, 0);
        CMemStream music;
        PutName(music, "MUS_DAY");
        PutName(music, "MUS_NIGHT");
        Put32(music, 1);
        PutName(music, "MUS_FIGHT1");
        Put32(music, 0);
        Put32(music, 1);
        std::uint8_t zone[68] = {7};
        music.Write(zone, 68);
        Put32(s, music.m_nPosition);
        s.Write(music.m_pData, music.m_nPosition);
        CMemStream world;
        SBuildingRecord building{};
        std::strcpy(building.name, "HALL");
        std::strcpy(building.owner, "ORG_A");
        CWorld::WriteLocationData(world, {}, {building});
        Put32(s, world.m_nPosition);
        s.Write(world.m_pData, world.m_nPosition);
    }

    worldtest::CScene m_Scene;
    CRecordingLocation m_Location;
    CMMEngine m_Engine;
};

} // namespace

TEST(MMEngineNames, LocationNumbersComeFromTheLastDigits)
{
    struct SCase
    {
        const char* file;
        const char* name;
        int number;
    };
    for (const SCase& c : {SCase{"Locs\\Town12.loc", "Town12", 12}, SCase{"Town3.loc", "Town3", 3},
                           SCase{"a\\b\\Town21.loc", "Town21", 1}, SCase{"Desert.loc", "Desert", -1},
                           SCase{"Base10.loc", "Base10", 10}, SCase{"Zero0.loc", "Zero0", -1}})
    {
        char name[32];
        std::int32_t number = 0;
        CMMEngine::GetLocationName(c.file, name, &number);
        EXPECT_STREQ(name, c.name) << c.file;
        EXPECT_EQ(number, c.number) << c.file;
    }
}

TEST_F(MMEngine, AnUnknownSectionIsLoggedOnceAndEverythingAfterItIsRead)
{
    CMemStream file;
    ObjectsFile(file);
    WriteFile("Port12.loo", file, file.m_nPosition);
    std::ofstream(m_dir / "Data" / "Locs" / "Port1.lop") << "map";

    m_Engine.LoadWorld("Port12.loc");

    ASSERT_NE(g_pWorld, nullptr);
    EXPECT_STREQ(g_pWorld->m_szLocationName, "Port12");
    EXPECT_EQ(g_pWorld->m_nLocationNumber, 12);
    EXPECT_NE(g_ObjectList.FindByGameId("LAMP_A", OBJ_LIGHT), nullptr);
    EXPECT_NE(g_ObjectList.FindByGameId("LAMP_B", OBJ_LIGHT), nullptr);
    EXPECT_EQ(g_ObjectList.m_bLoading, 0);
    const std::string log = ReadText("error.log");
    // The line names the file, where and what.
    const std::string line = "unknown data type";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_NE(log.find("Data/Locs/Port12.loo: section 1 of 3: unknown data type 99"), std::string::npos)
        << log;
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos);

    ASSERT_EQ(g_MechGroupList.GetCount(), 1);
    EXPECT_NE(g_MechGroupList.Find("GRP"), nullptr);
    EXPECT_STREQ(m_Engine.m_LocMusic.m_szMusic2, "MUS_NIGHT");
    EXPECT_STREQ(m_Engine.m_LocMusic.m_szFight[0], "MUS_FIGHT1");
    EXPECT_EQ(m_Engine.m_LocMusic.m_nZones, 1u);
    EXPECT_EQ(m_Engine.m_LocMusic.m_Zones[0].sound[0], 7);
    ASSERT_NE(g_pWorld->FindBuilding("HALL"), nullptr);
    EXPECT_STREQ(g_pWorld->FindBuilding("HALL")->owner, "ORG_A");

    // No equipment-trade block: the message, and the map is still loaded,
    // found at its second name.
    ASSERT_EQ(s_Boxes.size(), 1u);
    EXPECT_EQ(s_Boxes[0], plat::Utf8ToCp1251("Возможно вы работаете со старой версией карты, где нет "
                                             "'Торговли оружием'"));
    ASSERT_FALSE(m_Location.m_Calls.empty());
    EXPECT_EQ(m_Location.m_Calls.front(), "clear");
    const std::string& map = m_Location.m_Calls.back();
    EXPECT_EQ(map.substr(map.size() - 9), "Port1.lop");
}

TEST_F(MMEngine, AMissingMapIsTriedThreeTimesThenLogged)
{
    CMemStream file;
    ObjectsFile(file);
    Put32(file, 0); // an empty equipment-trade block
    WriteFile("Town12.loo", file, file.m_nPosition);
    m_Engine.LoadWorld("Town12.loc");
    EXPECT_TRUE(s_Boxes.empty());
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("File not found"), std::string::npos);
    EXPECT_NE(log.find("Town.lop"), std::string::npos);
    EXPECT_EQ(m_Location.m_Calls.back().substr(m_Location.m_Calls.back().size() - 8), "Town.lop");
}

TEST_F(MMEngine, ABlockPastTheEndIsLoggedAndTheLocationStillLoads)
{
    CMemStream file;
    ObjectsFile(file);
    // Block 4 claims more than the file holds.
    // (its length word precedes 76 bytes: two counts and one building)
    file.m_pData[file.m_nPosition - 80] = 0xFF;
    WriteFile("Cut.loo", file, file.m_nPosition);
    m_Engine.LoadWorld("Cut.loc");
    EXPECT_NE(ReadText("error.log").find("block 4"), std::string::npos);
    EXPECT_EQ(s_Boxes.size(), 1u);
    EXPECT_NE(g_ObjectList.FindByGameId("LAMP_B", OBJ_LIGHT), nullptr);
}

TEST_F(MMEngine, AMissingObjectsFileIsSaidOnceAndTheMapIsStillLoaded)
{
    m_Engine.LoadWorld("Nowhere.loc");
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("Nowhere.loo: objects file not found"), std::string::npos);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 0);
    // No map under any of its three names either; the last one is loaded.
    EXPECT_NE(log.find("File not found"), std::string::npos);
    EXPECT_EQ(m_Location.m_Calls.back().substr(m_Location.m_Calls.back().size() - 9), "Nowhe.lop");
}

TEST_F(MMEngine, StartUpReadsTheConfigurationAndCreatesTheTrade)
{
    std::filesystem::create_directories(m_dir / "DATA" / "CONFIG");
    const std::string cfg = (m_dir / "DATA" / "CONFIG" / "cfg.ini").string();
    plat::WritePrivateProfileString("MMCONFIG", "FIXCURSOR", "1", cfg.c_str());
    plat::WritePrivateProfileString("SND_ENG", "MAX_VOLUME", "80", cfg.c_str());
    plat::WritePrivateProfileString("SND_ENG", "MAX_SPEED", "250", cfg.c_str());

    struct CTrade : IMMTrade
    {
        CGuidKey GetGUID() const override { return {}; }
        std::uint32_t GetSize() const override { return sizeof *this; }
        void SaveToStream(CMemStream&) override {}
        void LoadFromStream(CMemStream&) override {}
        void ResetStocks() override {}
        void RunEachHour() override {}
        void SoldGoodToBuilding(const char*, const char*, std::int32_t) override {}
        void BuyGoodFromBuilding(const char*, const char*, std::int32_t) override {}
        float GetBuildingIncome(const char*) override { return 0.0f; }
        void SetGoodCount(const char*, const char*, std::int32_t) override {}
        void GetRandomGood(char*) override {}
        void GetGoodList(const char*, std::vector<STradeGood>&) override {}
        bool GetBuyPrice(const char*, const char*, float*, std::int32_t) override { return false; }
        bool GetSoldPrice(const char*, const char*, float*, std::int32_t) override { return false; }
        std::int32_t AddGood(const char*, const char*, std::int32_t, std::int32_t) override { return -1; }
        std::int32_t AddGoodCount(const char*, const char*, std::int32_t) override { return -1; }
        float GetProductionValue(const char*) override { return 0.0f; }
        bool IsTradeBuilding(const char*) override { return false; }
        SExBuildingTrade* FindBuilding(const char*) override { return nullptr; }
        SExBuildingTrade* AddBuilding(const char*) override { return nullptr; }
        std::int32_t GetBuildingType(const char*) override { return 0; }
    };
    std::uint32_t index = 0;
    RegisterClassFactory(
        &index, []() -> IBaseInterface* { return new CTrade; }, "IGUID_IMMTrade");

    RegisterUnitManagers();
    m_Engine.MMInit();
    EXPECT_EQ(g_nLoadingStage.load(), 11);
    EXPECT_TRUE(g_bFixCursor);
    EXPECT_FLOAT_EQ(m_Engine.m_fMaxVolume, 0.8f);
    EXPECT_FLOAT_EQ(m_Engine.m_fMinVolume, 0.0f);
    EXPECT_FLOAT_EQ(m_Engine.m_fMaxSpeed, 250.0f);
    EXPECT_FLOAT_EQ(m_Engine.m_fMaxFreq, 40000.0f);
    EXPECT_EQ(g_ExploManager.m_Flags2[47], 1);
    EXPECT_NE(g_pTrade, nullptr);
    // Names no list knows keep the lists' not-found value.
    EXPECT_EQ(m_Engine.m_nResourceIds[23], -1);
    EXPECT_EQ(std::string(CMMEngine::GetManagerSection(23)), "\xd1"
                                                             "apsule");
    m_Engine.Done();
    EXPECT_EQ(g_pTrade, nullptr);
    g_bFixCursor = false;
}
