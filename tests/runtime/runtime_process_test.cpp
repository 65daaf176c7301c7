// Process-level behaviour of the runtime: the exit operation, the runtime
// error box and event suppression, seen from outside the probe program.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/gui_driver.h"

namespace {

struct ProbeRun {
    DWORD exitCode = 0;
    bool exited = false;
    std::string marker;
};

std::wstring markerFile() {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"prb", 0, path);
    DeleteFileW(path);
    return path;
}


// Runs the probe; when `box` is given, waits for the runtime-error box,
// reads it and closes it with its OK button.
ProbeRun runProbe(const std::wstring& args, MessageBoxSeen* box = nullptr) {
    std::wstring marker = markerFile();
    DrivenProcess p;
    ProbeRun run;
    EXPECT_TRUE(p.start(L"\"" + programFolder() + L"runtime_probe.exe\" " + args + L" \"" +
                        marker + L"\""));
    if (box) {
        *box = waitMessageBox(p);
        EXPECT_NE(box->box, nullptr);
        if (box->box) EXPECT_TRUE(clickMessageBoxButton(box->box, IDOK));
    }
    run.exited = p.waitExit(30000, &run.exitCode);
    run.marker = readFileBytes(marker);
    DeleteFileW(marker.c_str());
    return run;
}

TEST(ExitOperation, WorkerExitRunsCleanUpOnceOnTheMainThread) {
    ProbeRun run = runProbe(L"exit-on-worker 42");
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 42u);
    EXPECT_EQ(run.marker, "cleanup main\n");
}

TEST(ExitOperation, SecondExitDuringExitDoesNotRunCleanUpAgain) {
    ProbeRun run = runProbe(L"exit-in-cleanup");
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_EQ(run.marker, "cleanup main\n");
}

TEST(ExitOperation, EventsAfterTheExitBeganReachNoHandler) {
    ProbeRun run = runProbe(L"event-after-exit");
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.marker, "handler ran\nevent delivered\ncleanup main\nevent dropped\n");
}

struct ErrorCase {
    const char* name;
    const wchar_t* args;
    const wchar_t* text;
};

const ErrorCase kErrorCases[] = {
    {"CodeAndMessage", L"runtime-error", L"运行时出错!\r\n\r\n错误代码：3\r\n\r\n错误信息：探针消息\r\n"},
    {"IndexBelowOne", L"index ZERO", L"运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"},
    {"IndexAboveCount", L"index ABOVE", L"运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
    {"WriteToMissingWindow", L"fatal WRITE", L"运行时出错!\r\n\r\n错误信息：未载入欲访问窗口组件所在的窗口\r\n"},
    {"HandleOfMissingControl", L"fatal HANDLE", L"运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n"},
    {"EventFromMissingWindow", L"fatal EVENT", L"运行时出错!\r\n\r\n错误信息：未找到引发事件的窗口\r\n"},
    {"EventFromMissingControl", L"fatal EVENTCONTROL",
     L"运行时出错!\r\n\r\n错误信息：未找到引发事件的窗口组件\r\n"},
    {"CaptionOfDestroyedLabel", L"fatal GONE", L"运行时出错!\r\n\r\n错误信息：指定窗口尚未载入\r\n"},
};

class RuntimeError : public testing::TestWithParam<ErrorCase> {};

TEST_P(RuntimeError, ShowsItsBoxThenEndsWithMinusOneWithoutCleanUp) {
    MessageBoxSeen box;
    ProbeRun run = runProbe(GetParam().args, &box);
    EXPECT_EQ(box.title, L"错误");
    EXPECT_EQ(box.text, GetParam().text);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(run.marker, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RuntimeError, testing::ValuesIn(kErrorCases),
                         [](const testing::TestParamInfo<ErrorCase>& i) { return i.param.name; });

}  // namespace
