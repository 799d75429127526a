// INI profile functions with the Windows semantics the engine relies on.
//
// - Sections and keys match without regard to case (code page 1251 letters
//   included); names and values have surrounding blanks (space, tab, CR)
//   removed, and a value in matching quotes (" or ') loses them. Lines whose
//   first non-blank is ';' are comments; a ';' later in a line is part of the
//   value. Lines before the first section belong to no section.
// - A key or section that occurs twice: the first occurrence is the one read
//   and written; lists name it once. Deleting a key or section removes every
//   occurrence.
// - Buffers: results are cut to fit and always terminated; the return value
//   is the number of characters copied without the terminator. Lists (section
//   names, key names, whole sections) are NUL-separated and end with a double
//   NUL; a list cut short returns size - 2 (the last entry may be cut). An
//   empty list gives two NULs (one when size is 1) and returns 0.
// - Writes change the file in place: other lines, comments, blank lines,
//   order and line ends (LF or CR LF, as the file has them; CR LF for a new
//   file) stay byte for byte. A changed key keeps the spelling the file gives
//   it; a new key goes after the last entry of its section; a new
//   section goes at the end after a blank line. A write to a missing file or
//   section creates it; a missing directory is not created. An existing file
//   is replaced through a temporary file and a rename, so a failed write
//   leaves the old file whole.
// - File contents are 1251 bytes and are not converted.
// - The file name goes through the path resolver; every name, with or
//   without a directory, is relative to the current directory (Windows would
//   look for a bare name in its own directory).
// - A file that exists but cannot be read, and a write that fails, write one
//   line to the debugger output naming the file and the reason; the reads
//   then give their defaults and the write returns false.
// - Reads and writes are serialised inside the layer. Parsed files are kept
//   in a small cache and re-read when their size, modification time or inode
//   changes on disk; the layer's own writes update the cache.
#pragma once

#include <cstdint>

namespace plat
{

// section null: the section names; key null: the key names of the section.
// A missing key gives defaultValue (null as ""), without its trailing blanks.
std::uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                      char* buffer, std::uint32_t size, const char* fileName);
// Decimal with an optional sign, or hexadecimal after "0x"; leading digits
// only ("12abc" is 12). A missing key gives the default; a value without
// digits gives 0. Values past 32 bits wrap, so "4294967295" and "-1" are both
// 0xFFFFFFFF.
std::uint32_t GetPrivateProfileInt(const char* section, const char* key, std::int32_t defaultValue,
                                   const char* fileName);
// "key=value\0key=value\0\0": every non-comment, non-blank line of the
// section, key and value trimmed (quotes kept); a line without '=' as it is,
// trimmed.
std::uint32_t GetPrivateProfileSection(const char* section, char* buffer, std::uint32_t size,
                                       const char* fileName);
std::uint32_t GetPrivateProfileSectionNames(char* buffer, std::uint32_t size, const char* fileName);
// value null deletes the key; key null deletes the section; section null
// fails. Writes "key=value" with the value as given.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* fileName);

} // namespace plat
