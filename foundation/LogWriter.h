// CLogWriter: a tab-separated text file of id and value pairs in which each
// id occurs once, across runs. The texture manager keeps
// "TextureManager_Log.txt" with it; any DefaultManager may own one.
//
// File: one line per id: the id, a tab, the value (the word NULL when none
// was given), a newline. Init reads the ids of the lines already there (the
// id is the text before the first tab) and then appends; WriteToLog writes
// only ids not yet in the file. Ids holding a tab or a line break cannot be
// read back and are refused.
//
// Thread safety: none; the owning manager serialises its calls.
#pragma once

#include "foundation/StringPool.h"
#include "platform/Types.h"

#include <cstdio>

class CLogWriter
{
public:
    CLogWriter();
    ~CLogWriter();
    CLogWriter(const CLogWriter&) = delete;
    CLogWriter& operator=(const CLogWriter&) = delete;

    // Opens the log for appending, creating it when missing; 0 or E_FAIL.
    plat::HResult Init(const char* path);
    // E_FAIL for a null id or one already known; otherwise remembers it.
    plat::HResult RememberID(const char* id);
    // E_FAIL without an open file or id, or for an id already written;
    // otherwise writes the line and returns 0.
    plat::HResult WriteToLog(const char* id, const char* value);
    // Closes the file and frees the pool.
    void Close();

    std::FILE* m_pFile = nullptr;
    CStringPool m_Ids;
};
