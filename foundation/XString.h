// Heap strings: CXAnsiString (8-bit, code page 1251 text) and CXUniString
// (wide, wchar_t holding UTF-16 code units), plus the byte-rectangle helpers
// CopyRows and ClearRows used by image and height-grid code.
//
// Ownership: each string owns one NUL-terminated buffer from malloc/realloc,
// or no buffer at all. A null buffer reads as the empty string for length and
// emptiness, but Compare tells the two apart: an empty buffer against a null
// one compares as 1, two null buffers or two empty buffers as 0. Text and
// string equality (operator==) does not tell them apart.
//
// Defaults: a default CXAnsiString has no buffer; a default CXUniString holds
// just the terminator. Copying an empty string gives no buffer.
//
// Indices: GetAt and operator[] outside 0..length-1 give the first character
// (CXAnsiString also writes "CXAnsiString::GetAt invalid index" or
// "CXAnsiString::[] invalid index" to the error log). On an empty string they
// give a per-thread scratch character, so a write through the result can
// neither touch a null pointer nor overwrite the terminator. SetAt outside the
// range changes nothing. Negative start indices of Find count as 0.
//
// Formatting: CXAnsiString::Format/FormatN go through one 4096-character
// format buffer, so the result is at most 4095 characters: a longer text is
// cut to its first 4095 characters, and a format the C library cannot format
// gives an empty string. The buffer is thread_local, so that the loader
// threads cannot corrupt one another's text; it is the same buffer that
// GetFormatBuffer hands out as scratch. CXUniString::Format formats into a
// temporary buffer that grows in steps of 200 characters; a wide text longer
// than kMaxWideFormat characters, or one the C library cannot format, gives
// an empty string. Wide formats follow the C library: %ls for wide text, %s
// for 8-bit text.
//
// Case: CXAnsiString changes case in code page 1251. CXUniString changes case
// by converting to code page 1251 and back, so characters outside that code
// page become '?'.
//
// Allocation failure throws std::bad_alloc; CXUniString's copy paths add their
// names to the call-path trace on the way out. Strings are not shared between
// threads; each thread may use its own.
#pragma once

#include <cstdarg>
#include <cstdint>

class CXAnsiString
{
public:
    static constexpr int kFormatBufferSize = 4096;

    CXAnsiString() = default;
    CXAnsiString(const char* text); // also "" gives a buffer; null gives none
    CXAnsiString(const CXAnsiString& other);
    CXAnsiString(CXAnsiString&& other) noexcept;
    CXAnsiString(char ch, int count); // count not above 0: no buffer
    virtual ~CXAnsiString();

    // len 0 (or no data) frees the buffer; else len characters of data.
    void SetData(int len, const char* data);
    CXAnsiString& operator=(const char* text);
    CXAnsiString& operator=(const CXAnsiString& other);
    CXAnsiString& operator=(CXAnsiString&& other) noexcept;

    // The buffer itself (null when there is none), and the text ("" then).
    char* GetData() { return m_pszData; }
    const char* GetData() const { return m_pszData; }
    const char* GetText() const { return m_pszData ? m_pszData : ""; }

    int GetLength() const;
    bool IsEmpty() const { return GetLength() < 1; }
    int CountChar(char ch) const;
    void Empty(); // keeps the buffer

    void MakeUpper();
    void MakeLower();
    CXAnsiString GetUpper() const;
    CXAnsiString GetLower() const;
    void MakeReverse();
    void TrimLeft();
    void TrimRight();
    void Trim();

    int Find(char ch, int start) const;
    int Find(const char* text, int start) const;
    int Find(char ch) const { return Find(ch, 0); }
    int Find(const char* text) const { return Find(text, 0); }
    int Find(const CXAnsiString& text) const { return Find(text.m_pszData, 0); }
    int FindOneOf(const char* set) const;

    // 1 when exactly one side is null, 0 when both are; n above 0 compares
    // the first n characters. Results are -1, 0 or 1.
    int Compare(const char* text, int n = 0) const;
    int Compare(const CXAnsiString& text, int n = 0) const { return Compare(text.m_pszData, n); }
    int CompareNoCase(const char* text, int n = 0) const;
    int CompareNoCase(const CXAnsiString& text, int n = 0) const { return CompareNoCase(text.m_pszData, n); }
    int Collate(const char* text) const; // 0 when either side is null
    int Collate(const CXAnsiString& text) const { return Collate(text.m_pszData); }

    char& GetAt(int index);
    char& operator[](int index);
    char GetAt(int index) const;
    char operator[](int index) const;
    void SetAt(int index, char ch);

    CXAnsiString& operator+=(const CXAnsiString& text);
    CXAnsiString& operator+=(const char* text);
    CXAnsiString& operator+=(char ch);
    void AppendChar(char ch);

    CXAnsiString Mid(int start, int count) const;
    CXAnsiString Mid(int start) const;
    CXAnsiString Left(int count) const;
    CXAnsiString Right(int count) const;
    CXAnsiString SpanIncluding(const char* set) const;
    CXAnsiString SpanExcluding(const char* set) const;

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);
    // count is not used by the formatting; the arguments follow it.
    void FormatN(const CXAnsiString& format, int count, ...);
    void FormatWithString(const CXAnsiString& format, const CXAnsiString& argument);
    // This thread's format buffer (kFormatBufferSize characters), as scratch.
    static char* GetFormatBuffer();

    // Every occurrence, left to right without overlap; returns their number.
    int Replace(const char* oldText, const char* newText);

    // Returns the first token of source (delimiters skipped) and leaves source
    // holding the rest from the delimiter that ended the token; a source of
    // fewer than 2 characters is emptied and gives "".
    static CXAnsiString Tokenize(CXAnsiString& source, const CXAnsiString& delimiters);

    void CopyTo(char* buffer) const;      // text and terminator
    int CopyToBuffer(char* buffer) const; // the same; returns the length

