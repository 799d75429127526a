#include "platform/Ini.h"

#include "platform/CodePage.h"
#include "platform/Debug.h"
#include "platform/File.h"
#include "platform/detail/FileInternal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace plat
{
namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    CharLowerBuff(out.data(), out.size());
    return out;
}

void Report(const std::string& what)
{
    OutputDebugString((what + "\n").c_str());
}

// One INI file: its lines as they are, and an index over them. Lines keep a
// trailing CR when the file has CR LF ends, so untouched lines are written
// back byte for byte.
class CIniDocument
{
public:
    struct SKey
    {
        std::string name;  // trimmed, as the file spells it
        std::string value; // trimmed, quotes kept
        std::size_t nLine = 0;
        bool bEquals = false;
    };
    struct SSection
    {
        std::string name;
        std::size_t nHeader = 0;
        std::size_t nEnd = 0; // one past its last line
        std::vector<SKey> keys;
        std::unordered_map<std::string, std::size_t> firstKey; // lowered name -> index in keys
    };

    void Parse(std::string_view bytes)
    {
        m_lines.clear();
        m_bFinalNewline = bytes.empty() || bytes.back() == '\n';
        std::size_t start = 0;
        while (start < bytes.size())
        {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string_view::npos) end = bytes.size();
            m_lines.emplace_back(bytes.substr(start, end - start));
            start = end + 1;
        }
        m_bCrLf = m_lines.empty() || (!m_lines[0].empty() && m_lines[0].back() == '\r');
        Reindex();
    }

    std::string Serialize() const
    {
        std::string out;
        for (std::size_t i = 0; i < m_lines.size(); ++i)
        {
            out += m_lines[i];
            if (i + 1 < m_lines.size() || m_bFinalNewline) out += '\n';
        }
        return out;
    }

    const SSection* FindSection(std::string_view name) const
    {
        const auto it = m_firstSection.find(Lower(name));
        return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
    }

    static const SKey* FindKey(const SSection& section, std::string_view name)
    {
        const auto it = section.firstKey.find(Lower(name));
        return it == section.firstKey.end() ? nullptr : &section.keys[it->second];
    }

    const std::vector<SSection>& Sections() const { return m_sections; }

    void SetValue(std::string_view section, std::string_view key, std::string_view value)
    {
        const SSection* found = FindSection(section);
        if (!found)
        {
            if (!m_lines.empty() && !Trim(m_lines.back()).empty()) m_lines.push_back(Line(""));
            m_lines.push_back(Line("[" + std::string(section) + "]"));
            m_lines.push_back(Line(std::string(key) + "=" + std::string(value)));
            m_bFinalNewline = true;
        }
        else if (const SKey* existing = FindKey(*found, key))
            m_lines[existing->nLine] = Line(existing->name + "=" + std::string(value));
        else
        {
            // After the section's last entry: blank lines and the comments
            // that head the next section stay with it.
            const std::size_t after = found->keys.empty() ? found->nHeader : found->keys.back().nLine;
            m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                           Line(std::string(key) + "=" + std::string(value)));
            if (after + 2 == m_lines.size()) m_bFinalNewline = true;
        }
        Reindex();
    }

    void DeleteKey(std::string_view section, std::string_view key)
    {
        const std::string sectionName = Lower(section);
        const std::string keyName = Lower(key);
        std::vector<bool> drop(m_lines.size(), false);
        for (const SSection& s : m_sections)
            if (Lower(s.name) == sectionName)
                for (const SKey& k : s.keys)
                    if (Lower(k.name) == keyName) drop[k.nLine] = true;
        Remove(drop);
    }

    void DeleteSection(std::string_view section)
    {
        const std::string sectionName = Lower(section);
        std::vector<bool> drop(m_lines.size(), false);
        for (const SSection& s : m_sections)
            if (Lower(s.name) == sectionName)
                for (std::size_t i = s.nHeader; i < s.nEnd; ++i)
                    drop[i] = true;
        Remove(drop);
    }

