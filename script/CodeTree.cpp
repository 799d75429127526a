#include "script/CodeTree.h"

#include "foundation/ErrorLog.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "script/Script.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <strings.h>

namespace
{
const char* const kNodeTypeNames[NODE_TYPE_COUNT] = {
    "NT_UNKNOWN",   "STMT_LIST",    "VAR_DECL",      "PROC_DECL",       "PARAM_LIST",   "PARAM",
    "PARAMS",       "PROC_STMT",    "OPERATOR_STMT", "EMPTY_STMT",      "EXPR_STMT",    "ASSIGN_STMT",
    "WRITE_STMT",   "WRITELN_STMT", "INC_STMT",      "DEC_STMT",        "WHILE_STMT",   "IFTHEN_STMT",
    "IFTHENELSE_STMT", "ERROR_STMT", "EQUAL_EXPR",   "NOTEQUAL_EXPR",   "GREATER_EXPR", "LESS_EXPR",
    "GREQ_EXPR",    "LEEQ_EXPR",    "NOT_EXPR",      "AND_EXPR",        "OR_EXPR",      "ASSIGN_EXPR",
    "PLUS_EXPR",    "MINUS_EXPR",   "UMINUS_EXPR",   "MULTI_EXPR",      "DIV_EXPR",     "POWER_EXPR",
    "IDENT_EXPR",   "STR_EXPR",     "INT_EXPR",      "FLOAT_EXPR",      "BUILTIN_EXPR", "CONCAT_EXPR",
    "RETURN_STMT",  "SWITCH_STMT",  "CASE_STMT",     "INT_STMT",        "FLOAT_STMT",   "CHAR_STMT",
    "BOOL_STMT",
};

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}

bool IsNumber(std::uint32_t type)
{
    return type == DT_INT || type == DT_FLOAT;
}

// Keeps count of the nesting of Exec and Eval in the tree, so that a script
// calling itself without end stops instead of exhausting the stack. Past
// the limit the run is aborted: every further Exec stops and every Eval
// gives nothing until the next run starts.
class CNesting
{
public:
    CNesting(CCodeTree& tree, std::int32_t line) : m_tree(tree)
    {
        m_ok = !tree.m_bAborted && tree.m_nNesting < tree.m_nNestingLimit;
        if (!m_ok && !tree.m_bAborted)
        {
            tree.m_bAborted = true;
            AddScriptError(line, "Runtime error: nesting too deep");
        }
        ++tree.m_nNesting;
    }
    ~CNesting() { --m_tree.m_nNesting; }
    bool Ok() const { return m_ok; }

private:
    CCodeTree& m_tree;
    bool m_ok;
};

// The element of a chain link when it has the wanted type, else null (the
// chain ends there).
CTreeNode* Element(CTreeNode* link, std::uint32_t type)
{
    if (!link || !link->m_pChild[1] || link->m_pChild[1]->m_nType != type)
        return nullptr;
    return link->m_pChild[1];
}
} // namespace

const char* GetNodeTypeName(std::uint32_t type)
{
    return type < NODE_TYPE_COUNT ? kNodeTypeNames[type] : "?";
}

bool ScriptValueIsTrue(std::uint32_t type, const SScriptValue& value, std::int32_t line)
{
    switch (type)
    {
    case DT_INT:
    case DT_FLOAT: return std::strcmp(value.Text(), "0") != 0;
    case DT_CHAR: return value.Text()[0] != '\0';
    case DT_BOOL: return strcasecmp(value.Text(), "true") == 0;
    default: AddScriptError(line, "Runtime error: expression mismatch"); return false;
    }
}

// ---------------------------------------------------------------------------
// Nodes: loading and saving

CTreeNode::CTreeNode(CCodeTree* tree, std::uint32_t type, CTreeNode* c1, CTreeNode* c2, CTreeNode* c3)
    : m_nLine(static_cast<std::uint32_t>(-1)), m_nType(type), m_pTree(tree), m_pChild{c1, c2, c3}
{
}

int CTreeNode::GetChildCount() const
{
    int count = 0;
    while (count < 3 && m_pChild[count])
        ++count;
    return count;
}

void CTreeNode::SetPrivateSymbol(std::unique_ptr<SScriptSymbol> symbol)
{
    m_pOwnSymbol = std::move(symbol);
    m_pSymbol = m_pOwnSymbol.get();
}

