// The object-kind managers of the world's scenery that the world engine
// initialises at start-up and hands the sections of the objects file:
// trees, roads (RoadManager.h), buildings, map covers, lamps, sound zones
// and pick-up things. Stones, helpers, boundaries, lights and anomal zones
// are in ObjectManager.h; the glider, missile and explosion type managers
// in TypeManagers.h. The goods table is here too.
//
// Each manager reads one type record per record of its database section,
// in the section's order (the type index), after the common header where
// the kind has one. Texture names become texture ids (-1 when unknown).
// Numeric keys that are 0 in the database take the kind's default where it
// has one (lamp radius and scale, sound zone period and length).
//
// Threads: Init on the start-up loader thread; loading on the main thread.
#pragma once

#include "graphics/Model.h"
#include "world/ObjectManager.h"

#include <cstdint>
#include <vector>

// A manager whose type records are T (T may or may not start with the
// common header: WithHeader says which).
template <class T, bool WithHeader>
class CKindManager : public CMMObjectManager
{
public:
    explicit CKindManager(std::int32_t objectType) : CMMObjectManager(objectType) {}

    // -1 gives the shared default record; other indexes outside the types null.
    const void* GetType(std::int32_t index) const override
    {
        static const T s_default{};
        if (index == -1) return &s_default;
        return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
    }
    const T* GetKind(std::int32_t index) const { return static_cast<const T*>(GetType(index)); }

protected:
    // The section's names, the records (with their headers) allocated.
    bool InitRecords(const char* section)
    {
        const bool ok = DefaultManager::Init(section);
        m_Kinds.assign(std::size_t(m_nCount), T{});
        m_nTypeCount = m_nCount;
        if constexpr (WithHeader) ReadTypeHeaders();
        return ok;
    }
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override
    {
        if constexpr (WithHeader)
            return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
        else
            return nullptr;
    }

    std::vector<T> m_Kinds;
};

// The texture id of a texture name, -1 when unknown or no texture manager.
std::int32_t FindTextureId(const char* name);

class CComplexObject;
// The lowest and highest corner of the named part's mesh; false (and zero
// vectors) when the model has no such part. A part without a mesh of its
// own (a sprite) has the zero vectors for corners.
bool PartCorners(CComplexObject& model, const char* name, CVector& lo, CVector& hi);

struct STreeType : SObjectTypeHeader
{
    float m_fFlexibility = 0.0f;
    std::uint8_t m_bNoSolid = 0;
};

class CTreeManager : public CKindManager<STreeType, true>
{
public:
    CTreeManager() : CKindManager(OBJ_TREE) {}
    // Header, "Flexibility", "NOSOLID".
    bool Init(const char* section) override;
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // "Гибкость=%f\r\nБезПересечений=%d" (index -1: 1.0 and 0).
    void GetPropertiesText(std::int32_t index, char* out, std::size_t size) override;
    void SetProperties(const char* record, const char* const* pairs, int count) override;
};

struct SBox
{
    CVector m_vMin, m_vMax;
};

struct SBuildingType : SObjectTypeHeader
{
    std::uint8_t m_bRadiate = 0;
    std::uint8_t m_bInitialised = 0;
    SBox m_Into, m_Into1, m_Out;
    CVector m_vSign;
    CVector m_vExit[3];
    SBox m_Open, m_Open1;
    std::uint32_t m_uCleared = 0;
    std::uint8_t m_bReverseOpen = 0;
    std::int32_t m_nType = 0;
    std::int32_t m_nSubType = 0;
    std::int32_t m_nMilieuSound = -1;
    std::int32_t m_nCluster = 0;
};

class CBuildingManager : public CKindManager<SBuildingType, true>
{
public:
    CBuildingManager() : CKindManager(OBJ_BUILDING) {}
    // Header, "Cluster", "ReverseOpen", "TYPE", "SUBTYPE", "NORADIATE",
    // "SOUND_MILIEU".
    bool Init(const char* section) override;
    // The units' building object (g_UnitKinds.makeBuilding), added to the
    // object list; null without it.
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // "NORADIATE=" and the value.
    void GetPropertiesText(std::int32_t index, char* out, std::size_t size) override;
    void SetProperties(const char* record, const char* const* pairs, int count) override;
    // The type's part geometry from its model (loaded at once with force,
    // else only when the model manager has it): the exit points "EXIT_01"
    // to "EXIT_03" and the sign point ("SIGN", else the model's scale
    // straight up) at their part's lowest corner, and the boxes "INTO",
    // "INTO1", "OUT", "OPEN" and "OPEN1" as P - E/2 .. P + E/2 with P the
    // lowest and E the highest corner of the part. A missing part gives zero
    // vectors. Without a model the type stays unprepared for a later call.
    void InitBuilding(std::int32_t type, bool force);
    // The type record to change (tests); null outside the types.
    SBuildingType* GetKindForEdit(std::int32_t index)
    {
        return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
    }
};

