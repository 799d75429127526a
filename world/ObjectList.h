// CObjectList: every game object of the current location (g_ObjectList).
//
// It owns the objects, keeps secondary lists over them (named, moving,
// network objects, system points, large objects), hands out object and save
// numbers, runs the moving objects each frame, steps the physics, decides
// visibility and draws, and deletes objects in order: DeleteObject only
// marks an object dead during the frame; Pack at the end of the frame tells
// the objects that want to know (ProcessDelete) and destroys it.
//
// Every object that Pack destroys has been announced through
// ProcessDeleteObject first, whether it went through the deletion queue or
// not, so no object keeps a pointer to a destroyed one.
//
// Dead objects stay in every list until Pack: walks test the alive flag.
// Fixed tables (no allocation per frame): 100 large objects, 499 queued
// deletions, 2999 visible, 4999 near-invisible, 999 pre-draw objects; a
// full table drops further entries.
//
// Ownership: the all-objects list's objects and the system points belong
// to the list. Threads: main thread only (the start-up loader thread fills
// it before the game frame runs).
#pragma once

#include "world/CollisionCells.h"
#include "world/LinkedList.h"
#include "world/MMObject.h"
#include "world/SysObject.h"

#include <cstdint>

class CDynamicObject;
class CMemStream;

// Growable output array of object pointers: count and buffer, replaced on
// every fill (Release frees it).
template <class T> struct SPointerArray
{
    std::int32_t count = 0;
    T** items = nullptr;

    SPointerArray() = default;
    SPointerArray(const SPointerArray&) = delete;
    SPointerArray& operator=(const SPointerArray&) = delete;
    ~SPointerArray() { Release(); }
    void Release()
    {
        delete[] items;
        items = nullptr;
        count = 0;
    }
};

// The result table of a radius query.
struct SRadiusResult
{
    static constexpr int kCapacity = 50;
    CMMObject* objects[kCapacity] = {};
    std::int32_t count = 0;
};

// A script sensor (88 bytes, stored raw in the saved state):
//   0   1  enter flag (1 fires on entering, 0 on leaving)
//   1   3  padding
//   4  32  mechanoid id (zero-terminated)
//  36  32  target name (zero-terminated)
//  68  12  centre
//  80   4  radius
//  84   4  cached mechanoid record: always 0 in the record (the resolved
//          mechanoid is kept beside the array; pointers do not fit here)
struct SSensorRecord
{
    std::uint8_t enter;
    std::uint8_t padding[3];
    char mechId[32];
    char target[32];
    float centre[3];
    float radius;
    std::uint32_t cachedMech;
};
static_assert(sizeof(SSensorRecord) == 88);

class CMech;

class CObjectList
{
public:
    static constexpr int kMaxLarge = 100;
    static constexpr int kVisibleSlots = 3000;
    static constexpr int kNearInvisibleSlots = 5000;
    static constexpr int kPreDrawSlots = 1000;
    static constexpr int kDeleteSlots = 500;
    static constexpr int kMaxQueued = kDeleteSlots - 1;
    static constexpr std::int32_t kLoadingNumberBase = 1000000;
    static constexpr float kMaxPhysicsStep = 0.2f;
    static constexpr int kSensorRecordSize = 88;

    CObjectList();
    ~CObjectList();
    CObjectList(const CObjectList&) = delete;
    CObjectList& operator=(const CObjectList&) = delete;

    // Adding and finding.
    void AddObject(CMMObject* object);
    // Into the large-object table (fewer than 100 entries, else dropped).
    void AddChild(CMMObject* object);
    void AddSysObject(CSysObject* point);
    void AddNetObject(CMMObject* object);
    void DeleteNetObject(CMMObject* object);
    CMMObject* FindByGameId(const char* id, int type);
    // By save number.
    CMMObject* FindByNumber(int number);
    // By object number and type (0: any type).
    CMMObject* FindByNumberAndType(int number, int type);
    CMMObject* FindNetObject(int netId);
    CSysObject* FindSysObject(const char* name, int kind);
    CSysObject* GetRandomSysObj(int kind);
    void FindSysObjectsByMask(const char* mask, SPointerArray<CSysObject>& out);
    void GetObjectList(int type, SPointerArray<CMMObject>& out);
    void GetSysObjects(SPointerArray<CSysObject>& out);
    // Up to 50 alive objects of the type within radius (boundary included),
    // from the cells around the centre.
    static void GetObjectsInRadius(const CVector* centre, float radius, int type, SRadiusResult* out);

