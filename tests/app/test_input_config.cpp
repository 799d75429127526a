// The player's key bindings and the per-frame action state over a
// temporary cfg.ini and a scripted input device: absent, empty and unknown
// bindings, the save order, the mouse sensitivity, the thrust/turn/hat and
// strafe tables, the alternate-fire latch, the typed codes, the
// force-feedback gate and the pure steps of the player input.
#include "app/InputConfig.h"
#include "app/MenuHost.h"

#include "foundation/DICodeTable.h"
#include "foundation/Input.h"
#include "foundation/InputDevice.h"
#include "foundation/Settings.h"
#include "platform/dinput/DInput.h"
#include "units/GliderObject.h"
#include "units/Gun.h"
#include "units/GunManager.h"
#include "world/MMObject.h"

#include "common/DataTree.h"
#include "common/NullInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
// Keys held, pressed and released this frame, the mouse and a joystick.
class CScriptedInput : public testutil::CNullInput
{
public:
    int Update() override
    {
        ++m_nUpdates;
        return 0;
    }
    bool IsDown(int code) override { return m_down.count(code) != 0; }
    bool IsPressed(int code) override { return m_pressed.count(code) != 0; }
    bool IsReleased(int code) override { return m_released.count(code) != 0; }
    void SetJoystickEnabled(bool on) override { m_bJoystick = on; }
    bool IsJoystickEnabled() override { return m_bJoystick; }
    bool HasForceFeedback() override { return m_bForceFeedback; }
    InputVector GetMouseDelta() override { return m_mouse; }
    InputVector GetJoystickAxes() override { return m_axes; }
    int GetJoystickPov() override { return m_pov; }
    InputVector GetJoystickSliders() override { return m_sliders; }
    InputVector GetJoystickRotation() override { return m_rotation; }
    const InputQueue& GetEvents() override { return m_events; }

    void Type(std::initializer_list<int> codes)
    {
        m_events.count = 0;
        for (int c : codes)
            m_events.entries[m_events.count++] = InputEvent{1, 1, std::uint16_t(c)};
    }

    std::set<int> m_down, m_pressed, m_released;
    InputVector m_mouse, m_axes, m_sliders, m_rotation;
    int m_pov = -1;
    bool m_bJoystick = false;
    bool m_bForceFeedback = false;
    InputQueue m_events;
    int m_nUpdates = 0;
};

constexpr int kEnter = 28;
constexpr int kLeftAlt = 0x38;

class InputConfig : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        // A small key-name table: the keys the tests bind by name.
        const SDICodeLine lines[] = {
            {"k", 0x11, "W"},     {"k", 0xC8, "UP"},     {"k", 0x1F, "S"},     {"k", 0x1E, "A"},
            {"k", 0x20, "D"},     {"k", 0x1D, "LCTRL"},  {"k", 257, "MOUSE1"}, {"k", 0x39, "SPACE"},
            {"k", 0x10, "Q"},     {"k", 0x12, "E"},      {"k", 0x30, "B"},     {"k", 0xCB, "LEFT"},
            {"k", 0xCD, "RIGHT"}, {"k", 0x29, "GRAVE"},
        };
        Tree().WriteText("Data/CONFIG/cfg.ini", "");
        ASSERT_TRUE(WriteDICodeTable((Tree() / "Data/CONFIG/DICode.ini").c_str(), lines, int(std::size(lines))));
        ASSERT_TRUE(LoadDICodeTable());
        m_config.SetInput(&m_input);
    }
    void TearDown() override
    {
        m_config.SetInput(nullptr);
        FreeDICodeTable();
    }
    void Load(const std::string& input)
    {
        Tree().WriteText("Data/CONFIG/cfg.ini", "[INPUT]\n" + input);
        m_config.LoadKeyConfig("cfg.ini", m_config.m_Keys, &m_config.m_Options);
    }
    const SActionState& Frame()
    {
        m_config.ProcessInput();
        return m_config.m_Actions;
    }

    CScriptedInput m_input;
    CInputConfig m_config;
};

