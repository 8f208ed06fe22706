// Stands in for quarnex when the tests start a real program: writes how it
// was started to the file named by QUARNPAD_PROBE_REPORT, waits
// QUARNPAD_PROBE_SLEEP milliseconds and ends with QUARNPAD_PROBE_EXIT.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

int number_from(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::atoi(value) : 0;
}

}  // namespace

int main() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, sizeof(module));
  const char* report = std::getenv("QUARNPAD_PROBE_REPORT");
  if (report != nullptr) {
    std::FILE* out = std::fopen(report, "wb");
    if (out != nullptr) {
      std::fprintf(out, "%s\n%lu\n%u\n%s\n", GetCommandLineA(),
                   static_cast<unsigned long>(startup.dwFlags),
                   static_cast<unsigned>(startup.wShowWindow), module);
      std::fclose(out);
    }
  }
  Sleep(static_cast<DWORD>(number_from("QUARNPAD_PROBE_SLEEP")));
  return number_from("QUARNPAD_PROBE_EXIT");
}
