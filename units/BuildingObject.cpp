#include "units/BuildingObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/GameTime.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelInstance.h"
#include "graphics/ModelManager.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/EquipmentManager.h"
#include "units/ExploObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/TypeManagers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float kAmbientRange = 200.0f;
constexpr float kDoorOpenSeconds = 5.0f;
constexpr float kExitSeconds = 2.0f;

CVector BoxCentre(const SBox& b)
{
    return (b.m_vMin + b.m_vMax) * 0.5f;
}

bool IsActiveGlider(const CMMObject* o)
{
    if (!o || o->m_nType != OBJ_GLIDER) return false;
    const auto* g = static_cast<const CGliderObject*>(o);
    return g->m_pMechanoid && !g->m_pMechanoid->IsKilled();
}
} // namespace

bool IsBoxPresent(const SBox& box)
{
    return !(box.m_vMin.x == box.m_vMax.x && box.m_vMin.y == box.m_vMax.y && box.m_vMin.z == box.m_vMax.z);
}

bool IsInsideBox(const SBox& box, const CVector& p)
{
    return IsBoxPresent(box) && p.x > box.m_vMin.x && p.x < box.m_vMax.x && p.y > box.m_vMin.y &&
           p.y < box.m_vMax.y && p.z > box.m_vMin.z && p.z < box.m_vMax.z;
}

CBuildingObject::CBuildingObject()
{
    m_nType = OBJ_BUILDING;
    m_bAlive = 1;
    m_bShown = 1;
    m_bCollidable = 1;
    // Collides and is hit by rays with its model's triangles (the open or
    // the closed variant, as its door stands), not as the base's bounding
    // sphere: a sphere as wide as the building would turn a glider away
    // long before the door and never let it into the entry zone.
    m_bSphereCollider = 0;
    // Run every frame (the object list runs its moving list), but not a
    // mover: the physics flag stays clear.
    m_bMoving = 1;
    m_bPhysics = 0;
    m_bDeleteNotify = 1;
}

CBuildingObject::~CBuildingObject()
{
    delete m_pInstance;
    if (m_iRepairSound != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iRepairSound, false);
}

std::int32_t CBuildingObject::GetKindCode() const
{
    return m_pKind ? m_pKind->m_nType : 0;
}

void CBuildingObject::Init(const CMatrix& placement, const char* typeName, const char* gameId)
{
    XTRACE("CBuildingObject::Init");
    m_Frame.SetMatrix(placement, true);
    std::snprintf(m_szTypeName, sizeof m_szTypeName, "%s", typeName ? typeName : "");
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", m_szTypeName);
    if (gameId) std::snprintf(m_szGameId, sizeof m_szGameId, "%s", gameId);
    // A saved game finds a building again by its game id: one without an
    // id has nothing to be saved under.
    m_bSave = m_szGameId[0] != 0;
    const SBuildingType* before = m_pKind;
    m_nKindIndex = g_BuildingManager.FindName(m_szTypeName);
    m_pKind = m_nKindIndex >= 0 ? g_BuildingManager.GetKind(m_nKindIndex) : nullptr;
    m_pType = m_pKind;
    // A building given another kind in place: the old kind's model instance
    // goes, and the far list does not take it twice.
    if (before && before != m_pKind)
    {
        delete m_pInstance;
        m_pInstance = nullptr;
        m_bInstanceDrawn = 0;
    }
    const bool listedFar = before && m_bFarDrawn;

    const std::int32_t model = m_pKind ? m_pKind->GetModelId() : -1;
    const bool known = g_pModelManager && model >= 0 && model < g_pModelManager->GetRecordCount();
    const float modelRadius = known ? g_pModelManager->GetModelScale(model) : 1.0f;
    const CVector row0{placement.m[0][0], placement.m[0][1], placement.m[0][2]};
    m_fRadius = row0.Length() * modelRadius;

    // The inverse placement: the 3x3 block inverted, the position in its
    // translation row.
    CMatrix inverse(1.0f);
    InvertMatrix(placement, inverse);
    for (int r = 0; r < 3; ++r)
        inverse.m[r][3] = 0.0f;
    inverse.m[3][3] = 1.0f;
    m_Frame2.SetMatrix(inverse, false);
    m_Frame2.SetPosition(m_Frame.m_vPosition);
    m_fDoorOpening = 0.0f;
    m_nDoorState = kClosed;

    const std::int32_t kind = GetKindCode();
    if (kind == kRotating || kind == kFarSeen)
    {
        m_bFarDrawn = 1;
        if (!listedFar) g_ObjectList.AddChild(this);
        m_fScale = kind == kFarSeen ? 3.0f : 1.25f;
    }
    if (kind == kAccelerator || kind == kBrake) m_bCollidable = 0;
}

