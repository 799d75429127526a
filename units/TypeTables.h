// The glider, missile, explosion and goods type tables, as far as the
// weapon tables and the mechanoid read them.
//
// Stand-in: the world engine's object-kind managers for gliders
// ("Глайдеры"), missiles ("Снаряды") and explosions ("Взрывы") and the
// trade's goods table ("Товары") will replace these. Here each reads only
// the fields named below; it lacks object creation, models and mounts
// (InitGlider), glider modifiers (GetParam copies the record), the
// missiles' own modifier rules (GetMaxDamage gives the plain damage and
// the explosion's), network descriptors and the goods' unique flag, which
// no column gives yet (it stays 0 unless set in code).
//
// Tables are read once at start-up and read-only afterwards.
#pragma once

#include "foundation/DefaultManager.h"

#include <cstdint>
#include <vector>

struct SGliderParameters
{
    float m_fWeight = 0.0f;       // "WEIGHT"
    float m_fMaxWeight = 0.0f;    // "MAXWEIGHT" x 1.25
    std::int32_t m_nStandard = 0; // "STANDARD"
    float m_fDamage = 0.0f;       // "DAMAGE": hull strength
    float m_fPrice = 0.0f;        // "PRICE"
    float m_fRestore = 0.0f;      // "RESTORE": hull repair per second
};

class CGliderManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    // The type record, or null for an index outside the table.
    const SGliderParameters* GetType(std::int32_t index) const;
    // The record with the word's modifiers (none yet: a copy); an index
    // outside the table leaves the output as it is.
    void GetParam(SGliderParameters* out, std::int32_t index, std::uint32_t word) const;

    std::vector<SGliderParameters> m_Types;
};

struct SMissileParameters
{
    float m_fDamage = 0.0f;     // "DAMAGE"
    float m_fWeight = 0.0f;     // "WEIGHT"
    std::int32_t m_iExplo = -1; // "EXPLO", resolved through the explosion table
};

class CMissileManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    const SMissileParameters* Param(std::int32_t index) const;
    // (direct, explosion, third) damage of the type; 0 for a bad index.
    float GetMaxDamage(float out[3], std::int32_t index, std::uint32_t word) const;

    std::vector<SMissileParameters> m_Types;
};

class CExploManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    // "DAMAGE" of the type, 0 for a bad index.
    float GetDamage(std::int32_t index) const;

    std::vector<float> m_Damage;
};

struct SGoodsParameters
{
    float m_fMass = 1.0f;        // "MASSA" (integer), 0 becomes 1.0
    float m_fPrice = 0.0f;       // "PRICE", 0 becomes 100.0 unless not traded
    std::uint8_t m_bNoTrade = 0; // "NOTRADE" = 1
    std::int32_t m_nType = 0;    // "TYPE"
    std::uint8_t m_bUnique = 0;
};

class CGoodsManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    const SGoodsParameters* GetGoods(std::int32_t index) const;
    const SGoodsParameters* FindGoods(const char* name) const { return GetGoods(FindName(name)); }

    std::vector<SGoodsParameters> m_Goods;
};

extern CGliderManager g_GliderManager;
extern CMissileManager g_MissileManager;
extern CExploManager g_ExploManager;
extern CGoodsManager g_GoodsManager;
