#include "units/GunLaying.h"

#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/Location.h"
#include "units/Gun.h"
#include "world/KindManagers.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr float kPi = std::numbers::pi_v<float>;
// Slightly more than pi: an error just past the half turn is not flipped,
// so a target straight behind does not make the gun hunt between sides.
constexpr float kYawErrorLimit = 3.1730084f;

float Sign(float x)
{
    return x < 0.0f ? -1.0f : 1.0f;
}

CComplexObject* LoadedModel(std::int32_t id)
{
    if (id < 0 || !g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModelForce(id));
}
} // namespace

void DampLaying(SGunLaying& s, float dt)
{
    s.m_fPitchRate /= std::exp2(20.0f * dt * (1.0f + std::fabs(s.m_fPitchRate) * 1e-10f));
    s.m_fYawRate /= std::exp2(30.0f * dt * (1.0f + std::fabs(s.m_fYawRate) * 1e-10f));
}

float StepYaw(SGunLaying& s, const CVector& d, float r, float dt, const SLayingGains& g)
{
    float error = std::atan2(d.x, d.y) + kPi - s.m_fYaw;
    while (error > kYawErrorLimit)
        error -= 2.0f * kPi;
    while (error < -kYawErrorLimit)
        error += 2.0f * kPi;
    if (std::fabs(error) <= 0.1f * r)
        s.m_fYawRate += g.yawNear * dt * error;
    else
        s.m_fYawRate += Sign(error) * dt * g.yawFar * r;
    s.m_fYawRate = std::clamp(s.m_fYawRate, -5.0f, 5.0f);
    s.m_fYaw += dt * s.m_fYawRate;
    return error;
}

float StepPitch(SGunLaying& s, const CVector& d, float r, float dt, float down, float up,
                const SLayingGains& g)
{
    const float lengthSq = d.LengthSq();
    if (lengthSq <= 1.0f) return 0.0f;
    const float z = std::clamp(d.z / std::sqrt(lengthSq), -1.0f, 1.0f);
    const float goal = std::clamp(-std::asin(z), std::min(down, up), std::max(down, up));
    const float error = goal - s.m_fPitch;
    if (std::fabs(error) <= 0.1f * r)
        s.m_fPitchRate += g.pitchNear * dt * error;
    else
        s.m_fPitchRate += Sign(error) * dt * g.pitchFar * r;
    s.m_fPitch += dt * s.m_fPitchRate;
    return goal - s.m_fPitch;
}

float WrapPi(float a)
{
    while (a > kPi)
        a -= 2.0f * kPi;
    while (a < -kPi)
        a += 2.0f * kPi;
    return a;
}

CMatrix RemoveScale(const CMatrix& placement)
{
    CMatrix m = placement;
    const float length = std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2]);
    if (length > 0.0f)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m.m[r][c] /= length;
    return m;
}

CMatrix YawMatrix(float yaw, const CVector& at)
{
    CMatrix m(1.0f);
    m.SetRotationZ(yaw);
    m.SetTranslation(at);
    return m;
}

void DrawLaidGun(CGun& gun, const CMatrix& yaw, const CMatrix& mount, int detailLevel)
{
    if (gun.m_fSinceShot > 0.0f && gun.m_fSinceShot < 0.5f)
        gun.SetFireLight(yaw, mount);
    else if (graph.m_lpDevice)
    {
        graph.m_lpDevice->LightEnable(10, false);
        graph.m_lpDevice->LightEnable(11, false);
    }
    gun.SetBarrelMatrices(yaw, mount);
    gun.Draw(yaw, mount, detailLevel, nullptr);
}

CMatrix MuzzleMount(std::int32_t model, std::int32_t part, const STransData& trans, float k,
                    const CVector& fallback)
{
    CMatrix mount(1.0f);
    mount.SetTranslation(fallback);
    CComplexObject* object = part >= 0 ? LoadedModel(model) : nullptr;
    if (!object || part >= object->GetPartCount()) return mount;
    CModel* m = object->GetPart(part).m_pModel.get();
    if (!m) return mount;
    float state[4] = {std::clamp(k, 0.0f, 1.0f), 0.0f, 0.0f, 0.0f};
    GetTransMatrix(&mount, m, trans.iOrigin, trans.iForward, trans.iRight, trans.iTop, state);
    return mount;
}

std::int32_t FindModelPart(std::int32_t model, const char* name, STransData* trans, std::uint8_t* geometry)
{
    if (geometry) *geometry = 0;
    CComplexObject* object = LoadedModel(model);
    if (!object) return -1;
    const std::int32_t part = object->FindObject(name);
    if (part < 0) return -1;
    CModel* m = object->GetPart(part).m_pModel.get();
    if (m && trans && CreateTransData(m, trans) && geometry) *geometry = 1;
    return part;
}

CVector PartMinCorner(std::int32_t model, const char* name)
{
    CVector lo, hi;
    if (CComplexObject* object = LoadedModel(model)) PartCorners(*object, name, lo, hi);
    return lo;
}

float ModelRadius(std::int32_t model)
{
    return model >= 0 && g_pModelManager ? g_pModelManager->GetModelScale(model) : 1.0f;
}

bool IsShotClear(const CVector& muzzle, const CVector& direction, float distance, CMMObject* self,
                 CMMObject* target)
{
    CVector point;
    if (g_Location.m_nCellsX > 0 && g_Location.GetRayIntersection(muzzle, direction, distance, &point))
        return false;
    CMMObject* hit = nullptr;
    g_ObjectList.GetRayIntersection(&muzzle, &direction, distance + 10.0f, &point, self, &hit);
    return hit == target;
}
