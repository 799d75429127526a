// The three object-kind managers of the combat types: CGliderManager
// (section "Глайдеры", type 14), CMissileManager ("Снаряды", 16) and
// CExploManager ("Взрывы", 15). Besides reading their sections they answer
// parameter queries with item modifiers applied, prepare a glider model's
// mounts (InitGlider) and make missiles and explosions, a missile also from
// a network descriptor.
//
// The objects they make (gliders, missiles, explosions), the modifier table
// and the equipment classes are the units'; the world reaches them only
// through g_UnitKinds, which the units fill (RegisterUnitManagers). Without
// a maker nothing is made (null).
//
// Data faults mended here: a SUBMISSILE chain that comes back to a type on
// it is cut at that type (error line), so damage sums end; a missile fired
// without a modifier gets no extra direct-hit damage.
//
// Not here: the glider's body points (the meshes keep no point list yet:
// the count stays 0).
//
// Threads: Init on the start-up loader thread; the rest on the main thread.
// The tables are read-only after Init (InitGlider fills a type's mount data
// once, on the main thread).
#pragma once

#include "graphics/Model.h"
#include "world/ObjectManager.h"
#include "world/ObjectTypeRecord.h"

#include <cstdint>
#include <vector>

class CMMObject;
class CSysObject;
struct CMatrix;
struct SNetDescriptor;
struct SBuildingType;

// The modifier rules of the units' modifier table, as the type managers
// use them (a word: three 4-bit levels and the item type in bits 12-15).
class IModifierTable
{
public:
    virtual ~IModifierTable() = default;
    static std::uint32_t GetModifType(std::uint32_t word) { return (word >> 12) & 0xf; }
    // Per property 0..2: the record of that property's level, -1 at level 0.
    virtual void GetModifID(std::uint32_t word, std::int32_t* a, std::int32_t* b, std::int32_t* c) const = 0;
    // p1 += (K1 - 1) base1, p2 -= (1 - K2) base2, price += (Kp - 1)
    // basePrice, each then at least 0; an index outside the table does
    // nothing.
    virtual void ApplyModif(std::int32_t index, float base1, float* p1, float base2, float* p2,
                            float basePrice, float* price) const = 0;
};

// What the units hand the type managers. Each maker constructs the kind,
// copies the game id when one is given and initialises it; the manager adds
// it to the object list.
struct SUnitKinds
{
    const IModifierTable* modifiers = nullptr;
    // The class ("STANDARD") of an equipment type; -1 for an unknown index.
    std::int32_t (*equipmentClass)(std::int32_t equipment) = nullptr;
    CMMObject* (*makeGlider)(const CMatrix& placement, std::int32_t type, const char* gameId) = nullptr;
    CMMObject* (*makeMissile)(const CMatrix& placement, std::int32_t type, std::uint32_t word,
                              const char* gameId) = nullptr;
    CMMObject* (*makeExplo)(const CMatrix& placement, std::int32_t type) = nullptr;
    // A bare object of a units' kind that a saved game recreates (missiles,
    // 16), to read its own save record; null for kinds it cannot make.
    CMMObject* (*makeSaved)(std::int32_t type) = nullptr;
    // A building of the kind named, placed and initialised (not yet in the
    // object list); null when the units make none.
    CMMObject* (*makeBuilding)(const CMatrix& placement, const char* typeName, const char* gameId) = nullptr;
    // The force of an anomaly (a system point of kind 20) for a record of
    // the anomaly block; without a maker the point has no force.
    CSysObject* (*makeAnomalZone)(const char* typeName, const CMatrix& placement, const char* name) = nullptr;
    // The machines a new game puts into the location (observers, gatherers,
    // capsules); nothing without it.
    void (*createForGame)() = nullptr;
    // The kind of a building object (null for anything else), and its three
    // state flags set with their values at 100 (on) or cleared to 0.
    const SBuildingType* (*buildingKind)(CMMObject* building) = nullptr;
    void (*setBuildingState)(CMMObject* building, bool on) = nullptr;
};
extern SUnitKinds g_UnitKinds;

// A model part with its five animation indexes (-1 when absent).
struct SGliderMount
{
    std::int32_t m_nPart = -1;
    std::int32_t m_nAnims[5] = {-1, -1, -1, -1, -1};
};

