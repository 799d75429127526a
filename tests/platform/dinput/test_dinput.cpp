#include "platform/dinput/DInput.h"
#include "platform/dinput/EffectFile.h"
#include "platform/dinput/ScriptedInputSource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace
{

using namespace plat;

class Devices : public ::testing::Test
{
protected:
    void SetUp() override { m_pSystem = CreateInputSystem(&m_Source); }

    std::unique_ptr<InputDevice> Keyboard(std::uint32_t buffer)
    {
        auto keyboard = m_pSystem->CreateKeyboard();
        EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
        EXPECT_EQ(keyboard->SetBufferSize(buffer), DI_OK);
        return keyboard;
    }

    ScriptedInputSource m_Source;
    std::unique_ptr<InputSystem> m_pSystem;
};

TEST_F(Devices, NothingIsDeliveredBeforeAcquire)
{
    auto keyboard = Keyboard(8);
    m_Source.Key(0x1E, true);
    InputDeviceData data[8];
    std::uint32_t count = 8;
    EXPECT_EQ(keyboard->GetDeviceData(data, &count), DIERR_NOTACQUIRED);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    count = 8;
    EXPECT_EQ(keyboard->GetDeviceData(data, &count), DI_OK);
    EXPECT_EQ(count, 0u); // the press came before
}

TEST_F(Devices, FullBufferKeepsTheOldestAndReportsTheLoss)
{
    auto keyboard = Keyboard(4);
    keyboard->Acquire();
    for (std::uint8_t code = 1; code <= 6; ++code)
        m_Source.Key(code, true);
    InputDeviceData data[8];
    std::uint32_t count = 3;
    EXPECT_EQ(keyboard->GetDeviceData(data, &count), DI_BUFFEROVERFLOW);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(data[0].offset, 1u);
    EXPECT_EQ(data[0].data, 0x80u);
    EXPECT_LT(data[0].sequence, data[1].sequence);
    count = 8;
    EXPECT_EQ(keyboard->GetDeviceData(data, &count), DI_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(data[0].offset, 4u);

    std::uint8_t state[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(state), state), DI_OK);
    EXPECT_EQ(state[6], 0x80); // the state saw every key, the buffer did not
    EXPECT_EQ(keyboard->GetDeviceState(100, state), DIERR_INVALIDPARAM);
}

TEST_F(Devices, FocusLossLosesForegroundDevices)
{
    auto keyboard = Keyboard(8);
    auto mouse = m_pSystem->CreateMouse();
    mouse->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    mouse->SetBufferSize(8);
    keyboard->Acquire();
    mouse->Acquire();
    m_Source.Key(0x1E, true);
    m_Source.Focus(false);
    InputDeviceData data[8];
    std::uint32_t count = 8;
    EXPECT_EQ(keyboard->GetDeviceData(data, &count), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    m_Source.MouseMove(1, 0); // a background device keeps reading
    count = 8;
    EXPECT_EQ(mouse->GetDeviceData(data, &count), DI_OK);
    EXPECT_EQ(count, 1u);
    m_Source.Focus(true);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    std::uint8_t state[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof(state), state), DI_OK);
    EXPECT_EQ(state[0x1E], 0); // what was held when the focus went is up
}

TEST_F(Devices, MouseReportsMotionPerAxisAndWheelInNotches)
{
    auto mouse = m_pSystem->CreateMouse();
    mouse->SetBufferSize(16);
    mouse->Acquire();
    m_Source.MouseMove(5, -2);
    m_Source.MouseWheel(2);
    m_Source.MouseButton(7, true);
    m_Source.MouseButton(8, true); // no such button
    InputDeviceData data[16];
    std::uint32_t count = 16;
    ASSERT_EQ(mouse->GetDeviceData(data, &count), DI_OK);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(data[0].offset, MOUSE_OFS_X);
    EXPECT_EQ(static_cast<std::int32_t>(data[1].data), -2);
    EXPECT_EQ(data[0].sequence, data[1].sequence); // one move, two axes
    EXPECT_EQ(data[2].offset, MOUSE_OFS_Z);
    EXPECT_EQ(data[2].data, 240u);
    EXPECT_EQ(data[3].offset, MOUSE_OFS_BUTTON0 + 7);

    MouseState state;
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.x, 5);
    EXPECT_EQ(state.z, 240);
    EXPECT_EQ(state.buttons[7], 0x80);
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.x, 0); // motion since the last read
}