struct SMapCoverType
{
    std::int32_t m_nTexture = -1;
    std::int32_t m_nGlowing = 0;
    float m_fPeriod = 0.0f;
};

class CMapCoverManager : public CKindManager<SMapCoverType, false>
{
public:
    CMapCoverManager() : CKindManager(OBJ_MAPCOVER) {}
    // "Model" (a texture name), "TYPE", "PERIOD"; an unknown texture is logged.
    bool Init(const char* section) override;
    // A map cover object (world/SceneryObjects.cpp).
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // "Светящийся=%d\r\nПериод=%f".
    void GetPropertiesText(std::int32_t index, char* out, std::size_t size) override;
    void SetProperties(const char* record, const char* const* pairs, int count) override;
};

struct SLampType : SObjectTypeHeader
{
    std::uint8_t m_bPrepared = 0;
    std::int32_t m_nFxPart = -1;
    STransData m_FxTrans{};
    std::int32_t m_nFlare = -1;
    std::int32_t m_nGlow = -1;
    std::int32_t m_nShadow = -1;
    float m_fLimit = 0.0f;
    float m_fRadius = 125.0f;
    float m_fScale = 1.0f;
    float m_fColor[3] = {0.5f, 0.5f, 0.5f};
};

class CLampManager : public CKindManager<SLampType, true>
{
public:
    CLampManager() : CKindManager(OBJ_LAMP) {}
    // Header, "FLARE", "GLOW", "SHADOW", "LIMIT", "RADIUS", "SCALE", "COLOR".
    bool Init(const char* section) override;
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // Marks the type prepared; when its model is loaded and has a part
    // "FX" with transform data, keeps that part's index and data (the
    // lamp's light point), else the FX part index is -1.
    void InitLamp(std::int32_t type);
    // The type record to change (tests); null outside the types.
    SLampType* GetKindForEdit(std::int32_t index)
    {
        return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
    }
};

struct SSoundZoneType : SObjectTypeHeader
{
    std::uint8_t m_bRandom = 0;
    std::uint8_t m_bLoop = 0;
    float m_fPeriod = 10.0f;
    float m_fLength = 5.0f;
};

class CSoundZoneManager : public CKindManager<SSoundZoneType, true>
{
public:
    CSoundZoneManager() : CKindManager(OBJ_SOUNDPOINT) {}
    // Header, "RANDOM", "LOOP", "PERIOD" (10 when 0), "LENGTH" (5 when 0).
    bool Init(const char* section) override;
    // A sound point (world/SoundPointObject.h).
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    void GetPropertiesText(std::int32_t index, char* out, std::size_t size) override;
    void SetProperties(const char* record, const char* const* pairs, int count) override;
};

struct SThingType : SObjectTypeHeader
{
    std::int32_t m_nFlare = -1;
    std::int32_t m_nKind = 0;
};

class CThingManager : public CKindManager<SThingType, true>
{
public:
    CThingManager() : CKindManager(OBJ_THING) {}
    // Header, "FLARE", "TYPE".
    bool Init(const char* section) override;
    // A pick-up thing (world/TheThing.h) of the type, lying at the placement.
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
};

// "Товары": the goods table (no header; the trade reads it). Row
// "TOV_MECHANOID" gives the weight of a captured mechanoid.
struct SGoodsParameters
{
    std::int32_t m_nModel = -1;  // "Model", through the model manager
    float m_fMass = 1.0f;        // "MASSA" (integer), 0 becomes 1.0
    float m_fPrice = 0.0f;       // "PRICE", 0 becomes 100.0 unless not traded
    std::uint8_t m_bNoTrade = 0; // "NOTRADE" = 1
    std::int32_t m_nType = 0;    // "TYPE": goods class 0, 1 or 2
    std::uint8_t m_bUnique = 0;  // no column gives it: set in code
};

class CGoodsManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    const SGoodsParameters* GetGoods(std::int32_t index) const;
    const SGoodsParameters* FindGoods(const char* name) const { return GetGoods(FindName(name)); }

    std::vector<SGoodsParameters> m_Goods;
};

extern CTreeManager g_TreeManager;
extern CBuildingManager g_BuildingManager;
extern CMapCoverManager g_MapCoverManager;
extern CLampManager g_LampManager;
extern CSoundZoneManager g_SoundZoneManager;
extern CThingManager g_ThingManager;
extern CGoodsManager g_GoodsManager;