struct SGliderPoint
{
    float m_fPoint[3] = {};
    std::uint32_t m_dwBit = 0;
};

struct SGliderParameters : SObjectTypeHeader
{
    static constexpr int kFirePoints = 6;
    static constexpr int kMounts = 5; // LIGHTGUN, LIGHTGUN1, HEAVYGUN, HEAVYGUN1, ROCKET
    static constexpr int kMaxPoints = 8;

    float m_fWeight = 0.0f;       // "WEIGHT"
    float m_fMaxWeight = 0.0f;    // "MAXWEIGHT" x 1.25
    std::int32_t m_nStandard = 0; // "STANDARD": the glider's class
    float m_fDamage = 0.0f;       // "DAMAGE": hull strength
    float m_fResFront = 0.0f;     // "RESFRONT"
    float m_fResSide = 0.0f;      // "RESSIDE"
    float m_fResTop = 0.0f;       // "RESTOP"
    float m_fTurbulence = 0.0f;   // 1000 / ("TURBULENCE" + 1)
    float m_fStabFront = 0.0f;    // "STABFRONT"
    float m_fStabSide = 0.0f;     // "STABSIDE"
    float m_fRotateSpeed = 0.0f;  // "ROTATESPEED"
    float m_fCareen = 0.0f;       // "CAREEN" x 0.075
    float m_fDeltaT = 0.0f;       // "DELTAT" x 0.1
    // Filled by InitGlider once the model is loaded.
    std::uint8_t m_bPrepared = 0;
    std::int32_t m_nAnims[5] = {-1, -1, -1, -1, -1};
    SGliderMount m_FirePoints[kFirePoints];
    SGliderMount m_Mounts[kMounts];
    STransData m_FireTrans[kFirePoints];
    STransData m_LightGunTrans;
    float m_fPrice = 0.0f;   // "PRICE"
    float m_fRestore = 0.0f; // "RESTORE": hull repair per second
    // From "SPECIAL" s: bit 1 of s clear; bit 0 of s clear and STANDARD above 2.
    std::uint8_t m_bSpecial1 = 0;
    std::uint8_t m_bSpecial2 = 0;
    std::int32_t m_nGunMask = 1; // "GUNMASK"; 0 means 513 above STANDARD 2, else 1
    std::int32_t m_nPoints = 0;
    SGliderPoint m_Points[kMaxPoints];
};

class CGliderManager : public CMMObjectManager
{
public:
    CGliderManager() : CMMObjectManager(OBJ_GLIDER) {}
    bool Init(const char* section) override;
    const void* GetType(std::int32_t index) const override { return GetGlider(index); }
    // The record, or null for an index outside the table.
    const SGliderParameters* GetGlider(std::int32_t index) const;
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // 0 for an index outside the table (sParam untouched); otherwise the
    // record copied, then the word's glider modifiers applied: 1 when done,
    // -1 when the word names no modifier record, the word's type when it is
    // not a glider word (1).
    int GetParam(SGliderParameters& sParam, int iID, std::uint32_t dwModifier) const;
    // A tenth of the PRICE that GetParam gives.
    float GetTenthPrice(int id, std::uint32_t modifier) const;
    // The model's animation indexes, fire points and gun mounts; nothing
    // while the model is not loaded.
    void InitGlider(int type);
    // 1 for every kind but 1; kind 1 only for a glider class above 2.
    int CheckKind(int type, int kind) const;
    // The equipment's class is the glider's or one below it.
    bool CheckEquipmentClass(int type, int equipment) const;

    std::vector<SGliderParameters> m_Types;

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override
    {
        return index >= 0 && index < std::int32_t(m_Types.size()) ? &m_Types[std::size_t(index)] : nullptr;
    }

private:
    int ModifGlider(SGliderParameters& p, const SGliderParameters& base, std::int32_t a, std::int32_t b,
                    std::int32_t c) const;
};

