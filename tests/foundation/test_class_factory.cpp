#include "foundation/ClassFactory.h"
#include "foundation/StringPool.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class CThing : public IBaseInterface
{
public:
    explicit CThing(int kind) : m_nKind(kind) {}
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        return *MakeGuidKeyConcat(&key, "IGUID_", "IThing");
    }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    int m_nKind;
};

IBaseInterface* CreateThingA() { return new CThing(1); }
IBaseInterface* CreateThingB() { return new CThing(2); }
IBaseInterface* CreateNothing() { return nullptr; }

class ClassFactory : public ::testing::Test
{
protected:
    void SetUp() override { ResetClassRegistry(); }
    void TearDown() override { ResetClassRegistry(); }
};

TEST_F(ClassFactory, ReRegistrationKeepsIndexAndReplacesFunction)
{
    std::uint32_t first = 99, second = 99, other = 99;
    RegisterClassFactory(&first, CreateThingA, "IGUID_IFileManager");
    RegisterClassFactory(&other, CreateThingA, "IGUID_IArchive");
    RegisterClassFactory(&second, CreateThingB, "IGUID_IFileManager");
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(other, 1u);
    EXPECT_EQ(second, first);

    IBaseInterface* object = CreateClassInstance(static_cast<int>(first));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<CThing*>(object)->m_nKind, 2);
    delete object;
}

TEST_F(ClassFactory, GrowthKeepsEveryIdFindable)
{
    const char* ids[] = {"IGUID_Zeta", "IGUID_Alpha", "IGUID_Mu", "IGUID_Beta", "IGUID_Omega"};
    std::uint32_t index[5];
    for (int i = 0; i < 4; ++i)
        RegisterClassFactory(&index[i], CreateThingA, ids[i]);
    EXPECT_EQ(GetClassRegistryCapacity(), 4);
    RegisterClassFactory(&index[4], CreateThingA, ids[4]);
    EXPECT_EQ(GetClassRegistryCapacity(), 10);

    for (int i = 0; i < 5; ++i)
    {
        CGuidKey key;
        MakeGuidKey(&key, ids[i]);
        EXPECT_EQ(ResolveClassIndex(key), static_cast<int>(index[i])) << ids[i];
        EXPECT_EQ(std::string(GetClassKeyByIndex(static_cast<int>(index[i])).name), ids[i]);
    }
}

TEST_F(ClassFactory, LongIdIsCutTo31Characters)
{
    const std::string longId = "IGUID_" + std::string(40, 'x');
    std::uint32_t index = 0;
    RegisterClassFactory(&index, CreateThingA, longId.c_str());

    CGuidKey key;
    MakeGuidKey(&key, longId.substr(0, 31).c_str());
    EXPECT_EQ(ResolveClassIndex(key), static_cast<int>(index));
    EXPECT_EQ(std::string(GetClassKeyByIndex(0).name).size(), 31u);
}

TEST_F(ClassFactory, UnknownIdResolvesOnceToMinusOne)
{
    std::uint32_t index = 0;
    RegisterClassFactory(&index, CreateThingA, "IGUID_Known");
    CGuidKey key;
    MakeGuidKey(&key, "IGUID_Unknown");
    EXPECT_EQ(key.id, CGuidKey::kUnresolved);
    EXPECT_EQ(ResolveClassIndex(key), -1);
    EXPECT_EQ(key.id, -1);
    // Once resolved, the name is not searched again: re-registering under it
    // does not change what the cached key says.
    std::uint32_t later = 0;
    RegisterClassFactory(&later, CreateThingA, "IGUID_Unknown");
    EXPECT_EQ(ResolveClassIndex(key), -1);
}

TEST_F(ClassFactory, CreationOutsideTheTableYieldsNull)
{
    std::uint32_t index = 0;
    RegisterClassFactory(&index, CreateNothing, "IGUID_Empty");
    EXPECT_EQ(CreateClassInstance(-1), nullptr);
    EXPECT_EQ(CreateClassInstance(1), nullptr);
    EXPECT_EQ(CreateClassInstance(0), nullptr);
    EXPECT_EQ(GetClassKeyByIndex(5).id, -1);
    EXPECT_STREQ(GetClassKeyByIndex(5).name, "");
}

TEST(GuidKey, ComparesByIdWhenBothResolvedElseByName)
{
    CGuidKey a, b;
    MakeGuidKeyConcat(&a, "IGUID_", "IInput");
    MakeGuidKey(&b, "IGUID_IInput");
    EXPECT_TRUE(a == b);
    a.id = 3;
    EXPECT_TRUE(a == b);  // b unresolved: names decide
    b.id = 4;
    EXPECT_FALSE(a == b);  // both resolved: ids decide
    MakeGuidKey(&b, "IGUID_Other");
    b.id = 3;
    EXPECT_TRUE(a == b);
}

TEST_F(ClassFactory, BaseAllocatorsCountWhatTheyHandOut)
{
    RegisterBaseClasses();
    IBaseInterface* created = CreateClassInstance(static_cast<int>(g_iIObjectAllocator));
    ASSERT_NE(created, nullptr);
    auto* objects = static_cast<StdObjectAllocator*>(created);
    EXPECT_EQ(std::string(objects->GetGUID().name), "IGUID_IObjectAllocator");

    IBaseInterface* memory = objects->Create(static_cast<int>(g_iStdMemoryAllocator));
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(objects->m_nLive, 1u);
    auto* units = static_cast<StdMemoryAllocator*>(memory);
    std::uint32_t* block = nullptr;
    units->Alloc(&block, 8);
    block[7] = 1;
    EXPECT_EQ(units->m_nUnits, 8u);
    EXPECT_EQ(units->m_nBlocks, 1u);
    units->Free(&block, 8);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(units->m_nUnits, 0u);

    objects->Release(&memory);
    EXPECT_EQ(memory, nullptr);
    EXPECT_EQ(objects->m_nLive, 0u);
    IBaseInterface* none = nullptr;
    objects->Release(&none);
    EXPECT_EQ(objects->m_nLive, 0u);
    delete created;
}

TEST(StringPool, FindsFirstExactMatchInAddedOrder)
{
    CStringPool pool(2, 8);
    EXPECT_EQ(pool.Find("x"), -1);
    // Texts longer than the buffer and more entries than offsets force growth.
    pool.Add("TEX_SAMPLECOLOR");
    pool.Add("MUS_INT_MENU");
    pool.Add("tex_samplecolor");
    pool.Add("MUS_INT_MENU");
    pool.Add("");
    EXPECT_EQ(pool.GetCount(), 5u);
    EXPECT_EQ(pool.Find("TEX_SAMPLECOLOR"), 0);
    EXPECT_EQ(pool.Find("tex_samplecolor"), 2);
    EXPECT_EQ(pool.Find("MUS_INT_MENU"), 1);
    EXPECT_EQ(pool.Find(""), 4);
    EXPECT_EQ(pool.Find("MUS_INT"), -1);
    EXPECT_STREQ(pool.Get(1), "MUS_INT_MENU");

    CStringPool empty;
    EXPECT_EQ(empty.Find("a"), -1);
    empty.Add("a");
    EXPECT_EQ(empty.Find("a"), 0);
}

TEST(IntArray, AppendKeepsOrder)
{
    CIntArray array;
    for (std::uint32_t v : {5u, 7u, 9u})
        array.Append(&v);
    ASSERT_EQ(array.m_nCount, 3u);
    EXPECT_EQ(array[0], 5u);
    EXPECT_EQ(array[2], 9u);
    array.SetSize(0);
    EXPECT_EQ(array.m_pData, nullptr);
}

} // namespace
