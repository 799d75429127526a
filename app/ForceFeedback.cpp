// The joystick's force-feedback effects of CInputConfig: four holders
// loaded from the data tree's effect files, and the gate every start and
// stop passes: the "ForceFeedback" setting, the joystick enabled in the
// options and a device with force feedback.
#include "app/InputConfig.h"

#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "foundation/InputDevice.h"
#include "foundation/Settings.h"
#include "platform/dinput/DInput.h"
#include "units/Gun.h"
#include "units/GunManager.h"

namespace
{
constexpr const char* kEffectFiles[CInputConfig::FFE_COUNT] = {
    "Data\\FFE\\idle.ffe", "Data\\FFE\\coll.ffe", "Data\\FFE\\light.ffe", "Data\\FFE\\heavy.ffe"};
} // namespace

void CInputConfig::Init()
{
    XTRACE("CInputConfig::Init");
    LoadDICodeTable();
    // Only the game's own device loads effects (a stand-in has none).
    auto* device = dynamic_cast<CInput*>(GetInput());
    for (int i = 0; i < FFE_COUNT; ++i)
    {
        delete m_pEffects[i];
        m_pEffects[i] = device ? device->LoadForceFeedbackEffect(kEffectFiles[i]) : nullptr;
    }
}

void CInputConfig::Done()
{
    for (int i : {FFE_IDLE, FFE_COLLISION, FFE_HEAVY_GUN, FFE_LIGHT_GUN})
    {
        delete m_pEffects[i];
        m_pEffects[i] = nullptr;
    }
}

bool CInputConfig::IsForceFeedbackOn() const
{
    IInput* input = GetInput();
    return g_Settings.ForceFeedback && input && input->IsJoystickEnabled() && input->HasForceFeedback();
}

namespace
{
void Start(CInputEffect* holder)
{
    if (holder && holder->m_pEffect) holder->m_pEffect->Start(1, 0);
}
void Stop(CInputEffect* holder)
{
    if (holder && holder->m_pEffect) holder->m_pEffect->Stop();
}
} // namespace

void CInputConfig::StopFFEffects()
{
    if (!IsForceFeedbackOn()) return;
    for (CInputEffect* holder : m_pEffects)
        Stop(holder);
}

void CInputConfig::PlayCollisionEffect()
{
    if (IsForceFeedbackOn()) Start(m_pEffects[FFE_COLLISION]);
}

void CInputConfig::StartLightGunEffect()
{
    if (IsForceFeedbackOn()) Start(m_pEffects[FFE_LIGHT_GUN]);
}

void CInputConfig::StopLightGunEffect()
{
    if (IsForceFeedbackOn()) Stop(m_pEffects[FFE_LIGHT_GUN]);
}

void CInputConfig::StartHeavyGunEffect()
{
    if (IsForceFeedbackOn()) Start(m_pEffects[FFE_HEAVY_GUN]);
}

void CInputConfig::UpdateGunRecoil(const CGun* first, const CGun* second)
{
    const auto firing = [](const CGun* gun, int type)
    { return gun && gun->m_nBurstFrames != 0 && gun->GetGunDesc() && gun->GetGunDesc()->m_nType == type; };
    if (firing(first, 0))
        StartLightGunEffect();
    else
        StopLightGunEffect();
    if (firing(second, 1)) StartHeavyGunEffect();
}
