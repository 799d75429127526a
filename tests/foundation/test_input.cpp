#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/InputDevice.h"
#include "platform/File.h"
#include "platform/dinput/EffectFile.h"
#include "platform/dinput/ScriptedInputSource.h"

#include "common/LogDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace
{

constexpr std::uint8_t kDikA = 0x1E;
constexpr std::uint8_t kDikSpace = 0x39;

class TempDirTest : public testutil::CLogDirTest
{
protected:
    std::string Log(const char* name) const { return ReadText(name); }
};

// A CInput over a scripted source; the test scripts events between frames.
class Input : public TempDirTest
{
protected:
    void Open()
    {
        m_Input.SetInputSource(&m_Source);
        SInputInit init{nullptr, nullptr, 0};
        ASSERT_TRUE(m_Input.Init(&init));
    }

    plat::ScriptedInputSource m_Source;
    CInput m_Input;
};

TEST_F(Input, PressAndReleaseInOneFrame)
{
    Open();
    m_Source.Key(kDikA, true);
    m_Source.Key(kDikA, false);
    m_Input.Update();
    EXPECT_TRUE(m_Input.IsPressed(kDikA));
    EXPECT_TRUE(m_Input.IsReleased(kDikA));
    EXPECT_FALSE(m_Input.IsDown(kDikA));
    const InputQueue& events = m_Input.GetEvents();
    ASSERT_EQ(events.count, 2);
    EXPECT_EQ(events.entries[0].kind, 1);
    EXPECT_EQ(events.entries[0].isDown, 1);
    EXPECT_EQ(events.entries[0].code, kDikA);
    EXPECT_EQ(events.entries[1].isDown, 0);

    // Held over the next frame: down without a new press.
    m_Source.Key(kDikSpace, true);
    m_Input.Update();
    m_Input.Update();
    EXPECT_TRUE(m_Input.IsDown(kDikSpace));
    EXPECT_FALSE(m_Input.IsPressed(kDikSpace));
    EXPECT_FALSE(m_Input.IsPressed(kDikA));
    EXPECT_EQ(m_Input.GetEvents().count, 0);
}

TEST_F(Input, QueueKeepsTheFirstHundredButEveryEventMarksItsKey)
{
    Open();
    for (int code = 1; code <= 150; ++code)
        m_Source.Key(static_cast<std::uint8_t>(code), true);
    m_Input.Update();
    const InputQueue& events = m_Input.GetEvents();
    ASSERT_EQ(events.count, InputQueue::kCapacity);
    EXPECT_EQ(events.entries[99].code, 100);
    for (int code = 1; code <= 150; ++code)
        EXPECT_TRUE(m_Input.IsPressed(code)) << code;
}

TEST_F(Input, CharactersFollowTheKeysAndAreCapped)
{
    Open();
    m_Source.Key(kDikA, true);
    m_Input.OnChar('a', 0);
    m_Input.OnChar(static_cast<char>(0xE0), 0); // code page 1251 'а'
    EXPECT_EQ(m_Input.GetPendingChars().count, 2);
    EXPECT_EQ(m_Input.Update(), 2);
    const InputQueue& events = m_Input.GetEvents();
    ASSERT_EQ(events.count, 3);
    EXPECT_EQ(events.entries[1].kind, 0);
    EXPECT_EQ(events.entries[1].isDown, 1);
    EXPECT_EQ(events.entries[1].code, 'a');
    EXPECT_EQ(events.entries[2].code, 0xE0);
    EXPECT_EQ(m_Input.GetPendingChars().count, 0);

    for (int i = 0; i < 120; ++i)
        m_Input.OnChar('x', 0);
    EXPECT_EQ(m_Input.GetPendingChars().count, InputQueue::kCapacity);
}

TEST_F(Input, MouseMotionWheelAndButtons)
{
    Open();
    m_Source.MouseMove(3, 4);
    m_Source.MouseMove(2, -1);
    m_Source.MouseWheel(-1);
    m_Source.MouseButton(1, true);
    m_Input.Update();
    const InputVector delta = m_Input.GetMouseDelta();
    EXPECT_FLOAT_EQ(delta.x, 5.0f);
    EXPECT_FLOAT_EQ(delta.y, 3.0f);
    EXPECT_FLOAT_EQ(delta.z, -120.0f);
    EXPECT_TRUE(m_Input.IsPressed(kMouseButtonBase + 1));
    EXPECT_TRUE(m_Input.IsDown(kMouseButtonBase + 1));

    m_Input.Update();
    EXPECT_FLOAT_EQ(m_Input.GetMouseDelta().x, 0.0f);
    EXPECT_FLOAT_EQ(m_Input.GetMouseDelta().z, 0.0f);
    EXPECT_TRUE(m_Input.IsDown(kMouseButtonBase + 1));
    EXPECT_FALSE(m_Input.IsPressed(kMouseButtonBase + 1));
    m_Source.MouseButton(1, false);
    m_Input.Update();
    EXPECT_TRUE(m_Input.IsReleased(kMouseButtonBase + 1));
    EXPECT_FALSE(m_Input.IsDown(kMouseButtonBase + 1));
}

TEST_F(Input, WithoutJoystickTheJoystickReadsNothing)
{
    Open();
    m_Input.Update();
    EXPECT_FALSE(m_Input.HasForceFeedback());
    EXPECT_EQ(m_Input.GetJoystickPov(), -1);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickAxes().x, 0.0f);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickSliders().y, 0.0f);
    for (int code = kJoystickButtonBase; code < kInputButtonCount; ++code)
        EXPECT_FALSE(m_Input.IsDown(code) || m_Input.IsPressed(code) || m_Input.IsReleased(code));
    EXPECT_EQ(m_Input.LoadForceFeedbackEffect("Data\\FFE\\coll.ffe"), nullptr);
    // Codes outside the table are simply not down.
    EXPECT_FALSE(m_Input.IsDown(-1));
    EXPECT_FALSE(m_Input.IsPressed(kInputButtonCount));

    const std::string debug = Log("debug.log");
    EXPECT_NE(debug.find("Input: keyboard opened"), std::string::npos) << debug;
    EXPECT_NE(debug.find("Input: mouse opened"), std::string::npos);
    EXPECT_NE(debug.find("Input: no joystick"), std::string::npos);
}

