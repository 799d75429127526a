#include "script/ScriptSymbols.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void SScriptValue::Set(const char* text)
{
    if (!text)
    {
        Clear();
        return;
    }
    std::size_t length = std::strlen(text);
    if (length > kMaxLength)
        length = kMaxLength;
    // text may point into this very value (a value copied onto itself).
    std::memmove(m_szText, text, length);
    m_szText[length] = '\0';
    m_bPresent = 1;
}

void SScriptValue::SetInt(std::int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    Set(text);
}

void SScriptValue::SetFloat(double value)
{
    // "%f" of a large double runs to hundreds of digits; it is cut to 63.
    char text[400];
    std::snprintf(text, sizeof(text), "%f", value);
    Set(text);
}

void SScriptValue::Clear()
{
    m_bPresent = 0;
    m_szText[0] = '\0';
}

bool SScriptValue::operator==(const SScriptValue& other) const
{
    if (!m_bPresent || !other.m_bPresent)
        return !m_bPresent && !other.m_bPresent;
    return std::strcmp(m_szText, other.m_szText) == 0;
}

std::int32_t ScriptTextToInt(const char* text)
{
    if (!text)
        return 0;
    // strtoll saturates instead of wrapping; take the low 32 bits of the
    // digits as a 32-bit program reading them would.
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    std::uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

double ScriptTextToFloat(const char* text)
{
    return text ? std::strtod(text, nullptr) : 0.0;
}

void SScriptSymbol::LoadFromStream(CStreamReader& in)
{
    const std::uint32_t nameLength = in.U32();
    in.U32(); // reserved
    const std::uint32_t valueLength = in.U32();
    const std::uint32_t initLength = in.U32();
    in.U32(); // declaration link, rebuilt from the PROC_DECL nodes
    const std::uint32_t kind = in.U32();
    const std::uint32_t type = in.U32();
    const std::int32_t line = in.I32();
    if (nameLength > SScriptValue::kMaxLength || valueLength > SScriptValue::kMaxLength ||
        initLength > SScriptValue::kMaxLength)
        in.Fail("symbol text of %u/%u/%u characters (at most %d)", nameLength, valueLength, initLength,
                SScriptValue::kMaxLength);
    if (kind > IT_OPERATOR)
        in.Fail("symbol kind %u", kind);
    if (type > DT_FLOAT)
        in.Fail("symbol data type %u", type);
    char text[SScriptValue::kMaxLength + 1];
    in.Bytes(text, nameLength);
    text[nameLength] = '\0';
    m_Name.Set(text);
    m_nArea = in.I32();
    in.Bytes(text, valueLength);
    text[valueLength] = '\0';
    m_Value.Set(text);
    in.Bytes(text, initLength);
    text[initLength] = '\0';
    m_Init.Set(text);
    m_nKind = kind;
    m_nType = type;
    m_nLine = line;
    m_pDecl = nullptr;
}

namespace
{
void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}

std::uint32_t Length(const SScriptValue& value)
{
    return value.Has() ? static_cast<std::uint32_t>(std::strlen(value.m_szText)) : 0;
}
} // namespace

void SScriptSymbol::SaveToStream(CMemStream& stream) const
{
    WriteU32(stream, Length(m_Name));
    WriteU32(stream, 0);
    WriteU32(stream, Length(m_Value));
    WriteU32(stream, Length(m_Init));
    WriteU32(stream, m_pDecl ? 1 : 0);
    WriteU32(stream, m_nKind);
    WriteU32(stream, m_nType);
    WriteU32(stream, static_cast<std::uint32_t>(m_nLine));
    stream.Write(m_Name.m_szText, Length(m_Name));
    WriteU32(stream, static_cast<std::uint32_t>(m_nArea));
    stream.Write(m_Value.m_szText, Length(m_Value));
    stream.Write(m_Init.m_szText, Length(m_Init));
}

void CSymbolTable::Clear()
{
    if (m_bOwner)
        for (SScriptSymbol* symbol : m_Symbols)
            delete symbol;
    m_Symbols.clear();
}

namespace
{
bool SameName(const SScriptSymbol* symbol, const char* name)
{
    return symbol->m_Name.Has() && name && std::strcmp(symbol->m_Name.m_szText, name) == 0;
}
} // namespace

SScriptSymbol* CSymbolTable::FindVar(const char* name, std::int32_t area, bool exact) const
{
    SScriptSymbol* found = nullptr;
    for (SScriptSymbol* symbol : m_Symbols)
    {
        if (symbol->m_nKind != IT_VAR || !SameName(symbol, name))
            continue;
        const bool areaMatches = area == 0 || symbol->m_nArea == 0 || symbol->m_nArea == area ||
                                 (!exact && symbol->m_nArea <= area);
        if (areaMatches)
            found = symbol;
    }
    return found;
}

