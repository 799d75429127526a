// Saved games on disk without a running game: the HEADER's layout, the
// record order, header-only previews, the load's rejections and its
// skipped or damaged chunks, a failed or killed save keeping the previous
// one, the location state files' numbering and the transfer stream.
#include "app/SaveGameFile.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "common/LogDirTest.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/GuidKey.h"
#include "foundation/StreamReader.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "platform/File.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "units/GliderObject.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using Records = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

CGuidKey Key(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

// A file manager that cannot create files (a read-only or full disk).
class CNoCreateFileManager : public StdFileManager
{
public:
    IFileHandler* CreateFile(const char*) override { return nullptr; }
};

class SavedGames : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        // None of the game's other owners: only the records of the player's
        // progress, the environment and the application are written.
        m_Kept = {g_pWorld, g_pScriptManager, g_pRadar, g_pQuestLog, g_pOrgManager, g_pPlayerGlider, g_pCameraObject};
        g_pWorld = nullptr;
        g_pScriptManager = nullptr;
        g_pRadar = nullptr;
        g_pQuestLog = nullptr;
        g_pOrgManager = nullptr;
        g_pPlayerGlider = nullptr;
        g_pCameraObject = nullptr;
        m_Saves.m_sBaseDir = Tree().Path().string() + "/";
        m_pPreviousFiles = g_pFileManager;
        g_pFileManager = &m_Files;
        m_fDays = g_Environment.m_fDays;
        m_fTime = g_Environment.m_fTime;
        g_GameData.OnNewGame();
        g_GameData.m_PlayerName = "Ilsa";
        g_CameraMode = 0;
        std::strcpy(m_Saves.m_szMapFile, "north.v2.mmp");
    }
    void TearDown() override
    {
        std::tie(g_pWorld, g_pScriptManager, g_pRadar, g_pQuestLog, g_pOrgManager, g_pPlayerGlider, g_pCameraObject) =
            m_Kept;
        g_pFileManager = m_pPreviousFiles;
        g_Environment.m_fDays = m_fDays;
        g_Environment.m_fTime = m_fTime;
        g_GameData.OnNewGame();
        g_CameraMode = 0;
    }

    // The records of an archive on disk, in the order they lie in the file.
    static Records Read(const std::string& path)
    {
        Records out;
        FileArchive archive;
        EXPECT_TRUE(archive.Open(path.c_str())) << path;
        for (std::uint32_t i = 0; i < archive.GetRecordCount(); ++i)
        {
            const CGuidKey key = archive.GetEntry(i).key;
            CMemStream s;
            EXPECT_TRUE(archive.ReadRecord(key, s)) << key.name;
            out.emplace_back(key.name, std::vector<std::uint8_t>(s.m_pData, s.m_pData + s.m_nCapacity));
        }
        return out;
    }
    static void Write(const std::string& path, const Records& records)
    {
        FileArchive archive;
        ASSERT_TRUE(archive.Create(path.c_str()));
        for (const auto& [name, bytes] : records)
        {
            CMemStream s;
            if (!bytes.empty()) s.Write(bytes.data(), std::uint32_t(bytes.size()));
            ASSERT_TRUE(archive.WriteRecord(Key(name.c_str()), s));
        }
        archive.Close();
    }
    static std::vector<std::uint8_t>* Find(Records& records, const char* name)
    {
        for (auto& [key, bytes] : records)
            if (key == name) return &bytes;
        return nullptr;
    }
    // A save as the tests expect it: 3.75 days (the environment's own
    // record says 9 o'clock), camera mode 1.
    void SaveSample(const char* file, const char* caption = "Before the bridge", bool inside = false,
                    const char* building = "")
    {
        g_Environment.m_fDays = 3.75f;
        g_Environment.m_fTime = 9.0f;
        g_CameraMode = 1;
        ASSERT_TRUE(m_Saves.SaveGame(file, caption, inside, building)) << Tree().ErrorLog();
    }
    // The live state that a refused or header-only load must not touch.
    void ChangeLiveState()
    {
        g_Environment.m_fDays = 1.25f;
        g_Environment.m_fTime = 6.0f;
        g_GameData.m_PlayerName = "Changed";
        g_CameraMode = 0;
    }
    void ExpectLiveStateUnchanged()
    {
        EXPECT_EQ(g_Environment.m_fDays, 1.25f);
        EXPECT_EQ(g_Environment.m_fTime, 6.0f);
        EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Changed");
        EXPECT_EQ(g_CameraMode, 0);
    }

    std::tuple<CWorld*, IScriptManager*, CRadar*, IQuestLog*, IOrgManager*, CGliderObject*, CDynamicObject*> m_Kept;
    StdFileManager m_Files;
    IFileManager* m_pPreviousFiles = nullptr;
    float m_fDays = 0.0f;
    float m_fTime = 0.0f;
    CSavedGames m_Saves;
};

