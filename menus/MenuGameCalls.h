// What the menus need of the game application that it does not offer yet:
// the switch of the game-event sink's messages. The application fills the
// table when it starts; an unset entry does nothing.
//
// Stand-in: the sink's enable flag does not exist yet; once it does, the
// console base calls it directly and this table goes. (The player's and
// the clan's names are the player's progress data, g_GameData.)
//
// Main thread only.
#pragma once

struct SMenuGameCalls
{
    // The game-event sink's messages on or off (a conviction asked from a
    // console runs with them off).
    void (*enableEventMessages)(bool on) = nullptr;
};

inline SMenuGameCalls g_MenuGameCalls;
