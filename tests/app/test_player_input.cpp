// The player's input in the running sample application: keys rebound in
// cfg.ini [INPUT] fly the glider and the old keys no longer do; Left turns
// the heading left; a selection locks a target that the player's group
// saves by name and finds again; a recorded stretch of flight replays to
// the same states and renders numbered pictures.
#include "app/InputConfig.h"
#include "app/SavedGames.h"
#include "app/VideoStudio.h"
#include "common/GameDriver.h"

#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "location/ViewCamera.h"
#include "platform/File.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr int kW = 0x11;
constexpr int kI = 0x17;
constexpr int kJ = 0x24;
constexpr int kLeft = 0xCB;

class PlayerInput : public apptest::CKeyFlightAppTest
{
};

TEST_F(PlayerInput, KeysReboundInTheConfigurationFlyTheGlider)
{
    // The sample binds W and the Left arrow; the player moved forward to I
    // and left to J.
    std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"\nFORWARD=W", "\nFORWARD=I"},
                                   {"\nLEFT=LEFT", "\nLEFT=J"}})
    {
        const std::size_t at = cfg.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        cfg.replace(at, from.size(), to);
    }
    Tree().WriteText("Data/CONFIG/cfg.ini", cfg);
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "bindings test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr) << Tree().ErrorLog();
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_FORWARD], kI);
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_LEFT], kJ);
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_FIRE3], 513);
    Fly(40);
    // W is no longer bound: the glider stays.
    CVector start = Glider().GetPosition();
    m_keys.m_held = kW;
    Fly(20);
    EXPECT_LT((Glider().GetPosition() - start).Length(), 10.0f);
    // I drives it forward.
    Glider().m_Frame.UpdateAxes();
    const CVector forward = Glider().ForwardAxis();
    start = Glider().GetPosition();
    m_keys.m_held = kI;
    Fly(40);
    EXPECT_GT(Dot(Glider().GetPosition() - start, forward), 50.0f);
    // J turns it left: its nose swings away from its side axis, which is
    // its right as the picture shows it.
    m_keys.m_held = -1;
    Fly(20);
    const auto& view = g_ViewCamera.m_mView.m;
    const CVector screenRight{view[0][0], view[1][0], view[2][0]};
    Glider().m_Frame.UpdateAxes();
    const CVector side = Glider().SideAxis();
    EXPECT_GT(Dot(side, screenRight), 0.5f);
    m_keys.m_held = kJ;
    Fly(10);
    m_keys.m_held = -1;
    Fly(5);
    Glider().m_Frame.UpdateAxes();
    EXPECT_LT(Dot(Glider().ForwardAxis(), side), -0.1f);
    // The old Left arrow does nothing now.
    const CVector still = Glider().ForwardAxis();
    m_keys.m_held = kLeft;
    Fly(10);
    Glider().m_Frame.UpdateAxes();
    EXPECT_GT(Dot(Glider().ForwardAxis(), still), 0.99f);
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}

// The saved games the quick keys reach.
class CQuickSaves : public ISavedGames
{
public:
    bool SaveGame(const char* file, const char* caption, const char* extra) override
    {
        m_calls.push_back(std::string("save ") + file + " " + caption + " [" + extra + "]");
        return true;
    }
    bool LoadGame(const char* file, bool headerOnly) override
    {
        m_calls.push_back(std::string("load ") + file + (headerOnly ? " header" : ""));
        return false; // a quick load that fails leaves the game as it was
    }
    std::vector<std::string> m_calls;
};

TEST_F(PlayerInput, FunctionKeysCommandMenuStasisGammaAndDeath)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "function keys test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    CQuickSaves saves;
    g_pSavedGames = &saves;
    Fly(2);
    const auto press = [&](int key, int frames = 1)
    {
        m_keys.m_pressed = key;
        Fly(frames);
    };
    // Quick save and load only with "OutsideSave"; the save takes the
    // caption and no extra name.
    g_MMEngine.m_bOutsideSave = 0;
    press(0x3F);
    press(0x43);
    EXPECT_TRUE(saves.m_calls.empty());
    g_MMEngine.m_bOutsideSave = 1;
    press(0x3F);
    press(0x43);
    ASSERT_EQ(saves.m_calls.size(), 2u);
    EXPECT_EQ(saves.m_calls[0].rfind("save quicksave.sav ", 0), 0u) << saves.m_calls[0];
    EXPECT_EQ(saves.m_calls[0].substr(saves.m_calls[0].size() - 2), "[]");
    EXPECT_EQ(saves.m_calls[1], "load quicksave.sav header");
    EXPECT_FALSE(g_MMEngine.m_bLeaveCycle);
    g_pSavedGames = nullptr;

    // The command menu: grave opens and closes it; 3 needs a target; 2 then
    // 1 calls for help, which closes it.
    EXPECT_EQ(app.m_nCommandMenu, -1);
    press(0x29);
    EXPECT_EQ(app.m_nCommandMenu, 0);
    press(0x04);
    EXPECT_EQ(app.m_nCommandMenu, 0);
    press(0x03);
    EXPECT_EQ(app.m_nCommandMenu, 2);
    press(0x02);
    EXPECT_EQ(app.m_nCommandMenu, -1);
    press(0x29);
    press(0x29);
    EXPECT_EQ(app.m_nCommandMenu, -1);

    // Gamma: F12 held brightens up to 10, written to cfg.ini.
    m_keys.m_held = 0x58;
    Fly(12);
    m_keys.m_held = -1;
    EXPECT_EQ(g_Settings.Gamma, 10);
    EXPECT_NE(Tree().ReadText("Data/CONFIG/cfg.ini").find("Gamma=10"), std::string::npos);
    m_keys.m_held = 0x57;
    Fly(3);
    m_keys.m_held = -1;
    EXPECT_EQ(g_Settings.Gamma, 7);

    // Stasis lasts at least 10 s: a press before that does nothing; while
    // it lasts the glider holds still, driven or not.
    CMechanoid& mechanoid = *Glider().m_pMechanoid;
    mechanoid.m_Devices[EQP_STASIS_GENERATOR].m_nIndex = 1;
    press(0x06);
    EXPECT_TRUE(mechanoid.IsOn(EQP_STASIS_GENERATOR));
    EXPECT_FLOAT_EQ(app.m_fStasisTimer, 10.0f);
    const CVector held = Glider().GetPosition();
    m_keys.m_held = kW;
    Fly(10);
    m_keys.m_held = -1;
    const CVector drift = Glider().GetPosition() - held;
    EXPECT_LT(std::hypot(drift.x, drift.y), 1.0f);
    press(0x06);
    EXPECT_TRUE(mechanoid.IsOn(EQP_STASIS_GENERATOR));
    app.m_fStasisTimer = 0.01f; // the ten seconds have passed
    press(0x06);
    EXPECT_FALSE(mechanoid.IsOn(EQP_STASIS_GENERATOR));

    // Death without an attacker: the game ends for the player on the
    // second frame.
    mechanoid.m_GliderData.m_bDestroyed = 1;
    Fly(1);
    EXPECT_EQ(app.m_bDead, 1);
    EXPECT_FALSE(g_MMEngine.m_bLeaveCycle);
    Fly(1);
    EXPECT_TRUE(g_MMEngine.m_bLeaveCycle);
    EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitDeath);
    g_MMEngine.m_bLeaveCycle = 0;
    mechanoid.m_GliderData.m_bDestroyed = 0;
    app.Done();
}

