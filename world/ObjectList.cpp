#include "world/ObjectList.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Prefetch.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "world/DynamicObject.h"
#include "world/ObjectScene.h"
#include "world/Physics.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cstring>

CObjectList g_ObjectList;

float GetViewRange()
{
    return float(g_Settings.VisibleRadius) * kQuadSize;
}

namespace
{

// Replaces out's buffer by a new one of exactly the listed items.
template <class T, class List, class Pred> void FillArray(const List& list, SPointerArray<T>& out, Pred take)
{
    out.Release();
    int n = 0;
    for (T* item : list)
        if (take(item)) ++n;
    if (n == 0) return;
    out.items = new T*[std::size_t(n)];
    for (T* item : list)
        if (take(item)) out.items[out.count++] = item;
}
} // namespace

// The moving objects' passes take object after object from all over the
// heap and the ground under each from all over the loaded cells. While one
// object is worked on, the objects three ahead are fetched into the caches,
// with ground, the cell record of the one two ahead (its object is there
// now) and the ground under the next one (its cell record is there now).
// Hints only; nothing changes.
void CObjectList::PrefetchAhead(const CLinkedList<CMMObject>& list, bool ground)
{
    const CLinkedListBase::SNode* next = list.GetCursorNode();
    const CLinkedListBase::SNode* second = next ? next->next : nullptr;
    const CLinkedListBase::SNode* third = second ? second->next : nullptr;
    if (third)
    {
        // What the passes read: the object's head up to and with its frame,
        // and a moving object's own fields; not the part spheres or the
        // second frame in between (a third of the lines). The list holds
        // still objects too: the bytes where a moving object would have its
        // fields, a hint only.
        const auto* o = static_cast<const CMMObject*>(third->item);
        const char* bytes = static_cast<const char*>(third->item);
        PrefetchLines(o, &o->m_Frame + 1);
        PrefetchLines(bytes + sizeof(CMMObject), bytes + sizeof(CDynamicObject));
    }
    if (!ground || !g_pWorldTerrain) return;
    if (second) g_pWorldTerrain->PrefetchGround(static_cast<const CMMObject*>(second->item)->GetPosition(), true);
    if (next) g_pWorldTerrain->PrefetchGround(static_cast<const CMMObject*>(next->item)->GetPosition(), false);
}

CObjectList::CObjectList()
{
    m_pSensors = new std::uint8_t[std::size_t(m_nSensorCapacity) * kSensorRecordSize]();
    m_pSensorMechs = new CMech*[std::size_t(m_nSensorCapacity)]();
}

CObjectList::~CObjectList()
{
    Clear();
    delete[] m_pSensors;
    m_pSensors = nullptr;
    delete[] m_pSensorMechs;
    m_pSensorMechs = nullptr;
}

void CObjectList::AddObject(CMMObject* object)
{
    m_Objects.AddTail(object);
    object->m_bAlive = 1;
    if (object->m_nObjectNumber != -1)
    {
        m_nLastObjectNumber = std::max(m_nLastObjectNumber, object->m_nObjectNumber);
    }
    else
    {
        // Objects created while a location loads are numbered apart from the
        // ones the game creates, so saved references stay unambiguous.
        m_nLastObjectNumber =
            m_bLoading ? std::max(m_nLastObjectNumber, kLoadingNumberBase) + 1 : m_nLastObjectNumber + 1;
        object->m_nObjectNumber = m_nLastObjectNumber;
    }
    if (object->m_bNumbered) object->m_nSaveNumber = ++m_nLastSaveNumber;
    if (object->m_bMoving || object->m_bPhysics) m_MovingObjects.AddTail(object);
    if (object->HasGameId()) m_NamedObjects.AddTail(object);
    if (g_pObjectCells) g_pObjectCells->AddCellObject(object, true);
}

void CObjectList::AddChild(CMMObject* object)
{
    if (m_nLargeObjects < kMaxLarge) m_LargeObjects[m_nLargeObjects++] = object;
}

