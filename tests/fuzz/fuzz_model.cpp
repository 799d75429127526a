// Fuzz target of the model block reader: any bytes as one model block,
// loaded into heap meshes; a loaded model is evaluated at a few animation
// values and written back, and what it writes must load again.
#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "tests/fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("model");
    (void)ready;
    if (!fuzz::WriteFile("input.bin", data, size)) return 0;
    CModel model;
    {
        CPakStream stream;
        if (!GetPakFileSystem().OpenStream("input.bin", stream) || !model.Load(stream, false)) return 0;
    }
    for (float s : {0.0f, 0.3f, 1.0f, 2.5f})
    {
        float state[4] = {s, s, s, s};
        model.GetAnimatedMesh(state, true);
        model.GetCurrentMesh(state);
    }
    std::FILE* file = plat::FOpen("saved.bin", "wb");
    if (!file) return 0;
    const bool saved = model.Save(file);
    std::fclose(file);
    if (!saved) return 0;
    CModel again;
    CPakStream stream;
    if (!GetPakFileSystem().OpenStream("saved.bin", stream) || !again.Load(stream, false))
        __builtin_trap(); // the writer wrote what the reader refuses
    return 0;
}
