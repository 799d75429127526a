// The generated sample data tree that the sample-tree ctest entries name in
// TARVOX_SAMPLE_DIR, as the working directory for as long as the object
// lives: the previous directory comes back when it goes, also when an
// assertion ends the test early.
#pragma once

#include "platform/File.h"

#include <cstdlib>
#include <string>

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

} // namespace testutil
