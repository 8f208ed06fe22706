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

namespace {

// A waited run's standard input and standard error, inheritable. Its
// standard output is left to its console, which shows the listing.
struct WaitedRunStreams {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE error = INVALID_HANDLE_VALUE;
};

HANDLE temporary_error_file(SECURITY_ATTRIBUTES* inherit) {
  char folder[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder) || !GetTempFileNameA(folder, "qpd", 0, name)) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                     nullptr);
}

bool open_waited_run_streams(WaitedRunStreams* streams) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  streams->input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  streams->error = temporary_error_file(&inherit);
  return streams->input != INVALID_HANDLE_VALUE && streams->error != INVALID_HANDLE_VALUE;
}

void close_handle(HANDLE* handle) {
  if (*handle != INVALID_HANDLE_VALUE && *handle != nullptr) CloseHandle(*handle);
  *handle = INVALID_HANDLE_VALUE;
}

}  // namespace

StartResult start_program_from(const std::string& folder, const std::string& command_line,
                               int show_state, StartKind kind) {
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
  WaitedRunStreams streams;
  bool waited = kind == StartKind::kWaitedRun;
  if (waited) {
    if (!open_waited_run_streams(&streams)) {
      DWORD error = GetLastError();
      close_handle(&streams.input);
      close_handle(&streams.error);
      return StartResult{false, error, nullptr, nullptr};
    }
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = streams.input;
    startup.hStdOutput = nullptr;  // the new console's own
    startup.hStdError = streams.error;
  }
  PROCESS_INFORMATION info = {};
  BOOL created = CreateProcessA(found_beside ? beside.c_str() : nullptr, line.data(), nullptr,
                                nullptr, waited ? TRUE : FALSE, CREATE_NEW_CONSOLE, nullptr,
                                nullptr, &startup, &info);
  DWORD error = created ? 0 : GetLastError();
  close_handle(&streams.input);
  if (!created) {
    close_handle(&streams.error);
    return StartResult{false, error, nullptr, nullptr};
  }
  CloseHandle(info.hThread);
  if (kind == StartKind::kLetGo) {
    CloseHandle(info.hProcess);
    info.hProcess = nullptr;
  }
  return StartResult{true, 0, info.hProcess, waited ? streams.error : nullptr};
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