void CObjectList::AddSysObject(CSysObject* point)
{
    m_SysObjects.AddTail(point);
}

void CObjectList::AddNetObject(CMMObject* object)
{
    // The flag tells Destroy to take the object off this list too.
    object->m_bNetwork = 1;
    m_NetObjects.AddTail(object);
}

void CObjectList::DeleteNetObject(CMMObject* object)
{
    if (!m_NetObjects.Remove(object)) g_ErrorLog.LogError("CObjectList::DeleteNetObject object not found");
}

CMMObject* CObjectList::FindByGameId(const char* id, int type)
{
    if (!id) return nullptr;
    for (CMMObject* o : m_NamedObjects)
        if (SameName(o->m_szGameId, id) && (type == 0 || o->m_nType == type)) return o;
    return nullptr;
}

CMMObject* CObjectList::FindByNumber(int number)
{
    for (CMMObject* o : m_Objects)
        if (o->m_nSaveNumber == number) return o;
    return nullptr;
}

CMMObject* CObjectList::FindByNumberAndType(int number, int type)
{
    for (CMMObject* o : m_Objects)
        if (o->m_nObjectNumber == number && (type == 0 || o->m_nType == type)) return o;
    return nullptr;
}

CMMObject* CObjectList::FindNetObject(int netId)
{
    for (CMMObject* o : m_NetObjects)
        if (o->m_nNetId == std::uint32_t(netId)) return o;
    return nullptr;
}

CSysObject* CObjectList::FindSysObject(const char* name, int kind)
{
    if (!name) return nullptr;
    for (CSysObject* p : m_SysObjects)
        if (SameName(p->m_szName, name) && (kind == 0 || p->m_nKind == kind)) return p;
    return nullptr;
}

CSysObject* CObjectList::GetRandomSysObj(int kind)
{
    int count = 0;
    for (CSysObject* p : m_SysObjects)
        if (p->m_nKind == kind) ++count;
    if (count == 0) return nullptr;
    int pick = int(g_Random.Next() % std::uint32_t(count));
    for (CSysObject* p : m_SysObjects)
        if (p->m_nKind == kind && pick-- == 0) return p;
    g_ErrorLog.LogError("ошибка поиска точки");
    return nullptr;
}

void CObjectList::FindSysObjectsByMask(const char* mask, SPointerArray<CSysObject>& out)
{
    const char* star = mask ? std::strchr(mask, '*') : nullptr;
    const std::size_t prefix = mask ? (star ? std::size_t(star - mask) : std::strlen(mask)) : 0;
    FillArray(m_SysObjects, out,
              [&](CSysObject* p)
              {
                  return p->m_szName[0] && strnlen(p->m_szName, 32) >= prefix &&
                         std::strncmp(p->m_szName, mask, prefix) == 0;
              });
}

void CObjectList::GetObjectList(int type, SPointerArray<CMMObject>& out)
{
    XTRACE("CObjectList::GetObjectList");
    FillArray(m_Objects, out, [&](CMMObject* o) { return o->m_bAlive && (type == 0 || o->m_nType == type); });
}

void CObjectList::GetSysObjects(SPointerArray<CSysObject>& out)
{
    FillArray(m_SysObjects, out, [](CSysObject*) { return true; });
}

void CObjectList::GetObjectsInRadius(const CVector* centre, float radius, int type, SRadiusResult* out)
{
    out->count = 0;
    if (!g_pObjectCells) return;
    constexpr float S = 1.0f / kQuadSize;
    const int cx = RoundToInt(centre->x * S / 64.0f);
    const int cy = RoundToInt(centre->y * S / 64.0f);
    const int r = RoundToInt(radius * S / 64.0f + 0.5f);
    const float radiusSq = radius * radius;
    const int rowEnd = std::min(cy + r, kCellGridSize - 1);
    const int colEnd = std::min(cx + r, kCellGridSize - 1);
    for (int row = std::max(cy - r, 0); row <= rowEnd; ++row)
    {
        for (int col = std::max(cx - r, 0); col <= colEnd; ++col)
        {
            CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(row * kCellGridSize + col);
            if (!cell) continue;
            for (CMMObject* o : *cell)
            {
                if (o->m_nType != type || !o->m_bAlive) continue;
                if ((o->GetPosition() - *centre).LengthSq() > radiusSq) continue;
                if (std::find(out->objects, out->objects + out->count, o) != out->objects + out->count)
                    continue;
                out->objects[out->count++] = o;
                if (out->count == SRadiusResult::kCapacity) return;
            }
        }
    }
}

