// Natively the file layer is the POSIX stand-in rooted at "/": a host path is made absolute and its
// slashes become backslashes, so "/tmp/x" is given as "\tmp\x".
#include <filesystem>
#include <string>

#include "tools/extract_archive.h"

namespace setup {

Text ToolPath(const char* argument) {
  std::error_code error;
  std::string path = std::filesystem::absolute(argument, error).string();
  if (error) path = argument;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return Text(TextView(path));
}

}  // namespace setup
