#include "platform/File.h"

#include "platform/CodePage.h"
#include "platform/detail/FileInternal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace plat
{
namespace detail
{

std::string DiskNameTo1251(std::string_view diskName)
{
    std::string form;
    if (TryUtf8ToCp1251(diskName, form)) return form;
    return std::string(diskName);
}

bool IsTimeStampSettled(const timespec& mtime)
{
    // Fine stamps: a clock tick is at most 10 ms. Whole-second stamps: FAT
    // rounds to two seconds.
    const std::int64_t delay = mtime.tv_nsec != 0 ? 20'000'000 : 3'000'000'000;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t age = (static_cast<std::int64_t>(now.tv_sec) - mtime.tv_sec) * 1'000'000'000 +
                             (now.tv_nsec - mtime.tv_nsec);
    return age >= delay;
}

std::string JoinPath(const std::string& dir, std::string_view name)
{
    if (dir.empty()) return std::string(name);
    std::string out = dir;
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

} // namespace detail

namespace
{

using detail::DiskNameTo1251;
using detail::JoinPath;

std::string Lower1251(std::string_view text)
{
    std::string out(text);
    CharLowerBuff(out.data(), out.size());
    return out;
}

bool NameExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Listings of directories, keyed by device and inode so that the spelling of
// the path and the current directory do not matter. A listing is trusted
// while the directory's modification time is unchanged, and only when it was
// taken after that time had settled (see IsTimeStampSettled).
class CDirectoryCache
{
public:
    // The disk name in dir whose 1251 form matches name1251 without regard
    // to case.
    bool Find(const std::string& dir, const std::string& name1251, std::string& diskName)
    {
        struct stat st;
        if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        const std::int64_t mtime =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        std::lock_guard lock(m_mutex);
        const Key key{st.st_dev, st.st_ino};
        auto it = m_listings.find(key);
        if (it == m_listings.end() || !it->second.bTrusted || it->second.nMtime != mtime)
        {
            if (m_listings.size() >= kMaxDirectories) m_listings.clear();
            SListing listing;
            if (!Read(dir, st.st_mtim, mtime, listing)) return false;
            it = m_listings.insert_or_assign(key, std::move(listing)).first;
        }
        const auto found = it->second.names.find(Lower1251(name1251));
        if (found == it->second.names.end()) return false;
        diskName = found->second;
        return true;
    }

private:
    static constexpr std::size_t kMaxDirectories = 256;

    using Key = std::pair<dev_t, ino_t>;
    struct SListing
    {
        std::int64_t nMtime = 0;
        bool bTrusted = false;
        std::unordered_map<std::string, std::string> names; // lowered 1251 form -> disk name
    };

    static bool Read(const std::string& dir, const timespec& stamp, std::int64_t mtime, SListing& listing)
    {
        DIR* handle = ::opendir(dir.empty() ? "." : dir.c_str());
        if (!handle) return false;
        listing.nMtime = mtime;
        listing.bTrusted = detail::IsTimeStampSettled(stamp);
        while (const dirent* entry = ::readdir(handle))
        {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            auto [slot, inserted] = listing.names.try_emplace(Lower1251(DiskNameTo1251(name)), name);
            // Names equal but for case (possible on Linux): keep the smallest,
            // so the choice does not depend on the directory's order.
            if (!inserted && std::string_view(slot->second) > name) slot->second = name;
        }
        ::closedir(handle);
        return true;
    }

    std::mutex m_mutex;
    std::map<Key, SListing> m_listings;
};

CDirectoryCache& DirectoryCache()
{
    // Never destroyed: the logger writes its last lines from other objects'
    // destructors at exit, after function statics like this one would be gone.
    static CDirectoryCache& cache = *new CDirectoryCache;
    return cache;
}

struct SSplitPath
{
    bool bAbsolute = false;
    bool bTrailing = false;
    std::vector<std::string> parts; // 1251, "." removed, ".." applied
};

SSplitPath SplitPath(const char* path)
{
    SSplitPath out;
    const std::string_view text = path;
    out.bAbsolute = !text.empty() && (text[0] == '/' || text[0] == '\\');
    out.bTrailing = text.size() > 1 && (text.back() == '/' || text.back() == '\\');
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..")
        {
            if (!out.parts.empty() && out.parts.back() != "..")
                out.parts.pop_back();
            else if (!out.bAbsolute)
                out.parts.emplace_back(part);
            continue;
        }
        out.parts.emplace_back(part);
    }
    return out;
}

// stat of a path through the resolver.
bool StatPath(const char* path, struct stat& st)
{
    if (!path) return false;
    const std::string real = ResolvePath(path);
    return !real.empty() && ::stat(real.c_str(), &st) == 0;
}

} // namespace

std::string ResolvePath(const char* path)
{
    if (!path || !*path) return {};
    const SSplitPath split = SplitPath(path);
    if (split.parts.empty()) return split.bAbsolute ? "/" : ".";

    // The straight conversion: most paths name existing files in the case
    // they have on the disk, and cost one system call.
    std::string straight = split.bAbsolute ? "/" : "";
    for (const std::string& part : split.parts)
        straight = JoinPath(straight, Cp1251ToUtf8(part));
    if (NameExists(straight)) return split.bTrailing ? straight + '/' : straight;

    std::string current = split.bAbsolute ? "/" : "";
    bool missing = false;
    for (const std::string& part : split.parts)
    {
        std::string name = Cp1251ToUtf8(part);
        if (!missing && part != ".." && !NameExists(JoinPath(current, name)))
        {
            if (name != part && NameExists(JoinPath(current, part)))
                name = part;
            else if (!DirectoryCache().Find(current, part, name))
                missing = true; // the rest cannot exist either: keep it as written
        }
        current = JoinPath(current, name);
    }
    return split.bTrailing ? current + '/' : current;
}

std::FILE* FOpen(const char* path, const char* mode)
{
    if (!path || !mode)
    {
        errno = EINVAL;
        return nullptr;
    }
    std::string stdioMode;
    for (const char* c = mode; *c; ++c)
        if (*c != 't') stdioMode += *c;
    const std::string real = ResolvePath(path);
    return std::fopen(real.c_str(), stdioMode.c_str());
}

bool FileExists(const char* path)
{
    struct stat st;
    return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const char* path)
{
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool CreateDirectory(const char* path)
{
    if (!path || !*path) return false;
    const std::string real = ResolvePath(path);
    if (::mkdir(real.c_str(), 0777) == 0) return true;
    struct stat st;
    return errno == EEXIST && ::stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const char* path)
{
    if (!path || !*path) return false;
    const std::string real = ResolvePath(path);
    struct stat st;
    if (::lstat(real.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(real.c_str()) == 0;
}

bool MoveFile(const char* from, const char* to)
{
    if (!from || !to || !*from || !*to) return false;
    const std::string source = ResolvePath(from);
    const std::string target = ResolvePath(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: check, then rename.
    if (NameExists(target)) return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool ReplaceFile(const char* from, const char* to)
{
    if (!from || !to || !*from || !*to) return false;
    return ::rename(ResolvePath(from).c_str(), ResolvePath(to).c_str()) == 0;
}

bool GetFileSize(const char* path, std::uint64_t* size)
{
    struct stat st;
    if (!size || !StatPath(path, st) || !S_ISREG(st.st_mode)) return false;
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool GetFileTime(const char* path, FileTime* lastWrite)
{
    struct stat st;
    if (!lastWrite || !StatPath(path, st)) return false;
    *lastWrite = UnixTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
}

bool SetFileTime(const char* path, FileTime lastWrite)
{
    if (!path || !*path) return false;
    const std::string real = ResolvePath(path);
    constexpr std::int64_t kEpochDifference = 11'644'473'600;
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT; // leave the access time alone
    times[1].tv_sec =
        static_cast<time_t>(static_cast<std::int64_t>(lastWrite / 10'000'000) - kEpochDifference);
    times[1].tv_nsec = static_cast<long>(lastWrite % 10'000'000 * 100);
    return ::utimensat(AT_FDCWD, real.c_str(), times, 0) == 0;
}

std::string GetCurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    while (!::getcwd(buffer.data(), buffer.size()))
    {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    const std::string_view real = buffer.data();
    // Component by component, so that one name outside 1251 does not keep
    // the others from their 1251 form.
    std::string out;
    std::size_t start = 0;
    while (start < real.size())
    {
        std::size_t end = real.find('/', start);
        if (end == std::string_view::npos) end = real.size();
        if (end > start) out += '/' + DiskNameTo1251(real.substr(start, end - start));
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

bool SetCurrentDirectory(const char* path)
{
    if (!path || !*path) return false;
    return ::chdir(ResolvePath(path).c_str()) == 0;
}

} // namespace plat
