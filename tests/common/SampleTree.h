// The generated sample data tree that the sample-tree ctest entries name in
// TARVOX_SAMPLE_DIR, as the working directory for as long as the object
// lives: the previous directory comes back when it goes, also when an
// assertion ends the test early.
//
// WriteSampleTreeCopy: the sample tree written into a test's own directory,
// copied from one written once per test binary.
#pragma once

#include "platform/File.h"
#include "tools/mksample/SampleTree.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testutil
{

class CInSampleTree
{
public:
    CInSampleTree() : m_pRoot(std::getenv("TARVOX_SAMPLE_DIR")), m_previous(plat::GetCurrentDirectory())
    {
        if (m_pRoot) m_bEntered = plat::SetCurrentDirectory(m_pRoot);
    }
    ~CInSampleTree()
    {
        if (m_bEntered) plat::SetCurrentDirectory(m_previous.c_str());
    }
    CInSampleTree(const CInSampleTree&) = delete;
    CInSampleTree& operator=(const CInSampleTree&) = delete;

    // Null when the variable is not set (the test is then skipped).
    const char* Root() const { return m_pRoot; }
    bool Entered() const { return m_bEntered; }

private:
    const char* m_pRoot;
    std::string m_previous;
    bool m_bEntered = false;
};

// Writing the sample tree takes about ten seconds under the sanitizers and
// every application test starts from a fresh one, each in its own process.
// The first process of a test binary writes it into sample_cache/ beside
// the binary; the others copy that. The cache's name carries the binary's
// size and time, so a rebuilt binary (whose writers may have changed) writes
// its own, and the older ones of the same binary are removed then. A writer
// works in a directory of its own and renames it into place, so a process
// never copies a half-written cache, and of two that race one rename wins.
inline bool WriteSampleTreeCopy(const std::string& root)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return WriteSampleTree(root);
    const auto size = fs::file_size(exe, ec);
    if (ec) return WriteSampleTree(root);
    const auto time = static_cast<unsigned long long>(fs::last_write_time(exe, ec).time_since_epoch().count());
    if (ec) return WriteSampleTree(root);
    const fs::path caches = exe.parent_path() / "sample_cache";
    const std::string prefix = exe.filename().string() + "-";
    const fs::path cache = caches / (prefix + std::to_string(size) + "-" + std::to_string(time));
    if (!fs::is_directory(cache, ec))
    {
        const fs::path mine = caches / ("writing-" + std::to_string(::getpid()));
        fs::remove_all(mine, ec);
        fs::create_directories(mine, ec);
        if (ec || !WriteSampleTree(mine.string())) return WriteSampleTree(root);
        fs::rename(mine, cache, ec);
        if (ec) fs::remove_all(mine, ec); // another process's copy won
        else
            for (const fs::directory_entry& e : fs::directory_iterator(caches, ec))
                if (e.path() != cache && e.path().filename().string().rfind(prefix, 0) == 0)
                    fs::remove_all(e.path(), ec);
    }
    ec.clear();
    fs::copy(cache, root, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    return !ec || WriteSampleTree(root);
}

} // namespace testutil