CVector CBuildingObject::ToWorld(const CVector& local) const
{
    CVector out;
    VectorTransformCoord(&out, &m_Frame.m_Matrix, &local);
    return out;
}

bool CBuildingObject::PrepareParts(bool force)
{
    if (!m_pKind) return false;
    if (!m_pKind->m_bInitialised) g_BuildingManager.InitBuilding(m_nKindIndex, force);
    return m_pKind->m_bInitialised != 0;
}

void CBuildingObject::ComputeEntrance()
{
    if (m_bEntranceKnown || !m_pKind) return;
    m_bEntranceKnown = 1;
    if (!m_szGameId[0] || !IsBoxPresent(m_pKind->m_Into)) return;
    m_vEntrance = ToWorld(BoxCentre(m_pKind->m_Into));
    CVector road;
    if (!IsBoxPresent(m_pKind->m_Into1) || !g_RoadManager.FindNode(m_szGameId, &road)) return;
    const CVector second = ToWorld(BoxCentre(m_pKind->m_Into1));
    if ((second - road).LengthSq() < (m_vEntrance - road).LengthSq()) m_vEntrance = second;
}

CVector CBuildingObject::GetEntrancePoint(int which)
{
    if (!PrepareParts(true)) return {};
    const SBox& box = which == 0 ? m_pKind->m_Into : m_pKind->m_Into1;
    if (!IsBoxPresent(box)) return {};
    return ToWorld(BoxCentre(box));
}

void CBuildingObject::Run()
{
    XTRACE("CBuildingObject::Run");
    CMMObject::Run();
    const float dt = g_FrameTimer.GetFrameTime();
    for (int i = 0; i < 3; ++i)
        if (m_fExitTimer[i] > 0.0f && m_fExitTimer[i] < 10.0f)
        {
            m_fExitTimer[i] -= dt;
            if (m_fExitTimer[i] <= 0.0f) m_bExitTaken[i] = 0;
        }
    if (m_pInstance && m_bInstanceDrawn)
    {
        m_bInstanceDrawn = 0;
        m_pInstance->UpdateParticles(dt);
    }
    const std::int32_t kind = GetKindCode();
    if (kind == kRotating)
    {
        m_Frame.RotateZ(dt * 0.31415927f);
        m_fHeightOffset = 20.0f * float(std::sin(0.5 * double(m_nObjectNumber) + 0.5 * g_GameTime));
        return;
    }
    if (PrepareParts(false)) ComputeEntrance();
    RunAmbientSound(dt);
    if (kind == kService)
    {
        XTRACE("ServicePlatform");
        RunService(dt);
    }
    else if (kind == kAccelerator || kind == kBrake)
    {
        XTRACE("RacingPlatform");
        RunPlatform(dt);
    }
    else
    {
        ProcessDoors();
        PurgeGroups();
    }
}

void CBuildingObject::RunAmbientSound(float dt)
{
    const std::int32_t sound = m_pKind ? m_pKind->m_nMilieuSound : -1;
    if (sound < 0) return;
    // Measured from the building to the listener (the camera): the sound
    // belongs to the building, wherever the player's glider is.
    const float d2 = (GetPosition() - g_ViewCamera.m_vPosition).LengthSq();
    if (d2 < kAmbientRange * kAmbientRange && m_fAmbientTimer <= 0.0f)
    {
        if (g_pSoundManager) g_pSoundManager->Play2DById(sound, false);
        m_fAmbientTimer = 5.0f + g_Random.Random(25.0f);
    }
    else if (d2 > 1.5f * kAmbientRange * kAmbientRange)
        m_fAmbientTimer = 0.0f;
    else
        m_fAmbientTimer = std::max(0.0f, m_fAmbientTimer - dt);
}

