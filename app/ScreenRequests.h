// What the application asks of the screens it runs. The screens live above
// the application (menus/); a screen that can answer a request implements
// its interface, and the application asks through a dynamic_cast of the
// running screen. A screen that does not implement it has nothing to say.
//
// Threads: main thread only.
#pragma once

#include "platform/Types.h"

#include <string>

class IUI;

// The main and pause screens after 1003 (load) or 1007 (save): the saved
// game chosen, its caption (at most 63 characters) and its file name.
class ISavedGameChooser
{
public:
    virtual ~ISavedGameChooser() = default;
    virtual bool GetChosenSave(std::string& caption, std::string& file) = 0;
};

// The tunnel menu after 1008: the location the journey goes to (its name
// without extension).
class ITunnelDestination
{
public:
    virtual ~ITunnelDestination() = default;
    virtual const char* GetDestination() = 0;
};

// The save/load panel's choice, handed to the main or pause screen that
// shows it before it ends that screen with 1003 (load) or 1007 (save): the
// row's label (the caption a save is written with) and the file name below
// "SAVES\". The screen keeps both for GetChosenSave.
#pragma pack(push, 1)
struct SSaveChoice
{
    char label[64] = {};
    char file[260] = {};
};
#pragma pack(pop)
static_assert(sizeof(SSaveChoice) == 324);

class ISaveChoiceTaker
{
public:
    virtual ~ISaveChoiceTaker() = default;
    virtual void SetSaveInfo(const SSaveChoice& choice) = 0;
};

// The save/load panel as the main and pause screens drive it: made through
// the class factory ("IGUID_CSaveLoadGC"), set up in load (saveMode false)
// or save mode with the screen that receives its choice, then placed
// beside the screen's menu (the panel and everything on it moves).
class ISaveLoadPanel
{
public:
    static constexpr const char* kClassId = "IGUID_CSaveLoadGC";

    virtual ~ISaveLoadPanel() = default;
    virtual void Init(const plat::Rect& rect, bool saveMode, IUI* screen) = 0;
    virtual void SetPanelRect(const plat::Rect& rect) = 0;
    // The frame the panel was placed in (the screens' glow frame reads it).
    virtual plat::Rect GetPanelRect() const = 0;
};

// A screen with consoles (the building, tunnel and glider menus): the vital
// results of a script shown in a box inside the console in front, which
// takes the pending results. False when no console is in front.
class IVitalResultsView
{
public:
    virtual ~IVitalResultsView() = default;
    virtual bool ShowVitalResults() = 0;
};
