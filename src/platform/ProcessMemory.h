#pragma once

// The process's heap.
namespace ProcessMemory {

// Hands the heap's free pages back to the system once the event loop next waits, after work that
// allocated much for a short time (reading a sheet, saving one, laying out many rows); otherwise they
// stay counted as the program's own until reused. Asking again before then costs nothing. Any thread.
void releaseFreedWhenIdle();

} // namespace ProcessMemory
