#include "platform/Ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace plat;
namespace fs = std::filesystem;

namespace
{

// A file with the cases the engine's INI files hold, in 1251.
const std::string kSample = "; settings\n"
                            "Orphan=before any section\n"
                            "[General]\n"
                            "  Name = Value  \n"
                            "Quoted=\"  spaced  \"\n"
                            "Single='x'\n"
                            "Mismatch=\"abc'\n"
                            "Empty=\n"
                            "Dup=first\n"
                            "Dup=second\n"
                            "NoEquals\n"
                            ";Commented=1\n"
                            "Inline=5 ; not a comment\n"
                            "\n"
                            "[\xCC\xE5\xED\xFE]\n"                // [Меню]
                            "\xCA\xEB\xFE\xF7=\xC7\xED\xE0\xF7\n" // Ключ=Знач
                            "[general]\n"
                            "Other=1\n";

class PlatformIniTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("tvx_ini_" + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directory(m_root));
        fs::create_directories(m_root / "DATA" / "CONFIG");
        m_file = (m_root / "DATA" / "CONFIG" / "cfg.ini").string();
        // The engine names the file in its own spelling.
        m_name = m_root.string() + "\\data\\config\\CFG.INI";
    }
    void TearDown() override { fs::remove_all(m_root); }

    void Write(const std::string& bytes) const { std::ofstream(m_file, std::ios::binary) << bytes; }
    std::string Read() const
    {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Get(const char* section, const char* key, const char* fallback = "-") const
    {
        char buffer[256];
        GetPrivateProfileString(section, key, fallback, buffer, sizeof(buffer), m_name.c_str());
        return buffer;
    }
    std::string List(const char* section, std::uint32_t size, std::uint32_t* result) const
    {
        std::string buffer(size, 'x');
        *result = GetPrivateProfileString(section, nullptr, nullptr, buffer.data(), size, m_name.c_str());
        return buffer;
    }

    fs::path m_root;
    std::string m_file;
    std::string m_name;
};

TEST_F(PlatformIniTest, ReadsValuesWithWindowsRules)
{
    Write(kSample);
    struct SCase
    {
        const char* section;
        const char* key;
        const char* fallback;
        std::string expected;
    };
    const SCase cases[] = {
        {"general", "NAME", "-", "Value"}, // case and blanks
        {" GENERAL ", " name ", "-", "Value"},
        {"General", "Quoted", "-", "  spaced  "}, // quotes go, what they hold stays
        {"General", "Single", "-", "x"},
        {"General", "Mismatch", "-", "\"abc'"},
        {"General", "Empty", "-", ""},    // present but empty: not the default
        {"General", "Dup", "-", "first"}, // first occurrence wins
        {"General", "Inline", "-", "5 ; not a comment"},
        {"General", ";Commented", "-", "-"},
        {"General", "Orphan", "-", "-"},
        {"General", "Other", "-", "-"},           // only the first [General] is read
        {"General", "Missing", "dflt  ", "dflt"}, // default without trailing blanks
        {"General", "Missing", nullptr, ""},
        {"Nowhere", "Name", "d", "d"},
        {"\xEC\xE5\xED\xFE", "\xEA\xCB\xDE\xD7", "-", "\xC7\xED\xE0\xF7"}, // меню / кЛЮЧ
    };
    for (const SCase& c : cases)
        EXPECT_EQ(Get(c.section, c.key, c.fallback), c.expected) << c.section << " / " << c.key;

    // Cut to fit, always terminated; the count excludes the terminator.
    char small[4];
    EXPECT_EQ(GetPrivateProfileString("General", "Name", "", small, sizeof(small), m_name.c_str()), 3u);
    EXPECT_STREQ(small, "Val");
    EXPECT_EQ(GetPrivateProfileString("General", "Name", "", small, 1, m_name.c_str()), 0u);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(GetPrivateProfileString("General", "Name", "", small, 0, m_name.c_str()), 0u);

    // A missing file gives the defaults.
    const std::string missing = m_root.string() + "\\none.ini";
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileString("General", "Name", "def", buffer, 16, missing.c_str()), 3u);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(GetPrivateProfileInt("General", "Name", 9, missing.c_str()), 9u);
}

