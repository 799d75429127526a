// The temporary data tree a test runs in, and the fixture around it.
//
// CDataTree makes a fresh directory, makes it the working directory and
// the logger's directory, and resets the call-path trace; on destruction it
// closes the resource database, restores the working directory, the log
// directory, the settings and the trace, and removes the directory. Tests
// fill it with the writers the sample builder uses (WriteSampleTree links
// with mksample_writers) or with small files of their own.
//
// CDataTreeTest is the gtest fixture that holds one CDataTree per test;
// the graphics device fixture and the log-reading fixture build on it.
#pragma once

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace testutil
{

class CDataTree
{
public:
    // tag names the directory (the current test's name when null).
    explicit CDataTree(const char* tag = nullptr)
        : m_previous(plat::GetCurrentDirectory()), m_settings(g_Settings)
    {
        std::string name = std::string("tvx_") + (tag ? tag : CurrentTestName()) + "_" +
                           std::to_string(std::random_device{}());
        for (char& c : name)
            if (c == '/') c = '_';
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        plat::SetCurrentDirectory(m_path.c_str());
        g_ErrorLog.SetDirectory(m_path.c_str());
        g_ErrorLog.ResetTrace();
    }
    ~CDataTree()
    {
        g_ResourceDB.Done();
        g_Settings = m_settings;
        g_ErrorLog.ResetTrace();
        plat::SetCurrentDirectory(m_previous.c_str());
        g_ErrorLog.SetDirectory(m_previous.c_str());
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CDataTree(const CDataTree&) = delete;
    CDataTree& operator=(const CDataTree&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

    // Writes a text file below the tree (folders made as needed).
    void WriteText(const std::string& name, const std::string& text) const
    {
        const std::filesystem::path file = m_path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    // The whole text of a file below the tree ("" when it does not exist).
    std::string ReadText(const std::string& name) const
    {
        std::ifstream in(m_path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string ErrorLog() const { return ReadText("error.log"); }
    std::string DebugLog() const { return ReadText("debug.log"); }

private:
    static std::string CurrentTestName()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return info ? std::string(info->test_suite_name()) + "_" + info->name() : std::string("test");
    }

    std::filesystem::path m_path;
    std::string m_previous;
    SEngineSettings m_settings;
};

// One data tree per test: made with the fixture, before SetUp, and gone
// with it, after TearDown, so a derived fixture need not call up.
class CDataTreeTest : public ::testing::Test
{
protected:
    CDataTree& Tree() { return m_Tree; }
    const CDataTree& Tree() const { return m_Tree; }

    CDataTree m_Tree;
};

} // namespace testutil
