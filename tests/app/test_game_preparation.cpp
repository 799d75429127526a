// The game preparation's steps in their order, per mode: a new game (with
// its start script, or a mod's map), a saved game (and one whose load fails
// after its header was read: one line, and the location starts afresh), a
// tunnel and a script journey (the location's stored state, one that cannot
// be read, a location never seen). The map, the player's mechanoid and
// glider, the location states and the saved games are recorded stand-ins;
// the world is a bare one whose clock shows how far the preparation ran it
// (10 x 100 s for a stored state, 10 x 1000 s for a fresh start) and whose
// player record shows a fresh start of the population ("fresh": the world's
// new game gave the player its organisation) rather than a world left
// empty for a load.
#include "app/GameData.h"
#include "app/MMApp.h"
#include "app/SavedGames.h"

#include "foundation/XString.h"
#include "location/Location.h"
#include "script/game/ScriptManager.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "world/Mech.h"
#include "world/MMEngine.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include "common/DataTree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace
{

// The game script manager, recording what the preparation asks of it.
class CRecordedScripts : public IScriptManager
{
public:
    explicit CRecordedScripts(std::string& log) : m_Log(log) {}
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        return *MakeGuidKey(&key, "IGUID_IScriptManager");
    }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Init() override { return true; }
    void Done() override {}
    void Reset() override { m_Log += "reset "; }
    bool RunEvent(const char* object, const char* event, const char*) override
    {
        m_Log += std::string(event) + "(" + object + ") ";
        return true;
    }
    int RunScript(const char* script, int) override
    {
        m_Log += std::string("script ") + script + " ";
        return 1;
    }
    const char* RunScriptProc(const char*, const char*, const char*, bool, const char*) override { return nullptr; }
    const char* GetCurrentScript() override { return ""; }
    SScriptResults* GetResults() override { return nullptr; }
    void Run(float) override {}
    const char* UserFunc(int, const char*, const char*, const char*, const char*, const char*, int) override
    {
        return nullptr;
    }
    int UserFuncInt(int, const char*, const char*, const char*, const char*, const char*, int) override { return 0; }
    void SaveToStream(CMemStream&) override {}
    bool LoadFromStream(CMemStream&) override { return true; }
    void UpdateStringWithNames(CXAnsiString&) override {}

private:
    std::string& m_Log;
};

class CRecordedLoads : public ISavedGames
{
public:
    explicit CRecordedLoads(std::string& log) : m_Log(log) {}
    bool SaveGame(const char*, const char*, const char*) override { return true; }
    bool LoadGame(const char* file, bool headerOnly) override
    {
        m_Log += std::string("load ") + file + (headerOnly ? " header " : " ");
        return m_bLoads;
    }
    bool m_bLoads = true;

private:
    std::string& m_Log;
};

// The application with the preparation's steps recorded: the map gives a
// bare world, the glider's step notes how far the world ran.
class CPreparedApp : public CMMApp
{
public:
    explicit CPreparedApp(std::string& log) : m_Log(log) {}
    // The world ends as the current one, as the game's does: the groups it
    // made go with it. The player's group holds m_Player, which dies with
    // this object; left in the group list, the next game of the process
    // would touch it when it drops that group.
    ~CPreparedApp() override
    {
        if (m_World) g_pWorld = m_World.get();
        m_World.reset();
        g_pWorld = nullptr;
    }
    void InitMap(const char* mapFile, bool) override
    {
        m_Log += std::string("map ") + mapFile + " ";
        m_World = std::make_unique<CWorld>();
        g_pWorld = m_World.get();
        g_Location.m_nCellsX = g_Location.m_nCellsY = 1;
    }
    void LoadStartConfig(int) override
    {
        m_Log += "mech ";
        g_pWorld->SetPlayerMech(&m_Player);
    }
    void InitMainMech(bool newGame, bool tunnel) override
    {
        m_Log += std::string("glider") + (newGame ? "1" : "0") + (tunnel ? "1" : "0") + " @" +
                 std::to_string(int(std::lround(g_pWorld->m_fTime))) + " " +
                 (m_Player.m_szOrg[0] ? "fresh " : "");
    }
    bool LoadLoc(const char* file) override
    {
        m_Log += std::string("state ") + file + " ";
        return m_bStateReads;
    }
    bool LoadMainMech() override
    {
        m_Log += "transfer ";
        return true;
    }
    void RestoreGliderState() override { m_Log += "restore "; }

    std::string& m_Log;
    bool m_bStateReads = true;
    CPlayerMech m_Player;
    std::unique_ptr<CWorld> m_World;
};

