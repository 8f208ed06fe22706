// The real program start and the real wait, with a probe program in the
// place of quarnex.
#include "program_start.h"
#include "run_wait.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quarnpad {
namespace {

struct ProbeReport {
  std::string command_line;
  unsigned long flags = 0;
  unsigned show = 0;
  std::string module;
};

class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    folder_ = std::string(temp) + "quarnpad start test " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    report_ = folder_ + "\\report.txt";
    std::string probe = own_folder() + "\\quarnpad_probe.exe";
    ASSERT_TRUE(CopyFileA(probe.c_str(), (folder_ + "\\quarnex.exe").c_str(), FALSE))
        << "cannot copy " << probe;
    SetEnvironmentVariableA("QUARNPAD_PROBE_REPORT", report_.c_str());
    SetEnvironmentVariableA("QUARNPAD_PROBE_SLEEP", "0");
    SetEnvironmentVariableA("QUARNPAD_PROBE_EXIT", "0");
  }
  void TearDown() override {
    DeleteFileA(report_.c_str());
    DeleteFileA((folder_ + "\\quarnex.exe").c_str());
    RemoveDirectoryA(folder_.c_str());
    SetEnvironmentVariableA("QUARNPAD_PROBE_REPORT", nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // The probe started kept, to sleep the given milliseconds before it ends.
  StartResult start_sleeping_probe(const char* milliseconds) {
    SetEnvironmentVariableA("QUARNPAD_PROBE_SLEEP", milliseconds);
    return start_program_from(folder_, "quarnex -gb \"l\" \"i\"", SW_SHOWMINIMIZED, StartKind::kKeepProcess);
  }

  // A second handle to a process, which only waits for its end.
  static HANDLE watch_handle(HANDLE process) {
    HANDLE watch = nullptr;
    DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0);
    return watch;
  }

  ProbeReport report() const {
    ProbeReport r;
    std::ifstream in(report_, std::ios::binary);
    std::string flags, show;
    std::getline(in, r.command_line);
    std::getline(in, flags);
    std::getline(in, show);
    std::getline(in, r.module);
    r.flags = std::stoul(flags.empty() ? "0" : flags);
    r.show = static_cast<unsigned>(std::stoul(show.empty() ? "0" : show));
    return r;
  }

  std::string folder_;
  std::string report_;
};

TEST_F(ProgramStartTest, CommandLineAndWindowStateAsGiven) {
  struct Row {
    const char* command_line;
    int show;
  };
  const Row rows[] = {
      {"quarnex -v -m \"D:\\out\" \"C:\\dvd\\movie.pdi\" VIDEO_TS.IFO;1 VTS_01_1.VOB;1",
       SW_SHOWMAXIMIZED},
      {"quarnex -gb \"C:\\Users\\Jo Smith\\Temp\\pdilist.txt\" \"\"", SW_SHOWMINIMIZED},
      {"quarnex -r -v -m \"E:\" \"E:\\a b.pdi\" A;1", SW_SHOWMINNOACTIVE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command_line);
    DeleteFileA(report_.c_str());
    StartResult started = start_program_from(folder_, row.command_line, row.show,
                                             StartKind::kKeepProcess);
    ASSERT_TRUE(started.started) << system_error_text(started.error);
    ASSERT_NE(nullptr, started.process);
    RunEnd end = wait_for_process(started.process);
    EXPECT_FALSE(end.quit);
    EXPECT_EQ(0u, end.exit_code);
    ProbeReport r = report();
    EXPECT_EQ(row.command_line, r.command_line);
    EXPECT_TRUE(r.flags & STARTF_USESHOWWINDOW);
    EXPECT_EQ(static_cast<unsigned>(row.show), r.show);
    // The quarnex.exe of the given folder was started.
    EXPECT_EQ(0, lstrcmpiA((folder_ + "\\quarnex.exe").c_str(), r.module.c_str()))
        << r.module;
  }
}

TEST_F(ProgramStartTest, StartWithoutKeepingTheProcess) {
  StartResult started = start_program_from(folder_, "quarnex -m \"D:\" \"x\"", SW_SHOWMINIMIZED,
                                           StartKind::kLetGo);
  EXPECT_TRUE(started.started);
  EXPECT_EQ(nullptr, started.process);
  for (int i = 0; i < 100 && GetFileAttributesA(report_.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(50);
  }
  EXPECT_EQ("quarnex -m \"D:\" \"x\"", report().command_line);
}

TEST_F(ProgramStartTest, ExitStatusOfTheRun) {
  SetEnvironmentVariableA("QUARNPAD_PROBE_EXIT", "3");
  StartResult started = start_program_from(folder_, "quarnex -gb \"l\" \"i\"", SW_SHOWMINIMIZED,
                                           StartKind::kKeepProcess);
  ASSERT_TRUE(started.started);
  EXPECT_EQ(3u, wait_for_process(started.process).exit_code);
}

TEST_F(ProgramStartTest, ProgramThatIsNotThereFailsWithTheSystemsReason) {
  std::string empty = folder_ + "\\empty";
  CreateDirectoryA(empty.c_str(), nullptr);
  StartResult started =
      start_program_from(empty, "quarnex-not-installed-anywhere -m \"D:\" \"x\"", 3,
                         StartKind::kLetGo);
  RemoveDirectoryA(empty.c_str());
  EXPECT_FALSE(started.started);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), started.error);
  EXPECT_FALSE(system_error_text(started.error).empty());
  EXPECT_EQ(std::string::npos, system_error_text(started.error).find('\n'));
}

// The windows keep working while the list run goes on.
LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    HANDLE running = reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Handled while the process still runs?
    SetPropA(window, "handled_while_running",
             reinterpret_cast<HANDLE>(static_cast<INT_PTR>(
                 WaitForSingleObject(running, 0) == WAIT_TIMEOUT ? 1 : 2)));
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(ProgramStartTest, MessagesAreHandledDuringTheWait) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = counting_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuarnpadWaitProbe";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("QuarnpadWaitProbe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  StartResult started = start_sleeping_probe("1500");
  ASSERT_TRUE(started.started);
  HANDLE watch = watch_handle(started.process);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(watch));
  SetTimer(window, 1, 200, nullptr);  // nudges the queue after the wait began
  PostMessageA(window, WM_APP, 0, 0);
  RunEnd end = wait_for_process(started.process);
  EXPECT_FALSE(end.quit);
  EXPECT_EQ(1, static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window, "handled_while_running"))));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(watch, 0));
  KillTimer(window, 1);
  RemovePropA(window, "handled_while_running");
  CloseHandle(watch);
  DestroyWindow(window);
}

TEST_F(ProgramStartTest, QuitDuringTheWaitEndsTheWaitAndStaysQueued) {
  StartResult started = start_sleeping_probe("3000");
  ASSERT_TRUE(started.started);
  HANDLE watch = watch_handle(started.process);
  PostQuitMessage(7);
  RunEnd end = wait_for_process(started.process);
  EXPECT_TRUE(end.quit);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(watch, 0));  // returned at once
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
  WaitForSingleObject(watch, 10000);
  CloseHandle(watch);
}

}  // namespace
}  // namespace quarnpad
