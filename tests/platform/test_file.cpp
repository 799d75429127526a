#include "platform/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace
{

// "Звуки" and "Новый" in code page 1251 and in UTF-8.
const std::string kSounds1251 = "\xC7\xE2\xF3\xEA\xE8";
const std::string kSoundsLower1251 = "\xE7\xE2\xF3\xEA\xE8";
const std::string kSoundsUtf8 = "Звуки";
const std::string kNew1251 = "\xCD\xEE\xE2\xFB\xE9";
// "При" in 1251 bytes as a disk name: written by a tool that did not convert.
const std::string kRawName = "\xCF\xF0\xE8.txt";

// A fresh directory made current for the test; the old current directory
// comes back afterwards.
class PlatformFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_old = fs::current_path();
        m_root = fs::temp_directory_path() / ("tvx_file_" + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directory(m_root));
        fs::current_path(m_root);
        fs::create_directories("Data/Sounds");
        fs::create_directories("Data/Sub Dir");
        Write("Data/Sounds/Boom.WAV", "boom");
        Write("Data/" + kSoundsUtf8 + ".wav", "zvuki");
        Write("Data/" + kRawName, "raw");
    }

    void TearDown() override
    {
        fs::current_path(m_old);
        fs::remove_all(m_root);
    }

    static void Write(const fs::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_old;
    fs::path m_root;
};

TEST_F(PlatformFileTest, ResolvesWithoutRegardToCaseOrSeparator)
{
    struct SCase
    {
        std::string path;
        std::string expected;
    };
    const SCase cases[] = {
        {"DATA\\SOUNDS\\boom.wav", "Data/Sounds/Boom.WAV"},      // every component differs in case
        {"data/sounds\\BOOM.wav", "Data/Sounds/Boom.WAV"},       // mixed separators
        {"Data\\\\Sounds\\.\\Boom.WAV", "Data/Sounds/Boom.WAV"}, // repeated separators, "."
        {"data\\Missing\\..\\SOUNDS\\boom.wav", "Data/Sounds/Boom.WAV"},
        {"DATA\\SOUNDS\\", "Data/Sounds/"}, // trailing separator kept
        {"data\\sub dir", "Data/Sub Dir"},
        {"Data\\" + kSounds1251 + ".wav", "Data/" + kSoundsUtf8 + ".wav"},
        {"data\\" + kSoundsLower1251 + ".WAV", "Data/" + kSoundsUtf8 + ".wav"},
        {"DATA\\\xEF\xD0\xC8.TXT", "Data/" + kRawName},   // 1251 bytes on disk, other case
        {"data\\sounds\\new.wav", "Data/Sounds/new.wav"}, // missing file kept as written
        {"data\\NewDir\\Sub\\f.txt", "Data/NewDir/Sub/f.txt"},
        {"data\\" + kNew1251 + ".txt", "Data/Новый.txt"}, // new names get UTF-8
        {"..\\x", "../x"},
        {".", "."},
        {"\\..\\", "/"},
        {"", ""},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(ResolvePath(c.path.c_str()), c.expected) << c.path;

    const std::string absolute = m_root.string() + "\\DATA\\sounds\\BOOM.wav";
    EXPECT_EQ(ResolvePath(absolute.c_str()), m_root.string() + "/Data/Sounds/Boom.WAV");
    EXPECT_EQ(ResolvePath(nullptr), "");
}

TEST_F(PlatformFileTest, SeesFilesCreatedAfterALookup)
{
    // The directory listing behind the case-insensitive match must not hide
    // a file made just after it was read.
    EXPECT_EQ(ResolvePath("data\\sounds\\late.wav"), "Data/Sounds/late.wav");
    Write("Data/Sounds/LATE.wav", "x");
    EXPECT_EQ(ResolvePath("data\\sounds\\late.wav"), "Data/Sounds/LATE.wav");
    fs::remove("Data/Sounds/LATE.wav");
    fs::rename("Data/Sounds", "Data/SOUNDS2");
    EXPECT_EQ(ResolvePath("data\\sounds2\\boom.wav"), "Data/SOUNDS2/Boom.WAV");
}

TEST_F(PlatformFileTest, CurrentDirectoryOutsideAsciiRoundTrips)
{
    // The engine glues its paths to the current directory it was given.
    fs::create_directories("Игры/Data/Sounds");
    Write("Игры/Data/Sounds/Boom.WAV", "deep");
    ASSERT_TRUE(SetCurrentDirectory("\xC8\xE3\xF0\xFB")); // "Игры" in 1251
    const std::string cwd = GetCurrentDirectory();
    ASSERT_GE(cwd.size(), 5u);
    EXPECT_EQ(cwd.substr(cwd.size() - 5), "/\xC8\xE3\xF0\xFB");
    const std::string path = cwd + "\\data\\SOUNDS\\boom.wav";
    std::FILE* file = FOpen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char bytes[8] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof(bytes), file), 4u);
    EXPECT_STREQ(bytes, "deep");
    std::fclose(file);
    EXPECT_FALSE(SetCurrentDirectory("no such dir"));
}

