// The install worker: writes the product archive to a temporary file and
// unpacks it into the install folder on its own thread.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>

#include "app/install_rules.h"
#include "app/installer.h"
#include "app/worker.h"
#include "data/embedded.h"
#include "runtime/runtime.h"
#include "runtime/wide.h"
#include "runtime/write_file.h"
#include "ui/control_services.h"
#include "ui/layout.h"
#include "unzip/zip_control.h"

namespace {

std::atomic<bool> workerRunning{false};
Text archiveWritten;  // the worker's own: the one file this run wrote

constexpr char kStartWarning[] =
    "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    "可以阅读软件安装说明";
constexpr char kWriteFailed[] =
    "写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序";
constexpr char kExtractFailed[] = "解压失败！";
constexpr char kExtractFailedBox[] = "解压失败！请检查安装目录与磁盘空间后重试。";

Text installFolder() { return readText(kMainWindowId, kInstallLabelId, PropCaption); }

void setStatus(const char* text) { writeText(kMainWindowId, kStatusLabelId, PropCaption, text); }

bool fileExists(const char* path) {
    return GetFileAttributesW(WideText(path)) != INVALID_FILE_ATTRIBUTES;
}

// Writes the product archive under the first unused candidate name in the
// folder; answers the path, or empty when it could not be written.
Text writeArchiveInto(const char* folderPrefix) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        Text path = archiveCandidate(folderPrefix, attempt);
        if (fileExists(path.get())) continue;
        if (writeFile(path.get(), {&productArchive})) return path;
        DeleteFileW(WideText(path.get()));  // a partial file of ours
        return Text();
    }
    return Text();
}

DWORD WINAPI installWorker(void*) {
    CoInitialize(nullptr);
    setStatus("1.释放压缩包..");
    // The temporary folder's text ends in a backslash; one more is harmless.
    archiveWritten = writeArchiveInto(concat({specialFolder(kTemporaryFolder).get(), "\\"}).get());
    if (archiveWritten.empty()) {
        Text driveRoot = concat({leftBytes(installFolder().get(), 1).get(), ":\\"});
        archiveWritten = writeArchiveInto(driveRoot.get());
        if (archiveWritten.empty()) {
            showMessageBox(kWriteFailed, 0);
            exitInstaller(0);
        }
    }
    writeInt(kMainWindowId, kProgressBarId, PropVisible, 1);
    setStatus("2.开始解压..");
    zipExtract(kMainWindowId, kZipControlId, archiveWritten.c_str(), installFolder().c_str());

    // Extract returns only when it did not reach 100 percent: tell the user
    // and let them choose another folder and try again.
    deleteArchiveWritten();
    setStatus(kExtractFailed);
    showMessageBox(kExtractFailedBox, 0);
    CoUninitialize();
    workerRunning = false;
    return 0;
}

}  // namespace

void deleteArchiveWritten() {
    if (!archiveWritten.empty()) DeleteFileW(WideText(archiveWritten.get()));
    archiveWritten = Text();
}

void onStartClicked() {
    if (workerRunning) return;  // one installation at a time
    showMessageBox(kStartWarning, 0);
    if (workerRunning.exchange(true)) return;
    HANDLE thread = CreateThread(nullptr, 0, installWorker, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
    else workerRunning = false;
}

Text specialFolder(int which) {
    wchar_t buffer[MAX_PATH + 1] = {};
    bool ok = which == kTemporaryFolder
                  ? GetTempPathW(MAX_PATH, buffer) != 0
                  : SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE) != FALSE;
    if (!ok) return Text();
    Text folder = fromWide(buffer);
    return endsWithBackslash(folder.get()) ? folder : concat({folder.get(), "\\"});
}