TEST_F(Input, JoystickAxesHatAndButtonEdges)
{
    m_Source.AddJoystick("Pad", false);
    Open();
    EXPECT_FALSE(m_Input.HasForceFeedback());
    plat::JoystickReading& pad = m_Source.Joystick();
    pad.axes[0] = 32767;  // X full right
    pad.axes[1] = -32768; // Y full up
    pad.axes[3] = 16384;  // Rx
    pad.axes[6] = 32767;  // slider 0
    pad.pov[0] = 9000;
    pad.buttons[0] = 1;
    m_Input.Update();
    EXPECT_FLOAT_EQ(m_Input.GetJoystickAxes().x, 1.0f);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickAxes().y, -1.0f);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickAxes().z, 0.0f);
    EXPECT_NEAR(m_Input.GetJoystickRotation().x, 0.5f, 0.001f);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickSliders().x, 1.0f);
    EXPECT_FLOAT_EQ(m_Input.GetJoystickSliders().z, 0.0f);
    EXPECT_EQ(m_Input.GetJoystickPov(), 9000);
    EXPECT_TRUE(m_Input.IsPressed(kJoystickButtonBase));
    EXPECT_TRUE(m_Input.IsDown(kJoystickButtonBase));

    m_Input.Update();
    EXPECT_TRUE(m_Input.IsDown(kJoystickButtonBase));
    EXPECT_FALSE(m_Input.IsPressed(kJoystickButtonBase));

    pad.buttons[0] = 0;
    pad.pov[0] = plat::POV_CENTERED;
    m_Input.Update();
    EXPECT_TRUE(m_Input.IsReleased(kJoystickButtonBase));
    EXPECT_EQ(m_Input.GetJoystickPov(), -1);

    // Switched off in the options: not read.
    m_Input.SetJoystickEnabled(false);
    pad.buttons[5] = 1;
    m_Input.Update();
    EXPECT_FALSE(m_Input.IsDown(kJoystickButtonBase + 5));
    EXPECT_NE(Log("debug.log").find("Input: joystick \"Pad\" opened"), std::string::npos);
}

