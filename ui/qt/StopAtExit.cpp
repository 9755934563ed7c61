#include "ui/qt/StopAtExit.h"

#include "ui/qt/Form1.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace kovir {

namespace {

// The one piece of process-wide state in the program: exit handlers take no
// argument, so the form they must unload has to be reachable from here.
Form1* armedForm = nullptr;

void UnloadArmedForm()
{
    Form1* form = armedForm;
    armedForm = nullptr;
    if (!form) {
        return;
    }
    try {
        form->Session().Unload();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kovir: %s\n", e.what());
    }
}

} // namespace

StopAtExit::StopAtExit(Form1& form)
{
    static const bool registered = std::atexit(UnloadArmedForm) == 0;
    if (registered) {
        armedForm = &form;
    }
}

StopAtExit::~StopAtExit()
{
    armedForm = nullptr;
}

} // namespace kovir
