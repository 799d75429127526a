// CSavedGames: the player's three kinds of persistent state.
//
//  - the saved game: a keyed record archive (FileArchive) below
//    BASE "SAVES\", one record per chunk (SaveGame, LoadGame);
//  - the location state: a smaller archive "SAVES\LOCS\<location>_<n>" that
//    keeps a location's objects while the player is elsewhere (SaveLoc,
//    LoadLoc);
//  - the transfer stream: an in-memory stream that carries the player's
//    mechanoid through a tunnel to the next location (SaveMainMech,
//    LoadMainMech).
//
// BASE is m_sBaseDir, or the resource database's base directory when that
// is empty. Each owner writes its own chunk into the working stream; the
// records of a saved game come in this order:
//     HEADER   SSaveHeader, 516 bytes (below)
//     CAPTION  u32 length, the caption's characters (no terminator)
//     PLAYER   u32 length, the player's name (g_GameData)
//     SCREEN   128 rows of 512 bytes: the save-screen thumbnail, X8R8G8B8,
//              rows top to bottom (only when m_pScreen is set)
//     SCRIPTS  g_pScriptManager      RADAR    g_pRadar
//     GAMEDATA g_GameData            QUESTLOG g_pQuestLog
//     ENV      g_Environment         ORGREL   g_pOrgManager
//     OTHERS   u32 257, u32 camera mode (g_CameraMode, 0-6)
//     the world's own records (CWorld::SaveGame; "TRADE" is one of them)
//     MAINMECH the player's glider's stream state
// A chunk whose owner does not exist (no scripts, no radar) is left out.
// The goods trade's "TRADE" record has one owner, the world: it is the
// trade of the location's buildings, so it belongs in a location's state
// file as much as in the saved game, and the world writes it into both.
//
// SaveGame writes the whole archive to a temporary file beside the save
// and renames it over the old one only when every record and the file's
// close succeeded: a failed or interrupted save keeps the previous save and
// returns false with one error line.
//
// LoadGame rejects a file that is missing, not an archive, without HEADER,
// or whose HEADER has the wrong magic or size (one error line, false, the
// running game untouched). Otherwise each chunk present is handed to its
// owner; a damaged chunk is logged by name and its owner keeps its state,
// and the rest of the save still loads. MAINMECH is written but not read:
// the player's mechanoid comes back with the world's mech records.
//
// A header-only load (the save list's preview, the game preparation's
// first look) takes the header into m_Header and the application fields
// (map, start building, start placement, m_sLoadFile) and the SCREEN
// picture into m_Preview; it changes no live state: neither the
// environment's time nor the live save-screen surface.
//
// What the application does with it:
//   - keeps one CSavedGames; sets m_pScreen to its 128 x 128 thumbnail
//     surface (CMMApp::m_pThumbnail) and keeps m_szMapFile equal to the
//     current map file name;
//   - CMMApp::SaveGame(file, caption, extra) calls
//     SaveGame(file, caption, extra && *extra, extra) (extra: the building
//     the game is saved in, empty outside), after MakeScreenShot;
//   - CMMApp::LoadGame(file, headerOnly) calls LoadGame(file, headerOnly),
//     then takes m_szMapFile, m_szStartBuilding, m_vStartPosition and
//     m_mStartOrientation for the game preparation;
//   - the game cycle calls SaveLoc and SaveMainMech when the player leaves
//     a location, the game preparation LoadLoc(stateFile) and LoadMainMech
//     in the next one (the state file from g_GameData's SLocInfo), and
//     RestoreGliderState for every game it prepares;
//   - a saved game's preparation reads the whole save into a world
//     generated without its population, before the player's glider is
//     made: the glider is made for the loaded mechanoid (its launchers
//     armed from the loaded stock) and placed where the header says.
//
// Threads: main thread only.
#pragma once

#include "foundation/MemStream.h"
#include "foundation/Vector.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IArchive;
class FileArchive;

namespace plat::d3d
{
class Surface;
}

// The HEADER record (little-endian; bytes not listed are zero):
#pragma pack(push, 1)
struct SSaveHeader
{
    char magic[4] = {'M', 'M', '2', '0'}; //   0
    std::uint32_t version = 258;          //   4
    std::uint32_t outside = 1;            //   8  1 saved outside a building, 0 inside
    char caption[64] = {};                //  12  at most 63 characters
    char building[32] = {};               //  76  the building saved in (outside == 0)
    float position[3] = {};               // 108  player's glider
    char mapFile[256] = {};               // 120  current map file name
    float gameTime = 0.0f;                // 376  whole days + fraction of the day
    std::int32_t level = 0;               // 380  player's mech record's level
    std::uint32_t reserved = 0;           // 384
    float money = 0.0f;                   // 388  player's money
    char location[32] = {};               // 392  map file name without extension
    float orientation[16] = {};           // 424  player's glider's matrix
    std::uint8_t pad[28] = {};            // 488
};
#pragma pack(pop)
static_assert(sizeof(SSaveHeader) == 516);
static_assert(offsetof(SSaveHeader, caption) == 12);
static_assert(offsetof(SSaveHeader, building) == 76);
static_assert(offsetof(SSaveHeader, position) == 108);
static_assert(offsetof(SSaveHeader, mapFile) == 120);
static_assert(offsetof(SSaveHeader, gameTime) == 376);
static_assert(offsetof(SSaveHeader, money) == 388);
static_assert(offsetof(SSaveHeader, location) == 392);
static_assert(offsetof(SSaveHeader, orientation) == 424);

