// The installation run: the install button's click, the worker that writes and extracts the payload,
// and the completion at 100 percent.
#pragma once

#include <cstdint>

#include "setup/setup_context.h"

namespace setup {

// The user-visible texts of the installation run.
inline constexpr const char kProductRunningText[] = "请先关闭原来的软件再开始安装，否则无法安装！";
inline constexpr const char kProductRunningTitleSuffix[] = "<没有关闭>";
inline constexpr const char kNoticeText[] =
    "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    "可以阅读软件安装说明";
inline constexpr const char kStatusWriting[] = "1.释放压缩包..";
inline constexpr const char kStatusExtracting[] = "2.开始解压..";
inline constexpr const char kWriteFailedText[] =
    "写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序";
inline constexpr const char kStatusShortcutMade[] = "3.创建快捷方式..成功";
inline constexpr const char kStatusShortcutFailed[] = "3.创建快捷方式..失败";
inline constexpr const char kFinishedText[] = "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
inline constexpr const char kFinishedTitle[] = "温馨提示：";
inline constexpr std::int32_t kFinishedFlags = 68;  // MB_YESNO | MB_ICONINFORMATION
// A failed extraction: the status line and a box say so, and the window stays open for another try.
inline constexpr const char kStatusExtractFailed[] = "2.解压失败！";
inline constexpr const char kExtractFailedTitleSuffix[] = "<安装失败>";
inline constexpr const char kExtractFailedText[] =
    "解压失败！软件没有安装完整\r\n请检查安装目录所在磁盘的剩余空间和写入权限，再点<安装>重试";
inline constexpr std::int32_t kExtractFailedFlags = 0x10;  // MB_ICONERROR

// Handler of the install button's clicked event, on the window thread. Refuses while the product runs;
// otherwise shows the notice and starts the installation worker. A press while a worker runs is ignored.
void OnInstallClicked(SetupContext& context);

// The installation worker's thread routine; its parameter is ignored.
std::uint32_t InstallThreadEntry(void* ignored);

// The work of the installation thread: writes the payload archive and extracts it into the install
// folder. Returns only when the extraction failed (its completion ends the program).
void InstallWorker(SetupContext& context);

// Handler of the archive component's progress event, on the worker: moves the progress bar and, at
// exactly 100, finishes the installation and ends the program.
void OnExtractProgress(SetupContext& context, std::int32_t percent);

}  // namespace setup
