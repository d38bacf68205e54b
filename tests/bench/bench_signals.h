#pragma once

// The copy loop loads its list before the clock starts: it sets the ready
// event once loaded and copies when the driver sets the go event. The driver
// creates both.
constexpr char kLoopReadyEvent[] = "VelquorBenchLoopReady";
constexpr char kLoopGoEvent[] = "VelquorBenchLoopGo";