class CSavedGames
{
public:
    static constexpr std::uint32_t kHeaderVersion = 258;
    static constexpr std::uint32_t kOthersVersion = 257;
    static constexpr std::uint32_t kTransferVersion = 258;
    static constexpr int kScreenSize = 128;
    static constexpr std::uint32_t kScreenBytes = kScreenSize * kScreenSize * 4;
    static constexpr std::uint32_t kTransferMinimum = 500;
    // The record keys in their order of declaration.
    static constexpr const char* kChunkNames[] = {"CAPTION", "PLAYER", "HEADER",   "SCREEN", "SCRIPTS",
                                                  "RADAR",   "GAMEDATA", "QUESTLOG", "TRADE",  "ENV",
                                                  "ORGREL",  "OTHERS", "MAINMECH"};

    CSavedGames();
    ~CSavedGames();
    CSavedGames(const CSavedGames&) = delete;
    CSavedGames& operator=(const CSavedGames&) = delete;

    // Writes BASE "SAVES\" file. inside: saved inside the building named
    // building. False (one error line, the previous file as it was) when
    // anything could not be written.
    bool SaveGame(const char* file, const char* caption, bool inside, const char* building);
    // Reads BASE "SAVES\" file: with headerOnly true when SCREEN was
    // present; else true when the game was read. False (one error line,
    // nothing changed) for a missing or unreadable file or header.
    bool LoadGame(const char* file, bool headerOnly);
    // Writes the current location's state file (a new number, the older
    // state files of the location deleted) and records its name in every
    // SLocInfo of the location. False (logged) when it was not written.
    bool SaveLoc();
    // Reads BASE "SAVES\LOCS\" file; false when it cannot be opened. The
    // player's ammunition stock stays the player's (the glider's mechanoid,
    // or before the glider is made the world's player record's), and no
    // ammunition waits for the guns.
    bool LoadLoc(const char* file);
    // The player's mechanoid and its transfer state into m_Transfer; false
    // without a player glider and its mechanoid.
    bool SaveMainMech();
    // ... and back from it; false (logged, the player as it was) without a
    // player glider or for a damaged stream.
    bool LoadMainMech();

    // The player's glider takes back the transfer block's reserve charge
    // (g_MMEngine's block, seventh word) and, from its mechanoid, the three
    // device switches the player works in flight (disperse shield, booster,
    // invisibility shield): a switch whose device is fitted and on turns
    // its item on, and a running invisibility hides the glider.
    static void RestoreGliderState();
    // The version word and the 32-byte transfer block from the stream
    // (version 257 carries only its first 28 bytes; the rest is zero).
    static void ReadTransferBlock(CMemStream& stream, std::uint8_t block[32]);
    // The location name of a map file name: cut at its last '.', at most
    // 31 characters.
    static std::string LocationOf(const char* mapFile);
    // The full path of a file below BASE "SAVES\" (and "LOCS\").
    std::string SavePath(const char* file) const;
    std::string LocPath(const char* file) const;

    // The application's fields a save reads and a load fills.
    std::string m_sBaseDir;
    char m_szMapFile[256] = {};
    char m_szStartBuilding[32] = {};
    CVector m_vStartPosition;
    CMatrix m_mStartOrientation{1.0f};
    std::string m_sLoadFile;
    // The save-screen thumbnail, 128 x 128 X8R8G8B8 (not owned; may be null).
    plat::d3d::Surface* m_pScreen = nullptr;
    // What the last load read: the header, and the preview picture of a
    // header-only load (kScreenBytes, empty without SCREEN).
    SSaveHeader m_Header;
    std::vector<std::uint8_t> m_Preview;
    // The transfer stream: the player's mechanoid, u32 258, the engine's
    // 32-byte transfer block (g_MMEngine.m_TransferBlock), u32 camera mode,
    // u8 1 when the player's record carries a second mechanoid, and then
    // that mechanoid.
    CMemStream m_Transfer;
    // Tests: called with its key after each record of a saved game or a
    // location state file is written, the world's records included.
    std::function<void(const char* record)> m_OnRecordWritten;

private:
    bool WriteGame(IArchive& archive, const char* caption, bool inside, const char* building);
    bool Store(IArchive& archive, const char* name);
    void FillHeader(SSaveHeader& header, const char* caption, bool inside, const char* building) const;
    // The record's bytes into out (sized to the record); false (logged)
    // when absent or unreadable.
    bool Fetch(IArchive& archive, const char* name, bool logAbsent, CMemStream& out);
    // Hands a present record to read; a damaged one is logged by name.
    void ReadChunk(IArchive& archive, const char* name, const std::function<void(CMemStream&)>& read);
    void ApplyHeader(const SSaveHeader& header);
    void ApplyScreen(const std::vector<std::uint8_t>& pixels);
    void TakeScreen(std::vector<std::uint8_t>& pixels) const;

    CMemStream m_Stream;
};
