#include "tests/fakes/fake_services.h"

namespace setup::fakes {
namespace {

std::optional<std::string> Copy(std::optional<TextView> text) {
  if (!text) return std::nullopt;
  return std::string(*text);
}

}  // namespace

Text FakeServices::GetSpecialFolder(std::int32_t kind) {
  const std::lock_guard lock(mutex_);
  calls_.special_folders.push_back(kind);
  const auto found = answers_.special_folders.find(kind);
  return found == answers_.special_folders.end() ? Text() : Text(found->second);
}

std::int32_t FakeServices::CreateShortcut(TextView link_file, TextView target, std::optional<TextView> description,
                                          std::optional<TextView> arguments, std::optional<TextView> working_folder) {
  const std::lock_guard lock(mutex_);
  calls_.shortcuts.push_back(
      {std::string(link_file), std::string(target), Copy(description), Copy(arguments), Copy(working_folder)});
  return answers_.shortcut_result;
}

bool FakeServices::WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) {
  const std::lock_guard lock(mutex_);
  const std::string name(path);
  calls_.writes.push_back(name);
  if (name.empty() || answers_.unwritable_paths.count(name) != 0) return false;
  std::string bytes;
  for (const ByteSet& content : contents) bytes.append(content.Bytes().begin(), content.Bytes().end());
  files_[name] = std::move(bytes);
  return true;
}

bool FakeServices::RemoveFile(TextView path) {
  const std::lock_guard lock(mutex_);
  calls_.removals.emplace_back(path);
  return files_.erase(std::string(path)) != 0;
}

bool FakeServices::RunProgram(TextView command_line, bool wait, std::int32_t window_mode) {
  const std::lock_guard lock(mutex_);
  calls_.runs.push_back({std::string(command_line), wait, window_mode});
  return answers_.run_program_result;
}

std::int32_t FakeServices::ShowMessage(TextView text, std::int32_t flags, std::optional<TextView> title) {
  const std::lock_guard lock(mutex_);
  calls_.messages.push_back({std::string(text), flags, Copy(title)});
  if (answers_.message_answers.empty()) return kButtonOk;
  const std::int32_t answer = answers_.message_answers.front();
  answers_.message_answers.pop_front();
  return answer;
}

bool FakeServices::StartThread(ThreadRoutine routine, void* parameter, std::uintptr_t* handle) {
  {
    const std::lock_guard lock(mutex_);
    calls_.threads.push_back({routine, parameter, handle != nullptr, answers_.start_thread_result});
    if (!answers_.start_thread_result) return false;
    if (handle != nullptr) *handle = answers_.thread_handle;
    if (!answers_.run_threads_at_once) return true;
  }
  RunStartedThreads();
  return true;
}

void FakeServices::RunStartedThreads() {
  for (std::size_t i = 0;; ++i) {
    Thread thread;
    {
      const std::lock_guard lock(mutex_);
      if (i >= calls_.threads.size()) return;
      Thread& recorded = calls_.threads[i];
      if (recorded.ran || !recorded.started) continue;
      recorded.ran = true;
      thread = recorded;
    }
    thread.routine(thread.parameter);
  }
}

std::uintptr_t FakeServices::GetWindowHandle(std::uint32_t window, std::uint32_t control) {
  const std::lock_guard lock(mutex_);
  calls_.window_handle_queries.emplace_back(window, control);
  const auto found = answers_.window_handles.find({window, control});
  return found == answers_.window_handles.end() ? 0 : found->second;
}

}  // namespace setup::fakes
