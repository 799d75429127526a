// CMMEngine: the game level's engine (one instance, g_MMEngine). It carries
// out the two start-up roads of the game level:
//
// - MMInit, at program start on the application's second loader thread:
//   every object-kind manager from its database section in a fixed order,
//   the location object, the configuration ([MMCONFIG] and [SND_ENG] of
//   cfg.ini), the table of resource ids the kinds share, the trade object
//   and the organisation manager. It reads the database and files only and
//   touches no device state, so any thread may run it while the main
//   thread draws the loading screen (the stage it reached is published in
//   g_nLoadingStage).
//
// - LoadWorld, on the main thread when a location is entered: a fresh
//   world, the location's objects file (typed object sections, then five
//   blocks: group descriptions, trade, music, world data, equipment trade),
//   then its map file through the location (WorldTerrain.h).
//
// Objects file layout (little-endian):
//   u32 N; N x (u32 type code, that kind's block as its manager reads it);
//   5 x (u32 length L, L bytes): groups, trade, music, world data,
//   equipment trade.
// A block whose length passes the end of the file is logged (file, block,
// reason) and it and the blocks after it are taken as missing. Only the
// equipment-trade block is guarded: its failure or absence shows a
// message box and loading goes on (maps older than that block).
//
// Ownership: the engine owns the world, the organisation manager and the
// trade object (g_pTrade). Threads: MMInit on one loader thread while
// nothing else touches the managers; everything else on the main thread.
#pragma once

#include "world/LocMusic.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CMMObject;
class CMMObjectManager;
class CPakStream;
class DefaultManager;
class CWorld;
class IMMTrade;
class IOrgManager;

// The units' managers the engine initialises, hands their sections of the
// objects file and looks resource names up in. The world does not link the
// units library: the units fill this table (RegisterUnitManagers,
// units/KindManagers.h) before MMInit. An empty entry is skipped: its
// section is not read, its objects-file section is logged as unknown and
// read past, and names are not found in it.
struct SUnitManagers
{
    DefaultManager* glider = nullptr;
    DefaultManager* explo = nullptr;
    DefaultManager* missile = nullptr;
    DefaultManager* equipment = nullptr;
    DefaultManager* gun = nullptr;
    DefaultManager* modif = nullptr;
    DefaultManager* goods = nullptr;
    DefaultManager* mechConfig = nullptr;
    DefaultManager* flyTeh = nullptr;
    DefaultManager* gatherer = nullptr;
    DefaultManager* capsule = nullptr;
    CMMObjectManager* tower = nullptr;
    CMMObjectManager* tank = nullptr;
    // The explosion manager's two flag tables, which start-up sets to 1.
    std::uint8_t* exploFlags[2] = {};
    std::size_t exploFlagCount = 0;
};
extern SUnitManagers g_UnitManagers;

class CMMEngine
{
public:
    static constexpr int kSingleIds = 6;
    static constexpr int kResourceIds = 24;
    // Entries of m_nResourceIds: "TEX_FX_ROCKET_SMOKE" (the missiles' and
    // gliders' smoke), "MOD_FX_FORCE_3" (the shield model) and
    // "TEX_FX_BORDER" (the boundary fence's texture), "MUS_OBSERVER" (the
    // music of the end texts).
    static constexpr int kSmokeTexture = 4;
    static constexpr int kShieldModel = 9;
    static constexpr int kBoundaryTexture = 16;
    static constexpr int kEndMusic = 23;
    static constexpr int kManagers = 25;
    static constexpr int kBlocks = 5;

    // Message box of the engine (text, no caption, error icon); tests
    // replace it.
    using FMessageBox = void (*)(const char* text);

    CMMEngine();
    ~CMMEngine();
    CMMEngine(const CMMEngine&) = delete;
    CMMEngine& operator=(const CMMEngine&) = delete;

    void MMInit();
    void ReadConfig();
    void InitResourceIds();
    void LoadWorld(const char* fileName);
    // The object sections of the objects file open in the pack file
    // system's current stream.
    void LoadObjects();
    void Done();

