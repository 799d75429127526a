// CCodeTree and CTreeNode: a compiled script held as a tree of nodes, loaded
// from its stream and executed by walking it.
//
// Stream of a code tree (little-endian):
//     0  u32 node count N
//     4  N node records, the root first, then depth first in child order.
// Node record:
//     0  u16 line   2 u8 node type (0-48)   3 u8 symbol flag (0 none,
//        1 shared through the symbol table, 2 private to the node)
//     4  u8 child count (0-3)   5 u8 attribute (kept, not used)
//     6  the symbol record (ScriptSymbols.h) when the flag is not 0,
//        then the children's records.
// The loader refuses a stream whose records run past its end, a node type
// above 48, a flag above 2, more than three children, more children than
// the node count leaves, nesting deeper than kMaxLoadDepth and symbol texts
// over 63 characters. A refused stream leaves an empty tree and the reason
// in GetLoadError.
//
// Execution: all values are texts (SScriptValue) with a data type. Loops run
// at most the loop limit of passes (100). Procedures have no stack: their
// formal parameters are their own variables. Execution nested deeper than
// the nesting limit (a procedure calling itself without end) records
// "Runtime error: nesting too deep" and unwinds the run. Run-time errors
// are appended to the process-wide error list and the run goes on.
// Exceptions from host calls pass through with the methods' names added to
// the call-path trace.
//
// Ownership: the tree owns its nodes, its symbol table and through it the
// shared symbols; a node owns its private symbol. Main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/XString.h"
#include "script/ScriptSymbols.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

class CMemStream;
class CStreamReader;
class CCodeTree;
class IScript;

enum ENodeType : std::uint32_t
{
    NT_UNKNOWN = 0,
    STMT_LIST,
    VAR_DECL,
    PROC_DECL,
    PARAM_LIST,
    PARAM,
    PARAMS,
    PROC_STMT,
    OPERATOR_STMT,
    EMPTY_STMT,
    EXPR_STMT,
    ASSIGN_STMT,
    WRITE_STMT,
    WRITELN_STMT,
    INC_STMT,
    DEC_STMT,
    WHILE_STMT,
    IFTHEN_STMT,
    IFTHENELSE_STMT,
    ERROR_STMT,
    EQUAL_EXPR,
    NOTEQUAL_EXPR,
    GREATER_EXPR,
    LESS_EXPR,
    GREQ_EXPR,
    LEEQ_EXPR,
    NOT_EXPR,
    AND_EXPR,
    OR_EXPR,
    ASSIGN_EXPR,
    PLUS_EXPR,
    MINUS_EXPR,
    UMINUS_EXPR,
    MULTI_EXPR,
    DIV_EXPR,
    POWER_EXPR,
    IDENT_EXPR,
    STR_EXPR,
    INT_EXPR,
    FLOAT_EXPR,
    BUILTIN_EXPR,
    CONCAT_EXPR,
    RETURN_STMT,
    SWITCH_STMT,
    CASE_STMT,
    INT_STMT,
    FLOAT_STMT,
    CHAR_STMT,
    BOOL_STMT,
    NODE_TYPE_COUNT
};

// The dump name of a node type ("STMT_LIST", ...); "?" out of range.
const char* GetNodeTypeName(std::uint32_t type);

// Arguments of one host call (the function number is not among them).
struct SUserFuncParams
{
    SScriptValue m_Params[5];
    std::int32_t m_nCount = 0;
};

// The evaluated actual arguments of one procedure call.
struct SParamList
{
    static constexpr int kMaxParams = 10;
    SScriptValue m_Params[kMaxParams];
    std::int32_t m_nCount = 0;
};

class CTreeNode
{
public:
    CTreeNode() = default;
    CTreeNode(CCodeTree* tree, std::uint32_t type, CTreeNode* c1 = nullptr, CTreeNode* c2 = nullptr,
              CTreeNode* c3 = nullptr);
    CTreeNode(const CTreeNode&) = delete;
    CTreeNode& operator=(const CTreeNode&) = delete;

    // Reads this node's record and its children's; throws CStreamError.
    void LoadFromStream(CStreamReader& in, std::uint32_t depth);
    // The number of records written (this node's and its descendants').
    std::uint32_t SaveToStream(CMemStream& stream) const;

