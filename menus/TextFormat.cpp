#include "menus/TextFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

long long CTextArg::AsInteger() const
{
    switch (m_nKind)
    {
    case kInt:
        return static_cast<long long>(m_dValue);
    case kReal:
        // Out-of-range or NaN values would be undefined as a conversion.
        if (!std::isfinite(m_dValue) || std::fabs(m_dValue) > 9.0e18) return 0;
        return static_cast<long long>(m_dValue);
    case kText:
        return std::strtoll(m_sText.c_str(), nullptr, 10);
    }
    return 0;
}

double CTextArg::AsReal() const
{
    return m_nKind == kText ? std::strtod(m_sText.c_str(), nullptr) : m_dValue;
}

std::string CTextArg::AsText() const
{
    if (m_nKind == kText) return m_sText;
    char buffer[64];
    if (m_nKind == kInt)
        std::snprintf(buffer, sizeof buffer, "%lld", AsInteger());
    else
        std::snprintf(buffer, sizeof buffer, "%g", m_dValue);
    return buffer;
}

namespace
{
// Up to two digits of a width or a precision.
const char* ReadNumber(const char* p, std::string& conversion)
{
    for (int digits = 0; digits < 2 && *p >= '0' && *p <= '9'; ++digits, ++p)
        conversion += *p;
    return p;
}

// One value in the form of a parsed conversion ("%" flags width
// precision) and its letter.
std::string Convert(const std::string& conversion, char letter, const CTextArg& arg)
{
    std::vector<char> buffer(256);
    std::string format = conversion;
    auto print = [&](auto value)
    {
        int n = std::snprintf(buffer.data(), buffer.size(), format.c_str(), value);
        if (n >= int(buffer.size()))
        {
            buffer.resize(std::size_t(n) + 1);
            n = std::snprintf(buffer.data(), buffer.size(), format.c_str(), value);
        }
        return n < 0 ? std::string() : std::string(buffer.data(), std::size_t(n));
    };
    switch (letter)
    {
    case 'd':
    case 'i':
        format += "lld";
        return print(arg.AsInteger());
    case 'u':
    case 'x':
    case 'X':
        format += "ll";
        format += letter;
        return print(static_cast<unsigned long long>(arg.AsInteger()));
    case 'c':
        format += 'c';
        return print(static_cast<int>(static_cast<unsigned char>(arg.AsInteger())));
    case 's':
    {
        format += 's';
        const std::string text = arg.AsText();
        return print(text.c_str());
    }
    default: // f F e E g G
        format += letter;
        return print(arg.AsReal());
    }
}
} // namespace

std::string FormatGameText(const char* pattern, std::initializer_list<CTextArg> args)
{
    std::string out;
    if (!pattern) return out;
    const CTextArg* next = args.begin();
    for (const char* p = pattern; *p;)
    {
        if (*p != '%')
        {
            out += *p++;
            continue;
        }
        if (p[1] == '%')
        {
            out += '%';
            p += 2;
            continue;
        }
        const char* start = p++;
        std::string conversion = "%";
        while (*p && std::strchr("-+ 0#", *p) && conversion.size() < 6)
            conversion += *p++;
        p = ReadNumber(p, conversion);
        if (*p == '.')
        {
            conversion += *p++;
            p = ReadNumber(p, conversion);
        }
        while (*p == 'l' || *p == 'h')
            ++p;
        const char letter = *p;
        if (!letter || !std::strchr("diuxXcfFeEgGs", letter) || next == args.end())
        {
            // Not a conversion, or no value for it: the text as written.
            out.append(start, std::size_t(p - start));
            continue;
        }
        out += Convert(conversion, letter, *next++);
        ++p;
    }
    return out;
}
