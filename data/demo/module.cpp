// One of the demo product's libraries. The build makes three of them from
// this source (zvcore, zvimage, zvnet), each with its own ZV_MODULE name and
// version; the product's program loads whichever it finds beside itself and
// lists them in its window.
#include <windows.h>

#include <cstdint>

#ifndef ZV_MODULE
#error "ZV_MODULE names the library"
#endif
#define ZV_WIDEN2(x) L##x
#define ZV_WIDEN(x) ZV_WIDEN2(x)

extern "C" {

__declspec(dllexport) const wchar_t* zvModuleName() { return ZV_WIDEN(ZV_MODULE); }

__declspec(dllexport) const wchar_t* zvModuleVersion() { return ZV_WIDEN(ZV_VERSION); }

// Adler-32 of a block, the check the product uses for its settings cache.
__declspec(dllexport) uint32_t zvChecksum(const void* data, uint32_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t a = 1, b = 0;
    for (uint32_t i = 0; i < size; ++i) {
        a = (a + p[i]) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