private:
    std::string Line(std::string text) const
    {
        if (m_bCrLf) text += '\r';
        return text;
    }

    void Remove(const std::vector<bool>& drop)
    {
        std::vector<std::string> kept;
        kept.reserve(m_lines.size());
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            if (!drop[i]) kept.push_back(std::move(m_lines[i]));
        m_lines = std::move(kept);
        Reindex();
    }

    void Reindex()
    {
        m_sections.clear();
        m_firstSection.clear();
        for (std::size_t i = 0; i < m_lines.size(); ++i)
        {
            const std::string_view line = Trim(m_lines[i]);
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[')
            {
                if (!m_sections.empty()) m_sections.back().nEnd = i;
                const std::size_t close = line.find(']');
                SSection section;
                section.name = Trim(
                    line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
                section.nHeader = i;
                m_firstSection.try_emplace(Lower(section.name), m_sections.size());
                m_sections.push_back(std::move(section));
                continue;
            }
            if (m_sections.empty()) continue; // before the first section: kept, never read
            SSection& section = m_sections.back();
            SKey key;
            const std::size_t equals = line.find('=');
            key.bEquals = equals != std::string_view::npos;
            key.name = Trim(line.substr(0, equals));
            key.value = key.bEquals ? Trim(line.substr(equals + 1)) : std::string_view();
            key.nLine = i;
            if (!key.name.empty()) section.firstKey.try_emplace(Lower(key.name), section.keys.size());
            section.keys.push_back(std::move(key));
        }
        if (!m_sections.empty()) m_sections.back().nEnd = m_lines.size();
    }

    std::vector<std::string> m_lines;
    bool m_bFinalNewline = true;
    bool m_bCrLf = true;
    std::vector<SSection> m_sections;
    std::unordered_map<std::string, std::size_t> m_firstSection; // lowered name -> index
};

// Parsed files by resolved path. The resource database reads thousands of
// keys from one file; parsing it once matters.
class CIniCache
{
public:
    // The document of a file, or null when it does not exist or cannot be
    // read (*unreadable tells which). Valid until the next call; the caller
    // holds the lock.
    CIniDocument* Load(const std::string& path, bool* unreadable = nullptr)
    {
        if (unreadable) *unreadable = true;
        struct stat st;
        if (::stat(path.c_str(), &st) != 0)
        {
            if (errno != ENOENT && errno != ENOTDIR)
                ReportOnce(path, std::strerror(errno));
            else if (unreadable)
                *unreadable = false;
            m_files.erase(path);
            return nullptr;
        }
        auto it = m_files.find(path);
        if (it != m_files.end() && it->second.bTrusted && it->second.Matches(st))
        {
            if (unreadable) *unreadable = false;
            return it->second.document.get();
        }
        std::string bytes;
        if (!S_ISREG(st.st_mode))
        {
            ReportOnce(path, "not a regular file");
            return nullptr;
        }
        if (!ReadAll(path, bytes))
        {
            ReportOnce(path, std::strerror(errno));
            m_files.erase(path);
            return nullptr;
        }
        m_reported.erase(path);
        if (unreadable) *unreadable = false;
        if (m_files.size() >= kMaxFiles) m_files.clear();
        SEntry entry;
        entry.Remember(st);
        // A file changed twice within one time stamp, keeping its size, looks
        // unchanged: until its stamp has settled it is read again on every use.
        entry.bTrusted = detail::IsTimeStampSettled(st.st_mtim);
        entry.document = std::make_unique<CIniDocument>();
        entry.document->Parse(bytes);
        return m_files.insert_or_assign(path, std::move(entry)).first->second.document.get();
    }

    // After a write of the layer: the file on disk is the document.
    void Stored(const std::string& path, std::unique_ptr<CIniDocument> document)
    {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0)
        {
            m_files.erase(path);
            return;
        }
        SEntry entry;
        entry.Remember(st);
        entry.bTrusted = true; // what is on disk is what was just written
        entry.document = std::move(document);
        m_files.insert_or_assign(path, std::move(entry));
    }

    std::mutex& Mutex() { return m_mutex; }

private:
    static constexpr std::size_t kMaxFiles = 64;

    struct SEntry
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec mtime{};
        bool bTrusted = false;
        std::unique_ptr<CIniDocument> document;

        void Remember(const struct stat& st)
        {
            device = st.st_dev;
            inode = st.st_ino;
            size = st.st_size;
            mtime = st.st_mtim;
        }
        bool Matches(const struct stat& st) const
        {
            return device == st.st_dev && inode == st.st_ino && size == st.st_size &&
                   mtime.tv_sec == st.st_mtim.tv_sec && mtime.tv_nsec == st.st_mtim.tv_nsec;
        }
    };

    static bool ReadAll(const std::string& path, std::string& bytes)
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) return false;
        char chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
            bytes.append(chunk, got);
        const bool ok = !std::ferror(file);
        std::fclose(file);
        if (!ok) errno = EIO;
        return ok;
    }

    void ReportOnce(const std::string& path, const char* reason)
    {
        // The same unreadable file is asked for thousands of times; say it once.
        if (m_reported.insert(path).second) Report("INI file \"" + path + "\" cannot be read: " + reason);
    }

    std::mutex m_mutex;
    std::unordered_map<std::string, SEntry> m_files;
    std::unordered_set<std::string> m_reported;
};

