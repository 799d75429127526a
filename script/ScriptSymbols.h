// Values, symbols, the symbol table and the error list of compiled scripts.
//
// Every value of the script language is a text of at most 63 characters
// with a presence flag (SScriptValue); longer texts are cut. A symbol is a
// name, literal or result holder of a code tree. The tree's CSymbolTable
// owns the symbols shared between nodes; a node owns its private symbols.
//
// Stream record of a symbol (follows a node header whose symbol flag is not
// 0; little-endian):
//     0   u32 name length L1       4  u32 reserved (0)
//     8   u32 value length L2      12 u32 initial value length L3
//     16  u32 declaration link (1/0, ignored when read)
//     20  u32 kind                 24 u32 data type     28 i32 declaration line
//     32  L1 name bytes, then i32 area, L2 value bytes, L3 initial value bytes
// After a read all three texts are present (a length of 0 is the empty
// text). Lengths above 63, kinds above IT_OPERATOR and data types above
// DT_FLOAT are refused.
//
// The error list is one process-wide list of (line, text) records that the
// run-time errors and the static checks append to; it is cut off at
// kMaxScriptErrors records so that a script failing every frame cannot grow
// it without end.
//
// Main thread only.
#pragma once

#include <cstdint>
#include <vector>

class CMemStream;
class CStreamReader;
class CTreeNode;

enum EScriptDataType : std::uint32_t
{
    DT_UNKNOWN = 0,
    DT_VOID = 1,
    DT_INT = 2,
    DT_BOOL = 3,
    DT_CHAR = 4,
    DT_FLOAT = 5,
};

enum EScriptSymbolKind : std::uint32_t
{
    IT_UNKNOWN = 0,
    IT_CONST = 1,
    IT_VAR = 2,
    IT_PROC = 3,
    IT_OPERATOR = 4,
};

struct SScriptValue
{
    static constexpr int kMaxLength = 63;

    std::uint8_t m_bPresent = 0;
    char m_szText[kMaxLength + 1] = {};

    SScriptValue() = default;
    explicit SScriptValue(const char* text) { Set(text); }

    // Null clears; any other text (the empty one too) is copied, cut to 63.
    void Set(const char* text);
    void SetInt(std::int32_t value);
    void SetFloat(double value); // "%f"
    void Clear();
    bool Has() const { return m_bPresent != 0; }
    // The text, or null when there is none.
    const char* Get() const { return m_bPresent ? m_szText : nullptr; }
    // The text, "" when there is none.
    const char* Text() const { return m_szText; }

    bool operator==(const SScriptValue& other) const;
};

// Decimal integer of a value text, as the C library reads it (sign and
// leading digits, 0 when none); values past 32 bits wrap.
std::int32_t ScriptTextToInt(const char* text);
double ScriptTextToFloat(const char* text);

struct SScriptSymbol
{
    SScriptValue m_Name;
    SScriptValue m_Value;
    SScriptValue m_Init;
    std::uint32_t m_nKind = IT_UNKNOWN;
    std::uint32_t m_nType = DT_UNKNOWN;
    std::int32_t m_nArea = 0;
    std::int32_t m_nLine = 0;
    CTreeNode* m_pDecl = nullptr; // the PROC_DECL node, not owned

    void LoadFromStream(CStreamReader& in);
    void SaveToStream(CMemStream& stream) const;
};

class CSymbolTable
{
public:
    CSymbolTable() = default;
    ~CSymbolTable() { Clear(); }
    CSymbolTable(const CSymbolTable&) = delete;
    CSymbolTable& operator=(const CSymbolTable&) = delete;

    // Appends; an owning table frees the symbol with itself.
    void Add(SScriptSymbol* symbol) { m_Symbols.push_back(symbol); }
    void Clear();

    // The last IT_VAR of that name whose area matches: area 0 (either side)
    // matches every area; else exact needs the same area, and without exact
    // a symbol whose area is not above the given one matches too.
    SScriptSymbol* FindVar(const char* name, std::int32_t area, bool exact) const;
    // As FindVar, walking only up to the first symbol declared on or after
    // line, and matching only symbols whose area is above the given one.
    SScriptSymbol* FindVarBefore(const char* name, std::int32_t area, std::int32_t line) const;
    // The first IT_CONST with that value text and data type.
    SScriptSymbol* FindConst(const char* value, std::uint32_t type) const;
    // The last symbol of that kind with that name and a matching area (as
    // FindVar with exact set); used to share procedure symbols on load.
    SScriptSymbol* FindKind(std::uint32_t kind, const char* name, std::int32_t area) const;
    // The first symbol of any kind with that name.
    SScriptSymbol* FindAny(const char* name) const;
    bool Contains(const SScriptSymbol* symbol) const;

    // Every IT_VAR back to its initial value, or to its type's default
    // ("0", "false", "") which then becomes its initial value.
    void ResetVariables();
    // The symbol dump, to standard output.
    void Dump() const;

    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(m_Symbols.size()); }
    SScriptSymbol* Get(std::uint32_t i) const { return m_Symbols[i]; }

    std::uint32_t m_bOwner = 1;

private:
    std::vector<SScriptSymbol*> m_Symbols;
};

struct SScriptError
{
    std::int32_t m_nLine;
    char m_szText[256];
};

// What IScript::GetErrors hands out: the list as it is now.
struct SScriptErrors
{
    std::uint32_t m_nCount;
    const SScriptError* m_pErrors;
};

constexpr std::uint32_t kMaxScriptErrors = 4096;

void AddScriptError(std::int32_t line, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ClearScriptErrors();
SScriptErrors GetScriptErrors();

// The built-in value named name (BUILTIN_EXPR), or null after recording
// "Runtime error; BuiltIn [%s] not found\n".
const char* GetBuiltInValue(const char* name, std::int32_t line);
