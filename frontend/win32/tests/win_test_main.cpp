// Entry of the window tests: COM and the common controls as the program
// itself sets them up.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Under Wine on a display without a window manager, every window that is
// hidden or closed waits two seconds for the manager's answer. The test
// programs ask Wine (for themselves only) to leave their windows unmanaged.
void unmanaged_windows_under_wine() {
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr) return;
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, sizeof(module));
  std::string name = module;
  name = name.substr(name.find_last_of("\\/") + 1);
  std::string path = "Software\\Wine\\AppDefaults\\" + name + "\\X11 Driver";
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
}

}  // namespace

int main(int argc, char** argv) {
  unmanaged_windows_under_wine();
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
