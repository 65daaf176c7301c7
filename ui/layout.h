#pragma once
// The main window's layout: identifiers and the control table.
#include <cstddef>
#include <cstdint>

#include "ui/window.h"

constexpr uint32_t kMainWindowId = 0x52010001;
constexpr uint32_t kMainWindowControlId = 0x06010000;  // the window itself
constexpr uint32_t kInstallLabelId = 0x1601001E;       // 标签_安装目录
constexpr uint32_t kStatusLabelId = 0x160100A0;        // 标签_日志
constexpr uint32_t kProgressBarId = 0x16010066;        // 进度条1
constexpr uint32_t kStartButtonId = 0x16010021;        // 图形按钮1
constexpr uint32_t kCloseLabelId = 0x1601006F;         // 透明标签4
constexpr uint32_t kZipControlId = 0x1601005A;         // ZIP压缩1

// Event numbers of the main window's controls.
constexpr int32_t kEventCreated = 0;         // the window itself
constexpr int32_t kEventClicked = 0;         // picture button
constexpr int32_t kEventLeftPressed = -1;    // any visible control
constexpr int32_t kEventLeftReleased = -2;   // any visible control
constexpr int32_t kEventProgress = 1;        // ZIP control

extern const char kMainWindowTitle[];
extern const ControlLayout kMainControls[];
extern const size_t kMainControlCount;
constexpr int16_t kMainWindowWidth = 250;
constexpr int16_t kMainWindowHeight = 400;
constexpr Rgb kMainWindowBackground = {117, 184, 238};