void CBuildingObject::PurgeGroups()
{
    if (!g_pBuildingHost) return;
    auto purge = [](auto& list)
    {
        for (int i = list.m_nCount - 1; i >= 0; --i)
            if (!list.m_Groups[i] || g_pBuildingHost->IsGroupDone(list.m_Groups[i])) list.RemoveAt(i);
    };
    purge(m_Visitors);
    purge(m_Groups2);
}

bool CBuildingObject::AddVisitor(CMechGroup2* group)
{
    if (!group || m_Visitors.m_nCount >= SBuildingVisitors::kMax || m_Visitors.Find(group) >= 0) return false;
    m_Visitors.m_Groups[m_Visitors.m_nCount++] = group;
    return true;
}

void CBuildingObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted && deleted == m_pApproaching) m_pApproaching = nullptr;
}

void CBuildingObject::InvalidateResources()
{
    delete m_pInstance;
    m_pInstance = nullptr;
}

void CBuildingObject::PlayDoorSound(const char* name)
{
    if (!g_pSoundManager || !m_pKind) return;
    const CVector at = ToWorld(BoxCentre(m_pKind->m_Open));
    const CVector& l = g_ViewCamera.m_vPosition;
    const float where[3] = {at.x, at.y, at.z};
    const float listener[3] = {l.x, l.y, l.z};
    g_pSoundManager->Play3DMotionless(name, where, listener, true);
}

void CBuildingObject::ProcessDoors()
{
    XTRACE("CBuildingObject::ProcessDoors");
    if (!m_pKind || !m_pKind->m_bInitialised) return;
    const float dt = g_FrameTimer.GetFrameTime();
    CGliderObject* player = g_pBuildingHost ? g_pBuildingHost->GetPlayerGlider() : nullptr;
    if (player)
    {
        CGliderObject* candidates[2] = {player, m_pApproaching};
        for (CGliderObject* c : candidates)
        {
            if (!c || !c->m_pMechanoid || c->m_pMechanoid->m_bOutOfAction) continue;
            CVector local = c->GetPosition() - GetPosition();
            VectorTransformNormal(&local, &m_Frame2.m_Matrix, &local);
            const SBuildingType& k = *m_pKind;
            if (IsInsideBox(k.m_Into, local) || IsInsideBox(k.m_Into1, local))
            {
                const bool isPlayer = c == player;
                if (!isPlayer && m_nDoorState != kClosed)
                {
                    // An AI glider waits in the entry zone for the door to
                    // close behind it.
                    m_nDoorState = kClosing;
                    break;
                }
                if (!isPlayer) m_pApproaching = nullptr;
                g_pBuildingHost->OnEnterBuilding(*this, *c);
                break;
            }
            if (IsInsideBox(k.m_Open, local) || IsInsideBox(k.m_Open1, local)) m_nDoorState = kOpening;
        }
    }
    switch (m_nDoorState)
    {
    case kOpen:
        m_fDoorOpenTime += dt;
        if (m_fDoorOpenTime > kDoorOpenSeconds)
        {
            m_nDoorState = kClosing;
            m_fDoorOpening = 2.0f;
            PlayDoorSound("SND_T_DOOR_CLOSING");
        }
        break;
    case kClosing:
        m_fDoorOpening -= 2.0f * dt;
        if (m_fDoorOpening <= 0.0f)
        {
            m_nDoorState = kClosed;
            m_fDoorOpening = 0.0f;
        }
        break;
    case kOpening:
        if (m_fDoorOpening == 0.0f) PlayDoorSound("SND_T_DOOR_OPENING");
        m_fDoorOpening += 2.0f * dt;
        if (m_fDoorOpening > 2.0f)
        {
            m_nDoorState = kOpen;
            m_fDoorOpening = 2.0f;
            m_fDoorOpenTime = 0.0f;
        }
        break;
    default:
        break;
    }
}

