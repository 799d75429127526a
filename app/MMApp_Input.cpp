// CMMApp::ProcessInput: one frame of the player's input, from the action
// state of the bindings (g_InputConfig) and the fixed function keys.
#include "app/MMApp.h"

#include "world/GameWorldState.h"
#include "app/InputConfig.h"
#include "app/MMAppEvent.h"
#include "app/VideoStudio.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "foundation/XString.h"
#include "hud/messages/Messager.h"
#include "ui/menu/HtmlControl.h"
#include "platform/Ini.h"
#include "platform/Window.h"
#include "script/game/TextDatabase.h"
#include "script/game/ScriptManager.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/MissileObject.h"
#include "world/Smoke.h"
#include "world/TypeManagers.h"
#include "society/MechGroup.h"
#include "world/Mech.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "location/Environment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// DirectInput key codes of the fixed keys.
constexpr int kKeyEsc = 0x01;
constexpr int kKeyGrave = 0x29;
constexpr int kKeyBackslash = 0x2B;
constexpr int kKeyF1 = 0x3B;
constexpr int kKeyF2 = 0x3C;
constexpr int kKeyF3 = 0x3D;
constexpr int kKeyF5 = 0x3F;
constexpr int kKeyF6 = 0x40;
constexpr int kKeyF7 = 0x41;
constexpr int kKeyF8 = 0x42;
constexpr int kKeyF9 = 0x43;
constexpr int kKeyF10 = 0x44;
constexpr int kKeyF11 = 0x57;
constexpr int kKeyF12 = 0x58;
constexpr int kKeyPadMinus = 0x4A;
constexpr int kKeyPadPlus = 0x4E;
constexpr int kKeyPause = 0xC5;
constexpr int kKey1 = 0x02;
constexpr int kKey0 = 0x0B;

constexpr const char* kQuickSave = "quicksave.sav";
constexpr float kStasisTime = 10.0f;
constexpr float kStasisAfterTime = 3.0f;
constexpr float kDeathEnd = -30.0f;

bool Pressed(int code)
{
    return g_InputConfig.WasKeyPressed(std::uint16_t(code));
}
bool Held(int code)
{
    return g_InputConfig.IsKeyDown(std::uint16_t(code));
}

void Play2D(const char* name)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, false);
}

CXAnsiString Text(const char* key)
{
    CXAnsiString text;
    if (!g_pTextDB || !g_pTextDB->GetText(STextKey(key), text)) text = key;
    return text;
}

// The number key pressed this frame (1-6), 0 for none.
int NumberKey()
{
    for (int n = 1; n <= 6; ++n)
        if (Pressed(kKey1 + n - 1)) return n;
    return 0;
}
} // namespace

// ---- sight steering -----------------------------------------------------------------

SSightStep SteerSight(float h, float v, float turn, float lookHorizontal, float lookVertical, bool autoRotate,
                      float dt)
{
    SSightStep s;
    h = std::clamp(h - (lookHorizontal * 0.01f + turn * 0.5f), -0.5f, 0.5f);
    v = std::clamp(v - lookVertical * 0.01f, -0.5f, 0.5f);
    s.forward = std::sqrt(h * h + 1.0f - v * v);
    // A sight to the left (h < 0: the side axis points to the glider's
    // right) turns the glider left: the yaw input is -2h.
    s.yaw = -2.0f * h;
    s.pitch = -(std::fabs(v * 0.5f) <= 0.1f ? 5.0f * v : (v > 0.0f ? 1.0f : -1.0f));
    h += turn * 0.5f;
    if (std::fabs(h) < 0.2f || !autoRotate) DampValue(&h, dt, 4.0f, 1e10f);
    DampValue(&v, dt, 120.0f, 1e10f);
    s.h = h;
    s.v = v;
    return s;
}

float ApplyRunAndCruise(float thrust, bool run, bool alwaysRun, bool* cruise, bool fixCursor)
{
    if (!fixCursor)
    {
        if (thrust < 0.0f) *cruise = false;
        if (*cruise) thrust = 1.0f;
    }
    if (run != alwaysRun && thrust > 0.0f && thrust <= 1.0f) thrust *= 2.0f;
    return thrust;
}

