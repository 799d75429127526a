#include "world/KindManagers.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "sound/SoundManager.h"
#include "world/LampObject.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/TheThing.h"
#include "world/TreeObject.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Defined apart from the world engine (MMEngine.cpp): the object list's
// passes use some of them, and a program that links the object list but not
// the engine then needs neither the engine nor the units' managers it
// initialises.
CTreeManager g_TreeManager;
CGoodsManager g_GoodsManager;
CBuildingManager g_BuildingManager;
CMapCoverManager g_MapCoverManager;
CLampManager g_LampManager;
CSoundZoneManager g_SoundZoneManager;
CThingManager g_ThingManager;
CRoadManager g_RoadManager;

namespace
{

// Keys of the property texts in code page 1251.
const char kFlexibility[] = "\xc3\xe8\xe1\xea\xee\xf1\xf2\xfc";                           // Гибкость
const char kNoSolid[] = "\xc1\xe5\xe7\xcf\xe5\xf0\xe5\xf1\xe5\xf7\xe5\xed\xe8\xe9";       // БезПересечений
const char kGlowing[] = "\xd1\xe2\xe5\xf2\xff\xf9\xe8\xe9\xf1\xff";                       // Светящийся
const char kPeriod[] = "\xcf\xe5\xf0\xe8\xee\xe4";                                        // Период
const char kLooped[] = "\xc7\xe0\xf6\xe8\xea\xeb\xe5\xed\xed\xfb\xe9";                    // Зацикленный
const char kRandom[] = "\xd1\xeb\xf3\xf7\xe0\xe9\xed\xfb\xe9";                            // Случайный
const char kLength[] = "\xcf\xf0\xee\xe4\xee\xeb\xe6\xe8\xf2\xe5\xeb\xfc\xed\xee\xf1\xf2\xfc"; // Продолжительность

struct SPropertyKey
{
    const char* key;   // as written in the text, compared after ASCII upper-casing
    const char* field; // the database field written
    bool isFloat;
};

void UpperAscii(std::string& s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

// Writes each "key=value" whose key is in the table into the record.
void ApplyProperties(const char* section, const char* record, const char* const* pairs, int count,
                     const SPropertyKey* keys, int keyCount)
{
    g_ResourceDB.SelectSection(section, false);
    const bool table = g_ResourceDB.GetMode() == ResourceDBManager::kModeDataBase;
    if (table && g_ResourceDB.EditRecord(record) < 0) return;
    for (int i = 0; i < count; ++i)
    {
        const char* eq = pairs[i] ? std::strchr(pairs[i], '=') : nullptr;
        if (!eq) continue;
        std::string key(pairs[i], eq);
        UpperAscii(key);
        for (int k = 0; k < keyCount; ++k)
        {
            std::string want(keys[k].key);
            UpperAscii(want);
            if (key != want) continue;
            if (keys[k].isFloat)
                g_ResourceDB.SetFloatField(record, keys[k].field, float(std::atof(eq + 1)));
            else
                g_ResourceDB.SetIntegerField(record, keys[k].field, std::atoi(eq + 1));
        }
    }
    if (table) g_ResourceDB.Post();
}

std::int32_t TextureField(const char* record, const char* field)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, field, name, sizeof name);
    return FindTextureId(name);
}

} // namespace

std::int32_t FindTextureId(const char* name)
{
    return g_pTextureManager && name && *name ? g_pTextureManager->FindName(name) : -1;
}

// --- trees -------------------------------------------------------------------

bool CTreeManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        STreeType& t = m_Kinds[std::size_t(i)];
        t.m_fFlexibility = g_ResourceDB.GetFloatField(GetName(i), "Flexibility", 0.0f);
        t.m_bNoSolid = g_ResourceDB.GetIntegerField(GetName(i), "NOSOLID", 0) == 1;
    }
    return ok;
}

CMMObject* CTreeManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* tree = new CTreeObject;
    if (gameId) std::snprintf(tree->m_szGameId, sizeof tree->m_szGameId, "%s", gameId);
    tree->Init(*placement, typeName);
    g_ObjectList.AddObject(tree);
    return tree;
}

