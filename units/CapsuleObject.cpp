#include "units/CapsuleObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/Location.h"
#include "units/BuildingLinks.h"
#include "units/GunLaying.h"
#include "units/KindManagers.h"
#include "world/ObjectList.h"

#include <cstring>
#include <vector>

using namespace plat::d3d;

namespace
{
constexpr const char* kCapsuleKind = "VIRTUAL_ID_CAPSULE";
constexpr std::int32_t kStationType = 13;

bool IsStation(const CMMObject* building)
{
    const SBuildingType* kind = GetBuildingKind(building);
    return kind && kind->m_nType == kStationType;
}

void AddCapsule(const CVector& start, const CVector& end)
{
    auto* capsule = new CCapsuleObject;
    capsule->Init(start, end);
    g_ObjectList.AddObject(capsule);
}
} // namespace

CCapsuleObject::CCapsuleObject()
{
    m_nType = OBJ_CAPSULE;
    m_bMoving = 1;
    m_bPhysics = 1;
    m_bDamageable = 0;
    m_bShown = 1;
    m_fMass = 5000.0f;
    m_fForwardFriction = 1.3f;
    m_fForwardFrictionScale = m_fRisingFriction = m_fFallingFriction = m_fSideFriction = 2.0f;
    m_fProbe1 = m_fProbe2 = m_fProbe3 = 1.0f;
    m_fPitchStiffness = m_fRollStiffness = 1.0f / 3.0f;
    m_fSteeringResponse = 3.14159265f;
    m_fKindFloats[0] = m_fKindFloats[1] = 1.0f;
    m_fHoverHeight = 1.0f;
}

void CCapsuleObject::Init(const CVector& start, const CVector& end)
{
    XTRACE("CCapsuleObject::Init");
    m_vStart = start;
    m_vEnd = end;
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::strcpy(m_TypeRef, kCapsuleKind);
    const std::int32_t index = g_CapsuleManager.FindName(kCapsuleKind);
    if (index >= 0)
    {
        m_pType = static_cast<const SObjectTypeHeader*>(g_CapsuleManager.GetType(index));
        m_fScale = ModelRadius(m_pType->GetModelId());
    }
    else
        g_ErrorLog.LogDebug("CCapsuleObject::Init %s not found", kCapsuleKind);
    m_Frame.m_Matrix = CMatrix(1.0f);
    m_Frame.SetForward(Normalize(end - start));
    m_Frame.SetPosition(start);
    m_Frame2.m_Matrix = CMatrix(1.0f);
    CMatrix::InvertRotation(m_Frame.m_Matrix, m_Frame2.m_Matrix);
    m_Frame2.SetPosition(start);
}

void CCapsuleObject::Run()
{
    const CVector track = m_vEnd - m_vStart;
    const float length = track.Length();
    if (length <= 0.0f) return;
    const CVector d = track * (1.0f / length);
    const CVector h = d * (m_fScale * 0.5f);
    const float along = Dot(GetPosition() - m_vStart, d);
    if (along <= length + m_fScale * 0.5f)
        m_vForce = d * kPush;
    else
        SetPosition(m_vStart - h);
}

void CCapsuleObject::Draw()
{
    if (!m_pType || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_pType->GetModelId()));
    if (!model) return;
    CMatrix inverse(1.0f);
    CMatrix::InvertRotation(m_Frame.m_Matrix, inverse);
    CMatrix m(1.0f);
    for (int c = 0; c < 3; ++c)
    {
        m.m[0][c] = -inverse.m[0][c];
        m.m[1][c] = inverse.m[2][c];
        m.m[2][c] = inverse.m[1][c];
    }
    m.SetTranslation(GetPosition());
    SetWorldTransform(m);
    const float b = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
    model->SetColor(b, b, b, b);
    model->Render(nullptr, 0, -1);
    model->ResetColor();
}

void CCapsuleManager::CreateForGame()
{
    XTRACE("CCapsuleManager::CreateForGame");
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_BUILDING, all);
    std::vector<CMMObject*> stations;
    for (int i = 0; i < all.count; ++i)
        if (all.items[i]->m_bAlive && IsStation(all.items[i])) stations.push_back(all.items[i]);
    while (!stations.empty())
    {
        CMMObject* station = stations.front();
        stations.erase(stations.begin());
        std::size_t best = stations.size();
        float bestSq = 0.0f;
        for (std::size_t i = 0; i < stations.size(); ++i)
        {
            const float d2 = (stations[i]->GetPosition() - station->GetPosition()).LengthSq();
            if (best != stations.size() && d2 >= bestSq) continue;
            best = i;
            bestSq = d2;
        }
        if (best == stations.size()) continue;
        CMMObject* other = stations[best];
        stations.erase(stations.begin() + std::ptrdiff_t(best));
        AddCapsule(GetEntrancePoint(station, 0), GetEntrancePoint(other, 1));
        AddCapsule(GetEntrancePoint(other, 0), GetEntrancePoint(station, 1));
    }
}