class GamePreparation : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        m_pScripts = g_pScriptManager;
        g_pScriptManager = &m_Scripts;
        g_pSavedGames = &m_Loads;
        g_GameData.OnNewGame();
        // A new game gives the player a group, as it does after the
        // application's start, whether an earlier test of the process
        // started one or not. The bare world makes no mechanoids (the
        // player's configurations need the organisations table, which the
        // stand-ins do not load).
        m_bGroupsRegistered = g_pfnCreatePlayerGroup != nullptr;
        m_pfnCreateWorldMechanoid = g_pfnCreateWorldMechanoid;
        RegisterGroupMaker();
        g_pfnCreateWorldMechanoid = nullptr;
    }
    void TearDown() override
    {
        g_pfnCreateWorldMechanoid = m_pfnCreateWorldMechanoid;
        if (!m_bGroupsRegistered) UnregisterGroupMaker();
        g_pScriptManager = m_pScripts;
        g_pSavedGames = nullptr;
        g_pWorld = nullptr;
        g_Location.m_nCellsX = g_Location.m_nCellsY = 0;
        g_GameData.OnNewGame();
    }

    std::string m_Log;
    CRecordedScripts m_Scripts{m_Log};
    CRecordedLoads m_Loads{m_Log};
    IScriptManager* m_pScripts = nullptr;
    bool m_bGroupsRegistered = false;
    IWorldMechanoid* (*m_pfnCreateWorldMechanoid)() = nullptr;
};

TEST_F(GamePreparation, EachModeTakesItsStepsInOrder)
{
    struct SCase
    {
        const char* what;
        int mode;
        const char* map;    // the current map (a journey's next one)
        bool mod;           // a mod's map, no start script
        bool loads;         // the saved game loads whole
        const char* stored; // the location's stored state ("" none)
        bool storedReads;
        const char* steps;
        int errorLines;
    } const cases[] = {
        {"new game", CMMApp::kModeNewGame, "", false, true, "", true,
         "reset script TARVOXII.src OnStartGame() map sample.loc mech glider10 @9900 fresh restore "
         "OnEnterLocation(sample) ",
         0},
        {"new game of a mod", CMMApp::kModeNewGame, "", true, true, "", true,
         "reset map storm.mmp mech glider10 @9900 fresh restore OnEnterLocation(storm) ", 0},
        {"saved game", CMMApp::kModeSavedGame, "sample.loc", false, true, "", true,
         "reset map sample.loc mech load slot1.sav glider00 @0 restore ", 0},
        {"saved game that no longer loads", CMMApp::kModeSavedGame, "sample.loc", false, false, "", true,
         "reset map sample.loc mech load slot1.sav glider00 @9900 fresh restore ", 1},
        {"tunnel journey to a location left before", CMMApp::kModeTunnelJourney, "north.mmp", false, true,
         "SAVES\\LOCS\\north_1", true,
         "map north.mmp mech state SAVES\\LOCS\\north_1 glider01 @900 transfer restore OnEnterLocation(north) ", 0},
        {"tunnel journey to a state that cannot be read", CMMApp::kModeTunnelJourney, "north.mmp", false, true,
         "SAVES\\LOCS\\north_1", false,
         "map north.mmp mech state SAVES\\LOCS\\north_1 glider01 @9900 fresh transfer restore OnEnterLocation(north) ",
         0},
        {"tunnel journey to a location never seen", CMMApp::kModeTunnelJourney, "north.mmp", false, true, "", true,
         "map north.mmp mech glider01 @9900 fresh transfer restore OnEnterLocation(north) ", 0},
        {"script journey to a location left before", CMMApp::kModeScriptJourney, "north.mmp", false, true,
         "SAVES\\LOCS\\north_1", true,
         "map north.mmp mech state SAVES\\LOCS\\north_1 glider00 @900 transfer restore OnEnterLocation(north) ", 0},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        // The previous case's game is over: the player's group (it held
        // that game's player) went with its world.
        ASSERT_EQ(g_pPlayerGroup, nullptr);
        Tree().WriteText("error.log", "");
        m_Log.clear();
        g_GameData.OnNewGame();
        if (c.stored[0])
            std::snprintf(g_GameData.GetLocInfo("north").stateFile, sizeof(SLocInfo::stateFile), "%s", c.stored);
        m_Loads.m_bLoads = c.loads;
        CPreparedApp app(m_Log);
        app.m_nGameMode = c.mode;
        std::snprintf(app.m_szMapFile, sizeof app.m_szMapFile, "%s", c.map);
        app.m_bMod = c.mod ? 1 : 0;
        std::snprintf(app.m_szModName, sizeof app.m_szModName, "%s", "storm.mmp");
        app.m_sLoadFile = "slot1.sav";
        app.m_bStateReads = c.storedReads;
        ASSERT_TRUE(app.PrepareGame()) << Tree().ErrorLog();
        EXPECT_EQ(m_Log, c.steps);
        const std::string errors = Tree().ErrorLog();
        int lines = 0;
        for (char ch : errors) lines += ch == '\n' ? 1 : 0;
        EXPECT_EQ(lines, c.errorLines) << errors;
    }
    EXPECT_EQ(g_pPlayerGroup, nullptr);
}

} // namespace
