#include "world/TypeManagers.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "world/KindManagers.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

SUnitKinds g_UnitKinds;
CGliderManager g_GliderManager;
CMissileManager g_MissileManager;
CExploManager g_ExploManager;

namespace
{
float Float(const char* record, const char* key)
{
    return g_ResourceDB.GetFloatField(record, key, 0.0f);
}

std::int32_t Int(const char* record, const char* key)
{
    return g_ResourceDB.GetIntegerField(record, key, 0);
}

std::int32_t ModelId(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    const DefaultManager* models = g_pModelManager;
    return models && name[0] ? models->FindName(name) : -1;
}

std::int32_t TextureId(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    return FindTextureId(name);
}

// The name of a row of this or another table, as its index (-1 when empty
// or unknown).
std::int32_t RowId(const DefaultManager& table, const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    return name[0] ? table.FindName(name) : -1;
}

// The body's five animations: ROTATE, the later of ACCEL and FORWARD, JUMP,
// STRAFE, AMBIENT.
void FindAnimations(const CModel& model, std::int32_t out[5])
{
    out[0] = model.FindAnimation("ROTATE");
    out[1] = std::max(model.FindAnimation("ACCEL"), model.FindAnimation("FORWARD"));
    out[2] = model.FindAnimation("JUMP");
    out[3] = model.FindAnimation("STRAFE");
    out[4] = model.FindAnimation("AMBIENT");
}

std::int32_t FindPart(CComplexObject& object, const char* name)
{
    for (std::int32_t i = 0; i < object.GetPartCount(); ++i)
        if (std::strcmp(object.GetPart(i).Name(), name) == 0) return i;
    return -1;
}
} // namespace

// --- gliders -----------------------------------------------------------------

bool CGliderManager::Init(const char* section)
{
    XTRACE("CGliderManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SGliderParameters{});
    m_nTypeCount = m_nCount;
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SGliderParameters& t = m_Types[std::size_t(i)];
        t.m_fWeight = Float(name, "WEIGHT");
        t.m_fMaxWeight = Float(name, "MAXWEIGHT") * 1.25f;
        t.m_nStandard = Int(name, "STANDARD");
        t.m_fDamage = Float(name, "DAMAGE");
        t.m_fResFront = Float(name, "RESFRONT");
        t.m_fResSide = Float(name, "RESSIDE");
        t.m_fResTop = Float(name, "RESTOP");
        t.m_fTurbulence = 1000.0f / (Float(name, "TURBULENCE") + 1.0f);
        t.m_fStabFront = Float(name, "STABFRONT");
        t.m_fStabSide = Float(name, "STABSIDE");
        t.m_fRotateSpeed = Float(name, "ROTATESPEED");
        t.m_fCareen = Float(name, "CAREEN") * 0.075f;
        t.m_fDeltaT = Float(name, "DELTAT") * 0.1f;
        t.m_fPrice = Float(name, "PRICE");
        t.m_fRestore = Float(name, "RESTORE");
        const std::int32_t special = Int(name, "SPECIAL");
        t.m_bSpecial1 = (special & 2) == 0;
        t.m_bSpecial2 = (special & 1) == 0 && t.m_nStandard > 2;
        t.m_nGunMask = Int(name, "GUNMASK");
        if (t.m_nGunMask == 0) t.m_nGunMask = t.m_nStandard > 2 ? 513 : 1;
    }
    ReadTypeHeaders();
    return ok;
}

const SGliderParameters* CGliderManager::GetGlider(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

CMMObject* CGliderManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    XTRACE("CGliderManager::CreateObject");
    const std::int32_t type = FindName(typeName);
    if (type < 0 || !placement || !g_UnitKinds.makeGlider) return nullptr;
    CMMObject* glider = g_UnitKinds.makeGlider(*placement, type, gameId);
    if (glider) g_ObjectList.AddObject(glider);
    return glider;
}

