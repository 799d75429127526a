#include "world/ObjectManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "graphics/ModelManager.h"
#include "sound/SoundManager.h"
#include "world/AnomalZoneObject.h"
#include "world/BoundObject.h"
#include "world/LightObject.h"
#include "world/ObjectList.h"
#include "world/StoneObject.h"
#include "world/SysObject.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

CMMObjectManager g_StoneManager;
CHelperManager g_HelperManager;
CBoundaryManager g_BoundaryManager;
LightManager g_LightManager;
CAnomalZoneManager g_AnomalZoneManager;

namespace
{

std::string s_ObjectsFileName;

// The all-zero record GetType(-1) gives every kind.
const SHelperType s_DefaultType{};

// The record names are 32-character fields, not always terminated.
std::string Name32(const char* name)
{
    return std::string(name, strnlen(name, 32));
}

class CLoadTrace
{
public:
    explicit CLoadTrace(const char* name) : m_name(name) {}
    [[noreturn]] void Rethrow() const
    {
        g_ErrorLog.AppendTrace(m_name);
        throw;
    }

private:
    const char* m_name;
};

} // namespace

void UpperCaseAscii(char name[32])
{
    for (int i = 0; i < 32 && name[i]; ++i)
        if (name[i] >= 'a' && name[i] <= 'z') name[i] = char(name[i] - 'a' + 'A');
}

void CMMObjectManager::SetObjectsFileName(const char* name)
{
    s_ObjectsFileName = name ? name : "";
}

const char* CMMObjectManager::GetFileName(const CPakStream& stream)
{
    return s_ObjectsFileName.empty() ? stream.GetEntryName() : s_ObjectsFileName.c_str();
}

// --- CBaseObjectManager ------------------------------------------------------

bool CBaseObjectManager::Init(const char* section)
{
    const bool ok = DefaultManager::Init(section);
    ReadTypeHeaders();
    return ok;
}

CMMObject* CBaseObjectManager::CreateObject(const char*, const CMatrix*, const char*)
{
    return nullptr;
}

void CBaseObjectManager::ReadTypeHeaders()
{
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SObjectTypeHeader* h = GetTypeHeader(i);
        if (!h) continue;
        const char* name = GetName(i);
        g_ResourceDB.GetStringField(name, "Model", h->Model, sizeof h->Model);
        g_ResourceDB.GetStringField(name, "ModelAlpha", h->ModelAlpha, sizeof h->ModelAlpha);
        g_ResourceDB.GetStringField(name, "SOUND", h->SOUND, sizeof h->SOUND);
        const std::int32_t model = g_pModelManager ? g_pModelManager->FindName(h->Model) : -1;
        const std::int32_t alpha = g_pModelManager ? g_pModelManager->FindName(h->ModelAlpha) : -1;
        const std::int32_t sound = g_pSoundManager ? g_pSoundManager->FindName(h->SOUND) : -1;
        SObjectTypeHeader::SetId(h->Model, model);
        SObjectTypeHeader::SetId(h->ModelAlpha, alpha);
        SObjectTypeHeader::SetId(h->SOUND, sound);
    }
}

// --- CMMObjectManager (stones) -----------------------------------------------

bool CMMObjectManager::Init(const char* section)
{
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SStoneType{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        m_Types[std::size_t(i)].m_bFly = g_ResourceDB.GetIntegerField(name, "Fly", 0) == 1;
        m_Types[std::size_t(i)].m_bNoMapColor = g_ResourceDB.GetIntegerField(name, "NOMAPCOLOR", 0) == 1;
    }
    return ok;
}

SObjectTypeHeader* CMMObjectManager::GetTypeHeader(std::int32_t index)
{
    return index >= 0 && index < std::int32_t(m_Types.size()) ? &m_Types[std::size_t(index)] : nullptr;
}

