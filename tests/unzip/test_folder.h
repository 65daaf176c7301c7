#pragma once
// A fresh folder under the temporary folder for one test, removed with all
// its contents (read-only files too) when the test ends; and the few file
// queries the tests make through the real Windows API. Paths are GBK.
#include <windows.h>

#include <string>

class TestFolder {
public:
    TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    ~TestFolder();

    // The folder itself, without a trailing "\\".
    const std::string& root() const { return root_; }
    // root() + "\\" + relative.
    std::string path(const std::string& relative) const;

private:
    std::string root_;
};

// Makes `folder` the current folder for the life of the object.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    ~CurrentFolder();

private:
    wchar_t saved_[MAX_PATH];
};

bool fileExists(const std::string& path);    // a file, not a folder
bool folderExists(const std::string& path);
DWORD attributesOf(const std::string& path);  // INVALID_FILE_ATTRIBUTES when missing
bool readWholeFile(const std::string& path, std::string* data);
bool writeWholeFile(const std::string& path, const std::string& data);
// Creation, last-access and last-write times of a file.
bool fileTimesOf(const std::string& path, FILETIME* creation, FILETIME* access, FILETIME* write);
// A UTC calendar time as a FILETIME, through the platform's own conversion.
FILETIME utcFileTime(int year, int month, int day, int hour, int minute, int second);
uint64_t ticksOf(const FILETIME& t);
