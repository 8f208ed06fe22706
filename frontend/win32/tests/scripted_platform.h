// A platform table for the tests: the dialogs and message boxes answer from
// a script, program starts are recorded instead of made, and every call's
// arguments are kept for the checks.
#pragma once

#include "platform.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quarnpad {

// Texts given to the wide calls are recorded as UTF-8.
struct FileDialogCall {
  OPENFILENAMEW record;      // as given; its pointers are only valid during the call
  std::string filter;        // up to and including the double NUL
  std::string file_buffer;   // all nMaxFile characters as given
  std::string title_buffer;  // all nMaxFileTitle characters as given
  std::string initial_dir;   // "(null)" when none
  std::string title;         // "(null)" when none
  std::string default_ext;   // "(null)" when none
};

struct DialogAnswer {
  bool accept;
  std::string path;
};

struct FolderCall {
  BROWSEINFOW info;
  std::string prompt;
};

struct FolderAnswer {
  bool chosen;    // an item was chosen (else cancelled)
  bool has_path;  // the item is a file-system folder
  std::string path;
};

struct MessageCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  HWND foreground;  // the active window when the box was asked for
};

struct StartCall {
  std::string command_line;
  int show_state;
};

struct StartAnswer {
  bool started;
  DWORD error;
};

struct Script {
  Platform platform;

  // Answers, used in order; when one runs out the default is used: dialogs
  // cancel, message boxes answer IDOK, starts succeed, runs end with 0.
  std::deque<DialogAnswer> open_answers;
  std::deque<DialogAnswer> save_answers;
  std::deque<FolderAnswer> folder_answers;
  std::deque<int> message_answers;
  std::deque<StartAnswer> start_answers;
  std::deque<DWORD> run_exit_codes;
  std::deque<std::string> run_error_outputs;  // standard error of each waited run
  bool quit_during_wait = false;
  bool stop_ends_run = true;           // stop_run finds the run still going
  std::deque<std::vector<std::string>> drops;  // what each drop holds
  std::function<void()> during_wait;  // runs inside the wait for a run
  std::string temp_folder = "C:\\scripted temp\\";
  std::map<std::string, std::string> files;  // what read_text_file and file_exists find;
                                             // delete_file removes
  std::map<std::string, std::string> run_writes;  // files a waited run leaves in files

  // Records.
  std::vector<FileDialogCall> open_calls;
  std::vector<FileDialogCall> save_calls;
  std::vector<FolderCall> folder_calls;
  std::vector<LPCITEMIDLIST> path_calls;
  std::vector<LPITEMIDLIST> freed_lists;
  std::vector<MessageCall> messages;
  std::vector<StartCall> starts;
  std::vector<HANDLE> handed_out;  // process handles given by start_program
  std::vector<HANDLE> waits;
  std::vector<std::string> reads;
  std::vector<std::string> deletes;
  std::vector<HANDLE> stops;           // runs stop_run was asked to end
  std::vector<HDROP> drops_finished;
  int quits = 0;
};

// Points script->platform at the scripted calls.
void init_script(Script* script);

}  // namespace quarnpad
