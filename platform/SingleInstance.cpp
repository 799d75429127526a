// Windows findable from other processes by class: one lock file and one
// Unix-domain socket per class in the user's runtime directory.
//
// The lock file says whether an owner lives: its owner holds an flock on it
// for as long as it runs, and the kernel drops the lock when the process
// dies, so files left by a crash are recognised (the lock can be taken) and
// removed. The socket carries one-byte requests from the other process:
//   'I' is the window minimised?  answer '1' or '0'
//   'R' restore the window        no answer
//   'F' raise the window          no answer
// The owner reads them without blocking from PeekMessage on the window's
// thread and carries them out there, where SDL may be called.
#include "platform/detail/WindowObject.h"

#include "platform/CodePage.h"
#include "platform/Thread.h"
#include "platform/Time.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace plat
{
namespace
{

constexpr int kReplyTimeoutMs = 1000;
// A connection that has sent nothing within this time is closed.
constexpr std::uint32_t kRequestLifetimeMs = 2000;
constexpr int kPublishAttempts = 3;

constexpr char kAskIconic = 'I';
constexpr char kRestore = 'R';
constexpr char kRaise = 'F';

struct SPublished
{
    Window* hwnd = nullptr;
    std::string className;
    std::string lockPath;
    std::string socketPath;
    int lockFd = -1;
    int listenFd = -1;
    pid_t pid = 0;
};

struct SPending
{
    int fd = -1;
    Window* hwnd = nullptr;
    std::uint32_t since = 0;
};

struct SInstanceState
{
    std::mutex mutex;
    std::vector<SPublished> published;
    std::vector<SPending> pending;
    bool atExitSet = false;
};

SInstanceState& State()
{
    static auto* state = new SInstanceState;
    return *state;
}

std::atomic<int> g_iRestoreRequests{0};
std::atomic<int> g_iRaiseRequests{0};

std::string FoldName(const std::string& name)
{
    std::string key(name);
    for (char& c : key)
        c = CharLower1251(c);
    return key;
}

// $XDG_RUNTIME_DIR, or a private directory below /tmp that we made and
// nobody else can enter; empty when neither can be had.
std::string RuntimeDir()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/') return xdg;
    const uid_t uid = getuid();
    const std::string dir = "/tmp/tarvox-" + std::to_string(uid);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat info
    {
    };
    // Someone else's directory, or a link planted there, would let another
    // user answer for our window.
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid ||
        (info.st_mode & 077) != 0)
    {
        detail::LogWindowError("single instance: unsafe directory", dir.c_str(), true);
        return {};
    }
    return dir;
}

// Class names may hold any byte; file names get letters, digits, '-' and
// '_', everything else as %XX, so that names differing only in case (the
// same class on Windows) share their files.
std::string FileStem(const char* className)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string stem = "tarvox-";
    for (char c : FoldName(className))
    {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_')
            stem += c;
        else
        {
            stem += '%';
            stem += kHex[u >> 4];
            stem += kHex[u & 15];
        }
    }
    return stem;
}

std::string PathFor(const char* className, const char* suffix)
{
    if (!className || !*className) return {};
    const std::string dir = RuntimeDir();
    if (dir.empty()) return {};
    return dir + "/" + FileStem(className) + suffix;
}

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool SameFile(int fd, const std::string& path)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Takes the class's lock file for this process; -1 when a live owner holds it.
int TakeLock(const std::string& lockPath)
{
    for (int attempt = 0; attempt < kPublishAttempts; ++attempt)
    {
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            close(fd);
            // Another process may be removing stale files right now.
            Sleep(10);
            continue;
        }
        // The file may have been removed as stale between open and flock;
        // a lock on a removed file would make nobody findable.
        if (SameFile(fd, lockPath)) return fd;
        close(fd);
    }
    return -1;
}

// Removes the class's files while still holding the lock, so that no finder
// sees a lock file without its owner.
void Close(SPublished& entry)
{
    if (entry.listenFd >= 0) close(entry.listenFd);
    if (entry.pid == getpid())
    {
        unlink(entry.socketPath.c_str());
        unlink(entry.lockPath.c_str());
    }
    if (entry.lockFd >= 0) close(entry.lockFd);
    entry.listenFd = entry.lockFd = -1;
}

void WithdrawAtExit()
{
    detail::WithdrawAllInstances();
}

int Connect(Window* proxy)
{
    sockaddr_un address{};
    if (!FillAddress(PathFor(proxy->m_strClassName.c_str(), ".sock"), address)) return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendRequest(Window* proxy, char request, char* answer)
{
    const int fd = Connect(proxy);
    if (fd < 0) return false;
    bool ok = send(fd, &request, 1, MSG_NOSIGNAL) == 1;
    if (ok && answer)
    {
        pollfd waitFor{fd, POLLIN, 0};
        ok = poll(&waitFor, 1, kReplyTimeoutMs) == 1 && recv(fd, answer, 1, 0) == 1;
    }
    close(fd);
    return ok;
}

bool FromOurUser(int fd)
{
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == getuid();
}

struct SRequest
{
    int fd;
    Window* hwnd;
    char request;
};

} // namespace

