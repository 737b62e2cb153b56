#pragma once
// Named points between two writes of a multi-step write (finishing an order, a delivery, a
// cash closing, compaction, repair), where a test ends the process to show that a stop there
// loses nothing. With CARVANTEL_STOP_AT="name" the process ends at the first pass of that
// point, with "name:N" at the N-th; without it a point costs one look at a flag read once.

// The exit code of a process ended at a stop point, so a test can tell it from a crash.
constexpr int kStoppedAtPointExitCode = 86;

void StopPoint(const char* name);
