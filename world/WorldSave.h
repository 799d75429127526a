// Saved-game files of the world: a keyed record archive (FileArchive) with
// the world's records (CWorld::SaveGame), used for the whole game's save
// and for the per-location saves below "SAVES\LOCS\".
//
// A save is written whole to a temporary file beside the target and only
// then renamed over it, so a crash or a full disk during the save leaves
// the previous save as it was. Threads: main thread.
#pragma once

class CWorld;

// False (one error line; the previous file untouched) when any record or
// the file itself could not be written.
bool SaveWorldFile(CWorld& world, const char* path);
// False (one error line) when the file does not open as an archive;
// damaged records are logged by the world's LoadGame.
bool LoadWorldFile(CWorld& world, const char* path);