void CTreeNode::LoadFromStream(CStreamReader& in, std::uint32_t depth)
{
    // A damaged stream is reported by the tree with the reader's message;
    // only other failures (allocation) are traced.
    try
    {
        LoadRecord(in, depth);
    }
    catch (const CStreamError&)
    {
        throw;
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("CTreeNode::LoadFromStream");
        throw;
    }
}

void CTreeNode::LoadRecord(CStreamReader& in, std::uint32_t depth)
{
    if (depth > CCodeTree::kMaxLoadDepth)
        in.Fail("nodes nested deeper than %u", CCodeTree::kMaxLoadDepth);
    m_nLine = in.U16();
    m_nType = in.U8();
    const std::uint8_t flag = in.U8();
    const std::uint8_t children = in.U8();
    m_nAttribute = in.U8();
    if (m_nType >= NODE_TYPE_COUNT)
        in.Fail("node type %u", m_nType);
    if (flag > 2)
        in.Fail("symbol flag %u", flag);
    if (children > 3)
        in.Fail("%u children (at most 3)", children);
    if (flag)
    {
        auto symbol = std::make_unique<SScriptSymbol>();
        try
        {
            symbol->LoadFromStream(in);
        }
        catch (const CStreamError&)
        {
            throw;
        }
        catch (...)
        {
            g_ErrorLog.AppendTrace("load");
            throw;
        }
        if (flag == 1)
        {
            m_pSymbol = m_pTree->ShareSymbol(std::move(symbol));
            if (m_nType == PROC_DECL)
                m_pSymbol->m_pDecl = this;
        }
        else
            SetPrivateSymbol(std::move(symbol));
    }
    for (int i = 0; i < children; ++i)
    {
        m_pChild[i] = m_pTree->TakeNode(in);
        m_pChild[i]->LoadFromStream(in, depth + 1);
    }
}

std::uint32_t CTreeNode::SaveToStream(CMemStream& stream) const
{
    const int children = GetChildCount();
    const std::uint8_t flag = !m_pSymbol ? 0 : m_pTree->m_Symbols.Contains(m_pSymbol) ? 1 : 2;
    const std::uint8_t header[6] = {static_cast<std::uint8_t>(m_nLine),       static_cast<std::uint8_t>(m_nLine >> 8),
                                    static_cast<std::uint8_t>(m_nType),       flag,
                                    static_cast<std::uint8_t>(children),      static_cast<std::uint8_t>(m_nAttribute)};
    stream.Write(header, sizeof(header));
    if (flag)
        m_pSymbol->SaveToStream(stream);
    std::uint32_t written = 1;
    for (int i = 0; i < children; ++i)
        written += m_pChild[i]->SaveToStream(stream);
    return written;
}

// ---------------------------------------------------------------------------
// Nodes: statements

bool CTreeNode::ExecChildren()
{
    for (CTreeNode* child : m_pChild)
    {
        if (!child)
            break;
        if (!child->Exec())
            return false;
    }
    return true;
}

bool CTreeNode::Test()
{
    std::uint32_t type = DT_UNKNOWN;
    SScriptValue value;
    Eval(type, value);
    return ScriptValueIsTrue(type, value, static_cast<std::int32_t>(m_nLine));
}

bool CTreeNode::ExecWhile()
{
    CTreeNode* condition = m_pChild[0];
    CTreeNode* body = m_pChild[1];
    if (!condition)
        return true;
    const std::int32_t limit = m_pTree->m_nLoopLimit;
    std::int32_t passes = 0;
    bool result = true;
    bool holds = condition->Test();
    while (holds)
    {
        if (passes >= limit)
            break;
        if (body && !body->Exec())
        {
            result = false;
            break;
        }
        holds = condition->Test();
        ++passes;
    }
    if (passes == limit)
        AddScriptError(static_cast<std::int32_t>(m_nLine), "Runtime error: limit loop count");
    return result;
}

