// Model instances: particle clones on the model's "FX" markers.

#include "graphics/ModelInstance.h"

#include "foundation/ErrorLog.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/ParticleSystem.h"

#include <cmath>
#include <cstdio>

CModelInstance::~CModelInstance()
{
    ClearParticles();
}

CComplexObject* CModelInstance::GetModel()
{
    if (m_iModel == -1) return m_pObject;
    if (!g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_iModel));
}

void CModelInstance::ClearParticles()
{
    for (CParticleViewer*& particles : m_pParticles)
    {
        delete particles;
        particles = nullptr;
    }
    m_nParticles = 0;
}

void CModelInstance::Init(std::int32_t modelId, CComplexObject* object)
{
    XTRACE("CModelInstance::Init");
    m_iModel = modelId;
    if (!object && g_pModelManager) object = dynamic_cast<CComplexObject*>(g_pModelManager->GetModelForce(modelId));
    m_pObject = object;
    ClearParticles();
    m_bParticles = false;
    if (!object) return;

    bool refusedLogged = false;
    for (std::int32_t i = 0; i < object->GetPartCount(); ++i)
    {
        SObjectPart& part = object->GetPart(i);
        if (part.Type() != 4 || !part.m_pParticles) continue;
        // The slots are fixed: a model with more particle parts keeps its
        // first twelve.
        if (m_nParticles == kMaxParticles)
        {
            if (!refusedLogged)
                g_ErrorLog.LogError("CModelInstance::Init model %d: more than %d particle systems, the rest left out",
                                    modelId, kMaxParticles);
            refusedLogged = true;
            continue;
        }
        CParticleViewer* clone = part.m_pParticles->Clone();
        clone->Start(false);
        m_pParticles[m_nParticles++] = clone;
    }
    if (m_nParticles == 0) return;
    m_bParticles = true;

    // Marker axes to the emitter's: x mirrored, y and z exchanged.
    CMatrix a(1.0f);
    a.m[0][0] = -1.0f;
    a.m[1][1] = 0.0f;
    a.m[1][2] = 1.0f;
    a.m[2][1] = -1.0f;
    a.m[2][2] = 0.0f;
    const auto marker = [object](std::int32_t index) -> SObjectPart*
    {
        if (index < 0) return nullptr;
        SObjectPart& part = object->GetPart(index);
        return part.Type() == 1 && part.m_pModel ? &part : nullptr;
    };
    for (std::int32_t k = 0; k < m_nParticles; ++k)
    {
        char name[8];
        std::snprintf(name, sizeof name, "FX%c", char('0' + k));
        SObjectPart* fx = marker(object->FindObject(name));
        if (!fx) fx = marker(object->FindObject("FX"));
        if (!fx)
        {
            m_pParticles[k]->SetMatrix(CMatrix(1.0f));
            continue;
        }
        CModel* model = fx->m_pModel.get();
        CreateTransData(model, &m_TransData);
        CMatrix t, at;
        GetTransMatrix(&t, model, m_TransData.iOrigin, m_TransData.iForward, m_TransData.iRight, m_TransData.iTop,
                       nullptr);
        MatrixMultiply(&at, &a, &t);
        m_pParticles[k]->SetMatrix(at); // the emitter position is its translation row
    }
    RestartParticles();
}

void CModelInstance::Render(float* state, std::int32_t group, bool renderModel)
{
    if (renderModel)
        if (CComplexObject* object = GetModel()) object->Render(state, 0, group);
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->Render();
}

void CModelInstance::Update(const CMatrix& world, const CVector& a, const CVector& b)
{
    if (!m_bParticles || m_nParticles == 0) return;
    CMatrix m = world;
    const float scaleSq = m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2];
    CVector centre;
    float radius = 0.0f;
    m_pParticles[0]->GetBoundingSphere(&centre, &radius);
    VectorTransformCoord(&m_vParticleCentre, &m, &centre);
    m_fParticleRadius = radius * scaleSq;
    if (std::fabs(scaleSq - 1.0f) > 0.01f && scaleSq > 0.0f) m.ScaleRotation(1.0f / std::sqrt(scaleSq));
    CMatrix r(1.0f);
    CMatrix::InvertRotation(m, r);
    NormalizeMatrixRows(&r);
    CVector ra, rb;
    VectorTransformNormal(&ra, &r, &a);
    VectorTransformNormal(&rb, &r, &b);
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->SetEmissionVectors(ra, rb);
}

void CModelInstance::UpdateParticles(float dt)
{
    if (!m_bParticles) return;
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->Update(dt);
}

void CModelInstance::SetParticlesMatrix(const CMatrix& matrix)
{
    if (!m_bParticles) return;
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->SetMatrix(matrix);
}

void CModelInstance::SetParticlesMotion(const CMatrix& matrix, float dt)
{
    if (!m_bParticles) return;
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->SetMotion(matrix, dt);
}

void CModelInstance::SetParticlesRange(float rateFactor, float speedFactor)
{
    for (std::int32_t k = 0; k < m_nParticles; ++k)
    {
        m_pParticles[k]->m_fRateFactor = rateFactor;
        m_pParticles[k]->m_fSpeedFactor = speedFactor;
    }
}

void CModelInstance::StopParticles()
{
    if (!m_bParticles) return;
    for (std::int32_t k = 0; k < m_nParticles; ++k) m_pParticles[k]->Stop(m_pParticles[k]->m_Params.stopArgument);
}

bool CModelInstance::AreParticlesFinished() const
{
    if (!m_bParticles) return false;
    for (std::int32_t k = 0; k < m_nParticles; ++k)
        if (!m_pParticles[k]->IsFinished()) return false;
    return true;
}

void CModelInstance::GetParticlesBounds(CVector* centre, float* radius) const
{
    *centre = CVector{};
    *radius = 0.0f;
    for (std::int32_t k = 0; k < m_nParticles; ++k)
    {
        float r = 0.0f;
        m_pParticles[k]->GetBoundingSphere(centre, &r);
        if (r > *radius) *radius = r;
    }
}

void CModelInstance::RestartParticles()
{
    if (!m_bParticles) return;
    for (std::int32_t k = 0; k < m_nParticles; ++k)
    {
        const SEmitterParams params = m_pParticles[k]->m_Params;
        m_pParticles[k]->Init(params);
    }
}
