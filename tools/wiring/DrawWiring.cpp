// kovir-wiring: draws the wiring pictures of docs/ from the pin table the
// program drives its boards with, so that a picture and the program cannot
// disagree. Not installed; scripts/wiring redraws docs/, and a test holds
// docs/ against what this draws.
//   kovir-wiring FOLDER   writes wiring-db25.svg, wiring-ft232r.svg, wiring-ft232h.svg
#include "port/bitbang/BoardPins.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A chip's bit-bang pin: its name, its number on the chip, and what common
// boards print beside it.
struct ChipPin {
    const char* name;
    int number;
    const char* label;
};

struct Chip {
    const char* file;
    const char* title;
    const char* part;
    const char* pullDown;
    const char* voltage;
    std::array<ChipPin, 8> pins; // in bit-bang order
};

// DS_FT232R (SSOP-28, the FT232RL) and DS_FT232H (LQFP-48 and QFN-48).
const Chip Chips[] = {
    {"wiring-ft232r.svg", "FT232R module to the device", "FT232RL", "10k",
     "VCCIO 5 V or 3.3 V, as the device expects (most modules have a jumper).",
     {{{"TXD", 1, "TXD"}, {"RXD", 5, "RXD"}, {"RTS#", 3, "RTS"}, {"CTS#", 11, "CTS"},
       {"DTR#", 2, "DTR"}, {"DSR#", 9, "DSR"}, {"DCD#", 10, "DCD"}, {"RI#", 6, "RI"}}}},
    {"wiring-ft232h.svg", "FT232H module to the device", "FT232H", "4.7k",
     "I/O 3.3 V only: a 74HC input on 5 V needs a 74HCT instead.",
     {{{"ADBUS0", 13, "D0"}, {"ADBUS1", 14, "D1"}, {"ADBUS2", 15, "D2"}, {"ADBUS3", 16, "D3"},
       {"ADBUS4", 17, "D4"}, {"ADBUS5", 18, "D5"}, {"ADBUS6", 19, "D6"}, {"ADBUS7", 20, "D7"}}}},
};

constexpr const char* DeviceLines[] = {"motion", "motion", "motion", "motion",
                                       "sounder", "never set", "never set", "never set"};

// One row: the device's end on the left, what it goes to on the right.
struct Row {
    std::string left;
    std::string right;
    std::string label;      // the board's print, right-aligned
    bool wired = true;      // a wire runs across
    const char* pullDown{}; // a resistor to ground on the device's line
};

struct Picture {
    std::string title;
    std::string leftHead;
    std::string rightHead;
    std::vector<Row> rows;
    std::vector<std::string> notes;
};

constexpr int Width = 760;
constexpr int Top = 96;
constexpr int RowHeight = 36;

std::string Number(int value)
{
    return std::to_string(value);
}

std::string Text(int x, int y, const std::string& text, bool bold = false, bool right = false)
{
    return "  <text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\"" +
           (right ? " text-anchor=\"end\"" : "") + (bold ? " font-weight=\"bold\"" : "") + ">" +
           text + "</text>\n";
}

std::string Line(int x1, int y1, int x2, int y2)
{
    return "    <line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
           "\" y2=\"" + Number(y2) + "\"/>\n";
}

// A resistor from the line at (x, y) down to a ground mark.
std::string Resistor(int x, int y)
{
    return Line(x, y, x, y + 5) + "    <rect x=\"" + Number(x - 4) + "\" y=\"" + Number(y + 5) +
           "\" width=\"8\" height=\"14\"/>\n" + Line(x, y + 19, x, y + 24) +
           Line(x - 7, y + 24, x + 7, y + 24) + Line(x - 3, y + 28, x + 3, y + 28);
}