void CBuildingObject::RunService(float dt)
{
    m_bServicing = 0;
    SRadiusResult near;
    CObjectList::GetObjectsInRadius(&m_Frame.m_vPosition, 0.8f * m_fRadius, OBJ_GLIDER, &near);
    CGliderObject* player = g_pBuildingHost ? g_pBuildingHost->GetPlayerGlider() : nullptr;
    for (int i = 0; i < near.count; ++i)
    {
        if (!IsActiveGlider(near.objects[i])) continue;
        auto* glider = static_cast<CGliderObject*>(near.objects[i]);
        CMechanoid& m = *glider->m_pMechanoid;
        if (!m.IsDamaged()) continue;
        const bool isPlayer = glider == player;
        float step = dt / 30.0f;
        float ammo = dt / 30.0f;
        if (isPlayer)
        {
            // The price of what is broken: each part's repair price times
            // the part of it that is damaged.
            float cost = 0.0f;
            if (const SGliderParameters* g = m.m_GliderData.GetParams(); g && m.m_GliderData.HasRecord())
                cost += 0.1f * g->m_fPrice * m.m_GliderData.GetDamageRatio();
            const CEquipment* items[5] = {&m.m_Armor, &m.m_Engine, &m.m_Engine2, &m.m_Reactor, &m.m_Reactor2};
            for (const CEquipment* e : items)
                if (e->HasRecord() && e->GetDurability() > 0.0f)
                    cost += g_EquipmentManager.GetRepairPrice(e->m_Key, e->m_dwModif) * e->GetDamageRatio();
            ammo = dt / 180.0f;
            if (cost == 0.0f) continue;
            m_bServicing = 1;
            const float charge = cost * 0.5f / 30.0f * dt;
            float& money = m.m_Garbage.m_fMoney;
            if (money < charge)
                step = dt / 180.0f;
            else
            {
                money -= charge;
                if (g_pBuildingHost) g_pBuildingHost->OnSpendMoney(charge, 2);
            }
        }
        m_bServicing = 1;
        const float before = m.m_GliderData.HasRecord() ? m.m_GliderData.GetDamageRatio() : 0.0f;
        glider->RepairPart(step);
        if (int((before - step) * 20.0f) != int(before * 20.0f))
        {
            if (g_ExploManager.m_nCount > 0)
            {
                CMatrix at(1.0f);
                at.SetTranslation(glider->GetPosition());
                if (CMMObject* e = g_ExploManager.CreateObject(g_ExploManager.FindName("EXP_REPAIR"), at))
                    e->m_pOwner = this;
            }
            for (int k = 0; k < 3; ++k)
                glider->m_dwBrokenParts &= ~(1u << ((g_Random.Next() >> 8) & 3));
        }
        if (before - step <= 0.0f) glider->m_dwBrokenParts = 0;
        glider->UpdateAmmoPart(ammo);
    }
    if (m_bServicing && g_pSoundManager)
    {
        const std::int32_t sound = g_pSoundManager->FindName("SND_T_REPAIR");
        if (sound >= 0 && !g_pSoundManager->IsPlaying(sound))
        {
            const CVector& p = GetPosition();
            const CVector& l = g_ViewCamera.m_vPosition;
            const float where[3] = {p.x, p.y, p.z};
            const float listener[3] = {l.x, l.y, l.z};
            g_pSoundManager->Play3DMotionlessById(sound, where, listener, true);
        }
    }
}