namespace detail
{

int GetRestoreRequestCount()
{
    return g_iRestoreRequests.load();
}

int GetRaiseRequestCount()
{
    return g_iRaiseRequests.load();
}

std::string GetInstanceLockPath(const char* className)
{
    return PathFor(className, ".lock");
}

std::string GetInstanceSocketPath(const char* className)
{
    return PathFor(className, ".sock");
}

void PublishInstance(Window* hwnd)
{
    auto& state = State();
    std::lock_guard lock(state.mutex);
    const std::string key = FoldName(hwnd->m_strClassName);
    for (const SPublished& entry : state.published)
        if (FoldName(entry.className) == key && entry.pid == getpid())
            return; // an earlier window of the class answers already

    SPublished entry;
    entry.hwnd = hwnd;
    entry.className = hwnd->m_strClassName;
    entry.pid = getpid();
    entry.lockPath = PathFor(entry.className.c_str(), ".lock");
    entry.socketPath = PathFor(entry.className.c_str(), ".sock");
    sockaddr_un address{};
    if (entry.lockPath.empty() || !FillAddress(entry.socketPath, address))
    {
        LogWindowError("single instance: no usable path for the window class", entry.socketPath.c_str(),
                       true);
        return;
    }
    entry.lockFd = TakeLock(entry.lockPath);
    if (entry.lockFd < 0)
    {
        LogWindowError("single instance: another process owns the window class", entry.className.c_str());
        return;
    }
    unlink(entry.socketPath.c_str()); // left by an owner that died
    entry.listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (entry.listenFd < 0 ||
        bind(entry.listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(entry.listenFd, 8) != 0)
    {
        LogWindowError("single instance: cannot listen", std::strerror(errno));
        Close(entry);
        return;
    }
    if (!state.atExitSet)
    {
        // Files left behind would be found stale and removed anyway; this
        // just keeps the runtime directory tidy on a normal exit.
        std::atexit(WithdrawAtExit);
        state.atExitSet = true;
    }
    state.published.push_back(std::move(entry));
}

void WithdrawInstance(Window* hwnd)
{
    auto& state = State();
    std::lock_guard lock(state.mutex);
    for (auto it = state.published.begin(); it != state.published.end(); ++it)
        if (it->hwnd == hwnd)
        {
            Close(*it);
            state.published.erase(it);
            break;
        }
    std::erase_if(state.pending,
                  [hwnd](const SPending& p)
                  {
                      if (p.hwnd != hwnd) return false;
                      close(p.fd);
                      return true;
                  });
}

void WithdrawAllInstances()
{
    auto& state = State();
    std::lock_guard lock(state.mutex);
    for (SPublished& entry : state.published)
        Close(entry);
    state.published.clear();
    for (const SPending& p : state.pending)
        close(p.fd);
    state.pending.clear();
}

bool PollInstanceRequests()
{
    auto& state = State();
    std::vector<SRequest> requests;
    bool listening = false;
    {
        std::lock_guard lock(state.mutex);
        if (state.published.empty() && state.pending.empty()) return false;
        const std::uint32_t thread = GetCurrentThreadId();
        const pid_t pid = getpid();
        const std::uint32_t now = GetTickCount();
        for (const SPublished& entry : state.published)
        {
            if (entry.pid != pid || entry.hwnd->m_uOwnerThread != thread) continue;
            listening = true;
            for (;;)
            {
                const int fd = accept4(entry.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) break;
                if (!FromOurUser(fd))
                {
                    close(fd);
                    continue;
                }
                state.pending.push_back(SPending{fd, entry.hwnd, now});
            }
        }
        std::erase_if(state.pending,
                      [&](const SPending& p)
                      {
                          if (p.hwnd->m_uOwnerThread != thread) return false;
                          char request = 0;
                          const ssize_t got = recv(p.fd, &request, 1, MSG_DONTWAIT);
                          if (got == 1)
                          {
                              requests.push_back(SRequest{p.fd, p.hwnd, request});
                              return true;
                          }
                          const bool waiting = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
                          if (waiting && now - p.since < kRequestLifetimeMs) return false;
                          close(p.fd);
                          return true;
                      });
    }
    // Carried out without the lock: ShowWindow and friends may come back here.
    for (const SRequest& r : requests)
    {
        if (LiveWindow(r.hwnd))
        {
            switch (r.request)
            {
            case kAskIconic:
            {
                const char answer = IsIconic(r.hwnd) ? '1' : '0';
                send(r.fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                break;
            }
            case kRestore:
                ShowWindow(r.hwnd, SW_RESTORE);
                ++g_iRestoreRequests;
                break;
            case kRaise:
                SetForegroundWindow(r.hwnd);
                ++g_iRaiseRequests;
                break;
            default:
                break;
            }
        }
        close(r.fd);
    }
    return listening;
}

Window* FindForeignInstance(const char* className)
{
    const std::string lockPath = PathFor(className, ".lock");
    if (lockPath.empty()) return nullptr;
    const int fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        const int error = errno;
        close(fd);
        // Held: the owner lives (it may be too busy to answer yet, but a
        // second copy must not start beside it).
        return error == EWOULDBLOCK ? AddProxyWindow(className) : nullptr;
    }
    // Nobody holds it: the owner died. Its files go, under our lock, unless
    // a new owner replaced the file meanwhile.
    if (SameFile(fd, lockPath))
    {
        unlink(PathFor(className, ".sock").c_str());
        unlink(lockPath.c_str());
    }
    close(fd);
    return nullptr;
}

bool ProxyIsIconic(Window* proxy)
{
    char answer = 0;
    return SendRequest(proxy, kAskIconic, &answer) && answer == '1';
}

bool ProxyRestore(Window* proxy)
{
    return SendRequest(proxy, kRestore, nullptr);
}

bool ProxyRaise(Window* proxy)
{
    return SendRequest(proxy, kRaise, nullptr);
}

} // namespace detail
} // namespace plat
