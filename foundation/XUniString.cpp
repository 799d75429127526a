#include "foundation/XString.h"

#include "foundation/ErrorLog.h"
#include "foundation/XStringOps.h"
#include "platform/CodePage.h"

#include <cstdlib>
#include <cwchar>
#include <memory>

using namespace xstring_ops;

CXUniString::CXUniString() : m_pwszData(NewText<wchar_t>(L"", 0)) {}

CXUniString::CXUniString(const char* text)
{
    if (!text) text = "";
    // The count includes the terminator; a text the conversion refuses
    // leaves an empty string rather than none.
    const int count = plat::MultiByteToWideChar(plat::CP_ACP, text, -1, nullptr, 0);
    if (count <= 0)
    {
        m_pwszData = NewText<wchar_t>(L"", 0);
        return;
    }
    m_pwszData = Reallocate<wchar_t>(nullptr, static_cast<std::size_t>(count));
    if (plat::MultiByteToWideChar(plat::CP_ACP, text, -1, m_pwszData, count) <= 0) m_pwszData[0] = 0;
    m_pwszData[count - 1] = 0;
}

CXUniString::CXUniString(const wchar_t* text)
{
    if (text) m_pwszData = NewText(text, std::wcslen(text));
}

CXUniString::CXUniString(const CXUniString& other)
{
    StringCopy(other.GetLength(), other.m_pwszData);
}

CXUniString::CXUniString(CXUniString&& other) noexcept : m_pwszData(std::exchange(other.m_pwszData, nullptr))
{
}

CXUniString::CXUniString(wchar_t ch, int count)
{
    if (count <= 0) return;
    m_pwszData = Reallocate<wchar_t>(nullptr, static_cast<std::size_t>(count) + 1);
    std::wmemset(m_pwszData, ch, static_cast<std::size_t>(count));
    m_pwszData[count] = 0;
}

CXUniString::~CXUniString()
{
    std::free(m_pwszData);
}

void CXUniString::StringCopy(int nSrcLen, const wchar_t* wsSrcData)
{
    XTRACE("CXUniString::StringCopy(int nSrcLen, wchar_t* wsSrcData)");
    AssignText(m_pwszData, wsSrcData, nSrcLen > 0 ? static_cast<std::size_t>(nSrcLen) : 0);
}

CXUniString& CXUniString::operator=(const wchar_t* text)
{
    if (!text)
        FreeText(m_pwszData);
    else
        StringCopy(IntLength(text), text);
    return *this;
}

CXUniString& CXUniString::operator=(const CXUniString& other)
{
    XTRACE("CXUniString::operator=(CXUniString& strSrc)");
    if (m_pwszData != other.m_pwszData) StringCopy(other.GetLength(), other.m_pwszData);
    return *this;
}

CXUniString& CXUniString::operator=(CXUniString&& other) noexcept
{
    if (this != &other)
    {
        std::free(m_pwszData);
        m_pwszData = std::exchange(other.m_pwszData, nullptr);
    }
    return *this;
}

int CXUniString::GetLength() const
{
    return IntLength(m_pwszData);
}

int CXUniString::CountChar(wchar_t ch) const
{
    return CountOf(m_pwszData, ch);
}

void CXUniString::Empty()
{
    EmptyText(m_pwszData);
}

namespace
{
// Wide case goes through the 8-bit code page: every character of code page
// 1251 is one byte there and one unit here, so the length never changes.
void ChangeCase(wchar_t* text, char* (*change)(char*))
{
    const int length = IntLength(text);
    if (length == 0) return;
    std::unique_ptr<char[]> bytes(new char[static_cast<std::size_t>(length) + 1]);
    if (plat::WideCharToMultiByte(plat::CP_ACP, text, -1, bytes.get(), length + 1) <= 0) return;
    change(bytes.get());
    plat::MultiByteToWideChar(plat::CP_ACP, bytes.get(), -1, text, length + 1);
}
} // namespace

void CXUniString::MakeUpper()
{
    ChangeCase(m_pwszData, plat::CharUpper);
}

void CXUniString::MakeLower()
{
    ChangeCase(m_pwszData, plat::CharLower);
}

CXUniString CXUniString::GetUpper() const
{
    CXUniString copy(*this);
    copy.MakeUpper();
    return copy;
}

CXUniString CXUniString::GetLower() const
{
    CXUniString copy(*this);
    copy.MakeLower();
    return copy;
}

void CXUniString::MakeReverse()
{
    ReverseText(m_pwszData);
}

void CXUniString::TrimLeft()
{
    TrimLeftText(m_pwszData);
}

void CXUniString::TrimRight()
{
    TrimRightText(m_pwszData);
}

void CXUniString::Trim()
{
    TrimLeft();
    TrimRight();
}

int CXUniString::Find(wchar_t ch, int start) const
{
    return FindCharFrom(m_pwszData, ch, start);
}

int CXUniString::Find(const wchar_t* text, int start) const
{
    return FindTextFrom(m_pwszData, text, start);
}

int CXUniString::FindOneOf(const wchar_t* set) const
{
    return FindAnyOf(m_pwszData, set);
}

int CXUniString::Compare(const wchar_t* text, int n) const
{
    return CompareText(m_pwszData, text, n, false);
}

int CXUniString::CompareNoCase(const wchar_t* text, int n) const
{
    return CompareText(m_pwszData, text, n, true);
}

int CXUniString::Collate(const wchar_t* text) const
{
    return CollateText(m_pwszData, text);
}

wchar_t& CXUniString::GetAt(int index)
{
    bool valid = false;
    return CharAt(m_pwszData, index, &valid);
}

wchar_t& CXUniString::operator[](int index)
{
    return GetAt(index);
}

