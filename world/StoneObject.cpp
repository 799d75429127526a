#include "world/StoneObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelInstance.h"
#include "graphics/ModelManager.h"
#include "world/EffectQueue.h"
#include "world/LightWare.h"
#include "world/ObjectManager.h"
#include "world/ObjectScene.h"
#include "world/SceneryObjects.h"

#include <cstdio>
#include <cstring>

namespace
{
void SetWorld(const CMatrix& m)
{
    g_ModelWorldMatrix = m;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_WORLD,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&m));
}
} // namespace

CStoneObject::CStoneObject()
{
    m_nType = OBJ_STONE;
    m_bShown = 1;
    m_bCollidable = 1;
}

CStoneObject::~CStoneObject() = default;

const SStoneType* CStoneObject::StoneType() const
{
    return static_cast<const SStoneType*>(m_pType);
}

void CStoneObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CStoneObject::Init");
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    SetMatrix(placement);
    const std::int32_t index = g_StoneManager.FindName(m_TypeRef);
    m_pType = index >= 0 ? static_cast<const SObjectTypeHeader*>(g_StoneManager.GetType(index)) : nullptr;
    m_fRadius = SceneryRadius(placement, GetModelId());
    // Small stones collide as spheres; larger ones by their model's shape.
    m_bSphereCollider = m_fRadius < 2.0f;
    m_bDrawnThisFrame = 0;
    m_bMoving = GetModelId() != -1;
    // A stone given another type in place drops the old model's instance.
    if (m_pInstance && (!m_pType || m_pInstance->m_iModel != GetModelId())) m_pInstance.reset();
    if (!m_pInstance && m_pType)
    {
        m_pInstance = std::make_unique<CModelInstance>();
        m_pInstance->Init(GetModelId(), nullptr);
        if (m_pInstance->HasParticles()) m_bMoving = 1;
    }
}

void CStoneObject::SaveGame(CMemStream& stream)
{
    CMMObject::SaveGame(stream);
    stream.Write(m_TypeRef, sizeof m_TypeRef);
}

void CStoneObject::LoadGame(CMemStream& stream)
{
    const std::uint32_t start = stream.m_nPosition;
    std::uint8_t all[kSaveGameSize + 32];
    ReadStreamBytes(stream, all, sizeof all, "stone state");
    stream.m_nPosition = start;
    CMMObject::LoadGame(stream);
    char typeRef[33] = {};
    ReadStreamBytes(stream, typeRef, 32, "stone type");
    CMatrix m(1.0f);
    m.SetTranslation(GetPosition());
    Init(m, typeRef);
}

void CStoneObject::Draw()
{
    XTRACE("CStoneObject::Draw");
    DrawTypeModel(!(m_pType && StoneType()->m_bNoMapColor));
    if (m_pInstance) QueueEffect(this, kInstancePass);
    if (m_pType && m_pType->GetAlphaModelId() != -1) QueueEffect(this, kAlphaModelPass);
}

void CStoneObject::DrawEffect(int pass)
{
    XTRACE("CStoneObject::DrawEffect");
    if (pass == kInstancePass && m_pInstance)
    {
        SetWorld(m_Frame.m_Matrix);
        m_bDrawnThisFrame = 1;
        // The particles face the viewer: the camera's right and up axes.
        const CMatrix& camera = CComplexObject::s_CameraMatrix;
        const CVector right{camera.m[0][0], camera.m[0][1], camera.m[0][2]};
        const CVector up{camera.m[1][0], camera.m[1][1], camera.m[1][2]};
        m_pInstance->Update(m_Frame.m_Matrix, right, up);
        // The model itself was drawn in the opaque pass, lit by the ground.
        m_pInstance->Render(nullptr, -1, false);
        return;
    }
    if (pass != kAlphaModelPass || !m_pType || !g_pModelManager) return;
    const std::int32_t id = m_pType->GetAlphaModelId();
    auto* model = id >= 0 ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id)) : nullptr;
    if (!model) return; // still loading
    SetWorld(m_Frame.m_Matrix);
    const CVector p = GetPosition();
    g_LightWare.SetLights(p, m_fRadius);
    if (g_pObjectView) g_pObjectView->SetLights(p, m_fRadius);
    model->Render(nullptr, 0, -1);
}

void CStoneObject::Run()
{
    XTRACE("CStoneObject::Run");
    if (GetModelId() != -1) CMMObject::Run();
    if (!m_bDrawnThisFrame || !m_pInstance) return;
    // An undrawn stone's particles wait: nobody sees them.
    m_pInstance->UpdateParticles(g_FrameTimer.GetFrameTime());
    SPartSphere& bounds = m_PartSpheres[0];
    bounds.m_vCentre = m_pInstance->m_vParticleCentre;
    bounds.m_fRadius = m_pInstance->m_fParticleRadius;
    bounds.m_bUsed = 1;
    if (m_nPartSpheres < 1) m_nPartSpheres = 1;
    m_bDrawnThisFrame = 0;
}

void CStoneObject::InvalidateResources()
{
    m_pInstance.reset();
}
