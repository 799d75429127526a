// ISavedGames: the saved games as the application calls them
// (CMMApp::SaveGame and CMMApp::LoadGame).
//
// A test installs its own in g_pSavedGames to see what the menus ask for;
// without one the application uses its own saved games (CSavedGames,
// app/SaveGameFile.h).
//
// Threads: main thread only.
#pragma once

class ISavedGames
{
public:
    virtual ~ISavedGames() = default;
    // Writes the game to file (a name below "SAVES\") with its caption and
    // the extra name (the building saved in, or empty); false when it was
    // not written, the file as it was before.
    virtual bool SaveGame(const char* file, const char* caption, const char* extra) = 0;
    // With headerOnly, records the file and takes from its header what the
    // game preparation needs (the map, the start building, the glider's
    // placement); without, reads the whole game. False when the file or its
    // header cannot be read: then nothing has changed.
    virtual bool LoadGame(const char* file, bool headerOnly) = 0;
};

inline ISavedGames* g_pSavedGames = nullptr;
