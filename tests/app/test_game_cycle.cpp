// The game cycle's rules that need no location: the start point's choice,
// the location number of a map's name, the time scale of the player's time
// effect, the field of view by speed and camera mode, the physics slices,
// and the building menu's autosave by the pass that entered the building.
#include "app/MMApp.h"
#include "app/SavedGames.h"
#include "foundation/ClassFactory.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(StartPoint, TheNamedPointElseARandomOneOfTheRightTunnelKind)
{
    const std::vector<std::string> points = {"SAMPLE_HALL", "TUNNEL_EAST", "SAMPLE_DEPOT", "TUNNEL_WEST"};
    int next = 0;
    std::vector<int> draws;
    auto draw = [&] { return draws.empty() ? next++ : draws[std::size_t(next++) % draws.size()]; };
    struct SCase
    {
        const char* wanted;
        bool tunnel;
        std::vector<int> draws;
        int expected;
    } cases[] = {
        {"SAMPLE_DEPOT", false, {}, 2},    // the named one
        {"TUNNEL_WEST", true, {}, 3},      // a tunnel arrival at a named tunnel
        {"", false, {1, 1, 0}, 0},         // random: tunnels are skipped
        {"SAMPLE_HALL", true, {0, 2, 3}, 3}, // a tunnel arrival avoids the building
        {"NOWHERE", false, {3, 2}, 2},     // an unknown name: a random one
    };
    for (const SCase& c : cases)
    {
        next = 0;
        draws = c.draws;
        EXPECT_EQ(CMMApp::ChooseStartPoint(points, c.wanted, c.tunnel, draw), c.expected) << c.wanted;
    }
    // No point at all; and no point of the wanted kind: 100 picks, the last kept.
    EXPECT_EQ(CMMApp::ChooseStartPoint({}, "", false, draw), -1);
    int picks = 0;
    auto counted = [&] { return picks++ % 2; };
    EXPECT_EQ(CMMApp::ChooseStartPoint({"A", "B"}, "", true, counted), (CMMApp::kStartPointPicks) % 2);
    EXPECT_EQ(picks, CMMApp::kStartPointPicks + 1);
}

TEST(LocationNumber, TheLastTwoDigitsAfterAOneElseTheLastDigit)
{
    // "...20" has no number: the second-to-last is not '1' and the last is 0,
    // which the world reads as none (its names then come from any table, as
    // for a name ending in a letter). Saved games and location states go by
    // the name, never the number.
    const struct
    {
        const char* map;
        const char* name;
        std::int32_t number;
    } cases[] = {{"loc12.mmp", "loc12", 12}, {"loc2.mmp", "loc2", 2},    {"loc20.mmp", "loc20", -1},
                 {"loc10.mmp", "loc10", 10}, {"sample.loc", "sample", -1}, {"a.b.c.mmp", "a.b.c", -1},
                 {"loc19", "loc19", 19}};
    for (const auto& c : cases)
    {
        char name[32] = {};
        std::int32_t number = 0;
        CMMEngine::GetLocationName(c.map, name, &number);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(number, c.number) << c.map;
    }
}

TEST(FrameRules, TimeScaleViewAngleAndPhysicsSlices)
{
    const struct
    {
        bool on;
        float level;
        float scale;
    } scales[] = {{true, 1.0f, 3.0f},   {true, 7.9f, 3.0f},   {true, 8.0f, 3.15f},  {true, 10.0f, 0.15f},
                  {false, 3.0f, 3.15f}, {false, 1.0f, 0.1f},  {false, 0.5f, 0.6f},  {false, 0.0f, 1.0f},
                  {false, -2.0f, 1.0f}};
    for (const auto& s : scales) EXPECT_NEAR(CMMApp::TimeScale(s.on, s.level), s.scale, 1e-5f) << s.on << s.level;

    EXPECT_FLOAT_EQ(CMMApp::ViewAngleTarget(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(CMMApp::ViewAngleTarget(2.0f), 0.5f);
    EXPECT_FLOAT_EQ(CMMApp::ViewAngleTarget(3.0f), 0.875f);
    EXPECT_FLOAT_EQ(CMMApp::ViewAngleTarget(9.0f), 1.0f);
    for (int mode = 0; mode <= 6; ++mode)
    {
        const bool fixed = mode >= 2 && mode <= 4;
        EXPECT_FLOAT_EQ(CMMApp::HorizontalViewAngle(1.0f, mode), fixed ? 70.0f : 100.0f) << mode;
        EXPECT_FLOAT_EQ(CMMApp::HorizontalViewAngle(0.0f, mode), 70.0f) << mode;
    }

    // Physics: never a slice over 0.2 s; no slice in a paused frame.
    CObjectList list;
    EXPECT_EQ(list.StepPhysics(0.5f), 3);
    EXPECT_EQ(list.StepPhysics(0.2f), 1);
    EXPECT_EQ(list.StepPhysics(0.05f), 1);
    EXPECT_EQ(list.StepPhysics(0.0f), 0);
}

namespace
{
// The saved games the building menu asks for.
class CAutosaves : public ISavedGames
{
public:
    bool SaveGame(const char* file, const char*, const char*) override
    {
        m_Files.emplace_back(file);
        return true;
    }
    bool LoadGame(const char*, bool) override { return false; }
    std::vector<std::string> m_Files;
};
} // namespace

TEST(CycleExit, TheBuildingMenuSavesUnlessThePassRanNoFrameYet)
{
    // No screens registered: the menu chooses nothing. The registry lives
    // for the process, and an application started by an earlier test left
    // its screens in it (the building menu would then be built, without a
    // device).
    ResetClassRegistry();
    CAutosaves saves;
    g_pSavedGames = &saves;
    // kind: the cycle's first pass (1 new game, 2 saved game or journey) or
    // a later one (0); ranFrame: the pass ran a frame before the exit.
    const struct
    {
        int reason, kind;
        bool ranFrame, saved;
    } cases[] = {
        {CMMApp::kExitStartInBuilding, 1, false, false}, // a new game starting inside
        {CMMApp::kExitStartInBuilding, 2, false, false}, // a journey's arrival inside
        {CMMApp::kExitBuilding, 1, true, true},          // flown in during the first pass
        {CMMApp::kExitBuilding, 0, true, true},          // flown in later
    };
    for (const auto& c : cases)
    {
        CMMApp app;
        app.m_nGameMode = CMMApp::kModeNewGame;
        saves.m_Files.clear();
        g_MMEngine.m_bLeaveCycle = 1;
        g_MMEngine.m_nExitReason = c.reason;
        app.HandleCycleExit(c.kind, c.ranFrame);
        EXPECT_EQ(saves.m_Files, c.saved ? std::vector<std::string>{"autosave.sav"} : std::vector<std::string>{})
            << c.reason << " " << c.kind;
        EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 0);
        EXPECT_EQ(app.m_nQuit, 0u);
    }
    g_pSavedGames = nullptr;
    g_MMEngine.m_nExitReason = 0;
}
