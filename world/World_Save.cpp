// The world's records of a saved game (CWorld::SaveGame and LoadGame) and
// the saved-game files they go into.
#include "world/World.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/FileReplace.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "platform/File.h"
#include "world/Trade.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/WorldSave.h"
#include "world/WorldSeams.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{
constexpr std::uint32_t kStreamStart = 50000;

CGuidKey Key(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

// Writes one record from the stream's bytes; false when the archive failed.
bool Store(IArchive* archive, const char* name, const CMemStream& stream)
{
    if (archive->WriteRecord(Key(name), stream)) return true;
    g_ErrorLog.LogError("CWorld::SaveGame: record '%s' could not be written", name);
    return false;
}

void Put32(CMemStream& s, std::uint32_t v)
{
    s.Write(&v, 4);
}

// The record's stream, or false when the archive does not hold it.
bool Fetch(IArchive* archive, const char* name, CMemStream& stream)
{
    if (!archive->HasRecord(Key(name))) return false;
    if (archive->ReadRecord(Key(name), stream)) return true;
    g_ErrorLog.LogError("CWorld::LoadGame: record '%s' could not be read from the archive", name);
    return false;
}

// Runs read over the record; a damaged record is logged with its reason and
// the load goes on with the next record.
template <class F> void ReadRecord(IArchive* archive, const char* name, F&& read)
{
    CMemStream stream;
    if (!Fetch(archive, name, stream)) return;
    try
    {
        read(stream);
    }
    catch (const std::runtime_error& e)
    {
        g_ErrorLog.LogError("CWorld::LoadGame: record '%s': %s; the rest of it is not read", name, e.what());
    }
}

} // namespace

bool CWorld::SaveGame(IArchive* archive)
{
    XTRACE("CWorld::SaveGame");
    CMemStream s;
    s.Allocate(kStreamStart);
    bool ok = true;

    // The mechanoids' guns hand their ammunition back to the stock while
    // the record is written (the glider's side waits for the glider).
    Put32(s, std::uint32_t(m_Mechs.size()));
    for (CMech* m : m_Mechs)
        m->SaveToStream(s);
    ok = Store(archive, "MECH", s) && ok;

    // Without the groups' maker the world has no groups: the record is empty.
    s.m_nPosition = 0;
    if (g_pfnSaveGroups) g_pfnSaveGroups(s);
    ok = Store(archive, "GROUPS", s) && ok;

    s.m_nPosition = 0;
    Put32(s, std::uint32_t(m_OrgData.size()));
    for (const SOrgData& d : m_OrgData)
        WriteOrgData(s, d);
    ok = Store(archive, "ORGDATA", s) && ok;

    s.m_nPosition = 0;
    Put32(s, std::uint32_t(m_nBuildings));
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
    {
        SBuildingRecord r = m_Buildings[i];
        r.object = 0;
        s.Write(&r, sizeof r);
    }
    ok = Store(archive, "BUILDS", s) && ok;

    s.m_nPosition = 0;
    Put32(s, std::uint32_t(m_Organizations.size()));
    for (const auto& org : m_Organizations)
        org->SaveToStream(s);
    ok = Store(archive, "ORGS", s) && ok;

    s.m_nPosition = 0;
    if (g_pTrade) g_pTrade->SaveToStream(s);
    ok = Store(archive, "TRADE", s) && ok;

    s.m_nPosition = 0;
    if (m_pEqpTrade) m_pEqpTrade->SaveToStream(s);
    ok = Store(archive, "TRADEEQP", s) && ok;

    s.m_nPosition = 0;
    g_ObjectList.SaveGame(s);
    ok = Store(archive, "OBJECTS", s) && ok;

    s.m_nPosition = 0;
    s.Write(g_GameState.bytes, sizeof g_GameState.bytes);
    ok = Store(archive, "MMS_STATE", s) && ok;

    if (g_pPlayerConfigs[0] && g_pPlayerConfigs[1] && g_pPlayerConfigs[2])
    {
        s.m_nPosition = 0;
        for (IWorldMechanoid* m : g_pPlayerConfigs)
            m->SaveToStream(s);
        ok = Store(archive, "MMS_C_CONFIG", s) && ok;
    }

    s.m_nPosition = 0;
    s.Write(&m_fTime, 4);
    ok = Store(archive, "MMS_WORLD_DATA", s) && ok;
    return ok;
}