TEST_F(SavedGames, HeaderLayoutAndRecordOrder)
{
    const std::string caption(100, 'c');
    SaveSample("first.sav", caption.c_str(), true, "HALL_7");
    Records records = Read(Tree() / "SAVES/first.sav");
    std::vector<std::string> names;
    for (const auto& r : records)
        names.push_back(r.first);
    // Without a world, scripts, radar, quest log, relations, thumbnail or
    // player glider their records are left out; the rest keep their order.
    EXPECT_EQ(names, (std::vector<std::string>{"HEADER", "CAPTION", "PLAYER", "GAMEDATA", "ENV", "OTHERS"}));

    ASSERT_EQ(records.size(), 6u);
    const std::vector<std::uint8_t>& h = *Find(records, "HEADER");
    ASSERT_EQ(h.size(), 516u);
    const auto u32 = [&](std::size_t at)
    {
        std::uint32_t v;
        std::memcpy(&v, h.data() + at, 4);
        return v;
    };
    const auto f32 = [&](std::size_t at)
    {
        float v;
        std::memcpy(&v, h.data() + at, 4);
        return v;
    };
    const auto text = [&](std::size_t at) { return std::string(reinterpret_cast<const char*>(h.data() + at)); };
    EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "MM20");
    EXPECT_EQ(u32(4), 258u);
    EXPECT_EQ(u32(8), 0u); // inside a building
    EXPECT_EQ(text(12), caption.substr(0, 63));
    EXPECT_EQ(text(76), "HALL_7");
    EXPECT_EQ(text(120), "north.v2.mmp");
    EXPECT_EQ(f32(376), 3.75f);
    EXPECT_EQ(text(392), "north.v2");
    for (std::size_t at : {384u, 488u, 512u})
        EXPECT_EQ(u32(at), 0u) << at;

    // The caption record keeps the whole caption; the player's name.
    const std::vector<std::uint8_t>& c = *Find(records, "CAPTION");
    ASSERT_EQ(c.size(), 4u + caption.size());
    EXPECT_EQ(std::string(c.begin() + 4, c.end()), caption);
    const std::vector<std::uint8_t>& p = *Find(records, "PLAYER");
    EXPECT_EQ(std::string(p.begin() + 4, p.end()), "Ilsa");
    const std::vector<std::uint8_t>& o = *Find(records, "OTHERS");
    ASSERT_EQ(o.size(), 8u);
    EXPECT_EQ(o[0] | o[1] << 8, 257);
    EXPECT_EQ(o[4], 1); // camera mode
    // No temporary file is left beside the save.
    EXPECT_FALSE(std::filesystem::exists(Tree() / "SAVES/first.sav.tmp"));
}

TEST_F(SavedGames, HeaderOnlyTakesTheHeaderAndPreviewAndChangesNothingLive)
{
    SaveSample("inside.sav", "In the hall", true, "HALL_7");
    ChangeLiveState();
    m_Saves.m_szStartBuilding[0] = 0;
    std::strcpy(m_Saves.m_szMapFile, "other.mmp");
    // Without SCREEN: false, and still the header is read.
    EXPECT_FALSE(m_Saves.LoadGame("inside.sav", true));
    EXPECT_STREQ(m_Saves.m_szMapFile, "north.v2.mmp");
    EXPECT_STREQ(m_Saves.m_szStartBuilding, "HALL_7");
    EXPECT_EQ(m_Saves.m_sLoadFile, "inside.sav");
    EXPECT_TRUE(m_Saves.m_Preview.empty());
    ExpectLiveStateUnchanged();

    // With SCREEN: true, the picture in the preview.
    Records records = Read(Tree() / "SAVES/inside.sav");
    std::vector<std::uint8_t> picture(CSavedGames::kScreenBytes);
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = std::uint8_t(i * 7);
    records.insert(records.begin() + 3, {"SCREEN", picture});
    Write(Tree() / "SAVES/shot.sav", records);
    EXPECT_TRUE(m_Saves.LoadGame("shot.sav", true));
    EXPECT_EQ(m_Saves.m_Preview, picture);
    ExpectLiveStateUnchanged();

    // A game saved outside has no building to enter.
    SaveSample("outside.sav", "Out", false, "HALL_7");
    EXPECT_FALSE(m_Saves.LoadGame("outside.sav", true));
    EXPECT_STREQ(m_Saves.m_szStartBuilding, "");
}

