#include "units/KindManagers.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ModelManager.h"
#include "sound/SoundManager.h"
#include "units/ExploObject.h"
#include "units/MissileObject.h"
#include "world/MMEngine.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

CGliderManager g_GliderManager;
CMissileManager g_MissileManager;
CExploManager g_ExploManager;
CGoodsManager g_GoodsManager;
CTowerManager g_TowerManager;
CTankManager g_TankManager;
CFlyTehManager g_FlyTehManager;
CGathererManager g_GathererManager;
CCapsuleManager g_CapsuleManager;

void RegisterUnitManagers()
{
    SUnitManagers& u = g_UnitManagers;
    u.glider = &g_GliderManager;
    u.explo = &g_ExploManager;
    u.missile = &g_MissileManager;
    u.equipment = &g_EquipmentManager;
    u.gun = &g_GunManager;
    u.modif = &g_ModifManager;
    u.goods = &g_GoodsManager;
    u.mechConfig = &g_MechConfigManager;
    u.flyTeh = &g_FlyTehManager;
    u.gatherer = &g_GathererManager;
    u.capsule = &g_CapsuleManager;
    u.tower = &g_TowerManager;
    u.tank = &g_TankManager;
    u.exploFlags[0] = g_ExploManager.m_Flags1;
    u.exploFlags[1] = g_ExploManager.m_Flags2;
    u.exploFlagCount = CExploManager::kFlags;
}

bool CGliderManager::Init(const char* section)
{
    XTRACE("CGliderManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SGliderParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SGliderParameters& t = m_Types[std::size_t(i)];
        t.m_fWeight = g_ResourceDB.GetFloatField(name, "WEIGHT", 0.0f);
        t.m_fMaxWeight = g_ResourceDB.GetFloatField(name, "MAXWEIGHT", 0.0f) * 1.25f;
        t.m_nStandard = g_ResourceDB.GetIntegerField(name, "STANDARD", 0);
        t.m_fDamage = g_ResourceDB.GetFloatField(name, "DAMAGE", 0.0f);
        t.m_fPrice = g_ResourceDB.GetFloatField(name, "PRICE", 0.0f);
        t.m_fRestore = g_ResourceDB.GetFloatField(name, "RESTORE", 0.0f);
        t.m_dwGunMask = std::uint32_t(g_ResourceDB.GetIntegerField(name, "GUNMASK", 0));
        if (t.m_dwGunMask == 0) t.m_dwGunMask = t.m_nStandard > 2 ? 0x201u : 0x001u;
    }
    return ok;
}

