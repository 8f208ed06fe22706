// Quarnpad keeps every text as UTF-8 and talks to Windows in UTF-16, so
// that any name Windows allows passes through, whatever the code page.
#pragma once

#include <string>

namespace quarnpad {

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);
std::string utf8(const wchar_t* text);  // up to its NUL; null gives ""

// Text a program wrote in the system's code page (quarnex's messages).
std::string utf8_from_code_page(const std::string& bytes);

// Names quarnex wrote into the list file as it holds them: UTF-8 when they
// are valid UTF-8, else bytes of the code page.
std::string utf8_from_names(const std::string& bytes);

}  // namespace quarnpad
