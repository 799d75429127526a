// A test whose global logger writes into a fresh directory of its own, so
// that the errors a test provokes stay out of the working directory and can
// be read back: the common data tree (which is also the working directory
// during the test), under the name these tests know it by.
#pragma once

#include "common/DataTree.h"

#include <filesystem>
#include <string>

namespace testutil
{

class CLogDirTest : public CDataTreeTest
{
protected:
    // The whole text of a file in the directory ("" when it does not exist).
    std::string ReadText(const char* name) const { return Tree().ReadText(name); }

    const std::filesystem::path m_dir = Tree().Path();
};

} // namespace testutil
