#pragma once

namespace kovir {

// In `kovir-sim | kovir-vcd > run.vcd`, Ctrl+C reaches both programs: the
// simulator writes its stop byte and ends, and the converter must still read
// that, up to the end of its input, and write the whole dump. So the first
// Ctrl+C only says so on standard error; a second one ends kovir-vcd at once.
void ReadOnAfterInterrupt();

} // namespace kovir
