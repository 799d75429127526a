#include "units/AnomalZone.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "graphics/ModelManager.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

CAnomalZone::CAnomalZone(const char* typeName, const CMatrix& placement, const char* name)
    : CSysObject(placement, name, OBJ_ANOMALZONE)
{
    m_nTypeIndex = typeName ? g_AnomalZoneManager.FindName(typeName) : -1;
    m_pType = m_nTypeIndex >= 0 ? static_cast<const SAnomalType*>(g_AnomalZoneManager.GetType(m_nTypeIndex))
                                : nullptr;
    const CMatrix& m = placement;
    const float scale = std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2]);
    const std::int32_t model = m_pType ? m_pType->GetModelId() : -1;
    m_fRadius = scale * (model >= 0 && g_pModelManager ? g_pModelManager->GetModelScale(model) : 1.0f);
}

CAnomalZone::~CAnomalZone()
{
    ReleaseSound();
}

float CAnomalZone::DamageFactor(float r)
{
    if (r <= 1.0f) return (1.0f - r) * 150.0f + 50.0f;
    return r < 1.44f ? 5.0f : 0.0f;
}

void CAnomalZone::ReleaseSound()
{
    if (m_iSoundSource != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iSoundSource, false);
    m_iSoundSource = -1;
}

void CAnomalZone::Run()
{
    XTRACE("CAnomalZone::Run");
    if (!m_pType) return;
    const CVector at = m_Frame.m_vPosition;
    const float d2 = (g_ViewCamera.m_vPosition - at).LengthSq();
    const float near = GetViewRange() - m_fRadius;
    if (d2 < 1.2f * near * near)
    {
        SRadiusResult found;
        CObjectList::GetObjectsInRadius(&at, m_fRadius + kReach, OBJ_GLIDER, &found);
        const std::int32_t level = std::clamp(m_pType->m_nKind, 0, kMaxLevel);
        const float dt = g_FrameTimer.GetFrameTime();
        for (int i = 0; i < found.count; ++i)
        {
            auto* glider = dynamic_cast<CGliderObject*>(found.objects[i]);
            if (!glider || glider->m_bDestroyed) continue;
            if (IsPlayerGlider(glider))
            {
                g_ZoneWarningLevel = level;
                g_ZoneWarningFlags[level] = 1;
            }
            const float r =
                (glider->GetPosition() - at).LengthSq() / ((m_fRadius + 1.0f) * (m_fRadius + 1.0f));
            const float k = DamageFactor(r);
            if (m_pType->m_fForce == 0.0f || k == 0.0f) continue;
            const SGliderParameters* p = glider->GetParams();
            const float standard = p ? float(p->m_nStandard) : 0.0f;
            glider->Damage(standard * m_pType->m_fForce * dt * k, CVector{0.0f, 1.0f, 0.0f}, 1, nullptr,
                           level, 666);
        }
    }

    const std::int32_t sound = m_pType->GetSoundIndex();
    if (sound == -1 || !g_pSoundManager) return;
    if (!m_bHearingKnown)
    {
        const float d = g_pSoundManager->GetMaxDistance(sound);
        m_fHearingSq = d < std::sqrt(FLT_MAX) ? d * d : FLT_MAX;
        m_bHearingKnown = true;
    }
    if (d2 >= m_fHearingSq)
    {
        ReleaseSound();
        return;
    }
    const float p[3] = {at.x, at.y, at.z};
    g_pSoundManager->KeepLoopSndSrc(&m_iSoundSource, sound, p);
}

CSysObject* MakeAnomalZone(const char* typeName, const CMatrix& placement, const char* name)
{
    return new CAnomalZone(typeName, placement, name);
}