TEST_F(InputConfig, AbsentBindingsTakeDefaultsEmptyAndUnknownOnesAreUnbound)
{
    Load("FORWARD=up\nBACKWARD=\nLEFT=NOSUCHKEY\nFIRE2=mouse1\n");
    const auto& k = m_config.m_Keys;
    EXPECT_EQ(k[CInputConfig::KEY_FORWARD], 0xC8); // by name, any case
    EXPECT_EQ(k[CInputConfig::KEY_BACKWARD], 0);   // empty
    EXPECT_EQ(k[CInputConfig::KEY_LEFT], 0);       // a name the table lacks
    EXPECT_EQ(k[CInputConfig::KEY_FIRE2], 257);
    EXPECT_EQ(k[CInputConfig::KEY_FORWARD2], 0xC8); // absent: the defaults
    EXPECT_EQ(k[CInputConfig::KEY_STRAFELEFT], 0x1E);
    EXPECT_EQ(k[CInputConfig::KEY_FIRE3], 513);
    EXPECT_EQ(k[CInputConfig::KEY_CRUISE2], 0x29);
    EXPECT_EQ(k[CInputConfig::KEY_UNUSED], 0);
    EXPECT_FLOAT_EQ(m_config.m_Options.MouseSensitivity, 6.0f);
    EXPECT_FALSE(m_input.m_bJoystick);
}

TEST_F(InputConfig, OptionsReadSignedAndExactlyOne)
{
    const struct
    {
        const char* file;
        float sensitivity;
        bool inverse;
    } cases[] = {
        {"MouseSensitivity=5\nInverseMouse=1\n", 6.0f, true},
        {"MouseSensitivity=0\nInverseMouse=2\n", 1.0f, false},
        // A negative entry is the least sensitivity, not four billion.
        {"MouseSensitivity=-3\n", 1.0f, false},
        {"MouseSensitivity=100000\n", float(CInputConfig::kMaxMouseSensitivity) + 1.0f, false},
    };
    for (const auto& c : cases)
    {
        Load(c.file);
        EXPECT_FLOAT_EQ(m_config.m_Options.MouseSensitivity, c.sensitivity) << c.file;
        EXPECT_EQ(m_config.m_Options.InverseMouse != 0, c.inverse) << c.file;
    }
    Load("Joystick=1\nSensitivityJoystick=-4\n");
    EXPECT_TRUE(m_input.m_bJoystick);
    EXPECT_EQ(m_config.m_Options.SensitivityJoystick, -4);
}

