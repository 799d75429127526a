// CMMObject: the base of every object that lives in a location (stones,
// trees, roads, buildings, gliders, missiles, lamps, the camera, ...). It
// holds the object's identity (game id, type reference, type code, object
// and network numbers), its placement, the flag bytes the object list's
// passes read, and the looping sound its type may carry.
//
// The virtual operations are declared in the order of their slots; the
// object list calls them (run, draw passes, deletion notices, collisions,
// damage, streams). Objects are only flagged dead during a frame; the
// object list destroys them when it packs at the end of the frame.
//
// Stream record of SaveToStream (68 bytes): placement matrix (64, its row 3
// refreshed from the position first), alive, moving, physics and shown
// flags (1 byte each). SaveGame writes the shown flag and the position (13
// bytes). The network descriptor is in NetDescriptor.h.
//
// Readers throw CObjectStreamError when the stream holds fewer bytes than
// the record; nothing is applied from a short record.
//
// Ownership: the object list owns objects; the type record belongs to the
// kind's manager. Threads: main thread (the start-up loader thread creates
// objects while nothing else runs).
#pragma once

#include "world/ObjectFrame.h"
#include "world/ObjectTypes.h"

#include <atomic>
#include <cfloat>
#include <cstdint>
#include <stdexcept>

class CMemStream;
struct SObjectTypeHeader;

class CObjectStreamError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A part of an object tested for visibility on its own.
struct SPartSphere
{
    std::uint8_t m_bUsed = 0;
    float m_fRadius = 0.0f;
    CVector m_vCentre;
};

// A flag byte that decides which objects the ground ray can stand on
// (collidable, sphere collider). Every change of one, in any object, is
// counted: a copy of the objects a cell's flags select (CGroundRayCells)
// still holds while its list and this count are what they were, without
// reading the objects again. Reads and stores look like the plain byte's.
class CCollisionFlag
{
public:
    CCollisionFlag(std::uint8_t value) : m_nValue(value) {}
    CCollisionFlag(const CCollisionFlag&) = default;
    CCollisionFlag& operator=(const CCollisionFlag& other) { return *this = other.m_nValue; }
    CCollisionFlag& operator=(std::uint8_t value)
    {
        if (value != m_nValue)
        {
            m_nValue = value;
            s_nChanges.fetch_add(1, std::memory_order_relaxed);
        }
        return *this;
    }
    operator std::uint8_t() const { return m_nValue; }

    // Grows with every change of any object's flag.
    static std::uint32_t GetChangeCount() { return s_nChanges.load(std::memory_order_relaxed); }

private:
    std::uint8_t m_nValue;
    // Atomic: the start-up loader thread creates objects too.
    static inline std::atomic<std::uint32_t> s_nChanges{0};
};
static_assert(sizeof(CCollisionFlag) == 1);

class CMMObject
{
public:
    static constexpr int kMaxPartSpheres = 8;
    static constexpr int kStreamRecordSize = 68;
    static constexpr int kSaveGameSize = 13;

    CMMObject();
    virtual ~CMMObject();
    CMMObject(const CMMObject&) = delete;
    CMMObject& operator=(const CMMObject&) = delete;

    // Moves the placement and, when it changed, the object between cells.
    virtual void SetPosition(CVector v);
    // The type's model at the placement, lit by the ground under it.
    virtual void Draw();
    virtual void DrawNVisible() {}
    virtual void PreDraw() {}
    virtual void PostDraw() {}
    // Keeps the type's looping sound playing while the listener is near.
    virtual void Run();
    virtual void DrawEffect(int /*pass*/) {}
    // Kinds that keep pointers to other objects drop them here.
    virtual void ProcessDelete(CMMObject* /*deleted*/) {}
    // The 40-byte base descriptor; *size becomes 40.
    virtual void WriteNetDescriptor(void* buffer, int* size);
    virtual void ReadNetDescriptor(const void* buffer, int* size);
    // Re-initialise from the type reference (missiles and things).
    virtual void ReInitFromType() {}
    // The 68-byte record; *size grows by the bytes passed.
    virtual void SaveToStream(CMemStream& stream, int* size, bool stateOnly);
    virtual void LoadFromStream(CMemStream& stream, int* size, bool stateOnly);
    virtual void SaveGame(CMemStream& stream);
    // The shown flag and the position (the placement only: the object is
    // not moved between cells).
    virtual void LoadGame(CMemStream& stream);
    virtual void LoadInit() {}
    // Pausing releases the sound at once; Run restarts it.
    virtual void Pause(bool pause);
    // Device lost: kinds free their model instances.
    virtual void InvalidateResources() {}
    // A contact with other, reported during the collision pass. True when
    // the report may have changed what the pass keeps of the objects
    // (CCollisionCells): any object's placement, radius, number, collidable,
    // alive or physics flag, the velocity of an object other than this one
    // and other, or the objects of a cell. The pass then checks its copies
    // again; after false it goes on with them unchecked, so an override that
    // cannot tell returns true.
    virtual bool SetColissionObject(CMMObject* /*other*/, CVector /*normal*/, CVector /*point*/) { return false; }
    // A mover's collision with an object that handles its own; returns as
    // SetColissionObject does (the mover is the other object).
    virtual bool OnCollision(CMMObject* /*mover*/, float /*dt*/) { return false; }
    virtual void KindOperation() {}
    virtual void Damage(float /*amount*/, CVector /*point*/, int /*flag*/, CMMObject* /*source*/,
                        int /*codeB*/, int /*codeA*/)
    {
    }
    // The collision shape of the type's model, built on first use; null
    // without a loaded model.
    virtual const void* GetShapeData();

