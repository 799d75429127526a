// ISaveLoadPanel: what the main and pause menus need of the save/load
// screen, which lives above them (consoles/) and is made by its class id
// "IGUID_CSaveLoadGC" through the class factory: a group control that also
// implements this interface. The menu initialises it with its rectangle,
// mode and the screen, then moves its frame onto the menu's dialog area;
// the glow frame reads that frame back.
//
// Before the panel ends the menu with 1003 (load) or 1007 (save) it hands
// the chosen caption and file name to the menu (CMainUI::SetParameters).
//
// Threads: main thread only.
#pragma once

#include "platform/Types.h"

class IUI;

class ISaveLoadPanel
{
public:
    static constexpr const char* kClassId = "IGUID_CSaveLoadGC";

    virtual ~ISaveLoadPanel() = default;
    // saveMode: false load, true save.
    virtual void InitPanel(const plat::Rect& rect, bool saveMode, IUI* screen) = 0;
    virtual void SetPanelRect(const plat::Rect& rect) = 0;
    virtual plat::Rect GetPanelRect() const = 0;
};