bool CTreeNode::ExecProcCall()
{
    CCodeTree* tree = m_pTree;
    CTreeNode* decl = m_pSymbol ? m_pSymbol->m_pDecl : nullptr;
    if (!decl)
        return true;
    SParamList list;
    {
        XTRACE("Params1");
        CTreeNode* formal = decl->m_pChild[0];
        CTreeNode* actual = m_pChild[0];
        for (CTreeNode* var; (var = Element(formal, VAR_DECL)) && list.m_nCount < SParamList::kMaxParams;
             formal = formal->m_pChild[0])
        {
            SScriptValue& entry = list.m_Params[list.m_nCount++];
            if (CTreeNode* param = Element(actual, PARAM))
            {
                std::uint32_t type = DT_UNKNOWN;
                if (param->m_pChild[0])
                    param->m_pChild[0]->Eval(type, entry);
                actual = actual->m_pChild[0];
            }
            else
            {
                actual = nullptr;
                const SScriptSymbol* symbol = var->m_pSymbol;
                entry.Set(symbol && symbol->m_Init.Has() ? symbol->m_Init.Get() : "");
            }
        }
        formal = decl->m_pChild[0];
        for (int i = 0; i < list.m_nCount; ++i, formal = formal->m_pChild[0])
        {
            CTreeNode* var = Element(formal, VAR_DECL);
            if (var->m_pSymbol)
                var->m_pSymbol->m_Value = list.m_Params[i];
        }
    }
    // The return value is cleared only now: calls among the arguments, and
    // calls made by the body, must not become this call's result.
    tree->m_ReturnValue.Clear();
    tree->m_bReturned = false;
    {
        XTRACE("Proc decl");
        if (decl->m_pChild[1])
            decl->m_pChild[1]->Exec();
    }
    const bool returned = tree->m_bReturned && tree->m_ReturnValue.Has();
    m_pSymbol->m_Value.Set(returned ? tree->m_ReturnValue.Get() : "0");
    tree->m_bReturned = false;
    return true;
}

bool CTreeNode::Exec()
{
    XTRACE("CTreeNode::Exec");
    CCodeTree* tree = m_pTree;
    CNesting nesting(*tree, static_cast<std::int32_t>(m_nLine));
    if (!nesting.Ok())
        return false;
    const std::int32_t line = static_cast<std::int32_t>(m_nLine);
    switch (m_nType)
    {
    case PROC_DECL: return true;
    case PROC_STMT: return ExecProcCall();
    case OPERATOR_STMT: ExecOper(); return true;
    case WRITE_STMT:
    case WRITELN_STMT:
        for (CTreeNode* link = m_pChild[0]; CTreeNode* param = Element(link, PARAM); link = link->m_pChild[0])
        {
            std::uint32_t type = DT_UNKNOWN;
            SScriptValue value;
            if (param->m_pChild[0])
                param->m_pChild[0]->Eval(type, value);
            if (value.Has())
                std::printf("%s", value.Get());
        }
        if (m_nType == WRITELN_STMT)
            std::printf("\n");
        return true;
    case INC_STMT:
    case DEC_STMT:
        if (!m_pSymbol || m_pSymbol->m_nType != DT_INT)
        {
            AddScriptError(line, "Runtime error: param mismatch");
            return true;
        }
        m_pSymbol->m_Value.SetInt(static_cast<std::int32_t>(
            static_cast<std::uint32_t>(ScriptTextToInt(m_pSymbol->m_Value.Text())) + (m_nType == INC_STMT ? 1u : ~0u)));
        return true;
    case WHILE_STMT: return ExecWhile();
    case IFTHEN_STMT:
        if (m_pChild[0] && m_pChild[0]->Test())
            return m_pChild[1] ? m_pChild[1]->Exec() : true;
        return true;
    case IFTHENELSE_STMT:
    {
        if (!m_pChild[0])
            return true;
        CTreeNode* branch = m_pChild[0]->Test() ? m_pChild[1] : m_pChild[2];
        return branch ? branch->Exec() : true;
    }
    case ASSIGN_EXPR:
    {
        std::uint32_t type = DT_UNKNOWN;
        SScriptValue value;
        if (m_pChild[0])
            m_pChild[0]->Eval(type, value);
        if (!m_pSymbol)
            return true;
        if (type != m_pSymbol->m_nType)
            AddScriptError(line, "Runtime error: expression type mismatch at line %d;\n", line);
        else
            m_pSymbol->m_Value = value;
        return true;
    }
    case RETURN_STMT:
        if (m_pChild[0])
        {
            std::uint32_t type = DT_UNKNOWN;
            SScriptValue value;
            m_pChild[0]->Eval(type, value);
            tree->m_ReturnValue = value;
        }
        tree->m_bReturned = true;
        return false;
    case SWITCH_STMT:
    {
        std::uint32_t type = DT_UNKNOWN;
        SScriptValue selector;
        if (m_pChild[0])
            m_pChild[0]->Eval(type, selector);
        tree->m_Selector = selector;
        bool result = true;
        for (int i = 1; i < 3 && m_pChild[i]; ++i)
            if (!m_pChild[i]->Exec())
                result = false;
        return result;
    }
    case CASE_STMT:
    {
        std::uint32_t type = DT_UNKNOWN;
        SScriptValue value;
        if (m_pChild[0])
            m_pChild[0]->Eval(type, value);
        if (value == tree->m_Selector && m_pChild[1])
            return m_pChild[1]->Exec();
        return true;
    }
    default: return ExecChildren();
    }
}

