// The object-kind managers: one global object per kind that reads the
// kind's type records from a section of the resource database, creates
// objects of the kind by type name, and reads the kind's block of the
// location's objects file (LocObjectRecord.h).
//
// CBaseObjectManager (a DefaultManager: the section's record names, in
// order, are the type indexes) resolves the common header of every type
// record: model, alpha model and sound names become ids. CMMObjectManager
// adds the type array, the block loader and creation; as a plain manager it
// is the stone manager (section "Камни", type 3). Every kind's CreateObject
// follows one pattern: construct, copy the game id when one is given,
// initialise from the placement and the type name, add to the object list.
//
// Default block loading: a record whose type name is one of this manager's
// types is created here; else, when it names a stone type, a stone is
// created; else it is skipped. Game ids are upper-cased (ASCII letters
// only). A block whose record count does not fit the bytes left in the file
// is logged (file, block, reason) and only its complete records are read.
//
// Ownership: managers own their type records; the object list owns the
// objects. Threads: Init on the start-up loader thread, loading and
// creation on the thread that loads the location, one at a time.
#pragma once

#include "foundation/DefaultManager.h"
#include "world/LocObjectRecord.h"
#include "world/ObjectTypeRecord.h"
#include "world/ObjectTypes.h"

#include <cstdint>
#include <vector>

class CMMObject;
class CPakStream;
struct SNetDescriptor;

class CBaseObjectManager : public DefaultManager
{
public:
    // The section's names, then every type's header ids.
    bool Init(const char* section) override;
    // A new object of the type at the placement, added to the object list;
    // the base makes nothing.
    virtual CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId);

protected:
    // The header of type index i, or null when the kind keeps none.
    virtual SObjectTypeHeader* GetTypeHeader(std::int32_t /*index*/) { return nullptr; }
    // Reads "Model", "ModelAlpha" and "SOUND" of every type and turns them
    // into the model id, alpha model id and sound index (-1 when unknown).
    void ReadTypeHeaders();
};

struct SStoneType : SObjectTypeHeader
{
    std::uint8_t m_bFly = 0;
    std::uint8_t m_bNoMapColor = 0;
};

class CMMObjectManager : public CBaseObjectManager
{
public:
    static constexpr std::uint32_t kRecordSize = sizeof(SLocObjectRecord);

    explicit CMMObjectManager(std::int32_t objectType = OBJ_STONE) : m_nObjectType(objectType) {}

    // Stones: the names, the types with their headers, "Fly", "NOMAPCOLOR".
    bool Init(const char* section) override;
    // The type record of index; -1 gives a shared all-zero record, any
    // other index outside the types null.
    virtual const void* GetType(std::int32_t index) const;
    // Reads this kind's block at the position of the objects file being
    // loaded (the pack file system's current file).
    virtual void LoadObjects();
    virtual CMMObject* CreateNetObject(const SNetDescriptor* /*descriptor*/) { return nullptr; }
    // The type's editable properties as "key=value" CR LF lines.
    virtual void GetPropertiesText(std::int32_t index, char* out, std::size_t size);
    // Each "key=value" string written into the record's database field.
    virtual void SetProperties(const char* record, const char* const* pairs, int count);
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;

    // The default loader over a given stream (LoadObjects uses the current
    // file).
    void LoadObjectsFrom(CPakStream& stream);
    // The objects file being loaded, named in the loaders' error lines (the
    // world engine sets it; without one the stream's pack entry is named).
    static void SetObjectsFileName(const char* name);
    static const char* GetFileName(const CPakStream& stream);

    std::int32_t m_nObjectType;
    std::int32_t m_nTypeCount = 0;

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override;
    // The block's records, with the count checked against the bytes left.
    std::vector<SLocObjectRecord> ReadBlock(CPakStream& stream);

    std::vector<SStoneType> m_Types;
};

// "Хелперы": helper marks. A helper record becomes a system point of the
// object list (placement, game id, kind = the type's TYPE).
struct SHelperType : SObjectTypeHeader
{
    std::int32_t m_nKind = 0;
};

class CHelperManager : public CMMObjectManager
{
public:
    CHelperManager() : CMMObjectManager(OBJ_HELPER) {}
    bool Init(const char* section) override;
    const void* GetType(std::int32_t index) const override;
    void LoadObjects() override;
    void LoadObjectsFrom(CPakStream& stream);
    // A helper object drawing its type's model (world/SceneryObjects.cpp).
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override;

private:
    std::vector<SHelperType> m_HelperTypes;
};

// "Boundary": boundary posts and their links (type 23).
class CBoundaryManager : public CMMObjectManager
{
public:
    static constexpr float kMaxLinkDistance = 2000.0f;

    CBoundaryManager() : CMMObjectManager(OBJ_BOUND) {}
    bool Init(const char* section) override;
    void LoadObjects() override;
    void LoadObjectsFrom(CPakStream& stream);
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // Replaces every post's link numbers by the posts they name (type 23,
    // within 2000 units); unresolved links are dropped.
    static void ResolveLinks();
};

// "Световые объекты": exactly one type, "Источник", with no model, read
// from nothing; every record of the light block becomes a light.
class LightManager : public CMMObjectManager
{
public:
    LightManager() : CMMObjectManager(OBJ_LIGHT) {}
    // The one type; the section is not read.
    bool Init(const char* section) override;
    // The one type record for any index.
    const void* GetType(std::int32_t index) const override;
    void LoadObjects() override;
    void LoadObjectsFrom(CPakStream& stream);
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // The manager's label.
    const char* GetLabel() const;

private:
    SObjectTypeHeader m_Type;
};

// "Anomal": anomaly zones. A record of an anomal type becomes the units'
// CAnomalZone (g_UnitKinds.makeAnomalZone; a plain point of kind 20 without
// it) among the object list's system points; CreateObject makes the anomaly's
// visible object (CAnomalZoneObject, world/AnomalZoneObject.h).
struct SAnomalType : SObjectTypeHeader
{
    std::int32_t m_nKind = 0; // "TYPE"
    float m_fForce = 0.0f;    // "FORCE"
};

class CAnomalZoneManager : public CMMObjectManager
{
public:
    CAnomalZoneManager() : CMMObjectManager(OBJ_ANOMALZONE) {}
    // Header, "TYPE", "FORCE".
    bool Init(const char* section) override;
    const void* GetType(std::int32_t index) const override;
    void LoadObjects() override;
    void LoadObjectsFrom(CPakStream& stream);
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override;

private:
    std::vector<SAnomalType> m_AnomalTypes;
};

extern CMMObjectManager g_StoneManager;
extern LightManager g_LightManager;
extern CAnomalZoneManager g_AnomalZoneManager;
extern CHelperManager g_HelperManager;
extern CBoundaryManager g_BoundaryManager;

// ASCII letters to upper case within the 32-character name; other bytes
// (code page 1251 letters among them) stay.
void UpperCaseAscii(char name[32]);
