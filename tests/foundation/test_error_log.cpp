#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"

#include "platform/File.h"

#include "common/LogDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Points the global logger at a fresh directory for each test.
class ErrorLog : public testutil::CLogDirTest
{
protected:
    std::vector<std::string> Lines(const char* name) const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_dir / name);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // The message of an error line, after its date prefix
    // "%02d-%02d-%04d %02d:%02d:%02d:%03d ": 'd' a digit, every field whole
    // (no blank inside a time such as " 8:45:19: 47").
    static std::string Message(const std::string& line)
    {
        static const std::string shape = "dd-dd-dddd dd:dd:dd:ddd ";
        bool ok = line.size() >= shape.size();
        for (std::size_t i = 0; ok && i < shape.size(); ++i)
        {
            const char c = line[i];
            const bool digit = c >= '0' && c <= '9';
            ok = shape[i] == 'd' ? digit : c == shape[i];
        }
        EXPECT_TRUE(ok) << line;
        return ok ? line.substr(shape.size()) : line;
    }

};

struct CInner
{
    static void Fail()
    {
        XTRACE("CInner::Fail");
        throw std::runtime_error("boom");
    }
};

struct COuter
{
    static void Call()
    {
        XTRACE("COuter::Call");
        CInner::Fail();
    }
};

TEST_F(ErrorLog, NestedFailureWritesOneTracedLine)
{
    try
    {
        COuter::Call();
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
    }
    const auto lines = Lines("error.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "EXCEPTION:->CInner::Fail->COuter::Call");

    char trace[64];
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "EXCEPTION:");
}

TEST_F(ErrorLog, AnEmptyTraceWritesNoLine)
{
    g_ErrorLog.FlushTrace();
    EXPECT_TRUE(Lines("error.log").empty());
}

TEST_F(ErrorLog, JoinedPathsAreShownWithOneSeparator)
{
    g_ErrorLog.LogError("file '%s' and %s, \"%s\", %s", "/home/x/game\\Data\\a.tm", "Data\\b.tm",
                        "/home/x/game\\DATA\\CONFIG\\cfg.ini", "/key\\x01\\x02");
    const auto lines = Lines("error.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]),
              "file '/home/x/game/Data/a.tm' and Data\\b.tm, \"/home/x/game/DATA/CONFIG/cfg.ini\", "
              "/key\\x01\\x02");
}

TEST(EscapeForLog, FileBytesAreShownEscaped)
{
    EXPECT_EQ(EscapeForLog("Key=Value 1"), "Key=Value 1");
    EXPECT_EQ(EscapeForLog(std::string_view("a\0\x01\n\xC0\\\"", 7)), "a\\x00\\x01\\x0A\\xC0\\\\\\\"");
    EXPECT_EQ(EscapeForLog("abcdef", 3), "abc...");
}

TEST_F(ErrorLog, ScopeLeftNormallyAddsNothing)
{
    {
        XTRACE("CQuiet::Run");
    }
    char trace[64];
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "EXCEPTION:");
}

TEST_F(ErrorLog, RepeatsAreSuppressedUntilSomethingElseIsWritten)
{
    g_ErrorLog.LogError("same %d", 1);
    g_ErrorLog.LogError("same %d", 1);
    g_ErrorLog.LogError("other");
    g_ErrorLog.LogError("same 1");
    g_ErrorLog.LogDebug("between");
    g_ErrorLog.LogError("same 1");
    g_ErrorLog.LogError("100%% sure");

    std::vector<std::string> messages;
    for (const auto& line : Lines("error.log"))
        messages.push_back(Message(line));
    EXPECT_EQ(messages, (std::vector<std::string>{"same 1", "other", "same 1", "same 1", "100% sure"}));
    EXPECT_EQ(Lines("debug.log"), std::vector<std::string>{"between"});
}

TEST_F(ErrorLog, DebugEqualToRememberedErrorIsNotWrittenButClearsIt)
{
    g_ErrorLog.LogError("text");
    g_ErrorLog.LogDebug("text");
    g_ErrorLog.LogDebug("text");
    g_ErrorLog.LogError("text");
    EXPECT_EQ(Lines("debug.log"), std::vector<std::string>{"text"});
    EXPECT_EQ(Lines("error.log").size(), 2u);
}

// A tool's logger: no directory, no files; the lines still reach the
// debugger output, each once.
TEST_F(ErrorLog, WithoutDirectoryNoFileIsWritten)
{
    g_ErrorLog.SetDirectory(nullptr);
    testing::internal::CaptureStderr();
    g_ErrorLog.LogError("the pack is not used");
    g_ErrorLog.LogError("the pack is not used");
    g_ErrorLog.LogDebug("mounted");
    const std::string output = testing::internal::GetCapturedStderr();
    g_ErrorLog.SetDirectory(m_dir.c_str());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "error.log"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "debug.log"));
    EXPECT_EQ(output, "the pack is not used\nmounted\n");
}

TEST_F(ErrorLog, LogToFileWritesNamedFileInCurrentDirectory)
{
    const std::string old = plat::GetCurrentDirectory();
    ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
    g_ErrorLog.LogToFile(false, "trade.log", "sold %s", "goods");
    g_ErrorLog.LogToFile(false, "trade.log", "sold %s", "goods");
    g_ErrorLog.LogToFile(true, "trade.log", "bad");
    plat::SetCurrentDirectory(old.c_str());
    const auto lines = Lines("trade.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "sold goods");
    EXPECT_EQ(lines[1], "sold goods");
    EXPECT_EQ(Message(lines[2]), "bad");
}

TEST_F(ErrorLog, OverflowingTraceRestartsAsEllipsis)
{
    const std::string name(1000, 'n');
    for (int i = 0; i < 4; ++i)
        g_ErrorLog.AppendTrace(name.c_str());
    char trace[CErrorLog::kTraceSize];
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_EQ(std::string(trace).size(), 10u + 4 * 1002u);
    g_ErrorLog.AppendTrace(name.c_str());
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "...->");
    g_ErrorLog.AppendTrace("N");
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "...->->N");
    g_ErrorLog.DropLastTraceEntry();
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "...->");
}

TEST_F(ErrorLog, ThreadsWritingTogetherLoseNoLine)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                g_ErrorLog.LogDebug("thread %d line %d", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(Lines("debug.log").size(), 200u);
}

TEST_F(ErrorLog, HandledFailureLogsItsPathAndLeavesTheTraceAsItWas)
{
    g_ErrorLog.AppendTrace("Outer");
    const auto load = [] {
        XTRACE("CLoader::Load");
        XTRACE("CReader::Block");
        throw std::runtime_error("block 3 cut short");
    };
    {
        CTraceBoundary boundary;
        try
        {
            load();
        }
        catch (const std::exception& e)
        {
            boundary.Handled("Data\\Models\\box.mdl", e.what());
        }
    }
    char trace[CErrorLog::kTraceSize];
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    EXPECT_STREQ(trace, "EXCEPTION:->Outer");
    const auto lines = Lines("error.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Data\\Models\\box.mdl: block 3 cut short (path: CReader::Block->CLoader::Load)"),
              std::string::npos)
        << lines[0];
}

} // namespace
