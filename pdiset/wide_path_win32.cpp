#include "wide_path.h"

#include <windows.h>

namespace pdiset {

namespace {

std::wstring converted(UINT code_page, DWORD flags, const char* text) {
  int length = MultiByteToWideChar(code_page, flags, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, flags, text, -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length) - 1);  // the NUL
  return wide;
}

}  // namespace

std::wstring wide_path(const char* path) {
  if (path == nullptr || *path == '\0') return std::wstring();
  std::wstring wide = converted(CP_UTF8, MB_ERR_INVALID_CHARS, path);
  return wide.empty() ? converted(CP_ACP, 0, path) : wide;
}

}  // namespace pdiset