TEST_F(PlatformFileTest, OpenAndChangeFiles)
{
    // Modes as stdio's; "t" is accepted.
    std::FILE* log = FOpen("DATA\\error.log", "at");
    ASSERT_NE(log, nullptr);
    std::fputs("line\n", log);
    std::fclose(log);
    EXPECT_EQ(Read("Data/error.log"), "line\n");
    EXPECT_EQ(FOpen("data\\nothing.bin", "rb+"), nullptr);
    EXPECT_EQ(FOpen(nullptr, "rb"), nullptr);

    EXPECT_TRUE(FileExists("data\\sounds\\BOOM.WAV"));
    EXPECT_FALSE(FileExists("data\\sounds"));
    EXPECT_FALSE(FileExists("data\\sounds\\none.wav"));
    EXPECT_TRUE(DirectoryExists("DATA\\SUB DIR"));
    EXPECT_FALSE(DirectoryExists("data\\sounds\\boom.wav"));

    std::uint64_t size = 0;
    ASSERT_TRUE(GetFileSize("data\\sounds\\boom.wav", &size));
    EXPECT_EQ(size, 4u);
    EXPECT_FALSE(GetFileSize("data\\sounds", &size));

    EXPECT_TRUE(CreateDirectory("data\\SCREENS"));
    EXPECT_TRUE(fs::is_directory("Data/SCREENS"));
    EXPECT_TRUE(CreateDirectory("DATA\\screens")); // exists already: fine
    EXPECT_FALSE(CreateDirectory("data\\a\\b"));   // one level only
    EXPECT_FALSE(CreateDirectory("data\\sounds\\boom.wav"));

    // MoveFile fails when the target exists, in any case spelling.
    Write("Data/a.txt", "a");
    Write("Data/b.txt", "b");
    EXPECT_FALSE(MoveFile("data\\a.txt", "DATA\\B.TXT"));
    EXPECT_EQ(Read("Data/b.txt"), "b");
    EXPECT_TRUE(MoveFile("data\\A.TXT", "data\\screens\\c.txt"));
    EXPECT_EQ(Read("Data/SCREENS/c.txt"), "a");
    EXPECT_FALSE(MoveFile("data\\a.txt", "data\\d.txt"));
    // ReplaceFile puts a file in place of another, in any case spelling.
    Write("Data/e.txt", "new");
    Write("Data/f.txt", "old");
    EXPECT_TRUE(ReplaceFile("data\\E.TXT", "DATA\\f.txt"));
    EXPECT_EQ(Read("Data/f.txt"), "new");
    EXPECT_FALSE(fs::exists("Data/e.txt"));
    EXPECT_FALSE(ReplaceFile("data\\e.txt", "data\\f.txt"));
    EXPECT_EQ(Read("Data/f.txt"), "new");

    EXPECT_FALSE(DeleteFile("data\\screens")); // not a directory
    EXPECT_TRUE(DeleteFile("DATA\\B.txt"));
    EXPECT_FALSE(fs::exists("Data/b.txt"));
    EXPECT_FALSE(DeleteFile("data\\b.txt"));

    const FileTime when = UnixTimeToFileTime(1058276759, 250'000'000);
    ASSERT_TRUE(SetFileTime("data\\sounds\\BOOM.wav", when));
    FileTime read = 0;
    ASSERT_TRUE(GetFileTime("DATA\\Sounds\\boom.WAV", &read));
    EXPECT_EQ(read, when);
    EXPECT_FALSE(GetFileTime("data\\none", &read));
}

