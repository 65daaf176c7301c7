// Completion: the progress handler moves the bar and, at 100 percent,
// finishes the installation and ends the installer.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>
#include <cwchar>

#include "app/install_rules.h"
#include "app/installer.h"
#include "app/worker.h"
#include "data/embedded.h"
#include "runtime/fatal.h"
#include "runtime/runtime.h"
#include "runtime/wide.h"
#include "ui/control_services.h"
#include "ui/layout.h"

namespace {

constexpr char kCompletionText[] =
    "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
constexpr char kCompletionTitle[] = "温馨提示：";
constexpr uint32_t kYesNoInformation = MB_YESNO | MB_ICONINFORMATION;  // 68
constexpr int32_t kAnswerYes = 5;

// The shell-link class and the two interfaces used, defined here rather than
// linked from libuuid, which brings a whole table of identifiers along.
constexpr CLSID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kShellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Saves a shortcut to `target` at `path` (".lnk" appended by the rule of
// shortcutFileName). Answers true when it was saved.
bool createShortcut(const char* path, const char* target) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool saved = false;
    link->SetPath(WideText(target));
    link->SetShowCmd(SW_SHOW);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(kPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(WideText(shortcutFileName(path).get()), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

// Starts the program in a normal window with the installer's current folder
// and waits at most a second for it to become idle. The path is passed as
// the application name and quoted on the command line, so that a folder
// with spaces can never start another program.
void runProgram(const char* program) {
    WideText application(program);
    WideText quoted(concat({"\"", program, "\""}).get());
    size_t n = wcslen(quoted) + 1;
    wchar_t* commandLine = static_cast<wchar_t*>(allocateOrDie(n * sizeof(wchar_t)));
    wcscpy(commandLine, quoted);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForInputIdle(process.hProcess, 1000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::free(commandLine);
}

Text programPath() {
    Text folder = readText(kMainWindowId, kInstallLabelId, PropCaption);
    return concat({folder.get(), "\\", productName.get(), ".exe"});
}

}  // namespace

void onExtractProgress(int32_t percent) {
    writeInt(kMainWindowId, kProgressBarId, PropProgressPosition, percent);
    int32_t maximum = readInt(kMainWindowId, kProgressBarId, PropProgressMaximum);
    writeInt(kMainWindowId, kProgressBarId, PropProgressPosition,
             static_cast<int32_t>(maximum / 100.0 * static_cast<double>(percent)));
    if (percent != 100) return;

    writeBytes(kMainWindowId, kStartButtonId, PropPictureNormal, &finishPicture);
    writeBytes(kMainWindowId, kStartButtonId, PropPictureHot, &finishPicture);
    Text shortcut = concat({specialFolder(kDesktopFolder).get(), productName.get()});
    bool saved = createShortcut(shortcut.get(), programPath().get());
    writeText(kMainWindowId, kStatusLabelId, PropCaption,
              saved ? "3.创建快捷方式..成功" : "3.创建快捷方式..失败");
    if (showMessageBox(kCompletionText, kYesNoInformation, kCompletionTitle) == kAnswerYes)
        runProgram(programPath().get());
    writeInt(kMainWindowId, kProgressBarId, PropVisible, 0);
    deleteArchiveWritten();
    exitInstaller(0);
}