void CTreeManager::GetPropertiesText(std::int32_t index, char* out, std::size_t size)
{
    const STreeType* t = index >= 0 ? GetKind(index) : nullptr;
    std::snprintf(out, size, "%s=%f\r\n%s=%d", kFlexibility, t ? double(t->m_fFlexibility) : 1.0, kNoSolid,
                  t ? int(t->m_bNoSolid) : 0);
}

void CTreeManager::SetProperties(const char* record, const char* const* pairs, int count)
{
    static const SPropertyKey keys[] = {{kFlexibility, "FLEXIBILITY", true}, {kNoSolid, "NOSOLID", false}};
    ApplyProperties(GetSection(), record, pairs, count, keys, 2);
}

// --- buildings ---------------------------------------------------------------

bool CBuildingManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SBuildingType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        t.m_nCluster = g_ResourceDB.GetIntegerField(name, "Cluster", 0);
        t.m_bReverseOpen = g_ResourceDB.GetIntegerField(name, "ReverseOpen", 0) == 1;
        t.m_nType = g_ResourceDB.GetIntegerField(name, "TYPE", 0);
        t.m_nSubType = g_ResourceDB.GetIntegerField(name, "SUBTYPE", 0);
        t.m_bRadiate = g_ResourceDB.GetIntegerField(name, "NORADIATE", 0) == 0;
        char sound[32] = {};
        g_ResourceDB.GetStringField(name, "SOUND_MILIEU", sound, sizeof sound);
        t.m_nMilieuSound = g_pSoundManager && *sound ? g_pSoundManager->FindName(sound) : -1;
    }
    return ok;
}

void CBuildingManager::GetPropertiesText(std::int32_t index, char* out, std::size_t size)
{
    const SBuildingType* t = index >= 0 ? GetKind(index) : nullptr;
    std::snprintf(out, size, "NORADIATE=%d", t && !t->m_bRadiate ? 1 : 0);
}

void CBuildingManager::SetProperties(const char* record, const char* const* pairs, int count)
{
    static const SPropertyKey keys[] = {{"NORADIATE", "NORADIATE", false}};
    ApplyProperties(GetSection(), record, pairs, count, keys, 1);
}

namespace
{
// The lowest and highest corner of the named part's mesh; false (and zero
// vectors) when the model has no such part. A part without a mesh of its
// own (a sprite) has the zero vectors for corners.
bool PartCorners(CComplexObject& model, const char* name, CVector& lo, CVector& hi)
{
    lo = hi = CVector{0.0f, 0.0f, 0.0f};
    const std::int32_t index = model.FindObject(name);
    if (index < 0) return false;
    SObjectPart& part = model.GetPart(index);
    if (part.m_pModel && part.m_pModel->m_pMesh)
    {
        float a[3], b[3];
        part.m_pModel->m_pMesh->GetMinPoint(a);
        part.m_pModel->m_pMesh->GetMaxPoint(b);
        lo = CVector{a[0], a[1], a[2]};
        hi = CVector{b[0], b[1], b[2]};
    }
    return true;
}
} // namespace

void CBuildingManager::InitBuilding(std::int32_t type, bool force)
{
    XTRACE("CBuildingManager::InitBuilding");
    SBuildingType* t = GetKindForEdit(type);
    if (!t || !g_pModelManager) return;
    const std::int32_t id = t->GetModelId();
    IModelObject* loaded = force ? g_pModelManager->GetModelForce(id) : g_pModelManager->GetModel(id);
    auto* model = dynamic_cast<CComplexObject*>(loaded);
    if (!model) return; // not loaded yet: a later call prepares the type
    CVector lo, hi;
    const char* exits[3] = {"EXIT_01", "EXIT_02", "EXIT_03"};
    for (int k = 0; k < 3; ++k)
    {
        PartCorners(*model, exits[k], lo, hi);
        t->m_vExit[k] = lo;
    }
    // A box reads the part's highest corner as a size laid about its lowest
    // corner, not as the part's own box.
    const std::pair<const char*, SBox*> boxes[5] = {{"INTO", &t->m_Into},
                                                    {"INTO1", &t->m_Into1},
                                                    {"OUT", &t->m_Out},
                                                    {"OPEN", &t->m_Open},
                                                    {"OPEN1", &t->m_Open1}};
    for (const auto& [name, box] : boxes)
    {
        if (!PartCorners(*model, name, lo, hi))
        {
            *box = SBox{};
            continue;
        }
        box->m_vMin = lo - hi * 0.5f;
        box->m_vMax = lo + hi * 0.5f;
    }
    if (PartCorners(*model, "SIGN", lo, hi))
        t->m_vSign = lo;
    else
        t->m_vSign = CVector{0.0f, 0.0f, g_pModelManager->GetModelScale(id)};
    t->m_uCleared = 0;
    t->m_bInitialised = 1;
}

