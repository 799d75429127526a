// Files and directories of the data tree.
//
// Paths inside the engine are Windows-style: "Data\DB.dat",
// "DATA\CONFIG\cfg.ini", "data\fonts\". ResolvePath turns such a path into a
// real one: '\' and '/' both separate components, and every component is
// matched against the disk without regard to case (ASCII and code page 1251
// letters). Components that do not exist are kept as written, so a path to a
// file about to be created resolves too. Relative paths are relative to the
// current directory. Every file open of the system goes through here.
#pragma once

#include "platform/Time.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace plat
{

std::string ResolvePath(const char* path);

// fopen through the resolver. Modes as stdio's ("rb", "wb", "at", ...).
std::FILE* FOpen(const char* path, const char* mode);

bool FileExists(const char* path);       // a regular file
bool DirectoryExists(const char* path);
bool CreateDirectory(const char* path);  // one level; true when it exists afterwards
bool DeleteFile(const char* path);
// Fails when the target exists, as Windows' MoveFile.
bool MoveFile(const char* from, const char* to);
bool GetFileSize(const char* path, std::uint64_t* size);
bool GetFileTime(const char* path, FileTime* lastWrite);
bool SetFileTime(const char* path, FileTime lastWrite);

// The real current directory ('/' separators, no trailing separator).
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const char* path);

// File search. The pattern's last component may hold '*' and '?', matched
// without regard to case; "." and ".." are not reported.
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

struct FindData
{
    std::uint32_t attributes = 0;
    FileTime lastWriteTime = 0;
    std::uint64_t size = 0;
    char name[260] = {};  // the name as it is on the disk
};

class FileSearch;
using FindHandle = FileSearch*;

// Null when nothing matches.
FindHandle FindFirstFile(const char* pattern, FindData* data);
bool FindNextFile(FindHandle search, FindData* data);
void FindClose(FindHandle search);

// Wildcard match of a name ('*', '?'), without regard to case.
bool MatchWildcard(const char* pattern, const char* name);

} // namespace plat
