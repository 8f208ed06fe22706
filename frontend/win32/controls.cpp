#include "controls.h"

namespace quarnpad {

std::string control_text(HWND control) {
  if (control == nullptr) return std::string();
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(control, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void set_control_text(HWND control, const std::string& text) {
  if (control != nullptr) SetWindowTextA(control, text.c_str());
}

int check_value(HWND check_box) {
  if (check_box == nullptr) return 0;
  return SendMessageA(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

std::vector<std::string> list_entries(HWND list_box) {
  std::vector<std::string> entries;
  if (list_box == nullptr) return entries;
  LRESULT count = SendMessageA(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageA(list_box, LB_GETTEXTLEN, i, 0);
    std::string text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
    LRESULT got = SendMessageA(list_box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    entries.push_back(text);
  }
  return entries;
}

std::vector<bool> list_selection(HWND list_box) {
  std::vector<bool> selected;
  if (list_box == nullptr) return selected;
  LRESULT count = SendMessageA(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    selected.push_back(SendMessageA(list_box, LB_GETSEL, i, 0) > 0);
  }
  return selected;
}

void add_list_entry(HWND list_box, const std::string& text) {
  SendMessageA(list_box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace quarnpad
