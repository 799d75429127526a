// Fuzz target of the complex-object reader: any bytes as a model file
// (header, part records, model blocks into device buffers, particle
// systems); a loaded object is measured, updated and shaped.
#include "foundation/PakFileSystem.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/fuzz/FuzzDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("complex_object") && fuzz::OpenDevice();
    if (!ready || !fuzz::WriteFile("input.mdl", data, size)) return 0;
    {
        CComplexObject object;
        CPakStream stream;
        if (GetPakFileSystem().OpenStream("input.mdl", stream) && object.LoadFromStream(stream))
        {
            object.GetRadius();
            object.GetMemorySize();
            object.Update(0.1f);
            object.Update(1.0f);
            object.FindObject("SHAPE");
        }
    }
    CMesh::ResetCurrent();
    return 0;
}
