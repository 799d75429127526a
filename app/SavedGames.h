// ISavedGames: the saved games as the application calls them
// (CMMApp::SaveGame and CMMApp::LoadGame).
//
// The saved-game code implements it and installs it in g_pSavedGames for as
// long as it lives. Without one the application writes and reads nothing:
// each call logs one line and fails, so a menu that asked for a load shows
// again and nothing is half-loaded.
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
