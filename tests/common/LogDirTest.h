// A test whose global logger writes into a fresh directory of its own, so
// that the errors a test provokes stay out of the working directory and can
// be read back. The directory is removed after the test.
#pragma once

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testutil
{

class CLogDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tvx_") + info->test_suite_name() + "_" + info->name() + "_" +
                           std::to_string(::testing::UnitTest::GetInstance()->random_seed());
        for (char& c : name)
            if (c == '/') c = '_';
        m_dir = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        g_ErrorLog.ResetTrace();
    }
    void TearDown() override
    {
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        std::filesystem::remove_all(m_dir);
    }

    // The whole text of a file in the directory ("" when it does not exist).
    std::string ReadText(const char* name) const
    {
        std::ifstream in(m_dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_dir;
};

} // namespace testutil
