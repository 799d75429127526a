// The application's tests start it over the whole sample tree, without the
// logo video (its own tests play it) and with no error line the writers
// left behind: what error.log holds afterwards is the application's.
#pragma once

#include "app/WorldViewer.h"
#include "foundation/Graphic.h"
#include "tools/mksample/SampleTree.h"

#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace apptest
{

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

} // namespace apptest
