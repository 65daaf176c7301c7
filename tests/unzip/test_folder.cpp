#include "tests/unzip/test_folder.h"

#include <cstdio>

#include "runtime/wide.h"
#include "tests/support/gui_driver.h"

TestFolder::TestFolder() {
    static unsigned counter;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "unzip-test-%lu-%u", GetCurrentProcessId(), ++counter);
    root_ = std::string(fromWide(temp).c_str()) + name;
    CreateDirectoryW(WideText(root_.c_str()), nullptr);
}

TestFolder::~TestFolder() { removeTree(std::wstring(WideText(root_.c_str()).get())); }

std::string TestFolder::path(const std::string& relative) const { return root_ + "\\" + relative; }

CurrentFolder::CurrentFolder(const std::string& folder) {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(WideText(folder.c_str()));
}

CurrentFolder::~CurrentFolder() { SetCurrentDirectoryW(saved_); }

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(WideText(path.c_str())); }

bool fileExists(const std::string& path) {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool readWholeFile(const std::string& path, std::string* data) {
    FILE* f = _wfopen(WideText(path.c_str()), L"rb");
    if (!f) return false;
    data->clear();
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) data->append(chunk, n);
    fclose(f);
    return true;
}

bool writeWholeFile(const std::string& path, const std::string& data) {
    FILE* f = _wfopen(WideText(path.c_str()), L"wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

bool fileTimesOf(const std::string& path, FILETIME* creation, FILETIME* access, FILETIME* write) {
    HANDLE h = CreateFileW(WideText(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileTime(h, creation, access, write) != 0;
    CloseHandle(h);
    return ok;
}

FILETIME utcFileTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    FILETIME ft = {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

uint64_t ticksOf(const FILETIME& t) {
    return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}
