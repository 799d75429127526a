#include "foundation/ClassFactory.h"

#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/StringPool.h"

#include <cstdlib>
#include <cstring>

void* XAlloc(std::size_t bytes)
{
    void* memory = std::malloc(bytes ? bytes : 1);
    if (!memory)
        throw CNewException();
    return memory;
}

void XFree(void* memory)
{
    std::free(memory);
}

namespace
{

// Keys in registration order with a separately sorted order array, searched
// by bisection. Capacity starts at 4 and grows by half plus 4.
class CClassRegistry
{
public:
    ~CClassRegistry() { Clear(); }

    void Clear()
    {
        delete[] m_pOrder;
        delete[] m_pClassIndex;
        delete[] m_pKeys;
        m_pOrder = nullptr;
        m_pClassIndex = nullptr;
        m_pKeys = nullptr;
        m_nCount = 0;
        m_nCapacity = 0;
    }

    int Find(const CGuidKey& key) const
    {
        if (m_nCount == 0)
            return -1;
        int low = 0;
        int high = m_nCount - 1;
        while (high > low)
        {
            const int mid = (low + high) / 2;
            const int cmp = Compare(m_pKeys[m_pOrder[mid]], key);
            if (cmp == 0)
                return m_pOrder[mid];
            if (cmp < 0)
                low = (mid == low) ? low + 1 : mid;
            else
                high = (mid == high) ? high - 1 : mid;
        }
        if (low < m_nCount && Compare(m_pKeys[m_pOrder[low]], key) == 0)
            return m_pOrder[low];
        return -1;
    }

    void Insert(const CGuidKey& key, int classIndex)
    {
        if (m_nCount >= m_nCapacity)
        {
            const int capacity = m_nCapacity == 0 ? 4 : m_nCapacity + m_nCapacity / 2 + 4;
            auto* keys = new CGuidKey[capacity];
            auto* classIndices = new int[capacity];
            for (int i = 0; i < m_nCount; ++i)
            {
                keys[i] = m_pKeys[i];
                classIndices[i] = m_pClassIndex[i];
            }
            delete[] m_pKeys;
            delete[] m_pClassIndex;
            delete[] m_pOrder;
            m_pKeys = keys;
            m_pClassIndex = classIndices;
            m_pOrder = new int[capacity];
            m_nCapacity = capacity;
        }
        m_pKeys[m_nCount] = key;
        m_pKeys[m_nCount].id = CGuidKey::kUnresolved;
        m_pClassIndex[m_nCount] = classIndex;
        ++m_nCount;
        Sort();
    }

    int ClassIndexAt(int position) const { return m_pClassIndex[position]; }
    int Count() const { return m_nCount; }
    int Capacity() const { return m_nCapacity; }
    const CGuidKey& KeyAt(int position) const { return m_pKeys[position]; }

private:
    // Names compare byte by byte as unsigned characters; the ids are all -2.
    static int Compare(const CGuidKey& a, const CGuidKey& b)
    {
        return std::strncmp(a.name, b.name, CGuidKey::kNameSize);
    }

    // Shell sort with halving gaps, rebuilt after every insertion.
    void Sort()
    {
        const int n = m_nCount;
        for (int i = 0; i < n; ++i)
            m_pOrder[i] = i;
        for (int gap = n / 2; gap > 0; gap /= 2)
        {
            for (int i = gap; i < n; ++i)
            {
                for (int j = i; j >= gap && Compare(m_pKeys[m_pOrder[j]], m_pKeys[m_pOrder[j - gap]]) < 0; j -= gap)
                {
                    const int t = m_pOrder[j];
                    m_pOrder[j] = m_pOrder[j - gap];
                    m_pOrder[j - gap] = t;
                }
            }
        }
    }

    int m_nCount = 0;
    int m_nCapacity = 0;
    int* m_pOrder = nullptr;
    int* m_pClassIndex = nullptr;
    CGuidKey* m_pKeys = nullptr;
};

// Function-local statics: modules may register from their own static
// initialisers, before this file's globals would be constructed.
CClassRegistry& Registry()
{
    static CClassRegistry registry;
    return registry;
}

CIntArrayOf<CreateFunction>& CreateTable()
{
    static CIntArrayOf<CreateFunction> table;
    return table;
}

} // namespace

