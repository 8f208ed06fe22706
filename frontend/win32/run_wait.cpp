#include "run_wait.h"

#include "message_pump.h"

namespace quarnpad {

RunEnd wait_for_process(HANDLE process) {
  RunEnd end = {false, 0xFFFFFFFFu, std::string()};
  while (true) {
    DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) {
      if (!GetExitCodeProcess(process, &end.exit_code)) end.exit_code = 0xFFFFFFFFu;
      break;
    }
    if (woke != WAIT_OBJECT_0 + 1) break;
    if (!pump_pending_messages()) {
      end.quit = true;
      break;
    }
  }
  CloseHandle(process);
  return end;
}

std::string read_back_error_output(HANDLE file) {
  std::string text;
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return text;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
      text.append(buffer, got);
    }
  }
  CloseHandle(file);
  return text;
}

}  // namespace quarnpad
