#include "form/Form1Description.h"

#include "core/Controller.h"
#include "port/PortOutput.h"

#include <stdexcept>

namespace kovir {

namespace {

constexpr FontDescription DialogFont{};
constexpr FontDescription Title{"Arial Black", 14.25, 700};
constexpr FontDescription OverButton{"Arial Black", 9, 700};
constexpr FontDescription DirectionFont{"Arial Black", 9.75, 400};

constexpr ColourRef PortLabel = 0x00404080;
constexpr ColourRef ButtonLabel = 0x00004080;

constexpr ClickAction MoveTo(Direction d)
{
    return {ClickOperation::Move, d, {}};
}
constexpr ClickAction Select(PortAddress p)
{
    return {ClickOperation::SelectPort, {}, p};
}
constexpr ClickAction Nothing{};

// The option buttons are only as wide as their mark: their captions are
// never seen, so a screen reader is given the port of their row instead.
// clang-format off
constexpr ControlDescription Controls[] = {
    {"Label1", -1, ControlKind::Label, Container::Form1, "UPRAVLJANJE KOVIROM",
     {600, 0, 4695, 615}, 0x00008000, Title, "UPRAVLJANJE KOVIROM", {}, Nothing},
    {"Frame1", -1, ControlKind::Frame, Container::Form1, "Bazna Adresa - Heksa",
     {120, 2520, 1815, 1215}, 0x00C000C0, DialogFont, "Bazna Adresa - Heksa", {}, Nothing},
    {"Option3", -1, ControlKind::OptionButton, Container::Frame1, "Option3",
     {240, 840, 255, 195}, NoColour, DialogFont, "LPT2: 278", {}, Select(PortAddress::Lpt2)},
    {"Option2", -1, ControlKind::OptionButton, Container::Frame1, "Option2",
     {240, 600, 255, 195}, NoColour, DialogFont, "LPT3: 3BC", {}, Select(PortAddress::Lpt3)},
    {"Option1", -1, ControlKind::OptionButton, Container::Frame1, "Option1",
     {240, 360, 255, 195}, NoColour, DialogFont, "LPT1: 378", {}, Select(PortAddress::Lpt1)},
    {"Label6", -1, ControlKind::Label, Container::Frame1, "LPT3: 3BC",
     {600, 600, 1215, 255}, PortLabel, DialogFont, "LPT3: 3BC", {}, Nothing},
    {"Label4", -1, ControlKind::Label, Container::Frame1, "LPT2: 278",
     {600, 840, 975, 255}, PortLabel, DialogFont, "LPT2: 278", {}, Nothing},
    {"Label3", -1, ControlKind::Label, Container::Frame1, "LPT1: 378",
     {600, 360, 975, 255}, PortLabel, DialogFont, "LPT1: 378", {}, Nothing},
    {"Label5", 1, ControlKind::Label, Container::Form1, "Stop",
     {4920, 960, 855, 255}, ButtonLabel, OverButton, "Stop", {}, Nothing},
    {"Label5", 0, ControlKind::Label, Container::Form1, "ZVUK",
     {720, 960, 855, 255}, ButtonLabel, OverButton, "ZVUK", {}, Nothing},
    {"Command1", -1, ControlKind::Button, Container::Form1, "Levo",
     {1920, 1320, 1215, 495}, colour::DirectionAtRest, DirectionFont, "Levo",
     Button::Command1, MoveTo(Direction::Left)},
    {"Command2", -1, ControlKind::Button, Container::Form1, "Desno",
     {3360, 1320, 1215, 495}, colour::DirectionAtRest, DirectionFont, "Desno",
     Button::Command2, MoveTo(Direction::Right)},
    {"Command3", -1, ControlKind::Button, Container::Form1, "Napred",
     {2520, 720, 1215, 495}, colour::DirectionAtRest, DirectionFont, "Napred",
     Button::Command3, MoveTo(Direction::Forward)},
    {"Command4", -1, ControlKind::Button, Container::Form1, "Nazad",
     {2520, 1920, 1215, 495}, colour::DirectionAtRest, DirectionFont, "Nazad",
     Button::Command4, MoveTo(Direction::Back)},
    {"Command5", -1, ControlKind::Button, Container::Form1, "",
     {840, 1320, 615, 615}, colour::SoundAtRest, DialogFont, "ZVUK",
     Button::Command5, {ClickOperation::Sound, {}, {}}},
    {"Command6", -1, ControlKind::Button, Container::Form1, "",
     {4920, 1320, 615, 615}, colour::StopWhenStopped, DialogFont, "Stop",
     Button::Command6, {ClickOperation::Stop, {}, {}}},
};
// clang-format on

constexpr FormDescription Form{"Upravljanje kovirom", 5880, 3795, 0x0000C0C0, Controls};

} // namespace

const FormDescription& Form1Description()
{
    return Form;
}

const ControlDescription* FindControl(std::string_view name, int index)
{
    for (const ControlDescription& control : Controls) {
        if (control.name == name && control.index == index) {
            return &control;
        }
    }
    return nullptr;
}

const ControlDescription& StartOption()
{
    for (const ControlDescription& control : Controls) {
        if (control.kind == ControlKind::OptionButton &&
            control.click.operation == ClickOperation::SelectPort && control.click.port == StartPort) {
            return control;
        }
    }
    throw std::logic_error("No option of Form1 selects the start port.");
}

TwipRect PlaceInForm(const ControlDescription& control)
{
    TwipRect place = control.place;
    if (control.container == Container::Frame1) {
        const TwipRect frame = FindControl("Frame1")->place;
        place.left += frame.left;
        place.top += frame.top;
    }
    return place;
}

namespace {

// The port a control names: an option's own, or for a label in the frame,
// that of the option in its row.
std::optional<PortAddress> PortNamedBy(const ControlDescription& control)
{
    if (control.click.operation == ClickOperation::SelectPort) {
        return control.click.port;
    }
    if (control.kind != ControlKind::Label || control.container != Container::Frame1) {
        return std::nullopt;
    }
    for (const ControlDescription& option : Controls) {
        if (option.click.operation == ClickOperation::SelectPort &&
            option.container == control.container && option.place.top == control.place.top) {
            return option.click.port;
        }
    }
    return std::nullopt;
}

// "LPT1: 378" with the name after the colon that the port gives.
std::string NamingDrivenPort(std::string_view text, const ControlDescription& control,
                             PortOutput& port)
{
    const auto named = PortNamedBy(control);
    const auto colon = text.find(": ");
    if (!named || colon == std::string_view::npos) {
        return std::string(text);
    }
    return std::string(text.substr(0, colon + 2)) +
           port.DrivenPortName(static_cast<std::int16_t>(*named));
}

} // namespace

std::string CaptionInRun(const ControlDescription& control, PortOutput& port)
{
    return NamingDrivenPort(control.caption, control, port);
}

std::string AccessibleNameInRun(const ControlDescription& control, PortOutput& port)
{
    return NamingDrivenPort(control.accessibleName, control, port);
}

void RunClick(Controller& controller, const ClickAction& click)
{
    switch (click.operation) {
    case ClickOperation::None:
        return;
    case ClickOperation::Move:
        controller.Move(click.direction);
        return;
    case ClickOperation::Stop:
        controller.Stop();
        return;
    case ClickOperation::Sound:
        controller.Sound();
        return;
    case ClickOperation::SelectPort:
        controller.SelectPort(click.port);
        return;
    }
}

} // namespace kovir