// ---------------------------------------------------------------------------
// Nodes: expressions

void CTreeNode::EvalCompare(std::uint32_t& type, SScriptValue& value)
{
    std::uint32_t leftType = DT_UNKNOWN, rightType = DT_UNKNOWN;
    SScriptValue left, right;
    if (m_pChild[0])
        m_pChild[0]->Eval(leftType, left);
    if (m_pChild[1])
        m_pChild[1]->Eval(rightType, right);
    type = DT_BOOL;
    if (m_nType == EQUAL_EXPR || m_nType == NOTEQUAL_EXPR)
    {
        if (leftType != rightType)
            return;
        const bool equal = left == right;
        value.Set(equal == (m_nType == EQUAL_EXPR) ? "true" : "false");
        return;
    }
    if (!left.Has() || !right.Has() || leftType != rightType)
        return; // no value
    int order;
    switch (leftType)
    {
    case DT_INT:
    {
        const std::int32_t a = ScriptTextToInt(left.Text()), b = ScriptTextToInt(right.Text());
        order = a < b ? -1 : a > b ? 1 : 0;
        break;
    }
    case DT_CHAR: order = std::strcmp(left.Text(), right.Text()); break;
    case DT_FLOAT:
    {
        const double a = ScriptTextToFloat(left.Text()), b = ScriptTextToFloat(right.Text());
        order = a < b ? -1 : a > b ? 1 : 0;
        break;
    }
    default: return; // DT_BOOL, no value
    }
    bool result = false;
    switch (m_nType)
    {
    case GREATER_EXPR: result = order > 0; break;
    case LESS_EXPR: result = order < 0; break;
    case GREQ_EXPR: result = order >= 0; break;
    default: result = order <= 0; break;
    }
    value.Set(result ? "true" : "false");
}

void CTreeNode::EvalArith(std::uint32_t& type, SScriptValue& value)
{
    std::uint32_t leftType = DT_UNKNOWN, rightType = DT_UNKNOWN;
    SScriptValue left, right;
    if (m_pChild[0])
        m_pChild[0]->Eval(leftType, left);
    if (m_pChild[1])
        m_pChild[1]->Eval(rightType, right);
    const std::int32_t line = static_cast<std::int32_t>(m_nLine);
    type = leftType;
    if (m_nType == PLUS_EXPR && leftType == DT_CHAR && rightType == DT_CHAR)
    {
        char joined[2 * SScriptValue::kMaxLength + 1];
        std::snprintf(joined, sizeof(joined), "%s%s", left.Text(), right.Text());
        value.Set(joined); // cut to 63
        return;
    }
    if (!IsNumber(leftType) || !IsNumber(rightType))
        return; // the left type, no value
    if (leftType == DT_INT && rightType == DT_INT)
    {
        // 64-bit arithmetic, wrapped to 32 bits as the script's ints are.
        const std::int64_t a = ScriptTextToInt(left.Text()), b = ScriptTextToInt(right.Text());
        std::int64_t result = 0;
        switch (m_nType)
        {
        case PLUS_EXPR: result = a + b; break;
        case MINUS_EXPR: result = a - b; break;
        case MULTI_EXPR: result = a * b; break;
        case DIV_EXPR:
            if (b == 0)
                AddScriptError(line, "Runtime error: division by zero");
            else
                result = a / b;
            break;
        default:
        {
            const double power = std::pow(static_cast<double>(a), static_cast<double>(b));
            // Out of range (or not a number) has no integer; keep the ends.
            if (std::isnan(power))
                result = 0;
            else if (power >= 2147483647.0)
                result = 2147483647;
            else if (power <= -2147483648.0)
                result = -2147483647 - 1;
            else
                result = static_cast<std::int64_t>(power);
            break;
        }
        }
        value.SetInt(static_cast<std::int32_t>(static_cast<std::uint32_t>(result)));
        type = DT_INT;
        return;
    }
    const double a = ScriptTextToFloat(left.Text()), b = ScriptTextToFloat(right.Text());
    double result = 0.0;
    switch (m_nType)
    {
    case PLUS_EXPR: result = a + b; break;
    case MINUS_EXPR: result = a - b; break;
    case MULTI_EXPR: result = a * b; break;
    case DIV_EXPR:
        if (b == 0.0)
            AddScriptError(line, "Runtime error: division by zero");
        else
            result = a / b;
        break;
    default: result = std::pow(a, b); break;
    }
    value.SetFloat(result);
    if (m_nType == PLUS_EXPR)
        type = rightType == DT_FLOAT ? DT_FLOAT : leftType;
    else
        type = DT_FLOAT;
}