void CObjectList::Run()
{
    XTRACE("CObjectList::Run");
    if (g_pCameraObject) static_cast<CMMObject*>(g_pCameraObject)->Run();
    g_PlayerHitNotes.Reset();
    g_ZoneWarningLevel = 0;
    std::fill(std::begin(g_ZoneWarningFlags), std::end(g_ZoneWarningFlags), std::uint8_t(0));
    for (CSysObject* p : m_SysObjects)
        p->Run();
    const CVector eye = GetViewerPosition();
    const float cut = GetViewRange() * 1.1f;
    const float cutSq = cut * cut;
    m_MovingObjects.ResetCursor();
    while (CMMObject* o = m_MovingObjects.GetNext())
    {
        if (!o->m_bMoving || !o->m_bAlive) continue;
        if (!o->m_bAlwaysRun && (o->GetPosition() - eye).LengthSq() >= cutSq) continue;
        o->Run();
    }
}

void CObjectList::PauseGame(bool pause)
{
    XTRACE("CObjectList::PauseGame");
    for (CMMObject* o : m_MovingObjects)
        o->Pause(pause);
}

void CObjectList::InvalidateResources()
{
    for (CMMObject* o : m_Objects)
        o->InvalidateResources();
}

void CObjectList::DeleteObject(CMMObject* object)
{
    if (object->m_bQueueOnDelete)
    {
        if (m_nDeleteQueue < kMaxQueued)
            m_DeleteQueue[m_nDeleteQueue++] = object;
        else
            g_ErrorLog.LogError("COBjectList::DeleteObject count overflow. ObjectType = %d", object->m_nType);
    }
    object->m_bAlive = 0;
}

void CObjectList::ProcessDeleteObject(CMMObject* deleted)
{
    try
    {
        deleted->m_bDeleteAnnounced = 1;
        // A read-only walk: Pack may be walking the same list with its cursor.
        for (CMMObject* o : m_Objects)
            if (o->m_bDeleteNotify) o->ProcessDelete(deleted);
    }
    catch (...)
    {
        g_ErrorLog.LogError("Error on %d type", deleted->m_nType);
        g_ErrorLog.AppendTrace("CObjectList::ProcessDeleteObject");
        throw;
    }
}

void CObjectList::Destroy(CMMObject* object)
{
    // Objects that were not queued (no queue flag, or the queue was full)
    // are announced here, so nobody keeps a pointer to a destroyed object.
    if (!object->m_bDeleteAnnounced) ProcessDeleteObject(object);
    if (g_pObjectCells) g_pObjectCells->DeleteCellObject(object);
    m_Objects.Remove(object);
    if (object->m_bNetwork) m_NetObjects.Remove(object);
    m_MovingObjects.Remove(object);
    if (object->HasGameId()) m_NamedObjects.Remove(object);
    delete object;
}

