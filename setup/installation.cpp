#include "setup/installation.h"

#include <atomic>

#include "payload/payload_archive.h"
#include "resources/pictures.h"
#include "setup/product.h"
#include "setup/running_check.h"
#include "window/main_window_ids.h"

namespace setup {
namespace {

// The worker's context: the thread routine takes no argument of its own.
std::atomic<SetupContext*> g_worker_context{nullptr};
// The temporary archives this run wrote: noted by the worker, deleted by the completion on the same
// thread.
PayloadArchiveFiles g_payload_files;

Text ProductExePath(SetupContext& context) {
  return ConcatTexts({InstallDir(context), "\\", context.state.product_name, ".exe"});
}

void ReportExtractionFailure(SetupContext& context) {
  context.window.WriteText(kStatusCaption, kStatusExtractFailed);
  context.services.ShowMessage(kExtractFailedText, kExtractFailedFlags,
                               ConcatTexts({context.state.product_name, kExtractFailedTitleSuffix}));
}

}  // namespace

void OnInstallClicked(SetupContext& context) {
  // A second worker would write and extract the same files at the same time.
  if (context.state.installing.load()) return;
  if (IsProcessRunning(context, ConcatTexts({context.state.product_name, ".exe"}))) {
    context.services.ShowMessage(kProductRunningText, 0,
                                 ConcatTexts({context.state.product_name, kProductRunningTitleSuffix}));
    return;
  }
  context.services.ShowMessage(kNoticeText);
  g_worker_context.store(&context);
  context.state.installing.store(true);
  if (!context.services.StartThread(&InstallThreadEntry)) context.state.installing.store(false);
}

std::uint32_t InstallThreadEntry(void*) {
  InstallWorker(*g_worker_context.load());
  return 0;
}

void InstallWorker(SetupContext& context) {
  context.functions.CoInitialize();
  context.window.WriteText(kStatusCaption, kStatusWriting);
  const Text archive = WritePayloadArchive(context.services, context.files, InstallDir(context), g_payload_files);
  if (archive.Empty()) {
    context.services.ShowMessage(kWriteFailedText);
    context.runtime.EndProgram(0);
  }
  context.window.WriteInteger(kProgressVisible, 1);
  context.window.WriteText(kStatusCaption, kStatusExtracting);
  // At 100 the completion ends the program inside this call, so coming back means the extraction
  // failed (its last event was 0). The temporary archive and what was extracted stay on disk.
  (void)context.archive.ExtractArchive(archive, InstallDir(context));
  ReportExtractionFailure(context);
  context.functions.CoUninitialize();
  context.state.installing.store(false);
}

void OnExtractProgress(SetupContext& context, std::int32_t percent) {
  const std::int32_t maximum = context.window.ReadInteger(kProgressMaximum);
  const std::int64_t position =
      TruncateToInt64(static_cast<double>(maximum) / 100.0 * static_cast<double>(percent));
  context.window.WriteInteger(kProgressPosition, static_cast<std::int32_t>(position));
  if (percent != 100) return;

  context.window.WritePicture(kInstallButtonNormalPicture, FinishedPicture());
  context.window.WritePicture(kInstallButtonHotPicture, FinishedPicture());
  const std::int32_t made = context.services.CreateShortcut(
      ConcatTexts({context.services.GetSpecialFolder(kFolderDesktop), context.state.product_name}),
      ProductExePath(context));
  context.window.WriteText(kStatusCaption, made == 1 ? kStatusShortcutMade : kStatusShortcutFailed);
  if (context.services.ShowMessage(kFinishedText, kFinishedFlags, TextView(kFinishedTitle)) == kButtonYes) {
    // The path is quoted: unquoted, a folder with a blank ("D:\My Games\...") would let the system run
    // "D:\My.exe" when one exists.
    context.services.RunProgram(ConcatTexts({"\"", ProductExePath(context), "\""}));
  }
  context.window.WriteInteger(kProgressVisible, 0);
  DeletePayloadArchives(context.services, g_payload_files);
  context.runtime.EndProgram(0);
}

}  // namespace setup