void CWorld::LoadGame(IArchive* archive)
{
    XTRACE("CWorld::LoadGame");
    ReadRecord(archive, "MECH", [&](CMemStream& s) { LoadMechs(s); });

    ReadRecord(archive, "ORGDATA",
               [&](CMemStream& s)
               {
                   CStreamReader in(s, "ORGDATA");
                   const std::uint32_t n = in.U32();
                   if (n != m_OrgData.size())
                       g_ErrorLog.LogError("CWorld::LoadGame LocData count does not the same");
                   // Records the world has no place for are read past; a
                   // damaged record keeps the ones before it.
                   for (std::uint32_t i = 0; i < n; ++i)
                   {
                       SOrgData d{};
                       ReadOrgData(in, d);
                       if (i < m_OrgData.size()) m_OrgData[i] = d;
                   }
               });

    ReadRecord(archive, "BUILDS",
               [&](CMemStream& s)
               {
                   CStreamReader in(s, "BUILDS");
                   const std::uint32_t n = in.Count(sizeof(SBuildingRecord), "building count");
                   if (n > std::uint32_t(kMaxBuildings))
                       in.Fail("%u buildings, at most %d", n, kMaxBuildings);
                   SBuildingRecord records[kMaxBuildings] = {};
                   in.Bytes(records, n * sizeof(SBuildingRecord));
                   m_nBuildings = 0;
                   for (std::uint32_t i = 0; i < n; ++i)
                   {
                       SBuildingRecord r = records[i];
                       r.name[31] = r.owner[31] = 0;
                       // A building the location no longer has is dropped.
                       if (!r.name[0] || !g_ObjectList.FindByGameId(r.name, OBJ_BUILDING)) continue;
                       r.object = 0;
                       m_Buildings[m_nBuildings++] = r;
                   }
               });

    ReadRecord(archive, "ORGS",
               [&](CMemStream& s)
               {
                   CStreamReader in(s, "ORGS");
                   const std::uint32_t n = in.U32();
                   if (n != m_Organizations.size())
                       g_ErrorLog.LogError("CWorld::LoadGame org count does not the same");
                   // A save with fewer organisations leaves the rest as they are.
                   for (std::size_t i = 0; i < m_Organizations.size() && i < n; ++i)
                       m_Organizations[i]->LoadFromStream(s);
               });

    // After the mech records and the organisations the groups name. An
    // empty record (a world saved without groups) leaves the groups as
    // they are.
    ReadRecord(archive, "GROUPS",
               [&](CMemStream& s)
               {
                   if (g_pfnLoadGroups && s.m_nCapacity > 0) g_pfnLoadGroups(s);
               });
    ReadRecord(archive, "TRADE",
               [&](CMemStream& s)
               {
                   if (g_pTrade) g_pTrade->LoadFromStream(s);
               });
    ReadRecord(archive, "TRADEEQP",
               [&](CMemStream& s)
               {
                   if (m_pEqpTrade) m_pEqpTrade->LoadFromStream(s);
               });
    // The building records are bound to the location's objects above; the
    // saved objects come only now.
    ReadRecord(archive, "OBJECTS", [&](CMemStream& s) { g_ObjectList.LoadGame(s); });

    ReadRecord(archive, "MMS_STATE",
               [&](CMemStream& s)
               {
                   CStreamReader in(s, "MMS_STATE");
                   std::uint8_t state[sizeof g_GameState.bytes];
                   in.Bytes(state, sizeof state);
                   std::memcpy(g_GameState.bytes, state, sizeof state);
               });

    ReadRecord(archive, "MMS_C_CONFIG",
               [&](CMemStream& s)
               {
                   if (!g_pfnCreateWorldMechanoid) throw CStreamError("no mechanoid can be made");
                   std::unique_ptr<IWorldMechanoid> made[3];
                   for (auto& m : made)
                   {
                       m.reset(g_pfnCreateWorldMechanoid());
                       if (!m) throw CStreamError("no mechanoid can be made");
                       m->LoadFromStream(s);
                   }
                   for (int i = 0; i < 3; ++i)
                   {
                       delete g_pPlayerConfigs[i];
                       g_pPlayerConfigs[i] = made[i].release();
                   }
               });

    ReadRecord(archive, "MMS_WORLD_DATA",
               [&](CMemStream& s)
               {
                   CStreamReader in(s, "MMS_WORLD_DATA");
                   const std::uint32_t bits = in.U32();
                   std::memcpy(&m_fTime, &bits, 4);
               });
}