// --- map covers --------------------------------------------------------------

bool CMapCoverManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SMapCoverType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        char texture[32] = {};
        g_ResourceDB.GetStringField(name, "Model", texture, sizeof texture);
        t.m_nTexture = FindTextureId(texture);
        // Without a texture manager no name can be resolved: only a name the
        // manager does not know is logged.
        if (t.m_nTexture < 0 && g_pTextureManager)
            // "CMapCoverManager::Init Текстура не найдена: %s"
            g_ErrorLog.LogError("CMapCoverManager::Init \xd2\xe5\xea\xf1\xf2\xf3\xf0\xe0 \xed\xe5 "
                                "\xed\xe0\xe9\xe4\xe5\xed\xe0: %s",
                                texture);
        t.m_nGlowing = g_ResourceDB.GetIntegerField(name, "TYPE", 0);
        t.m_fPeriod = g_ResourceDB.GetFloatField(name, "PERIOD", 0.0f);
    }
    return ok;
}

void CMapCoverManager::GetPropertiesText(std::int32_t index, char* out, std::size_t size)
{
    const SMapCoverType* t = GetKind(index);
    std::snprintf(out, size, "%s=%d\r\n%s=%f", kGlowing, t ? t->m_nGlowing : 0, kPeriod,
                  t ? double(t->m_fPeriod) : 0.0);
}

void CMapCoverManager::SetProperties(const char* record, const char* const* pairs, int count)
{
    static const SPropertyKey keys[] = {{kGlowing, "TYPE", false}, {kPeriod, "PERIOD", true}};
    ApplyProperties(GetSection(), record, pairs, count, keys, 2);
}

// --- lamps -------------------------------------------------------------------

bool CLampManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SLampType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        t.m_bPrepared = 0;
        t.m_nFlare = TextureField(name, "FLARE");
        t.m_nGlow = TextureField(name, "GLOW");
        t.m_nShadow = TextureField(name, "SHADOW");
        t.m_fLimit = g_ResourceDB.GetFloatField(name, "LIMIT", 0.0f);
        t.m_fRadius = g_ResourceDB.GetFloatField(name, "RADIUS", 0.0f);
        if (t.m_fRadius == 0.0f) t.m_fRadius = 125.0f;
        t.m_fScale = g_ResourceDB.GetFloatField(name, "SCALE", 0.0f);
        if (t.m_fScale == 0.0f) t.m_fScale = 1.0f;
        const std::uint32_t color = std::uint32_t(g_ResourceDB.GetIntegerField(name, "COLOR", 0));
        for (int c = 0; c < 3; ++c)
            t.m_fColor[c] = color ? float((color >> (16 - 8 * c)) & 0xFF) / 255.0f : 0.5f;
    }
    return ok;
}

CMMObject* CLampManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* lamp = new CLampObject;
    if (gameId) std::snprintf(lamp->m_szGameId, sizeof lamp->m_szGameId, "%s", gameId);
    lamp->Init(*placement, typeName);
    g_ObjectList.AddObject(lamp);
    return lamp;
}

