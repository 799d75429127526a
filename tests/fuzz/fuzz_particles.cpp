// Fuzz target of the particle system file form: any bytes as a particle
// record (u32 size, then the stream form or an old record); a loaded
// system is run for a few steps and its particles built into quads.
#include "foundation/PakFileSystem.h"
#include "graphics/ParticleSystem.h"
#include "tests/fuzz/FuzzCommon.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("particles");
    (void)ready;
    if (!fuzz::WriteFile("input.par", data, size)) return 0;
    CPakStream stream;
    if (!GetPakFileSystem().OpenStream("input.par", stream)) return 0;
    CParticleViewer viewer;
    try
    {
        viewer.Load(stream);
    }
    catch (const std::exception&)
    {
        return 0;
    }
    viewer.Start(true);
    for (float dt : {0.0f, 0.05f, 0.5f, 3.0f})
    {
        viewer.Update(dt);
        viewer.BuildQuads();
        viewer.BuildPoints();
    }
    CVector centre;
    float radius = 0.0f;
    viewer.GetBoundingSphere(&centre, &radius);
    return 0;
}
