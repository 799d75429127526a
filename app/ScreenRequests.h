// What the application asks of the screens it runs. The screens live above
// the application (menus/); a screen that can answer a request implements
// its interface, and the application asks through a dynamic_cast of the
// running screen. A screen that does not implement it has nothing to say.
//
// Threads: main thread only.
#pragma once

#include <string>

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
