// What the menus need of the game application that it does not offer yet:
// the player's and the clan's names in the progress data and the switch of the
// game-event sink's messages. The application fills the table when it
// starts; an unset entry does nothing.
//
// Stand-in: the player's progress data (the clan name beside the player's
// name) and the sink's enable flag do not exist yet; once they do, the
// console base calls them directly and this table goes. The player's name
// already has its seam in the script built-ins' table (g_ScriptGameCalls.
// setPlayerName), which the console base uses.
//
// Main thread only.
#pragma once

struct SMenuGameCalls
{
    // The player's name in the progress data ("" when unset).
    const char* (*playerName)() = nullptr;
    // The player's clan name in the progress data.
    void (*setClanName)(const char* name) = nullptr;
    // The game-event sink's messages on or off (a conviction asked from a
    // console runs with them off).
    void (*enableEventMessages)(bool on) = nullptr;
};

inline SMenuGameCalls g_MenuGameCalls;
