// A small program on the installer's runtime for the process-level tests.
// Its first argument names a scenario, an optional second one qualifies it,
// and the last names a marker file into which the clean-up routine and the
// handlers write what happened.
//   exit-on-worker CODE   a worker thread asks to exit with CODE
//   exit-in-cleanup       the clean-up routine asks to exit once more (code 7)
//   runtime-error         raiseRuntimeError(3, "探针消息")
//   index ZERO|ABOVE      a text-array lookup with index 0 / count + 1
//   event-after-exit      the clean-up routine raises a bound event
//   fatal WHAT            a control service fails: WRITE (unknown window),
//                         HANDLE (unknown control), EVENT (unknown window),
//                         EVENTCONTROL (unknown control), GONE (a caption
//                         written after the label's window was destroyed)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/fatal.h"
#include "runtime/runtime.h"
#include "runtime/wide.h"
#include "ui/control_services.h"
#include "ui/window.h"

namespace {

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kWindowControlId = 0x06010000;
constexpr uint32_t kLabelId = 0x16010001;

wchar_t markerPath[MAX_PATH];
int exitCode;

void mark(const char* line) {
    if (FILE* f = _wfopen(markerPath, L"ab")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

void cleanUpMarking() { mark(onMainThread() ? "cleanup main" : "cleanup other"); }

void cleanUpExitingAgain() {
    mark("cleanup main");
    exitInstaller(7);
}

void cleanUpRaisingEvent() {
    mark("cleanup main");
    EventRecord e = {kWindowId, kLabelId, -1, 3, {1, 2, 0}, 0, 0};
    mark(fireEvent(&e) ? "event delivered" : "event dropped");
}

HandlerAnswer labelPressed(const int32_t*) {
    mark("handler ran");
    return HandlerAnswer();
}

const ControlLayout kControls[] = {
    {kLabelId, ControlKind::Label, 0, 0, 0, 100, 20, "probe", true, false, false, {255, 255, 255},
     {0, 0, 0}, false, {true, 0, 0, false}, nullptr, nullptr, false, 0},
};
const EventBinding kBindings[] = {{kLabelId, -1, labelPressed}};
const WindowLayout kLayout = {kWindowId, kWindowControlId, "probe", 120, 40, {0, 0, 0},
                              kControls, 1, kBindings, 1};

DWORD WINAPI exitFromWorker(void*) {
    exitInstaller(exitCode);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3) return 2;
    const wchar_t* scenario = argv[1];
    const wchar_t* param = argc > 3 ? argv[2] : L"";
    lstrcpynW(markerPath, argv[argc - 1], MAX_PATH);
    initRuntime();

    if (!lstrcmpW(scenario, L"exit-on-worker")) {
        exitCode = _wtoi(param);
        registerCleanUp(cleanUpMarking);
        CloseHandle(CreateThread(nullptr, 0, exitFromWorker, nullptr, 0, nullptr));
    } else if (!lstrcmpW(scenario, L"exit-in-cleanup")) {
        registerCleanUp(cleanUpExitingAgain);
        exitInstaller(0);
    } else if (!lstrcmpW(scenario, L"runtime-error")) {
        registerCleanUp(cleanUpMarking);
        raiseRuntimeError(3, "探针消息");
    } else if (!lstrcmpW(scenario, L"index")) {
        registerCleanUp(cleanUpMarking);
        TextArray names = splitText("甲|乙|丙", "|");
        names.at(!lstrcmpW(param, L"ZERO") ? 0 : names.count() + 1);
    } else if (!lstrcmpW(scenario, L"event-after-exit")) {
        registerCleanUp(cleanUpRaisingEvent);
        if (!loadWindow(kLayout)) return 3;
        EventRecord e = {kWindowId, kLabelId, -1, 3, {1, 2, 0}, 0, 0};
        mark(fireEvent(&e) ? "event delivered" : "event dropped");
        exitInstaller(0);
    } else if (!lstrcmpW(scenario, L"fatal")) {
        registerCleanUp(cleanUpMarking);
        if (!loadWindow(kLayout)) return 3;
        if (!lstrcmpW(param, L"WRITE")) writeInt(0x1234, kLabelId, 0, 1);
        if (!lstrcmpW(param, L"HANDLE")) getWindowHandle(kWindowId, 0x1234);
        EventRecord e = {0x1234, kLabelId, -1, 0, {}, 0, 0};
        if (!lstrcmpW(param, L"EVENT")) fireEvent(&e);
        EventRecord c = {kWindowId, 0x1234, -1, 0, {}, 0, 0};
        if (!lstrcmpW(param, L"EVENTCONTROL")) fireEvent(&c);
        if (!lstrcmpW(param, L"GONE")) {
            DestroyWindow(getWindowHandle(kWindowId, kLabelId));
            writeText(kWindowId, kLabelId, 8, "x");
        }
        return 4;
    } else {
        return 2;
    }
    return runMessageLoop();
}
