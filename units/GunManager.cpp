#include "units/GunManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/ModifManager.h"
#include "units/KindManagers.h"
#include "units/UnitTypes.h"

#include <cstdio>
#include <cstring>

CGunManager g_GunManager;

std::int32_t SGunParameters::GetModelId() const
{
    return FieldId(m_Model);
}
std::int32_t SGunParameters::GetMissileId() const
{
    return FieldId(m_Missile);
}
std::int32_t SGunParameters::GetExploId() const
{
    return FieldId(m_Explo);
}
std::int32_t SGunParameters::GetSoundId() const
{
    return FieldId(m_Sound);
}
std::int32_t SGunParameters::GetSoundEndId() const
{
    return FieldId(m_SoundEnd);
}

namespace
{

// A float field; a value read as exactly 0 takes the default.
float FloatOr(const char* record, const char* field, float defaultValue)
{
    const float v = g_ResourceDB.GetFloatField(record, field, 0.0f);
    return v == 0.0f ? defaultValue : v;
}

bool Flag(const char* record, const char* field)
{
    return g_ResourceDB.GetIntegerField(record, field, 0) == 1;
}

void Name(const char* record, const char* field, char out[32])
{
    g_ResourceDB.GetStringField(record, field, out, 32);
}

std::int32_t Resolve(const DefaultManager* pool, const char* name)
{
    return pool && name[0] ? pool->FindName(name) : -1;
}

void ReadGun(const char* r, SGunParameters& g)
{
    Name(r, "Model", g.m_Model);
    Name(r, "FXMODEL", g.m_FxModel);
    Name(r, "FXMODEL2", g.m_FxModel2);
    g.m_bDoubleGun = Flag(r, "DoubleGun");
    g.m_nStandard = g_ResourceDB.GetIntegerField(r, "Standard", 0);
    g.m_nType = g_ResourceDB.GetIntegerField(r, "TYPE", 0);
    if (g.m_nType == 0) g.m_bDoubleGun = 1;
    g.m_Color[0] = g_ResourceDB.GetFloatField(r, "RColor", 0.0f);
    g.m_Color[1] = g_ResourceDB.GetFloatField(r, "GColor", 0.0f);
    g.m_Color[2] = g_ResourceDB.GetFloatField(r, "BColor", 0.0f);
    g.m_Color[3] = 1.0f;
    g.m_nShootType = g_ResourceDB.GetIntegerField(r, "ShootType", 0);
    Name(r, "ShootTex", g.m_ShootTex[0]);
    Name(r, "ShootTex1", g.m_ShootTex[1]);
    Name(r, "ShootTex2", g.m_ShootTex[2]);
    Name(r, "ShootTex3", g.m_ShootTex[3]);
    g.m_nXState = g_ResourceDB.GetIntegerField(r, "XSTATE", 0);
    g.m_fShootScale = FloatOr(r, "ShootScale", 1.0f);
    // The table gives shots per minute.
    const float rate = g_ResourceDB.GetFloatField(r, "RATEOFFIRE", 0.0f);
    g.m_fRateOfFire = rate == 0.0f ? 1.0f : rate * 0.016666668f;
    Name(r, "MISSILE", g.m_Missile);
    Name(r, "EXPLO", g.m_Explo);
    Name(r, "IDSOUND", g.m_Sound);
    Name(r, "IDSOUNDEND", g.m_SoundEnd);
    g.m_fDamage = g_ResourceDB.GetFloatField(r, "DAMAGE", 0.0f);
    g.m_nDamageType = g_ResourceDB.GetIntegerField(r, "DAMAGETYPE", 0);
    g.m_fPower = g_ResourceDB.GetFloatField(r, "POWER", 0.0f);
    g.m_fSpare = g_ResourceDB.GetFloatField(r, "SPARE", 0.0f);
    g.m_fReconstruction = g_ResourceDB.GetFloatField(r, "RECONSTRUCTION", 0.0f);
    g.m_fFireTime = FloatOr(r, "TFIRE", 10.0f);
    g.m_fCoolTime = FloatOr(r, "TCOOL", g.m_fFireTime * 0.5f);
    g.m_bTypeArms = Flag(r, "TYPEARMS");
    g.m_bVType = Flag(r, "VTYPE");
    g.m_fPrice = g_ResourceDB.GetFloatField(r, "PRICE", 0.0f);
    g.m_fMaxDistance = g_ResourceDB.GetFloatField(r, "MAXDISTANCE", 0.0f);
    g.m_bNoTrade = Flag(r, "NOTRADE");
    g.m_fWeight = FloatOr(r, "WEIGHT", 20.0f);
    g.m_fFxTime = FloatOr(r, "FXTIME", 0.25f);
    g.m_fFxModelTime = FloatOr(r, "FXMODELTIME", 0.5f);
    g.m_nIcon = g_ResourceDB.GetIntegerField(r, "ICON", 0);
    g.m_fAngle = FloatOr(r, "ANGLE", 30.0f);
    g.m_fInsideMul = FloatOr(r, "INSIDE_MUL", 1.0f);
    g.m_vInside[0] = g_ResourceDB.GetFloatField(r, "INSIDE_X", 0.0f);
    g.m_vInside[1] = g_ResourceDB.GetFloatField(r, "INSIDE_Y", 0.0f);
    g.m_vInside[2] = g_ResourceDB.GetFloatField(r, "INSIDE_Z", 0.0f);
}

bool IsInstantHit(std::int32_t shootType)
{
    switch (shootType)
    {
    case 1:
    case 3:
    case 6:
    case 7:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

} // namespace

bool CGunManager::Init(const char* section)
{
    XTRACE("CGunManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Records.assign(std::size_t(m_nCount), SGunParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
        ReadGun(GetName(i), m_Records[std::size_t(i)]);
    const DefaultManager* models = g_pModelManager;
    const DefaultManager* textures = g_pTextureManager;
    const DefaultManager* sounds = g_pSoundManager;
    for (SGunParameters& g : m_Records)
    {
        g.m_bInitialized = 0;
        SetFieldId(g.m_Model, Resolve(models, g.m_Model));
        SetFieldId(g.m_FxModel, Resolve(models, g.m_FxModel));
        SetFieldId(g.m_FxModel2, Resolve(models, g.m_FxModel2));
        for (char* tex : g.m_ShootTex)
            SetFieldId(tex, Resolve(textures, tex));
        SetFieldId(g.m_Explo, Resolve(&g_ExploManager, g.m_Explo));
        SetFieldId(g.m_Missile, Resolve(&g_MissileManager, g.m_Missile));
        SetFieldId(g.m_Sound, Resolve(sounds, g.m_Sound));
        SetFieldId(g.m_SoundEnd, Resolve(sounds, g.m_SoundEnd));
        for (float& v : g.m_MaxDamage)
            v = SGunParameters::kNotComputed;
    }
    return ok;
}

const SGunParameters* CGunManager::GetGun(std::int32_t index) const
{
    static const SGunParameters kNone = []
    {
        SGunParameters g;
        std::memset(static_cast<void*>(&g), 0, sizeof g);
        return g;
    }();
    if (index < 0 || index >= std::int32_t(m_Records.size())) return &kNone;
    return &m_Records[std::size_t(index)];
}

void CGunManager::GetParam(SGunParameters* out, std::int32_t index, std::uint32_t word, bool computeDamage)
{
    XTRACE("CGunManager::GetParam");
    if (index < 0 || index >= std::int32_t(m_Records.size())) return;
    *out = m_Records[std::size_t(index)];
    if (word == 0) return;
    std::int32_t a = -1, b = -1, c = -1;
    g_ModifManager.GetModifID(word, &a, &b, &c);
    if ((a != -1 || b != -1 || c != -1) && CModifManager::GetModifType(word) == MODIF_WEAPON)
        ModifGun(index, out, a, b, c, computeDamage);
}

void CGunManager::ModifGun(std::int32_t index, SGunParameters* p, std::int32_t a, std::int32_t b,
                           std::int32_t c, bool computeDamage)
{
    XTRACE("CGunManager::ModifGun");
    if (index < 0 || index >= std::int32_t(m_Records.size())) return;
    const SGunParameters& base = m_Records[std::size_t(index)];
    std::uint32_t word = 0;
    auto collect = [&](std::int32_t record)
    {
        if (const SModifParameters* m = g_ModifManager.GetModif(record))
            CModifManager::UpgradeModif(&word, m->m_dwUnicumId);
    };
    // Negated bases turn the direction of a factor: property 0 raises the
    // rate of fire and the energy drawn, property 2 lowers the energy drawn.
    if (a != -1)
    {
        g_ModifManager.ApplyModif(a, base.m_fRateOfFire, &p->m_fRateOfFire, -base.m_fPower, &p->m_fPower,
                                  base.m_fPrice, &p->m_fPrice);
        collect(a);
    }
    if (b != -1)
    {
        g_ModifManager.ApplyModif(b, base.m_fDamage, &p->m_fDamage, base.m_fFireTime, &p->m_fFireTime,
                                  base.m_fPrice, &p->m_fPrice);
        collect(b);
    }
    if (c != -1)
    {
        g_ModifManager.ApplyModif(c, -base.m_fPower, &p->m_fPower, base.m_fDamage, &p->m_fDamage,
                                  base.m_fPrice, &p->m_fPrice);
        collect(c);
    }
    if (computeDamage && word != 0) GetMaxDamage(p->m_MaxDamage, index, word, true);
}

float CGunManager::GetMaxDamage(float out[3], std::int32_t index, std::uint32_t word, bool includeExplosion)
{
    XTRACE("CMissileManager::GetMaxDamage");
    if (index < 0 || index >= std::int32_t(m_Records.size())) return 0.0f;
    SGunParameters& g = m_Records[std::size_t(index)];
    const bool notComputed = g.m_MaxDamage[0] == SGunParameters::kNotComputed;
    const bool instant = IsInstantHit(g.m_nShootType);
    float A[3] = {}, B[3] = {};
    if (instant)
    {
        if (notComputed)
        {
            g.m_MaxDamage[0] = g.m_fDamage;
            g.m_MaxDamage[1] = g.GetExploId() != -1 ? g_ExploManager.GetDamage(g.GetExploId()) : 0.0f;
            g.m_MaxDamage[2] = 0.0f;
        }
    }
    else if (notComputed || word != 0)
    {
        g_MissileManager.GetMaxDamage(A, g.GetMissileId(), 0);
        g_MissileManager.GetMaxDamage(B, g.GetMissileId(), word);
        if (notComputed)
            for (int i = 0; i < 3; ++i)
                g.m_MaxDamage[i] = A[i];
    }
    float first = g.m_MaxDamage[0];
    if (instant && word != 0)
    {
        SGunParameters modified;
        GetParam(&modified, index, word, false);
        first = modified.m_fDamage;
    }
    out[0] = first + B[0] - A[0];
    out[1] = g.m_MaxDamage[1] + B[1] - A[1];
    out[2] = g.m_MaxDamage[2] + B[2] - A[2];
    return out[0] + out[2] + (includeExplosion ? out[1] : 0.0f);
}

void CGunManager::InitGun(std::int32_t index)
{
    XTRACE("CGunManager::InitGun");
    if (index < 0 || index >= std::int32_t(m_Records.size())) return;
    SGunParameters& g = m_Records[std::size_t(index)];
    for (float& v : g.m_vFirePoint)
        v = 0.0f;
    // The model may still be loading: then the gun asks again next time.
    IModelObject* model = g_pModelManager ? g_pModelManager->GetModel(g.GetModelId()) : nullptr;
    auto* complex = dynamic_cast<CComplexObject*>(model);
    if (!complex)
    {
        g.m_FirePoints[0] = g.m_FirePoints[1] = g.m_FirePoints[2] = -1;
        g.m_iFireObject = -1;
        return;
    }
    g.m_bInitialized = 1;
    // The model file keeps its fire points as marker parts: a marker's
    // lowest corner is its point.
    g.m_FirePoints[0] = complex->FindObject("FX");
    g.m_FirePoints[1] = complex->FindObject("FX1");
    g.m_FirePoints[2] = complex->FindObject("FX2");
    g.m_iFireObject = complex->FindObject("FIRE");
    if (g.m_FirePoints[0] >= 0)
    {
        const CMatrix point = GetMountMatrix(g.GetModelId(), g.m_FirePoints[0]);
        g.m_vFirePoint[0] = point.m[3][0];
        g.m_vFirePoint[1] = point.m[3][1];
        g.m_vFirePoint[2] = point.m[3][2];
    }
}
