#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/detail/FileInternal.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat
{

// The matches of one search, taken at once: a directory that changes while
// the engine walks the results does not disturb it.
class FileSearch
{
public:
    std::vector<FindData> m_results;
    std::size_t m_nNext = 0;
};

namespace
{

bool HasWildcard(std::string_view text)
{
    return text.find_first_of("*?") != std::string_view::npos;
}

bool FillFindData(int dirFd, const char* diskName, const std::string& name1251, FindData& out)
{
    if (name1251.size() >= sizeof(out.name)) return false; // cannot be shown to the engine whole
    struct stat st;
    // A dangling link is still listed, with what the link itself says.
    if (::fstatat(dirFd, diskName, &st, 0) != 0 && ::fstatat(dirFd, diskName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    out = FindData{};
    out.attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    out.lastWriteTime = UnixTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    out.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    std::memcpy(out.name, name1251.data(), name1251.size());
    return true;
}

bool MatchFrom(const unsigned char* p, const unsigned char* n, const unsigned char* pEnd)
{
    // Greedy match with one back-tracking point: the last '*' seen.
    const unsigned char* star = nullptr;
    const unsigned char* resume = nullptr;
    while (*n)
    {
        if (p < pEnd && *p == '*')
        {
            star = ++p;
            resume = n;
        }
        else if (p < pEnd &&
                 (*p == '?' || CharLower1251(static_cast<char>(*p)) == CharLower1251(static_cast<char>(*n))))
        {
            ++p;
            ++n;
        }
        else if (star)
        {
            p = star;
            n = ++resume;
        }
        else
            return false;
    }
    while (p < pEnd && *p == '*')
        ++p;
    return p == pEnd;
}

} // namespace

bool MatchWildcard(const char* pattern, const char* name)
{
    if (!pattern || !name) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(pattern);
    const auto* n = reinterpret_cast<const unsigned char*>(name);
    const std::size_t length = std::strlen(pattern);
    if (MatchFrom(p, n, p + length)) return true;
    return length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*' &&
           MatchFrom(p, n, p + length - 2);
}

FindHandle FindFirstFile(const char* pattern, FindData* data)
{
    if (!pattern || !*pattern || !data) return nullptr;
    const std::string_view text = pattern;
    const std::size_t cut = text.find_last_of("/\\");
    const std::string dirPart(cut == std::string_view::npos ? std::string_view() : text.substr(0, cut + 1));
    const std::string namePattern(cut == std::string_view::npos ? text : text.substr(cut + 1));
    if (namePattern.empty()) return nullptr;

    auto search = std::make_unique<FileSearch>();
    if (!HasWildcard(namePattern) && namePattern != "." && namePattern != "..")
    {
        // One name: the resolver finds it without listing the directory (the
        // engine's "does this file exist" goes through here).
        const std::string real = ResolvePath(pattern);
        const std::size_t slash = real.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : real.substr(0, slash + 1);
        const std::string diskName = slash == std::string::npos ? real : real.substr(slash + 1);
        const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) return nullptr;
        FindData found;
        if (FillFindData(dirFd, diskName.c_str(), detail::DiskNameTo1251(diskName), found))
            search->m_results.push_back(found);
        ::close(dirFd);
    }
    else
    {
        const std::string dir = dirPart.empty() ? "." : ResolvePath(dirPart.c_str());
        DIR* handle = ::opendir(dir.c_str());
        if (!handle) return nullptr;
        while (const dirent* entry = ::readdir(handle))
        {
            const std::string_view diskName = entry->d_name;
            if (diskName == "." || diskName == "..") continue;
            const std::string name1251 = detail::DiskNameTo1251(diskName);
            if (name1251.find('\0') != std::string::npos ||
                !MatchWildcard(namePattern.c_str(), name1251.c_str()))
                continue;
            FindData found;
            if (FillFindData(::dirfd(handle), entry->d_name, name1251, found))
                search->m_results.push_back(found);
        }
        ::closedir(handle);
        std::sort(search->m_results.begin(), search->m_results.end(),
                  [](const FindData& a, const FindData& b)
                  {
                      const int order = CompareNoCase1251(a.name, b.name);
                      return order != 0 ? order < 0 : std::strcmp(a.name, b.name) < 0;
                  });
    }
    if (search->m_results.empty()) return nullptr;
    *data = search->m_results[0];
    search->m_nNext = 1;
    return search.release();
}

bool FindNextFile(FindHandle search, FindData* data)
{
    if (!search || !data || search->m_nNext >= search->m_results.size()) return false;
    *data = search->m_results[search->m_nNext++];
    return true;
}

void FindClose(FindHandle search)
{
    delete search;
}

} // namespace plat