TEST_F(Input, FocusLossDropsInputUntilTheDeviceIsTakenBack)
{
    Open();
    m_Source.Focus(false);
    m_Source.Key(kDikA, true); // typed into another window
    m_Input.Update();
    EXPECT_FALSE(m_Input.IsPressed(kDikA));
    m_Source.Focus(true);
    m_Input.Update(); // finds the keyboard lost and takes it back
    m_Source.Key(kDikSpace, true);
    m_Input.Update();
    EXPECT_TRUE(m_Input.IsPressed(kDikSpace));
    EXPECT_FALSE(m_Input.IsDown(kDikA));
}

TEST_F(Input, ForceFeedbackEffectsFromFiles)
{
    m_Source.AddJoystick("Wheel", true);
    Open();
    EXPECT_TRUE(m_Input.HasForceFeedback());
    EXPECT_TRUE(m_Source.AutoCenter());

    // The scripted joystick cannot play a spring: the next effect is taken.
    plat::FileEffect spring;
    spring.params.kind = plat::EEffectKind::Spring;
    plat::FileEffect bump;
    bump.name = "bump";
    bump.params.kind = plat::EEffectKind::Constant;
    bump.params.durationUs = 250000;
    bump.params.magnitude = 6000;
    const std::vector<std::uint8_t> bytes = plat::WriteEffectFile({spring, bump});
    const std::string good = (m_dir / "coll.ffe").string();
    std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    std::unique_ptr<CInputEffect> effect(m_Input.LoadForceFeedbackEffect(good.c_str()));
    ASSERT_TRUE(effect);
    ASSERT_TRUE(effect->m_pEffect);
    ASSERT_EQ(m_Source.Effects().size(), 1u);
    EXPECT_EQ(m_Source.Effects()[0].params.durationUs, 250000u);
    EXPECT_EQ(m_Source.Effects()[0].params.magnitude, 6000);
    effect->m_pEffect->Start(1, 0);
    effect->m_pEffect->Stop();
    EXPECT_EQ(m_Source.Effects()[0].starts, 1);
    EXPECT_EQ(m_Source.Effects()[0].stops, 1);
    effect.reset();
    EXPECT_TRUE(m_Source.Effects()[0].destroyed);

    // A damaged file: a holder without an effect, and one line saying why.
    const std::string bad = (m_dir / "heavy.ffe").string();
    std::ofstream(bad, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 20);
    std::unique_ptr<CInputEffect> none(m_Input.LoadForceFeedbackEffect(bad.c_str()));
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->m_pEffect);
    const std::string errors = Log("error.log");
    EXPECT_NE(errors.find("heavy.ffe"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("coll.ffe"), std::string::npos);

    // An effect kept past Done does nothing, safely.
    std::unique_ptr<CInputEffect> late(m_Input.LoadForceFeedbackEffect(good.c_str()));
    ASSERT_TRUE(late && late->m_pEffect);
    m_Input.Done();
    EXPECT_TRUE(plat::Failed(late->m_pEffect->Start(1, 0)));
}

TEST_F(Input, CreatedThroughTheFactory)
{
    RegisterInputClasses();
    std::unique_ptr<IBaseInterface> object(CreateClassInstance(static_cast<int>(g_iIInput)));
    ASSERT_TRUE(object);
    EXPECT_STREQ(object->GetGUID().name, "IGUID_IInput");
    EXPECT_NE(dynamic_cast<CInput*>(object.get()), nullptr);
}

// DICode.ini: each case is a file and the table it must leave.
struct SCodeTableCase
{
    const char* name;
    const char* text;
    int count; // entries expected; 0: empty table
    bool logsError;
};

void PrintTo(const SCodeTableCase& c, std::ostream* os)
{
    *os << c.name;
}

class CodeTable : public TempDirTest, public ::testing::WithParamInterface<SCodeTableCase>
{
};