void CObjectList::Pack(bool entire)
{
    try
    {
        for (int i = 0; i < m_nDeleteQueue; ++i)
            if (!m_DeleteQueue[i]->m_bDeleteAnnounced) ProcessDeleteObject(m_DeleteQueue[i]);
        m_nDeleteQueue = 0;

        int kept = 0;
        for (int i = 0; i < m_nLargeObjects; ++i)
            if (m_LargeObjects[i]->m_bAlive) m_LargeObjects[kept++] = m_LargeObjects[i];
        m_nLargeObjects = kept;

        CLinkedList<CMMObject>& walked = entire ? m_Objects : m_MovingObjects;
        bool destroyed = false;
        walked.ResetCursor();
        while (CMMObject* o = walked.GetNext())
        {
            if (o->m_bAlive) continue;
            Destroy(o);
            destroyed = true;
        }
        // The frame's draw tables may still name what was destroyed.
        if (destroyed) m_nVisible = m_nNearInvisible = m_nPreDraw = 0;
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace(entire ? "Pack Entire" : "Pack not Entire");
        g_ErrorLog.AppendTrace("CObjectList::Pack()");
        throw;
    }
}

void CObjectList::PreMove(float dt)
{
    XTRACE("CObjectList::PreMove");
    CGroundRayPass pass(m_GroundRayCells);
    if (g_pCameraObject && g_pCameraObject->m_bPhysics) g_pPhysics->PreMove(g_pCameraObject, dt);
    m_MovingObjects.ResetCursor();
    while (CMMObject* o = m_MovingObjects.GetNext())
    {
        PrefetchAhead(m_MovingObjects, true);
        if (!o->m_bPhysics || !o->m_bAlive) continue;
        auto* d = static_cast<CDynamicObject*>(o);
        const bool lagged = d->m_bNetwork && !d->m_bLocal && d->m_fLagTime != 0.0f;
        g_pPhysics->PreMove(d, lagged ? dt * 0.5f + d->m_fLagTime : dt);
    }
}

void CObjectList::Move(float dt)
{
    XTRACE("CObjectList::Move");
    CGroundRayPass pass(m_GroundRayCells);
    if (g_pCameraObject && g_pCameraObject->m_bPhysics) g_pPhysics->Move(g_pCameraObject, dt);
    m_MovingObjects.ResetCursor();
    while (CMMObject* o = m_MovingObjects.GetNext())
    {
        PrefetchAhead(m_MovingObjects, true);
        if (!o->m_bPhysics || !o->m_bAlive) continue;
        auto* d = static_cast<CDynamicObject*>(o);
        const bool lagged = d->m_bNetwork && !d->m_bLocal && d->m_fLagTime != 0.0f;
        (void)g_pPhysics->Move(d, lagged ? dt * 0.5f + d->m_fLagTime : dt);
        if (lagged) d->m_fLagTime = 0.0f;
    }
}

int CObjectList::StepPhysics(float frameTime)
{
    int steps = 0;
    for (float remaining = frameTime; remaining > 0.0f; remaining -= kMaxPhysicsStep)
    {
        const float step = std::min(remaining, kMaxPhysicsStep);
        PreMove(step);
        CheckCollision(step);
        Move(step);
        ++steps;
    }
    return steps;
}

void CObjectList::Clear()
{
    m_Objects.ResetCursor();
    while (CMMObject* o = m_Objects.GetNext())
    {
        if (g_pObjectCells) g_pObjectCells->DeleteCellObject(o);
        delete o;
    }
    m_nLargeObjects = 0;
    m_nDeleteQueue = 0;
    m_nVisible = m_nNearInvisible = m_nPreDraw = 0;
    m_Objects.SetOwnsItems(false);
    m_NamedObjects.SetOwnsItems(false);
    m_MovingObjects.SetOwnsItems(false);
    m_NetObjects.SetOwnsItems(false);
    m_Objects.RemoveAll();
    m_NamedObjects.RemoveAll();
    m_MovingObjects.RemoveAll();
    m_NetObjects.RemoveAll();
    m_SysObjects.RemoveAll();
    m_nLastObjectNumber = 0;
    m_nLastSaveNumber = 0;
    if (m_pSensors) std::memset(m_pSensors, 0, std::size_t(m_nSensorCapacity) * kSensorRecordSize);
    if (m_pSensorMechs) std::fill(m_pSensorMechs, m_pSensorMechs + m_nSensorCapacity, nullptr);
    m_nSensors = 0;
}
