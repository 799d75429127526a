// CGunManager: the weapon table (section "Оружие").
//
// One SGunParameters per listed record, read with the defaults of the
// weapon fields (a float read as 0 was not given). Name fields (models,
// shot textures, missile, explosion, sounds) hold the resolved index in
// their first word after Init, -1 for a name the owning table lacks.
// GetParam applies a weapon modifier word to a copy of a record; the only
// state written after loading is each record's maximum-damage cache and
// the lazy fire-point set-up of InitGun.
//
// Threads: the main thread (Init on the start-up loader before the game).
#pragma once

#include "foundation/DefaultManager.h"

#include <cfloat>
#include <cstdint>
#include <vector>

struct SGunParameters
{
    static constexpr float kNotComputed = FLT_MAX;

    char m_Model[32] = {};         // "Model"
    char m_FxModel[32] = {};       // "FXMODEL"
    char m_FxModel2[32] = {};      // "FXMODEL2"
    std::uint8_t m_bDoubleGun = 0; // "DoubleGun"; always 1 for TYPE 0
    std::int32_t m_nStandard = 0;  // "Standard"
    std::int32_t m_nType = 0;      // "TYPE": weapon kind
    float m_Color[4] = {};         // "RColor", "GColor", "BColor", alpha 1
    std::uint8_t m_bInitialized = 0;
    std::int32_t m_FirePoints[3] = {-1, -1, -1}; // "FX", "FX1", "FX2" of the model
    std::int32_t m_iFireObject = -1;             // sub-object "FIRE"
    float m_vFirePoint[3] = {};
    std::int32_t m_nShootType = 0;  // "ShootType" 0..10
    char m_ShootTex[4][32] = {};    // "ShootTex", "ShootTex1".."ShootTex3"
    std::int32_t m_nXState = 0;     // "XSTATE"
    float m_fShootScale = 1.0f;     // "ShootScale"
    float m_fRateOfFire = 1.0f;     // "RATEOFFIRE", per second
    char m_Missile[32] = {};        // "MISSILE"
    char m_Explo[32] = {};          // "EXPLO"
    char m_Sound[32] = {};          // "IDSOUND"
    char m_SoundEnd[32] = {};       // "IDSOUNDEND"
    float m_fDamage = 0.0f;         // "DAMAGE"
    std::int32_t m_nDamageType = 0; // "DAMAGETYPE"
    float m_fPower = 0.0f;          // "POWER"
    float m_fSpare = 0.0f;          // "SPARE": largest ammunition
    float m_fReconstruction = 0.0f; // "RECONSTRUCTION"
    float m_fFireTime = 10.0f;      // "TFIRE"
    float m_fCoolTime = 5.0f;       // "TCOOL"
    std::uint8_t m_bTypeArms = 0;   // "TYPEARMS": uses ammunition
    std::uint8_t m_bVType = 0;      // "VTYPE": continuous
    float m_fPrice = 0.0f;          // "PRICE"
    float m_fMaxDistance = 0.0f;    // "MAXDISTANCE"
    std::uint8_t m_bNoTrade = 0;    // "NOTRADE"
    float m_fWeight = 20.0f;        // "WEIGHT"
    float m_fFxTime = 0.25f;        // "FXTIME"
    float m_fFxModelTime = 0.5f;    // "FXMODELTIME"
    std::int32_t m_nIcon = 0;       // "ICON"
    float m_fAngle = 30.0f;         // "ANGLE", degrees
    float m_MaxDamage[3] = {};      // cache; kNotComputed after loading
    float m_fInsideMul = 1.0f;      // "INSIDE_MUL"
    float m_vInside[3] = {};        // "INSIDE_X", "INSIDE_Y", "INSIDE_Z"

    std::int32_t GetModelId() const;
    std::int32_t GetMissileId() const;
    std::int32_t GetExploId() const;
    std::int32_t GetSoundId() const;
    std::int32_t GetSoundEndId() const;
};

class CGunManager : public DefaultManager
{
public:
    bool Init(const char* section) override;

    // The record, or a shared all-zero record outside 0..count-1.
    const SGunParameters* GetGun(std::int32_t index) const;
    // A copy of the record with the weapon word's modifiers; an index
    // outside the table leaves out as it is.
    void GetParam(SGunParameters* out, std::int32_t index, std::uint32_t word, bool computeDamage);
    // Applies the property records a, b, c (-1 none) to params.
    void ModifGun(std::int32_t index, SGunParameters* params, std::int32_t a, std::int32_t b, std::int32_t c,
                  bool computeDamage);
    // (direct, explosion, third) maximum damage of the gun with the word;
    // returns direct + third, plus explosion when asked. The record's cache
    // is filled on the first request.
    float GetMaxDamage(float out[3], std::int32_t index, std::uint32_t word, bool includeExplosion);
    // Fire points and "FIRE" of the model once it is loaded.
    void InitGun(std::int32_t index);

    std::vector<SGunParameters> m_Records;
};

extern CGunManager g_GunManager;
