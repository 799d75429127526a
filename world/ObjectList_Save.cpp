// The object list's saved state (the OBJECTS record of a saved game) and
// the network time-out.
#include "world/ObjectList.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/StreamReader.h"
#include "world/ObjectScene.h"
#include "world/StoneObject.h"
#include "world/TheThing.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace
{
constexpr std::uint32_t kHeaderSize = 40;
constexpr double kNetTimeOut = 2.0;

// A new object of a kind a saved game may hold that the location does not
// make again, or null.
CMMObject* MakeSaved(std::int32_t type)
{
    switch (type)
    {
    case OBJ_STONE:
        return new CStoneObject;
    case OBJ_THING:
        return new CTheThing;
    default:
        return g_UnitKinds.makeSaved ? g_UnitKinds.makeSaved(type) : nullptr;
    }
}
} // namespace

void CObjectList::SaveGame(CMemStream& stream)
{
    XTRACE("CObjectList::SaveGame");
    const std::uint32_t countAt = stream.m_nPosition;
    std::int32_t count = 0;
    stream.Write(&count, 4);
    for (CMMObject* o : m_Objects)
    {
        if (!o->m_bSave || !o->m_bAlive) continue;
        char id[32] = {};
        CopyName(id, o->m_szGameId);
        stream.Write(id, sizeof id);
        stream.Write(&o->m_nType, 4);
        stream.Write(&o->m_nObjectNumber, 4);
        o->SaveGame(stream);
        ++count;
    }
    std::memcpy(stream.m_pData + countAt, &count, 4);
    for (int i = 0; i < m_nSensors; ++i)
    {
        GetSensor(i)->cachedMech = 0;
        m_pSensorMechs[i] = nullptr;
    }
    stream.Write(&m_nSensors, 4);
    stream.Write(m_pSensors, std::uint32_t(m_nSensors) * kSensorRecordSize);
}

void CObjectList::LoadGame(CMemStream& stream)
{
    XTRACE("CObjectList::LoadGame");
    CStreamReader r(stream, "OBJECTS");
    std::uint32_t n = 0;
    try
    {
        n = r.U32();
        // Every record has at least its header.
        if (std::uint64_t(n) * kHeaderSize > r.Left())
            r.Fail("object count %u needs more bytes than the %u left", n, r.Left());
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CObjectList::LoadGame: %s; no object is read", e.what());
        return;
    }
    bool objectsWhole = true;
    for (std::uint32_t i = 0; i < n && objectsWhole; ++i)
    {
        char id[33] = {};
        std::int32_t type = 0, number = 0;
        CMMObject* made = nullptr;
        try
        {
            r.Bytes(id, 32);
            type = r.I32();
            number = r.I32();
            CMMObject* found = id[0] ? FindByGameId(id, type) : nullptr;
            if (found)
            {
                // The object stands in the cells where the location put
                // it; the stored state may have it elsewhere.
                const CVector before = found->GetPosition();
                found->LoadGame(stream);
                const CVector after = found->GetPosition();
                if (g_pObjectCells && (before.x != after.x || before.y != after.y || before.z != after.z))
                    g_pObjectCells->MoveCellObject(before, after, found);
                continue;
            }
            made = MakeSaved(type);
            if (!made)
            {
                g_ErrorLog.LogError("CObjectList::LoadGame object type '%d' game id '%s' error", type, id);
                g_ErrorLog.LogError(
                    "CObjectList::LoadGame: record %u of %u cannot be read (its length is not "
                    "stored); the objects after it are not loaded",
                    i, n);
                objectsWhole = false;
                break;
            }
            made->LoadGame(stream);
            if (type == OBJ_STONE && !made->m_pType)
            {
                // A stone whose type the location no longer has.
                delete made;
                continue;
            }
            CopyName(made->m_szGameId, id);
            made->m_nObjectNumber = number;
            AddObject(made);
        }
        catch (const std::runtime_error& e)
        {
            delete made;
            g_ErrorLog.LogError(
                "CObjectList::LoadGame: record %u of %u (object type %d, game id '%s'): %s; the "
                "objects after it are not loaded",
                i, n, type, id, e.what());
            objectsWhole = false;
        }
    }
    for (CMMObject* o : m_Objects)
        o->LoadInit();
    if (!objectsWhole) return;

    try
    {
        const std::uint32_t m = r.Count(kSensorRecordSize, "sensor count");
        const std::int32_t capacity = std::max<std::int32_t>(std::int32_t(m), 1);
        auto* records = new std::uint8_t[std::size_t(capacity) * kSensorRecordSize]();
        r.Bytes(records, m * kSensorRecordSize);
        delete[] m_pSensors;
        delete[] m_pSensorMechs;
        m_pSensors = records;
        m_pSensorMechs = new CMech*[std::size_t(capacity)]();
        m_nSensorCapacity = capacity;
        m_nSensors = std::int32_t(m);
        // Resolved again on the next sensor check.
        for (std::uint32_t i = 0; i < m; ++i)
            GetSensor(int(i))->cachedMech = 0;
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CObjectList::LoadGame: %s; the sensors stay as they were", e.what());
    }
}

void CObjectList::CheckNetDead()
{
    try
    {
        const double now = g_FrameTimer.GetElapsed();
        for (CMMObject* o : m_NetObjects)
        {
            if (o->m_bLocal) continue;
            if (o->m_bAlive && o->m_dLastNetUpdate >= now - kNetTimeOut) continue;
            if (o->m_bQueueOnDelete && o->m_bAlive) DeleteObject(o);
            o->m_bAlive = 0;
            return;
        }
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("CObjectList::CheckNetDead");
        throw;
    }
}
