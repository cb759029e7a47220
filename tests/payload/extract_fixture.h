// Shared pieces of the native extraction tests: a temporary host folder for the POSIX file layer, an
// event recorder and a file layer that records what the extraction changes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/file_layer.h"

namespace setup::zipfixture {

// A fresh host folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Writes `bytes` to the host file `path`, making its folders.
void WriteHostFile(const std::string& path, const std::string& bytes);
// The host file's bytes ("" when it cannot be read).
std::string ReadHostFile(const std::string& path);
// Every file and folder under `folder`, by relative path: folders end in "/" and map to "", files map to
// their bytes. Empty when `folder` does not exist.
std::map<std::string, std::string> HostTree(const std::string& folder);

// Records the percent of every event; replies kStop at the event numbered `stop_at` (from 1).
class RecordingEvents final : public ExtractionEvents {
 public:
  ProgressReply RaiseProgress(std::int32_t percent) override {
    percents.push_back(percent);
    return static_cast<int>(percents.size()) == stop_at ? ProgressReply::kStop : ProgressReply::kGoOn;
  }
  std::vector<std::int32_t> percents;
  int stop_at = 0;
};

// Passes every call on to another layer and records the paths of the calls that change something,
// the attributes files are created with and the times set on them.
class RecordingLayer final : public FileLayer {
 public:
  explicit RecordingLayer(FileLayer& inner) : inner_(inner) {}

  std::optional<std::uint32_t> GetAttributes(TextView path) override { return inner_.GetAttributes(path); }
  bool SetAttributes(TextView path, std::uint32_t attributes) override;
  bool CreateFolder(TextView path) override;
  std::unique_ptr<OpenFile> OpenForReading(TextView path) override { return inner_.OpenForReading(path); }
  std::unique_ptr<OpenFile> CreateForWriting(TextView path, std::uint32_t attributes) override;
  bool IsLeadByte(unsigned char byte) override { return inner_.IsLeadByte(byte); }

  std::vector<std::string> changed;                   // paths of SetAttributes, CreateFolder, CreateForWriting
  std::map<std::string, std::uint32_t> created_with;  // attributes a file was created with
  std::map<std::string, FileTimes> times;             // times set on a file

 private:
  FileLayer& inner_;
};

}  // namespace setup::zipfixture
