// Fuzz target of the Wavefront OBJ reader: any bytes as an OBJ file, read
// into device buffers.
#include "graphics/Mesh.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/fuzz/FuzzDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("obj") && fuzz::OpenDevice();
    if (!ready || !fuzz::WriteFile("input.obj", data, size)) return 0;
    {
        CMesh mesh(MESH_MEMORY_HEAP, 0x112, 0, 1, 0);
        if (mesh.LoadObj("input.obj")) mesh.GetRadius();
    }
    CMesh::ResetCurrent();
    return 0;
}