int CGliderManager::GetParam(SGliderParameters& sParam, int iID, std::uint32_t dwModifier) const
{
    XTRACE("GetParam( SGliderParameters &sParam, int iID, DWORD dwModifier )");
    const SGliderParameters* base = GetGlider(iID);
    if (!base) return 0;
    sParam = *base;
    if (dwModifier == 0) return 1;
    const IModifierTable* rules = g_UnitKinds.modifiers;
    std::int32_t a = -1, b = -1, c = -1;
    if (rules) rules->GetModifID(dwModifier, &a, &b, &c);
    if (a == -1 && b == -1 && c == -1) return -1;
    const std::uint32_t type = IModifierTable::GetModifType(dwModifier);
    if (type != 1) return int(type);
    return ModifGlider(sParam, *base, a, b, c);
}

int CGliderManager::ModifGlider(SGliderParameters& p, const SGliderParameters& base, std::int32_t a,
                                std::int32_t b, std::int32_t c) const
{
    XTRACE("CGliderManager::ModifGlider");
    const IModifierTable& rules = *g_UnitKinds.modifiers;
    float noPrice = 0.0f;
    // A heavier hull: WEIGHT is raised as a decrease of minus its base.
    if (a != -1)
        rules.ApplyModif(a, base.m_fDamage, &p.m_fDamage, -base.m_fWeight, &p.m_fWeight, base.m_fPrice,
                         &p.m_fPrice);
    if (b != -1)
        rules.ApplyModif(b, base.m_fMaxWeight, &p.m_fMaxWeight, base.m_fRotateSpeed, &p.m_fRotateSpeed, 0.0f,
                         &noPrice);
    if (c != -1)
        rules.ApplyModif(c, base.m_fRotateSpeed, &p.m_fRotateSpeed, base.m_fDamage, &p.m_fDamage, 0.0f,
                         &noPrice);
    return 1;
}

float CGliderManager::GetTenthPrice(int id, std::uint32_t modifier) const
{
    SGliderParameters p;
    if (GetParam(p, id, modifier) == 0) return 0.0f;
    return p.m_fPrice * 0.1f;
}

void CGliderManager::InitGlider(int type)
{
    XTRACE("CGliderManager::InitGlider");
    if (type < 0 || type >= std::int32_t(m_Types.size())) return;
    SGliderParameters& t = m_Types[std::size_t(type)];
    const std::int32_t id = t.GetModelId();
    if (id < 0 || !g_pModelManager) return;
    auto* object = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id));
    if (!object || object->GetPartCount() == 0) return;
    CModel* body = object->GetPart(0).m_pModel.get();
    if (!body && object->GetPartCount() > 1) body = object->GetPart(1).m_pModel.get();
    if (body) FindAnimations(*body, t.m_nAnims);
    const char* name = GetName(type);
    for (int i = 0; i < SGliderParameters::kFirePoints; ++i)
    {
        char part[8] = "FIRE";
        if (i > 0) part[4] = char('0' + i);
        SGliderMount& m = t.m_FirePoints[i];
        m.m_nPart = FindPart(*object, part);
        if (m.m_nPart < 0) continue;
        CModel* model = object->GetPart(m.m_nPart).m_pModel.get();
        if (!model) continue;
        FindAnimations(*model, m.m_nAnims);
        if (!CreateTransData(model, &t.m_FireTrans[i])) g_ErrorLog.LogError("TransData error in %s", name);
    }
    static const char* const kMounts[SGliderParameters::kMounts] = {"LIGHTGUN", "LIGHTGUN1", "HEAVYGUN",
                                                                     "HEAVYGUN1", "ROCKET"};
    for (int i = 0; i < SGliderParameters::kMounts; ++i)
    {
        SGliderMount& m = t.m_Mounts[i];
        m.m_nPart = FindPart(*object, kMounts[i]);
        if (m.m_nPart < 0) continue;
        CModel* model = object->GetPart(m.m_nPart).m_pModel.get();
        if (!model) continue;
        FindAnimations(*model, m.m_nAnims);
        if (i == 0 && !CreateTransData(model, &t.m_LightGunTrans))
            g_ErrorLog.LogError("TransData error in %s", name);
    }
    t.m_bPrepared = 1;
    t.m_nPoints = 0; // the meshes keep no point list yet
}

int CGliderManager::CheckKind(int type, int kind) const
{
    if (kind != 1) return 1;
    const SGliderParameters* t = GetGlider(type);
    return t && t->m_nStandard > 2 ? 1 : 0;
}