TEST_F(PlayerInput, TheSelectedTargetIsSavedByNameAndFoundAgain)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "target test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    Fly(5);
    // A glider of the world as the player's selection.
    SPointerArray<CMMObject> gliders;
    g_ObjectList.GetObjectList(OBJ_GLIDER, gliders);
    CGliderObject* other = nullptr;
    for (int i = 0; i < gliders.count && !other; ++i)
    {
        auto* g = dynamic_cast<CGliderObject*>(gliders.items[i]);
        if (g && g != &Glider() && g->m_pMech) other = g;
    }
    ASSERT_NE(other, nullptr) << "the sample location has no glider of the world";
    ASSERT_NE(g_pPlayerGroup, nullptr);
    Glider().m_pTarget = other;
    CMemStream stream;
    g_pPlayerGroup->SaveToStream(stream);
    // Read back into a group that has lost the selection: the key names the
    // target's mech, and the group's run gives the glider its target again.
    Glider().m_pTarget = nullptr;
    stream.m_nPosition = 0;
    CPlayerMechGroup2 group;
    CopyName(group.m_szOrg, g_pPlayerGroup->m_szOrg);
    group.LoadFromStream(stream);
    EXPECT_STREQ(group.m_szTarget, other->m_pMech->m_szId);
    group.Run(0.0f);
    EXPECT_EQ(Glider().m_pTarget, other);
    EXPECT_FALSE(IsNameSet(group.m_szTarget));
    app.Done();
}

TEST_F(PlayerInput, ARecordedFlightReplaysToTheSameStatesAndRendersPictures)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "recorder test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    Fly(20);
    CVideoStudio studio;
    ASSERT_TRUE(studio.StartRecording());
    std::vector<CVector> path{Glider().GetPosition()};
    m_keys.m_held = kW;
    for (int i = 0; i < 12; ++i)
    {
        Fly(1);
        studio.RecordFrame(false);
        path.push_back(Glider().GetPosition());
    }
    ASSERT_EQ(studio.StopRecording(), 1);
    ASSERT_TRUE(studio.Save("flight.rec"));
    // The flight goes on elsewhere; the replay puts the glider back where
    // it was at each recorded frame.
    Fly(20);
    CVideoStudio replay;
    ASSERT_TRUE(replay.Load("flight.rec"));
    ASSERT_EQ(replay.m_nTotalFrames, 13);
    ASSERT_TRUE(replay.PlayBack());
    EXPECT_LT((Glider().GetPosition() - path[0]).Length(), 0.01f);
    for (std::size_t i = 1; i < path.size() && replay.m_nState == CVideoStudio::kPlaying; ++i)
    {
        replay.PlayMoment(false);
        EXPECT_LT((Glider().GetPosition() - path[i]).Length(), 0.01f) << "frame " << i;
    }
    EXPECT_EQ(replay.m_nState, CVideoStudio::kHeld);
    // Rendered: one picture per frame in the first free folder.
    ASSERT_TRUE(replay.RenderToFiles());
    int pictures = 0;
    while (replay.m_nState == CVideoStudio::kRendering && pictures < 20)
    {
        std::uint32_t width = 0, height = 0;
        ViewerFrame(width, height);
        replay.CaptureFrame();
        ++pictures;
        replay.PlayMoment(false);
    }
    // The last frame ends the replay as it is read: twelve pictures.
    EXPECT_EQ(pictures, 12);
    const std::filesystem::path folder = Tree().Path() / "Video" / "000001";
    EXPECT_TRUE(std::filesystem::exists(folder / "00000001.bmp"));
    EXPECT_TRUE(std::filesystem::exists(folder / "00000012.bmp"));
    EXPECT_GT(std::filesystem::file_size(folder / "00000001.bmp"), 54u);
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
} // namespace
