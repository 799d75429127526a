// Text algorithms shared by CXAnsiString and CXUniString (XString.cpp and
// XUniString.cpp); not for use elsewhere. The character type picks the C
// library functions. Every function takes a buffer that may be null, and
// every allocation goes through malloc/realloc and throws std::bad_alloc.
#pragma once

#include "platform/CodePage.h"

#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <new>
#include <utility>

namespace xstring_ops
{

template <class C> struct STextOps;

template <> struct STextOps<char>
{
    static std::size_t Len(const char* s) { return std::strlen(s); }
    static const char* Chr(const char* s, char c) { return std::strchr(s, c); }
    static const char* Str(const char* s, const char* t) { return std::strstr(s, t); }
    static const char* Pbrk(const char* s, const char* set) { return std::strpbrk(s, set); }
    static std::size_t Spn(const char* s, const char* set) { return std::strspn(s, set); }
    static std::size_t CSpn(const char* s, const char* set) { return std::strcspn(s, set); }
    static int Cmp(const char* a, const char* b) { return std::strcmp(a, b); }
    static int NCmp(const char* a, const char* b, std::size_t n) { return std::strncmp(a, b, n); }
    // Case is folded in code page 1251, as the system's _stricmp did.
    static int ICmp(const char* a, const char* b) { return plat::CompareNoCase1251(a, b); }
    static int NICmp(const char* a, const char* b, std::size_t n) { return plat::CompareNoCase1251(a, b, n); }
    static int Coll(const char* a, const char* b) { return std::strcoll(a, b); }
    static bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
    static const char* Empty() { return ""; }
};

template <> struct STextOps<wchar_t>
{
    static std::size_t Len(const wchar_t* s) { return std::wcslen(s); }
    static const wchar_t* Chr(const wchar_t* s, wchar_t c) { return std::wcschr(s, c); }
    static const wchar_t* Str(const wchar_t* s, const wchar_t* t) { return std::wcsstr(s, t); }
    static const wchar_t* Pbrk(const wchar_t* s, const wchar_t* set) { return std::wcspbrk(s, set); }
    static std::size_t Spn(const wchar_t* s, const wchar_t* set) { return std::wcsspn(s, set); }
    static std::size_t CSpn(const wchar_t* s, const wchar_t* set) { return std::wcscspn(s, set); }
    static int Cmp(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }
    static int NCmp(const wchar_t* a, const wchar_t* b, std::size_t n) { return std::wcsncmp(a, b, n); }
    static int ICmp(const wchar_t* a, const wchar_t* b) { return ::wcscasecmp(a, b); }
    static int NICmp(const wchar_t* a, const wchar_t* b, std::size_t n) { return ::wcsncasecmp(a, b, n); }
    static int Coll(const wchar_t* a, const wchar_t* b) { return std::wcscoll(a, b); }
    static bool IsSpace(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }
    static const wchar_t* Empty() { return L""; }
};

template <class C> std::size_t Length(const C* text)
{
    return text ? STextOps<C>::Len(text) : 0;
}

template <class C> int IntLength(const C* text)
{
    const std::size_t length = Length(text);
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

// realloc that keeps the old block and throws when it cannot grow it.
template <class C> C* Reallocate(C* buffer, std::size_t count)
{
    if (count > SIZE_MAX / sizeof(C)) throw std::bad_alloc();
    void* grown = std::realloc(buffer, count * sizeof(C));
    if (!grown) throw std::bad_alloc();
    return static_cast<C*>(grown);
}

// Whether text points into buffer's characters (terminator included). Callers
// pass pieces of a string back into it (s = s.GetData() + 1, s += s), and the
// reallocation would otherwise pull the text out from under the copy.
template <class C> bool Inside(const C* text, const C* buffer, std::size_t length)
{
    std::less_equal<const C*> le;
    return buffer && text && le(buffer, text) && le(text, buffer + length);
}

template <class C> void FreeText(C*& buffer)
{
    std::free(buffer);
    buffer = nullptr;
}

template <class C> void AssignText(C*& buffer, const C* data, std::size_t length)
{
    if (length == 0 || !data)
    {
        FreeText(buffer);
        return;
    }
    if (Inside(data, buffer, Length(buffer)))
    {
        // A piece of our own text: move it down first, then shrink.
        std::memmove(buffer, data, length * sizeof(C));
        buffer[length] = 0;
        if (void* shrunk = std::realloc(buffer, (length + 1) * sizeof(C))) buffer = static_cast<C*>(shrunk);
        return;
    }
    buffer = Reallocate(buffer, length + 1);
    std::memcpy(buffer, data, length * sizeof(C));
    buffer[length] = 0;
}

template <class C> void AppendText(C*& buffer, const C* text, std::size_t count)
{
    if (!text || count == 0) return;
    const std::size_t length = Length(buffer);
    const bool inside = Inside(text, buffer, length);
    const std::size_t offset = inside ? static_cast<std::size_t>(text - buffer) : 0;
    buffer = Reallocate(buffer, length + count + 1);
    std::memcpy(buffer + length, inside ? buffer + offset : text, count * sizeof(C));
    buffer[length + count] = 0;
}

template <class C> C* NewText(const C* data, std::size_t length)
{
    C* buffer = Reallocate<C>(nullptr, length + 1);
    if (length) std::memcpy(buffer, data, length * sizeof(C));
    buffer[length] = 0;
    return buffer;
}

template <class C> int CountOf(const C* buffer, C ch)
{
    if (!buffer || ch == 0) return 0;
    int count = 0;
    for (const C* p = buffer; *p; ++p)
        count += *p == ch ? 1 : 0;
    return count;
}

template <class C> void EmptyText(C* buffer)
{
    if (buffer && buffer[0]) buffer[0] = 0;
}

template <class C> void ReverseText(C* buffer)
{
    if (!buffer) return;
    for (std::size_t i = 0, j = Length(buffer); i + 1 < j; ++i, --j)
        std::swap(buffer[i], buffer[j - 1]);
}

template <class C> void TrimLeftText(C*& buffer)
{
    if (!buffer || !STextOps<C>::IsSpace(buffer[0])) return;
    const C* rest = buffer;
    while (*rest && STextOps<C>::IsSpace(*rest))
        ++rest;
    C* trimmed = NewText(rest, Length(rest));
    std::free(buffer);
    buffer = trimmed;
}

template <class C> void TrimRightText(C* buffer)
{
    if (!buffer) return;
    std::size_t length = Length(buffer);
    while (length > 0 && STextOps<C>::IsSpace(buffer[length - 1]))
        --length;
    buffer[length] = 0;
}

template <class C> int FindCharFrom(const C* buffer, C ch, int start)
{
    if (start < 0) start = 0;
    if (start >= IntLength(buffer) || ch == 0) return -1;
    const C* hit = STextOps<C>::Chr(buffer + start, ch);
    return hit ? static_cast<int>(hit - buffer) : -1;
}

template <class C> int FindTextFrom(const C* buffer, const C* text, int start)
{
    if (start < 0) start = 0;
    if (!text || start >= IntLength(buffer)) return -1;
    const C* hit = STextOps<C>::Str(buffer + start, text);
    return hit ? static_cast<int>(hit - buffer) : -1;
}

template <class C> int FindAnyOf(const C* buffer, const C* set)
{
    if (!buffer || !set) return -1;
    const C* hit = STextOps<C>::Pbrk(buffer, set);
    return hit ? static_cast<int>(hit - buffer) : -1;
}

inline int Sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

template <class C> int CompareText(const C* a, const C* b, int n, bool noCase)
{
    if (!a != !b) return 1;
    if (!a) return 0;
    using Ops = STextOps<C>;
    if (n > 0)
        return Sign(noCase ? Ops::NICmp(a, b, static_cast<std::size_t>(n))
                           : Ops::NCmp(a, b, static_cast<std::size_t>(n)));
    return Sign(noCase ? Ops::ICmp(a, b) : Ops::Cmp(a, b));
}

template <class C> int CollateText(const C* a, const C* b)
{
    return a && b ? STextOps<C>::Coll(a, b) : 0;
}

template <class C> bool SameText(const C* a, const C* b)
{
    return STextOps<C>::Cmp(a ? a : STextOps<C>::Empty(), b ? b : STextOps<C>::Empty()) == 0;
}

// The character at index, or for an index outside the text the first
// character; an empty text has no character to give, so it gets a scratch one.
template <class C> C& CharAt(C* buffer, int index, bool* valid)
{
    thread_local C scratch;
    const int length = IntLength(buffer);
    *valid = index >= 0 && index < length;
    if (*valid) return buffer[index];
    if (length == 0)
    {
        scratch = 0;
        return scratch;
    }
    return buffer[0];
}

struct SRange
{
    std::size_t from = 0;
    std::size_t count = 0;
    bool whole = false;
};

inline SRange MidRange(int length, int start, int count)
{
    if (start < 0) start = 0;
    if (count < 0) count = 0;
    if (start > length) return {};
    if (count > length - start) count = length - start;
    return {static_cast<std::size_t>(start), static_cast<std::size_t>(count), start == 0 && count == length};
}

inline SRange LeftRange(int length, int count)
{
    if (count < 0) count = 0;
    if (count >= length) return {0, static_cast<std::size_t>(length), true};
    return {0, static_cast<std::size_t>(count), false};
}

inline SRange RightRange(int length, int count)
{
    if (count < 0) count = 0;
    if (count >= length) return {0, static_cast<std::size_t>(length), true};
    return {static_cast<std::size_t>(length - count), static_cast<std::size_t>(count), false};
}

// Counts the occurrences first, then builds the result in one block. The
// result is built apart from the old text, so old or new may point into it.
template <class C> int ReplaceText(C*& buffer, const C* oldText, const C* newText)
{
    using Ops = STextOps<C>;
    if (!buffer || !oldText || !oldText[0]) return 0;
    if (!newText) newText = Ops::Empty();
    const std::size_t oldLength = Ops::Len(oldText);
    const std::size_t newLength = Ops::Len(newText);
    std::size_t count = 0;
    for (const C* hit = Ops::Str(buffer, oldText); hit; hit = Ops::Str(hit + oldLength, oldText))
        ++count;
    if (count == 0) return 0;

    const std::size_t length = Ops::Len(buffer);
    const std::size_t resultLength = length - count * oldLength + count * newLength;
    C* result = Reallocate<C>(nullptr, resultLength + 1);
    C* out = result;
    const C* in = buffer;
    for (const C* hit = Ops::Str(in, oldText); hit; hit = Ops::Str(in, oldText))
    {
        const std::size_t keep = static_cast<std::size_t>(hit - in);
        std::memcpy(out, in, keep * sizeof(C));
        out += keep;
        std::memcpy(out, newText, newLength * sizeof(C));
        out += newLength;
        in = hit + oldLength;
    }
    std::memcpy(out, in, (Ops::Len(in) + 1) * sizeof(C));
    std::free(buffer);
    buffer = result;
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

// Where the first token of a text lies, and where the rest begins.
struct SToken
{
    std::size_t from = 0;
    std::size_t length = 0;
    bool restEmpty = true;
    std::size_t restFrom = 0;
};

template <class C> SToken FindToken(const C* text, const C* delimiters)
{
    using Ops = STextOps<C>;
    if (!delimiters) delimiters = Ops::Empty();
    const std::size_t length = Ops::Len(text);
    SToken token;
    token.from = Ops::Spn(text, delimiters);
    if (token.from >= length)
    {
        token.from = 0;
        return token;
    }
    token.length = Ops::CSpn(text + token.from, delimiters);
    token.restFrom = token.from + token.length;
    token.restEmpty = token.restFrom >= length;
    return token;
}

template <class C> void CopyText(const C* buffer, C* out)
{
    if (!out) return;
    const std::size_t length = Length(buffer);
    if (length) std::memcpy(out, buffer, length * sizeof(C));
    out[length] = 0;
}

inline int ToInt(std::size_t value)
{
    return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

} // namespace xstring_ops
