// IScript and CScript: one compiled script as the rest of the game sees it.
//
// Created through the class factory ("IGUID_IScript"), loaded from a memory
// stream holding a code tree (CodeTree.h), then asked to run its main body
// (Execute, variables reset first) or one procedure (ExecuteProc, variables
// kept from earlier runs). Host calls of the tree arrive at UserFunc and
// UserFuncInt; CScript's own answers are placeholders that a subclass (the
// game's script object, script/game) replaces by calls to the game script
// manager.
//
// A missing procedure is the result "PROC_NOTFOUND", not an error. Run-time
// errors go to the process-wide error list (GetErrors); exceptions from the
// host are logged and passed on.
//
// Main thread only. The object owns its tree.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/XString.h"
#include "script/CodeTree.h"

#include <cstdint>
#include <memory>

class CMemStream;

class IScript : public IBaseInterface
{
public:
    virtual void Clear() = 0;
    virtual bool Execute() = 0;
    // Runs the procedure name with count arguments (args[0..count-1]; null
    // ones clear their parameter). Its value text, null when it has none, or
    // "PROC_NOTFOUND". The text stays valid until the script runs again.
    virtual const char* ExecuteProc(const char* name, int count, const char* const* args) = 0;
    virtual SScriptErrors GetErrors() = 0;
    virtual void SaveToStream(CMemStream& stream) = 0;
    virtual bool LoadFromStream(CMemStream& stream) = 0;
    virtual CXAnsiString UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                                  const char* p5, int count) = 0;
    virtual int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                            const char* p5, int count) = 0;
    virtual bool Check() = 0;
};

class CScript : public IScript
{
public:
    static constexpr const char* kProcNotFound = "PROC_NOTFOUND";

    CScript() = default;
    ~CScript() override;
    CScript(const CScript&) = delete;
    CScript& operator=(const CScript&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Clear() override;
    bool Execute() override;
    const char* ExecuteProc(const char* name, int count, const char* const* args) override;
    SScriptErrors GetErrors() override { return GetScriptErrors(); }
    void SaveToStream(CMemStream& stream) override;
    // False for a refused stream (the reason in GetLoadError); nothing runs then.
    bool LoadFromStream(CMemStream& stream) override;
    CXAnsiString UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                          const char* p5, int count) override;
    int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4, const char* p5,
                    int count) override;
    bool Check() override;

    // The value of the variable name (any area), null when none or no value.
    const char* GetVarValue(const char* name) const;
    // n below 0 counts as 0.
    void SetLoopLimit(int n);
    const char* GetLoadError() const { return m_pTree ? m_pTree->GetLoadError() : ""; }
    CCodeTree* GetTree() { return m_pTree.get(); }

    std::uint32_t m_bLoaded = 0;

private:
    std::unique_ptr<CCodeTree> m_pTree;
};

extern std::uint32_t g_iIScript;

// The script module's registration: "IGUID_IScript" makes plain CScripts.
void RegisterScriptClasses();