const void* CMMObjectManager::GetType(std::int32_t index) const
{
    if (index == -1) return &s_DefaultType;
    return index >= 0 && index < std::int32_t(m_Types.size()) ? &m_Types[std::size_t(index)] : nullptr;
}

CMMObject* CMMObjectManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* stone = new CStoneObject;
    if (gameId) std::snprintf(stone->m_szGameId, sizeof stone->m_szGameId, "%s", gameId);
    stone->Init(*placement, typeName);
    g_ObjectList.AddObject(stone);
    return stone;
}

std::vector<SLocObjectRecord> CMMObjectManager::ReadBlock(CPakStream& stream)
{
    const std::uint32_t start = stream.Tell();
    SLocObjectBlockHeader header{};
    if (stream.ReadBytes(&header, sizeof header) != sizeof header)
    {
        g_ErrorLog.LogError("%s: objects block of type %d at offset %u: header cut short",
                            GetFileName(stream), m_nObjectType, start);
        return {};
    }
    const std::uint32_t length = stream.GetLength();
    const std::uint32_t left = length > stream.Tell() ? length - stream.Tell() : 0;
    std::int64_t n = header.count;
    // A count the file cannot hold would have the loader allocate and read
    // past the end; the complete records that are there are still loaded.
    if (n < 0 || std::uint64_t(n) * kRecordSize > left)
    {
        g_ErrorLog.LogError(
            "%s: objects block of type %d at offset %u: %d records of 128 bytes, %u bytes left",
            GetFileName(stream), m_nObjectType, start, header.count, left);
        n = n < 0 ? 0 : left / kRecordSize;
    }
    std::vector<SLocObjectRecord> records(static_cast<std::size_t>(n));
    if (n > 0) stream.ReadBytes(records.data(), std::uint32_t(n) * kRecordSize);
    for (std::size_t i = records.size(); i-- > 0;)
    {
        if (IsRecordPlacementUsable(records[i])) continue;
        g_ErrorLog.LogError("%s: objects block of type %d at offset %u, record %d: placement out of range",
                            GetFileName(stream), m_nObjectType, start, int(i));
        records.erase(records.begin() + std::ptrdiff_t(i));
    }
    return records;
}

void CMMObjectManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
}

void CMMObjectManager::LoadObjectsFrom(CPakStream& stream)
{
    CLoadTrace trace("CMMObjectManager::LoadObjects");
    try
    {
        for (SLocObjectRecord& r : ReadBlock(stream))
        {
            const CMatrix m = GetRecordMatrix(r);
            const std::string type = Name32(r.typeName);
            if (FindName(type.c_str()) >= 0)
            {
                UpperCaseAscii(r.gameId);
                CreateObject(type.c_str(), &m, Name32(r.gameId).c_str());
            }
            else if (this != &g_StoneManager && g_StoneManager.FindName(type.c_str()) >= 0)
            {
                // A record that only the stone section knows is still a stone.
                UpperCaseAscii(r.gameId);
                g_StoneManager.CreateObject(type.c_str(), &m, Name32(r.gameId).c_str());
            }
        }
    }
    catch (...)
    {
        trace.Rethrow();
    }
}

void CMMObjectManager::GetPropertiesText(std::int32_t index, char* out, std::size_t size)
{
    const auto* t = static_cast<const SStoneType*>(GetType(index));
    const bool fly = t && index >= 0 && t->m_bFly;
    const bool noColor = t && index >= 0 && t->m_bNoMapColor;
    // "Летающий=" and "НеМеняетЦвет=" in code page 1251.
    std::snprintf(
        out, size,
        "\xcb\xe5\xf2\xe0\xfe\xf9\xe8\xe9=%c\r\n\xcd\xe5\xcc\xe5\xed\xff\xe5\xf2\xd6\xe2\xe5\xf2=%c\r\n",
        fly ? '1' : '0', noColor ? '1' : '0');
}

