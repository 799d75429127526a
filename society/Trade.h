// The interfaces of the trade, equipment-trade and organisation objects
// that the world engine creates through the class factory and hands its
// blocks of the location's objects file.
//
// Stand-in: the interfaces only, with the operations the world engine
// calls (and, of the organisation manager, the name look-up and the
// relation query the building menu's music choice asks); the implementations (CMMTrade, CEqpTrade, COrgManager) and every
// other operation come with the organisations and trade subsystem, which
// registers them under "IGUID_IMMTrade", "IGUID_IEqpTrade" and
// "IGUID_IOrgManager". Until then the engine runs without them.
#pragma once

#include "foundation/ClassFactory.h"

#include <cstdint>

class CMemStream;

class IMMTrade : public IBaseInterface
{
public:
    // Block 2 of the objects file (and the saved game's "TRADE" record);
    // may throw on a damaged block.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // The saved game's "TRADE" record (written empty until the trade exists).
    virtual void SaveToStream(CMemStream& /*stream*/) {}
    // The step after loading (prices and stock brought up to date).
    virtual void AfterLoad() = 0;
};

class IEqpTrade : public IBaseInterface
{
public:
    // Block 5 of the objects file (and the saved game's "TRADEEQP"
    // record); may throw on a damaged or missing block.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // The saved game's "TRADEEQP" record (empty until the trade exists).
    virtual void SaveToStream(CMemStream& /*stream*/) {}
};

class IOrgManager : public IBaseInterface
{
public:
    // The organisations' database section ("Организации").
    virtual bool InitFromDB(const char* section) = 0;
    // Its own set-up after the database.
    virtual void SetUp() = 0;
    // The organisation's index in the manager's list, -1 when unknown.
    virtual std::int32_t FindByName(const char* name) = 0;
    // The relation of organisation a towards b, -1 (war) to 1 (allies).
    virtual float GetRelation(std::int32_t a, std::int32_t b, int flag) = 0;
};
