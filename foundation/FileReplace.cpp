#include "foundation/FileReplace.h"

#include "platform/File.h"

bool CommitTempFile(const std::string& temp, const std::string& path, const std::string* backup)
{
    // Without a backup the new file takes the old one's place in one step:
    // a crash at any moment leaves one of the two under the name.
    if (!backup)
    {
        if (plat::ReplaceFile(temp.c_str(), path.c_str())) return true;
        plat::DeleteFile(temp.c_str());
        return false;
    }
    const std::string old = path + ".old";
    const bool hadOld = plat::FileExists(path.c_str());
    if (hadOld)
    {
        plat::DeleteFile(old.c_str());
        if (!plat::MoveFile(path.c_str(), old.c_str()))
        {
            plat::DeleteFile(temp.c_str());
            return false;
        }
    }
    if (!plat::MoveFile(temp.c_str(), path.c_str()))
    {
        if (hadOld) plat::MoveFile(old.c_str(), path.c_str());
        plat::DeleteFile(temp.c_str());
        return false;
    }
    if (hadOld && !(backup && plat::MoveFile(old.c_str(), backup->c_str()))) plat::DeleteFile(old.c_str());
    return true;
}