    // Per frame.
    void Run();
    void PauseGame(bool pause);
    void InvalidateResources();
    void DeleteObject(CMMObject* object);
    void Pack(bool entire);
    void ProcessDeleteObject(CMMObject* deleted);
    // The physics passes of one sub-step.
    void PreMove(float dt);
    void Move(float dt);
    // The collision pass of one sub-step (ObjectList_Collision.cpp): each
    // moving object against the objects of the 2 x 2 cells it moves
    // towards; each moving pair once, by the object with the larger number.
    void CheckCollision(float dt);
    // The collision pass's copies (the tests turn on their check).
    CCollisionCells& GetCollisionCells() { return m_CollisionCells; }
    // The broad phase on the objects themselves: B is a partner of mover A.
    static bool IsPartner(const CDynamicObject* a, const CMMObject* b, float vaSq);
    // The narrow test of a partner by B's flags; true on a contact (always
    // after B's own handler).
    bool Collide(CDynamicObject* a, CMMObject* b, float dt);
    // The narrow tests of a mover A against B; true on a contact.
    bool CheckSphereCollisionMove(CDynamicObject* a, CDynamicObject* b, float dt);
    bool CheckSphereCollisionStatic(CDynamicObject* a, CMMObject* b, float dt);
    bool CheckCollisionPoint(CDynamicObject* a, CMMObject* b, float dt);
    bool CheckCollisionSphere(CDynamicObject* a, CMMObject* b, float dt);

    // Ray queries, area damage and sensors (ObjectList_Rays.cpp).
    // The nearest collidable, alive, shown object (not ignore) on the ray
    // from origin along the unit direction within length; point becomes
    // the hit or the ray's end.
    bool GetRayIntersection(const CVector* origin, const CVector* direction, float length, CVector* point,
                            CMMObject* ignore, CMMObject** hit);
    // The same over the origin's cell only, triangle-shaped objects only,
    // shown or not, self excluded (the physics' ground query).
    bool GetRayIntersection2(const CVector* origin, const CVector* direction, float length, CVector* point,
                             CMMObject* self, CMMObject** hit);
    // Distance along the ray to the object's bounding sphere, or -1.
    static float TestRaySphere(const CVector* origin, const CVector* direction, float length,
                               CMMObject* object, bool);
    // Distance to the object's nearest facing triangle, or -1.
    static float GetRayIntersectionPolygon(const CVector* origin, const CVector* direction, float length,
                                           CMMObject* object, bool);
    // Damage and a push to the objects within radius of centre (flat: only
    // those near the centre's height), falling off beyond half the radius.
    void SetVolumeDamage(const CVector* centre, float radius, float damage, float impulse, CMMObject* source,
                         bool flat, int codeA, int codeB);
    // A sensor that fires once when the mechanoid enters (leaves) the spot
    // named target: a system point, an object's game id or a road node.
    void AddSysObjectSensor(const char* target, const char* mechId, bool enter);
    // Per frame: at most one sensor fires (OnSensor of the event sink).
    void CheckObjectSensor();
    // Sensor i (0..m_nSensors-1).
    SSensorRecord* GetSensor(int i) { return reinterpret_cast<SSensorRecord*>(m_pSensors) + i; }
    // The frame's physics: sub-steps of at most 0.2 s, each PreMove,
    // CheckCollision, Move. Returns the number of sub-steps.
    int StepPhysics(float frameTime);

    // Visibility and drawing (ObjectList_Render.cpp).
    void CheckVisibility(bool preDraw);
    void Render(bool all);
    void RenderFly();
    void RenderForWater();
    // Detail level 0..3 for x = (distance / radius)^2, -1 = not drawn.
    static float GetDetailLevel(float x);

