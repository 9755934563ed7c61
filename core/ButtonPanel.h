#pragma once

#include "core/Button.h"
#include "core/ColourRef.h"

namespace kovir {

// How the command core recolours the window's buttons. It only ever sets a
// colour; it never reads one back.
class ButtonPanel {
public:
    virtual void SetBackColor(Button button, ColourRef colour) = 0;

protected:
    ButtonPanel() = default;
    ~ButtonPanel() = default;
    ButtonPanel(const ButtonPanel&) = default;
    ButtonPanel& operator=(const ButtonPanel&) = default;
};

} // namespace kovir
