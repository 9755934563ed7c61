// The boards' D2XX binding over our stand-in ftd2xx.dll, copied into a
// folder of its own with the boards it lists set in the environment.
#include "port/bitbang/BitBangBoards.h"
#include "tests/support/FileLines.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovir {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class BoardsFolder {
public:
    // `boards`: their serial numbers, as the driver lists them.
    explicit BoardsFolder(const char* boards, const char* elsewhere = "")
    {
        root = fs::temp_directory_path() /
               ("kovir-boards-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy_file(KOVIR_TEST_FTD2XX_DLL, root / "ftd2xx.dll");
        SetEnvironmentVariableW(L"KOVIR_PORT_LOG", (root / "calls.log").wstring().c_str());
        SetEnvironmentVariableA("KOVIR_FT_BOARDS", boards);
        SetEnvironmentVariableA("KOVIR_FT_OPEN_ELSEWHERE", elsewhere);
    }
    ~BoardsFolder()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    BoardsFolder(const BoardsFolder&) = delete;
    BoardsFolder& operator=(const BoardsFolder&) = delete;

    std::vector<std::wstring> Folders() const { return {root.wstring()}; }

    Lines Log() const { return testing::FileLines(root / "calls.log"); }

    fs::path root;
};

// A board's calls to enter bit-bang mode showing the device only 0: opened
// where it sits, writes that cannot wait long, every pin an input, 0, every
// pin an output.
Lines Opened(const std::string& board, const char* location)
{
    return {"ftd2xx.dll FT_OpenEx " + std::string(location), "ftd2xx.dll FT_SetTimeouts " + board + " 500 500",
            "ftd2xx.dll FT_SetBitMode " + board + " 00 1", "ftd2xx.dll FT_Write " + board + " 0",
            "ftd2xx.dll FT_SetBitMode " + board + " ff 1"};
}

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(BitBangBoards, OnlyKovirBoardsInTheOrderOfTheirSerialsDrivenThroughThePinTable)
{
    // T1 (an FT2232) is no chip kovir drives; A5 is an FT232R not named for it.
    BoardsFolder folder("KV2=kovir,T1=kovir,KV1=kovir,A5,H3=kovir");
    {
        BitBangBoards boards(folder.Folders());
        EXPECT_EQ(folder.Log(), Lines{}) << "nothing is loaded before it is asked for";
        ASSERT_EQ(boards.Count(), 3u); // H3, KV1, KV2
        ASSERT_EQ(boards.Unprepared().size(), 2u);
        EXPECT_EQ(boards.Unprepared()[1].serial, "A5");
        EXPECT_EQ(boards.Unprepared()[1].description, "FT232R USB UART");
        EXPECT_EQ(boards.Name(0), "USB H3");
        EXPECT_EQ(boards.Name(2), "USB V2");
        boards.Write(2, 0x05); // D0 and D2: RXD and DSR#
        boards.Write(1, 0x00);
        boards.Write(1, 0x1F);
        boards.StopFromCrash(1);
    }
    EXPECT_EQ(folder.Log(), (Lines{"ftd2xx.dll loaded"} + Opened("KV2", "0011") +
                             Lines{"ftd2xx.dll FT_Write KV2 34"} + Opened("KV1", "0013") +
                             Lines{"ftd2xx.dll FT_Write KV1 0", "ftd2xx.dll FT_Write KV1 234",
                                   "ftd2xx.dll FT_Write KV1 0", "ftd2xx.dll FT_Close KV1",
                                   "ftd2xx.dll FT_Close KV2"}));
}

TEST(BitBangBoards, BoardsWithoutOrSharingASerialAreOpenedWhereTheySit)
{
    BoardsFolder folder("A50285BI=kovir,=kovir,A50285BI=kovir");
    {
        BitBangBoards boards(folder.Folders());
        ASSERT_EQ(boards.Count(), 3u); // the two clones as listed, the one without a serial last
        boards.Write(1, 0x00);
        boards.Write(2, 0x00);
    }
    EXPECT_EQ(folder.Log(), (Lines{"ftd2xx.dll loaded"} + Opened("A50285BI", "0013") +
                             Lines{"ftd2xx.dll FT_Write A50285BI 0"} + Opened("@0012", "0012") +
                             Lines{"ftd2xx.dll FT_Write @0012 0", "ftd2xx.dll FT_Close A50285BI",
                                   "ftd2xx.dll FT_Close @0012"}));
}

TEST(BitBangBoards, FactoryDevicesAreNeverOpened)
{
    BoardsFolder folder("A50285BI,H3");
    BitBangBoards boards(folder.Folders());
    EXPECT_EQ(boards.Count(), 0u);
    EXPECT_EQ(boards.Unprepared().size(), 2u);
    EXPECT_EQ(folder.Log(), Lines{"ftd2xx.dll loaded"});
}

TEST(BitBangBoards, ABoardAnotherProgramHoldsIsBusyAndGetsNothing)
{
    BoardsFolder folder("KV1=kovir,KV2=kovir", "KV1");
    BitBangBoards boards(folder.Folders());
    ASSERT_EQ(boards.Count(), 2u);
    boards.StopFromCrash(1); // not open: nothing to stop
    std::string message;
    try {
        boards.Write(1, 0x00); // listed without a serial number, so after KV2
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("USB pločica (lokacija 0x0011) je zauzeta"), std::string::npos) << message;
    EXPECT_EQ(folder.Log(), Lines{"ftd2xx.dll loaded"});
}

} // namespace
} // namespace kovir
