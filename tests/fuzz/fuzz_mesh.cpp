// Fuzz target of the mesh file reader: any bytes as a mesh file, loaded
// into heap arrays and measured.
#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "tests/fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("mesh");
    (void)ready;
    if (!fuzz::WriteFile("input.msh", data, size)) return 0;
    CPakStream stream;
    if (!GetPakFileSystem().OpenStream("input.msh", stream)) return 0;
    CMesh mesh(MESH_MEMORY_HEAP, 0x002, 0, 1, 0);
    if (!mesh.LoadFromStream(&stream, MESH_MEMORY_HEAP)) return 0;
    float out[3];
    mesh.GetRadius();
    mesh.GetSize(out);
    mesh.GetCenter(out);
    mesh.PrimitiveCount();
    return 0;
}