    // The placement's matrix together with its position.
    void SetMatrix(const CMatrix& m);
    // The type's model at the placement with the nearest dynamic lights on,
    // coloured by the ground's light level L (a large object takes the
    // brightest of its centre and rim); with terrainTint the ground's colour
    // K tints it: 2 x K x L / 255 per channel, alpha L. Nothing while the
    // model loads.
    void DrawTypeModel(bool terrainTint);
    // Plays the type's pick-up sound once at the object (gatherers).
    void PlayPickupSound();
    // The model id of the type (-1 without a type record).
    std::int32_t GetModelId() const;
    // The looping sound of the type (-1 for none).
    std::int32_t GetSoundIndex() const;
    const CVector& GetPosition() const { return m_Frame.m_vPosition; }
    bool HasGameId() const { return m_szGameId[0] != 0; }
    // Releases the sound source at once.
    void ReleaseSound();

    std::int32_t m_nKindWord = 0;
    std::uint8_t m_bKindFlag = 1;
    const SObjectTypeHeader* m_pType = nullptr;
    CMMObject* m_pOwner = nullptr;
    char m_szGameId[32] = {};
    // The type's name for kinds made by type name; a missile keeps its type
    // index in the first four bytes.
    char m_TypeRef[32] = {};
    std::int32_t m_nType = OBJ_ANY;
    std::uint8_t m_bFarDrawn = 0;
    std::uint8_t m_bMoving = 0;
    std::uint8_t m_bAlwaysRun = 0;
    std::uint8_t m_bPhysics = 0;
    CCollisionFlag m_bCollidable = 0;
    CCollisionFlag m_bSphereCollider = 1;
    std::uint8_t m_bPointCollider = 0;
    std::uint8_t m_bAlive = 1;
    std::uint8_t m_bShown = 0;
    std::uint8_t m_bPreDrawVisible = 0;
    std::uint8_t m_bPostDrawVisible = 0;
    std::uint8_t m_bPreDrawInvisible = 0;
    std::uint8_t m_bPostDrawInvisible = 0;
    std::uint8_t m_bDrawInvisible = 0;
    std::uint8_t m_bDrawnThisFrame = 0;
    std::uint8_t m_bDamageable = 0;
    std::uint8_t m_bCollisionReport = 0;
    std::uint8_t m_bOwnCollision = 0;
    std::uint8_t m_bKindByte1 = 0;
    std::uint8_t m_bNetwork = 0;
    std::uint8_t m_bChanged = 1;
    std::uint8_t m_bKindByte2 = 0;
    std::int32_t m_nKindWords[2] = {0, 0};
    std::uint8_t m_bKindByte3 = 0;
    std::uint8_t m_bNumbered = 0;
    std::uint8_t m_bKindByte4 = 0;
    std::uint8_t m_bLocal = 0;
    float m_fScale = 1.0f;
    std::uint8_t m_bDeleteNotify = 0;
    std::uint8_t m_bQueueOnDelete = 0;
    std::uint8_t m_bSave = 0;
    std::int32_t m_nDetailLevel = 0;
    float m_fRadius = 0.0f;
    std::uint32_t m_nNetId = 0;
    std::int32_t m_nObjectNumber = -1;
    std::int32_t m_nSaveNumber = 0;
    // The placement, the distance and the visibility stamp sit next to the
    // flags: the per-frame passes read them for every object, so they share
    // cache lines (the member order of this class is free; only the stream
    // and network records have a fixed layout).
    CObjectFrame m_Frame;
    float m_fDistance = 0.0f;
    std::int32_t m_nPartSpheres = 0;
    // The visibility pass that last put the object in one of its tables.
    std::uint32_t m_nSeenPass = 0;
    // Set by the object list once ProcessDelete has announced this dead
    // object to the others.
    std::uint8_t m_bDeleteAnnounced = 0;
    double m_dLastNetUpdate = 0.0;
    double m_dSenderTime = -1e10;
    SPartSphere m_PartSpheres[kMaxPartSpheres];
    CObjectFrame m_Frame2;
    std::int32_t m_iSoundSource = -1;
    float m_fAudibleDistSq = FLT_MAX;

private:
    // Whether the audible distance has been asked of the sound manager.
    bool m_bAudibleKnown = false;
};

// Reads exactly size bytes or throws CObjectStreamError naming what.
void ReadStreamBytes(CMemStream& stream, void* out, std::uint32_t size, const char* what);
