#include "foundation/XString.h"

#include "foundation/ErrorLog.h"
#include "foundation/XStringOps.h"
#include "platform/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace xstring_ops;

namespace
{
thread_local char t_formatBuffer[CXAnsiString::kFormatBufferSize];
} // namespace

CXAnsiString::CXAnsiString(const char* text)
{
    if (text) m_pszData = NewText(text, std::strlen(text));
}

CXAnsiString::CXAnsiString(const CXAnsiString& other)
{
    AssignText(m_pszData, other.m_pszData, Length(other.m_pszData));
}

CXAnsiString::CXAnsiString(CXAnsiString&& other) noexcept : m_pszData(std::exchange(other.m_pszData, nullptr))
{
}

CXAnsiString::CXAnsiString(char ch, int count)
{
    if (count <= 0) return;
    m_pszData = Reallocate<char>(nullptr, static_cast<std::size_t>(count) + 1);
    std::memset(m_pszData, ch, static_cast<std::size_t>(count));
    m_pszData[count] = 0;
}

CXAnsiString::~CXAnsiString()
{
    std::free(m_pszData);
}

void CXAnsiString::SetData(int len, const char* data)
{
    AssignText(m_pszData, data, len > 0 ? static_cast<std::size_t>(len) : 0);
}

CXAnsiString& CXAnsiString::operator=(const char* text)
{
    if (!text)
        FreeText(m_pszData);
    else
        AssignText(m_pszData, text, std::strlen(text));
    return *this;
}

CXAnsiString& CXAnsiString::operator=(const CXAnsiString& other)
{
    if (m_pszData != other.m_pszData) AssignText(m_pszData, other.m_pszData, Length(other.m_pszData));
    return *this;
}

CXAnsiString& CXAnsiString::operator=(CXAnsiString&& other) noexcept
{
    if (this != &other)
    {
        std::free(m_pszData);
        m_pszData = std::exchange(other.m_pszData, nullptr);
    }
    return *this;
}

int CXAnsiString::GetLength() const
{
    return IntLength(m_pszData);
}

int CXAnsiString::CountChar(char ch) const
{
    return CountOf(m_pszData, ch);
}

void CXAnsiString::Empty()
{
    EmptyText(m_pszData);
}

void CXAnsiString::MakeUpper()
{
    if (m_pszData) plat::CharUpper(m_pszData);
}

void CXAnsiString::MakeLower()
{
    if (m_pszData) plat::CharLower(m_pszData);
}

CXAnsiString CXAnsiString::GetUpper() const
{
    CXAnsiString copy(*this);
    copy.MakeUpper();
    return copy;
}

CXAnsiString CXAnsiString::GetLower() const
{
    CXAnsiString copy(*this);
    copy.MakeLower();
    return copy;
}

void CXAnsiString::MakeReverse()
{
    ReverseText(m_pszData);
}

void CXAnsiString::TrimLeft()
{
    TrimLeftText(m_pszData);
}

void CXAnsiString::TrimRight()
{
    TrimRightText(m_pszData);
}

void CXAnsiString::Trim()
{
    TrimLeft();
    TrimRight();
}

int CXAnsiString::Find(char ch, int start) const
{
    return FindCharFrom(m_pszData, ch, start);
}

int CXAnsiString::Find(const char* text, int start) const
{
    return FindTextFrom(m_pszData, text, start);
}

int CXAnsiString::FindOneOf(const char* set) const
{
    return FindAnyOf(m_pszData, set);
}

int CXAnsiString::Compare(const char* text, int n) const
{
    return CompareText(m_pszData, text, n, false);
}

int CXAnsiString::CompareNoCase(const char* text, int n) const
{
    return CompareText(m_pszData, text, n, true);
}

int CXAnsiString::Collate(const char* text) const
{
    return CollateText(m_pszData, text);
}

char& CXAnsiString::GetAt(int index)
{
    bool valid = false;
    char& ch = CharAt(m_pszData, index, &valid);
    if (!valid) g_ErrorLog.LogError("CXAnsiString::GetAt invalid index");
    return ch;
}

char& CXAnsiString::operator[](int index)
{
    bool valid = false;
    char& ch = CharAt(m_pszData, index, &valid);
    if (!valid) g_ErrorLog.LogError("CXAnsiString::[] invalid index");
    return ch;
}

char CXAnsiString::GetAt(int index) const
{
    return const_cast<CXAnsiString*>(this)->GetAt(index);
}

char CXAnsiString::operator[](int index) const
{
    return (*const_cast<CXAnsiString*>(this))[index];
}

void CXAnsiString::SetAt(int index, char ch)
{
    if (index >= 0 && index < GetLength()) m_pszData[index] = ch;
}

CXAnsiString& CXAnsiString::operator+=(const CXAnsiString& text)
{
    AppendText(m_pszData, text.m_pszData, Length(text.m_pszData));
    return *this;
}

CXAnsiString& CXAnsiString::operator+=(const char* text)
{
    AppendText(m_pszData, text, Length(text));
    return *this;
}

CXAnsiString& CXAnsiString::operator+=(char ch)
{
    AppendChar(ch);
    return *this;
}