void CMMObjectManager::SetProperties(const char* record, const char* const* pairs, int count)
{
    static const char kFly[] = "\xcb\xe5\xf2\xe0\xfe\xf9\xe8\xe9";
    static const char kNoColor[] = "\xcd\xe5\xcc\xe5\xed\xff\xe5\xf2\xd6\xe2\xe5\xf2";
    // The record is this kind's: its section is selected and, in the table
    // database, the record opened for editing and posted afterwards.
    g_ResourceDB.SelectSection(GetSection(), false);
    const bool table = g_ResourceDB.GetMode() == ResourceDBManager::kModeDataBase;
    if (table && g_ResourceDB.EditRecord(record) < 0) return;
    for (int i = 0; i < count; ++i)
    {
        const char* eq = std::strchr(pairs[i], '=');
        if (!eq) continue;
        std::string key(pairs[i], eq);
        std::string value(eq + 1);
        for (std::string* s : {&key, &value})
            for (char& c : *s)
                if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        const std::int32_t v = std::atoi(value.c_str());
        if (key == kFly)
            g_ResourceDB.SetIntegerField(record, "FLY", v);
        else if (key == kNoColor)
            g_ResourceDB.SetIntegerField(record, "NOMAPCOLOR", v);
    }
    if (table) g_ResourceDB.Post();
}

// --- CHelperManager ----------------------------------------------------------

bool CHelperManager::Init(const char* section)
{
    const bool ok = DefaultManager::Init(section);
    m_HelperTypes.assign(std::size_t(m_nCount), SHelperType{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    for (std::int32_t i = 0; i < m_nCount; ++i)
        m_HelperTypes[std::size_t(i)].m_nKind = g_ResourceDB.GetIntegerField(GetName(i), "TYPE", 0);
    return ok;
}

SObjectTypeHeader* CHelperManager::GetTypeHeader(std::int32_t index)
{
    return index >= 0 && index < std::int32_t(m_HelperTypes.size()) ? &m_HelperTypes[std::size_t(index)]
                                                                    : nullptr;
}

const void* CHelperManager::GetType(std::int32_t index) const
{
    if (index == -1) return &s_DefaultType;
    return index >= 0 && index < std::int32_t(m_HelperTypes.size()) ? &m_HelperTypes[std::size_t(index)]
                                                                    : nullptr;
}

void CHelperManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
}

void CHelperManager::LoadObjectsFrom(CPakStream& stream)
{
    CLoadTrace trace("CHelperManager::LoadObjects");
    try
    {
        for (SLocObjectRecord& r : ReadBlock(stream))
        {
            const std::int32_t index = FindName(Name32(r.typeName).c_str());
            if (index < 0) continue;
            UpperCaseAscii(r.gameId);
            const auto* type = static_cast<const SHelperType*>(GetType(index));
            g_ObjectList.AddSysObject(
                new CSysObject(GetRecordMatrix(r), Name32(r.gameId).c_str(), type->m_nKind));
        }
    }
    catch (...)
    {
        trace.Rethrow();
    }
}

// --- CBoundaryManager --------------------------------------------------------

bool CBoundaryManager::Init(const char* section)
{
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SStoneType{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    return ok;
}

CMMObject* CBoundaryManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* post = new CBoundObject;
    post->Init(placement, typeName, gameId);
    g_ObjectList.AddObject(post);
    return post;
}

void CBoundaryManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
}

