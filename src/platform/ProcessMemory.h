#pragma once

// The process's heap.
namespace ProcessMemory {

// Hands the heap's free pages back to the system, after work that allocated much for a short time
// (reading a sheet, saving one); otherwise they stay counted as the program's own until reused.
void releaseFreed();

} // namespace ProcessMemory
