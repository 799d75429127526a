#include "app/PlayerGlider.h"

#include "foundation/Input.h"
#include "units/GliderObject.h"

#include <algorithm>
#include <cmath>

namespace
{
// The default bindings: DirectInput key codes, 257 + n mouse button n.
constexpr int kForward[] = {0x11, 0xC8};
constexpr int kBackward[] = {0x1F, 0xD0};
constexpr int kLeft[] = {0xCB};
constexpr int kRight[] = {0xCD};
constexpr int kStrafeLeft[] = {0x1E};
constexpr int kStrafeRight[] = {0x20};
constexpr int kFire[] = {0x1D, 257};
constexpr int kFireAlt[] = {0x36, 258};
constexpr int kRocket[] = {0x3A, 259};
constexpr int kNightLight[] = {0x16};
constexpr int kJump[] = {0x39};
constexpr int kLeftAlt = 0x38;

template <std::size_t N> bool Down(IInput& input, const int (&codes)[N])
{
    for (int c : codes)
        if (input.IsDown(c)) return true;
    return false;
}

template <std::size_t N> bool Pressed(IInput& input, const int (&codes)[N])
{
    for (int c : codes)
        if (input.IsPressed(c)) return true;
    return false;
}

} // namespace

SPlayerActions CPlayerControls::ReadActions(IInput& input)
{
    SPlayerActions a;
    if (Down(input, kForward)) a.thrust += 1.0f;
    if (Down(input, kBackward)) a.thrust -= 0.5f;
    if (Down(input, kLeft)) a.turn += 1.0f;
    if (Down(input, kRight)) a.turn -= 1.0f;
    if (Down(input, kStrafeLeft)) a.strafe += 1.0f;
    if (Down(input, kStrafeRight)) a.strafe -= 1.0f;
    a.fire = Down(input, kFire) && !input.IsDown(kLeftAlt);
    a.fireAlt = Down(input, kFireAlt);
    a.rocket = Down(input, kRocket);
    a.jumpPressed = Pressed(input, kJump);
    a.nightLight = Pressed(input, kNightLight);
    const InputVector mouse = input.GetMouseDelta();
    if (mouse.x != 0.0f) a.lookHorizontal -= mouse.x * kMouseSensitivity * 0.05f;
    if (mouse.y != 0.0f) a.lookVertical += mouse.y * kMouseSensitivity * 0.05f;
    return a;
}

void CPlayerControls::Apply(const SPlayerActions& a, CGliderObject& glider, float dt)
{
    // Sight steering: the mouse and the turn keys swing the sight, and the
    // glider turns after it.
    float h = m_fSightH - (a.lookHorizontal * 0.01f + a.turn * 0.5f);
    float v = m_fSightV - a.lookVertical * 0.01f;
    h = std::clamp(h, -0.5f, 0.5f);
    v = std::clamp(v, -0.5f, 0.5f);
    const float f = std::sqrt(h * h + 1.0f - v * v);
    // A sight to the left (h < 0: the side axis points to the glider's
    // right) turns the glider left; a positive yaw input turns the nose
    // away from the side axis, so the yaw input is -2h.
    glider.SetRotationX(-2.0f * h);
    const float r = std::fabs(v * 0.5f) <= 0.1f ? 5.0f * v : (v > 0.0f ? 1.0f : -1.0f);
    glider.SetRotationY(-r);
    h += a.turn * 0.5f;
    // Without mouse auto-rotation the sight always swings back.
    DampValue(&h, dt, 4.0f, 1e10f);
    DampValue(&v, dt, 120.0f, 1e10f);
    glider.m_Frame.UpdateAxes();
    glider.m_vSight = glider.m_Frame.m_vSide * h + glider.m_Frame.m_vUp * v + glider.m_Frame.m_vForward * f;
    m_fSightH = h;
    m_fSightV = v;

    if (a.nightLight) glider.m_bHeadlight = glider.m_bHeadlight ? 0 : 1;
    glider.SetTraction(a.thrust);
    if (a.strafe != 0.0f) glider.StrafeLeft(a.strafe);
    if (a.jumpPressed) glider.Jump(1.0f, true);
    if (a.fire) glider.Fire(0, 1.0f, 0.0f, CVector{});
    if (a.fireAlt) glider.Fire(1, 1.0f, 0.0f, CVector{});
    if (a.rocket) glider.Fire(2, 1.0f, 0.0f, CVector{});
}
