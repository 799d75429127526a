// A game on the sample location saved through the application and loaded
// by a second application started afterwards: the player flies, is hurt,
// earns money and rating, a quest part, a script variable and a radar mark
// are set and the location's groups travel its roads; the second
// application loads the save as the main menu does (the header, then the
// game preparation of a saved game) and the whole game state (the one
// dump, DumpGameState) is what it was when the game was saved; the save's
// records lie in their order, and the groups that flew fly again.
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
#include "world/MMEngine.h"
#include "world/Camera.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
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
    static void Paint(plat::d3d::Surface* surface, std::uint32_t seed)
    {
        plat::d3d::SLockedRect locked{};
        ASSERT_TRUE(plat::Succeeded(surface->LockRect(&locked, nullptr, 0)));
        for (int y = 0; y < CSavedGames::kScreenSize; ++y)
            for (int x = 0; x < CSavedGames::kScreenSize; ++x)
                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                    seed * 2654435761u + std::uint32_t(y * 128 + x);
        surface->UnlockRect();
    }
    static std::uint32_t Pixel(plat::d3d::Surface* surface, int x, int y)
    {
        plat::d3d::SLockedRect locked{};
        EXPECT_TRUE(plat::Succeeded(surface->LockRect(&locked, nullptr, plat::d3d::D3DLOCK_READONLY)));
        const std::uint32_t v =
            reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
        surface->UnlockRect();
        return v;
    }
    // The ids of the group members whose machines fly in the location.
    static std::set<std::string> FlyingMachines()
    {
        std::set<std::string> ids;
        SPointerArray<CMMObject> gliders;
        g_ObjectList.GetObjectList(OBJ_GLIDER, gliders);
        for (int i = 0; i < gliders.count; ++i)
        {
            auto* glider = dynamic_cast<CGliderObject*>(gliders.items[i]);
            if (!glider || !glider->m_bAlive || !glider->m_pMech || glider == g_pPlayerGlider) continue;
            const std::vector<CMech*>& mechs = g_pWorld->m_Mechs;
            EXPECT_TRUE(std::find(mechs.begin(), mechs.end(), glider->m_pMech) != mechs.end())
                << "a machine flies on a record the world does not hold";
            ids.insert(glider->m_pMech->m_szId);
        }
        return ids;
    }

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
    Paint(m_App.m_pThumbnail, 1);
    const std::set<std::string> flying = FlyingMachines();
    ASSERT_FALSE(flying.empty()) << "no group flies near the player: the test sees nothing come back";

    ASSERT_TRUE(m_App.SaveGame("round.sav", "Round trip", "")) << Tree().ErrorLog();
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

    // The application ends; a second one starts and loads the save as the
    // main menu's Load does: the header first, then the game preparation of
    // a saved game (the world without its population, the whole save read,
    // the player's glider made for the loaded mechanoid and placed where the
    // header says).
    m_Menus.Remove();
    m_App.CloseGame();
    g_GameData.OnNewGame();
    m_App.Done();
    ASSERT_EQ(Tree().ErrorLog(), "");

    apptest::CSampleApp fresh;
    std::string commandLine;
    ASSERT_TRUE(fresh.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "a fresh application"))
        << Tree().ErrorLog();
    gametest::g_GameDriver.Attach(&fresh);
    ASSERT_TRUE(fresh.LoadGame("round.sav", true)) << Tree().ErrorLog();
    fresh.m_nGameMode = CMMApp::kModeSavedGame;
    ASSERT_TRUE(fresh.PrepareGame()) << Tree().ErrorLog();
    PrepareWorld();
    EXPECT_EQ(FirstDifference(saved, DumpGameState()), "");
    EXPECT_EQ(Pixel(fresh.m_pThumbnail, 5, 7), 1u * 2654435761u + 7u * 128u + 5u);

    // The saved groups near the player fly again with the first frame.
    Tick();
    ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    const std::set<std::string> again = FlyingMachines();
    EXPECT_TRUE(std::includes(again.begin(), again.end(), flying.begin(), flying.end()))
        << "machines that flew before the save: " << ::testing::PrintToString(flying)
        << "; after the load: " << ::testing::PrintToString(again);

    // Through a tunnel: the transfer stream carries the player's mechanoid
    // with its switched devices, the engine's block with the glider's
    // reserve charge, and the camera mode; one cut short changes nothing.
    glider = gametest::g_GameDriver.GetPlayerGlider();
    CMechanoid& mechanoid = *glider->m_pMechanoid;
    ASSERT_GE(mechanoid.AddToConfig("EQP_BOOSTER", "", 1, 0, false), 0.0f) << Tree().ErrorLog();
    mechanoid.UpdateEquipment();
    ASSERT_TRUE(mechanoid.IsFitted(EQP_BOOSTER));
    mechanoid.SetDeviceOn(EQP_BOOSTER, true);
    // The mechanoid's items are made anew by each read.
    const auto booster = [&] { return mechanoid.GetAddEquipment(int(mechanoid.m_Devices[EQP_BOOSTER].m_nIndex) - 1); };
    ASSERT_NE(booster(), nullptr);
    glider->m_fReserve = 12.5f;
    g_MMEngine.m_TransferBlock[0] = 0x5A;
    g_CameraMode = 0;
    ASSERT_TRUE(fresh.SaveMainMech()) << Tree().ErrorLog();

    const float money = mechanoid.m_Garbage.m_fMoney;
    const auto arrive = [&]
    {
        mechanoid.m_Garbage.m_fMoney = 1.0f;
        booster()->m_bFlag = 0;
        glider->m_fReserve = 0.0f;
        std::memset(g_MMEngine.m_TransferBlock, 0, sizeof g_MMEngine.m_TransferBlock);
        g_CameraMode = 1;
    };
    arrive();
    CMemStream& transfer = fresh.m_SavedGames.m_Transfer;
    const std::uint32_t written = transfer.m_nPosition;
    transfer.m_nPosition = written - 20;
    EXPECT_FALSE(fresh.LoadMainMech());
    EXPECT_EQ(mechanoid.m_Garbage.m_fMoney, 1.0f);
    EXPECT_EQ(glider->m_fReserve, 0.0f);
    EXPECT_EQ(g_CameraMode, 1);
    std::filesystem::remove(Tree() / "error.log"); // the cut stream's line

    transfer.m_nPosition = written;
    ASSERT_TRUE(fresh.LoadMainMech()) << Tree().ErrorLog();
    EXPECT_EQ(mechanoid.m_Garbage.m_fMoney, money);
    ASSERT_NE(booster(), nullptr);
    EXPECT_EQ(booster()->m_bFlag, 1);
    EXPECT_EQ(glider->m_fReserve, 12.5f);
    EXPECT_EQ(g_MMEngine.m_TransferBlock[0], 0x5A);
    EXPECT_EQ(g_CameraMode, 0);
    // A switch the stream brought back on turns its item on again.
    booster()->m_bFlag = 0;
    fresh.RestoreGliderState();
    EXPECT_EQ(booster()->m_bFlag, 1);

    // A location's state read back before the player's glider is made (a
    // journey's preparation) leaves the player's own ammunition stock as it
    // is, and no ammunition waiting for the guns.
    ASSERT_TRUE(fresh.SaveLoc()) << Tree().ErrorLog();
    const SLocInfo* info = g_GameData.FindLocInfo(fresh.m_szLocationName);
    ASSERT_NE(info, nullptr);
    const std::string state = info->stateFile;
    const std::uint32_t stored = mechanoid.m_nMissileCount;
    ASSERT_LT(stored, std::uint32_t(CMechanoid::kMaxMissiles));
    mechanoid.m_Missiles[stored] = SMissileStock{STypeKey(glider->m_Guns[2].m_iMissile), 7};
    mechanoid.m_nMissileCount = stored + 1;
    mechanoid.m_fWaitingAmmo[0] = 5.0f;
    g_pPlayerGlider = nullptr;
    const bool read = fresh.LoadLoc(state.c_str());
    g_pPlayerGlider = glider;
    ASSERT_TRUE(read) << Tree().ErrorLog();
    ASSERT_EQ(mechanoid.m_nMissileCount, stored + 1);
    EXPECT_EQ(mechanoid.m_Missiles[stored].m_nCount, 7u);
    EXPECT_EQ(mechanoid.m_fWaitingAmmo[0], 0.0f);

    fresh.CloseGame();
    g_GameData.OnNewGame();
    fresh.Done();
}

} // namespace
