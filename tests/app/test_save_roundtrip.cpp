// A game on the sample location saved and loaded into a freshly entered
// location: the player flies, is hurt, earns money and rating, a quest
// part, a script variable and a radar mark are set and the location's
// groups travel its roads; after the load the whole game state (the one
// dump, DumpGameState) is what it was when the game was saved, and the
// save's records lie in their order.
#include "app/GameData.h"
#include "app/GameStateDump.h"
#include "app/SaveGameFile.h"
#include "common/GameDriver.h"

#include "SampleAppTest.h"

#include "foundation/FileArchive.h"
#include "foundation/Graphic.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "platform/d3d8/D3D8.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "society/WorldMechanoid.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 0x11;
constexpr int kLeft = 0xCB;

class SaveRoundTrip : public apptest::CRunningAppTest
{
protected:
    void SetUp() override
    {
        apptest::CRunningAppTest::SetUp();
        ASSERT_TRUE(plat::Succeeded(graph.m_lpDevice->CreateImageSurface(
            CSavedGames::kScreenSize, CSavedGames::kScreenSize, plat::d3d::D3DFMT_X8R8G8B8, &m_pScreen)));
        m_Saves.m_pScreen = m_pScreen;
        std::strcpy(m_Saves.m_szMapFile, CMMApp::kDefaultMap);
        PrepareWorld();
    }
    // The game preparation made the world's organisations for the location
    // and the player's record, owning the glider's mechanoid, as the
    // world's player (so the player comes back with the world's mech
    // records).
    static void PrepareWorld()
    {
        ASSERT_NE(g_pWorld, nullptr);
        CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
        ASSERT_NE(glider, nullptr);
        auto* record = static_cast<CPlayerMech*>(glider->m_pMech);
        ASSERT_EQ(g_pWorld->GetPlayerMech(), record);
        auto* owned = dynamic_cast<CWorldMechanoid*>(record->m_pMechanoid);
        ASSERT_NE(owned, nullptr);
        ASSERT_EQ(glider->m_pMechanoid, &owned->m_Mechanoid);
    }
    void TearDown() override
    {
        if (m_pScreen) m_pScreen->Release();
        g_GameData.OnNewGame();
        apptest::CRunningAppTest::TearDown();
    }
    void Fly(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &m_keys));
            m_keys.Update();
        }
    }
    void Paint(std::uint32_t seed)
    {
        plat::d3d::SLockedRect locked{};
        ASSERT_TRUE(plat::Succeeded(m_pScreen->LockRect(&locked, nullptr, 0)));
        for (int y = 0; y < CSavedGames::kScreenSize; ++y)
            for (int x = 0; x < CSavedGames::kScreenSize; ++x)
                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                    seed * 2654435761u + std::uint32_t(y * 128 + x);
        m_pScreen->UnlockRect();
    }
    std::uint32_t Pixel(int x, int y)
    {
        plat::d3d::SLockedRect locked{};
        EXPECT_TRUE(plat::Succeeded(m_pScreen->LockRect(&locked, nullptr, plat::d3d::D3DLOCK_READONLY)));
        const std::uint32_t v =
            reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
        m_pScreen->UnlockRect();
        return v;
    }

    CSavedGames m_Saves;
    plat::d3d::Surface* m_pScreen = nullptr;
    apptest::CHeldKeys m_keys;
};

