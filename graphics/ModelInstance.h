// CModelInstance: a model placed in the world. It refers to a shared
// CComplexObject by model id (or holds one given directly, model id -1) and
// owns private clones of the object's particle systems, each attached to an
// "FX" marker of the model, so that every placed object emits its own
// particles. At most kMaxParticles systems are cloned; further particle
// parts are left out with one error-log line.
//
// Ownership: the instance owns its particle clones, never the object.
// Threads: main thread only (Init with no object loads synchronously).
#pragma once

#include "foundation/Vector.h"
#include "graphics/Model.h"

#include <cstdint>

class CComplexObject;
class CParticleViewer;

class CModelInstance
{
public:
    static constexpr std::int32_t kMaxParticles = 12;

    CModelInstance() = default;
    ~CModelInstance();
    CModelInstance(const CModelInstance&) = delete;
    CModelInstance& operator=(const CModelInstance&) = delete;

    // The object for the model id (null while it loads), or the stored one.
    CComplexObject* GetModel();
    // Binds the instance and clones the object's particle systems.
    void Init(std::int32_t modelId, CComplexObject* object);
    void Done() { ClearParticles(); }
    void Render(float* state, std::int32_t group, bool renderModel);
    // Follows the owner's world matrix M; a and b are the emission vectors.
    void Update(const CMatrix& world, const CVector& a, const CVector& b);
    void UpdateParticles(float dt);
    void SetParticlesMatrix(const CMatrix& matrix);
    void SetParticlesMotion(const CMatrix& matrix, float dt);
    void SetParticlesRange(float rateFactor, float speedFactor);
    void StopParticles();
    bool AreParticlesFinished() const;
    void GetParticlesBounds(CVector* centre, float* radius) const;
    void ClearParticles();
    void RestartParticles();

    std::int32_t GetParticleCount() const { return m_nParticles; }
    CParticleViewer* GetParticles(std::int32_t i) const { return m_pParticles[i]; }
    bool HasParticles() const { return m_bParticles; }

    CComplexObject* m_pObject = nullptr;
    CParticleViewer* m_pParticles[kMaxParticles] = {};
    std::int32_t m_nParticles = 0;
    std::int32_t m_iModel = -1;
    bool m_bParticles = false;
    STransData m_TransData;
    CVector m_vParticleCentre;
    float m_fParticleRadius = 0.0f;
};