const SGliderParameters* CGliderManager::GetType(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

void CGliderManager::GetParam(SGliderParameters* out, std::int32_t index, std::uint32_t) const
{
    if (const SGliderParameters* t = GetType(index)) *out = *t;
}

bool CMissileManager::Init(const char* section)
{
    XTRACE("CMissileManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Types.assign(std::size_t(m_nCount), SMissileParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SMissileParameters& t = m_Types[std::size_t(i)];
        t.m_fDamage = g_ResourceDB.GetFloatField(name, "DAMAGE", 0.0f);
        t.m_fWeight = g_ResourceDB.GetFloatField(name, "WEIGHT", 0.0f);
        char explo[32] = {};
        g_ResourceDB.GetStringField(name, "EXPLO", explo, sizeof explo);
        t.m_iExplo = g_ExploManager.FindName(explo);
        t.m_nKind = g_ResourceDB.GetIntegerField(name, "TYPE", 0);
        t.m_nSubKind = g_ResourceDB.GetIntegerField(name, "SUBTYPE", 0);
        t.m_fSpeed = g_ResourceDB.GetFloatField(name, "SPEED", 0.0f);
        t.m_fScale = g_ResourceDB.GetFloatField(name, "SCALE", 0.0f);
        if (t.m_fScale == 0.0f) t.m_fScale = 1.0f;
        t.m_nSubCount = g_ResourceDB.GetIntegerField(name, "NUMSTATE", 0);
        if (t.m_nSubCount == 0) t.m_nSubCount = 1;
        t.m_fRotate = g_ResourceDB.GetFloatField(name, "ROTATE", 0.0f);
        t.m_fWobble = g_ResourceDB.GetFloatField(name, "T", 0.0f);
        t.m_fLifeTime = g_ResourceDB.GetFloatField(name, "LIFE_TIME", 0.0f);
        t.m_fStrength = g_ResourceDB.GetFloatField(name, "STRENGTH", 0.0f);
        t.m_fResistance = g_ResourceDB.GetFloatField(name, "RESISTANCE", 0.0f);
        t.m_fDetonationDistance = g_ResourceDB.GetFloatField(name, "DISTANCE_DETONATION", 0.0f);
        t.m_fDetonationDelay = g_ResourceDB.GetFloatField(name, "DETONATION_DELAY", 0.0f);
        t.m_nDamageType = g_ResourceDB.GetIntegerField(name, "DAMAGETYPE", 0);
        t.m_fPrice = g_ResourceDB.GetFloatField(name, "PRICE", 0.0f);
        t.m_bNoTrade = g_ResourceDB.GetIntegerField(name, "NOTRADE", 0) == 1;
        char tail[32] = {};
        g_ResourceDB.GetStringField(name, "TAIL_MODEL", tail, sizeof tail);
        const DefaultManager* models = g_pModelManager;
        t.m_iTailModel = models && tail[0] ? models->FindName(tail) : -1;
    }
    // Cluster children name rows of this same table.
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        char sub[32] = {};
        g_ResourceDB.GetStringField(GetName(i), "SUBMISSILE", sub, sizeof sub);
        m_Types[std::size_t(i)].m_iSubMissile = sub[0] ? FindName(sub) : -1;
    }
    return ok;
}

CMissileObject* CMissileManager::CreateMissile(const STypeKey& type, const CMatrix& frame, const char* name,
                                               std::uint32_t word)
{
    XTRACE("CMissileManager::CreateMissile");
    auto* missile = new CMissileObject;
    if (name) std::strncpy(missile->m_szGameId, name, sizeof missile->m_szGameId - 1);
    missile->Init(frame, type, word);
    g_ObjectList.AddObject(missile);
    return missile;
}

CMissileObject* CMissileManager::CreateNetObject(const void* descriptor)
{
    XTRACE("CMissileManager::CreateNetObject");
    SDynamicNetDescriptor d;
    std::memcpy(&d, descriptor, sizeof d);
    const auto index = std::int32_t(d.base.typeRef);
    if (d.base.type != OBJ_MISSILE || !Param(index))
    {
        g_ErrorLog.LogError("CMissileManager::CreateNetObject: net object %u is no missile (object type %d, "
                            "missile type %d)",
                            d.base.netId, d.base.type, index);
        return nullptr;
    }
    CMatrix frame(1.0f);
    const float* axes[3] = {d.side, d.up, d.forward};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            frame.m[r][c] = axes[c][r];
    frame.SetTranslation(CVector{d.base.position[0], d.base.position[1], d.base.position[2]});
    auto* missile = new CMissileObject;
    missile->Init(frame, STypeKey(index), 0);
    int size = 0;
    missile->ReadNetDescriptor(descriptor, &size);
    missile->m_nNetId = d.base.netId;
    missile->m_bNetwork = 1;
    missile->m_bLocal = 0;
    g_ObjectList.AddObject(missile);
    g_ObjectList.AddNetObject(missile);
    return missile;
}

