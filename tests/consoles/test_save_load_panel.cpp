// The save/load panel over a folder of saved games written with our own
// archive and given their last-write times: the order of the rows, the
// hidden autosave, the new save's number, damaged files, deletion with its
// question, scrolling, the labels, the thumbnail and the hand-off to the
// screen.
#include "app/SaveGameFile.h"
#include "app/ScreenRequests.h"
#include "consoles/ConsolesModule.h"
#include "consoles/SaveLoadGC.h"
#include "consoles/SaveRecords.h"
#include "foundation/ClassFactory.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "menus/DialogButton.h"
#include "menus/QueryMessageBox.h"
#include "platform/File.h"
#include "platform/Time.h"
#include "script/TextDB.h"
#include "script/game/TextDatabase.h"
#include "ui/FakeTextDB.h"
#include "ui/UITestKit.h"
#include "ui/markup/ScrollControl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace
{

constexpr plat::Rect kPanel{100, 20, 521, 460};
// A Tuesday noon, UTC; the saves are written minutes apart after it.
constexpr std::int64_t kBaseTime = 1'700'000'000;

struct SSaveSpec
{
    const char* name;
    int minutesAfter = 0;
    std::optional<std::string> caption = "A caption";
    std::optional<std::string> player = "Ilsa";
    bool header = true;
    const char* building = "";
    const char* location = "north";
    bool screen = false;
};

CGuidKey Key(const char* name)
{
    CGuidKey key;
    return *MakeGuidKey(&key, name);
}

void Put(FileArchive& archive, const char* name, const void* data, std::uint32_t size)
{
    CMemStream stream;
    stream.Write(data, size);
    ASSERT_TRUE(archive.WriteRecord(Key(name), stream));
}

void PutText(FileArchive& archive, const char* name, const std::string& text)
{
    std::vector<std::uint8_t> bytes(4 + text.size());
    const std::uint32_t n = std::uint32_t(text.size());
    std::memcpy(bytes.data(), &n, 4);
    std::memcpy(bytes.data() + 4, text.data(), text.size());
    Put(archive, name, bytes.data(), std::uint32_t(bytes.size()));
}

// The pixel (x, y) of the test pictures.
std::uint32_t Pixel(int x, int y)
{
    return 0xFF000000u | std::uint32_t(x * 2) << 16 | std::uint32_t(y * 2) << 8 | 0x40u;
}

// A screen that keeps the panel's choice.
class CChooserScreen : public uitest::CRecordingScreen, public ISaveChoiceTaker
{
public:
    void SetSaveInfo(const SSaveChoice& choice) override
    {
        m_Choice = choice;
        ++m_nChoices;
    }
    SSaveChoice m_Choice;
    int m_nChoices = 0;
};

class SaveLoadPanelTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
        m_pMain = std::make_unique<CGroupControl>();
        m_pMain->Init(plat::Rect{0, 0, 640, 480}, &m_Screen);
        m_Screen.SetMainGroup(m_pMain.get());
        m_SavesDir = m_dir / "SAVES";
        std::filesystem::create_directories(m_SavesDir);
        m_savedTexts = g_pTextDB;
        g_pTextDB = &m_Texts;
        m_savedFiles = g_pFileManager;
        g_pFileManager = &m_Files;
        m_Texts.m_Entries["north"] = {"", "North Shore"};
        m_Texts.m_Entries["HALL_7"] = {"", "The Seventh Hall"};
        m_Texts.m_Entries["INT_SAVE_LABEL1"] = {"Location", ""};
        m_Texts.m_Entries["INT_SAVE_LABEL2"] = {"Place", ""};
        m_Texts.m_Entries["INT_SAVE_LABEL3"] = {"Player", ""};
        m_Texts.m_Entries["INT_SAVE_DELETE"] = {"Delete this save?", "Delete"};
    }
    void TearDown() override
    {
        if (m_pPanel) m_pMain->RemoveControl(m_pPanel.get());
        m_pPanel.reset();
        m_Screen.SetMainGroup(nullptr);
        g_pTextDB = m_savedTexts;
        g_pFileManager = m_savedFiles;
        testutil::CLogDirTest::TearDown();
    }

    std::string Path(const char* name) const { return (m_SavesDir / name).string(); }

    void Write(const SSaveSpec& spec)
    {
        {
            FileArchive archive;
            ASSERT_TRUE(archive.Create(Path(spec.name).c_str()));
            if (spec.header)
            {
                SSaveHeader header;
                header.outside = spec.building[0] ? 0 : 1;
                std::snprintf(header.building, sizeof header.building, "%s", spec.building);
                std::snprintf(header.location, sizeof header.location, "%s", spec.location);
                Put(archive, "HEADER", &header, sizeof header);
            }
            if (spec.caption) PutText(archive, "CAPTION", *spec.caption);
            if (spec.player) PutText(archive, "PLAYER", *spec.player);
            if (spec.screen)
            {
                std::vector<std::uint32_t> pixels;
                for (int y = 0; y < 128; ++y)
                    for (int x = 0; x < 128; ++x)
                        pixels.push_back(Pixel(x, y));
                Put(archive, "SCREEN", pixels.data(), CSavedGames::kScreenBytes);
            }
            archive.Close();
        }
        SetTime(spec.name, spec.minutesAfter);
    }
    void SetTime(const char* name, int minutesAfter)
    {
        ASSERT_TRUE(plat::SetFileTime(Path(name).c_str(), plat::UnixTimeToFileTime(kBaseTime + minutesAfter * 60, 0)));
    }

    void Open(bool saveMode)
    {
        if (m_pPanel) m_pMain->RemoveControl(m_pPanel.get());
        m_pPanel = std::make_unique<CSaveLoadGC>();
        m_pPanel->m_sSavesDir = m_SavesDir.string() + "/";
        m_pPanel->Init(kPanel, saveMode, &m_Screen);
        m_pMain->AddControlAt(m_pPanel.get());
        m_pPanel->Show();
    }

    // One frame with the keys pressed.
    void Frame(std::initializer_list<int> keys = {})
    {
        for (int key : keys)
            m_Input.Press(key);
        m_Screen.ProcessMessages();
        m_Input.EndFrame();
        for (int key : keys)
            m_Input.Release(key);
        m_Input.EndFrame();
        m_Clock.Advance(0.1);
    }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_pPanel->GetRowCount(); ++i)
        {
            const CSaveRow* row = m_pPanel->GetRow(i);
            out.push_back(row->m_bNewSave ? "<new>" : row->m_sFile);
        }
        return out;
    }
    std::vector<int> ShownRows() const
    {
        std::vector<int> out;
        for (int i = 0; i < m_pPanel->GetRowCount(); ++i)
            if (m_pPanel->GetRow(i)->m_bVisible) out.push_back(i);
        return out;
    }

    static std::string LocalLabel(int minutesAfter)
    {
        const std::time_t t = std::time_t(kBaseTime + minutesAfter * 60);
        std::tm local{};
        localtime_r(&t, &local);
        return FormatSaveLabel(local.tm_hour, local.tm_min, local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
    }

    uitest::CFakeInput m_Input;
    uitest::CDrawRecorder m_Graphic;
    uitest::CFakeClock m_Clock;
    CChooserScreen m_Screen;
    std::unique_ptr<CGroupControl> m_pMain;
    std::unique_ptr<CSaveLoadGC> m_pPanel;
    std::filesystem::path m_SavesDir;
    uitest::CFakeTextDB m_Texts;
    ITextDB* m_savedTexts = nullptr;
    StdFileManager m_Files;
    IFileManager* m_savedFiles = nullptr;
};