std::string Render(const Picture& picture)
{
    const int height = Top + static_cast<int>(picture.rows.size()) * RowHeight +
                       static_cast<int>(picture.notes.size()) * 20 + 10;
    std::string text = Text(20, 30, picture.title, true) + Text(40, 70, picture.leftHead, true) +
                       Text(Width - 40, 70, picture.rightHead, true, true);
    std::string wires;
    for (std::size_t i = 0; i < picture.rows.size(); ++i) {
        const Row& row = picture.rows[i];
        const int y = Top + static_cast<int>(i) * RowHeight;
        text += Text(40, y + 4, row.left, true) + Text(450, y + 4, row.right, row.wired);
        if (!row.label.empty()) {
            text += Text(Width - 40, y + 4, "“" + row.label + "”", false, true);
        }
        if (row.wired) {
            wires += Line(250, y, 440, y);
        }
        if (row.pullDown) {
            wires += Line(250, y, 300, y) + Resistor(300, y);
            text += Text(308, y + 17, row.pullDown);
        }
    }
    int y = Top + static_cast<int>(picture.rows.size()) * RowHeight;
    for (const std::string& note : picture.notes) {
        text += Text(40, y, note);
        y += 20;
    }
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(Width) + "\" height=\"" +
           Number(height) + "\" viewBox=\"0 0 " + Number(Width) + " " + Number(height) +
           "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"13\">\n"
           "  <rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
           "  <g stroke=\"black\" stroke-width=\"1.5\" fill=\"white\">\n" + wires + "  </g>\n" + text +
           "</svg>\n";
}

std::string DeviceLine(int bit)
{
    return "pin " + Number(2 + bit) + "  D" + Number(bit) + " " + DeviceLines[bit];
}

Picture BoardPicture(const Chip& chip)
{
    Picture picture{chip.title, "device: DB-25 pin, line",
                    std::string(chip.part) + " pin (number), board's print", {}, {}};
    std::array<bool, 8> used{};
    for (int bit = 0; bit < 8; ++bit) {
        const std::size_t at = kovir::BoardPinOfBit[static_cast<std::size_t>(bit)];
        const ChipPin& pin = chip.pins[at];
        Row row{DeviceLine(bit), "", "", bit < 5, chip.pullDown};
        if (row.wired) {
            used[at] = true;
            row.right = std::string(pin.name) + " (" + Number(pin.number) + ")";
            row.label = pin.label;
        } else {
            row.right = "none: held at 0 by its resistor";
        }
        picture.rows.push_back(row);
    }
    picture.rows.push_back({"pins 18-25  ground", "GND", "GND", true, nullptr});
    std::string open;
    for (std::size_t at = 0; at < used.size(); ++at) {
        if (!used[at]) {
            open += (open.empty() ? "" : ", ") + std::string(chip.pins[at].name) + " (" +
                    Number(chip.pins[at].number) + ")";
        }
    }
    picture.notes = {"Left unconnected: " + open + ": the chip drives them high at rest.",
                     std::string("Each resistor: ") + chip.pullDown + "Ohm, from the device's line to ground.",
                     chip.voltage,
                     "Never connect the module's VCC to the device: only the lines and ground."};
    return picture;
}

Picture PortPicture()
{
    Picture picture{"PC parallel port (DB-25) to the device", "PC port: the cable's male plug, pin",
                    "device", {}, {}};
    for (int bit = 0; bit < 8; ++bit) {
        picture.rows.push_back({"pin " + Number(2 + bit) + "  D" + Number(bit),
                                bit < 5 ? "D" + Number(bit) + " " + DeviceLines[bit]
                                        : std::string("never set: left open"),
                                "", bit < 5, nullptr});
    }
    picture.rows.push_back({"pins 18-25  GND", "ground", "", true, nullptr});
    picture.notes = {"The PC's socket is female, the cable's plug male. Seen from the plug's solder side,",
                     "pin 1 is top right, 13 top left, 14 bottom right, 25 bottom left."};
    return picture;
}

bool Write(const std::string& folder, const char* name, const Picture& picture)
{
    std::ofstream file(folder + "/" + name, std::ios::binary | std::ios::trunc);
    file << Render(picture);
    return static_cast<bool>(file.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kovir-wiring FOLDER\n");
        return 2;
    }
    bool written = Write(argv[1], "wiring-db25.svg", PortPicture());
    for (const Chip& chip : Chips) {
        written = Write(argv[1], chip.file, BoardPicture(chip)) && written;
    }
    if (!written) {
        std::fprintf(stderr, "kovir-wiring: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
