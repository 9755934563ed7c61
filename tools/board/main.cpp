// kovir-board: lists the FTDI devices attached, and prepares one as a kovir
// board (its product description "kovir", written into its EEPROM).
//   kovir-board                  the list
//   kovir-board prepare SERIAL   prepares the device with that serial number
//   kovir-board restore FILE     writes back the EEPROM prepare saved in FILE
#include "tools/board/BoardTool.h"
#include "tools/board/Console.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    kovir::UseUtf8Console();
    kovir::BoardDevices devices;
    if (argc == 1) {
        return kovir::ListBoards(devices, stdout, stderr);
    }
    if (argc == 3 && std::strcmp(argv[1], "prepare") == 0) {
        return kovir::PrepareBoard(devices, argv[2], stdout, stderr);
    }
    if (argc == 3 && std::strcmp(argv[1], "restore") == 0) {
        return kovir::RestoreBoard(devices, argv[2], stdout, stderr);
    }
    std::fprintf(stderr, "Upotreba: kovir-board                  (spisak FTDI uređaja)\n"
                         "          kovir-board prepare SERIJSKI_BROJ\n"
                         "          kovir-board restore SAČUVANA_DATOTEKA\n");
    return 2;
}