TEST_F(SaveLoadPanelTest, ListsNewestFirstAndHidesTheAutosaveOnlyWhenSaving)
{
    Write({"1.sav", 10, "first"});
    Write({"autosave.sav", 30, "auto"});
    Write({"2.sav", 20, "second"});

    Open(false);
    EXPECT_EQ(Files(), (std::vector<std::string>{"autosave.sav", "2.sav", "1.sav"}));
    EXPECT_EQ(m_pPanel->GetRow(0)->GetSubtitle().GetText(), LocalLabel(30));
    EXPECT_STREQ(m_pPanel->GetRow(1)->GetTitle().GetText(), "second");
    EXPECT_EQ(m_pPanel->m_nSelection, 0);
    EXPECT_TRUE(m_pPanel->m_pLoad->IsShown());
    EXPECT_FALSE(m_pPanel->m_pSave->IsShown());

    Open(true);
    EXPECT_EQ(Files(), (std::vector<std::string>{"<new>", "2.sav", "1.sav"}));
    EXPECT_TRUE(m_pPanel->m_pSave->IsShown());
    EXPECT_FALSE(m_pPanel->m_pLoad->IsShown());
    Frame();
    // The new-save row cannot be deleted.
    EXPECT_FALSE(m_pPanel->m_pDelete->m_bEnabled);
}