CIniCache& Cache()
{
    static CIniCache cache;
    return cache;
}

// Copies a string with the truncation rule of single values.
std::uint32_t CopyValue(std::string_view value, char* buffer, std::uint32_t size)
{
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

// Copies NUL-separated entries with the truncation rule of lists.
std::uint32_t CopyList(const std::vector<std::string>& entries, char* buffer, std::uint32_t size)
{
    std::string list;
    for (const std::string& entry : entries)
    {
        list += entry;
        list += '\0';
    }
    if (size < 2)
    {
        buffer[0] = '\0';
        return 0;
    }
    if (list.empty())
    {
        buffer[0] = buffer[1] = '\0';
        return 0;
    }
    if (list.size() + 1 <= size)
    {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<std::uint32_t>(list.size());
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The unquoted value of a key, or nothing when the file, section or key is
// missing. Takes the lock.
std::optional<std::string> LookUp(const char* section, const char* key, const char* fileName)
{
    std::lock_guard lock(Cache().Mutex());
    const CIniDocument* document = Cache().Load(ResolvePath(fileName));
    if (!document) return std::nullopt;
    const CIniDocument::SSection* s = document->FindSection(Trim(section));
    if (!s) return std::nullopt;
    const CIniDocument::SKey* k = CIniDocument::FindKey(*s, Trim(key));
    if (!k) return std::nullopt;
    return std::string(Unquote(k->value));
}

bool HasLineBreak(const char* text)
{
    return text && std::strpbrk(text, "\r\n") != nullptr;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
    {
        // A new file: nothing to lose, write it directly.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
        {
            reason = std::strerror(errno);
            return false;
        }
        const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (!ok) reason = std::strerror(errno);
        return (::close(fd) == 0) && ok;
    }
    // Replace through a temporary file beside the real one (through links),
    // so that a full disk or a crash leaves the old file whole.
    char real[PATH_MAX];
    if (!::realpath(path.c_str(), real))
    {
        reason = std::strerror(errno);
        return false;
    }
    std::string temp = std::string(real) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
    {
        reason = std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ok && ::fsync(fd) == 0;
    if (!ok) reason = std::strerror(errno);
    if (::close(fd) != 0 && ok)
    {
        ok = false;
        reason = std::strerror(errno);
    }
    if (ok && ::rename(temp.c_str(), real) != 0)
    {
        ok = false;
        reason = std::strerror(errno);
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

} // namespace

std::uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                      char* buffer, std::uint32_t size, const char* fileName)
{
    if (!buffer || size == 0) return 0;
    if (!fileName)
    {
        buffer[0] = '\0';
        return 0;
    }
    if (!section || !key)
    {
        std::vector<std::string> names;
        {
            std::lock_guard lock(Cache().Mutex());
            if (const CIniDocument* document = Cache().Load(ResolvePath(fileName)))
            {
                std::unordered_set<std::string> seen;
                if (!section)
                {
                    for (const auto& s : document->Sections())
                        if (seen.insert(Lower(s.name)).second) names.push_back(s.name);
                }
                else if (const CIniDocument::SSection* s = document->FindSection(Trim(section)))
                {
                    for (const auto& k : s->keys)
                        if (!k.name.empty() && seen.insert(Lower(k.name)).second) names.push_back(k.name);
                }
            }
        }
        return CopyList(names, buffer, size);
    }
    if (const std::optional<std::string> value = LookUp(section, key, fileName))
        return CopyValue(*value, buffer, size);
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.remove_suffix(1);
    return CopyValue(fallback, buffer, size);
}

std::uint32_t GetPrivateProfileInt(const char* section, const char* key, std::int32_t defaultValue,
                                   const char* fileName)
{
    if (!section || !key || !fileName) return static_cast<std::uint32_t>(defaultValue);
    const std::optional<std::string> value = LookUp(section, key, fileName);
    if (!value) return static_cast<std::uint32_t>(defaultValue);
    const char* p = value->c_str();
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    std::uint32_t result = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    {
        for (p += 2;; ++p)
        {
            const char c = *p;
            std::uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                break;
            result = result * 16 + digit;
        }
    }
    else
    {
        for (; *p >= '0' && *p <= '9'; ++p)
            result = result * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    return negative ? 0u - result : result;
}

std::uint32_t GetPrivateProfileSection(const char* section, char* buffer, std::uint32_t size,
                                       const char* fileName)
{
    if (!buffer || size == 0) return 0;
    std::vector<std::string> lines;
    if (section && fileName)
    {
        std::lock_guard lock(Cache().Mutex());
        if (const CIniDocument* document = Cache().Load(ResolvePath(fileName)))
            if (const CIniDocument::SSection* s = document->FindSection(Trim(section)))
                for (const auto& k : s->keys)
                    lines.push_back(k.bEquals ? k.name + "=" + k.value : k.name);
    }
    return CopyList(lines, buffer, size);
}

std::uint32_t GetPrivateProfileSectionNames(char* buffer, std::uint32_t size, const char* fileName)
{
    return GetPrivateProfileString(nullptr, nullptr, nullptr, buffer, size, fileName);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* fileName)
{
    if (!section || !fileName) return false;
    const std::string path = ResolvePath(fileName);
    // A line break would split the entry and corrupt the lines after it.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
    {
        Report("INI file \"" + path + "\" not written: line break in a section, key or value");
        return false;
    }
    std::lock_guard lock(Cache().Mutex());
    auto document = std::make_unique<CIniDocument>();
    bool unreadable = false;
    if (const CIniDocument* current = Cache().Load(path, &unreadable))
        *document = *current;
    else if (unreadable)
    {
        // Writing now would replace the file's other contents with one key.
        Report("INI file \"" + path + "\" not written: the file cannot be read");
        return false;
    }
    else if (!key || !value)
        return true; // nothing to delete; Windows does not create the file either
    const std::string_view sectionName = Trim(section);
    if (!key)
        document->DeleteSection(sectionName);
    else if (!value)
        document->DeleteKey(sectionName, Trim(key));
    else
        document->SetValue(sectionName, Trim(key), value);
    std::string reason;
    if (!WriteFileReplacing(path, document->Serialize(), reason))
    {
        Report("INI file \"" + path + "\" not written: " + reason);
        return false;
    }
    Cache().Stored(path, std::move(document));
    return true;
}

} // namespace plat
