// The process-wide class factory, the root interface and the base allocators.
//
// Modules register a create function under an id "IGUID_<Interface>" and get
// a class index, which they keep; code creates objects by class index, or
// resolves an id key to an index first. Registering an id again keeps its
// index and replaces its create function, so a later module can substitute
// its own implementation of an interface.
//
// Threads: registration happens on the main thread during start-up, before
// any creation. Afterwards the registry is only read (resolution stores the
// index into the caller's own key), so loader threads may create objects.
#pragma once

#include "foundation/GuidKey.h"

#include <cstddef>
#include <cstdint>
#include <new>

// Thrown when the program-wide allocation fails.
class CNewException : public std::bad_alloc
{
public:
    const char* what() const noexcept override { return "CNewException"; }
};

// The program-wide allocation: never returns null; throws CNewException.
// Memory is released with XFree.
void* XAlloc(std::size_t bytes);
void XFree(void* memory);

// Root of every factory class.
class IBaseInterface
{
public:
    virtual ~IBaseInterface() = default;
    // The id key of the interface ("IGUID_" + interface name).
    virtual CGuidKey GetGUID() const = 0;
    virtual std::uint32_t GetSize() const = 0;
};

using CreateFunction = IBaseInterface* (*)();

// Registers (or re-registers) an id; *outIndex receives its class index.
void RegisterClassFactory(std::uint32_t* outIndex, CreateFunction create, const char* id);
// The key's class index, resolved once and cached in the key; -1 when unknown.
int ResolveClassIndex(CGuidKey& key);
// A new object of the class, or null for -1, an index out of range, or a
// create function that yields nothing.
IBaseInterface* CreateClassInstance(int classIndex);
// A new object of the class as a T: null, with nothing leaked, when the
// class is unknown or its object is not a T.
template <typename T> T* CreateClassInstanceAs(int classIndex)
{
    IBaseInterface* object = CreateClassInstance(classIndex);
    T* typed = dynamic_cast<T*>(object);
    if (!typed) delete object;
    return typed;
}
// The key of the first id registered with the index; an empty key (id -1) when none.
CGuidKey GetClassKeyByIndex(int classIndex);

// Test support: forgets every registration (the registry starts empty again).
void ResetClassRegistry();
int GetClassRegistryCapacity();

class IMemoryAllocator : public IBaseInterface
{
public:
    virtual void Reserve(std::uint32_t, std::uint32_t) = 0;
    virtual std::uint32_t* Alloc(std::uint32_t** out, std::uint32_t count) = 0;
    virtual void Free(std::uint32_t** inout, std::uint32_t count) = 0;
    virtual void Compact() = 0;
};

class IObjectAllocator : public IBaseInterface
{
public:
    virtual IBaseInterface* Create(int classIndex) = 0;
    virtual void Release(IBaseInterface** object) = 0;
};

// Allocates 32-bit units through the program-wide allocation and counts them.
class StdMemoryAllocator : public IMemoryAllocator
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Reserve(std::uint32_t, std::uint32_t) override {}
    std::uint32_t* Alloc(std::uint32_t** out, std::uint32_t count) override;
    void Free(std::uint32_t** inout, std::uint32_t count) override;
    void Compact() override {}

    std::uint32_t m_nUnits = 0;
    std::uint32_t m_nBlocks = 0;
};

// Creates objects through the factory and counts the live ones.
class StdObjectAllocator : public IObjectAllocator
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    IBaseInterface* Create(int classIndex) override;
    void Release(IBaseInterface** object) override;

    std::uint32_t m_nLive = 0;
};

// Class indices of the base library's ids.
extern std::uint32_t g_iIMemoryAllocator;
extern std::uint32_t g_iIObjectAllocator;
extern std::uint32_t g_iStdMemoryAllocator;
extern std::uint32_t g_iStdObjectAllocator;

// The base library's registrations: the allocators, the plain file manager
// and the archive. The file services module (RegisterFileClasses) later
// replaces the file manager with the pack-aware one under the same index.
void RegisterBaseClasses();
// Nothing to undo: the registry lives for the whole program.
void DoneBaseClasses();