    // Saved state (ObjectList_Save.cpp). The OBJECTS stream:
    //   i32 n; n x (char game id[32], i32 type code, i32 object number, the
    //   object's own SaveGame body); i32 m; m x 88-byte sensor records.
    // Bodies carry no length, so a record that cannot be read (unknown
    // type, damaged body) ends the objects with one error line naming the
    // record: nothing after it can be trusted. The objects read before it
    // stay. A damaged sensor part leaves the sensors as they were.
    void SaveGame(CMemStream& stream);
    void LoadGame(CMemStream& stream);
    // Network game, once a frame: the first foreign network object without
    // an update for more than 2 s (or dead) is deleted; one per call.
    void CheckNetDead();

    // Life.
    void Clear();

    // Lists.
    CLinkedList<CSysObject> m_SysObjects{true};
    CLinkedList<CMMObject> m_Objects;
    CLinkedList<CMMObject> m_NamedObjects;
    CMMObject* m_LargeObjects[kMaxLarge] = {};
    std::int32_t m_nLargeObjects = 0;
    CMMObject* m_Visible[kVisibleSlots] = {};
    std::int32_t m_nVisible = 0;
    CMMObject* m_NearInvisible[kNearInvisibleSlots] = {};
    std::int32_t m_nNearInvisible = 0;
    CMMObject* m_PreDraw[kPreDrawSlots] = {};
    std::int32_t m_nPreDraw = 0;
    CMMObject* m_DeleteQueue[kDeleteSlots] = {};
    std::int32_t m_nDeleteQueue = 0;
    CLinkedList<CMMObject> m_MovingObjects;
    std::int32_t m_nLastObjectNumber = 0;
    std::int32_t m_nLastSaveNumber = 0;
    std::uint8_t m_bLoading = 0;
    std::uint8_t m_bWaterPass = 0;
    float m_fViewScale = 1.0f;
    CLinkedList<CMMObject> m_NetObjects;
    std::int32_t m_nSensorCapacity = 16;
    std::int32_t m_nSensorGrowth = 8;
    std::uint8_t* m_pSensors = nullptr;
    std::int32_t m_nSensors = 0;
    // The resolved mechanoid of each sensor (null until resolved).
    CMech** m_pSensorMechs = nullptr;

private:
    // Counts the visibility passes; an object stamped with the current one
    // is in the visible or near-invisible table (a constant-time test for
    // objects listed in several cells).
    std::uint32_t m_nVisibilityPass = 0;

    // Cache hints for the objects a walk of a moving-object list takes next.
    static void PrefetchAhead(const CLinkedList<CMMObject>& list, bool ground);
    // The ground ray's copy of the cells during the pre-move and move passes.
    CGroundRayCells m_GroundRayCells;
    // The broad phase's copy of the searched cells (one pass at a time).
    CCollisionCells m_CollisionCells;
    // Set by Collide when a report or handler said it may have changed what
    // the copies hold.
    bool m_bHandlerChanged = false;
    // A contact reported to `to` (when it asks for reports); sets
    // m_bHandlerChanged when the report says it may have changed what the
    // copies hold (CMMObject::SetColissionObject).
    void Report(CMMObject* to, CMMObject* other, const CVector& normal, const CVector& point);

    // Removes a dead object from its cell and every list, then destroys it.
    void Destroy(CMMObject* object);
    void AddVisible(CMMObject* object, float key);
    void AddNearInvisible(CMMObject* object, float key, bool preDraw);
    bool IsSeen(const CMMObject* object) const { return object->m_nSeenPass == m_nVisibilityPass; }
    void SortPreDraw();
    void SortVisibleFarFirst();
    // Shifts the later sensors down over sensor i.
    void RemoveSensor(int i);
};

extern CObjectList g_ObjectList;

// The view range R in world units: VisibleRadius x 10.
float GetViewRange();

// The player's anomaly warning of the frame, for the head-up display and
// the situation analysis: the zone level (0..3) and a flag per level. The
// anomaly zones set them while the player's glider is in one; the object
// list's run clears them first.
inline std::int32_t g_ZoneWarningLevel = 0;
inline std::uint8_t g_ZoneWarningFlags[4] = {};