TEST_F(SaveRoundTrip, SampleGameComesBackWhole)
{
    // Some minutes of play.
    m_keys.m_held = kW;
    Fly(40);
    m_keys.m_held2 = kLeft;
    Fly(10);
    m_keys.m_held = m_keys.m_held2 = -1;
    Fly(10);
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    ASSERT_NE(glider->m_pMechanoid, nullptr);
    glider->m_pMechanoid->m_Garbage.m_fMoney += 750.0f;
    glider->m_pMechanoid->m_fArmor *= 0.5f;
    g_GameData.m_PlayerName = "Ilsa";
    g_GameData.ChangeRating2(120.0f);
    g_GameData.OnBuyGood(40.0f, 3);
    ASSERT_NE(g_pQuestLog, nullptr);
    g_pQuestLog->AddPart("QUEST_BRIDGE", "QUEST_BRIDGE_PART_1");
    ASSERT_NE(g_pScriptManager, nullptr);
    SScriptIntVar variable{"SAVED_VARIABLE", 42};
    static_cast<CScriptManager*>(g_pScriptManager)->IntVars().push_back(variable);
    ASSERT_NE(g_pRadar, nullptr);
    const CVector mark = glider->GetPosition() + CVector{300.0f, 200.0f, 0.0f};
    g_pRadar->SetTarget(1, &mark, true);
    Paint(1);

    ASSERT_TRUE(m_Saves.SaveGame("round.sav", "Round trip", false, "")) << Tree().ErrorLog();
    const std::vector<std::string> saved = DumpGameState();

    // The records in their order: the application's, the world's, MAINMECH.
    {
        FileArchive archive;
        ASSERT_TRUE(archive.Open((Tree() / "SAVES/round.sav").c_str()));
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < archive.GetRecordCount(); ++i)
            names.push_back(archive.GetEntry(i).key.name);
        const std::vector<std::string> own = {"HEADER", "CAPTION",  "PLAYER", "SCREEN", "SCRIPTS", "RADAR",
                                              "GAMEDATA", "QUESTLOG", "ENV",  "ORGREL", "OTHERS"};
        ASSERT_GT(names.size(), own.size() + 1);
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + long(own.size())), own);
        EXPECT_EQ(names.front(), "HEADER");
        EXPECT_EQ(names.back(), "MAINMECH");
        EXPECT_EQ(std::count(names.begin(), names.end(), "TRADE"), 1);
    }

    // A fresh location and career, a different live picture.
    m_App.CloseGame();
    m_App.m_nGameMode = CMMApp::kModeNewGame;
    ASSERT_TRUE(m_App.PrepareGame()) << Tree().ErrorLog();
    PrepareWorld();
    g_GameData.OnNewGame();
    Paint(2);
    EXPECT_NE(FirstDifference(saved, DumpGameState()), "");

    // The save list's look changes nothing; then the game preparation puts
    // the glider where the header says, and the whole game is read.
    ASSERT_TRUE(m_Saves.LoadGame("round.sav", true)) << Tree().ErrorLog();
    EXPECT_EQ(Pixel(5, 7), 2u * 2654435761u + 7u * 128u + 5u);
    glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    glider->m_Frame.SetMatrix(m_Saves.m_mStartOrientation, false);
    glider->SetPosition(m_Saves.m_vStartPosition);
    // A glider made for the loaded game has empty guns: this one's go into
    // the stock that the load replaces. After the load the glider is armed
    // from the loaded mechanoid's stock.
    glider->UpdateAmmo(false, false);
    ASSERT_TRUE(m_Saves.LoadGame("round.sav", false)) << Tree().ErrorLog();
    glider->UpdateAmmo(true, false);
    EXPECT_EQ(Pixel(5, 7), 1u * 2654435761u + 7u * 128u + 5u);
    EXPECT_EQ(FirstDifference(saved, DumpGameState()), "");

    // Through a tunnel: the transfer stream carries the player's mechanoid;
    // one cut short changes nothing.
    ASSERT_TRUE(m_Saves.SaveMainMech());
    CMechanoid& mechanoid = *glider->m_pMechanoid;
    const float money = mechanoid.m_Garbage.m_fMoney;
    mechanoid.m_Garbage.m_fMoney = 1.0f;
    const std::uint32_t written = m_Saves.m_Transfer.m_nPosition;
    m_Saves.m_Transfer.m_nPosition = written - 20;
    EXPECT_FALSE(m_Saves.LoadMainMech());
    EXPECT_EQ(mechanoid.m_Garbage.m_fMoney, 1.0f);
    m_Saves.m_Transfer.m_nPosition = written;
    ASSERT_TRUE(m_Saves.LoadMainMech()) << Tree().ErrorLog();
    EXPECT_EQ(mechanoid.m_Garbage.m_fMoney, money);
    std::filesystem::remove(Tree() / "error.log"); // the cut stream's lines
}

} // namespace
