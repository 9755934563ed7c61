#include "port/portlib/PortLibraryProblem.h"
#include "port/portlib/PortLibraries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovir {
namespace {

TEST(PortLibraries, IoDllFirstThenTheInpOutLibraryOfTheBuildsWidth)
{
    const struct {
        int bits;
        std::vector<std::string> files;
    } rows[] = {
        {32, {"IO.DLL:PortOut", "inpout32.dll:Out32"}},
        {64, {"IO.DLL:PortOut", "inpoutx64.dll:Out32"}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> files;
        for (const PortLibrary& library : PortLibrariesFor(row.bits)) {
            files.push_back(std::string(library.file) + ":" + std::string(library.entry));
            EXPECT_EQ(library.kind,
                      library.entry == "Out32" ? PortEntry::Out32 : PortEntry::PortOut);
        }
        EXPECT_EQ(files, row.files) << row.bits << "-bit";
    }
}

TEST(DescribeNoPortLibrary, SaysWhereEachFileWasLookedForWhyAndWhatToDoForThisBuild)
{
    const std::vector<LookupAttempt> attempts = {
        {"C:\\kovir\\IO.DLL", "PortOut", LookupOutcome::NotLoadable, "Bad EXE format, kod 193",
         193},
        {"C:\\windows\\system32\\IO.DLL", "PortOut", LookupOutcome::Missing, ""},
        {"C:\\kovir\\inpoutx64.dll", "Out32", LookupOutcome::NoEntryPoint, ""},
    };
    const std::string text64 = DescribeNoPortLibrary(0x3BC, attempts, 64);
    for (const char* part : {"0x3BC", "64-bitni program",
                             "C:\\kovir\\IO.DLL: datoteka postoji, ali je nije moguće učitati "
                             "(Bad EXE format, kod 193)",
                             "C:\\windows\\system32\\IO.DLL: datoteka ne postoji.",
                             "C:\\kovir\\inpoutx64.dll: učitana je, ali nema ulaznu tačku Out32",
                             "Stavite inpoutx64.dll", "kao administrator"}) {
        EXPECT_NE(text64.find(part), std::string::npos) << part << "\n" << text64;
    }
    const std::string text32 = DescribeNoPortLibrary(0x378, {}, 32);
    for (const char* part : {"0x378", "32-bitni program", "IO.DLL ili inpout32.dll"}) {
        EXPECT_NE(text32.find(part), std::string::npos) << part << "\n" << text32;
    }
    EXPECT_EQ(text32.find("inpoutx64"), std::string::npos);
}

TEST(DescribeNoPortLibrary, EachCommonLoadErrorHasItsOwnWordsAndOnlyABadFormatAsksForTheSameWidth)
{
    const struct {
        unsigned long error;
        const char* said; // nullptr: the system's words alone
    } rows[] = {
        {193, "Biblioteka mora biti iste širine kao program."},
        {126, "Nedostaje biblioteka koja je njoj potrebna"},
        {5, "Pristup datoteci je odbijen."},
        {1114, "Biblioteka nije uspela da se pokrene."},
        {87, nullptr},
    };
    for (const auto& row : rows) {
        LookupAttempt attempt{"C:\\kovir\\IO.DLL", "PortOut", LookupOutcome::NotLoadable,
                              "sistem kaže, kod " + std::to_string(row.error), row.error};
        const std::string text = DescribeNoPortLibrary(0x378, {attempt}, 32);
        const std::string line = text.substr(text.find("C:\\kovir\\IO.DLL"));
        SCOPED_TRACE(line);
        EXPECT_NE(line.find("(sistem kaže, kod " + std::to_string(row.error) + ")."),
                  std::string::npos);
        if (row.said) {
            EXPECT_NE(line.find(row.said), std::string::npos);
        }
        EXPECT_EQ(line.find("iste širine") != std::string::npos, row.error == 193);
    }
}

TEST(DescribeInpOutDriverClosed, AsksForOneRunAsAdministratorThenNamesMemoryIntegrityAndTheWayOn)
{
    const std::string text = DescribeInpOutDriverClosed(0x278, "C:\\kovir\\inpout32.dll");
    for (const char* part : {"Paralelni port 0x278 nije dostupan", "C:\\kovir\\inpout32.dll",
                             "upravljački program nije otvoren", "jednom kao administrator",
                             "Integritet memorije", "Memory Integrity", "Izolacija jezgra",
                             "ne pomaže", "USB pločicu", "odlučujete sami"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    }
}

} // namespace
} // namespace kovir