TEST_F(SaveLoadPanelTest, EqualSortKeysKeepTheScanOrder)
{
    // Within one 4-second step of the DOS time the keys are equal: the
    // rows follow the scan (by name), reversed.
    EXPECT_EQ(SortSaveIndices({5, 5, 5}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(SortSaveIndices({3, 1, 2}), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(SortSaveIndices({7}), (std::vector<int>{0}));
    EXPECT_EQ(SaveSortKey(plat::UnixTimeToFileTime(kBaseTime, 0)),
              SaveSortKey(plat::UnixTimeToFileTime(kBaseTime + 1, 0)));
}

TEST_F(SaveLoadPanelTest, ANewSaveTakesTheFirstFreeNumberAfterTheCount)
{
    struct SCase
    {
        std::vector<const char*> files;
        const char* expected;
    };
    const SCase cases[] = {
        {{"1.sav", "3.sav"}, "4.sav"},
        {{"2.sav"}, "3.sav"},
        {{"autosave.sav", "1.sav"}, "3.sav"},
        {{}, "1.sav"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.expected);
        std::filesystem::remove_all(m_SavesDir);
        std::filesystem::create_directories(m_SavesDir);
        for (const char* file : c.files)
            Write({file});
        Open(true);
        m_Screen.m_bDone = 0;
        Frame({uicode::kKeyEnter});
        ASSERT_EQ(m_Screen.m_nChoices, 1);
        EXPECT_STREQ(m_Screen.m_Choice.file, c.expected);
        EXPECT_EQ(m_Screen.m_Choice.label, m_pPanel->GetRow(0)->Label());
        EXPECT_EQ(m_Screen.GetResult(), 1007);
        m_Screen.m_nChoices = 0;
    }
}

TEST_F(SaveLoadPanelTest, LoadingHandsTheRowsFileAndLabelToTheScreen)
{
    Write({"1.sav", 10, "first"});
    Write({"2.sav", 20, "second"});
    Open(false);
    Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nSelection, 1);
    Frame({uicode::kKeyEnter});
    ASSERT_EQ(m_Screen.m_nChoices, 1);
    EXPECT_STREQ(m_Screen.m_Choice.file, "1.sav");
    EXPECT_EQ(m_Screen.m_Choice.label, LocalLabel(10));
    EXPECT_EQ(m_Screen.GetResult(), 1003);
}

TEST_F(SaveLoadPanelTest, DamagedFilesAreSkippedWithALineAndTheRestListed)
{
    Write({"good.sav", 10, "good", "Ilsa", true, "HALL_7"});
    Write({"nocaption.sav", 20, std::nullopt, std::nullopt});
    Write({"noheader.sav", 30, "lost", "Ilsa", false});
    {
        // A HEADER of 100 bytes, and a CAPTION claiming more than it holds.
        FileArchive archive;
        ASSERT_TRUE(archive.Create(Path("short.sav").c_str()));
        SSaveHeader header;
        Put(archive, "HEADER", &header, 100);
        archive.Close();
        ASSERT_TRUE(archive.Create(Path("longcaption.sav").c_str()));
        Put(archive, "HEADER", &header, sizeof header);
        const std::uint32_t claim = 4000;
        std::vector<std::uint8_t> bytes(12, 'x');
        std::memcpy(bytes.data(), &claim, 4);
        Put(archive, "CAPTION", bytes.data(), 12);
        archive.Close();
        SetTime("longcaption.sav", 40);
        std::FILE* junk = plat::FOpen(Path("junk.sav").c_str(), "wb");
        std::fputs("not an archive", junk);
        std::fclose(junk);
    }

    Open(false);
    EXPECT_EQ(Files(), (std::vector<std::string>{"longcaption.sav", "nocaption.sav", "good.sav"}));
    EXPECT_STREQ(m_pPanel->GetRow(0)->GetTitle().GetText(), "---");
    EXPECT_STREQ(m_pPanel->GetRow(1)->GetTitle().GetText(), "---");
    const std::string log = ReadText("error.log");
    for (const char* named : {"noheader.sav", "short.sav", "junk.sav", "longcaption.sav"})
        EXPECT_NE(log.find(named), std::string::npos) << named;

    // The info lines: location, the place saved in and the player, each
    // only when known.
    const CSaveRow* good = m_pPanel->GetRow(2);
    EXPECT_EQ(good->m_sInfo[0], "North Shore");
    EXPECT_EQ(good->m_sInfo[1], "The Seventh Hall");
    EXPECT_EQ(good->m_sInfo[2], "Ilsa");
    m_pPanel->OnCommand(CSaveLoadGC::kRowCommand + 2, 0);
    Frame();
    EXPECT_EQ(m_pPanel->m_InfoLines,
              (std::vector<std::string>{"Location: <color=green>North Shore<color>",
                                        "Place: <color=green>The Seventh Hall<color>",
                                        "Player: <color=green>Ilsa<color>"}));
    m_pPanel->OnCommand(CSaveLoadGC::kRowCommand + 1, 0);
    Frame();
    EXPECT_EQ(m_pPanel->m_InfoLines, (std::vector<std::string>{"Location: <color=green>North Shore<color>"}));
}

TEST_F(SaveLoadPanelTest, DeletingAsksFirst)
{
    Write({"1.sav", 10});
    Write({"2.sav", 20});
    Open(false);
    Frame();
    m_pPanel->OnCommand(CSaveLoadGC::kDeleteCommand, 0);
    ASSERT_TRUE(m_pPanel->m_pDeleteBox);
    EXPECT_EQ(m_Screen.m_pPopup, m_pPanel->m_pDeleteBox.get());
    EXPECT_EQ(m_pPanel->m_pDeleteBox->m_sBoxCaption, "Delete");
    EXPECT_EQ(m_pPanel->m_pDeleteBox->m_Lines[0], "Delete this save?");

    // Cancel: nothing changes.
    m_pPanel->m_pDeleteBox->SetResult(2);
    Frame();
    Frame();
    EXPECT_FALSE(m_pPanel->m_pDeleteBox);
    EXPECT_TRUE(plat::FileExists(Path("2.sav").c_str()));
    EXPECT_EQ(Files(), (std::vector<std::string>{"2.sav", "1.sav"}));

    // OK deletes the selected save once and lists the rest, the first
    // row selected; a late answer from the screen deletes nothing more.
    m_pPanel->OnCommand(CSaveLoadGC::kDeleteCommand, 0);
    m_pPanel->m_pDeleteBox->SetResult(1);
    Frame();
    Frame();
    m_pPanel->OnCommand(uicode::kPopupResult, 1);
    EXPECT_FALSE(plat::FileExists(Path("2.sav").c_str()));
    EXPECT_TRUE(plat::FileExists(Path("1.sav").c_str()));
    EXPECT_EQ(Files(), (std::vector<std::string>{"1.sav"}));
    EXPECT_EQ(m_pPanel->m_nSelection, 0);
}

TEST_F(SaveLoadPanelTest, NineSavesScrollByOneRow)
{
    for (int i = 1; i <= 9; ++i)
        Write({(std::to_string(i) + ".sav").c_str(), i * 10});
    Open(false);
    EXPECT_EQ(ShownRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(m_pPanel->m_pScroll->GetMax(), 1);
    EXPECT_TRUE(m_pPanel->m_pScroll->m_bEnabled);

    for (int i = 0; i < 7; ++i)
        Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nSelection, 7);
    EXPECT_EQ(ShownRows().front(), 0);
    Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nSelection, 8);
    EXPECT_EQ(ShownRows(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(m_pPanel->GetRow(1)->m_Rect.top, kPanel.top + 22);
    Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nSelection, 8);

    // Up past the first shown row scrolls back; a hidden row takes no Enter.
    for (int i = 0; i < 8; ++i)
        Frame({uicode::kKeyUp});
    EXPECT_EQ(m_pPanel->m_nSelection, 0);
    EXPECT_EQ(ShownRows().front(), 0);
    m_pPanel->m_pScroll->SetPos(1);
    m_pPanel->UpdateRows();
    Frame({uicode::kKeyEnter});
    EXPECT_EQ(m_Screen.m_nChoices, 0);
}

TEST_F(SaveLoadPanelTest, AnEmptiedLabelDisablesTheActionAndAnEditedRowKeepsTheSelection)
{
    Write({"1.sav", 10});
    Open(true);
    Frame();
    CSaveRow* fresh = m_pPanel->GetRow(0);
    ASSERT_TRUE(fresh->m_bNewSave);
    EXPECT_TRUE(m_pPanel->m_pSave->m_bEnabled);

    // Typed into: the row is edited and a click on another row is ignored.
    m_Input.Type('x');
    Frame();
    EXPECT_EQ(fresh->Label(), fresh->m_sOriginalLabel + "x");
    EXPECT_TRUE(fresh->IsEdited());
    m_pPanel->OnCommand(CSaveLoadGC::kRowCommand + 1, 0);
    EXPECT_EQ(m_pPanel->m_nSelection, 0);
    EXPECT_TRUE(fresh->IsChecked());
    EXPECT_FALSE(m_pPanel->GetRow(1)->IsChecked());

    fresh->SetSubtitle("");
    Frame();
    EXPECT_FALSE(m_pPanel->m_pSave->m_bEnabled);
    Frame({uicode::kKeyEnter});
    EXPECT_EQ(m_Screen.m_nChoices, 0);
}

TEST_F(SaveLoadPanelTest, LabelsArePaddedToTwoDigits)
{
    EXPECT_EQ(FormatSaveLabel(9, 5, 3, 7, 2024), "09:05 | 03.07.2024");
    EXPECT_EQ(FormatSaveLabel(10, 30, 12, 11, 2025), "10:30 | 12.11.2025");
    EXPECT_EQ(FormatSaveLabel(0, 0, 1, 1, 2000), "00:00 | 01.01.2000");
}

TEST_F(SaveLoadPanelTest, TheThumbnailComesFromScreenOrTheFrozenFrame)
{
    Write({"plain.sav", 10});
    Write({"picture.sav", 20, "with picture", "Ilsa", true, "", "north", true});
    {
        // A SCREEN of the wrong size counts as none (with a line).
        FileArchive archive;
        ASSERT_TRUE(archive.Create(Path("bad.sav").c_str()));
        SSaveHeader header;
        Put(archive, "HEADER", &header, sizeof header);
        std::vector<std::uint8_t> half(CSavedGames::kScreenBytes / 2, 0x55);
        Put(archive, "SCREEN", half.data(), std::uint32_t(half.size()));
        archive.Close();
        SetTime("bad.sav", 5);
    }
    Open(false);
    ASSERT_EQ(Files(), (std::vector<std::string>{"picture.sav", "plain.sav", "bad.sav"}));
    EXPECT_EQ(m_pPanel->m_nThumbnail, CSaveLoadGC::kThumbScreen);
    ASSERT_EQ(m_pPanel->m_ThumbnailPixels.size(), 128u * 128u);
    EXPECT_EQ(m_pPanel->m_ThumbnailPixels[5 * 128 + 7], Pixel(7, 5));
    EXPECT_EQ(m_pPanel->m_ThumbnailPixels[127 * 128 + 127], Pixel(127, 127));

    Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nThumbnail, CSaveLoadGC::kThumbFallback);
    Frame({uicode::kKeyDown});
    EXPECT_EQ(m_pPanel->m_nThumbnail, CSaveLoadGC::kThumbFallback);
    EXPECT_NE(ReadText("error.log").find("bad.sav"), std::string::npos);
}

TEST_F(SaveLoadPanelTest, AnEmptyFolderGivesNoRowsWhenLoadingAndOnlyTheNewRowWhenSaving)
{
    Open(false);
    Frame();
    EXPECT_EQ(m_pPanel->GetRowCount(), 0);
    EXPECT_EQ(m_pPanel->m_nSelection, -1);
    EXPECT_FALSE(m_pPanel->m_pLoad->m_bEnabled);
    EXPECT_FALSE(m_pPanel->m_pDelete->m_bEnabled);
    Frame({uicode::kKeyUp});
    Frame({uicode::kKeyEnter});
    EXPECT_EQ(m_Screen.m_nChoices, 0);

    Open(true);
    EXPECT_EQ(Files(), (std::vector<std::string>{"<new>"}));
}

TEST_F(SaveLoadPanelTest, TheFactoryMakesThePanelForTheMenus)
{
    RegisterConsolesClasses();
    CGuidKey key = Key("IGUID_CSaveLoadGC");
    std::unique_ptr<CGroupControl> made(CreateClassInstanceAs<CGroupControl>(ResolveClassIndex(key)));
    ASSERT_TRUE(made);
    auto* panel = dynamic_cast<ISaveLoadPanel*>(made.get());
    ASSERT_TRUE(panel);
    static_cast<CSaveLoadGC*>(made.get())->m_sSavesDir = m_SavesDir.string() + "/";
    panel->Init(plat::Rect{0, 0, 421, 440}, true, &m_Screen);
    panel->SetPanelRect(plat::Rect{200, 20, 621, 460});
    const CSaveRow* row = static_cast<CSaveLoadGC*>(made.get())->GetRow(0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->m_Rect.left, 200 + 193);
    EXPECT_EQ(row->m_Rect.top, 20 + 22);
}

} // namespace
