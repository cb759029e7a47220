#include "tests/payload/extract_fixture.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace setup::zipfixture {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  // A memory file system when there is one: creating and removing folders on disk is slow here.
  std::error_code error;
  const fs::path base = std::getenv("TMPDIR") == nullptr && fs::is_directory("/dev/shm", error)
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path(error);
  std::string pattern = (base / "setup-payload-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code error;
  if (!path_.empty()) fs::remove_all(path_, error);
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return "";
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::map<std::string, std::string> HostTree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string relative = it->path().lexically_relative(folder).generic_string();
    if (it->is_directory()) {
      tree[relative + "/"] = "";
    } else {
      tree[relative] = ReadHostFile(it->path().string());
    }
  }
  return tree;
}

// Files that a test's file layer hands out: the times set on them are recorded.
class RecordingFile final : public OpenFile {
 public:
  RecordingFile(std::unique_ptr<OpenFile> inner, std::map<std::string, FileTimes>& times, std::string path)
      : inner_(std::move(inner)), times_(times), path_(std::move(path)) {}
  std::int64_t Read(void* buffer, std::uint32_t size) override { return inner_->Read(buffer, size); }
  bool Write(const void* bytes, std::uint32_t size) override { return inner_->Write(bytes, size); }
  bool Seek(std::int64_t offset, SeekOrigin origin) override { return inner_->Seek(offset, origin); }
  std::int64_t Tell() override { return inner_->Tell(); }
  bool SetTimes(const FileTimes& times) override {
    times_[path_] = times;
    return inner_->SetTimes(times);
  }

 private:
  std::unique_ptr<OpenFile> inner_;
  std::map<std::string, FileTimes>& times_;
  std::string path_;
};

bool RecordingLayer::SetAttributes(TextView path, std::uint32_t attributes) {
  changed.emplace_back(path);
  return inner_.SetAttributes(path, attributes);
}

bool RecordingLayer::CreateFolder(TextView path) {
  changed.emplace_back(path);
  return inner_.CreateFolder(path);
}

std::unique_ptr<OpenFile> RecordingLayer::CreateForWriting(TextView path, std::uint32_t attributes) {
  changed.emplace_back(path);
  created_with[std::string(path)] = attributes;
  std::unique_ptr<OpenFile> file = inner_.CreateForWriting(path, attributes);
  if (!file) return nullptr;
  return std::make_unique<RecordingFile>(std::move(file), times, std::string(path));
}

}  // namespace setup::zipfixture
