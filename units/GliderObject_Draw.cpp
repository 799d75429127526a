// The glider's draw slots: the hull, the guns' shots and the effect passes.

#include "units/GliderObject.h"

#include "foundation/ErrorLog.h"
#include "location/EffectRenderManager.h"
#include "location/ViewCamera.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/TypeManagers.h"

void CGliderObject::PreDraw()
{
    // The player's headlights wait for the headlight switch of the game's
    // controls.
}

void CGliderObject::Draw()
{
    XTRACE("CGliderObject::Draw");
    PrepareMounts();
    if (m_pMech && !m_bActive && m_bDestroyed) return;
    if (IsPlayer() && g_CameraMode == 0)
    {
        DrawNVisible();
        return;
    }
    CMMObject::Draw();
    DrawNVisible();
}

void CGliderObject::DrawNVisible()
{
    XTRACE("CGliderObject::DrawNVisible");
    const float d2 = (GetPosition() - g_ViewCamera.m_vPosition).LengthSq();
    g_EffectRenderManager.AddObject(d2, this, 0);
    if (m_fStunTime != 0.0f) g_EffectRenderManager.AddObject(d2 - 1.0f, this, 1000);
}

void CGliderObject::DrawEffect(int pass)
{
    XTRACE("CGliderObject::DrawEffect");
    (void)pass;
}
