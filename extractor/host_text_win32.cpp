// quarnex keeps its texts as UTF-8 (the command line is taken in its wide
// form), but a Windows console program prints in the system's code page:
// what it prints for names within the code page stays what it always was,
// and a name outside it is shown with "?" where the code page has no
// letter. The linker sends the program's formatted prints and its fopen
// here (--wrap, extractor/CMakeLists.txt), so the rest of the program needs
// no Windows code. Text that is not valid UTF-8 (names as a disc records
// them) is printed and opened as it is, as before.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>

#include "pdiset/wide_path.h"

extern "C" int __real___mingw_vfprintf(FILE* stream, const char* format, va_list args);

namespace {

bool plain_ascii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// text in the code page when it is valid UTF-8 with letters beyond ASCII.
std::string in_code_page(const std::string& text) {
  if (plain_ascii(text)) return text;
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return text;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return text;
  std::string printed(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &printed[0], bytes, nullptr, nullptr);
  return printed;
}

}  // namespace

extern "C" int __wrap___mingw_vfprintf(FILE* stream, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return __real___mingw_vfprintf(stream, format, args);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  vsnprintf(&text[0], text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  std::string printed = in_code_page(text);
  if (fwrite(printed.data(), 1, printed.size(), stream) != printed.size()) return -1;
  return length;
}

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
  std::wstring wide_mode(mode, mode + strlen(mode));
  return _wfopen(pdiset::wide_path(path).c_str(), wide_mode.c_str());
}
