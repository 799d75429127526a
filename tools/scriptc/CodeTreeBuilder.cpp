#include "tools/scriptc/CodeTreeBuilder.h"

#include "foundation/MemStream.h"
#include "platform/File.h"

#include <cstdio>
#include <memory>

SScriptSymbol* CCodeTreeBuilder::Var(const char* name, std::uint32_t type, const char* init, std::int32_t area)
{
    auto* var = new SScriptSymbol();
    var->m_Name.Set(name);
    var->m_nKind = IT_VAR;
    var->m_nType = type;
    var->m_nArea = area;
    var->m_nLine = static_cast<std::int32_t>(m_nLine++);
    if (!init)
        init = type == DT_INT || type == DT_FLOAT ? "0" : type == DT_BOOL ? "false" : "";
    var->m_Init.Set(init);
    var->m_Value.Set(init);
    m_Tree.m_Symbols.Add(var);
    return var;
}

SScriptSymbol* CCodeTreeBuilder::Proc(const char* name, std::uint32_t type)
{
    auto* proc = new SScriptSymbol();
    proc->m_Name.Set(name);
    proc->m_nKind = IT_PROC;
    proc->m_nType = type;
    proc->m_nLine = static_cast<std::int32_t>(m_nLine++);
    m_Tree.m_Symbols.Add(proc);
    return proc;
}

SScriptSymbol* CCodeTreeBuilder::Const(const char* text, std::uint32_t type)
{
    if (SScriptSymbol* shared = m_Tree.m_Symbols.FindConst(text, type))
        return shared;
    auto* constant = new SScriptSymbol();
    constant->m_nKind = IT_CONST;
    constant->m_nType = type;
    constant->m_Name.Set("");
    constant->m_Value.Set(text);
    constant->m_Init.Set("");
    m_Tree.m_Symbols.Add(constant);
    return constant;
}

CTreeNode* CCodeTreeBuilder::Node(std::uint32_t type, CTreeNode* c1, CTreeNode* c2, CTreeNode* c3)
{
    return m_Tree.NewNode(type, m_nLine++, c1, c2, c3);
}

CTreeNode* CCodeTreeBuilder::Node(std::uint32_t type, SScriptSymbol* symbol, CTreeNode* c1, CTreeNode* c2,
                                  CTreeNode* c3)
{
    CTreeNode* node = Node(type, c1, c2, c3);
    node->m_pSymbol = symbol;
    return node;
}

CTreeNode* CCodeTreeBuilder::Int(std::int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return Node(INT_EXPR, Const(text, DT_INT));
}

CTreeNode* CCodeTreeBuilder::Float(const char* text)
{
    return Node(FLOAT_EXPR, Const(text, DT_FLOAT));
}

CTreeNode* CCodeTreeBuilder::Str(const char* text)
{
    return Node(STR_EXPR, Const(text, DT_CHAR));
}

CTreeNode* CCodeTreeBuilder::BuiltIn(const char* name)
{
    return Node(BUILTIN_EXPR, Str(name));
}

CTreeNode* CCodeTreeBuilder::List(std::vector<CTreeNode*> statements)
{
    // Three to a list; a longer sequence continues in a nested list.
    if (statements.size() <= 3)
    {
        statements.resize(3, nullptr);
        return Node(STMT_LIST, statements[0], statements[1], statements[2]);
    }
    CTreeNode* first = statements[0];
    CTreeNode* second = statements[1];
    statements.erase(statements.begin(), statements.begin() + 2);
    CTreeNode* list = Node(STMT_LIST, first, second);
    list->m_pChild[2] = List(std::move(statements));
    return list;
}

CTreeNode* CCodeTreeBuilder::Assign(SScriptSymbol* var, CTreeNode* expr)
{
    return Node(ASSIGN_STMT, Node(ASSIGN_EXPR, var, expr));
}

CTreeNode* CCodeTreeBuilder::If(CTreeNode* condition, CTreeNode* then, CTreeNode* otherwise)
{
    return otherwise ? Node(IFTHENELSE_STMT, condition, then, otherwise) : Node(IFTHEN_STMT, condition, then);
}

CTreeNode* CCodeTreeBuilder::Args(std::vector<CTreeNode*> exprs)
{
    // Children are filled from the first, so the last link cannot leave its
    // child 1 empty and keep its element: the chain ends at a link without
    // an element instead.
    CTreeNode* chain = Node(PARAMS);
    for (auto it = exprs.rbegin(); it != exprs.rend(); ++it)
        chain = Node(PARAMS, chain, Node(PARAM, *it));
    return chain;
}

CTreeNode* CCodeTreeBuilder::Formals(std::vector<SScriptSymbol*> vars)
{
    CTreeNode* chain = Node(PARAM_LIST);
    for (auto it = vars.rbegin(); it != vars.rend(); ++it)
        chain = Node(PARAM_LIST, chain, Node(VAR_DECL, *it));
    return chain;
}

CTreeNode* CCodeTreeBuilder::ProcDecl(SScriptSymbol* proc, std::vector<SScriptSymbol*> formals, CTreeNode* body)
{
    CTreeNode* decl = Node(PROC_DECL, proc, Formals(std::move(formals)), body);
    proc->m_pDecl = decl;
    return decl;
}

CTreeNode* CCodeTreeBuilder::Call(SScriptSymbol* proc, std::vector<CTreeNode*> args)
{
    return Node(PROC_STMT, proc, Args(std::move(args)));
}

CTreeNode* CCodeTreeBuilder::Oper(std::int32_t number, std::uint32_t resultType, std::vector<CTreeNode*> args)
{
    args.insert(args.begin(), Int(number));
    CTreeNode* node = Node(OPERATOR_STMT, Args(std::move(args)));
    auto holder = std::make_unique<SScriptSymbol>();
    holder->m_nKind = IT_OPERATOR;
    holder->m_nType = resultType;
    holder->m_nLine = static_cast<std::int32_t>(node->m_nLine);
    holder->m_Name.Set("");
    node->SetPrivateSymbol(std::move(holder));
    return node;
}

std::vector<std::uint8_t> CCodeTreeBuilder::Bytes()
{
    CMemStream stream;
    m_Tree.SaveToStream(stream);
    return std::vector<std::uint8_t>(stream.m_pData, stream.m_pData + stream.m_nPosition);
}

bool WriteScriptFile(const std::string& path, const std::vector<std::uint8_t>& stream)
{
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file)
    {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        return false;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(stream.size());
    const std::uint8_t count[4] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                   static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    bool ok = std::fwrite(count, 4, 1, file) == 1 && (size == 0 || std::fwrite(stream.data(), size, 1, file) == 1);
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return ok;
}
