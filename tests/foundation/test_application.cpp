#include "common/NullInput.h"

#include "foundation/Application.h"
#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

// Key states the test sets; everything else is idle.
class CFakeInput : public testutil::CNullInput
{
public:
    void Acquire() override { ++m_nAcquired; }
    void OnChar(char ch, std::uint32_t) override { m_Chars += ch; }
    plat::Point GetCursorPos() override { return {12, 34}; }
    bool IsPressed(int code) override { return m_Pressed[code]; }
    bool IsDown(int code) override { return m_Down[code]; }

    bool m_Pressed[kInputButtonCount] = {};
    bool m_Down[kInputButtonCount] = {};
    int m_nAcquired = 0;
    std::string m_Chars;
};

// Answers TestCooperativeLevel from a script (its last answer repeats).
class CFakeDevice : public IShellDevice
{
public:
    plat::HResult TestCooperativeLevel() override
    {
        m_Log.push_back("test");
        plat::HResult hr = m_Answers.front();
        if (m_Answers.size() > 1)
            m_Answers.pop_front();
        return hr;
    }
    plat::HResult Reset() override
    {
        m_Log.push_back("reset");
        return m_ResetResult;
    }
    void Release() override { m_Log.push_back("release"); }

    std::deque<plat::HResult> m_Answers{plat::S_OK};
    plat::HResult m_ResetResult = plat::S_OK;
    std::vector<std::string>& m_Log;
    explicit CFakeDevice(std::vector<std::string>& log) : m_Log(log) {}
};

class CTestApplication : public CApplication
{
public:
    plat::LResult HandleWindowMessage(std::uint32_t message, plat::WParam wParam, plat::LParam lParam) override
    {
        m_Dispatched.push_back(message);
        return CApplication::HandleWindowMessage(message, wParam, lParam);
    }
    void Main() override
    {
        ++m_nFrames;
        if (m_nFrames >= m_nQuitAfter)
            m_nQuit = 1;
    }
    void InvalidateResources() override { m_Log.push_back("invalidate"); }
    void ResetResources() override { m_Log.push_back("restore"); }

    std::vector<std::uint32_t> m_Dispatched;
    std::vector<std::string> m_Log;
    int m_nFrames = 0;
    int m_nQuitAfter = 1;
};

class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_App.Init(nullptr, nullptr, nullptr, plat::SW_HIDE, 0, "shell test"));
        g_pInput = &m_Input;
        // Drop whatever the window's creation queued.
        plat::Msg msg;
        while (plat::PeekMessage(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
        }
        m_App.m_Dispatched.clear();
    }
    void TearDown() override
    {
        g_pInput = nullptr;
        plat::DestroyWindow(m_App.m_hWnd);
        plat::Msg msg;
        while (plat::PeekMessage(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
        }
    }

    void Post(std::uint32_t message, plat::WParam wParam = 0) { plat::PostMessage(m_App.m_hWnd, message, wParam, 0); }

    int Remaining()
    {
        int count = 0;
        plat::Msg msg;
        while (plat::PeekMessage(&msg, m_App.m_hWnd, 0, 0, plat::PM_REMOVE))
            ++count;
        return count;
    }

    CTestApplication m_App;
    CFakeInput m_Input;
};

TEST_F(Shell, PumpDispatchesTenMessagesPerCall)
{
    m_App.m_bReady = 1;
    for (int i = 0; i < 11; ++i)
        Post(plat::WM_USER + i);
    m_App.PumpMessages();
    EXPECT_EQ(m_App.m_Dispatched.size(), 10u);
    EXPECT_EQ(Remaining(), 1);
    EXPECT_EQ(m_App.m_CursorPos.x, 12);
    EXPECT_EQ(m_App.m_CursorPos.y, 34);
}

// Each row: the messages queued, whether the application is ready, and what
// one pump call leaves: messages dispatched, messages still queued, quit.
struct PumpCase
{
    const char* name;
    std::vector<std::pair<std::uint32_t, plat::WParam>> messages;
    bool ready;
    std::vector<std::uint32_t> dispatched;
    int remaining;
    std::uint32_t quit;
};

class PumpCases : public Shell, public ::testing::WithParamInterface<PumpCase>
{
};

TEST_P(PumpCases, Behaves)
{
    const PumpCase& c = GetParam();
    m_App.m_bReady = c.ready;
    for (const auto& [message, wParam] : c.messages)
        Post(message, wParam);
    m_App.PumpMessages();
    EXPECT_EQ(m_App.m_Dispatched, c.dispatched);
    EXPECT_EQ(Remaining(), c.remaining);
    EXPECT_EQ(m_App.m_nQuit, c.quit);
}

