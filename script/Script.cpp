#include "script/Script.h"

#include "foundation/ErrorLog.h"
#include "foundation/GuidKey.h"

#include <cstdio>
#include <cstring>

std::uint32_t g_iIScript = static_cast<std::uint32_t>(-1);

CScript::~CScript()
{
    Clear();
}

CGuidKey CScript::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IScript");
    return key;
}

void CScript::Clear()
{
    m_pTree.reset();
    m_bLoaded = 0;
}

bool CScript::LoadFromStream(CMemStream& stream)
{
    m_pTree = std::make_unique<CCodeTree>();
    m_pTree->m_pScript = this;
    m_bLoaded = m_pTree->LoadFromStream(stream) ? 1 : 0;
    return m_bLoaded != 0;
}

void CScript::SaveToStream(CMemStream& stream)
{
    if (m_pTree)
        m_pTree->SaveToStream(stream);
}

bool CScript::Execute()
{
    XTRACE("CScript::Execute()");
    if (!m_bLoaded || !m_pTree)
        return false;
    return m_pTree->Execute();
}

const char* CScript::ExecuteProc(const char* name, int count, const char* const* args)
{
    XTRACE("CScript::ExecuteProc");
    if (!m_bLoaded || !m_pTree || !name)
        return kProcNotFound;
    SScriptSymbol* proc = m_pTree->m_Symbols.FindAny(name);
    if (!proc || !proc->m_pDecl)
        return kProcNotFound;
    CTreeNode* decl = proc->m_pDecl;
    try
    {
        // Arguments go to the formals in order; formals without one keep
        // their values, arguments without a formal are dropped.
        CTreeNode* link = decl->m_pChild[0];
        for (int i = 0; i < count && link && link->m_pChild[1] && link->m_pChild[1]->m_nType == VAR_DECL;
             ++i, link = link->m_pChild[0])
        {
            if (SScriptSymbol* formal = link->m_pChild[1]->m_pSymbol)
                formal->m_Value.Set(args ? args[i] : nullptr);
        }
        m_pTree->BeginRun();
        if (decl->m_pChild[1])
            decl->m_pChild[1]->Exec();
        m_pTree->m_bReturned = false;
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
        g_ErrorLog.LogError("Exception in script proc '%s'", name);
        throw;
    }
    return proc->m_Value.Get();
}

bool CScript::Check()
{
    ClearScriptErrors();
    if (m_pTree)
        m_pTree->Check();
    return GetScriptErrors().m_nCount == 0;
}

namespace
{
const char* Arg(const char* p, int count, int index)
{
    return count > index && p ? p : "NULL";
}
} // namespace

CXAnsiString CScript::UserFunc(int number, const char* p1, const char* p2, const char*, const char*, const char*,
                               int count)
{
    std::snprintf(CXAnsiString::GetFormatBuffer(), CXAnsiString::kFormatBufferSize,
                  "UserFunc=%d, ParamsCount=%d Param1=%s Param2=%s\n", number, count, Arg(p1, count, 0),
                  Arg(p2, count, 1));
    return CXAnsiString("19");
}

int CScript::UserFuncInt(int number, const char* p1, const char* p2, const char*, const char*, const char*,
                         int count)
{
    std::snprintf(CXAnsiString::GetFormatBuffer(), CXAnsiString::kFormatBufferSize,
                  "UserFuncInt=%d, ParamsCount=%d Param1=%s Param2=%s\n", number, count, Arg(p1, count, 0),
                  Arg(p2, count, 1));
    return number * 100 + 88;
}

const char* CScript::GetVarValue(const char* name) const
{
    if (!m_pTree)
        return nullptr;
    const SScriptSymbol* symbol = m_pTree->m_Symbols.FindVar(name, 0, false);
    return symbol ? symbol->m_Value.Get() : nullptr;
}

void CScript::SetLoopLimit(int n)
{
    if (m_pTree)
        m_pTree->m_nLoopLimit = n < 0 ? 0 : n;
}

namespace
{
IBaseInterface* CreateScript()
{
    return new CScript();
}
} // namespace

void RegisterScriptClasses()
{
    RegisterClassFactory(&g_iIScript, CreateScript, "IGUID_IScript");
}