void CWorld::LoadMechs(CMemStream& s)
{
    // A first pass into scratch records: a damaged record changes nothing.
    {
        CStreamReader in(s, "MECH");
        const std::uint32_t n = in.Count(1, "mech count");
        std::vector<std::unique_ptr<CMech>> scratch;
        for (std::uint32_t i = 0; i < n; ++i)
        {
            if (i == 0 && m_pPlayerMech)
                scratch.emplace_back(new CPlayerMech);
            else
                scratch.emplace_back(new CMech);
            scratch.back()->LoadFromStream(s);
        }
    }
    s.m_nPosition = 0;
    CStreamReader in(s, "MECH");
    const std::uint32_t n = in.U32();
    // The old records go (the player's stays: it is not the world's), and
    // nothing may keep pointing at them: the groups go first.
    if (g_pfnClearGroups) g_pfnClearGroups();
    for (CMech* m : m_Mechs)
    {
        if (m == m_pPlayerMech) continue;
        // A machine flown by an old record (one the location made before a
        // saved game is read over it) leaves with its record: a live one
        // would run on a deleted mechanoid.
        if (m->m_pObject) g_ObjectList.DeleteObject(m->m_pObject);
        delete m;
    }
    m_Mechs.clear();
    for (int i = 0; i < g_ObjectList.m_nSensors; ++i)
        g_ObjectList.m_pSensorMechs[i] = nullptr;
    for (std::uint32_t i = 0; i < n; ++i)
    {
        CMech* m = i == 0 && m_pPlayerMech ? m_pPlayerMech : new CMech;
        m_Mechs.push_back(m);
        m->LoadFromStream(s);
    }
    // The player's record stays entry 0 even after an empty table.
    if (m_pPlayerMech && m_Mechs.empty()) m_Mechs.push_back(m_pPlayerMech);
    // The player's group stays at the head of the list until the saved
    // groups (when the save has them) replace it.
    if (g_pfnCreatePlayerGroup) g_pfnCreatePlayerGroup(m_pPlayerMech);
}

// --- saved-game files --------------------------------------------------------

bool SaveWorldFile(CWorld& world, const char* path)
{
    XTRACE("SaveWorldFile");
    const std::string temp = TempFileFor(path);
    FileArchive archive;
    bool ok = archive.Create(temp.c_str());
    ok = ok && world.SaveGame(&archive);
    // The close flushes the file: a full disk may only show here.
    if (archive.m_pFile) ok = archive.m_pFile->Close() && ok;
    archive.Close();
    if (!ok)
    {
        g_ErrorLog.LogError("Saved game '%s' could not be written; the previous save is kept", path);
        plat::DeleteFile(temp.c_str());
        return false;
    }
    if (!CommitTempFile(temp, path))
    {
        g_ErrorLog.LogError("Saved game '%s' could not replace the previous save", path);
        return false;
    }
    return true;
}

bool LoadWorldFile(CWorld& world, const char* path)
{
    XTRACE("LoadWorldFile");
    FileArchive archive;
    if (!archive.Open(path))
    {
        g_ErrorLog.LogError("Saved game '%s' could not be opened", path);
        return false;
    }
    world.LoadGame(&archive);
    archive.Close();
    return true;
}