bool CGliderManager::CheckEquipmentClass(int type, int equipment) const
{
    const SGliderParameters* t = GetGlider(type);
    if (!t || !g_UnitKinds.equipmentClass) return false;
    const std::int32_t cls = g_UnitKinds.equipmentClass(equipment);
    if (cls < 0) return false;
    return cls == t->m_nStandard || cls == t->m_nStandard - 1;
}

// --- missiles ----------------------------------------------------------------

bool CMissileManager::Init(const char* section)
{
    XTRACE("CMissileManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SMissileParameters{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    const std::int32_t glow = FindTextureId("TEX_FX_THING_GLOW_MECH");
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SMissileParameters& t = m_Types[std::size_t(i)];
        t.m_nTexture = TextureId(name, "Texture");
        t.m_nTexture2 = TextureId(name, "Texture2");
        t.m_nKind = Int(name, "TYPE");
        t.m_fSpeed = Float(name, "SPEED");
        t.m_fDamage = Float(name, "DAMAGE");
        t.m_nDamageType = Int(name, "DAMAGETYPE");
        t.m_nSubCount = Int(name, "NUMSTATE");
        if (t.m_nSubCount == 0) t.m_nSubCount = 1;
        t.m_fScale = Float(name, "SCALE");
        if (t.m_fScale == 0.0f) t.m_fScale = 1.0f;
        t.m_iExplo = RowId(g_ExploManager, name, "EXPLO");
        t.m_fRotate = Float(name, "ROTATE");
        t.m_fWeight = Float(name, "WEIGHT");
        t.m_bNoTrade = Int(name, "NOTRADE") == 1;
        t.m_fPrice = Float(name, "PRICE");
        t.m_nIcon = Int(name, "ICON");
        t.m_nStandard = Int(name, "STANDARD");
        t.m_nSubKind = Int(name, "SUBTYPE");
        t.m_fLifeTime = Float(name, "LIFE_TIME");
        t.m_fDetonationDistance = Float(name, "DISTANCE_DETONATION");
        t.m_fDetonationDelay = Float(name, "DETONATION_DELAY");
        t.m_fStrength = Float(name, "STRENGTH");
        t.m_fResistance = Float(name, "RESISTANCE");
        t.m_iTailModel = ModelId(name, "TAIL_MODEL");
        t.m_nGlowTexture = glow;
        t.m_fWobble = Float(name, "T");
    }
    // Sub-missiles name rows of this same table: resolved once all are known.
    for (std::int32_t i = 0; i < m_nCount; ++i)
        m_Types[std::size_t(i)].m_iSubMissile = RowId(*this, GetName(i), "SUBMISSILE");
    ComputeDamages();
    return ok;
}

void CMissileManager::ComputeDamages()
{
    // 0 not yet visited, 1 on the chain being followed, 2 done.
    std::vector<std::uint8_t> state(m_Types.size(), 0);
    for (std::size_t i = 0; i < m_Types.size(); ++i)
        SubDamage(std::int32_t(i), state);
}

float CMissileManager::SubDamage(std::int32_t type, std::vector<std::uint8_t>& state)
{
    SMissileParameters& t = m_Types[std::size_t(type)];
    if (state[std::size_t(type)] == 2) return t.m_fMaxDamage[0] + t.m_fMaxDamage[1] + t.m_fMaxDamage[2];
    state[std::size_t(type)] = 1;
    t.m_fMaxDamage[0] = t.m_fDamage;
    t.m_fMaxDamage[1] = g_ExploManager.GetDamage(t.m_iExplo);
    t.m_fMaxDamage[2] = 0.0f;
    const std::int32_t sub = t.m_iSubMissile;
    if (sub >= 0 && state[std::size_t(sub)] == 1)
    {
        // A chain that comes back to a type on it would split for ever.
        g_ErrorLog.LogError("CMissileManager::Init: missile type '%s': SUBMISSILE '%s' leads back to it; "
                            "the sub-missile is dropped",
                            GetName(type), GetName(sub));
        t.m_iSubMissile = -1;
    }
    else if (sub >= 0)
    {
        t.m_fMaxDamage[2] = float(t.m_nSubCount) * SubDamage(sub, state);
    }
    state[std::size_t(type)] = 2;
    return t.m_fMaxDamage[0] + t.m_fMaxDamage[1] + t.m_fMaxDamage[2];
}

