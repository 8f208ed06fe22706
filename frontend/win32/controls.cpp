#include "controls.h"

#include "wide_text.h"

namespace quarnpad {

std::string control_text(HWND control) {
  if (control == nullptr) return std::string();
  int length = GetWindowTextLengthW(control);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(control, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return utf8(text);
}

void set_control_text(HWND control, const std::string& text) {
  if (control != nullptr) SetWindowTextW(control, wide(text).c_str());
}

int check_value(HWND check_box) {
  if (check_box == nullptr) return 0;
  return SendMessageW(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

std::vector<std::string> list_entries(HWND list_box) {
  std::vector<std::string> entries;
  if (list_box == nullptr) return entries;
  LRESULT count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(list_box, LB_GETTEXTLEN, i, 0);
    std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
    LRESULT got = SendMessageW(list_box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    entries.push_back(utf8(text));
  }
  return entries;
}

std::vector<bool> list_selection(HWND list_box) {
  std::vector<bool> selected;
  if (list_box == nullptr) return selected;
  LRESULT count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    selected.push_back(SendMessageW(list_box, LB_GETSEL, i, 0) > 0);
  }
  return selected;
}

void add_list_entry(HWND list_box, const std::string& text) {
  SendMessageW(list_box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
}

}  // namespace quarnpad