void CXAnsiString::AppendChar(char ch)
{
    AppendText(m_pszData, &ch, 1);
}

CXAnsiString CXAnsiString::Mid(int start, int count) const
{
    const SRange range = MidRange(GetLength(), start, count);
    if (range.whole) return *this;
    CXAnsiString result;
    result.SetData(ToInt(range.count), m_pszData + range.from);
    return result;
}

CXAnsiString CXAnsiString::Mid(int start) const
{
    return Mid(start, GetLength() - (start > 0 ? start : 0));
}

CXAnsiString CXAnsiString::Left(int count) const
{
    const SRange range = LeftRange(GetLength(), count);
    if (range.whole) return *this;
    CXAnsiString result;
    result.SetData(ToInt(range.count), m_pszData);
    return result;
}

CXAnsiString CXAnsiString::Right(int count) const
{
    const SRange range = RightRange(GetLength(), count);
    if (range.whole) return *this;
    CXAnsiString result;
    result.SetData(ToInt(range.count), m_pszData + range.from);
    return result;
}

CXAnsiString CXAnsiString::SpanIncluding(const char* set) const
{
    if (!m_pszData) return CXAnsiString("");
    return Left(ToInt(std::strspn(m_pszData, set ? set : "")));
}

CXAnsiString CXAnsiString::SpanExcluding(const char* set) const
{
    if (!m_pszData) return CXAnsiString("");
    return Left(ToInt(std::strcspn(m_pszData, set ? set : "")));
}

char* CXAnsiString::GetFormatBuffer()
{
    return t_formatBuffer;
}

void CXAnsiString::FormatV(const char* format, va_list args)
{
    // vsnprintf cuts a longer text at the buffer's end; a negative result
    // means the C library could not format it at all.
    if (!format || std::vsnprintf(t_formatBuffer, sizeof(t_formatBuffer), format, args) < 0)
    {
        FreeText(m_pszData);
        return;
    }
    *this = t_formatBuffer;
}

void CXAnsiString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CXAnsiString::FormatN(const CXAnsiString& format, int count, ...)
{
    va_list args;
    va_start(args, count);
    FormatV(format.m_pszData, args);
    va_end(args);
}

void CXAnsiString::FormatWithString(const CXAnsiString& format, const CXAnsiString& argument)
{
    FormatN(format, 1, argument.GetText());
}

int CXAnsiString::Replace(const char* oldText, const char* newText)
{
    return ReplaceText(m_pszData, oldText, newText);
}

CXAnsiString CXAnsiString::Tokenize(CXAnsiString& source, const CXAnsiString& delimiters)
{
    if (source.GetLength() < 2)
    {
        source.Empty();
        return CXAnsiString();
    }
    const SToken token = FindToken<char>(source.m_pszData, delimiters.m_pszData);
    CXAnsiString result;
    result.SetData(ToInt(token.length), source.m_pszData + token.from);
    if (token.restEmpty)
        source.Empty();
    else
        source.SetData(ToInt(source.GetLength() - token.restFrom), source.m_pszData + token.restFrom);
    return result;
}

void CXAnsiString::CopyTo(char* buffer) const
{
    CopyText(m_pszData, buffer);
}

int CXAnsiString::CopyToBuffer(char* buffer) const
{
    CopyText(m_pszData, buffer);
    return GetLength();
}

CXAnsiString operator+(const CXAnsiString& left, const CXAnsiString& right)
{
    CXAnsiString result(left);
    result += right;
    return result;
}

CXAnsiString operator+(const CXAnsiString& left, const char* right)
{
    CXAnsiString result(left);
    result += right;
    return result;
}

CXAnsiString operator+(const char* left, const CXAnsiString& right)
{
    CXAnsiString result(left);
    result += right;
    return result;
}

bool operator==(const CXAnsiString& left, const CXAnsiString& right)
{
    return SameText(left.GetData(), right.GetData());
}

bool StringEqualsText(const CXAnsiString& string, const char* text)
{
    return SameText(string.GetData(), text);
}

// ---------------------------------------------------------------------------
// Byte rectangles

// Each row's address is worked out from the base, so a negative pitch never
// steps the pointer outside the rectangle after the last row.
void CopyRows(void* dst, const void* src, int rowBytes, int dstPitch, int srcPitch, int rows)
{
    if (!dst || !src || rowBytes <= 0 || rows <= 0) return;
    auto* out = static_cast<unsigned char*>(dst);
    auto* in = static_cast<const unsigned char*>(src);
    for (std::ptrdiff_t row = 0; row < rows; ++row)
        std::memcpy(out + row * dstPitch, in + row * srcPitch, static_cast<std::size_t>(rowBytes));
}

void ClearRows(void* dst, int rowBytes, int pitch, int rows)
{
    if (!dst || rowBytes <= 0 || rows <= 0) return;
    auto* out = static_cast<unsigned char*>(dst);
    for (std::ptrdiff_t row = 0; row < rows; ++row)
        std::memset(out + row * pitch, 0, static_cast<std::size_t>(rowBytes));
}
