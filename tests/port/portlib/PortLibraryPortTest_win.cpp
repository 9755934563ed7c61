// The Windows backend over port libraries of our own (RecorderDll.cpp), each
// copied into a folder of its own, so that every case decides exactly which
// files the backend can find.
#include "core/Controller.h"
#include "port/portlib/LptPorts.h"
#include "port/portlib/PortLibraryPort.h"
#include "tests/support/CallLog.h"
#include "tests/support/FileLines.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace kovir {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Where CMake put the built recorders.
const fs::path IoDll = KOVIR_TEST_IO_DLL;
const fs::path InpOutDll = KOVIR_TEST_INPOUT_DLL;
const fs::path IoDllWithoutEntry = KOVIR_TEST_IO_DLL_WITHOUT_ENTRY;
const fs::path IoDllOtherWidth = KOVIR_TEST_IO_DLL_OTHER_WIDTH; // empty where it could not be built
const fs::path InpOutDriverOpen = KOVIR_TEST_INPOUT_DLL_DRIVER_OPEN;
const fs::path InpOutDriverClosed = KOVIR_TEST_INPOUT_DLL_DRIVER_CLOSED;
const fs::path IoDllWithHelper = KOVIR_TEST_IO_DLL_WITH_HELPER;
const fs::path Helper = KOVIR_TEST_IO_HELPER;

// This build's width, and the InpOut library and words that go with it.
constexpr bool Is64Bit = sizeof(void*) == 8;
const char* const InpOut = Is64Bit ? "inpoutx64.dll" : "inpout32.dll";
const char* const ThisBuild = Is64Bit ? "64-bitni program" : "32-bitni program";
const char* const WhatToPut = Is64Bit ? "Stavite inpoutx64.dll" : "Stavite IO.DLL ili inpout32.dll";

std::string Named(const char* line, const char* name = InpOut)
{
    return std::string(name) + line;
}

// PATH and the working folder as a test sets them, given back at its end.
class ScopedSearchPlaces {
public:
    ScopedSearchPlaces() : folder_(fs::current_path())
    {
        const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
        path_.resize(size);
        path_.resize(GetEnvironmentVariableW(L"PATH", path_.data(), size));
    }
    ~ScopedSearchPlaces()
    {
        fs::current_path(folder_);
        SetEnvironmentVariableW(L"PATH", path_.c_str());
    }
    ScopedSearchPlaces(const ScopedSearchPlaces&) = delete;
    ScopedSearchPlaces& operator=(const ScopedSearchPlaces&) = delete;

private:
    fs::path folder_;
    std::wstring path_;
};