    // Runs the node as a statement: false stops the enclosing sequence.
    bool Exec();
    void Eval(std::uint32_t& type, SScriptValue& value);
    void ExecOper();
    // The static checks of this node and its children; false when the error
    // list is not empty afterwards.
    bool Check();

    int GetChildCount() const;
    // The symbol of a node that has none yet becomes a private one.
    void SetPrivateSymbol(std::unique_ptr<SScriptSymbol> symbol);

    std::uint32_t m_nLine = 0;
    std::uint32_t m_nType = NT_UNKNOWN;
    std::uint32_t m_nAttribute = 0;
    SScriptSymbol* m_pSymbol = nullptr;
    CCodeTree* m_pTree = nullptr;
    CTreeNode* m_pChild[3] = {};

private:
    friend class CCodeTree;
    void LoadRecord(CStreamReader& in, std::uint32_t depth);
    bool ExecChildren();
    bool ExecWhile();
    bool ExecProcCall();
    bool Test(); // evaluates the node and applies the truth rule
    void EvalCompare(std::uint32_t& type, SScriptValue& value);
    void EvalArith(std::uint32_t& type, SScriptValue& value);
    void Dump(int depth) const;
    std::uint32_t StaticType() const;

    std::unique_ptr<SScriptSymbol> m_pOwnSymbol;
};

// The truth of a value of a data type (conditions, NOT, AND, OR, BOOL_STMT):
// numbers are true unless exactly "0", texts when not empty, booleans when
// "true" in any case; other types are false and record an error.
bool ScriptValueIsTrue(std::uint32_t type, const SScriptValue& value, std::int32_t line);

class ICodeTree : public IBaseInterface
{
public:
    virtual CXAnsiString UserFunc(int number, SUserFuncParams params) = 0;
    virtual int UserFuncInt(int number, SUserFuncParams params) = 0;
};

class CCodeTree : public ICodeTree
{
public:
    static constexpr std::int32_t kDefaultLoopLimit = 100;
    static constexpr std::uint32_t kMaxLoadDepth = 1000;
    static constexpr std::uint32_t kDefaultNestingLimit = 2000;

    CCodeTree() = default;
    ~CCodeTree() override = default;
    CCodeTree(const CCodeTree&) = delete;
    CCodeTree& operator=(const CCodeTree&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    CXAnsiString UserFunc(int number, SUserFuncParams params) override;
    int UserFuncInt(int number, SUserFuncParams params) override;

    // False (and an empty tree) for a refused stream; see GetLoadError.
    bool LoadFromStream(CMemStream& stream);
    void SaveToStream(CMemStream& stream) const;
    // Resets the variables and runs the root; the root's continue flag.
    bool Execute();
    bool Check();
    void Dump() const;

    // Drops the nodes and the symbols.
    void Clear();
    // A new empty node owned by the tree (tools build trees with these).
    CTreeNode* NewNode(std::uint32_t type, std::uint32_t line, CTreeNode* c1 = nullptr, CTreeNode* c2 = nullptr,
                       CTreeNode* c3 = nullptr);
    const char* GetLoadError() const { return m_loadError.c_str(); }
    std::uint32_t GetNodeCount() const { return static_cast<std::uint32_t>(m_Nodes.size()); }
    void SetNestingLimit(std::uint32_t limit) { m_nNestingLimit = limit; }
    // Starts a run from the top: no nesting, not aborted, nothing returned.
    void BeginRun();

    IScript* m_pScript = nullptr; // the owner, not owned
    CTreeNode* m_pRoot = nullptr;
    CSymbolTable m_Symbols;
    std::int32_t m_nLoopLimit = kDefaultLoopLimit;
    SScriptValue m_Selector;
    SScriptValue m_ReturnValue;
    std::uint32_t m_nNextNode = 0;

    std::uint32_t m_nNesting = 0;
    std::uint32_t m_nNestingLimit = kDefaultNestingLimit;
    bool m_bAborted = false;  // the nesting limit was passed in this run
    bool m_bReturned = false; // a RETURN_STMT ran in the current procedure

private:
    friend class CTreeNode;
    // Resolves a symbol read with flag 1: the table's equal symbol (the new
    // one is dropped) or the new one, added.
    SScriptSymbol* ShareSymbol(std::unique_ptr<SScriptSymbol> symbol);
    CTreeNode* TakeNode(CStreamReader& in);

    std::deque<CTreeNode> m_Nodes; // stable addresses
    std::string m_loadError;
};
