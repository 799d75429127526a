#include "foundation/DICodeTable.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "foundation/Settings.h"
#include "platform/File.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

SDICodeTable g_DICodeTable;

namespace
{

// Codes are 16-bit, so a file cannot name more keys than that.
constexpr long kMaxEntries = 0x10000;
constexpr std::size_t kNameLength = sizeof(SDICode::name) - 1;
// Longer words are kept only this far; what matters is that they are
// recognised as too long, not their whole text.
constexpr std::size_t kWordLimit = 64;

// The next whitespace-separated word, at most kWordLimit characters kept;
// *length receives its full length. False at the end of the file.
bool ReadWord(std::FILE* file, std::string* word, std::size_t* length)
{
    word->clear();
    *length = 0;
    int c = 0;
    while ((c = std::fgetc(file)) != EOF && std::strchr(" \t\r\n\f\v", c))
    {
    }
    while (c != EOF && !std::strchr(" \t\r\n\f\v", c))
    {
        if (word->size() < kWordLimit) word->push_back(static_cast<char>(c));
        ++*length;
        c = std::fgetc(file);
    }
    return *length > 0;
}

bool ParseNumber(const std::string& word, int base, unsigned long* value)
{
    if (word.empty() || word[0] == '-' || word[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtoul(word.c_str(), &end, base);
    return errno == 0 && end && *end == '\0';
}

bool Fail(const char* path, const char* what, long entry)
{
    if (entry >= 0)
        g_ErrorLog.LogError("LoadDICodeTable: \"%s\" entry %ld: %s", path, entry + 1, what);
    else
        g_ErrorLog.LogError("LoadDICodeTable: \"%s\": %s", path, what);
    FreeDICodeTable();
    return false;
}

} // namespace

void FreeDICodeTable()
{
    g_DICodeTable.entries.clear();
    g_DICodeTable.entries.shrink_to_fit();
    g_DICodeTable.count = 0;
}

bool LoadDICodeTable()
{
    const std::string path = GetEngineBaseDirectory() + "Data\\CONFIG\\DICode.ini";
    return LoadDICodeTableFrom(path.c_str());
}

bool LoadDICodeTableFrom(const char* path)
{
    XTRACE("LoadDICodeTable");
    FreeDICodeTable();
    std::FILE* file = plat::FOpen(path, "rt");
    if (!file) return Fail(path, "cannot open the file", -1);
    struct SCloser
    {
        std::FILE* file;
        ~SCloser() { std::fclose(file); }
    } closer{file};

    std::string word;
    std::size_t length = 0;
    unsigned long announced = 0;
    if (!ReadWord(file, &word, &length)) return Fail(path, "the file is empty", -1);
    if (!ParseNumber(word, 10, &announced))
        return Fail(path, ("no entry count at the start but \"" + EscapeForLog(word) + "\"").c_str(), -1);
    if (announced < 1) return Fail(path, "announces no entries", -1);
    if (announced > static_cast<unsigned long>(kMaxEntries))
        return Fail(path, "announces more entries than there are key codes", -1);

    std::vector<SDICode> entries;
    entries.reserve(announced);
    for (long i = 0; i < static_cast<long>(announced); ++i)
    {
        std::string label, code, name;
        std::size_t nameLength = 0;
        if (!ReadWord(file, &label, &length) || !ReadWord(file, &code, &length) ||
            !ReadWord(file, &name, &nameLength))
        {
            const std::string what = "the file ends; " + std::to_string(announced) + " entries announced, " +
                                     std::to_string(i) + " complete";
            return Fail(path, what.c_str(), i);
        }
        unsigned long value = 0;
        if (!ParseNumber(code, 16, &value) || value > 0xFFFF)
        {
            // Appended rather than "literal" + string: GCC 12 warns falsely
            // of an overlapping copy in that operator at -O2 (-Wrestrict).
            std::string what = "\"";
            what += EscapeForLog(code);
            what += "\" is no hexadecimal key code";
            return Fail(path, what.c_str(), i);
        }
        SDICode entry;
        entry.code = static_cast<std::uint16_t>(value);
        if (nameLength > kNameLength)
            g_ErrorLog.LogError("LoadDICodeTable: \"%s\" entry %ld: name \"%s\" cut to %zu characters", path,
                                i + 1, EscapeForLog(name).c_str(), kNameLength);
        std::strncpy(entry.name, name.c_str(), kNameLength);
        entry.name[kNameLength] = '\0';
        entries.push_back(entry);
    }
    g_DICodeTable.entries = std::move(entries);
    g_DICodeTable.count = static_cast<std::int32_t>(g_DICodeTable.entries.size());
    return true;
}

bool WriteDICodeTable(const char* path, const SDICodeLine* lines, int count)
{
    std::FILE* file = plat::FOpen(path, "wt");
    if (!file) return false;
    bool ok = std::fprintf(file, "%d\n", count) > 0;
    for (int i = 0; ok && i < count; ++i)
        ok = std::fprintf(file, "%s %X %s\n", lines[i].label, lines[i].code, lines[i].name) > 0;
    return std::fclose(file) == 0 && ok;
}