// A fresh tree under the temporary folder: the program's folder, the system
// folder and a working folder, and the log the recorders write.
class Sandbox {
public:
    // `label` tells apart the sandboxes of one test.
    explicit Sandbox(const std::string& label = "")
    {
        root = fs::temp_directory_path() /
               ("kovir-portlib-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + label);
        fs::remove_all(root);
        for (const fs::path& folder : {program, system, working, onPath}) {
            fs::create_directories(root / folder);
        }
        SetEnvironmentVariableW(L"KOVIR_PORT_LOG", (root / "calls.log").wstring().c_str());
    }
    ~Sandbox()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    void Put(const fs::path& built, const fs::path& folder, const char* name) const
    {
        fs::copy_file(built, root / folder / name);
    }

    std::vector<std::wstring> Folders() const
    {
        return {(root / program).wstring(), (root / system).wstring()};
    }

    Lines Log() const { return testing::FileLines(root / "calls.log"); }

    fs::path root;
    const fs::path program = "program";
    const fs::path system = "system";
    const fs::path working = "working";
    const fs::path onPath = "onpath";
};

std::string FailureOfFirstWrite(PortLibraryPort& port)
{
    try {
        port.PortOut(0x378, 0);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(PortLibraryPort, LoadsNothingBeforeTheFirstWriteThenEveryByteReachesTheLibraryInOrder)
{
    Sandbox sandbox;
    sandbox.Put(IoDll, sandbox.program, "IO.DLL");
    PortLibraryPort port(sandbox.Folders());
    testing::CallLog calls;
    testing::RecordingPanel panel(calls);
    Controller controller(port, panel);
    EXPECT_TRUE(sandbox.Log().empty());

    controller.Start();
    controller.Move(Direction::Forward);
    controller.Sound();
    controller.SelectPort(PortAddress::Lpt3);
    controller.Move(Direction::Left);
    controller.SelectPort(PortAddress::Lpt2);
    controller.Stop();
    controller.Close();

    EXPECT_EQ(sandbox.Log(),
              (Lines{"IO.DLL loaded", "IO.DLL PortOut 888 0", "IO.DLL PortOut 888 15",
                     "IO.DLL PortOut 888 31", "IO.DLL PortOut 888 15", "IO.DLL PortOut 956 14",
                     "IO.DLL PortOut 632 0", "IO.DLL PortOut 632 0"}));
}

TEST(PortLibraryPort, BindsTheFirstLibraryOfTheTableThatLoadsAndHasItsEntryPoint)
{
    const struct {
        const char* name;
        std::vector<std::tuple<fs::path, bool, const char*>> files; // built, in program folder?, as
        Lines log;
    } cases[] = {
        {"IO.DLL in the system folder",
         {{IoDll, false, "IO.DLL"}, {InpOutDll, true, InpOut}},
         {"IO.DLL loaded", "IO.DLL PortOut 888 0"}},
        {"only InpOut",
         {{InpOutDll, false, InpOut}},
         {Named(" loaded"), Named(" Out32 888 0")}},
        {"an IO.DLL without PortOut",
         {{IoDllWithoutEntry, true, "IO.DLL"}, {InpOutDll, true, InpOut}},
         {"IO.DLL loaded", Named(" loaded"), Named(" Out32 888 0")}},
        {"InpOut whose driver is open",
         {{InpOutDriverOpen, true, InpOut}},
         {Named(" loaded"), Named(" IsInpOutDriverOpen 1"), Named(" Out32 888 0")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        for (const auto& [built, inProgram, as] : c.files) {
            sandbox.Put(built, inProgram ? sandbox.program : sandbox.system, as);
        }
        {
            PortLibraryPort port(sandbox.Folders());
            EXPECT_EQ(FailureOfFirstWrite(port), "");
        }
        EXPECT_EQ(sandbox.Log(), c.log);
    }
}

TEST(PortLibraryPort, WithoutAUsableLibraryTheFirstWriteSaysWhatWasFoundWhereAndWritesNothing)
{
    struct Case {
        const char* name;
        fs::path built; // put into the program folder as IO.DLL, if any
        std::vector<std::string> said;
    };
    std::vector<Case> cases = {
        {"nothing anywhere",
         {},
         {"program\\IO.DLL: datoteka ne postoji", "system\\IO.DLL: datoteka ne postoji",
          "program\\" + Named(": datoteka ne postoji"),
          "system\\" + Named(": datoteka ne postoji")}},
        {"an IO.DLL without PortOut",
         IoDllWithoutEntry,
         {"program\\IO.DLL: učitana je, ali nema ulaznu tačku PortOut"}},
    };
    if (!IoDllOtherWidth.empty()) {
        cases.push_back({Is64Bit ? "a 32-bit IO.DLL" : "a 64-bit IO.DLL",
                         IoDllOtherWidth,
                         {"program\\IO.DLL: datoteka postoji, ali je nije moguće učitati (",
                          "kod 193", "mora biti iste širine kao program"}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        if (!c.built.empty()) {
            sandbox.Put(c.built, sandbox.program, "IO.DLL");
        }
        PortLibraryPort port(sandbox.Folders());
        const std::string message = FailureOfFirstWrite(port);
        std::vector<std::string> said = c.said;
        said.insert(said.end(), {"Paralelni port 0x378 nije dostupan", ThisBuild, WhatToPut});
        for (const std::string& part : said) {
            EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
        }
        for (const std::string& line : sandbox.Log()) {
            EXPECT_EQ(line.find("Out"), std::string::npos) << line;
        }
    }
}

TEST(PortLibraryPort, ALibraryPlantedInTheWorkingFolderOrOnPathIsNotLoaded)
{
    Sandbox sandbox;
    sandbox.Put(IoDll, sandbox.working, "IO.DLL");
    sandbox.Put(InpOutDll, sandbox.working, "inpoutx64.dll");
    const fs::path working = sandbox.root / sandbox.working;
    std::string message;
    {
        const ScopedSearchPlaces restored;
        fs::current_path(working);
        SetEnvironmentVariableW(L"PATH", working.wstring().c_str());
        // The program's own folder (the test's, which holds no port library)
        // and the system folder, as in the real program.
        PortLibraryPort port;
        message = FailureOfFirstWrite(port);
    }

    EXPECT_NE(message.find("nije pronađena biblioteka"), std::string::npos) << message;
    EXPECT_EQ(message.find("working"), std::string::npos) << message;
    EXPECT_TRUE(sandbox.Log().empty());
}

TEST(PortLibraryPort, WhenInpOutSaysItsDriverIsClosedTheFirstWriteAsksForAdministratorAndWritesNothing)
{
    Sandbox sandbox;
    sandbox.Put(InpOutDriverClosed, sandbox.program, InpOut);
    PortLibraryPort port(sandbox.Folders());
    const std::string message = FailureOfFirstWrite(port);
    EXPECT_NE(message.find("Paralelni port 0x378 nije dostupan"), std::string::npos) << message;
    EXPECT_NE(message.find("upravljački program nije otvoren"), std::string::npos) << message;
    EXPECT_NE(message.find("kao administrator"), std::string::npos) << message;
    EXPECT_EQ(sandbox.Log(), (Lines{Named(" loaded"), Named(" IsInpOutDriverOpen 0")}));
}

TEST(PortLibraryPort, TheLibrarysOwnImportsAreTakenOnlyFromBesideItOrTheSystemFolder)
{
    // The planted cases first: a helper loaded once would stay known to the
    // loader by name for the cases after it.
    struct Case {
        const char* name;
        bool besideIt, inWorkingFolder, onPath;
    };
    const Case planted[] = {
        {"only in the working folder", false, true, false},
        {"only on PATH", false, false, true},
    };
    for (const Case& c : planted) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox(c.inWorkingFolder ? "-working" : "-onpath");
        const ScopedSearchPlaces restored; // before the sandbox goes
        sandbox.Put(IoDllWithHelper, sandbox.program, "IO.DLL");
        sandbox.Put(Helper, c.inWorkingFolder ? sandbox.working : sandbox.onPath,
                    "kovir-test-helper.dll");
        fs::current_path(sandbox.root / sandbox.working);
        SetEnvironmentVariableW(L"PATH", (sandbox.root / sandbox.onPath).wstring().c_str());
        std::string message;
        {
            PortLibraryPort port(sandbox.Folders());
            message = FailureOfFirstWrite(port);
        }
        EXPECT_NE(message.find("program\\IO.DLL: datoteka postoji, ali je nije moguće učitati"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("Nedostaje biblioteka"), std::string::npos) << message;
        EXPECT_EQ(message.find("iste širine"), std::string::npos) << message;
        EXPECT_EQ(sandbox.Log(), Lines{});
    }

    Sandbox sandbox;
    sandbox.Put(IoDllWithHelper, sandbox.program, "IO.DLL");
    sandbox.Put(Helper, sandbox.program, "kovir-test-helper.dll");
    {
        PortLibraryPort port(sandbox.Folders());
        EXPECT_EQ(FailureOfFirstWrite(port), "");
    }
    const Lines log = sandbox.Log();
    ASSERT_EQ(log.size(), 3U) << ::testing::PrintToString(log);
    EXPECT_NE(log[0].find("kovir-test-helper.dll loaded from "), std::string::npos) << log[0];
    EXPECT_NE(log[0].find("\\program\\kovir-test-helper.dll"), std::string::npos) << log[0];
    EXPECT_EQ(log[1], "IO.DLL loaded");
    EXPECT_EQ(log[2], "IO.DLL PortOut 888 0");
}

TEST(PortLibraryPort, WithoutTheNewerWindowsFunctionsALibraryAndItsOwnImportsBesideItStillBind)
{
    // What Windows XP and Vista get: the altered search path, the process's
    // error mode, the current folder out of the search.
    Sandbox sandbox;
    sandbox.Put(IoDllWithHelper, sandbox.program, "IO.DLL");
    sandbox.Put(Helper, sandbox.program, "kovir-test-helper.dll");
    sandbox.Put(IoDllWithoutEntry, sandbox.system, "IO.DLL");
    const UINT modeBefore = SetErrorMode(0);
    SetErrorMode(modeBefore);
    {
        PortLibraryPort port(sandbox.Folders(), {.confinedLibrarySearch = false,
                                                 .threadErrorMode = false});
        port.PortOut(0x378, 15);
        port.PortOut(0x378, 0);
    }
    const UINT modeAfter = SetErrorMode(0);
    SetErrorMode(modeAfter);
    EXPECT_EQ(modeAfter, modeBefore) << "the process's error mode is given back";
    const Lines log = sandbox.Log();
    ASSERT_EQ(log.size(), 4U) << ::testing::PrintToString(log);
    EXPECT_NE(log[0].find("\\program\\kovir-test-helper.dll"), std::string::npos) << log[0];
    EXPECT_EQ((Lines{log[1], log[2], log[3]}),
              (Lines{"IO.DLL loaded", "IO.DLL PortOut 888 15", "IO.DLL PortOut 888 0"}));
}

TEST(PortLibraryPort, EveryCallThroughTheBoundEntryPointLeavesTheStackWhereItWas)
{
    // Wrong about stdcall, the values would still arrive right for a while;
    // the stack pointer moves at the first call.
    const struct {
        fs::path built;
        std::string name, lastCall;
    } libraries[] = {{IoDll, "IO.DLL", "IO.DLL PortOut 888 63"},
                     {InpOutDll, InpOut, Named(" Out32 888 63")}};
    for (const auto& [built, name, lastCall] : libraries) {
        SCOPED_TRACE(name);
        Sandbox sandbox("-" + name);
        sandbox.Put(built, sandbox.program, name.c_str());
        const fs::path stackLog = sandbox.root / "stack.log";
        SetEnvironmentVariableW(L"KOVIR_PORT_STACK_LOG", stackLog.wstring().c_str());
        {
            PortLibraryPort port(sandbox.Folders());
            for (int i = 0; i < 64; ++i) {
                port.PortOut(0x378, static_cast<std::uint8_t>(i));
            }
        }
        SetEnvironmentVariableW(L"KOVIR_PORT_STACK_LOG", nullptr);
        Lines frames;
        std::ifstream log(stackLog);
        for (std::string line; std::getline(log, line);) {
            frames.push_back(line);
        }
        ASSERT_EQ(frames.size(), 64U);
        EXPECT_EQ(std::count(frames.begin(), frames.end(), frames.front()), 64)
            << ::testing::PrintToString(frames);
        EXPECT_EQ(sandbox.Log().back(), lastCall);
    }
}

TEST(PortLibraryPort, ASecondInstanceIsRefusedBeforeItLoadsAPortLibrary)
{
    Sandbox first("-first"), second("-second"); // both log to the second's log
    first.Put(IoDll, first.program, "IO.DLL");
    second.Put(InpOutDll, second.program, InpOut);
    PortLibraryPort running(first.Folders());
    running.PortOut(0x378, 15);

    PortLibraryPort another(second.Folders());
    EXPECT_NE(FailureOfFirstWrite(another).find("je zauzet"), std::string::npos);
    EXPECT_EQ(second.Log(), (Lines{"IO.DLL loaded", "IO.DLL PortOut 888 15"}));
}

TEST(PortLibraryPort, ASecondInstanceOnTheSameAddressIsRefusedAndWritesNothing)
{
    Sandbox sandbox;
    sandbox.Put(IoDll, sandbox.program, "IO.DLL");
    auto first = std::make_unique<PortLibraryPort>(sandbox.Folders());
    first->PortOut(0x378, 15);

    PortLibraryPort second(sandbox.Folders());
    const std::string message = FailureOfFirstWrite(second);
    EXPECT_NE(message.find("Paralelni port 0x378 je zauzet"), std::string::npos) << message;
    second.PortOut(0x278, 5); // another address is free

    first.reset(); // the first program ends
    PortLibraryPort third(sandbox.Folders());
    third.PortOut(0x378, 0);

    EXPECT_EQ(sandbox.Log(), (Lines{"IO.DLL loaded", "IO.DLL PortOut 888 15",
                                    "IO.DLL PortOut 632 5", "IO.DLL PortOut 888 0"}));
}

TEST(LptPorts, UnderWineThePortsAreListedAsNoneAndNeitherListEndsTheProgram)
{
    // Wine lists no LPT port, and has the configuration manager's resource
    // calls as stubs that end the process: the list must not reach them.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        GTEST_SKIP() << "what a real Windows lists depends on its PC";
    }
    for (const auto& listed : {ListLptPorts(), LptPortsOfDeviceManager()}) {
        ASSERT_TRUE(listed.has_value()) << "the list could not be had";
        EXPECT_TRUE(listed->empty());
    }
}

} // namespace
} // namespace kovir
