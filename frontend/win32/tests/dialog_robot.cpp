#include "dialog_robot.h"

#include <vector>

namespace quarnpad {

namespace {

DialogRobot* g_robot = nullptr;
UINT_PTR g_timer = 0;
int g_ticks = 0;

BOOL CALLBACK find_dialog(HWND window, LPARAM found) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof(name));
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  char title[256] = {};
  GetWindowTextA(window, title, sizeof(title));
  if (!g_robot->title.empty() && g_robot->title != title) return TRUE;
  if (g_robot->wanted && !g_robot->wanted(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_robot == nullptr) return;
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) {
    if (++g_ticks > 100) disarm();  // about ten seconds
    return;
  }
  DialogRobot* robot = g_robot;
  disarm();
  char title[256] = {};
  GetWindowTextA(dialog, title, sizeof(title));
  robot->seen_title = title;
  robot->action(dialog);
  robot->done = true;
}

}  // namespace

void arm(DialogRobot* robot) {
  g_robot = robot;
  g_ticks = 0;
  g_timer = SetTimer(nullptr, 0, 100, tick);
}

void disarm() {
  if (g_timer != 0) KillTimer(nullptr, g_timer);
  g_timer = 0;
  g_robot = nullptr;
}

std::string static_texts(HWND dialog) {
  std::string texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32] = {};
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "Static") == 0) {
      char text[512] = {};
      GetWindowTextA(child, text, sizeof(text));
      texts += text;
    }
  }
  return texts;
}

std::string item_text(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

std::string combo_entry(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return "(none)";
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

}  // namespace quarnpad