void CBuildingObject::RunPlatform(float dt)
{
    SRadiusResult near;
    CObjectList::GetObjectsInRadius(&m_Frame.m_vPosition, m_fRadius + 500.0f, OBJ_GLIDER, &near);
    const CVector axis{m_Frame2.m_Matrix.m[0][1], m_Frame2.m_Matrix.m[1][1], m_Frame2.m_Matrix.m[2][1]};
    for (int i = 0; i < near.count; ++i)
    {
        if (!IsActiveGlider(near.objects[i])) continue;
        auto* glider = static_cast<CGliderObject*>(near.objects[i]);
        const float reach = glider->m_fRadius + m_fRadius;
        if ((glider->GetPosition() - GetPosition()).LengthSq() > reach * reach) continue;
        if (GetKindCode() == kAccelerator)
            glider->AddImpulse(axis * (10000.0f * glider->m_fMass * dt));
        else
            glider->m_vVelocity *= std::pow(100.0f, -dt);
    }
}

bool CBuildingObject::ExitGlider(CGliderObject* glider)
{
    XTRACE("CBuildingObject::ExitGlider");
    if (!glider) return false;
    CGliderObject* player = g_pBuildingHost ? g_pBuildingHost->GetPlayerGlider() : nullptr;
    const bool isPlayer = glider == player;
    if (!isPlayer && (m_bExitTaken[0] || m_bExitTaken[1] || m_bExitTaken[2])) return false;

    char exitId[64];
    std::snprintf(exitId, sizeof exitId, "%s_EXIT", m_szGameId);
    auto* exit = exitId[0] != '_' && std::strlen(exitId) < 32
                     ? dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(exitId, OBJ_BUILDING))
                     : nullptr;
    CVector position;
    CMatrix orientation = MakeDefaultObjectMatrix();
    CVector sight{0.0f, 1.0f, 0.0f};
    PrepareParts(true);
    if (exit && exit->PrepareParts(true))
    {
        // The slots are this building's: its Run frees them after 2 s.
        const int index = !m_bExitTaken[0] ? 0 : !m_bExitTaken[1] ? 1 : 2;
        m_bExitTaken[index] = 1;
        m_fExitTimer[index] = kExitSeconds;
        position = exit->ToWorld(exit->m_pKind->m_vExit[index]);
        CMatrix inverse(1.0f);
        InvertMatrix(exit->m_Frame.m_Matrix, inverse);
        const CMatrix def = MakeDefaultObjectMatrix();
        MatrixMultiply3x3(&orientation, &inverse, &def);
        const CMatrix& em = exit->m_Frame.m_Matrix;
        sight = CVector{em.m[0][2], em.m[1][2], em.m[2][2]};
    }
    else if (m_pKind && m_pKind->m_bInitialised && IsBoxPresent(m_pKind->m_Open) &&
             IsBoxPresent(m_pKind->m_Into))
    {
        const CVector open = BoxCentre(m_pKind->m_Open);
        position = ToWorld(open);
        position.x += g_Random.Random(10.0f) - 5.0f;
        position.y += g_Random.Random(10.0f) - 5.0f;
        const CVector d = open - BoxCentre(m_pKind->m_Into);
        CMatrix turn(1.0f);
        turn.SetRotationZ(-std::atan2(d.x, d.y));
        const CMatrix def = MakeDefaultObjectMatrix();
        CMatrix a;
        MatrixMultiply3x3(&a, &turn, &m_Frame2.m_Matrix);
        MatrixMultiply3x3(&orientation, &a, &def);
        NormalizeMatrixRows(&orientation);
        sight = CVector{orientation.m[0][2], orientation.m[1][2], orientation.m[2][2]};
    }
    else
    {
        position = ToWorld(CVector{0.0f, -300.0f, 0.0f});
        position.x += g_Random.Random(10.0f) - 5.0f;
        position.y += g_Random.Random(10.0f) - 5.0f;
        orientation = glider->m_Frame.m_Matrix;
        CObjectFrame f;
        f.SetMatrix(orientation, false);
        f.RotateZ(3.14159265f);
        orientation = f.m_Matrix;
        sight = CVector{orientation.m[0][2], orientation.m[1][2], orientation.m[2][2]};
    }
    // The turn first, where the glider is; then the move, which takes it
    // out of its old cell and into the new one.
    orientation.SetTranslation(glider->GetPosition());
    glider->m_Frame.SetMatrix(orientation, true);
    glider->m_vSight = sight;
    glider->SetPosition(position);
    if (glider->m_bMoving) glider->m_vVelocity = CVector{};
    glider->UpdateGliderConfig();
    if (isPlayer)
    {
        glider->m_fThrottle = 0.0f;
        glider->m_fJumpCharge = 0.0f;
        glider->m_fJumpReadiness = 1.0f;
    }
    return true;
}

