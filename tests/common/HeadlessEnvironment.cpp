// Every test program runs headless, however it is started (ctest, test.sh or
// by hand): SDL's offscreen video, Mesa's software rasteriser and OpenAL's
// null output, unless the caller chose otherwise.
#include <cstdlib>

namespace
{

struct SHeadlessEnvironment
{
    SHeadlessEnvironment()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
    }
};

const SHeadlessEnvironment s_HeadlessEnvironment;

} // namespace