SScriptSymbol* CSymbolTable::FindVarBefore(const char* name, std::int32_t area, std::int32_t line) const
{
    SScriptSymbol* found = nullptr;
    for (SScriptSymbol* symbol : m_Symbols)
    {
        if (symbol->m_nLine >= line)
            break;
        if (symbol->m_nKind == IT_VAR && SameName(symbol, name) && symbol->m_nArea > area)
            found = symbol;
    }
    return found;
}

SScriptSymbol* CSymbolTable::FindConst(const char* value, std::uint32_t type) const
{
    for (SScriptSymbol* symbol : m_Symbols)
        if (symbol->m_nKind == IT_CONST && symbol->m_nType == type && symbol->m_Value.Has() && value &&
            std::strcmp(symbol->m_Value.m_szText, value) == 0)
            return symbol;
    return nullptr;
}

SScriptSymbol* CSymbolTable::FindKind(std::uint32_t kind, const char* name, std::int32_t area) const
{
    SScriptSymbol* found = nullptr;
    for (SScriptSymbol* symbol : m_Symbols)
        if (symbol->m_nKind == kind && SameName(symbol, name) &&
            (area == 0 || symbol->m_nArea == 0 || symbol->m_nArea == area))
            found = symbol;
    return found;
}

SScriptSymbol* CSymbolTable::FindAny(const char* name) const
{
    for (SScriptSymbol* symbol : m_Symbols)
        if (SameName(symbol, name))
            return symbol;
    return nullptr;
}

bool CSymbolTable::Contains(const SScriptSymbol* symbol) const
{
    for (const SScriptSymbol* s : m_Symbols)
        if (s == symbol)
            return true;
    return false;
}

void CSymbolTable::ResetVariables()
{
    for (SScriptSymbol* symbol : m_Symbols)
    {
        if (symbol->m_nKind != IT_VAR)
            continue;
        if (symbol->m_Init.Has())
        {
            symbol->m_Value = symbol->m_Init;
            continue;
        }
        switch (symbol->m_nType)
        {
        case DT_INT:
        case DT_FLOAT: symbol->m_Value.Set("0"); break;
        case DT_BOOL: symbol->m_Value.Set("false"); break;
        case DT_CHAR: symbol->m_Value.Set(""); break;
        default: symbol->m_Value.Clear(); break;
        }
        symbol->m_Init = symbol->m_Value;
    }
}

void CSymbolTable::Dump() const
{
    std::printf("D {DT_UNKNOWN, DT_VOID, DT_INT, DT_BOOL, DT_CHAR};\n");
    std::printf("T {IT_UNKNOWN, IT_CONST, IT_VAR, IT_PROC, IT_OPERATOR};\n");
    std::printf("Name       Area       T D P L    Value\n");
    for (const SScriptSymbol* s : m_Symbols)
        std::printf("%-10s %d %d %d %s %-4d \"%s\"\n", s->m_Name.Text(), s->m_nArea, s->m_nKind, s->m_nType,
                    s->m_pDecl ? "*" : " ", s->m_nLine, s->m_Value.Text());
    std::printf("\n");
}

namespace
{
std::vector<SScriptError>& Errors()
{
    static std::vector<SScriptError> errors;
    return errors;
}
} // namespace

void AddScriptError(std::int32_t line, const char* format, ...)
{
    std::vector<SScriptError>& errors = Errors();
    if (errors.size() >= kMaxScriptErrors)
        return;
    SScriptError error = {};
    error.m_nLine = line;
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.m_szText, sizeof(error.m_szText), format, args);
    va_end(args);
    errors.push_back(error);
}

void ClearScriptErrors()
{
    Errors().clear();
}

SScriptErrors GetScriptErrors()
{
    const std::vector<SScriptError>& errors = Errors();
    return {static_cast<std::uint32_t>(errors.size()), errors.empty() ? nullptr : errors.data()};
}

const char* GetBuiltInValue(const char* name, std::int32_t line)
{
    if (name && std::strcmp(name, "BuiltInValue.001") == 0)
        return "001.BuiltInValue";
    if (name && std::strcmp(name, "BuiltInValue.002") == 0)
        return "";
    AddScriptError(line, "Runtime error; BuiltIn [%s] not found\n", name ? name : "");
    return nullptr;
}
