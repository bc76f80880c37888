#pragma once
// Every allocation through operator new of the test program that links CountedAllocations.cpp is counted, so a loop
// over damaged input can show that nothing stays allocated.
#include <atomic>

extern std::atomic<long> liveAllocations;
