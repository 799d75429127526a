// CCodeTreeBuilder: builds a compiled script in memory, node by node, out of
// the engine's own nodes and symbols, and writes it with the engine's own
// writer (CCodeTree::SaveToStream). The tests, the fuzz seeds and mksample
// make their scripts with it; the game itself has no compiler.
//
// Every node gets the next source line, and so does every variable, so a
// variable made before the nodes that use it is declared before them.
// Variables, procedures and literals are shared through the tree's symbol
// table (stream flag 1); host-call result holders are private (flag 2).
//
// A compiled script file ("Data\Bin\<name>.bin") is a u32 byte count and
// that many bytes of code tree stream; WriteScriptFile writes one.
#pragma once

#include "script/CodeTree.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class CCodeTreeBuilder
{
public:
    CCodeTreeBuilder() = default;

    CCodeTree& Tree() { return m_Tree; }
    // The line the next node or symbol gets (and then the one after it).
    void SetLine(std::uint32_t line) { m_nLine = line; }

    // A variable (area 0) with an initial value; null init gives the type's
    // default as a compiler would ("0", "false", "").
    SScriptSymbol* Var(const char* name, std::uint32_t type, const char* init = nullptr, std::int32_t area = 0);
    // A procedure symbol whose calls yield values of type.
    SScriptSymbol* Proc(const char* name, std::uint32_t type = DT_INT);

    CTreeNode* Node(std::uint32_t type, CTreeNode* c1 = nullptr, CTreeNode* c2 = nullptr, CTreeNode* c3 = nullptr);
    CTreeNode* Node(std::uint32_t type, SScriptSymbol* symbol, CTreeNode* c1 = nullptr, CTreeNode* c2 = nullptr,
                    CTreeNode* c3 = nullptr);

    CTreeNode* Int(std::int32_t value);
    CTreeNode* Float(const char* text);
    CTreeNode* Str(const char* text);
    CTreeNode* Ident(SScriptSymbol* var) { return Node(IDENT_EXPR, var); }
    CTreeNode* BuiltIn(const char* name);

    // Statements in order, nested three to a STMT_LIST.
    CTreeNode* List(std::vector<CTreeNode*> statements);
    CTreeNode* Assign(SScriptSymbol* var, CTreeNode* expr);
    CTreeNode* While(CTreeNode* condition, CTreeNode* body) { return Node(WHILE_STMT, condition, body); }
    CTreeNode* If(CTreeNode* condition, CTreeNode* then, CTreeNode* otherwise = nullptr);
    CTreeNode* Return(CTreeNode* expr = nullptr) { return Node(RETURN_STMT, expr); }
    CTreeNode* Inc(SScriptSymbol* var) { return Node(INC_STMT, var); }
    CTreeNode* Binary(std::uint32_t type, CTreeNode* left, CTreeNode* right) { return Node(type, left, right); }

    // Actual argument chain (PARAMS links with PARAM elements).
    CTreeNode* Args(std::vector<CTreeNode*> exprs);
    // Formal parameter chain (PARAM_LIST links with VAR_DECL elements).
    CTreeNode* Formals(std::vector<SScriptSymbol*> vars);
    CTreeNode* ProcDecl(SScriptSymbol* proc, std::vector<SScriptSymbol*> formals, CTreeNode* body);
    CTreeNode* Call(SScriptSymbol* proc, std::vector<CTreeNode*> args = {});
    // A host call: function number, then the arguments; the result holder
    // has resultType (DT_CHAR calls UserFunc, anything else UserFuncInt).
    CTreeNode* Oper(std::int32_t number, std::uint32_t resultType, std::vector<CTreeNode*> args = {});
    CTreeNode* Concat(std::vector<CTreeNode*> parts) { return Node(CONCAT_EXPR, Args(std::move(parts))); }

    void SetRoot(CTreeNode* root) { m_Tree.m_pRoot = root; }
    // The code tree stream.
    std::vector<std::uint8_t> Bytes();

private:
    SScriptSymbol* Const(const char* text, std::uint32_t type);

    CCodeTree m_Tree;
    std::uint32_t m_nLine = 1;
};

// A compiled script file: u32 byte count, then the stream. False (and a
// message on stderr) when the file cannot be written.
bool WriteScriptFile(const std::string& path, const std::vector<std::uint8_t>& stream);
