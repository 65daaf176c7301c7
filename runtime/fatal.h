#pragma once
// The one fatal path. Windows: shows the runtime-error box and ends the
// process with exit code -1 without running the clean-up routine.
#include <cstddef>
#include <cstdint>

[[noreturn]] void raiseRuntimeError(int32_t code, const char* message);

// malloc that raises "分配 %d 字节内存失败!" instead of answering null.
void* allocateOrDie(size_t bytes);