TEST_F(SavedGames, WholeLoadRestoresTheGame)
{
    SaveSample("game.sav");
    ChangeLiveState();
    ASSERT_TRUE(m_Saves.LoadGame("game.sav", false)) << Tree().ErrorLog();
    EXPECT_EQ(g_Environment.m_fDays, 3.75f);
    EXPECT_EQ(g_Environment.m_fTime, 9.0f); // the environment's record
    EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Ilsa");
    EXPECT_EQ(g_CameraMode, 1);
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(SavedGames, RefusedFilesChangeNothing)
{
    SaveSample("good.sav");
    const Records good = Read(Tree() / "SAVES/good.sav");
    const auto without = [&](const char* name)
    {
        Records r;
        for (const auto& record : good)
            if (record.first != name) r.push_back(record);
        return r;
    };
    const auto headerWith = [&](std::size_t at, std::uint8_t value, std::size_t size)
    {
        Records r = good;
        std::vector<std::uint8_t>& h = *Find(r, "HEADER");
        h.resize(size);
        if (at < size) h[at] = value;
        return r;
    };
    struct SCase
    {
        const char* name;
        Records records; // empty: the file holds "not an archive"
        const char* error;
    };
    const SCase cases[] = {
        {"missing.sav", {}, "could not be opened"},
        {"garbage.sav", {}, "could not be opened"},
        {"noheader.sav", without("HEADER"), "no record 'HEADER'"},
        {"magic.sav", headerWith(0, 'X', 516), "HEADER magic"},
        {"short.sav", headerWith(0, 'M', 515), "HEADER holds 515 bytes"},
        {"long.sav", headerWith(0, 'M', 600), "HEADER holds 600 bytes"},
        {"time.sav", headerWith(379, 0xFF, 516), "game time"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = Tree() / (std::string("SAVES/") + c.name);
        if (!c.records.empty())
            Write(path, c.records);
        else if (std::string(c.name) == "garbage.sav")
            std::ofstream(path, std::ios::binary) << "not an archive at all";
        std::filesystem::remove(Tree() / "error.log");
        ChangeLiveState();
        std::strcpy(m_Saves.m_szMapFile, "kept.mmp");
        EXPECT_FALSE(m_Saves.LoadGame(c.name, false));
        EXPECT_FALSE(m_Saves.LoadGame(c.name, true));
        ExpectLiveStateUnchanged();
        EXPECT_STREQ(m_Saves.m_szMapFile, "kept.mmp");
        EXPECT_NE(Tree().ErrorLog().find(c.error), std::string::npos) << Tree().ErrorLog();
    }
}

TEST_F(SavedGames, AMissingChunkIsSkippedAndADamagedOneLoggedByName)
{
    SaveSample("game.sav");
    Records records = Read(Tree() / "SAVES/game.sav");
    Records missing;
    for (const auto& r : records)
        if (r.first != "GAMEDATA" && r.first != "ENV") missing.push_back(r);
    Write(Tree() / "SAVES/missing.sav", missing);
    ChangeLiveState();
    ASSERT_TRUE(m_Saves.LoadGame("missing.sav", false));
    EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Changed"); // kept
    // Without the environment's record the hour comes from the header's
    // time: 3.75 days is 18 o'clock.
    EXPECT_EQ(g_Environment.m_fDays, 3.75f);
    EXPECT_EQ(g_Environment.m_fTime, 18.0f);
    EXPECT_EQ(g_CameraMode, 1);
    EXPECT_EQ(Tree().ErrorLog(), "");

    Find(records, "GAMEDATA")->resize(10);
    Write(Tree() / "SAVES/damaged.sav", records);
    ChangeLiveState();
    ASSERT_TRUE(m_Saves.LoadGame("damaged.sav", false));
    EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Changed");
    EXPECT_EQ(g_Environment.m_fTime, 9.0f);
    EXPECT_EQ(g_CameraMode, 1);
    EXPECT_NE(Tree().ErrorLog().find("record 'GAMEDATA'"), std::string::npos) << Tree().ErrorLog();
}

TEST_F(SavedGames, AFailedSaveSaysSoAndKeepsThePreviousOne)
{
    SaveSample("keep.sav");
    const Records before = Read(Tree() / "SAVES/keep.sav");
    g_GameData.m_PlayerName = "Later";
    CNoCreateFileManager noCreate;
    g_pFileManager = &noCreate;
    EXPECT_FALSE(m_Saves.SaveGame("keep.sav", "again", false, ""));
    g_pFileManager = &m_Files;
    EXPECT_NE(Tree().ErrorLog().find("previous file is kept"), std::string::npos) << Tree().ErrorLog();
    EXPECT_EQ(Read(Tree() / "SAVES/keep.sav"), before);
}

// A process killed after any record of a save leaves the previous save
// whole; one that finishes leaves the new one.
TEST_F(SavedGames, KilledSaveLeavesThePreviousSaveReadable)
{
    g_GameData.m_PlayerName = "Old";
    SaveSample("kill.sav");
    const Records old = Read(Tree() / "SAVES/kill.sav");
    for (std::size_t killAfter = 1; killAfter <= old.size() + 1; ++killAfter)
    {
        SCOPED_TRACE(killAfter);
        g_GameData.m_PlayerName = "New";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            std::size_t written = 0;
            m_Saves.m_OnRecordWritten = [&](const char*)
            {
                if (++written == killAfter) _exit(0);
            };
            _exit(m_Saves.SaveGame("kill.sav", "new", false, "") ? 3 : 4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const bool finished = killAfter > old.size();
        EXPECT_EQ(WEXITSTATUS(status), finished ? 3 : 0);
        ChangeLiveState();
        ASSERT_TRUE(m_Saves.LoadGame("kill.sav", false)) << Tree().ErrorLog();
        EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), finished ? "New" : "Old");
    }
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(SavedGames, LocationNameIsTheMapNameCutAtItsLastDot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"north.mmp", "north"},
        {"north.v2.mmp", "north.v2"},
        {"north", "north"},
        {"maps.d\\north", "maps.d\\north"},
        {"a_very_long_location_name_beyond_31.mmp", "a_very_long_location_name_beyon"},
    };
    for (const auto& [map, location] : cases)
        EXPECT_EQ(CSavedGames::LocationOf(map), location) << map;
}

