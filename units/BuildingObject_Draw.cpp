// Drawing of buildings: the kind's model with its door animation, lit and
// tinted by the ground under it, the owner's turning icon over the sign,
// the particle systems (effect pass 0), the alpha model (17) and the
// service platform's sphere (18).
#include "units/BuildingObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelInstance.h"
#include "graphics/ModelManager.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/LightWare.h"
#include "world/ObjectScene.h"
#include "world/World.h"

namespace
{
constexpr std::uint32_t kParticlePass = 0;
constexpr std::uint32_t kAlphaPass = 17;
constexpr std::uint32_t kServicePass = 18;

void SetWorld(const CMatrix& m)
{
    g_ModelWorldMatrix = m;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_WORLD,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&m));
}
} // namespace

CMatrix CBuildingObject::DrawMatrix() const
{
    CMatrix m = m_Frame.m_Matrix;
    m.m[3][2] += m_fHeightOffset;
    return m;
}

void CBuildingObject::Draw()
{
    XTRACE("CBuildingObject::Draw");
    if (!m_pKind) return;
    const std::int32_t modelId = m_pKind->GetModelId();
    {
        XTRACE("AddEffectObject");
        if (!m_pInstance && modelId >= 0)
        {
            if (CComplexObject* model = GetComplexModel(modelId))
            {
                m_pInstance = new CModelInstance;
                m_pInstance->Init(modelId, model);
            }
        }
        if (m_pInstance && m_pInstance->HasParticles()) QueueEffect(this, kParticlePass);
        if (m_pKind->GetAlphaModelId() >= 0) QueueEffect(this, kAlphaPass);
    }
    if (!PrepareParts(false)) return;
    CComplexObject* model = GetComplexModel(modelId);
    if (!model) return;
    {
        XTRACE("Main");
        const float half = m_fDoorOpening * 0.5f;
        float params[8] = {};
        params[0] = m_pKind->m_bReverseOpen ? 1.0f - half : half;
        SetWorld(DrawMatrix());
        const CVector p = GetPosition();
        g_LightWare.SetLights(p, m_fRadius);
        if (g_pObjectView) g_pObjectView->SetLights(p, m_fRadius);
        float level = 1.0f;
        std::uint32_t colour = 0xFFFFFF;
        if (g_pObjectCells)
        {
            level = g_pObjectCells->GetBrightnessAt(p);
            colour = g_pObjectCells->GetColor(p.x, p.y);
        }
        // The ground's colour doubled, so that a mid grey leaves the light
        // level as it is.
        const auto channel = [&](int shift)
        { return 2.0f * float((colour >> shift) & 0xFF) * level / 255.0f; };
        XTRACE("Render");
        model->SetColor(channel(16), channel(8), channel(0), 1.0f);
        model->Render(params, 0, -1);
        model->SetColor(1.0f, 1.0f, 1.0f, 1.0f);
    }
    if (m_pKind->m_nCluster != 0 && g_pWorld && g_pBuildingHost)
    {
        XTRACE("Draw icon");
        const SBuildingRecord* record = g_pWorld->FindBuilding(m_szGameId);
        CComplexObject* icon = record && record->owner[0]
                                   ? GetComplexModel(g_pBuildingHost->GetOrgIconModel(record->owner))
                                   : nullptr;
        if (icon)
        {
            CMatrix turn(6.0f);
            turn.SetRotationZ(float(g_GameTime));
            CMatrix m;
            MatrixMultiply(&m, &turn, &m_Frame.m_Matrix);
            m.SetTranslation(ToWorld(m_pKind->m_vSign));
            SetWorld(m);
            icon->Render(nullptr, 0, -1);
        }
    }
    if (GetKindCode() == kService && m_bServicing) QueueEffect(this, kServicePass);
}

void CBuildingObject::DrawEffect(int pass)
{
    XTRACE("CBuildingObject::DrawEffect");
    if (!m_pKind) return;
    const CMatrix world = DrawMatrix();
    SetWorld(world);
    if (pass == int(kParticlePass))
    {
        if (!m_pInstance) return;
        const CVector side{world.m[0][0], world.m[0][1], world.m[0][2]};
        const CVector up{world.m[1][0], world.m[1][1], world.m[1][2]};
        m_pInstance->Update(world, side, up);
        m_pInstance->Render(nullptr, 0, false);
        m_bInstanceDrawn = 1;
    }
    else if (pass == int(kAlphaPass))
    {
        g_LightWare.SetLights(GetPosition(), m_fRadius);
        if (CComplexObject* alpha = GetComplexModel(m_pKind->GetAlphaModelId()))
            alpha->Render(nullptr, 0, -1);
    }
    else if (pass == int(kServicePass) && g_pModelManager)
    {
        if (CComplexObject* sphere = GetComplexModel(g_pModelManager->FindName("MOD_BLD_SERVICE_SPH")))
            sphere->Render(nullptr, 0, -1);
    }
}