TEST_F(PlatformFileTest, FindFilesByPattern)
{
    fs::create_directories("Data/Packs/Sub");
    for (const char* name : {"b.PAK", "A.pak", "c.pak.bak", "readme", "x.ini"})
        Write(fs::path("Data/Packs") / name, name);
    Write("Data/Packs/" + kSoundsUtf8 + ".wav", "w");

    struct SCase
    {
        std::string pattern;
        std::vector<std::string> names; // in the order reported
    };
    const std::string sounds = kSounds1251 + ".wav";
    const SCase cases[] = {
        {"Data\\Packs\\*.pak", {"A.pak", "b.PAK"}},
        {"DATA\\PACKS\\*.PAK", {"A.pak", "b.PAK"}},
        {"data\\packs\\?.pak", {"A.pak", "b.PAK"}},
        {"data\\packs\\*.*", {"A.pak", "b.PAK", "c.pak.bak", "readme", "Sub", "x.ini", sounds}},
        {"data\\packs\\*", {"A.pak", "b.PAK", "c.pak.bak", "readme", "Sub", "x.ini", sounds}},
        {"data\\packs\\README.*", {"readme"}},
        {"data\\packs\\" + kSoundsLower1251 + ".*", {sounds}},
        {"data\\packs\\a.PAK", {"A.pak"}}, // no wildcard: the one file
        {"data\\packs\\nothing*.zzz", {}},
        {"data\\missing\\*", {}},
        {"data\\packs\\", {}},
    };
    for (const SCase& c : cases)
    {
        FindData data;
        std::vector<std::string> found;
        FindHandle search = FindFirstFile(c.pattern.c_str(), &data);
        if (search)
        {
            do
                found.emplace_back(data.name);
            while (FindNextFile(search, &data));
            FindClose(search);
        }
        EXPECT_EQ(found, c.names) << c.pattern;
    }

    FindData data;
    FindHandle search = FindFirstFile("data\\packs\\s*", &data);
    ASSERT_NE(search, nullptr);
    EXPECT_STREQ(data.name, "Sub");
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(FindNextFile(search, &data));
    FindClose(search);

    search = FindFirstFile("data\\packs\\A.PAK", &data);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.size, 5u);
    FileTime written = 0;
    ASSERT_TRUE(GetFileTime("data\\packs\\a.pak", &written));
    EXPECT_EQ(data.lastWriteTime, written);
    FindClose(search);
    FindClose(nullptr);
}

TEST(PlatformFile, MatchWildcard)
{
    struct SCase
    {
        const char* pattern;
        const char* name;
        bool match;
    };
    const SCase cases[] = {
        {"*.pak", "X.PAK", true}, {"*.pak", "x.pak.bak", false},
        {"a?c", "ABC", true},     {"a?c", "ac", false},
        {"*a*b", "xaxxb", true},  {"*a*b", "xaxxbc", false},
        {"*.*", "README", true},  {"a.*", "a", true},
        {"a.*", "ab", false},     {"\xC7\xE2*", "\xE7\xC2\xD3\xCA\xC8", true}, // Зв* / зВУКИ
        {"*", "", true},          {"", "", true},
        {"", "a", false},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
    EXPECT_FALSE(MatchWildcard(nullptr, "a"));
}

} // namespace