TEST_F(SavedGames, LocationStateTakesTheFirstFreeNumberAndReplacesOlderStates)
{
    std::strcpy(m_Saves.m_szMapFile, "north.mmp");
    for (const char* name : {"north_1", "north_3", "north_x", "northern_1"})
        Tree().WriteText(std::string("SAVES/LOCS/") + name, "old");
    g_GameData.GetLocInfo("north");
    g_GameData.GetLocInfo("south");
    ASSERT_TRUE(m_Saves.SaveLoc()) << Tree().ErrorLog();
    const auto exists = [&](const char* name) { return std::filesystem::exists(Tree() / (std::string("SAVES/LOCS/") + name)); };
    EXPECT_TRUE(exists("north_2"));
    EXPECT_FALSE(exists("north_1"));
    EXPECT_FALSE(exists("north_3"));
    EXPECT_TRUE(exists("north_x"));
    EXPECT_TRUE(exists("northern_1"));
    EXPECT_STREQ(g_GameData.FindLocInfo("north")->stateFile, "north_2");
    EXPECT_STREQ(g_GameData.FindLocInfo("south")->stateFile, "");
    // The next state takes the number freed.
    ASSERT_TRUE(m_Saves.SaveLoc());
    EXPECT_TRUE(exists("north_1"));
    EXPECT_FALSE(exists("north_2"));
    EXPECT_STREQ(g_GameData.FindLocInfo("north")->stateFile, "north_1");

    EXPECT_TRUE(m_Saves.LoadLoc("north_1"));
    EXPECT_FALSE(m_Saves.LoadLoc("north_9"));
    EXPECT_NE(Tree().ErrorLog().find("north_9"), std::string::npos);
}

TEST(TransferStream, VersionDecidesTheBlockSize)
{
    for (std::uint32_t version : {257u, 258u})
    {
        SCOPED_TRACE(version);
        CMemStream s;
        s.Write(&version, 4);
        std::uint8_t bytes[40];
        for (int i = 0; i < 40; ++i)
            bytes[i] = std::uint8_t(i + 1);
        s.Write(bytes, sizeof bytes);
        s.m_nPosition = 0;
        std::uint8_t block[32];
        CSavedGames::ReadTransferBlock(s, block);
        const std::uint32_t carried = version == 257 ? 28 : 32;
        EXPECT_EQ(s.m_nPosition, 4 + carried);
        for (std::uint32_t i = 0; i < 32; ++i)
            EXPECT_EQ(block[i], i < carried ? i + 1 : 0) << i;
    }
    CMemStream cut;
    const std::uint32_t version = 258;
    cut.Write(&version, 4);
    cut.Write("short", 5);
    cut.m_nCapacity = cut.m_nPosition;
    cut.m_nPosition = 0;
    std::uint8_t block[32];
    EXPECT_THROW(CSavedGames::ReadTransferBlock(cut, block), CStreamError);
}

} // namespace
