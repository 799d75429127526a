// Code page conversions and case mapping.
//
// The engine's texts are code page 1251 bytes. Wide text is wchar_t holding
// UTF-16 code units (every 1251 character lies in the Basic Multilingual
// Plane, so one unit per character; text from UTF-8 beyond the BMP becomes a
// surrogate pair).
//
// Byte 0x98 has no character in code page 1251 (nor do 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D in 1252): such bytes become U+FFFD, the replacement
// character, and U+FFFD converts back to '?'. Invalid UTF-8 becomes one
// U+FFFD per maximal bad subsequence.
//
// Thread safety: every function is pure or works on the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat
{

constexpr std::uint32_t CP_ACP = 0; // the system code page: 1251 here
constexpr std::uint32_t CP_1251 = 1251;
constexpr std::uint32_t CP_1252 = 1252;
constexpr std::uint32_t CP_UTF8 = 65001;

// Windows-shaped conversions. srcLen -1: up to and including the terminator.
// dst null or dstLen 0: returns the length needed. Returns 0 on failure
// (unknown code page, null source, srcLen 0, destination too small; nothing
// is written then). Characters that the target code page lacks become '?'.
int MultiByteToWideChar(std::uint32_t codePage, const char* src, int srcLen, wchar_t* dst, int dstLen);
int WideCharToMultiByte(std::uint32_t codePage, const wchar_t* src, int srcLen, char* dst, int dstLen);

std::wstring Cp1251ToWide(std::string_view text);
std::string WideToCp1251(std::wstring_view text);
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);
// True (and out set) when text is valid UTF-8 whose every character exists in
// code page 1251; out is left unchanged otherwise. Used to tell file names
// that can be shown to the engine from those that cannot.
bool TryUtf8ToCp1251(std::string_view text, std::string& out);

// Case mapping in code page 1251: ASCII, Cyrillic А-Я/а-я, Ё/ё and the other
// Cyrillic letters of the code page (Ђ/ђ, Ѓ/ѓ, Љ/љ, Њ/њ, Ќ/ќ, Ћ/ћ, Џ/џ, Ў/ў,
// Ј/ј, Ґ/ґ, Є/є, Ї/ї, І/і, Ѕ/ѕ). Other bytes are left as they are.
char CharUpper1251(char c);
char CharLower1251(char c);
void CharUpperBuff(char* text, std::size_t length);
void CharLowerBuff(char* text, std::size_t length);
// NUL-terminated, in place, as CharUpperA/CharLowerA on a string.
char* CharUpper(char* text);
char* CharLower(char* text);
// Comparisons without regard to case in 1251 (both sides lowered, then
// compared as unsigned bytes); <0, 0, >0 like strcmp.
int CompareNoCase1251(const char* a, const char* b);
int CompareNoCase1251(const char* a, const char* b, std::size_t n);

} // namespace plat
