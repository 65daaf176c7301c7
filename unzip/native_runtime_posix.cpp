// The three runtime functions that runtime/text.cpp needs, for native builds
// of the reader and the engine (fuzzing, benchmarks), which have no GUI
// runtime: a runtime error is printed and ends the process with -1.
#include <cstdio>
#include <cstdlib>

#include "runtime/fatal.h"
#include "runtime/text.h"

void raiseRuntimeError(int32_t code, const char* message) {
    std::fprintf(stderr, "runtime error %d: %s\n", static_cast<int>(code), message ? message : "");
    std::exit(-1);
}

void* allocateOrDie(size_t bytes) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) raiseRuntimeError(0, "out of memory");
    return p;
}

// A native build has no constant texts handed to freeText.
bool isConstantAddress(const void*) { return false; }
