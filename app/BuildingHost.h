// The application's side of buildings (IBuildingHost): the player's glider,
// the building event, the groups by name (the world's group list) and, for
// now, nothing of towers (they are never alarmed).
//
// The building event: when the player's glider enters a building, the
// world engine's current-building fields are filled (m_bInBuilding, the
// building's game id and kind name, the object), the event is logged and
// the game cycle ends with the reason "entered a building", on which the
// application runs the building menu (whose quest console raises the
// building's script event "OnEnterBuild"). A glider of a group that
// enters goes in with its mech (the group's MechEnterBuilding).
//
// Ownership: installed (g_pBuildingHost) by the game preparation while a
// location is entered. Threads: main thread.
#pragma once

#include "units/BuildingObject.h"
#include "world/GameWorldState.h"

class CGameBuildingHost : public IBuildingHost
{
public:
    void Install() { g_pBuildingHost = this; }
    // Also forgets the current building: it goes with the location, and a
    // world entered later must not find the player inside it.
    void Uninstall();
    // The engine's current building is none (the player has left it).
    static void ForgetCurrentBuilding();

    CGliderObject* GetPlayerGlider() override;
    void OnEnterBuilding(CBuildingObject& building, CGliderObject& glider) override;
    const char* GetGroupName(const CMechGroup2* group) override;
    CMechGroup2* FindGroup(const char* name) override;
    bool IsGroupDone(const CMechGroup2* group) override;
    // Spending counts in the player's progress through the event sink.
    void OnSpendMoney(float amount, int kind) override
    {
        if (g_pAppEvent) g_pAppEvent->OnSpendMoney(amount, kind);
    }
    std::int32_t GetOrgIconModel(const char*) override { return -1; }
    float GetTowerMaxViewDistance() override { return 0.0f; }
    bool TowerWatches(CMMObject*, const CVector&) override { return false; }
    void AlarmTower(CMMObject*, CMMObject*) override {}

    // Times the player entered a building.
    int m_nEntered = 0;
};