void CTreeNode::Eval(std::uint32_t& type, SScriptValue& value)
{
    CCodeTree* tree = m_pTree;
    CNesting nesting(*tree, static_cast<std::int32_t>(m_nLine));
    if (!nesting.Ok())
        return;
    const std::int32_t line = static_cast<std::int32_t>(m_nLine);
    auto symbolValue = [&](const SScriptSymbol* symbol) {
        if (!symbol)
            return;
        type = symbol->m_nType;
        value = symbol->m_Value;
    };
    switch (m_nType)
    {
    case PARAM:
        if (m_pChild[0])
            m_pChild[0]->Eval(type, value);
        return;
    case PROC_STMT:
        Exec();
        symbolValue(m_pSymbol);
        return;
    case OPERATOR_STMT:
        ExecOper();
        symbolValue(m_pSymbol);
        return;
    case IDENT_EXPR: symbolValue(m_pSymbol); return;
    case STR_EXPR:
    case INT_EXPR:
    case FLOAT_EXPR:
        if (m_pSymbol)
            value = m_pSymbol->m_Value;
        type = m_nType == STR_EXPR ? DT_CHAR : m_nType == INT_EXPR ? DT_INT : DT_FLOAT;
        return;
    case EQUAL_EXPR:
    case NOTEQUAL_EXPR:
    case GREATER_EXPR:
    case LESS_EXPR:
    case GREQ_EXPR:
    case LEEQ_EXPR: EvalCompare(type, value); return;
    case NOT_EXPR:
        value.Set(m_pChild[0] && m_pChild[0]->Test() ? "false" : "true");
        type = DT_BOOL;
        return;
    case AND_EXPR:
    case OR_EXPR:
    {
        // Both sides are evaluated first: there is no short circuit.
        std::uint32_t leftType = DT_UNKNOWN, rightType = DT_UNKNOWN;
        SScriptValue left, right;
        if (m_pChild[0])
            m_pChild[0]->Eval(leftType, left);
        if (m_pChild[1])
            m_pChild[1]->Eval(rightType, right);
        bool result;
        if (m_nType == AND_EXPR)
            result = ScriptValueIsTrue(leftType, left, line) && ScriptValueIsTrue(rightType, right, line);
        else
            result = ScriptValueIsTrue(leftType, left, line) || ScriptValueIsTrue(rightType, right, line);
        value.Set(result ? "true" : "false");
        type = DT_BOOL;
        return;
    }
    case PLUS_EXPR:
    case MINUS_EXPR:
    case MULTI_EXPR:
    case DIV_EXPR:
    case POWER_EXPR: EvalArith(type, value); return;
    case UMINUS_EXPR:
    {
        std::uint32_t childType = DT_UNKNOWN;
        SScriptValue child;
        if (m_pChild[0])
            m_pChild[0]->Eval(childType, child);
        type = childType;
        if (childType == DT_INT)
            value.SetInt(static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(ScriptTextToInt(child.Text()))));
        return;
    }
    case BUILTIN_EXPR:
    {
        const SScriptSymbol* name = m_pChild[0] ? m_pChild[0]->m_pSymbol : nullptr;
        value.Set(GetBuiltInValue(name ? name->m_Value.Text() : "", line));
        type = DT_CHAR;
        return;
    }
    case CONCAT_EXPR:
    {
        std::string joined;
        for (CTreeNode* link = m_pChild[0]; CTreeNode* param = Element(link, PARAM); link = link->m_pChild[0])
        {
            std::uint32_t partType = DT_UNKNOWN;
            SScriptValue part;
            if (param->m_pChild[0])
                param->m_pChild[0]->Eval(partType, part);
            if (joined.size() < SScriptValue::kMaxLength)
                joined += part.Text();
        }
        if (!m_pSymbol)
        {
            auto holder = std::make_unique<SScriptSymbol>();
            holder->m_nKind = IT_VAR;
            holder->m_nType = DT_CHAR;
            holder->m_nLine = line;
            SetPrivateSymbol(std::move(holder));
        }
        m_pSymbol->m_Value.Set(joined.c_str());
        value = m_pSymbol->m_Value;
        type = DT_CHAR;
        return;
    }
    case INT_STMT:
    case FLOAT_STMT:
    {
        std::uint32_t childType = DT_UNKNOWN;
        SScriptValue child;
        if (m_pChild[0])
            m_pChild[0]->Eval(childType, child);
        if (childType == DT_CHAR)
            value.SetInt(ScriptTextToInt(child.Text()));
        else if (childType == DT_BOOL)
            value.Set(strcasecmp(child.Text(), "true") == 0 ? "1" : "0");
        else
            value = child;
        type = m_nType == INT_STMT ? DT_INT : DT_FLOAT;
        return;
    }
    case CHAR_STMT:
    {
        std::uint32_t childType = DT_UNKNOWN;
        if (m_pChild[0])
            m_pChild[0]->Eval(childType, value);
        type = DT_CHAR;
        return;
    }
    case BOOL_STMT:
        value.Set(m_pChild[0] && m_pChild[0]->Test() ? "true" : "false");
        type = DT_BOOL;
        return;
    default:
        if (m_pChild[0])
            symbolValue(m_pChild[0]->m_pSymbol);
        return;
    }
}

