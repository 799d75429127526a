#include "world/ShieldView.h"

#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "world/EffectQueue.h"
#include "world/MMEngine.h"
#include "world/MMObject.h"
#include "world/ObjectFrame.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cstring>

using namespace plat::d3d;

namespace
{
CComplexObject* ShieldModel(std::int32_t id)
{
    if (id < 0 || !g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id));
}

CModel* FirstModel(CComplexObject* object)
{
    return object && object->GetPartCount() > 0 ? object->GetPart(0).m_pModel.get() : nullptr;
}
} // namespace

void CShieldView::SetOwner(CMMObject* object)
{
    if (object && object->m_nType == OBJ_GLIDER) m_pOwner = object;
}

void CShieldView::AddHit(std::uint32_t strength, const float matrix[16], bool singleSlot)
{
    const int slots = singleSlot ? 1 : kHits;
    for (int i = 0; i < slots; ++i)
    {
        SHit& hit = m_Hits[i];
        if (hit.life > 0.0f) continue;
        hit.life = kLife;
        std::memcpy(hit.matrix, matrix, sizeof hit.matrix);
        hit.used = 1;
        hit.strength = strength;
        m_bAnyHit = 1;
        return;
    }
}

void CShieldView::Run(float dt)
{
    float rate = 1.0f;
    if (CModel* first = FirstModel(ShieldModel(g_MMEngine.m_nResourceIds[CMMEngine::kShieldModel])))
        if (first->m_fFrameTime != 0.0f) rate = 1.0f / (first->m_fFrameTime * 64.0f);
    bool any = false;
    for (SHit& hit : m_Hits)
    {
        if (hit.life <= 0.0f) continue;
        hit.life -= dt * rate;
        any = any || hit.life > 0.0f;
    }
    if (!any) m_bAnyHit = 0;
}

CMatrix CShieldView::HitMatrix(std::uint32_t index) const
{
    CMatrix out(1.0f);
    if (!m_pOwner || index >= std::uint32_t(kHits)) return out;
    // R = glider rotation x hit rotation (3 x 3).
    const CMatrix& g = m_pOwner->m_Frame.m_Matrix;
    const float* h = m_Hits[index].matrix;
    CMatrix r(1.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k)
                sum += g.m[i][k] * h[k * 4 + j];
            r.m[i][j] = sum;
        }
    CMatrix inverse(1.0f);
    InvertMatrix(r, inverse);
    CMatrix d = MakeDefaultObjectMatrix();
    CMatrix di;
    MatrixMultiply(&di, &d, &inverse);
    const float scale[3] = {m_vScale.x, m_vScale.y, m_vScale.z};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = scale[i] * di.m[i][j];
    out.SetTranslation(m_pOwner->GetPosition());
    return out;
}

void CShieldView::MakeEffects()
{
    if (!m_pOwner) return;
    const CVector eye = GetViewerPosition();
    for (int i = 0; i < kHits; ++i)
    {
        if (m_Hits[i].life <= 0.0f) continue;
        // Keyed by the struck side of the glider: its position less the
        // hit's second axis.
        const CMatrix m = HitMatrix(std::uint32_t(i));
        const CVector axis{m.m[1][0] / std::max(m_vScale.y, 1e-6f), m.m[1][1] / std::max(m_vScale.y, 1e-6f),
                           m.m[1][2] / std::max(m_vScale.y, 1e-6f)};
        const float key = (m_pOwner->GetPosition() - axis - eye).LengthSq();
        if (g_pEffectQueue)
            g_pEffectQueue->AddObject(key, m_pOwner, std::uint32_t(i + 2));
        else
            m_pOwner->DrawEffect(i + 2);
    }
}

float CShieldView::HitAlpha(int frame, std::uint32_t strength)
{
    if (frame == 0) return 1.0f;
    const float s = std::clamp(float(strength) * 0.01f, 0.1f, 1.0f);
    return frame == 1 ? (s + 1.0f) * 0.5f : s;
}

void CShieldView::Render(std::uint32_t index)
{
    if (!m_pOwner || index >= std::uint32_t(kHits) || !graph.m_lpDevice) return;
    const std::int32_t id = m_nModel != -1 ? m_nModel : g_MMEngine.m_nResourceIds[CMMEngine::kShieldModel];
    CComplexObject* model = ShieldModel(id);
    if (!model) return; // still loading: next frame
    const CMatrix world = HitMatrix(index);
    graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
    g_ModelWorldMatrix = world;
    const int frame = int((kLife - m_Hits[index].life) * 64.0f);
    SetTextureFactorAlpha(HitAlpha(frame, m_Hits[index].strength), kFactorRenderState | kFactorPixelShader);
    model->SetModelsParam(frame);
    if (CModel* first = FirstModel(model)) first->m_iTechnique = SHADER_ALPHA_EFFECT_FACTOR;
    model->Render(nullptr, 0, -1);
}
