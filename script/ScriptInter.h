// CScriptInter: the interpreter of line-oriented text scripts.
//
// LoadScript reads a script below "SCRIPT\" into a string pool, one cleaned
// line per string: upper case, without blanks, tabs, ';' and line ends;
// lines holding "//" are dropped whole; "INCLUDE <name>" loads another file
// in place (at most kMaxIncludeDepth deep; a file that is already being
// included is refused with a log line). RunScript runs the pool from its
// start or from "PROC<name>" until END or a line holding RETURN:
//     _NAME(A,B)      call of NAME through RunFunction
//     IF(cond) {      block when cond holds; ELSE { } otherwise
//     RETURN(text)    ends the run with a result
// A condition is one operand, or two joined by '&' or '|', each perhaps
// negated by '!'; a call operand asks RunFunction, any other word CheckVar.
// The interpreter knows no function: a subclass (the mission script
// manager) implements RunFunction and CheckVar.
//
// Compiled form (SaveCompiled/LoadCompiled): u32 byte count n, then n bytes
// of the line pool's stream form (foundation/StringPool.h).
//
// Fixed fields: the condition, result and name fields keep at most 80, 82
// and 79 characters of texts that may be longer; the work is done on the
// whole texts. The caller owns the line pools. Runs must not overlap on one
// interpreter. Main thread only.
#pragma once

#include "foundation/StringPool.h"

#include <cstdint>
#include <string>
#include <vector>

class CScriptInter
{
public:
    static constexpr int kMaxIncludeDepth = 8;

    CScriptInter();
    virtual ~CScriptInter();
    CScriptInter(const CScriptInter&) = delete;
    CScriptInter& operator=(const CScriptInter&) = delete;

    // fullPath: the pool is emptied and path opened as given; otherwise the
    // file is <base>SCRIPT\<path> and its lines are appended. A null pool is
    // made. False when the file does not open.
    virtual bool LoadScript(const char* path, CStringPool** lines, bool fullPath);
    virtual bool CheckVar(const char* word);
    // Runs from the start, or from the line PROC<procedure> (or
    // PROC<procedure>()); 0 when the procedure is not there, else 1.
    virtual int RunScript(CStringPool** lines, const char* procedure);
    virtual bool RunFunction(const char* name, CStringPool* arguments);

    // -1 when the line is no call; else the sum of the name's characters
    // (signed bytes). The name and the arguments are kept.
    int GetFunction(const char* line);
    bool CallFunction(const char* line);
    bool CheckCondition(const char* line);
    bool RunBlock(CStringPool* lines);
    bool SaveCompiled(const char* fileName, CStringPool* lines);
    // False (with a log line naming the file) when missing or damaged.
    bool LoadCompiled(const char* fileName, CStringPool** lines);

    // The directory in front of "SCRIPT\" (default: the engine's).
    void SetBaseDirectory(const char* directory) { m_baseDir = directory ? directory : ""; }
    const char* GetResult() const { return m_szResult; }
    const char* GetName() const { return m_szName; }
    CStringPool* GetArguments() const { return m_pArguments; }

    char m_szCondition[81] = {};
    char m_szResult[83] = {};
    CStringPool* m_pArguments = nullptr;
    char m_szName[80] = {};
    std::int32_t m_nCurrentLine = 0;
    std::int32_t m_nDepth = 0;

private:
    bool Operand(const std::string& operand);
    bool LoadLines(const std::string& file, CStringPool* pool);

    std::string m_baseDir;
    std::vector<std::string> m_including; // files being loaded, outermost first
};
