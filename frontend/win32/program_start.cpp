#include "program_start.h"

#include <vector>

namespace quarnpad {

std::string own_folder() {
  char path[MAX_PATH * 2] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, length);
  std::string::size_type slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

StartResult start_program_from(const std::string& folder, const std::string& command_line,
                               int show_state, bool keep_process) {
  std::string beside = folder + "\\quarnex.exe";
  DWORD attributes = GetFileAttributesA(beside.c_str());
  bool found_beside =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;

  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(found_beside ? beside.c_str() : nullptr, line.data(), nullptr, nullptr,
                      FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info)) {
    return StartResult{false, GetLastError(), nullptr};
  }
  CloseHandle(info.hThread);
  if (!keep_process) {
    CloseHandle(info.hProcess);
    info.hProcess = nullptr;
  }
  return StartResult{true, 0, info.hProcess};
}

std::string system_error_text(DWORD error) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length != 0 ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(error);
  return message;
}

}  // namespace quarnpad
