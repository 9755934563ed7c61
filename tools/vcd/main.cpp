// kovir-vcd: the simulated port's trace as a Value Change Dump, for the
// logic-analyser viewers PulseView and GTKWave.
#include "tools/vcd/ReadOnAfterInterrupt.h"
#include "tools/vcd/TraceToVcd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

const char* const Usage =
    "Usage: kovir-vcd [TRACE]\n"
    "\n"
    "Reads the trace that kovir-sim prints on standard output (from the file\n"
    "TRACE, or from standard input) and writes it on standard output as a Value\n"
    "Change Dump: one scope per port (lpt_378), eight wires in each (378_D0 ...\n"
    "378_D7), timescale 1 us.\n"
    "\n"
    "  kovir-sim | kovir-vcd > run.vcd\n"
    "\n"
    "then open run.vcd in PulseView (File, Import Value Change Dump) or GTKWave\n"
    "(gtkwave run.vcd). Nothing is written unless the whole trace could be read;\n"
    "a last line cut off mid-write is left out with a warning. After Ctrl+C it\n"
    "reads on to the end of the trace (kovir-sim writes its stop byte and\n"
    "ends); a second Ctrl+C stops it at once.\n";

bool ReadAll(std::FILE* file, std::string& text)
{
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, got);
    }
    return !std::ferror(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
        const bool help =
            argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        std::fputs(Usage, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const bool fromFile = argc == 2 && std::strcmp(argv[1], "-") != 0;
    const char* name = fromFile ? argv[1] : "standard input";
    std::FILE* in = fromFile ? std::fopen(argv[1], "rb") : stdin;
    if (!in) {
        std::fprintf(stderr, "kovir-vcd: %s: %s\n", name, std::strerror(errno));
        return 1;
    }
    kovir::ReadOnAfterInterrupt();
    std::string text;
    const bool read = ReadAll(in, text);
    if (fromFile) {
        std::fclose(in);
    }
    if (!read) {
        std::fprintf(stderr, "kovir-vcd: %s could not be read\n", name);
        return 1;
    }
    try {
        const kovir::Trace trace = kovir::ReadTrace(text);
        if (trace.warning) {
            std::fprintf(stderr, "kovir-vcd: %s: warning: %s\n", name, trace.warning->c_str());
        }
        const std::string vcd = kovir::WriteVcd(trace);
        if (std::fwrite(vcd.data(), 1, vcd.size(), stdout) != vcd.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "kovir-vcd: the VCD could not be written: %s\n",
                         std::strerror(errno));
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kovir-vcd: %s: %s\n", name, e.what());
        return 1;
    }
    return 0;
}