wchar_t CXUniString::GetAt(int index) const
{
    return const_cast<CXUniString*>(this)->GetAt(index);
}

wchar_t CXUniString::operator[](int index) const
{
    return const_cast<CXUniString*>(this)->GetAt(index);
}

void CXUniString::SetAt(int index, wchar_t ch)
{
    if (index >= 0 && index < GetLength()) m_pwszData[index] = ch;
}

CXUniString& CXUniString::operator+=(const CXUniString& text)
{
    AppendText(m_pwszData, text.m_pwszData, Length(text.m_pwszData));
    return *this;
}

CXUniString& CXUniString::operator+=(const wchar_t* text)
{
    AppendText(m_pwszData, text, Length(text));
    return *this;
}

CXUniString& CXUniString::operator+=(wchar_t ch)
{
    AppendChar(ch);
    return *this;
}

void CXUniString::AppendChar(wchar_t ch)
{
    AppendText(m_pwszData, &ch, 1);
}

CXUniString CXUniString::Mid(int start, int count) const
{
    const SRange range = MidRange(GetLength(), start, count);
    if (range.whole) return *this;
    CXUniString result;
    result.StringCopy(ToInt(range.count), m_pwszData + range.from);
    return result;
}

CXUniString CXUniString::Mid(int start) const
{
    return Mid(start, GetLength() - (start > 0 ? start : 0));
}

CXUniString CXUniString::Left(int count) const
{
    const SRange range = LeftRange(GetLength(), count);
    if (range.whole) return *this;
    CXUniString result;
    result.StringCopy(ToInt(range.count), m_pwszData);
    return result;
}

CXUniString CXUniString::Right(int count) const
{
    const SRange range = RightRange(GetLength(), count);
    if (range.whole) return *this;
    CXUniString result;
    result.StringCopy(ToInt(range.count), m_pwszData + range.from);
    return result;
}

CXUniString CXUniString::SpanIncluding(const wchar_t* set) const
{
    if (!m_pwszData) return CXUniString();
    return Left(ToInt(std::wcsspn(m_pwszData, set ? set : L"")));
}

CXUniString CXUniString::SpanExcluding(const wchar_t* set) const
{
    if (!m_pwszData) return CXUniString();
    return Left(ToInt(std::wcscspn(m_pwszData, set ? set : L"")));
}

void CXUniString::FormatV(const wchar_t* format, va_list args)
{
    // vswprintf reports a buffer that is too small the same way as a format
    // it cannot handle (an 8-bit %s argument it cannot decode, say), so the
    // growth has to stop somewhere: past kMaxWideFormat the text is empty.
    if (format)
    {
        std::size_t size = 200;
        std::unique_ptr<wchar_t[]> buffer;
        for (; size <= static_cast<std::size_t>(kMaxWideFormat) + 200; size += 200)
        {
            buffer.reset(new wchar_t[size]);
            va_list attempt;
            va_copy(attempt, args);
            const int written = std::vswprintf(buffer.get(), size, format, attempt);
            va_end(attempt);
            if (written >= 0 && written <= kMaxWideFormat)
            {
                StringCopy(written, buffer.get());
                return;
            }
        }
    }
    FreeText(m_pwszData);
}

void CXUniString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CXUniString::FormatN(const CXUniString& format, int count, ...)
{
    va_list args;
    va_start(args, count);
    FormatV(format.m_pwszData, args);
    va_end(args);
}

void CXUniString::FormatWithString(const CXUniString& format, const CXUniString& argument)
{
    FormatN(format, 1, argument.GetText());
}

int CXUniString::Replace(wchar_t oldCh, wchar_t newCh)
{
    if (oldCh == newCh || oldCh == 0 || !m_pwszData) return 0;
    // The length is fixed first: a new character 0 cuts the text, but every
    // old character of the original text still counts.
    const std::size_t length = Length(m_pwszData);
    int count = 0;
    for (std::size_t i = 0; i < length; ++i)
    {
        if (m_pwszData[i] == oldCh)
        {
            m_pwszData[i] = newCh;
            ++count;
        }
    }
    return count;
}

int CXUniString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    return ReplaceText(m_pwszData, oldText, newText);
}

CXUniString CXUniString::Tokenize(CXUniString& source, const CXUniString& delimiters)
{
    if (source.GetLength() < 2)
    {
        source.Empty();
        return CXUniString();
    }
    const SToken token = FindToken<wchar_t>(source.m_pwszData, delimiters.m_pwszData);
    CXUniString result;
    if (token.length) result.StringCopy(ToInt(token.length), source.m_pwszData + token.from);
    if (token.restEmpty)
        source.Empty();
    else
        source.StringCopy(ToInt(source.GetLength() - token.restFrom), source.m_pwszData + token.restFrom);
    return result;
}

void CXUniString::CopyTo(wchar_t* buffer) const
{
    CopyText(m_pwszData, buffer);
}

int CXUniString::CopyToBuffer(wchar_t* buffer) const
{
    CopyText(m_pwszData, buffer);
    return GetLength();
}

CXUniString operator+(const CXUniString& left, const CXUniString& right)
{
    CXUniString result(left);
    result += right;
    return result;
}

CXUniString operator+(const CXUniString& left, const wchar_t* right)
{
    CXUniString result(left);
    result += right;
    return result;
}

CXUniString operator+(const wchar_t* left, const CXUniString& right)
{
    CXUniString result(left);
    result += right;
    return result;
}

bool operator==(const CXUniString& left, const CXUniString& right)
{
    return SameText(left.GetData(), right.GetData());
}

bool operator==(const CXUniString& left, const wchar_t* right)
{
    return SameText(left.GetData(), right);
}
