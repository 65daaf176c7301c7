#include "ui/layout.h"

#include "data/embedded.h"

namespace {

constexpr uint32_t kPanelId = 0x16010010;       // 图片框1_背景
constexpr uint32_t kTitleLabelId = 0x16010011;  // 透明标签1
constexpr uint32_t kLogoBoxId = 0x16010012;     // 图片框_Logo
constexpr uint32_t kFolderCaptionId = 0x16010013;  // 标签1

constexpr Rgb kPanelBlue = {22, 131, 196};
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kYellow = {255, 255, 0};
constexpr Rgb kBlack = {0, 0, 0};
constexpr FontSpec kGuiFont = {true, 0, 0, false};
constexpr FontSpec kNoFont = {true, 0, 0, false};
constexpr FontSpec kTitleFont = {false, 12, 700, false};
constexpr FontSpec kFolderFont = {false, 12, 400, true};

}  // namespace

const char kMainWindowTitle[] = "Zorvane工具12 - 安装程序";

// Panel 1 is the window's only child; its children follow in stacking
// order, topmost first. ZIP压缩1 is a non-visual child of the logo box.
const ControlLayout kMainControls[] = {
    // id, kind, parent, x, y, w, h, text, visible, border, hand,
    // foreground, background, face, font, picture, hot, stretch, range
    {kPanelId, ControlKind::PictureBox, 0, 0, 0, 250, 400, nullptr, true, true, false,
     kBlack, kPanelBlue, false, kNoFont, nullptr, nullptr, false, 0},
    {kStatusLabelId, ControlKind::Label, kPanelId, 79, 344, 160, 24, "", true, false, false,
     kWhite, kPanelBlue, false, kGuiFont, nullptr, nullptr, false, 0},
    {kCloseLabelId, ControlKind::TransparentLabel, kPanelId, 230, 14, 12, 12, "×", true, false,
     true, kWhite, kPanelBlue, false, kGuiFont, nullptr, nullptr, false, 0},
    {kProgressBarId, ControlKind::ProgressBar, kPanelId, 21, 327, 205, 8, nullptr, false, true,
     false, kBlack, kBlack, false, kNoFont, nullptr, nullptr, false, 100},
    {kStartButtonId, ControlKind::PictureButton, kPanelId, 14, 255, 220, 80, nullptr, true, false,
     false, kBlack, kBlack, false, kNoFont, &startPicture, &startHotPicture, false, 0},
    {kFolderCaptionId, ControlKind::Label, kPanelId, 7, 344, 56, 24, "安装目录：", true, false,
     false, kWhite, kPanelBlue, false, kGuiFont, nullptr, nullptr, false, 0},
    {kTitleLabelId, ControlKind::TransparentLabel, kPanelId, 7, 8, 68, 24, "安装程序", true, false,
     false, kYellow, kPanelBlue, false, kTitleFont, nullptr, nullptr, false, 0},
    {kLogoBoxId, ControlKind::PictureBox, kPanelId, 12, 36, 211, 211, nullptr, true, false, false,
     kBlack, kBlack, true, kNoFont, &logoPicture, nullptr, true, 0},
    {kInstallLabelId, ControlKind::Label, kPanelId, 7, 367, 232, 25, "D:\\Zorvane工具12", true,
     false, true, kWhite, kPanelBlue, false, kFolderFont, nullptr, nullptr, false, 0},
    {kZipControlId, ControlKind::ZipControl, kLogoBoxId, 8, 40, 27, 27, nullptr, false, false,
     false, kBlack, kBlack, false, kNoFont, nullptr, nullptr, false, 0},
};
const size_t kMainControlCount = sizeof kMainControls / sizeof kMainControls[0];
