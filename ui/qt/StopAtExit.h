#pragma once

namespace kovir {

class Form1;

// When the connection to the display is lost, the toolkit ends the process
// with exit() from deep inside the event loop: no window closes and nothing
// on the stack is destroyed. An exit handler is the only hook left, so while
// one of these lives, process exit still unloads the form and the stop byte
// reaches the port.
class StopAtExit {
public:
    explicit StopAtExit(Form1& form);
    ~StopAtExit();
    StopAtExit(const StopAtExit&) = delete;
    StopAtExit& operator=(const StopAtExit&) = delete;
};

} // namespace kovir
