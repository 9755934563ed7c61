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

TEST(BitBangBoards, OrderedBySerialOpenedAtTheFirstWriteInBitBangAndClosedWithoutAReset)
{
    BoardsFolder folder("KV2,T1,KV1,H3"); // T1, an FT2232, is not taken
    {
        BitBangBoards boards(folder.Folders());
        EXPECT_EQ(folder.Log(), Lines{}) << "nothing is loaded before it is asked for";
        ASSERT_EQ(boards.Count(), 3u); // H3, KV1, KV2
        boards.Write(2, 0x05);
        boards.Write(1, 0x00);
        boards.Write(1, 0x1F);
        boards.StopFromCrash(1);
    }
    EXPECT_EQ(folder.Log(), (Lines{"ftd2xx.dll loaded", "ftd2xx.dll FT_OpenEx KV2",
                                   "ftd2xx.dll FT_SetBitMode KV2 ff 1", "ftd2xx.dll FT_Write KV2 5",
                                   "ftd2xx.dll FT_OpenEx KV1", "ftd2xx.dll FT_SetBitMode KV1 ff 1",
                                   "ftd2xx.dll FT_Write KV1 0", "ftd2xx.dll FT_Write KV1 31",
                                   "ftd2xx.dll FT_Write KV1 0", "ftd2xx.dll FT_Close KV1",
                                   "ftd2xx.dll FT_Close KV2"}));
}

TEST(BitBangBoards, ABoardAnotherProgramHoldsIsBusyAndGetsNothing)
{
    BoardsFolder folder("KV1,KV2", "KV1");
    BitBangBoards boards(folder.Folders());
    ASSERT_EQ(boards.Count(), 2u);
    boards.StopFromCrash(1); // not open: nothing to stop
    std::string message;
    try {
        boards.Write(1, 0x00); // listed without a serial number, so after KV2
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("USB pločica je zauzeta"), std::string::npos) << message;
    EXPECT_EQ(folder.Log(), Lines{"ftd2xx.dll loaded"});
}

} // namespace
} // namespace kovir
