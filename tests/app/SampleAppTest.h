// The application's tests start it over the whole sample tree, without the
// logo video (its own tests play it) and with no error line the writers
// left behind: what error.log holds afterwards is the application's.
#pragma once

#include "app/MinimalApplication.h"
#include "app/WorldViewer.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "tools/mksample/SampleTree.h"

#include "common/DataTree.h"
#include "common/NullInput.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace apptest
{

// Keys held down by the test (m_held, m_held2) and one key pressed in the
// next frame (m_pressed, cleared by Update); everything else is idle.
class CHeldKeys : public testutil::CNullInput
{
public:
    int Update() override
    {
        m_pressed = -1;
        return 0;
    }
    bool IsPressed(int code) override { return code == m_pressed; }
    bool IsDown(int code) override { return code == m_held || code == m_held2; }

    int m_held = -1;
    int m_held2 = -1;
    int m_pressed = -1;
};

class CSampleAppTest : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteSampleTree(Tree().Path().string()));
        std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
        const std::size_t video = cfg.find("Video=1");
        ASSERT_NE(video, std::string::npos);
        cfg[video + 6] = '0';
        Tree().WriteText("Data/CONFIG/cfg.ini", cfg);
        std::filesystem::remove(Tree().Path() / "error.log");
    }

    // One frame of the world viewer (no time passes), read back.
    std::vector<std::uint32_t> ViewerFrame(std::uint32_t& width, std::uint32_t& height)
    {
        graph.m_lpDevice->BeginScene();
        EXPECT_TRUE(g_WorldViewer.Frame(0.0f, nullptr));
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer(&width, &height);
    }
};

// The sample application on a frame timer that the test advances in steps
// of exactly kStep (Tick), so that what reads the timer during a frame (the
// glider's own step) sees the same time the frame was given.
class CSteppedAppTest : public CSampleAppTest
{
protected:
    static constexpr float kStep = 0.05f;

    void SetUp() override
    {
        CSampleAppTest::SetUp();
        m_savedTimer = g_FrameTimer;
        g_FrameTimer = CFrameTimer([this] { return m_now; }, 1000);
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
            Tick();
    }
    void TearDown() override
    {
        g_FrameTimer = m_savedTimer;
        CSampleAppTest::TearDown();
    }
    void Tick()
    {
        m_now += std::int64_t(kStep * 1000.0f);
        g_FrameTimer.Update();
    }

    std::int64_t m_now = 0;
    CFrameTimer m_savedTimer;
};

// The application started over the sample tree for the whole test, and shut
// down after it with nothing left in error.log; Frame steps it once.
class CRunningAppTest : public CSteppedAppTest
{
protected:
    void SetUp() override
    {
        CSteppedAppTest::SetUp();
        std::string commandLine;
        ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "sample application test"))
            << Tree().ErrorLog();
        ASSERT_TRUE(g_WorldViewer.IsEntered()) << Tree().ErrorLog();
    }
    void TearDown() override
    {
        m_App.Done();
        EXPECT_EQ(Tree().ErrorLog(), "");
        CSteppedAppTest::TearDown();
    }
    bool Frame()
    {
        Tick();
        return g_WorldViewer.Frame(kStep, nullptr);
    }

    CMinimalApplication m_App;
};

} // namespace apptest
