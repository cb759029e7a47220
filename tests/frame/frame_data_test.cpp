// The frame's tables and the texts it composes: run-time errors and the error box, the declared
// functions, the program folder.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "frame/cpu.h"
#include "frame/declared_function_table.h"
#include "frame/program_folder.h"
#include "frame/runtime_errors.h"

namespace setup {
namespace {

std::string ErrorText(std::string_view message, std::int32_t code) {
  std::array<char, kErrorTextCapacity> out;
  const std::size_t size = ComposeErrorText(message, code, out);
  EXPECT_EQ(out[size], '\0');
  return std::string(out.data(), size);
}

TEST(RuntimeErrorTest, EachCodeHasItsMessageAndBoxText) {
  struct Case {
    std::int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {1, "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
      {4, "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"},
      {6, "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"},
  };
  ASSERT_EQ(std::size(kRuntimeErrorTable), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(ErrorText(RuntimeErrorMessage(c.code), c.code), c.text);
  }
  EXPECT_EQ(RuntimeErrorMessage(2), "");
}

TEST(RuntimeErrorTest, CodeZeroAndEmptyMessageLeaveTheirLinesOut) {
  EXPECT_EQ(ErrorText("指定窗口尚未载入", 0), "运行时出错!\r\n\r\n错误信息：指定窗口尚未载入\r\n");
  EXPECT_EQ(ErrorText("", 7), "运行时出错!\r\n\r\n错误代码：7\r\n\r\n");
  EXPECT_EQ(ErrorText("", 0), "运行时出错!\r\n\r\n");
  EXPECT_EQ(ErrorText("", -1), "运行时出错!\r\n\r\n错误代码：-1\r\n\r\n");
}

TEST(RuntimeErrorTest, ALongMessageIsCutAtACharacterBoundary) {
  // The text is composed into a fixed buffer (the report must work without the heap): an overlong
  // message is cut, never split inside a two-byte character, and always zero-terminated.
  std::string message;
  for (int i = 0; i < 800; ++i) message += "错";
  std::array<char, 64> out;
  out.fill('x');
  const std::size_t size = ComposeErrorText(message, 0, out);
  EXPECT_LE(size, out.size() - 1);
  EXPECT_EQ(out[size], '\0');
  const std::string text(out.data(), size);
  const std::string head = "运行时出错!\r\n\r\n错误信息：";
  ASSERT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ((text.size() - head.size()) % 2, 0u) << "a two-byte character was split";
}

TEST(RuntimeErrorTest, MissingExportMessagesNameLibraryAndExport) {
  std::array<char, kErrorTextCapacity> out;
  std::size_t size = ComposeMissingExportMessage("shell32", "SHBrowseForFolderA", out);
  EXPECT_EQ(std::string(out.data(), size), "无法找到指定DLL库文件“shell32”中的输出命令“SHBrowseForFolderA”");
  size = ComposeMissingExportMessage("", "Process32Next", out);
  EXPECT_EQ(std::string(out.data(), size), "无法找到指定DLL库文件中的输出命令“Process32Next”");
}

TEST(DeclaredFunctionTableTest, RowsInOrder) {
  struct Row {
    const char* library;
    const char* export_name;
  };
  const Row expected[] = {
      {"shell32", "SHGetFolderLocation"},
      {"shell32", "SHBrowseForFolderA"},
      {"shell32", "SHGetPathFromIDListA"},
      {"ole32", "CoTaskMemFree"},
      {"kernel32.dll", "GetDiskFreeSpaceExA"},
      {"", "CreateToolhelp32Snapshot"},
      {"", "Process32First"},
      {"kernel32", "CloseHandle"},
      {"", "Process32Next"},
      {"ole32.dll", "CoInitialize"},
      {"ole32.dll", "CoUninitialize"},
  };
  ASSERT_EQ(kDeclaredFunctionCount, std::size(expected));
  for (std::size_t i = 0; i < kDeclaredFunctionCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(kDeclaredFunctionTable[i].library, expected[i].library);
    EXPECT_STREQ(kDeclaredFunctionTable[i].export_name, expected[i].export_name);
  }
  // Rows without a library text are found in Kernel32, the first system library searched.
  EXPECT_STREQ(kSystemLibrarySearchList[0], "kernel32.dll");
}

TEST(ProgramFolderTest, CutAtTheLastBackslashOutsideTwoByteCharacters) {
  struct Case {
    std::string_view path;
    std::string_view folder;
  };
  const Case cases[] = {
      {"C:\\Downloads\\setup.exe", "C:\\Downloads"},
      {"C:\\setup.exe", "C:"},
      {"setup.exe", ""},
      {"", ""},
      // "糪" is 0xBC 0x5C in GBK: its second byte is no backslash.
      {"D:\\糪setup.exe", "D:"},
      {"D:\\软件糪\\setup.exe", "D:\\软件糪"},
      {"D:\\x\\糪", "D:\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path));
    EXPECT_EQ(ProgramFolderOf(c.path).View(), c.folder);
  }
}

std::uintptr_t AddThree(std::uintptr_t a, std::uintptr_t b, std::uintptr_t c) { return a * 100 + b * 10 + c; }

TEST(SystemCallTest, PassesArgumentsInOrderAndGivesTheResult) {
  const std::uintptr_t arguments[] = {1, 2, 3};
  std::uintptr_t result = 0;
  EXPECT_TRUE(InvokeSystemFunction(reinterpret_cast<const void*>(&AddThree), arguments, 3, &result));
  EXPECT_EQ(result, 123u);
  EXPECT_FALSE(InvokeSystemFunction(reinterpret_cast<const void*>(&AddThree), arguments,
                                    kMaxSystemFunctionArguments + 1, &result));
}

}  // namespace
}  // namespace setup