struct SMissileParameters : SObjectTypeHeader
{
    std::int32_t m_nTexture = -1;       // "Texture"
    std::int32_t m_nTexture2 = -1;      // "Texture2"
    std::int32_t m_nKind = 0;           // "TYPE" 1..10
    float m_fSpeed = 0.0f;              // "SPEED"
    float m_fDamage = 0.0f;             // "DAMAGE"
    std::int32_t m_nDamageType = 0;     // "DAMAGETYPE"
    std::int32_t m_nSubCount = 1;       // "NUMSTATE", 0 read as 1: sub-missiles
    float m_fScale = 1.0f;              // "SCALE", 0 read as 1.0
    std::int32_t m_iExplo = -1;         // "EXPLO", through the explosion manager
    float m_fRotate = 0.0f;             // "ROTATE", degrees per second
    float m_fWeight = 0.0f;             // "WEIGHT"
    std::uint8_t m_bNoTrade = 0;        // "NOTRADE" = 1
    float m_fPrice = 0.0f;              // "PRICE"
    std::int32_t m_nIcon = 0;           // "ICON"
    std::int32_t m_nStandard = 0;       // "STANDARD"
    std::int32_t m_nSubKind = 0;        // "SUBTYPE"
    std::int32_t m_iSubMissile = -1;    // "SUBMISSILE", through this table
    float m_fLifeTime = 0.0f;           // "LIFE_TIME"
    float m_fDetonationDistance = 0.0f; // "DISTANCE_DETONATION"
    float m_fDetonationDelay = 0.0f;    // "DETONATION_DELAY"
    float m_fStrength = 0.0f;           // "STRENGTH"
    float m_fResistance = 0.0f;         // "RESISTANCE"
    std::int32_t m_iTailModel = -1;     // "TAIL_MODEL", through the model manager
    std::int32_t m_nGlowTexture = -1;   // "TEX_FX_THING_GLOW_MECH"
    float m_fWobble = 0.0f;             // "T": the wobble of the kinds that wobble
    // Direct, explosion and sub-missile damage without modifiers.
    float m_fMaxDamage[3] = {};
};

class CMissileManager : public CMMObjectManager
{
public:
    CMissileManager() : CMMObjectManager(OBJ_MISSILE) {}
    bool Init(const char* section) override;
    const void* GetType(std::int32_t index) const override { return Param(index); }
    // Missiles are not placed by name.
    CMMObject* CreateObject(const char*, const CMatrix*, const char*) override { return nullptr; }
    // The record; -1 gives the shared default record, other indexes outside
    // the table null.
    const SMissileParameters* Param(std::int32_t index) const;
    // A missile of the type (gameId copied when given) initialised with the
    // placement and modifier word, in the object list; null without a maker.
    CMMObject* CreateMissile(std::int32_t type, const CMatrix& placement, const char* gameId,
                             std::uint32_t word);
    // A copy of another machine's missile from its network descriptor (the
    // dynamic object's 137 bytes and the missile's 5): made at the
    // descriptor's position, given its state and network id, marked a
    // network object and listed. A type reference of -1 makes nothing; a
    // descriptor of another object type or an unknown missile type makes
    // nothing either (one error line).
    CMMObject* CreateNetObject(const SNetDescriptor* descriptor) override;
    // The extra direct-hit damage of a weapon modifier word (type 2): the
    // second and third modifiers applied to DAMAGE, less DAMAGE. 0 for any
    // other word (a missile without modifier deals its DAMAGE once).
    float GetAddDirectHit(std::int32_t type, std::uint32_t modifier) const;
    // out = {direct, explosion, sub-missiles}; with a modifier the direct
    // part adds GetAddDirectHit. Returns their sum; 0 for a bad index.
    float GetMaxDamage(float out[3], std::int32_t type, std::uint32_t modifier) const;

    std::vector<SMissileParameters> m_Types;
    // The last network object number handed to a local missile.
    std::uint32_t m_nLastNetId = 0;

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override
    {
        return index >= 0 && index < std::int32_t(m_Types.size()) ? &m_Types[std::size_t(index)] : nullptr;
    }

private:
    // Cuts SUBMISSILE cycles, then fills every type's damage cache.
    void ComputeDamages();
    float SubDamage(std::int32_t type, std::vector<std::uint8_t>& state);
};

