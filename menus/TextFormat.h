// FormatGameText: fills the printf-style conversions of a text from the
// text database with values, without ever handing the text to printf.
//
// The texts the menus show ("Wars: %d days", "%3.2f") come from data files
// that anyone can edit; a text used as a printf format with a "%s" where
// the code passes a number, or one conversion too many, reads memory it
// does not own. Here each conversion is parsed (flags "-+ 0#", a width and
// a precision of at most two digits each, length letters skipped) and
// filled with the next value in the form its letter asks for: d i u x X c
// take the value as an integer, f F e E g G as a real, s as a text. "%%"
// is one '%'. A conversion with no value left, or one that is not a
// conversion at all, stays as written.
//
// Pure functions; any thread.
#pragma once

#include <initializer_list>
#include <string>

class CTextArg
{
public:
    CTextArg(int value) : m_nKind(kInt), m_dValue(value) {}
    CTextArg(double value) : m_nKind(kReal), m_dValue(value) {}
    CTextArg(float value) : m_nKind(kReal), m_dValue(value) {}
    CTextArg(const char* text) : m_nKind(kText), m_sText(text ? text : "") {}
    CTextArg(const std::string& text) : m_nKind(kText), m_sText(text) {}

    // As an integer (a real truncated toward zero, a text read as a
    // number, 0 when it is none), as a real and as a text.
    long long AsInteger() const;
    double AsReal() const;
    std::string AsText() const;

private:
    enum EKind
    {
        kInt,
        kReal,
        kText
    };
    EKind m_nKind;
    double m_dValue = 0.0;
    std::string m_sText;
};

std::string FormatGameText(const char* pattern, std::initializer_list<CTextArg> args);
