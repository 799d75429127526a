#include "world/SoundPointObject.h"

#include "foundation/FrameTimer.h"
#include "foundation/Random.h"
#include "sound/SoundManager.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"

#include <cmath>
#include <cstdio>

CSoundPointObject::CSoundPointObject()
{
    m_nType = OBJ_SOUNDPOINT;
    m_bMoving = 1;
    m_bShown = 0;
    m_bCollidable = 0;
    m_bSphereCollider = 0;
    m_fRadius = 100.0f;
}

CSoundPointObject::~CSoundPointObject()
{
    ReleaseSource();
}

void CSoundPointObject::ReleaseSource()
{
    if (m_nSource != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_nSource, false);
    m_nSource = -1;
}

void CSoundPointObject::UpdateRadius()
{
    const auto& r = m_Frame.m_Matrix.m[2];
    m_fRadius = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * 100.0f;
}

void CSoundPointObject::Init(const CMatrix* placement, const char* typeName)
{
    SetMatrix(*placement);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    const std::int32_t index = g_SoundZoneManager.FindName(m_TypeRef);
    m_pZoneType = index >= 0 ? g_SoundZoneManager.GetKind(index) : nullptr;
    m_pType = m_pZoneType;
    m_fSilence = m_fPlay = 0.0f;
    m_bSounding = 0;
    UpdateRadius();
    m_nSound = m_pZoneType ? m_pZoneType->GetSoundIndex() : -1;
}

void CSoundPointObject::Run()
{
    Step(g_FrameTimer.GetFrameTime());
}

void CSoundPointObject::Step(float dt)
{
    if (m_bFirstRun)
    {
        m_bFirstRun = false;
        m_fHearing2 = m_fRadius * m_fRadius;
    }
    if (m_nSound == -1)
    {
        g_ObjectList.DeleteObject(this);
        return;
    }
    const CVector p = GetPosition();
    const float d2 = (p - GetViewerPosition()).LengthSq();
    if (d2 > 2.0f * m_fHearing2 || !m_bAlive)
    {
        m_fSilence = m_fPlay = 0.0f;
        m_bSounding = 0;
        ReleaseSource();
        return;
    }
    const bool random = m_pZoneType && m_pZoneType->m_bRandom;
    const float length = m_pZoneType ? m_pZoneType->m_fLength : 5.0f;
    const float period = m_pZoneType ? m_pZoneType->m_fPeriod : 10.0f;
    bool changed = false;
    if (!m_bSounding)
    {
        if (m_fSilence > 0.0f)
            m_fSilence -= dt;
        else
        {
            m_fPlay = random ? length * 0.5f + g_Random.Random(length * 0.5f) : length;
            m_bSounding = 1;
            changed = true;
        }
    }
    else
    {
        if (m_fPlay > 0.0f)
            m_fPlay -= dt;
        else
        {
            m_fSilence = random ? period * 0.5f + g_Random.Random(period * 0.5f) : period;
            m_bSounding = 0;
            changed = true;
        }
    }
    if (d2 > m_fHearing2)
    {
        ReleaseSource();
        return;
    }
    if (changed) ReleaseSource();
    if (!g_pSoundManager) return;
    const float at[3] = {p.x, p.y, p.z};
    if (m_bSounding && m_nSource == -1)
    {
        m_nSource = g_pSoundManager->AddSndSrc(m_nSound, at);
        if (m_nSource != -1)
        {
            g_pSoundManager->SetMaxDistSndSrc(m_nSource, 0.1f * m_fRadius, m_fRadius);
            g_pSoundManager->PlaySndSrc(m_nSource, m_pZoneType && m_pZoneType->m_bLoop, false, false);
        }
    }
    if (m_nSource != -1) g_pSoundManager->SetPosSndSrc(m_nSource, at);
}
