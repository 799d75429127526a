// Files and directories of the data tree.
//
// Paths inside the engine are Windows-style: "Data\DB.dat",
// "DATA\CONFIG\cfg.ini", "data\fonts\". ResolvePath turns such a path into a
// real one: '\' and '/' both separate components, and every component is
// matched against the disk without regard to case (ASCII and code page 1251
// letters). Components that do not exist are kept as written, so a path to a
// file about to be created resolves too. Relative paths are relative to the
// current directory and stay relative. Every file open of the system goes
// through here.
//
// Names: the engine's paths are code page 1251; names on the disk are UTF-8.
// A disk name is seen by the engine in its 1251 form: the name converted to
// 1251 when it is valid UTF-8 of characters that 1251 has, else its bytes as
// they are (a name written in 1251 bytes by some other tool is thus found
// too). A path component finds, in this order: the disk name equal to its
// UTF-8 conversion; the disk name equal to its bytes (a path that already is
// UTF-8, such as a current directory outside 1251); the disk name whose 1251
// form equals it without regard to case (when several do, the smallest name
// by bytes). A component found nowhere is written as its UTF-8 conversion,
// so new files and directories get UTF-8 names. "." components are dropped
// and ".." removes the component before it (a leading ".." of a relative
// path stays; "/.." is "/"). A trailing separator is kept as one '/'.
// Repeated separators count as one. Directory listings used for the
// case-insensitive match are cached per directory and re-read when the
// directory's modification time changes.
//
// Thread safety: every function may be called from any thread; a FindHandle
// belongs to one thread at a time.
#pragma once

#include "platform/Time.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace plat
{

std::string ResolvePath(const char* path);

// fopen through the resolver. Modes as stdio's ("rb", "wb", "at", ...); the
// text flag 't' is accepted and, as on every POSIX system, changes nothing:
// no CR/LF translation takes place.
std::FILE* FOpen(const char* path, const char* mode);

bool FileExists(const char* path); // a regular file
bool DirectoryExists(const char* path);
bool CreateDirectory(const char* path); // one level; true when it exists afterwards
bool DeleteFile(const char* path);      // a file, not a directory
// Files or directories. Fails when the target exists (checked atomically), as
// Windows' MoveFile. Unlike Windows it does not copy across file systems; it
// fails there.
bool MoveFile(const char* from, const char* to);
// A file put in place of another in one step (Windows' MoveFileEx with
// MOVEFILE_REPLACE_EXISTING): afterwards to is either the old file or the
// new one, never missing. Fails (nothing changed) across file systems.
bool ReplaceFile(const char* from, const char* to);
bool GetFileSize(const char* path, std::uint64_t* size);
bool GetFileTime(const char* path, FileTime* lastWrite);
bool SetFileTime(const char* path, FileTime lastWrite);

// The real current directory ('/' separators, no trailing separator), its
// components in their 1251 form as described above, so that the engine can
// put it in front of its own paths.
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const char* path);

// File search. The pattern's last component may hold '*' and '?', matched
// without regard to case; "." and ".." are not reported, nor names of 260
// bytes or more. Matches come sorted by name without regard to case (the
// order NTFS lists them in), taken when FindFirstFile is called.
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

struct FindData
{
    std::uint32_t attributes = 0;
    FileTime lastWriteTime = 0;
    std::uint64_t size = 0;
    char name[260] = {}; // the name as it is on the disk, in its 1251 form
};

class FileSearch;
using FindHandle = FileSearch*;

// Null when nothing matches.
FindHandle FindFirstFile(const char* pattern, FindData* data);
bool FindNextFile(FindHandle search, FindData* data);
void FindClose(FindHandle search);

// Wildcard match of a name ('*' any run, '?' one character), without regard
// to case in 1251. As on Windows, a pattern ending in ".*" also matches the
// name without that ending ("*.*" matches "README", "a.*" matches "a").
bool MatchWildcard(const char* pattern, const char* name);

} // namespace plat