void CLampManager::InitLamp(std::int32_t type)
{
    XTRACE("CLampManager::InitLamp");
    if (type < 0 || type >= std::int32_t(m_Kinds.size())) return;
    SLampType& t = m_Kinds[std::size_t(type)];
    t.m_bPrepared = 1;
    t.m_nFxPart = -1;
    const std::int32_t id = t.GetModelId();
    if (id < 0 || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id));
    if (!model) return;
    for (std::int32_t i = 0; i < model->GetPartCount(); ++i)
    {
        SObjectPart& part = model->GetPart(i);
        if (std::strcmp(part.Name(), "FX") != 0 || !part.m_pModel) continue;
        STransData trans;
        if (!CreateTransData(part.m_pModel.get(), &trans)) return;
        t.m_nFxPart = i;
        t.m_FxTrans = trans;
        return;
    }
}

// --- sound zones -------------------------------------------------------------

bool CSoundZoneManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SSoundZoneType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        t.m_bRandom = g_ResourceDB.GetIntegerField(name, "RANDOM", 0) == 1;
        t.m_bLoop = g_ResourceDB.GetIntegerField(name, "LOOP", 0) == 1;
        t.m_fPeriod = g_ResourceDB.GetFloatField(name, "PERIOD", 0.0f);
        if (t.m_fPeriod == 0.0f) t.m_fPeriod = 10.0f;
        t.m_fLength = g_ResourceDB.GetFloatField(name, "LENGTH", 0.0f);
        if (t.m_fLength == 0.0f) t.m_fLength = 5.0f;
    }
    return ok;
}

void CSoundZoneManager::GetPropertiesText(std::int32_t index, char* out, std::size_t size)
{
    const SSoundZoneType* t = GetKind(index);
    std::snprintf(out, size, "%s=%d\r\n%s=%d\r\n%s=%f\r\n%s=%f\r\n", kLooped, t ? int(t->m_bLoop) : 0, kRandom,
                  t ? int(t->m_bRandom) : 0, kPeriod, t ? double(t->m_fPeriod) : 10.0, kLength,
                  t ? double(t->m_fLength) : 5.0);
}

void CSoundZoneManager::SetProperties(const char* record, const char* const* pairs, int count)
{
    static const SPropertyKey keys[] = {
        {kLooped, "LOOP", false}, {kRandom, "RANDOM", false}, {kPeriod, "PERIOD", true}, {kLength, "LENGTH", true}};
    ApplyProperties(GetSection(), record, pairs, count, keys, 4);
}

// --- pick-up things ----------------------------------------------------------

bool CThingManager::Init(const char* section)
{
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        SThingType& t = m_Kinds[std::size_t(i)];
        t.m_nFlare = TextureField(GetName(i), "FLARE");
        t.m_nKind = g_ResourceDB.GetIntegerField(GetName(i), "TYPE", 0);
    }
    return ok;
}

CMMObject* CThingManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    XTRACE("CThingManager::CreateObject");
    auto* thing = new CTheThing;
    thing->Init(placement, typeName, gameId);
    g_ObjectList.AddObject(thing);
    return thing;
}

// --- goods -------------------------------------------------------------------

bool CGoodsManager::Init(const char* section)
{
    XTRACE("CGoodsManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Goods.assign(std::size_t(m_nCount), SGoodsParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SGoodsParameters& g = m_Goods[std::size_t(i)];
        char model[32] = {};
        g_ResourceDB.GetStringField(name, "Model", model, sizeof model);
        const DefaultManager* models = g_pModelManager;
        g.m_nModel = models && model[0] ? models->FindName(model) : -1;
        g.m_fMass = float(g_ResourceDB.GetIntegerField(name, "MASSA", 0));
        if (g.m_fMass == 0.0f) g.m_fMass = 1.0f;
        g.m_bNoTrade = g_ResourceDB.GetIntegerField(name, "NOTRADE", 0) == 1;
        g.m_fPrice = g_ResourceDB.GetFloatField(name, "PRICE", 0.0f);
        if (g.m_fPrice == 0.0f && !g.m_bNoTrade) g.m_fPrice = 100.0f;
        g.m_nType = g_ResourceDB.GetIntegerField(name, "TYPE", 0);
    }
    return ok;
}

const SGoodsParameters* CGoodsManager::GetGoods(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Goods.size())) return nullptr;
    return &m_Goods[std::size_t(index)];
}