TEST_F(InputConfig, SaveWritesTheOptionsPageOrderAndUnnamedCodesUnbound)
{
    Load("FORWARD=S\n");
    m_config.m_Keys[CInputConfig::KEY_FORWARD] = 0x11;
    m_config.m_Keys[CInputConfig::KEY_BACKWARD] = 0;
    // 0xC5 has no name in the table: a stale "S" must not come back.
    m_config.m_Keys[CInputConfig::KEY_FORWARD2] = 0xC5;
    m_config.m_Options.MouseSensitivity = 6.0f;
    m_input.m_bJoystick = true;
    m_config.SaveKeyConfig("cfg.ini", m_config.m_Keys, &m_config.m_Options);
    const std::string text = Tree().ReadText("Data/CONFIG/cfg.ini");
    EXPECT_NE(text.find("FORWARD=W"), std::string::npos) << text;
    EXPECT_NE(text.find("FORWARD2=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("BACKWARD=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MouseSensitivity=5"), std::string::npos) << text;
    EXPECT_NE(text.find("Joystick=1"), std::string::npos) << text;
    EXPECT_EQ(text.find("SensitivityJoystick"), std::string::npos) << text;
    // The order of the page: RIGHT before LEFT, STRAFERIGHT before STRAFELEFT,
    // INVISIVILITY after PUSHER, RUN before ALWAYSRUN.
    const auto at = [&](const char* key) { return text.find(std::string("\n") + key + "="); };
    EXPECT_LT(at("RIGHT"), at("LEFT"));
    EXPECT_LT(at("STRAFERIGHT"), at("STRAFELEFT"));
    EXPECT_LT(at("PUSHER2"), at("INVISIVILITY"));
    EXPECT_LT(at("RUN2"), at("ALWAYSRUN"));
    EXPECT_LT(at("CHANGEAMMO2"), at("CRUISE"));
    // Read back, the game agrees with what it used.
    std::uint16_t keys[CInputConfig::kKeyCount] = {};
    SInputOptions options;
    m_config.LoadKeyConfig("cfg.ini", keys, &options);
    EXPECT_EQ(keys[CInputConfig::KEY_FORWARD], 0x11);
    EXPECT_EQ(keys[CInputConfig::KEY_FORWARD2], 0);
    EXPECT_FLOAT_EQ(options.MouseSensitivity, 6.0f);
}

TEST_F(InputConfig, ThrustTurnAndStrafeTables)
{
    Load("");
    const struct
    {
        std::set<int> down;
        float thrust, turn, strafe;
    } cases[] = {
        {{0x11}, 1.0f, 0.0f, 0.0f},          {{0x1F}, -0.5f, 0.0f, 0.0f},
        {{0x11, 0xD0}, 0.5f, 0.0f, 0.0f},    {{0xCB}, 0.0f, 1.0f, 0.0f},
        {{0xCB, 0xCD}, 0.0f, 0.0f, 0.0f},    {{0x1E}, 0.0f, 0.0f, 1.0f},
        {{0x1E, 0x20}, 0.0f, 0.0f, 0.0f},    {{0x20}, 0.0f, 0.0f, -1.0f},
    };
    for (const auto& c : cases)
    {
        m_input.m_down = c.down;
        const SActionState& s = Frame();
        EXPECT_FLOAT_EQ(s.Thrust, c.thrust);
        EXPECT_FLOAT_EQ(s.Turn, c.turn);
        EXPECT_FLOAT_EQ(s.Strafe, c.strafe);
    }
    // Held is 1, the frame of release 2 (release wins).
    m_input.m_down = {0x1E};
    EXPECT_EQ(Frame().StrafeLeftState, 1);
    m_input.m_released = {0x1E};
    EXPECT_EQ(Frame().StrafeLeftState, 2);
    m_input.m_down.clear();
    EXPECT_EQ(Frame().StrafeLeftState, 2);
    m_input.m_released.clear();
    EXPECT_EQ(Frame().StrafeLeftState, 0);
}

TEST_F(InputConfig, HatThrustsAndTurnsByItsAngle)
{
    Load("Joystick=1\nSensitivityJoystick=10\n");
    const struct
    {
        int pov;
        float thrust, turn;
    } cases[] = {
        {0, 1.0f, 0.0f},     {9000, 0.0f, -1.0f}, {18000, -1.0f, 0.0f}, {27000, 0.0f, 1.0f},
        {4500, 1.0f, -1.0f}, {65535, 0.0f, 0.0f}, {-1, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        m_input.m_pov = c.pov;
        const SActionState& s = Frame();
        EXPECT_FLOAT_EQ(s.Thrust, c.thrust) << c.pov;
        EXPECT_FLOAT_EQ(s.Turn, c.turn) << c.pov;
    }
    // The stick: x turns, z and the throttles brake, forward at most 1.
    m_input.m_pov = -1;
    m_input.m_axes = InputVector{0.5f, 0.0f, -3.0f};
    const SActionState& s = Frame();
    EXPECT_FLOAT_EQ(s.Turn, -0.5f);
    EXPECT_FLOAT_EQ(s.Thrust, 1.0f);
    // Disabled, the joystick is not read.
    m_input.m_bJoystick = false;
    EXPECT_FLOAT_EQ(Frame().Turn, 0.0f);
}

TEST_F(InputConfig, LeftAltWithFireSelectsOncePerPress)
{
    Load("");
    m_input.m_down = {0x1D, kLeftAlt};
    const SActionState& s = Frame();
    EXPECT_EQ(s.Fire, 0);
    EXPECT_EQ(s.Select, 1);
    EXPECT_EQ(Frame().Select, 0); // still held: no second selection
    m_input.m_down = {kLeftAlt};  // fire released: re-armed
    EXPECT_EQ(Frame().Select, 0);
    m_input.m_down = {0x1D, kLeftAlt};
    EXPECT_EQ(Frame().Select, 1);
    m_input.m_down = {0x1D};
    EXPECT_EQ(Frame().Fire, 1);
}

TEST_F(InputConfig, MouseLookByTheSensitivityAndInversion)
{
    Load("MouseSensitivity=5\nInverseMouse=1\n");
    m_input.m_mouse = InputVector{2.0f, 1.0f, 0.0f};
    const SActionState& s = Frame();
    EXPECT_FLOAT_EQ(s.LookHorizontal, -2.0f * 6.0f * 0.05f);
    EXPECT_FLOAT_EQ(s.LookVertical, -1.0f * 6.0f * 0.05f);
}

TEST_F(InputConfig, TypedCodesNeedTheFirstEnterAndAtMostEighteenKeys)
{
    Load("");
    int matched = 0;
    static int* s_matched = nullptr;
    s_matched = &matched;
    m_config.m_pfnTypedCode = [](int code) { *s_matched = code; };
    int length = 0;
    const std::uint16_t* code = CInputConfig::GetTypedCode(2, &length);
    ASSERT_EQ(length, 8);
    const auto typeCode = [&]
    {
        for (int i = 0; i < length; ++i)
        {
            m_input.Type({code[i]});
            m_config.CheckTypedCode();
        }
        m_input.Type({kEnter});
        return m_config.CheckTypedCode();
    };
    // Without the first Enter the keys are not collected.
    EXPECT_EQ(typeCode(), 0);
    EXPECT_EQ(matched, 0);
    // Armed by that Enter, the code matches.
    const int updates = m_input.m_nUpdates;
    EXPECT_EQ(typeCode(), 2);
    EXPECT_EQ(matched, 2);
    EXPECT_EQ(m_input.m_nUpdates, updates + 1); // the keys are spent
    // A prefix of a longer code, or one key more, is no match.
    m_input.Type({code[0], code[1], kEnter});
    EXPECT_EQ(m_config.CheckTypedCode(), 0);
    // 18 keys fill the buffer; a 19th drops the sequence until the next Enter.
    std::vector<int> keys(18, 0x10);
    for (int k : keys)
    {
        m_input.Type({k});
        m_config.CheckTypedCode();
    }
    EXPECT_EQ(m_config.m_nTypedCount, 19);
    m_input.Type({0x10});
    m_config.CheckTypedCode();
    EXPECT_EQ(m_config.m_nTypedCount, 0);
    for (int i = 0; i < length; ++i)
    {
        m_input.Type({code[i]});
        m_config.CheckTypedCode();
    }
    EXPECT_EQ(m_config.m_nTypedCount, 0);
    m_input.Type({kEnter});
    EXPECT_EQ(m_config.CheckTypedCode(), 0);
    EXPECT_EQ(m_config.m_nTypedCount, 1);
    // The codes are told apart by length and keys.
    for (int c = 1; c <= CInputConfig::kTypedCodeCount; ++c)
    {
        code = CInputConfig::GetTypedCode(c, &length);
        EXPECT_EQ(typeCode(), c);
    }
    m_config.m_pfnTypedCode = nullptr;
}

// An effect that counts its starts and stops.
class CCountingEffect : public plat::InputEffect
{
public:
    explicit CCountingEffect(int* starts, int* stops) : m_starts(starts), m_stops(stops) {}
    plat::HResult Start(std::uint32_t, std::uint32_t) override
    {
        ++*m_starts;
        return plat::DI_OK;
    }
    plat::HResult Stop() override
    {
        ++*m_stops;
        return plat::DI_OK;
    }
    int* m_starts;
    int* m_stops;
};

// The modal menus read the game's device through their host, which runs
// the typed-code collector of the game's configuration.
TEST_F(InputConfig, TypedCodesWorkInsideMenus)
{
    IInput* savedInput = g_pInput;
    const auto savedEffect = g_InputConfig.m_pfnTypedCode;
    g_pInput = &m_input;
    g_InputConfig.SetInput(&m_input);
    static int s_matched = 0;
    s_matched = 0;
    g_InputConfig.m_pfnTypedCode = [](int code) { s_matched = code; };
    int length = 0;
    const std::uint16_t* code = CInputConfig::GetTypedCode(4, &length);
    CMenuHost host;
    m_input.Type({kEnter});
    host.PumpInput();
    m_input.m_events.count = 0;
    for (int i = 0; i < length; ++i) m_input.m_events.entries[m_input.m_events.count++] = InputEvent{1, 1, code[i]};
    host.PumpInput();
    m_input.Type({kEnter});
    host.PumpInput();
    EXPECT_EQ(s_matched, 4);
    g_InputConfig.m_pfnTypedCode = savedEffect;
    g_InputConfig.SetInput(nullptr);
    g_pInput = savedInput;
}

TEST_F(InputConfig, ForceFeedbackActsOnlyBehindItsGate)
{
    int starts[CInputConfig::FFE_COUNT] = {}, stops[CInputConfig::FFE_COUNT] = {};
    for (int i = 0; i < CInputConfig::FFE_COUNT; ++i)
    {
        m_config.m_pEffects[i] = new CInputEffect;
        m_config.m_pEffects[i]->m_pEffect = std::make_unique<CCountingEffect>(&starts[i], &stops[i]);
    }
    for (int mask = 0; mask < 8; ++mask)
    {
        g_Settings.ForceFeedback = (mask & 1) ? 1 : 0;
        m_input.m_bJoystick = (mask & 2) != 0;
        m_input.m_bForceFeedback = (mask & 4) != 0;
        const int before = starts[CInputConfig::FFE_COLLISION];
        m_config.PlayCollisionEffect();
        EXPECT_EQ(starts[CInputConfig::FFE_COLLISION] - before, mask == 7 ? 1 : 0) << mask;
    }
    // Opening a menu stops all four.
    m_config.StopFFEffects();
    for (int i = 0; i < CInputConfig::FFE_COUNT; ++i)
        EXPECT_EQ(stops[i], 1) << i;
    // The recoil: a firing light gun restarts its effect every frame, a
    // silent one stops it; the heavy effect starts with a firing heavy gun.
    SGunParameters light, heavy;
    light.m_nType = 0;
    heavy.m_nType = 1;
    CGun first, second;
    first.m_pRecord = &light;
    second.m_pRecord = &heavy;
    first.m_nBurstFrames = 2;
    second.m_nBurstFrames = 1;
    m_config.UpdateGunRecoil(&first, &second);
    m_config.UpdateGunRecoil(&first, &second);
    EXPECT_EQ(starts[CInputConfig::FFE_LIGHT_GUN], 2);
    EXPECT_EQ(starts[CInputConfig::FFE_HEAVY_GUN], 2);
    first.m_nBurstFrames = 0;
    m_config.UpdateGunRecoil(&first, nullptr);
    EXPECT_EQ(stops[CInputConfig::FFE_LIGHT_GUN], 2);
    EXPECT_EQ(starts[CInputConfig::FFE_LIGHT_GUN], 2);
    m_config.Done();
    for (CInputEffect* holder : m_config.m_pEffects)
        EXPECT_EQ(holder, nullptr);
}

// ---- the player input's pure steps --------------------------------------------------

TEST(PlayerInputSteps, SightClampsAndTurnsTheWayItLooks)
{
    // Left held: the sight swings left (h < 0) up to its clamp, and the yaw
    // input turns the glider after it.
    SSightStep s = SteerSight(0.0f, 0.0f, 1.0f, 0.0f, 0.0f, false, 0.0f);
    EXPECT_FLOAT_EQ(s.yaw, 1.0f);
    s = SteerSight(-0.45f, 0.0f, 1.0f, 0.0f, 0.0f, true, 0.0f);
    EXPECT_FLOAT_EQ(s.yaw, 1.0f); // -0.95 clamped to -0.5
    // The vertical offset: small ones pitch by 5v, large ones by their sign.
    s = SteerSight(0.0f, 0.0f, 0.0f, 0.0f, -2.0f, false, 0.0f);
    EXPECT_FLOAT_EQ(s.pitch, -5.0f * 0.02f);
    s = SteerSight(0.0f, 0.4f, 0.0f, 0.0f, -50.0f, false, 0.0f);
    EXPECT_FLOAT_EQ(s.pitch, -1.0f);
    EXPECT_FLOAT_EQ(s.forward, std::sqrt(1.0f - 0.25f));
    // Auto-rotation keeps a large offset; without it, it swings back.
    const SSightStep kept = SteerSight(0.4f, 0.0f, 0.0f, 0.0f, 0.0f, true, 0.5f);
    const SSightStep back = SteerSight(0.4f, 0.0f, 0.0f, 0.0f, 0.0f, false, 0.5f);
    EXPECT_FLOAT_EQ(kept.h, 0.4f);
    EXPECT_LT(back.h, 0.3f);
}

TEST(PlayerInputSteps, RunAndCruise)
{
    const struct
    {
        float thrust;
        bool run, alwaysRun, cruise, fixCursor;
        float out;
        bool cruiseAfter;
    } cases[] = {
        {1.0f, true, false, false, false, 2.0f, false},   {1.0f, false, true, false, false, 2.0f, false},
        {1.0f, true, true, false, false, 1.0f, false},    {-0.5f, true, false, false, false, -0.5f, false},
        {0.0f, false, false, true, false, 1.0f, true},    {-0.5f, false, false, true, false, -0.5f, false},
        {-0.5f, false, false, true, true, -0.5f, true},   {0.0f, false, false, true, true, 0.0f, true},
    };
    for (const auto& c : cases)
    {
        bool cruise = c.cruise;
        EXPECT_FLOAT_EQ(ApplyRunAndCruise(c.thrust, c.run, c.alwaysRun, &cruise, c.fixCursor), c.out);
        EXPECT_EQ(cruise, c.cruiseAfter);
    }
}

TEST(PlayerInputSteps, BrakeShieldGiveBackAndBombReadiness)
{
    EXPECT_FLOAT_EQ(BrakeValue(false, true), 0.0f);
    EXPECT_FLOAT_EQ(BrakeValue(true, false), 1.0f);
    EXPECT_FLOAT_EQ(BrakeValue(true, true), 5.0f);
    // The shield left, doubled and scaled by the device's two values.
    EXPECT_FLOAT_EQ(ShieldGiveBack(30.0f, 10.0f, 50.0f), 300.0f);
    EXPECT_FLOAT_EQ(ShieldGiveBack(30.0f, 0.0f, 50.0f), 0.0f);
    EXPECT_FLOAT_EQ(ShieldGiveBack(30.0f, 10.0f, 0.0f), 0.0f);

    SGunParameters type;
    type.m_fRateOfFire = 0.5f;
    CGliderObject glider;
    CGun& bombs = glider.m_Guns[3];
    EXPECT_FLOAT_EQ(BombReadiness(glider), 0.0f);
    bombs.m_pRecord = &type;
    bombs.m_bMounted = 1;
    const struct
    {
        float ammo, reload, readiness;
    } cases[] = {{0.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 1.0f}, {3.0f, 1.0f, 0.5f}, {3.0f, 5.0f, 0.0f}};
    for (const auto& c : cases)
    {
        bombs.m_fAmmo = c.ammo;
        bombs.m_fReload = c.reload;
        EXPECT_FLOAT_EQ(BombReadiness(glider), c.readiness) << c.ammo << " " << c.reload;
    }
    bombs.m_pRecord = nullptr;
}

TEST(PlayerInputSteps, TargetChoiceAndCycling)
{
    CMMObject a, b, c, d;
    a.m_nObjectNumber = 3;
    b.m_nObjectNumber = 7;
    c.m_nObjectNumber = 5;
    d.m_nObjectNumber = 9;
    std::vector<STargetCandidate> crowd = {
        {&a, false, 0.95f, 300.0f}, {&b, false, 0.99f, 100.0f}, {&c, false, 0.97f, 200.0f},
        {&d, false, 0.5f, 50.0f}, // outside the cone
    };
    // No target: the nearest in the cone.
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, nullptr), &b);
    // Then by increasing id in list order, wrapping to the first in the cone.
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, &a), &b); // the first with id > 3 in list order
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, &c), &b);
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, &b), &a); // none greater: wraps to the first
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, &d), &a); // none greater: the first in the cone
    // A direct hit wins.
    crowd[3].direct = true;
    EXPECT_EQ(ChooseTarget(crowd.data(), 4, &a), &d);
    // A lone current target is dropped.
    STargetCandidate lone{&a, false, 0.99f, 10.0f};
    EXPECT_EQ(ChooseTarget(&lone, 1, &a), nullptr);
    EXPECT_EQ(ChooseTarget(nullptr, 0, nullptr), nullptr);
}

TEST(PlayerInputSteps, BracketCyclingWraps)
{
    EXPECT_EQ(NextCycleIndex(0, -1, 3), 2);
    EXPECT_EQ(NextCycleIndex(2, 1, 3), 0);
    EXPECT_EQ(NextCycleIndex(1, 1, 3), 2);
    EXPECT_EQ(NextCycleIndex(5, 1, 1), 0);
    EXPECT_EQ(NextCycleIndex(5, 1, 0), 0);
}
} // namespace
