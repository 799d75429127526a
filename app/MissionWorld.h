// CGameMissionWorld: the mission scripts' view of the running game
// (g_pMMScriptManager's world from start-up to shutdown): the environment's
// day count and the frame timer's clock, the sound table's 2-D cues, the
// player's mechanoid (money, rating level, organisation, glider, cargo,
// damage; given and taken items through the game scripts' built-ins 6, 21
// and 22, so that both kinds of script fit a item the same way), the radar's
// marks, the object list's sensors, the groups and the road nodes, and the
// application's pause and the event sink's special actions and messages.
//
// Without a player mechanoid the player's questions answer nothing and
// changes do nothing. Threads: main thread only.
#pragma once

#include "script/MissionWorldObjects.h"

class CMMApp;
class CMechanoid;

class CGameMissionWorld : public CMissionWorldObjects
{
public:
    explicit CGameMissionWorld(CMMApp* app) : m_pApp(app) {}

    float GameClock() override;
    double EngineTime() override;
    void PlaySound(const char* name) override;
    float PlayerMoney() override;
    void AddPlayerMoney(float amount) override;
    int PlayerRatingLevel() override;
    std::string PlayerOrganisation() override;
    std::string PlayerGliderType() override;
    bool PlayerHasEquipment(const char* name) override;
    int CargoMechanoids(const char* name) override;
    int CargoGoods(const char* name) override;
    bool GiveObject(const char* name, int count) override;
    void RemoveGoods(const char* name, int count) override;
    bool PlayerBadlyDamaged() override;
    bool PlayerDamaged() override;
    void KillPlayer() override;
    bool IsPaused() override;
    void TogglePause() override;
    int RunSpecialAction(int action) override;
    void OnTimerRun() override;
    void Mark(const char* name) override;
    void Unmark(const char* name) override;
    void AddSensor(const char* name) override;
    bool HasGroup(const char* name) override;
    bool HasRoadNode(const char* name) override;

private:
    static CMechanoid* Player();
    CMMApp* m_pApp;
};
