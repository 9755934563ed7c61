#pragma once

#include "core/Button.h"
#include "core/ColourRef.h"
#include "core/Commands.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kovir {

class Controller;
class PortOutput;

// What the window Form1 is, with no toolkit in it: its controls in keyboard
// order, their places in twips, colours, fonts and names, and which
// Controller operation each one's Click runs. Each front-end renders this
// and nothing else.

enum class ControlKind { Label, Frame, OptionButton, Button };
enum class Container { Form1, Frame1 };

// Left and top from the container's top-left corner (the client area for
// the window; the frame's own outer corner for Frame1), all in twips.
struct TwipRect {
    int left, top, width, height;
};

// An empty face means the system's dialog font, at its own size.
struct FontDescription {
    std::string_view face;
    double points = 0;
    int weight = 400; // 400 regular, 700 bold
};

enum class ClickOperation { None, Move, Stop, Sound, SelectPort };

struct ClickAction {
    ClickOperation operation = ClickOperation::None;
    Direction direction = Direction::Forward; // for Move
    PortAddress port = PortAddress::Lpt1;     // for SelectPort
};

inline constexpr ColourRef NoColour = 0xFFFFFFFF;

struct ControlDescription {
    std::string_view name;
    int index; // the element of a control array (Label5); -1 elsewhere
    ControlKind kind;
    Container container;
    std::string_view caption;
    TwipRect place;
    ColourRef colour; // text of labels and the frame; face of buttons; NoColour for options
    FontDescription font;
    std::string_view accessibleName; // what a screen reader says; the caption where it shows
    std::optional<Button> button;    // Command1 … Command6
    ClickAction click;
};

struct FormDescription {
    std::string_view caption;
    int width, height; // the client area, in twips
    ColourRef backColour;
    std::span<const ControlDescription> controls; // in keyboard (tab) order
};

const FormDescription& Form1Description();

// The description of a named control (and element), or nullptr.
const ControlDescription* FindControl(std::string_view name, int index = -1);

// The option selected when the window is made: the one whose Click selects
// the port every run starts on.
const ControlDescription& StartOption();

// Where a control lies in the window's client area, in twips.
TwipRect PlaceInForm(const ControlDescription& control);

// What a control shows in this run, and what a screen reader says of it. A
// port's label and option name the port their address drives on this PC,
// which the port knows after its first write ("LPT1: D010" for a card in
// place of 0x378); everything else is as described.
std::string CaptionInRun(const ControlDescription& control, PortOutput& port);
std::string AccessibleNameInRun(const ControlDescription& control, PortOutput& port);

// Runs what a Click on a control does: one Controller operation, or nothing.
void RunClick(Controller& controller, const ClickAction& click);

} // namespace kovir