void CTreeNode::ExecOper()
{
    XTRACE("CTreeNode::ExecOper");
    if (m_nType != OPERATOR_STMT)
    {
        AddScriptError(static_cast<std::int32_t>(m_nLine), "CTreeNode::ExecOper type error");
        return;
    }
    SScriptValue args[6];
    int count = 0;
    for (CTreeNode* link = m_pChild[0]; CTreeNode* param = Element(link, PARAM); link = link->m_pChild[0])
    {
        if (count == 6)
            break; // further arguments are dropped
        std::uint32_t type = DT_UNKNOWN;
        if (param->m_pChild[0])
            param->m_pChild[0]->Eval(type, args[count]);
        ++count;
    }
    const int number = ScriptTextToInt(args[0].Text());
    SUserFuncParams params;
    for (int i = 1; i < count; ++i)
        params.m_Params[i - 1] = args[i];
    params.m_nCount = count > 0 ? count - 1 : 0;
    if (m_pSymbol && m_pSymbol->m_nType == DT_CHAR)
    {
        const CXAnsiString result = m_pTree->UserFunc(number, params);
        if (result.GetData())
            m_pSymbol->m_Value.Set(result.GetData());
    }
    else
    {
        const int result = m_pTree->UserFuncInt(number, params);
        if (m_pSymbol)
        {
            m_pSymbol->m_nType = DT_INT;
            m_pSymbol->m_Value.SetInt(result);
        }
    }
}

// ---------------------------------------------------------------------------
// Nodes: static checks and the dump

