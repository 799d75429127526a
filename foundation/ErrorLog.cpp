#include "foundation/ErrorLog.h"

#include "platform/Debug.h"
#include "platform/File.h"
#include "platform/Time.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

struct CErrorLog::SLock
{
    std::recursive_mutex mutex;
};

CErrorLog g_ErrorLog;

namespace
{
constexpr char kTraceStart[] = "EXCEPTION:";
constexpr char kTraceOverflow[] = "...->";

void CopyCut(char* dst, std::size_t size, const char* src)
{
    std::snprintf(dst, size, "%s", src);
}

// The engine joins the working directory, which the platform gives with
// '/', to its own data paths, written with '\' ("/home/x/game\Data\a.tm").
// A message shows such a path with '/' throughout: a word that starts with
// '/' and holds a '\' has its '\' turned, unless it holds an escaped byte
// ("\xNN", bytes of a file quoted by EscapeForLog), which is left whole.
void OneSeparator(std::string& text)
{
    static const char kBreaks[] = " \t\n\"'()<>,;=";
    for (std::size_t begin = 0; begin < text.size();)
    {
        const std::size_t end = std::min(text.find_first_of(kBreaks, begin), text.size());
        if (end > begin && text[begin] == '/')
        {
            bool escaped = false;
            for (std::size_t i = begin; i + 3 < end && !escaped; ++i)
                escaped = text[i] == '\\' && text[i + 1] == 'x' &&
                          std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                          std::isxdigit(static_cast<unsigned char>(text[i + 3]));
            if (!escaped) std::replace(text.begin() + long(begin), text.begin() + long(end), '\\', '/');
        }
        begin = end + 1;
    }
}

// Formats into a heap buffer of the logger's message size; longer messages
// are cut there, and a format that fails leaves the format text itself.
std::string FormatMessage(const char* format, va_list args)
{
    std::string text(CErrorLog::kMessageSize, '\0');
    const int n = std::vsnprintf(text.data(), text.size(), format, args);
    if (n < 0)
        return format;
    OneSeparator(text);
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(n), text.size() - 1));
    return text;
}
} // namespace

CErrorLog::CErrorLog() : m_pLock(new SLock)
{
    m_debugPath[0] = '\0';
    m_errorPath[0] = '\0';
    m_lastMessage[0] = '\0';
    CopyCut(m_trace, sizeof(m_trace), kTraceStart);
    SetDirectory(plat::GetCurrentDirectory().c_str());
}

void CErrorLog::SetDirectory(const char* directory)
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    m_errorPath[0] = m_debugPath[0] = '\0';
    if (directory)
    {
        std::snprintf(m_errorPath, sizeof(m_errorPath), "%s\\error.log", directory);
        std::snprintf(m_debugPath, sizeof(m_debugPath), "%s\\debug.log", directory);
    }
    m_lastMessage[0] = '\0';
}

void CErrorLog::AppendTrace(const char* name)
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    const std::size_t length = std::strlen(m_trace);
    const std::size_t nameLength = std::strlen(name);
    if (length + 2 + nameLength + 1 > kTraceSize)
    {
        CopyCut(m_trace, sizeof(m_trace), kTraceOverflow);
        return;
    }
    if (length > 0)
        std::strcat(m_trace, "->");
    std::strcat(m_trace, name);
}

void CErrorLog::FlushTrace()
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    // A failure that passed no traced method leaves the bare start: the
    // caller has logged its reason already, and "EXCEPTION:" alone says
    // nothing.
    if (std::strcmp(m_trace, kTraceStart) != 0) Write(m_trace, true, nullptr);
    CopyCut(m_trace, sizeof(m_trace), kTraceStart);
}

void CErrorLog::ResetTrace()
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    CopyCut(m_trace, sizeof(m_trace), kTraceStart);
}

void CErrorLog::DropLastTraceEntry()
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    if (char* dash = std::strrchr(m_trace, '-'))
        *dash = '\0';
}

std::size_t CErrorLog::GetTraceLength() const
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    return std::strlen(m_trace);
}

void CErrorLog::CutTrace(std::size_t length)
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    // An overflow since the mark replaced the text: nothing to cut back to.
    if (length < std::strlen(m_trace) && std::strncmp(m_trace, kTraceStart, sizeof(kTraceStart) - 1) == 0)
        m_trace[length] = '\0';
}

void CTraceBoundary::Handled(const char* what, const char* reason) const
{
    char trace[CErrorLog::kTraceSize];
    g_ErrorLog.GetTrace(trace, sizeof trace);
    const std::size_t length = std::strlen(trace);
    const char* path = m_length < length ? trace + m_length : "";
    // The entries start with "->"; the path reads better without the first.
    if (std::strncmp(path, "->", 2) == 0) path += 2;
    if (*path)
        g_ErrorLog.LogError("%s: %s (path: %s)", what, reason ? reason : "unknown error", path);
    else
        g_ErrorLog.LogError("%s: %s", what, reason ? reason : "unknown error");
    g_ErrorLog.CutTrace(m_length);
}

void CErrorLog::GetTrace(char* out, std::size_t size) const
{
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    CopyCut(out, size, m_trace);
}

void CErrorLog::LogError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    Write(text.c_str(), true, nullptr);
}

void CErrorLog::LogDebug(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    Write(text.c_str(), false, nullptr);
    m_lastMessage[0] = '\0';
}

void CErrorLog::LogToFile(bool isError, const char* fileName, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatMessage(format, args);
    va_end(args);
    std::lock_guard<std::recursive_mutex> guard(m_pLock->mutex);
    Write(text.c_str(), isError, fileName);
    m_lastMessage[0] = '\0';
}

void CErrorLog::Write(const char* message, bool isError, const char* fileName)
{
    if (std::strcmp(message, m_lastMessage) == 0)
        return;
    CopyCut(m_lastMessage, sizeof(m_lastMessage), message);

    std::string path;
    if (fileName)
    {
        path = plat::GetCurrentDirectory() + "\\" + fileName;
    }
    else
    {
        std::string line = std::string(message) + "\n";
        plat::OutputDebugString(line.c_str());
        path = isError ? m_errorPath : m_debugPath;
        if (path.empty()) return; // no log files: the debugger output only
    }

    std::FILE* file = plat::FOpen(path.c_str(), "at");
    if (!file)
        return;
    if (isError)
    {
        plat::SystemTime t;
        plat::GetLocalTime(&t);
        // Each field keeps its width (2-2-4 2:2:2:3), zero-padded, so that a
        // time reads "08:45:19:047" rather than " 8:45:19: 47".
        std::fprintf(file, "%02d-%02d-%04d %02d:%02d:%02d:%03d ", t.day, t.month, t.year, t.hour, t.minute,
                     t.second, t.milliseconds);
    }
    std::fputs(message, file);
    std::fputs("\n", file);
    std::fclose(file);
}