    // The location name (base name without folder and extension) and
    // number of a location's file name.
    static void GetLocationName(const char* fileName, char name[32], std::int32_t* number);
    // The database section of manager i (0..24) in MMInit's order.
    static const char* GetManagerSection(int i);

    // Set by game code and scripts to end the game cycle; it also ends a
    // running menu, whose modal loop clears it when it starts.
    std::uint8_t m_bLeaveCycle = 0;
    // Why the cycle ends (1-10; the game application's table), set with
    // the flag.
    std::int32_t m_nExitReason = 0;
    // The game's difficulty (0..2) and whether quick saves are allowed
    // outside buildings ("Difficulty" and "OutsideSave" of cfg.ini, read
    // by the application at start-up).
    std::int32_t m_nDifficulty = 0;
    std::uint8_t m_bOutsideSave = 0;
    // What a journey carries to the next location beside the player's
    // mechanoid: 63 words and the index of the next free one (-1: empty).
    static constexpr int kTransferWords = 63;
    std::int32_t m_nTransfer[kTransferWords] = {};
    std::int32_t m_nTransferIndex = -1;
    // The 32-byte block the transfer stream carries through a tunnel with
    // the player's mechanoid; its seventh word holds the player glider's
    // reserve charge (the application's SaveMainMech and LoadMainMech).
    static constexpr int kTransferBlockBytes = 32;
    static constexpr int kTransferBlockGliderWord = 6;
    std::uint8_t m_TransferBlock[kTransferBlockBytes] = {};
    // The id the next network object gets (a network game starts it at the
    // player's id), and the frame flag a network game clears per pass.
    std::int32_t m_nObjectIdCounter = 0;
    std::uint8_t m_bFrameFlag = 0;
    // The current building (filled by the application's building event).
    std::uint8_t m_bInBuilding = 0;
    std::int32_t m_nBuildingState = 0;
    char m_szBuildingId[32] = {};
    char m_szBuildingName[32] = {};
    CMMObject* m_pBuilding = nullptr;

    // GUN_BOMB_LAUNCHER, GUN_ROCKET_LAUNCHER, SND_T_DOOR_OPENING,
    // SND_G_MISC_PICKUP, TEX_SUN_FRONT, TEX_SUN_BACK.
    std::int32_t m_nSingleIds[kSingleIds] = {-1, -1, -1, -1, -1, -1};
    // The glider's engine sound: idle, basic and afterburner loops, then
    // volumes (0..1), frequencies and the speed they are reached at.
    std::int32_t m_nEngineSounds[3] = {-1, -1, -1};
    float m_fMinVolume = 0.0f;
    float m_fMaxVolume = 1.0f;
    float m_fMinFreq = 20000.0f;
    float m_fMaxFreq = 40000.0f;
    float m_fMaxSpeed = 300.0f;
    std::int32_t m_nResourceIds[kResourceIds] = {};
    SLocMusic m_LocMusic;
    CWorld* m_pWorld = nullptr;
    IOrgManager* m_pOrgManager = nullptr;

    // The objects and map paths of the last LoadWorld.
    std::string m_sObjectsPath;
    std::string m_sMapPath;
    // The root the data paths start with ("" = the working directory).
    std::string m_sRoot;
    FMessageBox m_pfnMessageBox = nullptr;

private:
    // Reads block i of the objects file into stream; false when it is
    // missing or passes the end of the file (logged).
    bool ReadBlock(CPakStream& file, int block, class CMemStream& stream);
    bool OpenObjectsFile(const std::string& path);
    void OpenMapFile();
};

extern CMMEngine g_MMEngine;
extern IMMTrade* g_pTrade;
// The engine's organisation manager (its m_pOrgManager) while it has one.
extern IOrgManager* g_pOrgManager;
// [MMCONFIG] FIXCURSOR = 1.
extern bool g_bFixCursor;
