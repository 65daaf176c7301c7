// The program's own operator new and delete: plain malloc and free, with an
// allocation failure reported as the runtime error. Without them the
// library's versions pull in exception handling and thread support that the
// program never uses.
#include <cstdlib>
#include <new>

#include "runtime/fatal.h"

void* operator new(size_t bytes) { return allocateOrDie(bytes); }
void* operator new[](size_t bytes) { return allocateOrDie(bytes); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
