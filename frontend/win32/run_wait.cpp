#include "run_wait.h"

#include "message_pump.h"

namespace quarnpad {

RunEnd wait_for_process(HANDLE process) {
  RunEnd end = {false, 0xFFFFFFFFu};
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

}  // namespace quarnpad
