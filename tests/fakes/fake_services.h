// System services for native tests: answers are set up front in answers(), and every call is
// recorded in calls(). Files live in memory. Calls are serialised, so code under test may call from
// several threads; set answers before and read calls after the code under test runs.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/services.h"

namespace setup::fakes {

class FakeServices final : public SystemServices {
 public:
  struct Answers {
    std::map<std::int32_t, std::string> special_folders;  // kind -> folder; others give the empty text
    std::int32_t shortcut_result = 1;
    std::set<std::string> unwritable_paths;  // WriteFileBytes to these fails and writes nothing
    bool run_program_result = true;
    std::deque<std::int32_t> message_answers;  // one per ShowMessage; 0 (OK) when none is left
    bool start_thread_result = true;
    bool run_threads_at_once = false;       // otherwise a started thread waits for RunStartedThreads()
    std::uintptr_t thread_handle = 0x7001;  // stored for a caller that asks for the handle
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uintptr_t> window_handles;
  };
  struct Shortcut {
    std::string link_file, target;
    std::optional<std::string> description, arguments, working_folder;
  };
  struct Run {
    std::string command_line;
    bool wait;
    std::int32_t window_mode;
  };
  struct Message {
    std::string text;
    std::int32_t flags;
    std::optional<std::string> title;
  };
  struct Thread {
    ThreadRoutine routine = nullptr;
    void* parameter = nullptr;
    bool handle_asked = false;
    bool started = false;  // StartThread reported success
    bool ran = false;
  };
  struct Calls {
    std::vector<std::int32_t> special_folders;
    std::vector<Shortcut> shortcuts;
    std::vector<std::string> writes;    // paths, in order
    std::vector<std::string> removals;  // paths, in order
    std::vector<Run> runs;
    std::vector<Message> messages;
    std::vector<Thread> threads;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> window_handle_queries;
  };

  [[nodiscard]] Text GetSpecialFolder(std::int32_t kind) override;
  [[nodiscard]] std::int32_t CreateShortcut(TextView link_file, TextView target,
                                            std::optional<TextView> description = std::nullopt,
                                            std::optional<TextView> arguments = std::nullopt,
                                            std::optional<TextView> working_folder = std::nullopt) override;
  [[nodiscard]] bool WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) override;
  bool RemoveFile(TextView path) override;
  bool RunProgram(TextView command_line, bool wait = false, std::int32_t window_mode = 2) override;
  std::int32_t ShowMessage(TextView text, std::int32_t flags = 0,
                           std::optional<TextView> title = std::nullopt) override;
  bool StartThread(ThreadRoutine routine, void* parameter = nullptr, std::uintptr_t* handle = nullptr) override;
  [[nodiscard]] std::uintptr_t GetWindowHandle(std::uint32_t window, std::uint32_t control) override;

  // Runs, on the calling thread, every started thread that has not run yet.
  void RunStartedThreads();

  Answers& answers() { return answers_; }
  [[nodiscard]] const Calls& calls() const { return calls_; }
  // The in-memory files: path -> bytes. Tests may put files here too.
  std::map<std::string, std::string>& files() { return files_; }

 private:
  std::mutex mutex_;
  Answers answers_;
  Calls calls_;
  std::map<std::string, std::string> files_;
};

}  // namespace setup::fakes