TEST_F(PlatformIniTest, ParsesIntegers)
{
    struct SCase
    {
        const char* value;
        std::uint32_t expected;
    };
    const SCase cases[] = {
        {"42", 42},
        {"-17", static_cast<std::uint32_t>(-17)},
        {"+5", 5},
        {"0x1F", 31},
        {"0XfF", 255},
        {"-0x10", static_cast<std::uint32_t>(-16)},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"\"7\"", 7},
        {"4294967295", 0xFFFFFFFFu},
        {"0x", 0},
    };
    for (const SCase& c : cases)
    {
        Write(std::string("[S]\nk=") + c.value + "\n");
        EXPECT_EQ(GetPrivateProfileInt("s", "K", 99, m_name.c_str()), c.expected) << c.value;
    }
    EXPECT_EQ(GetPrivateProfileInt("S", "missing", -3, m_name.c_str()), static_cast<std::uint32_t>(-3));
}

TEST_F(PlatformIniTest, ListsSectionsKeysAndSections)
{
    Write(kSample);
    std::uint32_t n = 0;
    // Section names: each once, in file order, double NUL at the end.
    const std::string all = std::string("General\0\xCC\xE5\xED\xFE\0\0", 14);
    EXPECT_EQ(List(nullptr, 14, &n), all);
    EXPECT_EQ(n, 13u);
    char names[64];
    EXPECT_EQ(GetPrivateProfileSectionNames(names, sizeof(names), m_name.c_str()), 13u);
    EXPECT_EQ(std::string(names, 14), all);
    // Cut short: size - 2, still double NUL.
    EXPECT_EQ(List(nullptr, 13, &n), std::string("General\0\xCC\xE5\xED\0\0", 13));
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(List(nullptr, 1, &n), std::string(1, '\0'));
    EXPECT_EQ(n, 0u);

    // Key names of a section.
    const std::string keys =
        std::string("Name\0Quoted\0Single\0Mismatch\0Empty\0Dup\0NoEquals\0Inline\0\0", 55);
    EXPECT_EQ(List("GENERAL", 55, &n), keys);
    EXPECT_EQ(n, 54u);
    // A missing section is an empty list.
    EXPECT_EQ(List("Nowhere", 4, &n).substr(0, 2), std::string(2, '\0'));
    EXPECT_EQ(n, 0u);

    // A whole section: key=value lines, trimmed, quotes kept, comments left out.
    char section[256];
    const std::uint32_t got = GetPrivateProfileSection("general", section, sizeof(section), m_name.c_str());
    const std::string expected =
        std::string("Name=Value\0Quoted=\"  spaced  \"\0Single='x'\0Mismatch=\"abc'\0"
                    "Empty=\0Dup=first\0Dup=second\0NoEquals\0Inline=5 ; not a comment\0\0",
                    120);
    EXPECT_EQ(got, 119u);
    EXPECT_EQ(std::string(section, 120), expected);
    EXPECT_EQ(GetPrivateProfileSection("general", section, 12, m_name.c_str()), 10u);
    EXPECT_EQ(std::string(section, 12), std::string("Name=Value\0\0", 12));
}

TEST_F(PlatformIniTest, WritesInPlace)
{
    const std::string original = "; keys\r\n"
                                 "[Config]\r\n"
                                 "ScreenWidth=800\r\n"
                                 "Gamma = 5 \r\n"
                                 "\r\n"
                                 "; input\r\n"
                                 "[INPUT]\r\n"
                                 "Fire=1\r\n"
                                 "Fire=2\r\n"
                                 "[Old]\r\n"
                                 "a=1\r\n";
    struct SCase
    {
        const char* section;
        const char* key;
        const char* value;
        std::string expected;
    };
    const SCase cases[] = {
        // An existing key keeps its place and spelling.
        {"CONFIG", "gamma", "7",
         "; keys\r\n[Config]\r\nScreenWidth=800\r\nGamma=7\r\n\r\n; input\r\n[INPUT]\r\n"
         "Fire=1\r\nFire=2\r\n[Old]\r\na=1\r\n"},
        // A new key goes after the section's last line, before the blank line.
        {"config", "Windowed", "",
         "; keys\r\n[Config]\r\nScreenWidth=800\r\nGamma = 5 \r\nWindowed=\r\n\r\n"
         "; input\r\n[INPUT]\r\nFire=1\r\nFire=2\r\n[Old]\r\na=1\r\n"},
        // A new section at the end.
        {"NET", "Player", "Me", original + "\r\n[NET]\r\nPlayer=Me\r\n"},
        // Deleting a key removes every occurrence.
        {"input", "FIRE", nullptr,
         "; keys\r\n[Config]\r\nScreenWidth=800\r\nGamma = 5 \r\n\r\n; input\r\n"
         "[INPUT]\r\n[Old]\r\na=1\r\n"},
        // Deleting a section takes its lines with it.
        {"INPUT", nullptr, nullptr,
         "; keys\r\n[Config]\r\nScreenWidth=800\r\nGamma = 5 \r\n\r\n; input\r\n"
         "[Old]\r\na=1\r\n"},
        {"Nowhere", nullptr, nullptr, original},
    };
    for (const SCase& c : cases)
    {
        Write(original);
        EXPECT_EQ(Get("Config", "Gamma"), "5"); // fill the cache first: writes must go through it
        EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, m_name.c_str()));
        EXPECT_EQ(Read(), c.expected) << c.section << " / " << (c.key ? c.key : "(null)");
    }
    Write(original);
    EXPECT_TRUE(WritePrivateProfileString("Config", "Gamma", "9", m_name.c_str()));
    EXPECT_EQ(Get("config", "GAMMA"), "9");
    EXPECT_TRUE(WritePrivateProfileString("Config", "Gamma", nullptr, m_name.c_str()));
    EXPECT_EQ(Get("config", "GAMMA"), "-");
    EXPECT_FALSE(WritePrivateProfileString(nullptr, "k", "v", m_name.c_str()));
}

