#include "foundation/FileManager.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <cstring>

IFileManager* g_pFileManager = nullptr;
std::uint32_t g_iIFileManager = static_cast<std::uint32_t>(-1);
std::uint32_t g_iIFileHandler = static_cast<std::uint32_t>(-1);

namespace
{
// Destroys the program's file manager at exit. Its constructor touches the
// pack file system first, so that object is built earlier and destroyed
// later: a CPakFileManager unmounts the packs as it goes.
struct SFileManagerOwner
{
    SFileManagerOwner() { GetPakFileSystem(); }
    ~SFileManagerOwner()
    {
        delete g_pFileManager;
        g_pFileManager = nullptr;
    }
};
SFileManagerOwner g_FileManagerOwner;

IBaseInterface* CreatePakFileManager()
{
    return new CPakFileManager();
}

IBaseInterface* CreateFileHandler()
{
    return new CFileHandler();
}

// Opens a new handle or destroys it again.
IFileHandler* OpenHandle(IFileHandler* handle, const char* path, bool readOnly)
{
    if (handle->Open(path, readOnly)) return handle;
    delete handle;
    return nullptr;
}

IFileHandler* CreateHandle(const char* path)
{
    auto* handle = new StdFile();
    if (handle->Create(path)) return handle;
    delete handle;
    return nullptr;
}

void DestroyHandle(IFileHandler*& handle)
{
    if (!handle) return;
    handle->Close();
    delete handle;
    handle = nullptr;
}
} // namespace

IFileManager* GetFileManager()
{
    return g_pFileManager;
}

void SetFileManager(IFileManager* manager)
{
    if (manager == g_pFileManager) return;
    delete g_pFileManager;
    g_pFileManager = manager;
}

CGuidKey IFileManager::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IFileManager");
}

IBaseInterface* CreateStdFileManager()
{
    return new StdFileManager();
}

// --- StdFileManager ---------------------------------------------------------

bool StdFileManager::SetDirectory(const char* path, std::uint32_t)
{
    return plat::SetCurrentDirectory(path);
}

IFileHandler* StdFileManager::OpenFile(const char* path, bool readOnly)
{
    if (readOnly && !FileExists(path)) return nullptr;
    return OpenHandle(new StdFile(), path, readOnly);
}

void StdFileManager::CloseFile(IFileHandler*& handle)
{
    DestroyHandle(handle);
}

bool StdFileManager::FileExists(const char* path)
{
    return plat::FileExists(path) || plat::DirectoryExists(path);
}

IFileHandler* StdFileManager::CreateFile(const char* path)
{
    return CreateHandle(path);
}

// --- CPakFileManager --------------------------------------------------------

CPakFileManager::~CPakFileManager()
{
    GetPakFileSystem().Unmount();
}

bool CPakFileManager::SetDirectory(const char* path, std::uint32_t)
{
    XTRACE("CPakFileManager::SetDirectory");
    GetPakFileSystem().Mount(path);
    return true;
}

IFileHandler* CPakFileManager::OpenFile(const char* path, bool readOnly)
{
    if (readOnly) return OpenHandle(new CFileHandler(), path, true);
    return OpenHandle(new StdFile(), path, false);
}

void CPakFileManager::CloseFile(IFileHandler*& handle)
{
    DestroyHandle(handle);
}

bool CPakFileManager::FileExists(const char*)
{
    return true;
}

IFileHandler* CPakFileManager::CreateFile(const char* path)
{
    return CreateHandle(path);
}

void LogFileSource(const char* path)
{
    CPakStream stream;
    if (!GetPakFileSystem().OpenStream(path, stream)) return;
    char line[128] = {};
    stream.ReadBytes(line, sizeof(line) - 1);
    line[std::strcspn(line, "\r\n")] = '\0';
    const char* from = stream.IsInPak() ? stream.m_pEngine->GetPath().c_str() : "the disk";
    g_ErrorLog.LogDebug("%s is read from %s: %s", path, from, line);
}

void RegisterFileClasses()
{
    RegisterClassFactory(&g_iIFileManager, CreatePakFileManager, "IGUID_IFileManager");
    RegisterClassFactory(&g_iIFileHandler, CreateFileHandler, "IGUID_IFileHandler");
}