TEST_F(Devices, JoystickScalesAxesToTheRangeSet)
{
    EXPECT_TRUE(m_pSystem->EnumJoysticks(false).empty());
    m_Source.AddJoystick("Stick", false);
    m_Source.AddJoystick("Wheel", true);
    ASSERT_EQ(m_pSystem->EnumJoysticks(true).size(), 1u);
    EXPECT_EQ(m_pSystem->EnumJoysticks(true)[0].name, "Wheel");
    auto stick = m_pSystem->CreateJoystick(0);
    ASSERT_TRUE(stick);
    EXPECT_FALSE(m_pSystem->CreateJoystick(1)); // one at a time
    EXPECT_FALSE(stick->HasForceFeedback());
    std::unique_ptr<InputEffect> effect;
    EXPECT_EQ(stick->CreateEffect(EffectParams(), &effect), DIERR_UNSUPPORTED);
    EXPECT_EQ(stick->SetBufferSize(16), DIERR_UNSUPPORTED);
    stick->Acquire();

    m_Source.Joystick().axes[0] = -32768;
    m_Source.Joystick().axes[1] = 32767;
    m_Source.Joystick().axes[2] = 0;
    m_Source.Joystick().buttons[31] = 1;
    JoyState state;
    ASSERT_EQ(stick->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.x, 0); // default range 0..65535
    EXPECT_EQ(state.y, 65535);
    EXPECT_EQ(state.pov[0], POV_CENTERED);
    EXPECT_EQ(state.buttons[31], 0x80);
    EXPECT_EQ(stick->SetAxisRange(5, 5), DIERR_INVALIDPARAM);
    ASSERT_EQ(stick->SetAxisRange(-1000, 1000), DI_OK);
    ASSERT_EQ(stick->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.x, -1000);
    EXPECT_EQ(state.y, 1000);
    EXPECT_EQ(state.z, 0);

    m_Source.RemoveJoysticks(); // unplugged
    EXPECT_EQ(stick->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
}

// Effect files: every kind survives a write and a read.
TEST(EffectFile, RoundTripOfEveryKind)
{
    std::vector<FileEffect> written;
    for (int kind = 0; kind <= static_cast<int>(EEffectKind::Custom); ++kind)
    {
        FileEffect effect;
        effect.name = "effect" + std::to_string(kind); // odd and even lengths: padding
        effect.params.kind = static_cast<EEffectKind>(kind);
        effect.params.durationUs = kind == 0 ? EFFECT_INFINITE : 1000u * static_cast<std::uint32_t>(kind);
        effect.params.gain = 5000;
        effect.params.magnitude = 100 * kind;
        effect.params.rampEnd = kind == 1 ? -3000 : 0;
        effect.params.periodUs = (kind >= 2 && kind <= 6) ? 20000 : 0;
        effect.params.startDelayUs = 7;
        written.push_back(effect);
    }
    const std::vector<std::uint8_t> bytes = WriteEffectFile(written);
    std::vector<FileEffect> read;
    std::string error;
    ASSERT_TRUE(ParseEffectFile(bytes.data(), bytes.size(), &read, &error)) << error;
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i)
    {
        const EffectParams& a = written[i].params;
        const EffectParams& b = read[i].params;
        EXPECT_EQ(read[i].name, written[i].name);
        EXPECT_EQ(b.kind, a.kind) << i;
        EXPECT_EQ(b.durationUs, a.durationUs) << i;
        EXPECT_EQ(b.gain, a.gain) << i;
        EXPECT_EQ(b.startDelayUs, a.startDelayUs) << i;
        if (a.kind != EEffectKind::Custom)
        {
            EXPECT_EQ(b.magnitude, a.magnitude) << i;
        }
        EXPECT_EQ(b.rampEnd, a.rampEnd) << i;
        EXPECT_EQ(b.periodUs, a.periodUs) << i;
    }
}

