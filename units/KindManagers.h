// The managers of the units' kinds that the world engine initialises at
// start-up: equipment, guns and modifiers (their own headers, included
// here), the glider, missile, explosion and goods type tables, mechanoid
// configurations, and the moving kinds towers, tanks, flying machines,
// gatherers and capsules (towers and tanks also have sections in the
// objects file).
//
// Stand-ins, in this file: the glider ("Глайдеры"), missile ("Снаряды") and
// explosion ("Взрывы") type managers read only the fields named below, as
// far as the weapon tables and the mechanoid read them; they lack object
// creation, models and mounts (InitGlider), glider modifiers (GetParam
// copies the record), the missiles' own modifier rules (GetMaxDamage gives
// the plain damage and the explosion's) and network descriptors. The goods
// table ("Товары") lacks the unique flag, which no column gives yet (it
// stays 0 unless set in code); the trade subsystem owns the rest of it. The
// missile type table also reads what the missile object needs and makes
// missiles (CreateMissile); the explosion type table reads its head and
// layers (no textures, models or sounds yet) and makes explosions. The
// moving kinds read their block of the objects file with the default
// loader, without their type records, objects or behaviour. The mechanoid
// configurations are in MechConfigManager.h.
//
// Tables are read once at start-up (Init on the start-up loader thread)
// and read-only afterwards.
#pragma once

#include "foundation/DefaultManager.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/MechConfigManager.h"
#include "units/ModifManager.h"
#include "world/ObjectManager.h"

#include <cstdint>
#include <vector>

class CMissileObject;
struct CMatrix;
struct STypeKey;

struct SGliderParameters
{
    float m_fWeight = 0.0f;       // "WEIGHT"
    float m_fMaxWeight = 0.0f;    // "MAXWEIGHT" x 1.25
    std::int32_t m_nStandard = 0; // "STANDARD"
    float m_fDamage = 0.0f;       // "DAMAGE": hull strength
    float m_fPrice = 0.0f;        // "PRICE"
    float m_fRestore = 0.0f;      // "RESTORE": hull repair per second
    // "GUNMASK": bits 0 and 1 let the light mount take a light and a heavy
    // gun, bits 8 and 9 the heavy mount; 0 reads as 0x201 above STANDARD 2,
    // else 0x001.
    std::uint32_t m_dwGunMask = 0;
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
    // Read for the missile object (fields not given read as 0).
    std::int32_t m_nKind = 0;           // "TYPE" 1..10
    std::int32_t m_nSubKind = 0;        // "SUBTYPE"
    float m_fSpeed = 0.0f;              // "SPEED"
    float m_fScale = 1.0f;              // "SCALE", 0 read as 1.0
    std::int32_t m_nSubCount = 1;       // "NUMSTATE", 0 read as 1
    float m_fRotate = 0.0f;             // "ROTATE", degrees per second
    float m_fWobble = 0.0f;             // "T"
    float m_fLifeTime = 0.0f;           // "LIFE_TIME"
    float m_fStrength = 0.0f;           // "STRENGTH"
    float m_fResistance = 0.0f;         // "RESISTANCE"
    float m_fDetonationDistance = 0.0f; // "DISTANCE_DETONATION"
    float m_fDetonationDelay = 0.0f;    // "DETONATION_DELAY"
    std::int32_t m_iTailModel = -1;     // "TAIL_MODEL", through the model manager (-1 without one)
    std::int32_t m_nDamageType = 0;     // "DAMAGETYPE"
    std::int32_t m_iSubMissile = -1;    // "SUBMISSILE", resolved through this table
    float m_fPrice = 0.0f;              // "PRICE"
    std::uint8_t m_bNoTrade = 0;        // "NOTRADE" = 1
};

class CMissileManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    const SMissileParameters* Param(std::int32_t index) const;
    // (direct, explosion, third) damage of the type; 0 for a bad index.
    float GetMaxDamage(float out[3], std::int32_t index, std::uint32_t word) const;
    // Extra damage of a direct hit (no missile modifiers yet: 0).
    float GetAddDirectHit(std::int32_t, std::uint32_t) const { return 0.0f; }
    // Makes a missile (name copied into its game id when given), runs its
    // Init and adds it to the object list.
    CMissileObject* CreateMissile(const STypeKey& type, const CMatrix& frame, const char* name,
                                  std::uint32_t word);
    // A copy of another machine's missile from its network descriptor (the
    // dynamic object's and the missile's 5 bytes): made, initialised, given
    // the descriptor's state and listed as a network object. A descriptor
    // of another object type or of an unknown missile type makes nothing
    // (one error line).
    CMissileObject* CreateNetObject(const void* descriptor);

    std::vector<SMissileParameters> m_Types;
    // The last network object number handed to a local missile.
    std::uint32_t m_nLastNetId = 0;
};