void CBuildingObject::Damage(float, CVector, int, CMMObject* attacker, int, int)
{
    XTRACE("CBuildingObject::Damage");
    if (!attacker || !g_pBuildingHost) return;
    SRadiusResult towers;
    CObjectList::GetObjectsInRadius(&attacker->m_Frame.m_vPosition,
                                    g_pBuildingHost->GetTowerMaxViewDistance(), OBJ_TOWER, &towers);
    for (int i = 0; i < towers.count; ++i)
        if (g_pBuildingHost->TowerWatches(towers.objects[i], GetPosition()))
            g_pBuildingHost->AlarmTower(towers.objects[i], attacker);
}

const void* CBuildingObject::GetShapeData()
{
    const std::int32_t id = m_pKind ? m_pKind->GetModelId() : -1;
    auto* model =
        id >= 0 && g_pModelManager ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id)) : nullptr;
    if (!model) return nullptr;
    const bool open = m_nDoorState == kOpen;
    std::vector<SShapeTriangle>& shape = open ? model->m_Shape2 : model->m_Shape;
    if (shape.empty()) model->CreateShape(!open);
    return &shape;
}

void CBuildingObject::SaveGame(CMemStream& stream)
{
    XTRACE("CBuildingObject::SaveGame");
    CMMObject::SaveGame(stream);
    auto write = [&](const auto& list)
    {
        const std::uint32_t count = std::uint32_t(list.m_nCount);
        stream.Write(&count, 4);
        for (int i = 0; i < list.m_nCount; ++i)
        {
            SBuildingSavedName n{};
            const char* name = g_pBuildingHost && list.m_Groups[i]
                                   ? g_pBuildingHost->GetGroupName(list.m_Groups[i])
                                   : nullptr;
            if (name) std::memcpy(n.name, name, strnlen(name, sizeof n.name));
            stream.Write(&n, sizeof n);
        }
    };
    write(m_Visitors);
    write(m_Groups2);
}

void CBuildingObject::LoadGame(CMemStream& stream)
{
    XTRACE("CBuildingObject::LoadGame");
    CMMObject::LoadGame(stream);
    SBuildingSavedName names[2][SBuildingVisitors::kMax] = {};
    std::uint32_t counts[2] = {};
    const std::uint32_t limits[2] = {SBuildingVisitors::kMax, decltype(m_Groups2)::kMax};
    const char* what[2] = {"visitor", "second-list group"};
    for (int l = 0; l < 2; ++l)
    {
        char label[96];
        std::snprintf(label, sizeof label, "building '%.32s' %s count", m_szGameId, what[l]);
        ReadStreamBytes(stream, &counts[l], 4, label);
        if (counts[l] > limits[l])
        {
            char reason[160];
            std::snprintf(reason, sizeof reason, "building '%.32s': %u %ss stored, at most %u", m_szGameId,
                          counts[l], what[l], limits[l]);
            throw CObjectStreamError(reason);
        }
        std::snprintf(label, sizeof label, "building '%.32s' %s names", m_szGameId, what[l]);
        ReadStreamBytes(stream, names[l], counts[l] * sizeof(SBuildingSavedName), label);
    }
    // Applied only once the whole record is read.
    auto apply = [&](auto& list, int l)
    {
        list = {};
        for (std::uint32_t i = 0; i < counts[l]; ++i)
        {
            char name[33] = {};
            CopyName(name, names[l][i].name);
            list.m_Groups[i] = g_pBuildingHost && name[0] ? g_pBuildingHost->FindGroup(name) : nullptr;
        }
        list.m_nCount = std::int32_t(counts[l]);
    };
    apply(m_Visitors, 0);
    apply(m_Groups2, 1);
}
