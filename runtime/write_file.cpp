#include "runtime/write_file.h"

#include "runtime/wide.h"

namespace {

bool writeAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool writeFile(const char* path, std::initializer_list<const ByteSetRecord*> parts) {
    if (textEmpty(path)) return false;
    HANDLE file = CreateFileW(WideText(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (const ByteSetRecord* part : parts) {
        size_t size = byteSetLength(part);
        if (size > 0 && !writeAll(file, part->data, size)) {
            ok = false;
            break;
        }
    }
    if (!CloseHandle(file)) ok = false;
    return ok;
}
