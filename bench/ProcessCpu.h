#pragma once

namespace kovir::bench {

// Processor time this process has used so far, in milliseconds (user and
// system). Not the C library's clock(), which on Windows is wall time.
double ProcessCpuMilliseconds();

} // namespace kovir::bench
