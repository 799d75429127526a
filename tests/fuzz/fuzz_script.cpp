// Fuzz target of the code-tree loader: any bytes as a compiled script. A tree
// that loads is checked, run with small limits (every procedure too), and
// saved; what it saves must load again.
#include "foundation/MemStream.h"
#include "script/Script.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("script");
    (void)ready;
    CMemStream stream;
    std::uint8_t* bytes = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size)
        std::memcpy(bytes, data, size);
    CScript script;
    if (!script.LoadFromStream(stream))
        return 0;
    CCodeTree* tree = script.GetTree();
    // Small limits keep a run short whatever the tree does.
    script.SetLoopLimit(2);
    tree->SetNestingLimit(64);
    script.Check();
    if (tree->GetNodeCount() <= 400)
    {
        script.Execute();
        int procs = 0;
        for (std::uint32_t i = 0; i < tree->m_Symbols.GetCount() && procs < 4; ++i)
        {
            const SScriptSymbol* symbol = tree->m_Symbols.Get(i);
            if (!symbol->m_pDecl)
                continue;
            const char* args[2] = {"OBJECT", nullptr};
            script.ExecuteProc(symbol->m_Name.Text(), 2, args);
            ++procs;
        }
    }
    ClearScriptErrors();
    CMemStream saved;
    script.SaveToStream(saved);
    CMemStream again;
    std::uint8_t* copy = again.Allocate(saved.m_nPosition);
    std::memcpy(copy, saved.m_pData, saved.m_nPosition);
    CScript reloaded;
    if (!reloaded.LoadFromStream(again))
        std::abort(); // a tree the loader took must save to a stream it takes
    return 0;
}
