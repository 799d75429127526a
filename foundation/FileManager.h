// The file manager: IFileManager, the plain StdFileManager and the
// pack-aware CPakFileManager, and the program-wide g_pFileManager.
//
// The base library registers StdFileManager under "IGUID_IFileManager"; the
// file module's RegisterFileClasses replaces it with CPakFileManager (same
// class index), whose read handles take files from the mounted packs first.
// Handles opened for writing are always plain disk files. The application
// creates the manager through the factory, hands it to SetFileManager and
// calls SetDirectory("Data"), which mounts the packs of "Data".
//
// Ownership: OpenFile/CreateFile give the caller a handle, which it returns
// with CloseFile. SetFileManager takes ownership of the manager; it is
// destroyed at exit (or when replaced), and destroying a CPakFileManager
// unmounts the packs.
//
// Threads: OpenFile, CloseFile and FileExists may be called from any
// thread; SetDirectory runs on the main thread while nobody reads.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/FileHandler.h"

#include <cstdint>

class IFileManager : public IBaseInterface
{
public:
    CGuidKey GetGUID() const override; // "IGUID_IFileManager"
    virtual bool SetDirectory(const char* path, std::uint32_t second = 0) = 0;
    // A new open handle, or null.
    virtual IFileHandler* OpenFile(const char* path, bool readOnly) = 0;
    // Closes and destroys the handle and sets the pointer to null.
    virtual void CloseFile(IFileHandler*& handle) = 0;
    virtual bool FileExists(const char* path) = 0;
    // A new empty disk file for writing (an existing one is truncated), or
    // null. Writers of whole files use it so no old tail survives.
    virtual IFileHandler* CreateFile(const char* path) = 0;
};

class StdFileManager : public IFileManager
{
public:
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Makes path the process's current directory.
    bool SetDirectory(const char* path, std::uint32_t second = 0) override;
    // readOnly and a missing file: null without trying.
    IFileHandler* OpenFile(const char* path, bool readOnly) override;
    void CloseFile(IFileHandler*& handle) override;
    bool FileExists(const char* path) override;
    IFileHandler* CreateFile(const char* path) override;
};

class CPakFileManager : public IFileManager
{
public:
    ~CPakFileManager() override; // unmounts the packs
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Mounts the packs of path; the current directory stays.
    bool SetDirectory(const char* path, std::uint32_t second = 0) override;
    // readOnly: a CFileHandler; otherwise a StdFile.
    IFileHandler* OpenFile(const char* path, bool readOnly) override;
    void CloseFile(IFileHandler*& handle) override;
    // Always true: Open decides.
    bool FileExists(const char* path) override;
    IFileHandler* CreateFile(const char* path) override;
};

extern IFileManager* g_pFileManager;
IFileManager* GetFileManager();
// Takes ownership; destroys the previous manager.
void SetFileManager(IFileManager* manager);

extern std::uint32_t g_iIFileManager;
extern std::uint32_t g_iIFileHandler;

// Writes one debug-log line saying where path is read from (which pack, or
// the disk) and its first line; start-up uses it to show that packs come
// before loose files. Nothing when the file does not exist.
void LogFileSource(const char* path);

// The base library's create function for "IGUID_IFileManager".
IBaseInterface* CreateStdFileManager();
// The file module's registrations: CPakFileManager replaces the base file
// manager; "IGUID_IFileHandler" creates a CFileHandler.
void RegisterFileClasses();
