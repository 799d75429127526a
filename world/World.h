// CWorld: the world state of the current game (g_pWorld), created anew by
// the world engine for every location entered; CMech: one mechanoid's
// record in it.
//
// Stand-in: only what the world engine and the object list's sensors use:
// the location name and number, the mechanoid records looked up by id
// (each with its current object and dead mark), the equipment-trade object
// made through the class factory ("IGUID_IEqpTrade") and the location-data
// block kept as read. Buildings, organisations, groups, the clock, world
// generation and the saved form are not here yet.
//
// Ownership: the world owns its mechanoid records and its equipment-trade
// object. Threads: main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CMMObject;
class CMemStream;
class IEqpTrade;

class CMech
{
public:
    char m_szId[32] = {};
    // The mechanoid's object in the location, null when it has none.
    CMMObject* m_pObject = nullptr;
    // Marked by CMech::Kill.
    std::uint8_t m_bDead = 0;
};

class CWorld
{
public:
    CWorld();
    ~CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    // The equipment-trade object through the class factory; none (logged
    // once) when nobody registered the id.
    void CreateEqpTrade();
    // Block 4 of the objects file: kept as read.
    void LoadLocationData(CMemStream& stream);
    CMech* FindMech(const char* id);
    CMech* AddMech(const char* id);

    char m_szLocationName[32] = {};
    std::int32_t m_nLocationNumber = -1;
    IEqpTrade* m_pEqpTrade = nullptr;
    std::vector<std::uint8_t> m_LocationData;
    std::vector<std::unique_ptr<CMech>> m_Mechs;
};

extern CWorld* g_pWorld;
