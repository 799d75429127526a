// The desktop source: keys and the wheel typed into the window reach the
// DirectInput-shaped devices with DirectInput's numbers.
#include "platform/Window.h"
#include "platform/detail/WindowInternal.h"
#include "platform/dinput/DInput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace
{

using namespace plat;

constexpr int kScanA = 4; // SDL's number for the A key
constexpr int kScanKpEnter = 88;

LResult Proc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(DesktopInput, KeysAndWheelArriveAsDirectInputData)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("tarvox-input-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    ASSERT_TRUE(RegisterClass(WindowClass{0, Proc, "InputTestWindow", nullptr}));
    Window* hwnd = CreateWindow("InputTestWindow", "input", WS_OVERLAPPED | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200);
    ASSERT_NE(hwnd, nullptr);
    {
        std::unique_ptr<InputSystem> system = CreateDesktopInputSystem();
        ASSERT_TRUE(system);
        auto keyboard = system->CreateKeyboard();
        auto mouse = system->CreateMouse();
        keyboard->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        mouse->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        keyboard->SetBufferSize(16);
        mouse->SetBufferSize(16);
        ASSERT_EQ(keyboard->Acquire(), DI_OK);
        ASSERT_EQ(mouse->Acquire(), DI_OK);

        ASSERT_TRUE(detail::InjectKeyEvent(kScanA, true, false, 0));
        ASSERT_TRUE(detail::InjectKeyEvent(kScanA, true, true, 0)); // typing repeat: not a new press
        ASSERT_TRUE(detail::InjectKeyEvent(kScanKpEnter, true, false, 0));
        ASSERT_TRUE(detail::InjectKeyEvent(kScanA, false, false, 0));
        ASSERT_TRUE(detail::InjectMouseWheel(2));
        Msg msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
        }

        InputDeviceData data[16];
        std::uint32_t count = 16;
        ASSERT_EQ(keyboard->GetDeviceData(data, &count), DI_OK);
        ASSERT_EQ(count, 3u);
        EXPECT_EQ(data[0].offset, 0x1Eu);
        EXPECT_EQ(data[0].data, 0x80u);
        EXPECT_EQ(data[1].offset, 0x9Cu); // the keypad's Enter is its own key
        EXPECT_EQ(data[2].offset, 0x1Eu);
        EXPECT_EQ(data[2].data, 0u);
        std::uint8_t state[256];
        ASSERT_EQ(keyboard->GetDeviceState(sizeof(state), state), DI_OK);
        EXPECT_EQ(state[0x9C], 0x80);
        EXPECT_EQ(state[0x1E], 0);

        count = 16;
        ASSERT_EQ(mouse->GetDeviceData(data, &count), DI_OK);
        ASSERT_EQ(count, 1u);
        EXPECT_EQ(data[0].offset, MOUSE_OFS_Z);
        EXPECT_EQ(data[0].data, 240u);
    }
    ShutdownWindows();
    UnregisterClass("InputTestWindow");
    std::filesystem::remove_all(dir);
}

} // namespace