// One effect layer of an explosion type (keys carry the layer number).
struct SExploLayer
{
    std::int32_t m_nKind = 0;        // "TYPE%d": 0 none, 1..13
    std::int32_t m_nTextures = 1;    // "NTEX%d", 0 read as 1
    float m_fDelay = 0.0f;           // "DELAY%d"
    float m_fDuration = 0.0f;        // "DURATION%d"
    std::int32_t m_nXState = 1;      // "XSTATE%d", 0 read as 1
    std::int32_t m_nYState = 1;      // "YSTATE%d", 0 read as 1
    float m_fScale = 0.0f;           // "SCALE%d"
    float m_fScale2 = 0.0f;          // "SCALE2_%d"
    std::uint8_t m_bRandomPhase = 0; // "RANDOMPHASE%d"
    float m_fSpeed = 0.0f;           // "SPEED%d"
    std::int32_t m_nNum = 0;         // "NUM%d"
    float m_fShift = 0.0f;           // "SHIFT%d"
    float m_fHideTime = 0.0f;        // "HIDETIME%d"
    std::int32_t m_iChild = -1;      // "ID1_%d", resolved through this table
    std::int32_t m_nModels = 1;      // "NMODEL%d", 0 read as 1
    std::int32_t m_nTrail = 0;       // "XTYPE%d": splinter trail kind
};

struct SExploParameters
{
    static constexpr int kLayers = 8;
    float m_fDamage = 0.0f;           // "DAMAGE"
    std::int32_t m_nDamageType = 0;   // "DAMAGETYPE"
    float m_fRadius = 10.0f;          // "RADIUS", 0 read as 10.0
    float m_fImpulse = 0.0f;          // "IMPULSE"
    std::uint8_t m_bPlane = 0;        // "ISPLANE" = 1
    std::uint8_t m_bLight = 0;        // LIGHTRADIUS not 0
    float m_fLightRadius = 0.0f;      // "LIGHTRADIUS"
    std::uint32_t m_dwLightColor = 0; // "LIGHTCOLOR", red and blue swapped
    std::int32_t m_iSound = -1;       // "SOUND", resolved through the sound manager
    SExploLayer m_Layers[kLayers];
};

class CExploObject;

class CExploManager : public DefaultManager
{
public:
    static constexpr int kFlags = 48;

    bool Init(const char* section) override;
    // "DAMAGE" of the type, 0 for a bad index.
    float GetDamage(std::int32_t index) const;
    const SExploParameters* Param(std::int32_t index) const;
    // An explosion of the type at the placement, in the object list; null
    // for an index outside the table (-1 makes none).
    CExploObject* CreateObject(std::int32_t index, const CMatrix& placement);

    std::vector<float> m_Damage;
    std::vector<SExploParameters> m_Types;
    // The two tables of 48 flags the world engine sets at start-up.
    std::uint8_t m_Flags1[kFlags] = {};
    std::uint8_t m_Flags2[kFlags] = {};
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

class CTowerManager : public CMMObjectManager
{
public:
    CTowerManager() : CMMObjectManager(OBJ_TOWER) {}
};
class CTankManager : public CMMObjectManager
{
public:
    CTankManager() : CMMObjectManager(OBJ_TANK) {}
};
class CFlyTehManager : public CMMObjectManager
{
public:
    CFlyTehManager() : CMMObjectManager(OBJ_FLYTEH) {}
};
class CGathererManager : public CMMObjectManager
{
public:
    CGathererManager() : CMMObjectManager(OBJ_GATHERER) {}
};
class CCapsuleManager : public CMMObjectManager
{
public:
    CCapsuleManager() : CMMObjectManager(OBJ_CAPSULE) {}
};

// Hands the world engine these managers (g_UnitManagers, world/MMEngine.h):
// a program that runs MMInit calls it first.
void RegisterUnitManagers();

// g_EquipmentManager, g_GunManager and g_ModifManager: in their headers.
extern CGliderManager g_GliderManager;
extern CMissileManager g_MissileManager;
extern CExploManager g_ExploManager;
extern CGoodsManager g_GoodsManager;
extern CTowerManager g_TowerManager;
extern CTankManager g_TankManager;
extern CFlyTehManager g_FlyTehManager;
extern CGathererManager g_GathererManager;
extern CCapsuleManager g_CapsuleManager;
