// CMissionWorldObjects: the part of IMissionWorld that the world's object
// list answers today: SHOWOBJECT/HIDEOBJECT on an object by its game id
// (its shown flag and its changed mark) and the system points that
// SHOWOBJECTATPOS asks for, both through g_ObjectList.
//
// What it lacks: groups (the world's group list), the player's mechanoid,
// cargo and money (units), organisations (society), the radar's marks, the
// sound cues, the game clock (environment) and the application's pause,
// special actions and settings. Those keep IMissionWorld's neutral
// defaults; the game's set-up derives from this class and overrides them as
// those subsystems land.
//
// Threads: main thread only.
#pragma once

#include "script/MissionWorld.h"

class CObjectList;

class CMissionWorldObjects : public IMissionWorld
{
public:
    // The list asked; the game's g_ObjectList by default.
    explicit CMissionWorldObjects(CObjectList* list = nullptr);

    EShowResult ShowObject(const char* name, bool show) override;
    bool HasSystemPoint(const char* name) override;

private:
    CObjectList& List() const;

    CObjectList* m_pList;
};
