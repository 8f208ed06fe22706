#include "message_pump.h"

#include "form_window.h"

namespace quarnpad {

void dispatch_message(MSG* msg) {
  HWND root = msg->hwnd != nullptr ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && is_form_window(root) && IsDialogMessageW(root, msg)) return;
  TranslateMessage(msg);
  DispatchMessageW(msg);
}

bool pump_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    dispatch_message(&msg);
  }
  return true;
}

int run_message_loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch_message(&msg);
  return static_cast<int>(msg.wParam);
}

}  // namespace quarnpad