void CBoundaryManager::LoadObjectsFrom(CPakStream& stream)
{
    CLoadTrace trace("CBoundaryManager::LoadObjects");
    try
    {
        const std::uint32_t start = stream.Tell();
        SLocObjectBlockHeader header{};
        auto fail = [&](const char* reason, std::int32_t entry)
        {
            g_ErrorLog.LogError("%s: boundary block at offset %u, entry %d: %s", GetFileName(stream), start,
                                entry, reason);
        };
        if (stream.ReadBytes(&header, sizeof header) != sizeof header) return fail("header cut short", -1);
        for (std::int32_t e = 0; e < header.count; ++e)
        {
            SLocObjectRecord r{};
            std::int32_t k = 0;
            if (stream.ReadBytes(&r, sizeof r) != sizeof r || stream.ReadBytes(&k, 4) != 4)
                return fail("record cut short", e);
            // The own number plus at most three links; more is outside the
            // format: the surplus numbers are read past and not linked.
            const std::uint32_t length = stream.GetLength();
            const std::uint32_t left = length > stream.Tell() ? length - stream.Tell() : 0;
            if (k < 1 || std::uint64_t(k) * 4 > left)
            {
                const std::string reason =
                    "link count " + std::to_string(k) + (k < 1 ? " below 1" : " past the end of the file");
                return fail(reason.c_str(), e);
            }
            std::int32_t numbers[1 + kMaxBoundaryLinks] = {};
            const std::int32_t kept = std::min(k, 1 + kMaxBoundaryLinks);
            if (stream.ReadBytes(numbers, std::uint32_t(kept) * 4) != std::uint32_t(kept) * 4)
                return fail("link numbers cut short", e);
            for (std::int32_t extra = kept; extra < k; ++extra)
            {
                std::int32_t skipped;
                if (stream.ReadBytes(&skipped, 4) != 4) return fail("link numbers cut short", e);
            }
            if (k > kept) fail("more than three links; the surplus is ignored", e);
            if (!IsRecordPlacementUsable(r))
            {
                fail("placement out of range", e);
                continue;
            }
            const std::string type = Name32(r.typeName);
            if (FindName(type.c_str()) < 0)
            {
                g_ErrorLog.LogError("CBoundaryManager::LoadObjects ID='%s' not found", type.c_str());
                continue;
            }
            UpperCaseAscii(r.gameId);
            const CMatrix m = GetRecordMatrix(r);
            auto* post = static_cast<CBoundObject*>(CreateObject(type.c_str(), &m, Name32(r.gameId).c_str()));
            post->m_nObjectNumber = numbers[0];
            post->m_nLinkNumbers = kept - 1;
            for (std::int32_t i = 1; i < kept; ++i)
                post->m_LinkNumbers[i - 1] = numbers[i];
            if (g_ObjectList.m_nLastObjectNumber < numbers[0]) g_ObjectList.m_nLastObjectNumber = numbers[0];
        }
        ResolveLinks();
    }
    catch (...)
    {
        trace.Rethrow();
    }
}

void CBoundaryManager::ResolveLinks()
{
    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        if (o->m_nType != OBJ_BOUND) continue;
        auto* post = static_cast<CBoundObject*>(o);
        if (post->m_nLinkNumbers == 0) continue;
        post->m_nLinks = 0;
        for (std::int32_t i = 0; i < post->m_nLinkNumbers; ++i)
        {
            CMMObject* other = g_ObjectList.FindByNumberAndType(post->m_LinkNumbers[i], 0);
            if (!other || other == post || other->m_nType != OBJ_BOUND) continue;
            if ((other->GetPosition() - post->GetPosition()).Length() > kMaxLinkDistance) continue;
            post->m_Links[post->m_nLinks++] = static_cast<CBoundObject*>(other);
        }
        post->m_nLinkNumbers = 0;
        post->RebuildFence();
    }
}

// --- LightManager ------------------------------------------------------------

bool LightManager::Init(const char*)
{
    // "Источник" and "Источники света" in code page 1251.
    m_Names.Free();
    m_Names.Init(1, 32);
    m_Names.Add("\xc8\xf1\xf2\xee\xf7\xed\xe8\xea");
    m_nCount = 1;
    m_nTypeCount = 1;
    m_Type = SObjectTypeHeader{};
    SObjectTypeHeader::SetId(m_Type.Model, -1);
    SObjectTypeHeader::SetId(m_Type.ModelAlpha, -1);
    SObjectTypeHeader::SetId(m_Type.SOUND, -1);
    return true;
}

