#include "world/StoneObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "world/EffectQueue.h"
#include "world/LightWare.h"
#include "world/ObjectManager.h"
#include "world/ObjectScene.h"
#include "world/ObjectTypeRecord.h"

#include <cmath>
#include <cstdio>
#include <cstring>

CStoneObject::CStoneObject()
{
    m_nType = OBJ_STONE;
    m_bShown = 1;
    m_bCollidable = 1;
}

void CStoneObject::Init(const CMatrix& placement, const char* typeName)
{
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    SetMatrix(placement);
    const std::int32_t index = g_StoneManager.FindName(m_TypeRef);
    m_pType = index >= 0 ? static_cast<const SObjectTypeHeader*>(g_StoneManager.GetType(index)) : nullptr;
    m_fRadius = 1.0f;
    const std::int32_t model = GetModelId();
    if (model >= 0 && g_pModelManager)
    {
        const SModelRecord* record = g_pModelManager->GetRecord(model);
        if (record && record->m_fRadius > 0.0f) m_fRadius = record->m_fRadius;
    }
    // The radius follows the placement's scale.
    const auto& r = placement.m[0];
    const float scale = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    if (scale > 0.0f) m_fRadius *= scale;
    // Small stones collide as spheres; larger ones by their model's shape.
    m_bSphereCollider = m_fRadius < 2.0f;
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
    CMMObject::Draw();
    if (m_pType && m_pType->GetAlphaModelId() != -1) QueueEffect(this, kAlphaModelPass);
}

void CStoneObject::DrawEffect(int pass)
{
    XTRACE("CStoneObject::DrawEffect");
    if (pass != kAlphaModelPass || !m_pType || !g_pModelManager) return;
    const std::int32_t id = m_pType->GetAlphaModelId();
    auto* model = id >= 0 ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id)) : nullptr;
    if (!model) return; // still loading
    g_ModelWorldMatrix = m_Frame.m_Matrix;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_WORLD,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&m_Frame.m_Matrix));
    const CVector p = GetPosition();
    g_LightWare.SetLights(p, m_fRadius);
    if (g_pObjectView) g_pObjectView->SetLights(p, m_fRadius);
    model->Render(nullptr, 0, -1);
}