float BrakeValue(bool brake, bool strongBrake)
{
    return !brake ? 0.0f : strongBrake ? 5.0f : 1.0f;
}

float ShieldGiveBack(float first, float second, float shield)
{
    return second != 0.0f ? 2.0f * (first / second) * shield : 0.0f;
}

float BombReadiness(const CGliderObject& glider)
{
    const CGun& bombs = glider.m_Guns[3];
    const SGunParameters* type = bombs.GetGunDesc();
    if (!bombs.m_bMounted || !type || bombs.m_fAmmo < 1.0f) return 0.0f;
    return bombs.m_fReload > 0.0f ? std::max(0.0f, 1.0f - bombs.m_fReload * type->m_fRateOfFire) : 1.0f;
}

// ---- the bomb marker and the last attacker -------------------------------------------

void CMMApp::ShowBombMarker(const CGliderObject* glider)
{
    if (!glider && !m_bBombMarkerShown) return;
    SPointerArray<CMMObject> smokes;
    g_ObjectList.GetObjectList(OBJ_SMOKE, smokes);
    auto* marker = smokes.count > 0 ? dynamic_cast<CSmokeObject*>(smokes.items[0]) : nullptr;
    m_bBombMarkerShown = glider && marker;
    if (!marker) return;
    marker->m_bShown = m_bBombMarkerShown ? 1 : 0;
    if (!glider) return;
    // The bomb's flight from its mount: where it would fall.
    CVector origin, velocity;
    float radius = 0.0f;
    glider->GetThrowRay(&origin, &velocity, &radius, 1.0f);
    const SMissileParameters* m =
        glider->m_Guns[3].m_iMissile >= 0 ? g_MissileManager.Param(glider->m_Guns[3].m_iMissile) : nullptr;
    marker->ShowTrajectory(origin.x, origin.y, origin.z, velocity.x, velocity.y, velocity.z,
                           m ? m->m_fResistance : 0.0f, radius);
}

CMMObject* CMMApp::FindLastAttacker() const
{
    auto* sink = dynamic_cast<CMMAppEvent*>(g_pAppEvent);
    return sink ? sink->FindLastAttacker() : nullptr;
}

// ---- the cursor -----------------------------------------------------------------------

void CMMApp::SetGameCursor(bool shown)
{
    if (shown != (m_bCursorShown != 0))
    {
        m_bCursorShown = shown ? 1 : 0;
        // The system cursor only when the game uses it; the game's own
        // sprite is drawn by the frame while the cursor is shown.
        plat::ShowCursor(shown && g_Settings.UseSystemCursor);
    }
    if (!m_hWnd || shown != m_bPointerKept) return;
    // In flight the pointer stays inside the window.
    plat::Rect r;
    if (shown)
        plat::ClipCursor(nullptr);
    else if (plat::GetWindowRect(m_hWnd, &r))
        plat::ClipCursor(&r);
    m_bPointerKept = !shown;
}

// ---- the frame's input ------------------------------------------------------------------

void CMMApp::ResetPlayerInput(bool newGame)
{
    m_bDead = 0;
    m_fDeathTimer = 5.0f;
    m_nCommandMenu = -1;
    m_fSightH = m_fSightV = 0.0f;
    m_fStasisTimer = 0.0f;
    g_InputConfig.m_vMouseCarry = CVector{};
    if (auto* sink = dynamic_cast<CMMAppEvent*>(g_pAppEvent)) sink->ForgetLastAttacker();
    if (!newGame) return;
    m_bAlwaysRun = false;
    m_bCruise = false;
}