const char* LightManager::GetLabel() const
{
    return "\xc8\xf1\xf2\xee\xf7\xed\xe8\xea\xe8 \xf1\xe2\xe5\xf2\xe0";
}

const void* LightManager::GetType(std::int32_t) const
{
    return &m_Type;
}

CMMObject* LightManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* light = new CLightObject;
    if (gameId) std::snprintf(light->m_szGameId, sizeof light->m_szGameId, "%s", gameId);
    std::snprintf(light->m_TypeRef, sizeof light->m_TypeRef, "%s", typeName ? typeName : "");
    light->m_pType = &m_Type;
    light->SetMatrix(*placement);
    light->m_vLightPosition = light->GetPosition();
    g_ObjectList.AddObject(light);
    return light;
}

void LightManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
}

void LightManager::LoadObjectsFrom(CPakStream& stream)
{
    CLoadTrace trace("LightManager::LoadObjects");
    try
    {
        // Every record is a light: the kind has its one shared type.
        for (SLocObjectRecord& r : ReadBlock(stream))
        {
            UpperCaseAscii(r.gameId);
            const CMatrix m = GetRecordMatrix(r);
            CreateObject(Name32(r.typeName).c_str(), &m, Name32(r.gameId).c_str());
        }
    }
    catch (...)
    {
        trace.Rethrow();
    }
}

// --- CAnomalZoneManager ------------------------------------------------------

bool CAnomalZoneManager::Init(const char* section)
{
    const bool ok = DefaultManager::Init(section);
    m_AnomalTypes.assign(std::size_t(m_nCount), SAnomalType{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SAnomalType& t = m_AnomalTypes[std::size_t(i)];
        t.m_nKind = g_ResourceDB.GetIntegerField(GetName(i), "TYPE", 0);
        t.m_fForce = g_ResourceDB.GetFloatField(GetName(i), "FORCE", 0.0f);
    }
    return ok;
}

SObjectTypeHeader* CAnomalZoneManager::GetTypeHeader(std::int32_t index)
{
    return index >= 0 && index < std::int32_t(m_AnomalTypes.size()) ? &m_AnomalTypes[std::size_t(index)]
                                                                    : nullptr;
}

const void* CAnomalZoneManager::GetType(std::int32_t index) const
{
    static const SAnomalType s_default{};
    if (index == -1) return &s_default;
    return index >= 0 && index < std::int32_t(m_AnomalTypes.size()) ? &m_AnomalTypes[std::size_t(index)]
                                                                    : nullptr;
}

CMMObject* CAnomalZoneManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* zone = new CAnomalZoneObject;
    if (gameId) std::snprintf(zone->m_szGameId, sizeof zone->m_szGameId, "%s", gameId);
    zone->Init(placement, typeName);
    g_ObjectList.AddObject(zone);
    return zone;
}

void CAnomalZoneManager::LoadObjects()
{
    LoadObjectsFrom(GetPakFileSystem().GetCurrent());
}

void CAnomalZoneManager::LoadObjectsFrom(CPakStream& stream)
{
    CLoadTrace trace("CAnomalZoneManager::LoadObjects");
    try
    {
        for (SLocObjectRecord& r : ReadBlock(stream))
        {
            const std::string type = Name32(r.typeName);
            if (FindName(type.c_str()) < 0) continue;
            UpperCaseAscii(r.gameId);
            const CMatrix m = GetRecordMatrix(r);
            const std::string name = Name32(r.gameId);
            g_ObjectList.AddSysObject(g_UnitKinds.makeAnomalZone
                                          ? g_UnitKinds.makeAnomalZone(type.c_str(), m, name.c_str())
                                          : new CSysObject(m, name.c_str(), OBJ_ANOMALZONE));
        }
    }
    catch (...)
    {
        trace.Rethrow();
    }
}