TEST_F(PlatformIniTest, CreatesMissingFilesAndSeesOutsideChanges)
{
    // Deleting from a missing file creates nothing; writing creates it (CR LF)
    // under the name as the engine spells it.
    const std::string created = m_root.string() + "\\data\\config\\New.ini";
    EXPECT_TRUE(WritePrivateProfileString("S", "k", nullptr, created.c_str()));
    EXPECT_FALSE(fs::exists(m_root / "DATA" / "CONFIG" / "New.ini"));
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", created.c_str()));
    std::ifstream in(m_root / "DATA" / "CONFIG" / "New.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[S]\r\nk=v\r\n");
    char value[8];
    EXPECT_EQ(GetPrivateProfileString("s", "K", "", value, sizeof(value), created.c_str()), 1u);
    EXPECT_STREQ(value, "v");

    // Changes made outside the layer are seen, even when quick and of the
    // same size; an LF file stays LF.
    Write("[S]\nk=one\n");
    EXPECT_EQ(Get("s", "K"), "one");
    Write("[S]\nk=two\n");
    EXPECT_EQ(Get("s", "K"), "two");
    Write("[S]\nk=other value\n");
    EXPECT_EQ(Get("s", "K"), "other value");
    EXPECT_TRUE(WritePrivateProfileString("S", "n", "1", m_name.c_str()));
    EXPECT_EQ(Read(), "[S]\nk=other value\nn=1\n");
    // A missing directory is not made.
    const std::string nested = m_root.string() + "\\nodir\\x.ini";
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", nested.c_str()));
}

TEST_F(PlatformIniTest, BadInputLosesNothing)
{
    // No final line end, a header without ']', stray bytes and a NUL: all of
    // it survives a write elsewhere in the file.
    const std::string odd = std::string("\xEF\xBB\xBFjunk\n[Broken\nk=1\n\x01\x02 bin\0ary\n[Last]\nz=9", 41);
    Write(odd);
    EXPECT_EQ(Get("Broken", "k"), "1");
    EXPECT_EQ(Get("Last", "z"), "9");
    EXPECT_TRUE(WritePrivateProfileString("New", "a", "b", m_name.c_str()));
    EXPECT_EQ(Read(), odd + "\n\n[New]\na=b\n");

    // A line break in a value would split the entry: refused, file unchanged.
    const std::string before = Read();
    EXPECT_FALSE(WritePrivateProfileString("New", "a", "two\nlines", m_name.c_str()));
    EXPECT_EQ(Read(), before);

    // A name that is not a readable file: defaults on read, refusal on write,
    // and the directory in its way is left alone.
    fs::create_directories(m_root / "dir.ini");
    const std::string dir = m_root.string() + "\\dir.ini";
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileString("S", "k", "d", buffer, sizeof(buffer), dir.c_str()), 1u);
    EXPECT_STREQ(buffer, "d");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.c_str()));
    EXPECT_TRUE(fs::is_directory(m_root / "dir.ini"));
}

} // namespace