std::uint32_t CTreeNode::StaticType() const
{
    const CTreeNode* node = this;
    // The arithmetic nodes take the type of their first child, followed down.
    for (std::uint32_t guard = 0; node && guard <= CCodeTree::kMaxLoadDepth + 1; ++guard)
    {
        switch (node->m_nType)
        {
        case INT_STMT: return DT_INT;
        case FLOAT_STMT: return DT_FLOAT;
        case PROC_STMT:
        case OPERATOR_STMT:
        case IDENT_EXPR:
        case STR_EXPR:
        case INT_EXPR:
        case FLOAT_EXPR: return node->m_pSymbol ? node->m_pSymbol->m_nType : DT_UNKNOWN;
        case EQUAL_EXPR:
        case NOTEQUAL_EXPR:
        case GREATER_EXPR:
        case LESS_EXPR:
        case GREQ_EXPR:
        case LEEQ_EXPR:
        case NOT_EXPR:
        case AND_EXPR:
        case OR_EXPR:
        case BOOL_STMT: return DT_BOOL;
        case BUILTIN_EXPR:
        case CONCAT_EXPR:
        case CHAR_STMT: return DT_CHAR;
        case PLUS_EXPR:
        case MINUS_EXPR:
        case UMINUS_EXPR:
        case MULTI_EXPR:
        case DIV_EXPR:
        case POWER_EXPR: node = node->m_pChild[0]; break;
        default: return DT_UNKNOWN;
        }
    }
    return DT_UNKNOWN;
}

bool CTreeNode::Check()
{
    CCodeTree* tree = m_pTree;
    CNesting nesting(*tree, static_cast<std::int32_t>(m_nLine));
    if (!nesting.Ok())
        return false;
    const std::int32_t line = static_cast<std::int32_t>(m_nLine);
    if (m_nType != VAR_DECL && m_pSymbol && m_pSymbol->m_nKind == IT_VAR && m_pSymbol->m_nLine >= line)
        AddScriptError(line, "Variable not declared [%s]", m_pSymbol->m_Name.Text());
    switch (m_nType)
    {
    case PROC_STMT:
        if (!m_pSymbol || !m_pSymbol->m_pDecl)
        {
            AddScriptError(line, "Procedure not declared");
            break;
        }
        {
            CTreeNode* formal = m_pSymbol->m_pDecl->m_pChild[0];
            for (CTreeNode* link = m_pChild[0]; CTreeNode* param = Element(link, PARAM); link = link->m_pChild[0])
            {
                CTreeNode* var = Element(formal, VAR_DECL);
                if (!var)
                {
                    AddScriptError(line, "Too many parameters");
                    break;
                }
                const std::uint32_t actualType = param->m_pChild[0] ? param->m_pChild[0]->StaticType() : DT_UNKNOWN;
                const std::uint32_t formalType = var->m_pSymbol ? var->m_pSymbol->m_nType : DT_UNKNOWN;
                if (actualType != formalType && !(actualType == DT_INT && formalType == DT_FLOAT))
                {
                    AddScriptError(line, "Proc param mismatch");
                    break;
                }
                formal = formal->m_pChild[0];
            }
        }
        break;
    case INC_STMT:
    case DEC_STMT:
        if (m_pSymbol && m_pSymbol->m_nType != DT_INT)
            AddScriptError(line, "Param mismatch");
        break;
    case ASSIGN_EXPR:
        if (m_pChild[0] && m_pSymbol && m_pChild[0]->StaticType() != m_pSymbol->m_nType)
            AddScriptError(line, "Type mismatch [%s]", m_pSymbol->m_Name.Text());
        break;
    default: break;
    }
    for (CTreeNode* child : m_pChild)
        if (child)
            child->Check();
    return GetScriptErrors().m_nCount == 0;
}

void CTreeNode::Dump(int depth) const
{
    int childDepth = depth + 1;
    if (m_nType == STMT_LIST)
        childDepth = depth;
    if (m_nType != STMT_LIST && m_nType != EMPTY_STMT)
    {
        std::printf("%*s", depth * 2, "");
        std::printf("T=%s C%d", GetNodeTypeName(m_nType), GetChildCount());
        if (m_pSymbol && m_pSymbol->m_Name.Has())
            std::printf(" N=%s", m_pSymbol->m_Name.Get());
        if (m_pSymbol && m_pSymbol->m_Value.Has())
            std::printf(" V=\"%s\"", m_pSymbol->m_Value.Get());
        std::printf(" line = %d\n", static_cast<int>(m_nLine));
    }
    if (depth > static_cast<int>(CCodeTree::kMaxLoadDepth))
        return;
    for (const CTreeNode* child : m_pChild)
        if (child)
            child->Dump(childDepth);
}

// ---------------------------------------------------------------------------
// The tree

CGuidKey CCodeTree::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "ICodeTree");
    return key;
}