const SMissileParameters* CMissileManager::Param(std::int32_t index) const
{
    static const SMissileParameters s_default{};
    if (index == -1) return &s_default;
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

CMMObject* CMissileManager::CreateMissile(std::int32_t type, const CMatrix& placement, const char* gameId,
                                          std::uint32_t word)
{
    XTRACE("CMissileManager::CreateMissile");
    if (!g_UnitKinds.makeMissile) return nullptr;
    CMMObject* missile = g_UnitKinds.makeMissile(placement, type, word, gameId);
    if (missile) g_ObjectList.AddObject(missile);
    return missile;
}

CMMObject* CMissileManager::CreateNetObject(const SNetDescriptor* descriptor)
{
    XTRACE("CMissileManager::CreateNetObject");
    SDynamicNetDescriptor d;
    std::memcpy(&d, descriptor, sizeof d);
    const auto index = std::int32_t(d.base.typeRef);
    if (index == -1) return nullptr;
    if (d.base.type != OBJ_MISSILE || index < 0 || index >= std::int32_t(m_Types.size()))
    {
        g_ErrorLog.LogError("CMissileManager::CreateNetObject: net object %u is no missile (object type %d, "
                            "missile type %d)",
                            d.base.netId, d.base.type, index);
        return nullptr;
    }
    if (!g_UnitKinds.makeMissile) return nullptr;
    CMatrix frame(1.0f);
    frame.SetTranslation(CVector{d.base.position[0], d.base.position[1], d.base.position[2]});
    CMMObject* missile = g_UnitKinds.makeMissile(frame, index, 0, nullptr);
    if (!missile) return nullptr;
    int size = 0;
    missile->ReadNetDescriptor(descriptor, &size);
    missile->m_nNetId = d.base.netId;
    missile->m_bNetwork = 1;
    missile->m_bLocal = 0;
    g_ObjectList.AddObject(missile);
    g_ObjectList.AddNetObject(missile);
    return missile;
}

float CMissileManager::GetAddDirectHit(std::int32_t type, std::uint32_t modifier) const
{
    XTRACE("CMissileManager::GetAddDirectHit");
    if (type < 0 || type >= std::int32_t(m_Types.size())) return 0.0f;
    const IModifierTable* rules = g_UnitKinds.modifiers;
    // Only a weapon word adds anything: without a modifier a hit deals
    // DAMAGE once (the word 0 must not add DAMAGE a second time).
    if (!rules || IModifierTable::GetModifType(modifier) != 2) return 0.0f;
    std::int32_t a = -1, b = -1, c = -1;
    rules->GetModifID(modifier, &a, &b, &c);
    if (b == -1 && c == -1) return 0.0f;
    const float base = m_Types[std::size_t(type)].m_fDamage;
    float damage = base, unused = 0.0f, noPrice = 0.0f;
    if (b != -1) rules->ApplyModif(b, base, &damage, 0.0f, &unused, 0.0f, &noPrice);
    if (c != -1) rules->ApplyModif(c, 0.0f, &unused, base, &damage, 0.0f, &noPrice);
    return damage - base;
}

float CMissileManager::GetMaxDamage(float out[3], std::int32_t type, std::uint32_t modifier) const
{
    XTRACE("CMissileManager::GetMaxDamage");
    if (type < 0 || type >= std::int32_t(m_Types.size())) return 0.0f;
    const SMissileParameters& t = m_Types[std::size_t(type)];
    std::copy(t.m_fMaxDamage, t.m_fMaxDamage + 3, out);
    if (modifier) out[0] = t.m_fDamage + GetAddDirectHit(type, modifier);
    return out[0] + out[1] + out[2];
}

// --- explosions --------------------------------------------------------------

bool CExploManager::Init(const char* section)
{
    XTRACE("CExploManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SExploParameters{});
    m_nTypeCount = m_nCount;
    ReadTypeHeaders();
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SExploParameters& t = m_Types[std::size_t(i)];
        t.m_fDamage = Float(name, "DAMAGE");
        t.m_nDamageType = Int(name, "DAMAGETYPE");
        t.m_fRadius = Float(name, "RADIUS");
        if (t.m_fRadius == 0.0f) t.m_fRadius = 10.0f;
        t.m_fImpulse = Float(name, "IMPULSE");
        t.m_fLightRadius = Float(name, "LIGHTRADIUS");
        t.m_bLight = t.m_fLightRadius != 0.0f;
        const auto rgb = std::uint32_t(Int(name, "LIGHTCOLOR"));
        t.m_dwLightColor = (rgb & 0xFF00FF00u) | ((rgb >> 16) & 0xFFu) | ((rgb & 0xFFu) << 16);
        t.m_bPlane = Int(name, "ISPLANE") == 1;
        t.m_iSound = t.GetSoundIndex();
        for (int n = 0; n < SExploParameters::kLayers; ++n)
        {
            SExploLayer& l = t.m_Layers[n];
            char key[32];
            auto K = [&](const char* format)
            {
                std::snprintf(key, sizeof key, format, n);
                return key;
            };
            auto I = [&](const char* format) { return Int(name, K(format)); };
            auto F = [&](const char* format) { return Float(name, K(format)); };
            auto OneIfZero = [](float v) { return v == 0.0f ? 1.0f : v; };
            l.m_nKind = I("TYPE%d");
            l.m_nTextures = std::clamp(I("NTEX%d"), 1, SExploLayer::kMaxTextures);
            if (l.m_nTextures == 1 && I("NTEX%d") <= 1)
                l.m_nTexture[0] = TextureId(name, K("TEXTURE%d"));
            else
                for (int k = 0; k < l.m_nTextures; ++k)
                {
                    std::snprintf(key, sizeof key, "TEXTURE%d_%d", n, k);
                    l.m_nTexture[k] = TextureId(name, key);
                }
            l.m_fDelay = F("DELAY%d");
            l.m_fDuration = OneIfZero(F("DURATION%d"));
            l.m_fScale = OneIfZero(F("SCALE%d"));
            l.m_fScale2 = F("SCALE2_%d");
            l.m_nXState = std::max(1, I("XSTATE%d"));
            l.m_nYState = std::max(1, I("YSTATE%d"));
            l.m_nMapColor = I("MAPCOLOR%d");
            l.m_nAdd = I("ADD%d");
            l.m_bRandomPhase = I("RANDOMPHASE%d") != 0;
            l.m_fSpeed = F("SPEED%d");
            l.m_nNum = I("NUM%d");
            l.m_fShift = F("SHIFT%d");
            l.m_fOpacity = F("OPACITY%d");
            l.m_fHideTime = F("HIDETIME%d");
            l.m_nModels = std::clamp(I("NMODEL%d"), 1, SExploLayer::kMaxModels);
            if (l.m_nModels == 1 && I("NMODEL%d") <= 1)
                l.m_nModel[0] = ModelId(name, K("MODEL%d"));
            else
                for (int k = 0; k < l.m_nModels; ++k)
                {
                    std::snprintf(key, sizeof key, "MODEL%d_%d", n, k);
                    l.m_nModel[k] = ModelId(name, key);
                }
            l.m_nTrail = I("XTYPE%d");
        }
    }
    // Child explosions name rows of this same table: resolved once all are known.
    for (std::int32_t i = 0; i < m_nCount; ++i)
        for (int n = 0; n < SExploParameters::kLayers; ++n)
        {
            char key[32];
            std::snprintf(key, sizeof key, "ID1_%d", n);
            m_Types[std::size_t(i)].m_Layers[n].m_iChild = RowId(*this, GetName(i), key);
        }
    return ok;
}

const SExploParameters* CExploManager::Param(std::int32_t index) const
{
    XTRACE("CExploManager::Param");
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

float CExploManager::GetDamage(std::int32_t index) const
{
    const SExploParameters* t = Param(index);
    return t ? t->m_fDamage : 0.0f;
}

CMMObject* CExploManager::CreateObject(std::int32_t index, const CMatrix& placement)
{
    XTRACE("CExploManager::CreateObject");
    if (!Param(index) || !g_UnitKinds.makeExplo) return nullptr;
    CMMObject* explo = g_UnitKinds.makeExplo(placement, index);
    if (explo) g_ObjectList.AddObject(explo);
    return explo;
}