// One effect layer of an explosion type (keys carry the layer number).
struct SExploLayer
{
    static constexpr int kMaxTextures = 3;
    static constexpr int kMaxModels = 3;
    std::int32_t m_nKind = 0;                             // "TYPE%d": 0 none, 1..13
    std::int32_t m_nTextures = 1;                         // "NTEX%d", 0 read as 1
    std::int32_t m_nTexture[kMaxTextures] = {-1, -1, -1}; // "TEXTURE%d_%d" (or "TEXTURE%d")
    float m_fDelay = 0.0f;                                // "DELAY%d"
    float m_fDuration = 1.0f;                             // "DURATION%d", 0 read as 1.0
    float m_fScale = 1.0f;                                // "SCALE%d", 0 read as 1.0
    float m_fScale2 = 0.0f;                               // "SCALE2_%d"
    std::int32_t m_nXState = 1;                           // "XSTATE%d", 0 read as 1
    std::int32_t m_nYState = 1;                           // "YSTATE%d", 0 read as 1
    std::int32_t m_nMapColor = 0;                         // "MAPCOLOR%d"
    std::int32_t m_nAdd = 0;                              // "ADD%d"
    std::uint8_t m_bRandomPhase = 0;                      // "RANDOMPHASE%d"
    float m_fSpeed = 0.0f;                                // "SPEED%d"
    std::int32_t m_nNum = 0;                              // "NUM%d"
    float m_fShift = 0.0f;                                // "SHIFT%d"
    float m_fOpacity = 0.0f;                              // "OPACITY%d"
    float m_fHideTime = 0.0f;                             // "HIDETIME%d"
    std::int32_t m_iChild = -1;                           // "ID1_%d", through this table
    std::int32_t m_nModels = 1;                           // "NMODEL%d", 0 read as 1
    std::int32_t m_nModel[kMaxModels] = {-1, -1, -1};     // "MODEL%d_%d" (or "MODEL%d")
    std::int32_t m_nTrail = 0;                            // "XTYPE%d": splinter trail kind
};

struct SExploParameters : SObjectTypeHeader
{
    static constexpr int kLayers = 8;
    float m_fDamage = 0.0f;           // "DAMAGE"
    std::int32_t m_nDamageType = 0;   // "DAMAGETYPE"
    float m_fRadius = 10.0f;          // "RADIUS", 0 read as 10.0
    float m_fImpulse = 0.0f;          // "IMPULSE"
    float m_fLightRadius = 0.0f;      // "LIGHTRADIUS"
    std::uint8_t m_bLight = 0;        // LIGHTRADIUS not 0
    std::uint32_t m_dwLightColor = 0; // "LIGHTCOLOR" 0xRRGGBB held as 0x..BBGGRR
    std::uint8_t m_bPlane = 0;        // "ISPLANE" = 1
    std::int32_t m_iSound = -1;       // "SOUND" (the header's sound index)
    SExploLayer m_Layers[kLayers];
};

class CExploManager : public CMMObjectManager
{
public:
    static constexpr int kFlags = 48;

    CExploManager() : CMMObjectManager(OBJ_EXPLOSION) {}
    bool Init(const char* section) override;
    const void* GetType(std::int32_t index) const override { return Param(index); }
    CMMObject* CreateObject(const char*, const CMatrix*, const char*) override { return nullptr; }
    // The record, or null for an index outside the table.
    const SExploParameters* Param(std::int32_t index) const;
    // "DAMAGE" of the type, 0 for a bad index.
    float GetDamage(std::int32_t index) const;
    // An explosion of the type at the placement, in the object list; null
    // for -1 or any index outside the table (nothing added).
    CMMObject* CreateObject(std::int32_t index, const CMatrix& placement);

    std::vector<SExploParameters> m_Types;
    // The two tables of 48 flags the world engine sets at start-up.
    std::uint8_t m_Flags1[kFlags] = {};
    std::uint8_t m_Flags2[kFlags] = {};

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override
    {
        return index >= 0 && index < std::int32_t(m_Types.size()) ? &m_Types[std::size_t(index)] : nullptr;
    }
};

extern CGliderManager g_GliderManager;
extern CMissileManager g_MissileManager;
extern CExploManager g_ExploManager;
