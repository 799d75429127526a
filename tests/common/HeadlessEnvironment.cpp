// Every test program runs headless, however it is started (ctest, test.sh or
// by hand): SDL's offscreen video, Mesa's software rasteriser and OpenAL's
// null output, unless the caller chose otherwise.
//
// Each test process also gets a runtime directory of its own: the game's
// windows announce themselves there as the one instance of their class, and
// test processes run side by side (ctest -j, several checkouts on one
// machine) must not find each other's windows.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

struct SHeadlessEnvironment
{
    SHeadlessEnvironment()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);

        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "tvx_run_XXXXXX").string();
        if (!error && mkdtemp(pattern.data()))
        {
            m_RuntimeDir = pattern;
            setenv("XDG_RUNTIME_DIR", m_RuntimeDir.c_str(), 1);
        }
    }
    ~SHeadlessEnvironment()
    {
        std::error_code error;
        if (!m_RuntimeDir.empty()) std::filesystem::remove_all(m_RuntimeDir, error);
    }
    SHeadlessEnvironment(const SHeadlessEnvironment&) = delete;
    SHeadlessEnvironment& operator=(const SHeadlessEnvironment&) = delete;

    std::string m_RuntimeDir;
};

const SHeadlessEnvironment s_HeadlessEnvironment;

} // namespace