TEST_P(CodeTable, Loads)
{
    const SCodeTableCase& c = GetParam();
    const std::string path = (m_dir / "DICode.ini").string();
    std::ofstream(path) << c.text;
    // A table from before must not survive a failed load.
    const SDICodeLine old[] = {{"DIK_X", 0x2D, "X"}};
    ASSERT_TRUE(WriteDICodeTable((m_dir / "old.ini").c_str(), old, 1));
    ASSERT_TRUE(LoadDICodeTableFrom((m_dir / "old.ini").c_str()));

    EXPECT_EQ(LoadDICodeTableFrom(path.c_str()), c.count > 0);
    EXPECT_EQ(g_DICodeTable.count, c.count);
    EXPECT_EQ(g_DICodeTable.entries.size(), static_cast<std::size_t>(c.count));
    EXPECT_EQ(!Log("error.log").empty(), c.logsError) << Log("error.log");
    FreeDICodeTable();
}

const SCodeTableCase kCodeTableCases[] = {
    {"Complete", "3\nDIK_ESCAPE 01 ESC\nDIK_A 1E A\nMOUSE 0x101 MOUSE1\n", 3, false},
    {"AnnouncesMoreThanItHolds", "5\na 1 ONE\nb 2 TWO\nc 3 THREE\nd 4 FOUR\n", 0, true},
    {"EntryCutShort", "2\na 1 ONE\nb 2\n", 0, true},
    {"NoEntries", "0\n", 0, true},
    {"CountNotANumber", "many\na 1 ONE\n", 0, true},
    {"HugeCount", "99999999\na 1 ONE\n", 0, true},
    {"CodeNotHex", "1\na zz ONE\n", 0, true},
    {"CodeTooLarge", "1\na 10000 ONE\n", 0, true},
    {"Empty", "", 0, true},
    {"LongNameIsCut", "1\nlabel 1E AVERYLONGKEYNAMEINDEED\n", 1, true},
};

INSTANTIATE_TEST_SUITE_P(DICode, CodeTable, ::testing::ValuesIn(kCodeTableCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TempDirTest, CodeTableMessagesNameTheFileAndEscapeItsBytes)
{
    const std::string path = (m_dir / "DICode.ini").string();
    std::ofstream(path) << "1\nlabel \x01\xfe ONE\n";
    EXPECT_FALSE(LoadDICodeTableFrom(path.c_str()));
    EXPECT_NE(
        Log("error.log")
            .find("LoadDICodeTable: \"" + path + "\" entry 1: \"\\x01\\xFE\" is no hexadecimal key code"),
        std::string::npos)
        << Log("error.log");
}

TEST_F(TempDirTest, CodeTableRoundTripAndNames)
{
    const SDICodeLine lines[] = {{"DIK_LCONTROL", 0x1D, "LCTRL"},
                                 {"MOUSE_0", 0x101, "MOUSE1"},
                                 {"JOY_31", 0x220, "JOY32"},
                                 {"LONG", 0x02, "ABCDEFGHIJKLMNOPQRS"}};
    const std::string path = (m_dir / "DICode.ini").string();
    ASSERT_TRUE(WriteDICodeTable(path.c_str(), lines, 4));
    ASSERT_TRUE(LoadDICodeTableFrom(path.c_str()));
    ASSERT_EQ(g_DICodeTable.count, 4);
    EXPECT_EQ(g_DICodeTable.entries[0].code, 0x1D);
    EXPECT_STREQ(g_DICodeTable.entries[0].name, "LCTRL");
    EXPECT_EQ(g_DICodeTable.entries[1].code, 0x101);
    EXPECT_EQ(g_DICodeTable.entries[2].code, 0x220);
    EXPECT_STREQ(g_DICodeTable.entries[3].name, "ABCDEFGHIJKLMNO");
    FreeDICodeTable();
    EXPECT_FALSE(LoadDICodeTableFrom((m_dir / "missing.ini").c_str()));
    EXPECT_NE(Log("error.log").find("missing.ini"), std::string::npos);
}

} // namespace
