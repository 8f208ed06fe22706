// Every system call that the commands depend on goes through this table, so
// that the tests can answer the dialogs themselves and record the programs
// started instead of starting them.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace quarnpad {

struct StartResult {
  bool started;
  DWORD error;          // the system's error code when not started
  HANDLE process;       // the run to wait for; the wait closes it
  HANDLE error_output;  // the file its standard error goes to; the wait
                        // reads it back and closes it
};

struct RunEnd {
  bool quit;                 // the program was told to end while waiting
  DWORD exit_code;           // the process's exit status
  std::string error_output;  // what the run wrote on standard error
};

// Texts are UTF-8 (paths, command lines, messages); the dialogs take the
// system's wide records.
struct Platform {
  void* context;  // handed back to every call; the real table leaves it null

  BOOL (*get_open_file_name)(void* context, OPENFILENAMEW* record);
  BOOL (*get_save_file_name)(void* context, OPENFILENAMEW* record);
  LPITEMIDLIST (*browse_for_folder)(void* context, BROWSEINFOW* info);
  BOOL (*path_from_id_list)(void* context, LPCITEMIDLIST list, wchar_t* path);
  void (*free_id_list)(void* context, LPITEMIDLIST list);
  int (*message_box)(void* context, HWND owner, const char* text, const char* caption,
                     UINT type);

  // Starts a program from a complete command line (bare program name first)
  // in a new console window shown with show_state (SW_SHOWMAXIMIZED,
  // SW_SHOWMINIMIZED or SW_SHOWMINNOACTIVE). The process is kept to be
  // waited for, gets a standard input with nothing to read (so a RETURN
  // prompt returns at once and no run is left waiting) and what it writes
  // on standard error is kept.
  StartResult (*start_program)(void* context, const std::string& command_line,
                               int show_state);

  // Waits for a run to end while the windows go on working; hands back its
  // status and standard error (read in the code page quarnex prints in) and
  // closes its handles.
  RunEnd (*wait_for_run)(void* context, const StartResult& run);

  // Ends a run that is being waited for and returns once it is gone; the
  // wait then sees it end. False when it had ended on its own already.
  bool (*stop_run)(void* context, const StartResult& run);

  // The files of a drop on a window (DragQueryFile), the drop then
  // finished.
  std::vector<std::string> (*dropped_files)(void* context, HDROP drop);

  // Whether a file of that name exists.
  bool (*file_exists)(void* context, const std::string& path);

  // Deletes a file; false when it is not there or cannot be deleted.
  bool (*delete_file)(void* context, const std::string& path);

  // The user's temporary folder as GetTempPath gives it, or empty.
  std::string (*temp_folder)(void* context);

  bool (*read_text_file)(void* context, const std::string& path, std::string* content);

  // Ends the program at once ("E&xit").
  void (*quit)(void* context);
};

// The table of real system calls.
const Platform* system_platform();

}  // namespace quarnpad