namespace
{
// The five argument texts of a host call: present ones as pointers, absent
// ones as null.
struct SArgPointers
{
    const char* p[5];
    explicit SArgPointers(const SUserFuncParams& params)
    {
        for (int i = 0; i < 5; ++i)
            p[i] = params.m_Params[i].Get();
    }
};
} // namespace

CXAnsiString CCodeTree::UserFunc(int number, SUserFuncParams params)
{
    if (!m_pScript)
        return CXAnsiString();
    const SArgPointers a(params);
    return m_pScript->UserFunc(number, a.p[0], a.p[1], a.p[2], a.p[3], a.p[4], params.m_nCount);
}

int CCodeTree::UserFuncInt(int number, SUserFuncParams params)
{
    if (!m_pScript)
        return 0;
    const SArgPointers a(params);
    return m_pScript->UserFuncInt(number, a.p[0], a.p[1], a.p[2], a.p[3], a.p[4], params.m_nCount);
}

void CCodeTree::Clear()
{
    m_pRoot = nullptr;
    m_Nodes.clear();
    m_Symbols.Clear();
    m_nNextNode = 0;
    m_nNesting = 0;
    m_Selector.Clear();
    m_ReturnValue.Clear();
}

CTreeNode* CCodeTree::NewNode(std::uint32_t type, std::uint32_t line, CTreeNode* c1, CTreeNode* c2, CTreeNode* c3)
{
    CTreeNode& node = m_Nodes.emplace_back(this, type, c1, c2, c3);
    node.m_nLine = line;
    return &node;
}

SScriptSymbol* CCodeTree::ShareSymbol(std::unique_ptr<SScriptSymbol> symbol)
{
    SScriptSymbol* found = nullptr;
    if (symbol->m_nKind == IT_CONST && symbol->m_Value.Has())
        found = m_Symbols.FindConst(symbol->m_Value.Get(), symbol->m_nType);
    else if (symbol->m_nKind == IT_VAR)
        found = m_Symbols.FindVar(symbol->m_Name.Get(), symbol->m_nArea, true);
    else
        // Procedures (and other named symbols) are shared by name and area
        // too, so that a call finds the declaration it names.
        found = m_Symbols.FindKind(symbol->m_nKind, symbol->m_Name.Get(), symbol->m_nArea);
    if (found)
        return found;
    SScriptSymbol* added = symbol.release();
    m_Symbols.Add(added);
    return added;
}

CTreeNode* CCodeTree::TakeNode(CStreamReader& in)
{
    if (m_nNextNode >= m_Nodes.size())
        in.Fail("child beyond the node count %u", static_cast<unsigned>(m_Nodes.size()));
    return &m_Nodes[m_nNextNode++];
}

bool CCodeTree::LoadFromStream(CMemStream& stream)
{
    XTRACE("CCodeTree::LoadFromStream");
    Clear();
    m_loadError.clear();
    CStreamReader in(stream, "code tree");
    try
    {
        // Each node record is at least its 6-byte header.
        const std::uint32_t count = in.Count(6, "node count");
        if (count == 0)
            in.Fail("no nodes");
        for (std::uint32_t i = 0; i < count; ++i)
            m_Nodes.emplace_back(this, NT_UNKNOWN);
        m_pRoot = TakeNode(in);
        m_pRoot->LoadFromStream(in, 0);
        return true;
    }
    catch (const CStreamError& error)
    {
        m_loadError = error.what();
        Clear();
        return false;
    }
}

void CCodeTree::SaveToStream(CMemStream& stream) const
{
    const std::uint32_t start = stream.m_nPosition;
    WriteU32(stream, 0);
    const std::uint32_t written = m_pRoot ? m_pRoot->SaveToStream(stream) : 0;
    const std::uint32_t end = stream.m_nPosition;
    stream.m_nPosition = start;
    WriteU32(stream, written);
    stream.m_nPosition = end;
}

void CCodeTree::BeginRun()
{
    m_nNesting = 0;
    m_bAborted = false;
    m_bReturned = false;
}

bool CCodeTree::Execute()
{
    m_Symbols.ResetVariables();
    BeginRun();
    return m_pRoot ? m_pRoot->Exec() : false;
}

bool CCodeTree::Check()
{
    BeginRun();
    if (m_pRoot)
        m_pRoot->Check();
    return GetScriptErrors().m_nCount == 0;
}

void CCodeTree::Dump() const
{
    if (m_pRoot)
        m_pRoot->Dump(0);
}
