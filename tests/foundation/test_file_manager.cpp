// File manager and file handles: the plain stdio manager and the
// pack-aware one, created through the class factory.
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileManager.h"
#include "foundation/PakBuilder.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace
{
namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FileManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tvx_fm_" + std::to_string(std::random_device{}()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        ResetClassRegistry();
    }
    void TearDown() override
    {
        ResetClassRegistry();
        GetPakFileSystem().Unmount();
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        fs::remove_all(m_dir);
    }

    std::string Path(const char* name) const { return (m_dir / name).string(); }
    std::string ErrorLog() const { return ReadText(m_dir / "error.log"); }

    fs::path m_dir;
};

TEST_F(FileManager, StdFilesUpdateInPlaceCreateAndTruncate)
{
    StdFileManager manager;
    WriteText(m_dir / "old.txt", "abcdef");
    IFileHandler* file = manager.OpenFile(Path("old.txt").c_str(), false);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Write("XY", 2), 1u);
    EXPECT_EQ(file->GetLength(), 6u);
    EXPECT_EQ(file->Tell(), 2u); // GetLength keeps the position
    manager.CloseFile(file);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(ReadText(m_dir / "old.txt"), "XYcdef");

    EXPECT_EQ(manager.OpenFile(Path("missing.txt").c_str(), true), nullptr);
    file = manager.OpenFile(Path("new.txt").c_str(), false);
    ASSERT_NE(file, nullptr);
    manager.CloseFile(file);
    EXPECT_TRUE(fs::exists(m_dir / "new.txt"));
    EXPECT_EQ(fs::file_size(m_dir / "new.txt"), 0u);

    file = manager.CreateFile(Path("old.txt").c_str());
    ASSERT_NE(file, nullptr);
    file->Write("Z", 1);
    manager.CloseFile(file);
    EXPECT_EQ(ReadText(m_dir / "old.txt"), "Z");
}

TEST_F(FileManager, LengthPrefixedBlocksRoundTripAndBadCountsAreRefused)
{
    StdFileManager manager;
    IFileHandler* file = manager.CreateFile(Path("blocks").c_str());
    CMemStream out;
    out.Write("hello", 5);
    ASSERT_TRUE(file->WriteStream(out));
    CMemStream none;
    ASSERT_TRUE(file->WriteStream(none));
    const std::uint32_t huge = 0x7FFFFFF0;
    file->Write(&huge, 4);
    file->Write("tail", 4);
    manager.CloseFile(file);

    file = manager.OpenFile(Path("blocks").c_str(), true);
    CMemStream in;
    ASSERT_TRUE(file->ReadStream(in));
    EXPECT_EQ(in.m_nCapacity, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(in.m_pData), 5), "hello");
    EXPECT_TRUE(file->ReadStream(in));  // an empty block
    EXPECT_FALSE(file->ReadStream(in)); // a count past the end of the file
    EXPECT_EQ(in.m_nCapacity, 5u);      // nothing allocated for it
    EXPECT_FALSE(file->ReadStream(in)); // and at the very end
    manager.CloseFile(file);
    EXPECT_NE(ErrorLog().find("block of 2147483632 bytes at offset 17 runs past the end"), std::string::npos)
        << ErrorLog();
}

TEST_F(FileManager, TheFileModuleReplacesTheBaseManagerUnderTheSameIndex)
{
    RegisterBaseClasses();
    const std::uint32_t index = g_iIFileManager;
    std::unique_ptr<IBaseInterface> base(CreateClassInstance(static_cast<int>(index)));
    EXPECT_NE(dynamic_cast<StdFileManager*>(base.get()), nullptr);
    EXPECT_STREQ(base->GetGUID().name, "IGUID_IFileManager");

    RegisterFileClasses();
    EXPECT_EQ(g_iIFileManager, index);
    std::unique_ptr<IBaseInterface> pak(CreateClassInstance(static_cast<int>(index)));
    EXPECT_NE(dynamic_cast<CPakFileManager*>(pak.get()), nullptr);
    std::unique_ptr<IBaseInterface> handler(CreateClassInstance(static_cast<int>(g_iIFileHandler)));
    EXPECT_NE(dynamic_cast<CFileHandler*>(handler.get()), nullptr);
    EXPECT_STREQ(handler->GetGUID().name, "IGUID_IFileHandler");
}

TEST_F(FileManager, PackAwareHandlesPreferPacksAndBehaveLikeFiles)
{
    // A pack in Data holding Data\shared.txt, and a loose file of that name.
    WriteText(m_dir / "src" / "shared", "packed text!");
    WriteText(m_dir / "Data" / "shared.txt", "loose");
    const std::string source = Path("src/shared");
    const char* names[] = {"shared.txt"};
    const char* paths[] = {source.c_str()};
    CPackBuilder builder;
    ASSERT_TRUE(
        builder.Build(Path("Data/one.pak").c_str(), names, paths, 1, 8, 0x05, 0.0f, nullptr, nullptr));

    CPakFileManager manager;
    EXPECT_TRUE(manager.SetDirectory(Path("Data").c_str()));
    EXPECT_TRUE(manager.FileExists("anything"));
    IFileHandler* file = manager.OpenFile("shared.txt", true);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetLength(), 12u);
    char text[13] = {};
    EXPECT_EQ(file->Read(text, 6), 6u);
    EXPECT_STREQ(text, "packed");
    EXPECT_TRUE(file->Seek(-5, 2)); // from the end of the entry
    EXPECT_EQ(file->Tell(), 7u);
    EXPECT_EQ(file->Read(text, 5), 5u);
    EXPECT_TRUE(file->IsEOF());
    EXPECT_EQ(file->Write("x", 1), 0u);
    manager.CloseFile(file);

    file = manager.OpenFile(Path("Data/shared.txt").c_str(), true); // not in the pack: disk
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetLength(), 5u);
    manager.CloseFile(file);
    EXPECT_EQ(manager.OpenFile(Path("Data/none.txt").c_str(), true), nullptr);

    file = manager.OpenFile(Path("written.txt").c_str(), false); // writing: always a disk file
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Write("w", 1), 1u);
    manager.CloseFile(file);
    EXPECT_EQ(ReadText(m_dir / "written.txt"), "w");
}

} // namespace
