#include "app/install_rules.h"

#include <cstring>

namespace {

// Row 0 is this build's; the others have the same form and serve other
// builds of the installer.
const BrandRow kBrandTable[] = {
    {0, "Zorvane软件\\",
     "Zorvane工具01|Zorvane工具02|Zorvane工具03|Zorvane工具04|Zorvane工具05|Zorvane工具06|"
     "Zorvane工具07|Zorvane工具08|Zorvane工具09|Zorvane工具10|Zorvane工具11|Zorvane工具12|"
     "Zorvane工具13|Zorvane工具14|Zorvane工具15"},
    {1, "Qelvo软件\\", "Qelvo助手"},
    {2, "Marrow工作室\\",
     "Marrow剪辑01|Marrow剪辑02|Marrow剪辑03|Marrow剪辑04|Marrow剪辑05|Marrow剪辑06|"
     "Marrow剪辑07|Marrow剪辑08|Marrow剪辑09|Marrow剪辑10|Marrow剪辑11"},
    {3, "Tessly软件\\", "Tessly看图"},
    {4, "Brintok科技\\",
     "Brintok录屏01|Brintok录屏02|Brintok录屏03|Brintok录屏04|Brintok录屏05|Brintok录屏06|"
     "Brintok录屏07|Brintok录屏08|Brintok录屏09|Brintok录屏10|Brintok录屏11"},
    {5, "Ostrel软件\\", "Ostrel压缩"},
    {7, "Vantiq软件\\",
     "Vantiq转换01|Vantiq转换02|Vantiq转换03|Vantiq转换04|Vantiq转换05|Vantiq转换06|"
     "Vantiq转换07|Vantiq转换08|Vantiq转换09|Vantiq转换10|Vantiq转换11"},
    {8, "Lumora工作室\\", "Lumora笔记"},
    {9, "Corvix软件\\",
     "Corvix下载01|Corvix下载02|Corvix下载03|Corvix下载04|Corvix下载05|Corvix下载06|"
     "Corvix下载07|Corvix下载08|Corvix下载09|Corvix下载10|Corvix下载11"},
    {10, "Pendra科技\\", "Pendra翻译"},
    {11, "Fennick软件\\",
     "Fennick播放01|Fennick播放02|Fennick播放03|Fennick播放04|Fennick播放05|Fennick播放06|"
     "Fennick播放07|Fennick播放08|Fennick播放09|Fennick播放10|Fennick播放11"},
    {13, "Halvard软件\\", "Halvard备份"},
    {14, "Isolde工作室\\",
     "Isolde绘图01|Isolde绘图02|Isolde绘图03|Isolde绘图04|Isolde绘图05|Isolde绘图06|"
     "Isolde绘图07|Isolde绘图08|Isolde绘图09|Isolde绘图10|Isolde绘图11"},
    {15, "Kestrin软件\\", "Kestrin清理"},
    {16, "Norvel科技\\",
     "Norvel识别01|Norvel识别02|Norvel识别03|Norvel识别04|Norvel识别05|Norvel识别06|"
     "Norvel识别07|Norvel识别08|Norvel识别09|Norvel识别10|Norvel识别11"},
    {17, "Quillon软件\\", "Quillon邮件"},
    {19, "Ravelo软件\\",
     "Ravelo表格01|Ravelo表格02|Ravelo表格03|Ravelo表格04|Ravelo表格05|Ravelo表格06|"
     "Ravelo表格07|Ravelo表格08|Ravelo表格09|Ravelo表格10|Ravelo表格11"},
    {20, "Sorrel工作室\\", "Sorrel日历"},
    {21, "Tamsin软件\\",
     "Tamsin字体01|Tamsin字体02|Tamsin字体03|Tamsin字体04|Tamsin字体05|Tamsin字体06|"
     "Tamsin字体07|Tamsin字体08|Tamsin字体09|Tamsin字体10|Tamsin字体11"},
    {22, "Ulrika科技\\", "Ulrika监控"},
    {23, "Wendel软件\\",
     "Wendel会议01|Wendel会议02|Wendel会议03|Wendel会议04|Wendel会议05|Wendel会议06|"
     "Wendel会议07|Wendel会议08|Wendel会议09|Wendel会议10|Wendel会议11"},
};

constexpr double kBytesPerMegabyte = 1048576.0;

int64_t truncated(double v) { return static_cast<int64_t>(v); }

bool isFullWidthSpace(const char* p) {
    return static_cast<unsigned char>(p[0]) == 0xA1 && static_cast<unsigned char>(p[1]) == 0xA1;
}

}  // namespace

const BrandRow* findBrandRow(int32_t brandNumber) {
    for (const BrandRow& row : kBrandTable)
        if (row.number == brandNumber) return &row;
    return nullptr;
}

DiskFigures megabytesFromBytes(int64_t availableToCaller, int64_t totalBytes, int64_t totalFree) {
    DiskFigures f;
    f.usedMB = truncated(static_cast<double>(totalBytes) - static_cast<double>(availableToCaller));
    f.usedMB = truncated(static_cast<double>(f.usedMB) / kBytesPerMegabyte);
    f.freeMB = truncated(static_cast<double>(totalFree) / kBytesPerMegabyte);
    f.totalMB = truncated(static_cast<double>(totalBytes) / kBytesPerMegabyte);
    return f;
}

const char* chooseDriveRoot(int64_t freeMB) { return freeMB < 1000 ? "C:\\" : "D:\\"; }

Text trimBlanks(const char* s) {
    if (textEmpty(s)) return Text();
    // Walk by characters so that a trail byte is never read as a blank.
    const char* start = nullptr;
    const char* end = s;
    for (const char* p = s; *p;) {
        size_t n = gbkCharLength(p);
        bool blank = *p == ' ' || (n == 2 && isFullWidthSpace(p));
        if (!blank) {
            if (!start) start = p;
            end = p + n;
        }
        p += n;
    }
    return start ? Text(start, static_cast<size_t>(end - start)) : Text();
}

Text folderBrowserAnswer(const char* displayName, bool itemChosen, const char* path) {
    Text name = trimBlanks(displayName);
    if (std::strchr(name.c_str(), '?')) return Text();
    if (itemChosen) {
        if (!path) return Text();
        Text answer(path);
        return answer.size() == 3 ? leftBytes(answer.get(), 2) : answer;  // "E:\" -> "E:"
    }
    return name.empty() ? Text() : concat({"\\\\", name.get()});
}


Text shortcutFileName(const char* path) {
    const char* s = path ? path : "";
    const char* lastComponent = s;
    for (const char* p = s; *p; p += gbkCharLength(p))
        if (*p == '\\' || *p == '/') lastComponent = p + 1;
    return std::strchr(lastComponent, '.') ? Text(s) : concat({s, ".lnk"});
}

Text archiveCandidate(const char* folderPrefix, int attempt) {
    char buffer[32];
    FixedText name(buffer, sizeof buffer);
    name.append("tool");
    if (attempt != 0) name.append("-").appendDecimal(attempt);
    name.append(".zip");
    return concat({folderPrefix, name.c_str()});
}