// One constant force, as bytes the cases below damage.
std::vector<std::uint8_t> OneEffect()
{
    FileEffect effect;
    effect.name = "hit";
    effect.params.durationUs = 100000;
    return WriteEffectFile({effect});
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t Find(const std::vector<std::uint8_t>& bytes, const char* tag)
{
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, tag, 4) == 0) return i;
    ADD_FAILURE() << "no " << tag;
    return 0;
}

struct SCorruptCase
{
    const char* name;
    void (*damage)(std::vector<std::uint8_t>&);
    const char* message;
};

void PrintTo(const SCorruptCase& c, std::ostream* os)
{
    *os << c.name;
}

class EffectFileCorrupt : public ::testing::TestWithParam<SCorruptCase>
{
};

TEST_P(EffectFileCorrupt, ReportsReason)
{
    std::vector<std::uint8_t> bytes = OneEffect();
    GetParam().damage(bytes);
    std::vector<FileEffect> effects(1);
    std::string error;
    EXPECT_FALSE(ParseEffectFile(bytes.data(), bytes.size(), &effects, &error));
    EXPECT_TRUE(effects.empty());
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
    EXPECT_NE(error.find("at offset"), std::string::npos) << error;
}

const SCorruptCase kCorruptCases[] = {
    {"Truncated", [](auto& b) { b.resize(10); }, "too short"},
    {"NotRiff", [](auto& b) { b[0] = 'X'; }, "no RIFF header"},
    {"OtherForm", [](auto& b) { std::memcpy(b.data() + 8, "WAVE", 4); }, "not a force-feedback form"},
    {"RiffSizePastEnd", [](auto& b) { PutU32(b, 4, static_cast<std::uint32_t>(b.size())); }, "RIFF size"},
    {"ListPastEnd", [](auto& b) { PutU32(b, Find(b, "LIST") + 4, 0x7FFFFFFF); }, "past the end"},
    {"ChunkInsideListPastEnd", [](auto& b) { PutU32(b, Find(b, "data") + 4, 0x10000); }, "past the end"},
    {"ShortEffectBlock", [](auto& b) { PutU32(b, Find(b, "data") + 4, 8); }, "effect block of 8 bytes"},
    {"NoTypeId", [](auto& b) { std::memcpy(b.data() + Find(b, "id  "), "zzzz", 4); }, "without a type id"},
    // A ramp's parameters are two numbers; the constant force's one is left.
    {"ShortParameters", [](auto& b) { b[Find(b, "id  ") + 8] = 0x21; }, "parameters of 4 bytes, 8 needed"},
    {"TrailingHalfChunk",
     [](auto& b)
     {
         b.insert(b.end(), {'j', 'u', 'n', 'k'});
         PutU32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
     },
     "chunk header past the end"},
};

INSTANTIATE_TEST_SUITE_P(Cases, EffectFileCorrupt, ::testing::ValuesIn(kCorruptCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EffectFile, UnknownKindsAreSkipped)
{
    std::vector<std::uint8_t> bytes = OneEffect();
    bytes[Find(bytes, "id  ") + 8] ^= 0xFF; // a GUID of some other effect type
    std::vector<FileEffect> effects;
    std::string error;
    EXPECT_TRUE(ParseEffectFile(bytes.data(), bytes.size(), &effects, &error)) << error;
    EXPECT_TRUE(effects.empty());

    EXPECT_FALSE(ReadEffectFile("no\\such\\file.ffe", &effects, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
