// The process-wide logger g_ErrorLog and the call-path trace.
//
// Writes "error.log" and "debug.log" in the working directory of its
// construction (any other named file there through LogToFile). Every line is
// also sent to the debugger output. An error line starts with the local time
// "%02d-%02d-%04d %02d:%02d:%02d:%03d " (day-month-year hour:minute:second:ms,
// zero-padded: "10-12-2026 08:45:19:047 "). A
// message equal to the previous one written is not written again.
//
// The trace holds "EXCEPTION:" and, for each method an exception has passed
// through, "->" and the method's qualified name, innermost first; it is at
// most 4096 characters, and on overflow it becomes "...->".
//
// A resource boundary that catches a failure and substitutes (a model, a
// texture, a complex object) declares a CTraceBoundary on entry and calls
// its Handled in the catch: the path and reason are logged, and the trace
// is cut back so that the next fatal error does not print a stale path.
//
// Thread safety: every operation takes the logger's lock (kept out of this
// header, which most files include); the loader threads log while the main
// thread does.
#pragma once

#include <cstddef>
#include <exception>

class CErrorLog
{
public:
    static constexpr std::size_t kTraceSize = 4096;
    static constexpr std::size_t kMessageSize = 4096;

    CErrorLog();
    CErrorLog(const CErrorLog&) = delete;
    CErrorLog& operator=(const CErrorLog&) = delete;

    void AppendTrace(const char* name);
    void FlushTrace();
    void ResetTrace();
    void DropLastTraceEntry();
    // The length of the trace text, and the trace cut back to such a length
    // (a longer length, or a trace that overflowed since, keeps it whole).
    std::size_t GetTraceLength() const;
    void CutTrace(std::size_t length);

    void LogError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void LogDebug(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void LogToFile(bool isError, const char* fileName, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    // A copy of the current trace text.
    void GetTrace(char* out, std::size_t size) const;

    // Points both logs at a directory (tests; the game keeps its start-up
    // one). Null: no log files at all, the lines go to the debugger output
    // alone (command-line tools, which leave nothing in the caller's folder).
    void SetDirectory(const char* directory);

private:
    void Write(const char* message, bool isError, const char* fileName);

    // The logger's recursive lock; made once and never freed, so that it
    // outlives every static object that logs at exit.
    struct SLock;
    SLock* m_pLock;
    char m_debugPath[260];
    char m_errorPath[260];
    char m_trace[kTraceSize];
    char m_lastMessage[kMessageSize];
};

extern CErrorLog g_ErrorLog;

// Appends a qualified method name to the trace when an exception leaves the
// scope, so a method needs no try/catch of its own to be traced:
//     void CFoo::Bar() { XTRACE("CFoo::Bar"); ... }
class CTraceScope
{
public:
    explicit CTraceScope(const char* name) : m_name(name), m_uncaught(std::uncaught_exceptions()) {}
    ~CTraceScope()
    {
        if (std::uncaught_exceptions() > m_uncaught)
            g_ErrorLog.AppendTrace(m_name);
    }
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

private:
    const char* m_name;
    int m_uncaught;
};

// Where a failure is caught and substituted:
//     CTraceBoundary boundary;
//     try { ... } catch (const std::exception& e) { boundary.Handled("Texture 'x.tm'", e.what()); ... }
// Handled logs "<what>: <reason> (path: <trace entries since entry>)" and
// cuts the trace back to its length at the boundary's construction.
class CTraceBoundary
{
public:
    CTraceBoundary() : m_length(g_ErrorLog.GetTraceLength()) {}
    CTraceBoundary(const CTraceBoundary&) = delete;
    CTraceBoundary& operator=(const CTraceBoundary&) = delete;

    void Handled(const char* what, const char* reason) const;

private:
    std::size_t m_length;
};

#define XTRACE_CONCAT2(a, b) a##b
#define XTRACE_CONCAT(a, b) XTRACE_CONCAT2(a, b)
#define XTRACE(name) CTraceScope XTRACE_CONCAT(traceScope_, __LINE__)(name)
