// INI profile functions with the Windows semantics the engine relies on.
//
// - Sections and keys match without regard to case (code page 1251 letters
//   included); names and values have surrounding blanks removed, and a value
//   in matching quotes loses them.
// - Buffers: results are cut to fit and always terminated; the return value
//   is the number of characters copied without the terminator. Lists (section
//   names, key names, whole sections) are NUL-separated and end with a double
//   NUL; a list cut short returns size - 2.
// - Writes change the file in place: other lines, comments and order stay.
//   A write to a missing file or section creates it.
// - The file name goes through the path resolver.
// - Reads and writes are serialised inside the layer; a file is re-read when
//   it changed on disk.
#pragma once

#include <cstdint>

namespace plat
{

// section null: the section names; key null: the key names of the section.
std::uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                      char* buffer, std::uint32_t size, const char* fileName);
// Decimal with an optional sign, or hexadecimal after "0x"; leading digits
// only ("12abc" is 12). A missing key gives the default; a value without
// digits gives 0.
std::uint32_t GetPrivateProfileInt(const char* section, const char* key, std::int32_t defaultValue,
                                   const char* fileName);
// "key=value\0key=value\0\0"
std::uint32_t GetPrivateProfileSection(const char* section, char* buffer, std::uint32_t size,
                                       const char* fileName);
std::uint32_t GetPrivateProfileSectionNames(char* buffer, std::uint32_t size, const char* fileName);
// value null deletes the key; key null deletes the section.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* fileName);

} // namespace plat