void RegisterClassFactory(std::uint32_t* outIndex, CreateFunction create, const char* id)
{
    CGuidKey key;
    MakeGuidKey(&key, id);
    const int position = Registry().Find(key);
    if (position >= 0)
    {
        const int classIndex = Registry().ClassIndexAt(position);
        *outIndex = static_cast<std::uint32_t>(classIndex);
        CreateTable()[static_cast<std::uint32_t>(classIndex)] = create;
        return;
    }
    const std::uint32_t classIndex = CreateTable().m_nCount;
    *outIndex = classIndex;
    CreateTable().Append(&create);
    Registry().Insert(key, static_cast<int>(classIndex));
}

int ResolveClassIndex(CGuidKey& key)
{
    if (key.id != CGuidKey::kUnresolved)
        return key.id;
    CGuidKey probe = key;
    probe.id = CGuidKey::kUnresolved;
    const int position = Registry().Find(probe);
    key.id = position >= 0 ? Registry().ClassIndexAt(position) : CGuidKey::kNone;
    return key.id;
}

IBaseInterface* CreateClassInstance(int classIndex)
{
    if (classIndex < 0 || static_cast<std::uint32_t>(classIndex) >= CreateTable().m_nCount)
        return nullptr;
    CreateFunction create = CreateTable()[static_cast<std::uint32_t>(classIndex)];
    return create ? create() : nullptr;
}

CGuidKey GetClassKeyByIndex(int classIndex)
{
    for (int i = 0; i < Registry().Count(); ++i)
    {
        if (Registry().ClassIndexAt(i) == classIndex)
            return Registry().KeyAt(i);
    }
    return CGuidKey();
}

int GetClassRegistryCapacity()
{
    return Registry().Capacity();
}

void ResetClassRegistry()
{
    Registry().Clear();
    CreateTable().SetSize(0);
}

// --- base allocators -------------------------------------------------------

CGuidKey StdMemoryAllocator::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IMemoryAllocator");
}

std::uint32_t* StdMemoryAllocator::Alloc(std::uint32_t** out, std::uint32_t count)
{
    *out = static_cast<std::uint32_t*>(XAlloc(static_cast<std::size_t>(count) * 4));
    m_nUnits += count;
    m_nBlocks += 1;
    return *out;
}

void StdMemoryAllocator::Free(std::uint32_t** inout, std::uint32_t count)
{
    m_nUnits -= count;
    m_nBlocks -= 1;
    XFree(*inout);
    *inout = nullptr;
}

CGuidKey StdObjectAllocator::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IObjectAllocator");
}

IBaseInterface* StdObjectAllocator::Create(int classIndex)
{
    IBaseInterface* object = CreateClassInstance(classIndex);
    if (object)
        ++m_nLive;
    return object;
}

void StdObjectAllocator::Release(IBaseInterface** object)
{
    if (!*object)
        return;
    delete *object;
    --m_nLive;
    *object = nullptr;
}

std::uint32_t g_iIMemoryAllocator = static_cast<std::uint32_t>(-1);
std::uint32_t g_iIObjectAllocator = static_cast<std::uint32_t>(-1);
std::uint32_t g_iStdMemoryAllocator = static_cast<std::uint32_t>(-1);
std::uint32_t g_iStdObjectAllocator = static_cast<std::uint32_t>(-1);

namespace
{
IBaseInterface* CreateStdMemoryAllocator()
{
    return new StdMemoryAllocator();
}
IBaseInterface* CreateStdObjectAllocator()
{
    return new StdObjectAllocator();
}
} // namespace

void RegisterBaseClasses()
{
    RegisterClassFactory(&g_iIMemoryAllocator, CreateStdMemoryAllocator, "IGUID_IMemoryAllocator");
    RegisterClassFactory(&g_iIObjectAllocator, CreateStdObjectAllocator, "IGUID_IObjectAllocator");
    RegisterClassFactory(&g_iIFileManager, CreateStdFileManager, "IGUID_IFileManager");
    RegisterClassFactory(&g_iIArchive, CreateFileArchive, "IGUID_IArchive");
    RegisterClassFactory(&g_iStdMemoryAllocator, CreateStdMemoryAllocator, "IGUID_StdMemoryAllocator");
    RegisterClassFactory(&g_iStdObjectAllocator, CreateStdObjectAllocator, "IGUID_StdObjectAllocator");
    RegisterClassFactory(&g_iFileArchive, CreateFileArchive, "IGUID_FileArchive");
}

void DoneBaseClasses() {}