void CMMApp::ProcessInput()
{
    XTRACE("CMMApp::ProcessInput");
    CInputConfig& config = g_InputConfig;
    config.ProcessInput();
    ProcessCheatKeys();
    CGliderObject* glider = g_pPlayerGlider;
    if (glider) config.UpdateGunRecoil(&glider->m_Guns[0], &glider->m_Guns[1]);
    SActionState& a = config.m_Actions;
    if (g_VideoStudio.m_bReplayMode)
    {
        // In replay mode the number keys drive the recorder, not the devices.
        for (int digit = 0; digit <= 9; ++digit)
            if (Pressed(digit == 0 ? kKey0 : kKey1 + digit - 1)) g_VideoStudio.ProcessKey(digit);
        a.Booster = a.Invisibility = a.Shield = a.Stasis = a.Pusher = 0;
    }
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    const bool killed = mechanoid && mechanoid->IsKilled();
    const float dt = g_FrameTimer.GetFrameTime();

    // Menus and saves.
    if (Pressed(kKeyF10) || (Pressed(kKeyEsc) && !killed))
        if (RunPauseMenu()) return;
    if (Pressed(kKeyPause)) TogglePause();
    if (Pressed(kKeyF9) && g_MMEngine.m_bOutsideSave)
    {
        if (LoadGame(kQuickSave, true))
        {
            m_nGameMode = kModeSavedGame;
            m_nQuit = 1;
            EndCycle(0);
        }
        return;
    }

    auto* camera = dynamic_cast<CCamera*>(g_pCameraObject);
    // Camera and quick save, not while the glider is cloaked.
    if (glider && glider->m_bShown)
    {
        if (camera && Pressed(kKeyF2)) camera->SetFollowMode(glider);
        if (camera && Pressed(kKeyF3)) camera->SetOrbitMode(glider);
        if (camera && Pressed(kKeyF1)) camera->SetMode6(glider);
        if (Pressed(kKeyF5) && g_MMEngine.m_bOutsideSave)
        {
            MakeScreenShot();
            // The caption, and no extra name: the three the save takes.
            if (SaveGame(kQuickSave, Text("OTH_QUICKSAVE").GetText(), "") && g_pMessager)
                g_pMessager->AddMessage(Text("INT_GAME_SAVED"), 1, "INT_GAME_SAVED");
        }
        if (camera && m_bFreeCamera)
        {
            if (Pressed(kKeyF6)) camera->SetMode3(glider);
            if (Pressed(kKeyF7)) camera->SetMode4(glider);
            if (Pressed(kKeyF8)) camera->SetMode2();
        }
    }

    // Movement toggles.
    if (a.AlwaysRun) m_bAlwaysRun = !m_bAlwaysRun;
    if (a.Cruise) m_bCruise = !m_bCruise;
    a.Thrust = ApplyRunAndCruise(a.Thrust, a.Run != 0, m_bAlwaysRun, &m_bCruise, g_bFixCursor);

    // The controlled object.
    const bool cameraControlled = camera && (g_CameraMode == 2 || m_bDead);
    CDynamicObject* controlled = cameraControlled ? static_cast<CDynamicObject*>(camera) : glider;
    if (controlled)
    {
        if (cameraControlled)
        {
            camera->SetTraction(0.0f);
            if (Held(kKeyPadPlus)) camera->m_fMass *= 0.95f;
            if (Held(kKeyPadMinus)) camera->m_fMass *= 1.05f;
        }
        if (m_bPause && !cameraControlled)
        {
            // Paused: the cursor for the message panel, nothing flies.
            SetGameCursor(true);
            if (g_pMessager && g_pMessager->GetControl())
            {
                g_pMessager->GetControl()->ProcessMouse(m_CursorPos.x, m_CursorPos.y);
                g_pMessager->GetControl()->Run();
            }
            return;
        }
        SetGameCursor(false);
        if (cameraControlled)
        {
            a.Turn += a.LookHorizontal * 0.1f;
            a.Pitch += a.LookVertical * 0.1f;
            camera->m_Frame.RotateZ(a.Turn * 0.1f);
            camera->m_Frame.RotateX(a.Pitch * 0.1f);
        }
        else
        {
            const SSightStep s = SteerSight(m_fSightH, m_fSightV, a.Turn, a.LookHorizontal, a.LookVertical,
                                            config.m_Options.MouseAutoRotate != 0, dt);
            glider->SetRotationX(s.yaw);
            glider->SetRotationY(s.pitch);
            glider->m_Frame.UpdateAxes();
            glider->m_vSight = glider->m_Frame.m_vSide * s.h + glider->m_Frame.m_vUp * s.v +
                               glider->m_Frame.m_vForward * s.forward;
            m_fSightH = s.h;
            m_fSightV = s.v;
        }
        // Thrust and strafe.
        if (!cameraControlled || g_CameraMode == 2)
        {
            controlled->SetTraction(a.Thrust);
            if (a.Strafe != 0.0f && !cameraControlled) glider->StrafeLeft(a.Strafe);
        }
        if (Pressed(kKeyBackslash)) controlled->m_vVelocity.z += 6.0f;
        // The brake value (the physics' grip), stronger with the brake
        // booster.
        if (mechanoid) controlled->m_fGrip = BrakeValue(a.Brake != 0, mechanoid->IsOn(EQP_BRAKE_BOOSTER));
    }

    // Death.
    if (killed)
    {
        if (!m_bDead)
        {
            m_bDead = 1;
            glider->SetTraction(0.0f);
            glider->m_fStrafe = 0.0f;
            glider->m_vVelocity = glider->m_vVelocity * 0.1f;
            // The camera is set free of the wreck: it watches the last
            // attacker however far off it is.
            if (camera) camera->SetMode2(false);
            glider->m_bActive = 0;
        }
        else if (CMMObject* attacker = FindLastAttacker())
        {
            // The camera watches the one who hit last.
            if (camera) camera->SetPosition(attacker->GetPosition() + CVector{0.0f, 0.0f, 4.0f});
        }
        else if (m_fDeathTimer > kDeathEnd)
            m_fDeathTimer = kDeathEnd; // no attacker to watch
        m_fDeathTimer -= dt;
        if (m_fDeathTimer <= kDeathEnd || Pressed(kKeyEsc))
        {
            g_ObjectList.PauseGame(true);
            g_Environment.Pause(true);
            StopWarningSounds(true);
            if (g_pSoundManager) g_pSoundManager->Done();
            if (g_pScriptManager) g_pScriptManager->RunEvent(m_szLocationName, "OnDie", nullptr);
            if (g_pInput) g_pInput->Update();
            if (mechanoid->IsKilled()) EndCycle(kExitDeath);
        }
        ShowBombMarker(nullptr);
        return;
    }

    // The command menu.
    if (Pressed(kKeyGrave))
    {
        m_nCommandMenu = m_nCommandMenu < 0 ? 0 : -1;
        return;
    }
    if (m_nCommandMenu >= 0 && glider)
    {
        const int key = NumberKey();
        if (m_nCommandMenu == 0)
        {
            if (key == 1 && g_pPlayerGroup && g_pPlayerGroup->m_bCommanded) m_nCommandMenu = 1;
            if (key == 2) m_nCommandMenu = 2;
            if (key == 3 && glider->m_pTarget) m_nCommandMenu = 3;
            if (m_nCommandMenu != 0) return;
        }
        else if (key && RunCommandKey(key))
        {
            m_nCommandMenu = -1;
            return;
        }
    }
    if (!glider || !mechanoid) return;

    // The glider menu.
    const bool inStasis = mechanoid->IsOn(EQP_STASIS_GENERATOR);
    if (!inStasis)
    {
        bool endCycle = false;
        if (a.ShowHold)
            endCycle = RunGliderMenu(0);
        else if (a.ShowJournal)
            endCycle = RunGliderMenu(2);
        else if (a.ShowMap)
            endCycle = RunGliderMenu(1);
        if (endCycle) return;
    }

    // Ammunition.
    if (a.ChangeAmmo || (g_pInput && g_pInput->GetMouseDelta().z != 0.0f))
    {
        glider->UpdateAmmo(false, true);
        glider->UpdateAmmo(true, true);
    }

    // Pusher and stasis.
    if (a.Pusher && mechanoid->IsFitted(EQP_PUSHER) && !mechanoid->IsOn(EQP_PUSHER))
    {
        mechanoid->SetDeviceOn(EQP_PUSHER, true);
        mechanoid->m_Devices[EQP_PUSHER].m_fTimer = 1.0f;
        float power = mechanoid->m_Engine.GetValue1() + mechanoid->m_Engine2.GetValue1();
        if (mechanoid->IsOn(EQP_ACCELERATOR)) power *= 1.25f;
        glider->m_vVelocity = glider->ForwardAxis() * (power * 0.004f);
        glider->SetTraction(4.0f);
        float use = 6.0f * (mechanoid->m_Engine.GetPower() + mechanoid->m_Engine2.GetPower());
        if (mechanoid->IsOn(EQP_ENERGY_RECYCLER)) use *= 0.8f;
        mechanoid->m_fEnergy -= use;
    }
    if (m_fStasisTimer > 0.0f) m_fStasisTimer -= dt;
    if (a.Stasis && m_nGameMode != kModeNetGame && mechanoid->IsFitted(EQP_STASIS_GENERATOR))
    {
        if (!inStasis)
        {
            mechanoid->SetDeviceOn(EQP_STASIS_GENERATOR, true);
            m_fStasisTimer = kStasisTime;
            Play2D("SND_C_STASIS_ON");
        }
        else if (m_fStasisTimer <= 0.0f)
        {
            mechanoid->SetDeviceOn(EQP_STASIS_GENERATOR, false);
            m_fStasisTimer = kStasisAfterTime;
            glider->m_bChanged = 1;
            glider->m_bShown = 1;
            Play2D("SND_C_STASIS_OFF");
        }
    }
    if (mechanoid->IsOn(EQP_STASIS_GENERATOR))
    {
        glider->SetTraction(0.0f);
        glider->m_fStrafe = 0.0f;
        glider->m_vVelocity = CVector{};
        glider->m_vSteps = CVector{};
        glider->m_bChanged = 0;
        return;
    }

    // Gamma.
    int gamma = g_Settings.Gamma;
    if (Held(kKeyF11) && !Held(kKeyF12)) gamma = std::max(gamma - 1, -10);
    if (Held(kKeyF12)) gamma = std::min(gamma + 1, 10);
    if (gamma != g_Settings.Gamma) SetGamma(gamma);

    // The target.
    if (a.Select)
    {
        glider->m_pTarget = SelectTarget(*glider);
        Play2D(glider->m_pTarget ? "SND_C_LOCK" : "SND_C_LOCK_OFF");
    }
    if (a.NightLight) glider->m_bHeadlight = glider->m_bHeadlight ? 0 : 1;

    // Jump: at once, or charged while held with the jump concentrator.
    if (!mechanoid->IsOn(EQP_JUMP_CONCENTRATOR))
    {
        if (a.JumpPressed) glider->Jump(1.0f, true);
    }
    else if (a.JumpState == 1)
        glider->ChargeJump(1.0f);
    else if (a.JumpState == 2)
        glider->Jump(1.0f, false);

    // Weapons: along the sight, or straight ahead with centre fire.
    const CVector sight = glider->m_vSight;
    if (config.m_Options.CenterFire) glider->m_vSight = glider->ForwardAxis();
    if (a.Fire) glider->Fire(0, 1.0f, 0.0f, CVector{});
    if (a.FireAlt) glider->Fire(1, 1.0f, 0.0f, CVector{});
    if (a.Rocket) glider->Fire(2, 1.0f, 0.0f, CVector{});
    if (a.BombState == 2) glider->Fire(3, 1.0f, 0.0f, CVector{});
    const bool bombReady = BombReadiness(*glider) >= 1.0f;
    ShowBombMarker(a.BombState == 1 && bombReady ? glider : nullptr);
    if (a.Mine && bombReady && glider->m_Guns[3].m_iMissile >= 0)
    {
        const SMissileParameters* m = g_MissileManager.Param(glider->m_Guns[3].m_iMissile);
        if (m && m->m_nKind == CMissileObject::KIND_MINE)
        {
            // A mine drops straight down.
            glider->m_vSight = CVector{0.0f, 0.0f, -10.0f};
            glider->Fire(3, 0.0f, 0.0f, CVector{});
        }
    }
    glider->m_vSight = sight;

    // Shield, booster and invisibility switches.
    if (a.Shield && mechanoid->IsFitted(EQP_DISPERSE_SHIELD))
    {
        const bool on = !mechanoid->IsOn(EQP_DISPERSE_SHIELD);
        mechanoid->SetDeviceOn(EQP_DISPERSE_SHIELD, on);
        if (!on)
        {
            // The shield's charge goes back into the energy.
            const CEquipment* item =
                mechanoid->GetAddEquipment(int(mechanoid->m_Devices[EQP_DISPERSE_SHIELD].m_nIndex) - 1);
            mechanoid->m_fEnergy += ShieldGiveBack(item ? item->GetValue1() : 0.0f, item ? item->GetValue2() : 0.0f,
                                                   mechanoid->GetShield(1));
            mechanoid->m_fShield = 0.0f;
        }
    }
    if (a.Booster && mechanoid->IsFitted(EQP_BOOSTER))
        mechanoid->SetDeviceOn(EQP_BOOSTER, !mechanoid->IsOn(EQP_BOOSTER));
    if (mechanoid->IsFitted(EQP_INVISIBILITY_SHIELD) &&
        (a.Invisibility || (mechanoid->IsOn(EQP_INVISIBILITY_SHIELD) && mechanoid->m_fEnergy < dt * 1000.0f)))
    {
        // Without the energy to keep it, a running invisibility goes off
        // (it is never switched on that way).
        mechanoid->SetDeviceOn(EQP_INVISIBILITY_SHIELD, !mechanoid->IsOn(EQP_INVISIBILITY_SHIELD));
        Play2D("SND_C_CAMOUFLAGE");
    }
}