const SMissileParameters* CMissileManager::Param(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

float CMissileManager::GetMaxDamage(float out[3], std::int32_t index, std::uint32_t) const
{
    out[0] = out[1] = out[2] = 0.0f;
    const SMissileParameters* t = Param(index);
    if (!t) return 0.0f;
    out[0] = t->m_fDamage;
    out[1] = g_ExploManager.GetDamage(t->m_iExplo);
    return out[0] + out[1] + out[2];
}

bool CExploManager::Init(const char* section)
{
    XTRACE("CExploManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Damage.assign(std::size_t(m_nCount), 0.0f);
    m_Types.assign(std::size_t(m_nCount), SExploParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SExploParameters& t = m_Types[std::size_t(i)];
        m_Damage[std::size_t(i)] = t.m_fDamage = g_ResourceDB.GetFloatField(name, "DAMAGE", 0.0f);
        t.m_nDamageType = g_ResourceDB.GetIntegerField(name, "DAMAGETYPE", 0);
        t.m_fRadius = g_ResourceDB.GetFloatField(name, "RADIUS", 0.0f);
        if (t.m_fRadius == 0.0f) t.m_fRadius = 10.0f;
        t.m_fImpulse = g_ResourceDB.GetFloatField(name, "IMPULSE", 0.0f);
        t.m_bPlane = g_ResourceDB.GetIntegerField(name, "ISPLANE", 0) == 1;
        t.m_fLightRadius = g_ResourceDB.GetFloatField(name, "LIGHTRADIUS", 0.0f);
        t.m_bLight = t.m_fLightRadius != 0.0f;
        const auto rgb = std::uint32_t(g_ResourceDB.GetIntegerField(name, "LIGHTCOLOR", 0));
        t.m_dwLightColor = (rgb & 0xFF00FF00u) | ((rgb >> 16) & 0xFFu) | ((rgb & 0xFFu) << 16);
        char sound[32] = {};
        g_ResourceDB.GetStringField(name, "SOUND", sound, sizeof sound);
        t.m_iSound = g_pSoundManager && sound[0] ? g_pSoundManager->FindName(sound) : -1;
        for (int n = 0; n < SExploParameters::kLayers; ++n)
        {
            SExploLayer& l = t.m_Layers[n];
            char key[32];
            auto I = [&](const char* format, std::int32_t def)
            {
                std::snprintf(key, sizeof key, format, n);
                return g_ResourceDB.GetIntegerField(name, key, def);
            };
            auto F = [&](const char* format)
            {
                std::snprintf(key, sizeof key, format, n);
                return g_ResourceDB.GetFloatField(name, key, 0.0f);
            };
            l.m_nKind = I("TYPE%d", 0);
            l.m_nTextures = std::max(1, I("NTEX%d", 0));
            l.m_fDelay = F("DELAY%d");
            l.m_fDuration = F("DURATION%d");
            l.m_nXState = std::max(1, I("XSTATE%d", 0));
            l.m_nYState = std::max(1, I("YSTATE%d", 0));
            l.m_fScale = F("SCALE%d");
            l.m_fScale2 = F("SCALE2_%d");
            l.m_bRandomPhase = I("RANDOMPHASE%d", 0) != 0;
            l.m_fSpeed = F("SPEED%d");
            l.m_nNum = I("NUM%d", 0);
            l.m_fShift = F("SHIFT%d");
            l.m_fHideTime = F("HIDETIME%d");
            l.m_nModels = std::max(1, I("NMODEL%d", 0));
            l.m_nTrail = I("XTYPE%d", 0);
        }
    }
    // Child explosions name rows of this same table: resolved once all are known.
    for (std::int32_t i = 0; i < m_nCount; ++i)
        for (int n = 0; n < SExploParameters::kLayers; ++n)
        {
            char key[32], child[32] = {};
            std::snprintf(key, sizeof key, "ID1_%d", n);
            g_ResourceDB.GetStringField(GetName(i), key, child, sizeof child);
            m_Types[std::size_t(i)].m_Layers[n].m_iChild = child[0] ? FindName(child) : -1;
        }
    return ok;
}

const SExploParameters* CExploManager::Param(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Types.size())) return nullptr;
    return &m_Types[std::size_t(index)];
}

CExploObject* CExploManager::CreateObject(std::int32_t index, const CMatrix& placement)
{
    XTRACE("CExploManager::CreateObject");
    if (!Param(index)) return nullptr;
    auto* explo = new CExploObject;
    explo->Init(placement, index);
    g_ObjectList.AddObject(explo);
    return explo;
}

float CExploManager::GetDamage(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Damage.size())) return 0.0f;
    return m_Damage[std::size_t(index)];
}

bool CGoodsManager::Init(const char* section)
{
    XTRACE("CGoodsManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Goods.assign(std::size_t(m_nCount), SGoodsParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SGoodsParameters& g = m_Goods[std::size_t(i)];
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