private:
    std::uint32_t m_dwKind = 0;
    char* m_pszData = nullptr;
};

CXAnsiString operator+(const CXAnsiString& left, const CXAnsiString& right);
CXAnsiString operator+(const CXAnsiString& left, const char* right);
CXAnsiString operator+(const char* left, const CXAnsiString& right);
// Equal texts, case-sensitive; a null buffer equals "".
bool operator==(const CXAnsiString& left, const CXAnsiString& right);
// The string equals the text exactly (case-sensitive); a null buffer or a
// null text equals "". Also spelled string == text.
bool StringEqualsText(const CXAnsiString& string, const char* text);
inline bool operator==(const CXAnsiString& left, const char* right) { return StringEqualsText(left, right); }

class CXUniString
{
public:
    static constexpr int kMaxWideFormat = 65536;

    CXUniString();                          // holds just the terminator
    explicit CXUniString(const char* text); // code page 1251 text; null as ""
    CXUniString(const wchar_t* text);
    CXUniString(const CXUniString& other);
    CXUniString(CXUniString&& other) noexcept;
    CXUniString(wchar_t ch, int count);
    virtual ~CXUniString();

    // The text-copy operation: nSrcLen 0 (or no data) frees the buffer.
    void StringCopy(int nSrcLen, const wchar_t* wsSrcData);
    void SetData(int len, const wchar_t* data) { StringCopy(len, data); }
    CXUniString& operator=(const wchar_t* text);
    CXUniString& operator=(const CXUniString& other);
    CXUniString& operator=(CXUniString&& other) noexcept;

    wchar_t* GetData() { return m_pwszData; }
    const wchar_t* GetData() const { return m_pwszData; }
    const wchar_t* GetText() const { return m_pwszData ? m_pwszData : L""; }

    int GetLength() const;
    bool IsEmpty() const { return GetLength() < 1; }
    int CountChar(wchar_t ch) const;
    void Empty();

    void MakeUpper();
    void MakeLower();
    CXUniString GetUpper() const;
    CXUniString GetLower() const;
    void MakeReverse();
    void TrimLeft();
    void TrimRight();
    void Trim();

    int Find(wchar_t ch, int start) const;
    int Find(const wchar_t* text, int start) const;
    int Find(wchar_t ch) const { return Find(ch, 0); }
    int Find(const wchar_t* text) const { return Find(text, 0); }
    int Find(const CXUniString& text) const { return Find(text.m_pwszData, 0); }
    int FindOneOf(const wchar_t* set) const;

    int Compare(const wchar_t* text, int n = 0) const;
    int Compare(const CXUniString& text, int n = 0) const { return Compare(text.m_pwszData, n); }
    int CompareNoCase(const wchar_t* text, int n = 0) const;
    int CompareNoCase(const CXUniString& text, int n = 0) const { return CompareNoCase(text.m_pwszData, n); }
    int Collate(const wchar_t* text) const;
    int Collate(const CXUniString& text) const { return Collate(text.m_pwszData); }

    wchar_t& GetAt(int index);
    wchar_t& operator[](int index);
    wchar_t GetAt(int index) const;
    wchar_t operator[](int index) const;
    void SetAt(int index, wchar_t ch);

    CXUniString& operator+=(const CXUniString& text);
    CXUniString& operator+=(const wchar_t* text);
    CXUniString& operator+=(wchar_t ch);
    void AppendChar(wchar_t ch);

    CXUniString Mid(int start, int count) const;
    CXUniString Mid(int start) const;
    CXUniString Left(int count) const;
    CXUniString Right(int count) const;
    CXUniString SpanIncluding(const wchar_t* set) const;
    CXUniString SpanExcluding(const wchar_t* set) const;

    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void FormatN(const CXUniString& format, int count, ...);
    void FormatWithString(const CXUniString& format, const CXUniString& argument);

    int Replace(wchar_t oldCh, wchar_t newCh); // 0 when they are equal
    int Replace(const wchar_t* oldText, const wchar_t* newText);

    static CXUniString Tokenize(CXUniString& source, const CXUniString& delimiters);

    void CopyTo(wchar_t* buffer) const;
    int CopyToBuffer(wchar_t* buffer) const;

private:
    std::uint32_t m_dwKind = 1;
    wchar_t* m_pwszData = nullptr;
};

CXUniString operator+(const CXUniString& left, const CXUniString& right);
CXUniString operator+(const CXUniString& left, const wchar_t* right);
CXUniString operator+(const wchar_t* left, const CXUniString& right);
bool operator==(const CXUniString& left, const CXUniString& right);
bool operator==(const CXUniString& left, const wchar_t* right);

// Copies rows rows of rowBytes bytes, advancing dst and src each by its own
// pitch (negative pitches walk upwards). No rows or no bytes: nothing.
void CopyRows(void* dst, const void* src, int rowBytes, int dstPitch, int srcPitch, int rows);
// Zeroes rows rows of rowBytes bytes, pitch apart.
void ClearRows(void* dst, int rowBytes, int pitch, int rows);