void CMMApp::SetGamma(int gamma)
{
    g_Settings.Gamma = std::clamp(gamma, -10, 10);
    Graphic::BuildGammaRamp(graph.m_GammaRamp, g_Settings.Gamma);
    graph.ApplyGammaRamp();
    char text[32];
    std::snprintf(text, sizeof text, "%d", g_Settings.Gamma);
    const std::string path = GetEngineBaseDirectory() + "DATA\\CONFIG\\cfg.ini";
    plat::WritePrivateProfileString("CONFIG", "Gamma", text, path.c_str());
    if (g_pMessager)
    {
        char line[32];
        std::snprintf(line, sizeof line, "Gamma=%d", g_Settings.Gamma);
        g_pMessager->AddMessage(CXAnsiString(line), 1, nullptr);
    }
}

bool CMMApp::RunCommandKey(int key)
{
    CGliderObject* glider = g_pPlayerGlider;
    CMMObject* target = glider ? glider->m_pTarget : nullptr;
    switch (m_nCommandMenu)
    {
    case 1:
        return PlayerCommand(1, key);
    case 2:
        if (key == 1 || key == 3 || (key == 2 && target)) return PlayerCommand(2, key);
        return false;
    case 3:
    {
        auto* other = dynamic_cast<CGliderObject*>(target);
        const CMech* mech = other ? other->m_pMech : nullptr;
        if (!mech) return false;
        const CMech* player = glider->m_pMech;
        const bool own = player && std::strcmp(mech->m_szOrg, player->m_szOrg) == 0;
        auto* playerMech = dynamic_cast<const CPlayerMech*>(player);
        if (key == 1 && own && playerMech && playerMech->CanAssign(CountCommandedGroups()))
            return PlayerCommand(3, 1);
        if (key >= 2 && key <= 4 && !own) return PlayerCommand(3, key);
        if (key == 5 && own) return PlayerCommand(3, 5);
        return false;
    }
    default:
        return false;
    }
}
