// Code page conversions and case mapping.
//
// The engine's texts are code page 1251 bytes. Wide text is wchar_t holding
// UTF-16 code units (every 1251 character lies in the Basic Multilingual
// Plane, so one unit per character).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plat
{

constexpr std::uint32_t CP_ACP = 0;  // the system code page: 1251 here
constexpr std::uint32_t CP_1251 = 1251;
constexpr std::uint32_t CP_1252 = 1252;
constexpr std::uint32_t CP_UTF8 = 65001;

// Windows-shaped conversions. srcLen -1: up to and including the terminator.
// dst null or dstLen 0: returns the length needed. Returns 0 on failure
// (unknown code page, destination too small). Characters that the target
// code page lacks become '?'.
int MultiByteToWideChar(std::uint32_t codePage, const char* src, int srcLen, wchar_t* dst, int dstLen);
int WideCharToMultiByte(std::uint32_t codePage, const wchar_t* src, int srcLen, char* dst, int dstLen);

std::wstring Cp1251ToWide(std::string_view text);
std::string WideToCp1251(std::wstring_view text);
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);

// Case mapping in code page 1251 (ASCII and Cyrillic letters).
char CharUpper1251(char c);
char CharLower1251(char c);
void CharUpperBuff(char* text, std::size_t length);
void CharLowerBuff(char* text, std::size_t length);
// NUL-terminated, in place, as CharUpperA/CharLowerA on a string.
char* CharUpper(char* text);
char* CharLower(char* text);
// Comparisons without regard to case in 1251; <0, 0, >0 like strcmp.
int CompareNoCase1251(const char* a, const char* b);
int CompareNoCase1251(const char* a, const char* b, std::size_t n);

} // namespace plat
