#include "program_start.h"

#include "wide_text.h"

#include <vector>

namespace quarnpad {

std::string own_folder() {
  wchar_t path[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::string folder = utf8(std::wstring(path, length));
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
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t name[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"qpd", 0, name)) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                     nullptr);
}

bool open_waited_run_streams(WaitedRunStreams* streams) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  streams->input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
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
  std::wstring beside = wide(folder + "\\quarnex.exe");
  DWORD attributes = GetFileAttributesW(beside.c_str());
  bool found_beside =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;

  // The wide command line: quarnex takes it as such, names outside the code
  // page included.
  std::wstring wide_line = wide(command_line);
  std::vector<wchar_t> line(wide_line.begin(), wide_line.end());
  line.push_back(L'\0');

  STARTUPINFOW startup = {};
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
  BOOL created = CreateProcessW(found_beside ? beside.c_str() : nullptr, line.data(), nullptr,
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
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length != 0 ? utf8(std::wstring(text, length)) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(error);
  return message;
}

}  // namespace quarnpad
