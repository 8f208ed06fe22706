#include "wide_text.h"

#include <windows.h>

namespace quarnpad {

namespace {

std::wstring to_wide(UINT code_page, DWORD flags, const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int length = MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                      length);
  return text;
}

bool valid_utf8(const std::string& bytes) {
  return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

}  // namespace

std::wstring wide(const std::string& utf8_text) { return to_wide(CP_UTF8, 0, utf8_text); }

std::string utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length,
                      nullptr, nullptr);
  return bytes;
}

std::string utf8(const wchar_t* text) { return text != nullptr ? utf8(std::wstring(text)) : ""; }

std::string utf8_from_code_page(const std::string& bytes) {
  return utf8(to_wide(CP_ACP, 0, bytes));
}

std::string utf8_from_names(const std::string& bytes) {
  return valid_utf8(bytes) ? bytes : utf8_from_code_page(bytes);
}

}  // namespace quarnpad
