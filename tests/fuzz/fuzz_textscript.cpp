// Fuzz target of the text-script reader: any bytes as a script below
// "SCRIPT\" (loaded, run whole and from its procedures) and as a compiled
// script file.
#include "script/ScriptInter.h"
#include "tests/fuzz/FuzzCommon.h"

#include <string>

namespace
{
// Answers calls and words alternately, so both branches of conditions run.
class CFuzzInter : public CScriptInter
{
public:
    bool RunFunction(const char*, CStringPool*) override { return (++m_nCalls & 1) != 0; }
    bool CheckVar(const char* word) override { return word && word[0] > 'M'; }
    int m_nCalls = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = []
    {
        fuzz::SetUp("textscript");
        plat::CreateDirectory("SCRIPT");
        return true;
    }();
    (void)ready;
    const std::string base = fuzz::Directory().string() + "\\";
    if (!fuzz::WriteFile(base + "SCRIPT\\INPUT.SCR", data, size))
        return 0;
    CFuzzInter inter;
    inter.SetBaseDirectory(base.c_str());
    CStringPool* lines = nullptr;
    if (inter.LoadScript("INPUT.SCR", &lines, false))
    {
        inter.RunScript(&lines, nullptr);
        int procs = 0;
        for (std::uint32_t i = 0; i < lines->GetCount() && procs < 4; ++i)
        {
            const std::string line = lines->Get(i);
            if (line.compare(0, 4, "PROC") != 0)
                continue;
            inter.RunScript(&lines, line.substr(4).c_str());
            ++procs;
        }
    }
    delete lines;
    lines = nullptr;
    if (inter.LoadCompiled((base + "SCRIPT\\INPUT.SCR").c_str(), &lines))
        inter.RunScript(&lines, nullptr);
    delete lines;
    return 0;
}