constexpr std::uint32_t U = plat::WM_USER;
INSTANTIATE_TEST_SUITE_P(
    Pump, PumpCases,
    ::testing::Values(
        PumpCase{"SysCloseEndsCallUndispatched", {{plat::WM_SYSCOMMAND, plat::SC_CLOSE}, {U, 0}}, true, {}, 1, 1},
        PumpCase{"OtherSysCommandIsDispatched", {{plat::WM_SYSCOMMAND, plat::SC_MINIMIZE}}, true,
                 {plat::WM_SYSCOMMAND}, 0, 0},
        PumpCase{"LanguageChangeIsDroppedAndEndsCall", {{plat::WM_INPUTLANGCHANGE, 0}, {U, 0}}, true, {}, 1, 0},
        PumpCase{"LanguageRequestIsDropped", {{plat::WM_INPUTLANGCHANGEREQUEST, 0}}, true, {}, 0, 0},
        PumpCase{"KeysSwallowedWhileNotReady", {{plat::WM_KEYDOWN, 'A'}, {U, 0}}, false, {}, 1, 0},
        PumpCase{"SysKeysSwallowedWhileNotReady", {{plat::WM_SYSKEYUP, plat::VK_MENU}}, false, {}, 0, 0},
        PumpCase{"KeysDispatchedWhenReady", {{plat::WM_KEYDOWN, 'A'}, {plat::WM_KEYUP, 'A'}}, true,
                 {plat::WM_KEYDOWN, plat::WM_KEYUP}, 0, 0},
        PumpCase{"CloseSetsQuitAndIsDispatched", {{plat::WM_CLOSE, 0}}, true, {plat::WM_CLOSE, plat::WM_DESTROY}, 0,
                 1},
        PumpCase{"OtherMessagesPassWhileNotReady", {{U, 0}, {U + 1, 0}}, false, {U, U + 1}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Shell, CharactersReachTheInputQueue)
{
    m_App.m_bReady = 1;
    Post(plat::WM_CHAR, static_cast<unsigned char>('\xC0'));  // 'А' in code page 1251
    m_App.PumpMessages();
    EXPECT_EQ(m_App.m_cLastChar, 0xC0);
    EXPECT_EQ(m_Input.m_Chars, "\xC0");
}

TEST_F(Shell, ActivationReacquiresInput)
{
    Post(plat::WM_ACTIVATEAPP, 1);
    Post(plat::WM_ACTIVATEAPP, 0);
    m_App.PumpMessages();
    EXPECT_EQ(m_Input.m_nAcquired, 1);
}

TEST_F(Shell, ControlWithShiftPressedSwitchesLayout)
{
    m_App.m_bReady = 1;
    const int before = plat::GetKeyboardLayoutSwitchCount();
    m_Input.m_Pressed[0x2A] = true;  // Shift alone
    Post(plat::WM_KEYDOWN, plat::VK_SHIFT);
    m_App.PumpMessages();
    EXPECT_EQ(plat::GetKeyboardLayoutSwitchCount(), before);

    m_Input.m_Down[0x1D] = true;  // with Ctrl held
    Post(plat::WM_KEYDOWN, plat::VK_SHIFT);
    m_App.PumpMessages();
    EXPECT_EQ(plat::GetKeyboardLayoutSwitchCount(), before + 1);
}

TEST_F(Shell, RunWithQuitSetReturnsWithoutAFrame)
{
    m_App.m_nQuit = 1;
    EXPECT_EQ(m_App.Run(), 1u);
    EXPECT_EQ(m_App.m_nFrames, 0);
}

TEST_F(Shell, RunWithoutDeviceRunsFramesUntilQuit)
{
    m_App.m_nQuitAfter = 3;
    EXPECT_EQ(m_App.Run(), 1u);
    EXPECT_EQ(m_App.m_nFrames, 3);
}

TEST_F(Shell, LostDeviceIsResetAndResourcesRestored)
{
    CFakeDevice device(m_App.m_Log);
    device.m_Answers = {IShellDevice::kDeviceLost, IShellDevice::kDeviceLost, IShellDevice::kDeviceLost,
                        IShellDevice::kDeviceNotReset, plat::S_OK};
    m_App.m_pDevice = &device;
    EXPECT_TRUE(m_App.CheckDeviceLost());
    EXPECT_EQ(m_App.m_Log, (std::vector<std::string>{"test", "test", "invalidate", "test", "test", "reset",
                                                     "restore"}));
    m_App.m_Log.clear();
    EXPECT_FALSE(m_App.CheckDeviceLost());
    m_App.m_pDevice = nullptr;
}

TEST_F(Shell, FailedResetSetsQuitAndThrows)
{
    CFakeDevice device(m_App.m_Log);
    device.m_Answers = {IShellDevice::kDeviceNotReset};
    device.m_ResetResult = plat::E_FAIL;
    m_App.m_pDevice = &device;
    EXPECT_THROW(m_App.OnDeviceLost(), std::exception);
    EXPECT_EQ(m_App.m_nQuit, 1u);
    EXPECT_EQ(m_App.m_Log, (std::vector<std::string>{"test", "invalidate", "reset"}));
    m_App.m_pDevice = nullptr;
}

} // namespace
