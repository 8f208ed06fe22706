// Quarnpad with the real quarnex.exe beside it on the example set made for
// the tests (folder in QUARNEX_EXAMPLES). Only the answers of the two
// Browse dialogs are scripted; quarnex is really started, the list run
// really waited for, the list file really read.
#include "app.h"
#include "controls.h"
#include "dialog_robot.h"
#include "form1.h"
#include "layout.h"
#include "program_start.h"
#include "scripted_platform.h"
#include "screenshot.h"
#include "texts.h"
#include "browse.h"
#include "wide_text.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace quarnpad {
namespace {

const DWORD kRunTimeoutMs = 120000;

// A Unix path (as the native build gives it) in the form this Windows
// process can open; a Windows path is taken as it is.
std::string windows_path(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  typedef WCHAR* (*DosName)(const char*);
  DosName dos_name = reinterpret_cast<DosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (dos_name != nullptr) {
    WCHAR* wide = dos_name(path.c_str());
    if (wide != nullptr) {
      char narrow[MAX_PATH * 2] = {};
      WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), nullptr, nullptr);
      HeapFree(GetProcessHeap(), 0, wide);
      return narrow;
    }
  }
  std::string converted = "Z:" + path;
  for (char& c : converted) {
    if (c == '/') c = '\\';
  }
  return converted;
}

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

long long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Ends a run that hangs (quarnex waits for RETURN after an error), so the
// test fails instead of waiting for ever.
DWORD WINAPI watchdog(void* process) {
  if (WaitForSingleObject(process, kRunTimeoutMs) == WAIT_TIMEOUT) TerminateProcess(process, 99);
  CloseHandle(process);
  return 0;
}

int g_starts = 0;  // runs started by the front end

// The real start, watched: every run gets a watchdog.
StartResult watched_start(void*, const std::string& command_line, int show_state) {
  StartResult result =
      start_program_from(own_folder(), command_line, show_state, StartKind::kWaitedRun);
  if (!result.started) return result;
  ++g_starts;
  HANDLE for_watchdog = nullptr;
  DuplicateHandle(GetCurrentProcess(), result.process, GetCurrentProcess(), &for_watchdog, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  CloseHandle(CreateThread(nullptr, 0, watchdog, for_watchdog, 0, nullptr));
  return result;
}

// The real platform, its starts watched, its message boxes answered and
// recorded by the script.
Platform watched_platform(Script* script) {
  init_script(script);
  Platform platform = *system_platform();
  platform.context = script;
  platform.message_box = script->platform.message_box;
  platform.start_program = watched_start;
  return platform;
}

TEST(EndToEnd, ListRunFillsForm2AndSelectedFilesAreExtracted) {
  const char* examples_env = std::getenv("QUARNEX_EXAMPLES");
  ASSERT_TRUE(examples_env != nullptr && *examples_env != '\0')
      << "QUARNEX_EXAMPLES is not set: it names the folder of the example set "
         "(example.pdi, example.pdi01, example.pdi02)";
  std::string examples = windows_path(examples_env);
  std::string image = examples + "\\example.pdi";
  ASSERT_TRUE(file_exists(image)) << "no example set: " << image << " is missing";
  std::string quarnex = own_folder() + "\\quarnex.exe";
  ASSERT_TRUE(file_exists(quarnex))
      << quarnex << " is missing: build the quarnex target, which puts it beside Quarnpad.exe";

  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string work = std::string(temp) + "quarnpad end to end " + std::to_string(GetCurrentProcessId());
  std::string destination = work + "\\out dir";  // a blank on purpose
  CreateDirectoryA(work.c_str(), nullptr);
  std::string list_file = std::string(temp) + "pdilist.txt";
  DeleteFileA(list_file.c_str());  // what Form2 shows must come from this run

  Script script;
  Platform platform = watched_platform(&script);  // no message box is expected; recorded if one comes
  platform.get_open_file_name = script.platform.get_open_file_name;
  platform.browse_for_folder = script.platform.browse_for_folder;
  platform.path_from_id_list = script.platform.path_from_id_list;
  platform.free_id_list = script.platform.free_id_list;
  script.open_answers.push_back({true, image});
  script.folder_answers.push_back({true, true, destination});

  App app;
  init_app(&app, &platform, GetModuleHandleA(nullptr));
  ASSERT_TRUE(form1_load(&app));
  SendMessageA(app.form1.controls[form1::Command1], BM_CLICK, 0, 0);
  SendMessageA(app.form1.controls[form1::Command4], BM_CLICK, 0, 0);
  ASSERT_EQ(image, control_text(app.form1.controls[form1::Text1]));
  ASSERT_EQ(destination, control_text(app.form1.controls[form1::Text2]));

  // "Extract &files": the real list run, waited for, then Form2.
  SendMessageA(app.form1.controls[form1::Command5], BM_CLICK, 0, 0);
  for (const MessageCall& m : script.messages) ADD_FAILURE() << "message box: " << m.text;
  ASSERT_NE(nullptr, app.form2.window) << "Form2 did not open";
  std::vector<std::string> entries = list_entries(app.form2.controls[form2::List1]);
  std::map<std::string, long long> sizes;
  for (const std::string& entry : entries) {
    std::string::size_type blank = entry.find(' ');
    ASSERT_NE(std::string::npos, blank) << entry;
    sizes[entry.substr(0, blank)] = std::atoll(entry.c_str() + blank + 1);
  }
  for (const char* name : {"VIDEO_TS.IFO;1", "VIDEO_TS.BUP;1", "VTS_01_0.IFO;1",
                           "VTS_01_0.BUP;1", "VTS_01_1.VOB;1"}) {
    EXPECT_EQ(1u, sizes.count(name)) << name << " is not in the list";
  }
  ASSERT_EQ(1u, sizes.count("VIDEO_TS.IFO;1"));
  ASSERT_EQ(1u, sizes.count("VTS_01_1.VOB;1"));

  // Choose two files, the later one first, and extract them.
  HWND list = app.form2.controls[form2::List1];
  for (const char* name : {"VTS_01_1.VOB;1", "VIDEO_TS.IFO;1"}) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].compare(0, std::strlen(name) + 1, std::string(name) + " ") == 0) {
        SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
      }
    }
  }
  show_for_picture(app.form2.window, 400);
  Capture picture = capture_window(app.form2.window);
  save_png(picture, screenshot_folder() + "\\form2_end_to_end.png");

  // The front end waits for the run and tells how it ended.
  int starts = g_starts;
  SendMessageA(app.form2.controls[form2::Command2], BM_CLICK, 0, 0);
  ASSERT_EQ(starts + 1, g_starts) << "no selected-files run was started";
  for (const MessageCall& m : script.messages) ADD_FAILURE() << "message box: " << m.text;
  EXPECT_EQ(kDoneStatus, control_text(app.form1.controls[form1::Label1]))
      << "the selected-files run failed";

  // The two chosen files, whole sectors as the list gives them, and no other.
  std::string ifo = destination + "\\VIDEO_TS.IFO;1";
  std::string vob = destination + "\\VTS_01_1.VOB;1";
  std::string ifo_plain = destination + "\\VIDEO_TS.IFO";
  std::string vob_plain = destination + "\\VTS_01_1.VOB";
  std::string ifo_out = file_exists(ifo) ? ifo : ifo_plain;
  std::string vob_out = file_exists(vob) ? vob : vob_plain;
  EXPECT_TRUE(file_exists(ifo_out)) << ifo_out;
  EXPECT_TRUE(file_exists(vob_out)) << vob_out;
  EXPECT_EQ(sizes["VIDEO_TS.IFO;1"], file_size(ifo_out));
  EXPECT_EQ(sizes["VTS_01_1.VOB;1"], file_size(vob_out));
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((destination + "\\*").c_str(), &found);
  int files = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ++files;
        DeleteFileA((destination + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(2, files) << "only the two chosen files are extracted";
  EXPECT_TRUE(file_exists(image)) << "the set is kept without Delete PDI-files";

  close_app(&app);
  RemoveDirectoryA(destination.c_str());
  RemoveDirectoryA(work.c_str());
}

// quarnex processes running now.
int quarnex_processes() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, "quarnex.exe") == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// quarnex processes running now, with what waits in the queue then handled:
// an earlier test's closed windows leave a quit message, which would end
// the wait for a run at once.
int quarnex_processes_queue_drained() {
  int running = quarnex_processes();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  return running;
}

// A list run on a set that is not there ends at once with a message box
// that gives quarnex's own line; no quarnex is left waiting and no window
// opens. A good set listed afterwards shows only its own files.
TEST(EndToEnd, FailedListRunIsReportedThenAGoodSetShowsOnlyItsFiles) {
  const char* examples_env = std::getenv("QUARNEX_EXAMPLES");
  ASSERT_TRUE(examples_env != nullptr && *examples_env != '\0') << "QUARNEX_EXAMPLES is not set";
  std::string image = windows_path(examples_env) + "\\example.pdi";
  ASSERT_TRUE(file_exists(image)) << image;
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string missing = std::string(temp) + "nosuch " + std::to_string(GetCurrentProcessId()) + ".pdi";
  std::string list_file = std::string(temp) + "pdilist.txt";
  {
    // A list from another set lies there already.
    HANDLE old = CreateFileA(list_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, old);
    DWORD written = 0;
    WriteFile(old, "OLDSET.VOB;1 2048\r\n", 19, &written, nullptr);
    CloseHandle(old);
  }
  int running_before = quarnex_processes_queue_drained();

  Platform platform = *system_platform();  // real starts, waits and message boxes
  platform.start_program = watched_start;
  App app;
  init_app(&app, &platform, GetModuleHandleA(nullptr));
  ASSERT_TRUE(form1_load(&app));
  SetWindowTextA(app.form1.controls[form1::Text1], missing.c_str());
  SetWindowTextA(app.form1.controls[form1::Text2], (std::string(temp) + "unused").c_str());

  std::string shown;
  DialogRobot box;
  box.title = "Quarnpad";
  box.action = [&](HWND dialog) {
    shown = static_texts(dialog);
    show_for_picture(dialog, 300);
    save_png(capture_window(dialog), screenshot_folder() + "\\message_list_failed.png");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
  arm(&box);
  DWORD started_at = GetTickCount();
  SendMessageA(app.form1.controls[form1::Command5], BM_CLICK, 0, 0);
  disarm();
  EXPECT_LT(GetTickCount() - started_at, 60000u) << "the list run was waited for too long";
  ASSERT_TRUE(box.done) << "no message box";
  EXPECT_NE(std::string::npos, shown.find("could not be listed")) << shown;
  EXPECT_NE(std::string::npos, shown.find(missing + ": No such file or directory")) << shown;
  EXPECT_EQ(std::string::npos, shown.find("RETURN")) << shown;
  EXPECT_EQ(nullptr, app.form2.window);
  EXPECT_EQ(running_before, quarnex_processes()) << "a quarnex was left running";
  EXPECT_FALSE(file_exists(list_file)) << "the old list file was not removed";

  SetWindowTextA(app.form1.controls[form1::Text1], image.c_str());
  SendMessageA(app.form1.controls[form1::Command5], BM_CLICK, 0, 0);
  ASSERT_NE(nullptr, app.form2.window);
  std::vector<std::string> entries = list_entries(app.form2.controls[form2::List1]);
  EXPECT_FALSE(entries.empty());
  for (const std::string& entry : entries) EXPECT_EQ(std::string::npos, entry.find("OLDSET")) << entry;
  bool has_vob = false;
  for (const std::string& entry : entries) has_vob = has_vob || entry.find("VTS_01_1.VOB;1 ") == 0;
  EXPECT_TRUE(has_vob);
  EXPECT_EQ(running_before, quarnex_processes());
  close_app(&app);
}

// The set copied into a folder of its own, since a run may delete it.
std::vector<std::string> copy_example_set(const std::string& examples, const std::string& folder) {
  std::vector<std::string> members;
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* suffix : {"", "01", "02", "03", "04", "05"}) {
    std::string from = examples + "\\example.pdi" + suffix;
    if (!file_exists(from)) break;
    std::string to = folder + "\\example.pdi" + suffix;
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) break;
    members.push_back(to);
  }
  return members;
}

// With the real quarnex: delete after a partial pick asks, and No keeps
// every member; a cancelled save dialog ends the conversion with nothing
// run; a failed run with its console minimised is told in a message box
// with quarnex's own line at once, and no quarnex is left waiting.
TEST(EndToEnd, PartialDeleteAsksCancelEndsConvertFailureIsTold) {
  const char* examples_env = std::getenv("QUARNEX_EXAMPLES");
  ASSERT_TRUE(examples_env != nullptr && *examples_env != '\0') << "QUARNEX_EXAMPLES is not set";
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string work = std::string(temp) + "quarnpad mends " + std::to_string(GetCurrentProcessId());
  std::vector<std::string> members = copy_example_set(windows_path(examples_env), work);
  ASSERT_GE(members.size(), 2u) << "the example set could not be copied to " << work;
  std::string destination = work + "\\out";
  int running_before = quarnex_processes_queue_drained();

  Script script;
  Platform platform = watched_platform(&script);
  platform.get_save_file_name = script.platform.get_save_file_name;
  App app;
  init_app(&app, &platform, GetModuleHandleA(nullptr));
  ASSERT_TRUE(form1_load(&app));
  SetWindowTextA(app.form1.controls[form1::Text1], members[0].c_str());
  SetWindowTextA(app.form1.controls[form1::Text2], destination.c_str());
  SendMessageA(app.form1.controls[form1::Check1], BM_CLICK, 0, 0);  // delete after processing

  // 1. Only VIDEO_TS.IFO picked: the question comes, No extracts it and
  // deletes nothing.
  SendMessageA(app.form1.controls[form1::Command5], BM_CLICK, 0, 0);
  ASSERT_NE(nullptr, app.form2.window) << "Form2 did not open";
  HWND list = app.form2.controls[form2::List1];
  std::vector<std::string> entries = list_entries(list);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].compare(0, 15, "VIDEO_TS.IFO;1 ") == 0) {
      SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    }
  }
  ASSERT_EQ(1, SendMessageA(list, LB_GETSELCOUNT, 0, 0));
  script.message_answers.push_back(IDNO);
  SendMessageA(app.form2.controls[form2::Command2], BM_CLICK, 0, 0);
  ASSERT_EQ(1u, script.messages.size());
  EXPECT_EQ(partial_delete_question(1, entries.size()), script.messages[0].text);
  EXPECT_EQ(kDoneStatus, control_text(app.form1.controls[form1::Label1]));
  for (const std::string& member : members) EXPECT_TRUE(file_exists(member)) << member;
  EXPECT_TRUE(file_exists(destination + "\\VIDEO_TS.IFO") ||
              file_exists(destination + "\\VIDEO_TS.IFO;1"));

  // 2. "&Convert to Iso", the save dialog cancelled: no question, no run.
  int starts = g_starts;
  script.messages.clear();
  script.save_answers.push_back({false, ""});
  SendMessageA(app.form1.controls[form1::Command6], BM_CLICK, 0, 0);
  EXPECT_EQ(1u, script.save_calls.size());
  EXPECT_TRUE(script.messages.empty());
  EXPECT_EQ(starts, g_starts);
  EXPECT_EQ(destination, control_text(app.form1.controls[form1::Text2]));

  // 3. A set that is not there, console minimised: told at once.
  std::string missing = work + "\\nosuch.pdi";
  SetWindowTextA(app.form1.controls[form1::Text1], missing.c_str());
  SendMessageA(app.form1.controls[form1::Check3], BM_CLICK, 0, 0);
  DWORD started_at = GetTickCount();
  SendMessageA(app.form1.controls[form1::Command2], BM_CLICK, 0, 0);
  EXPECT_LT(GetTickCount() - started_at, 60000u) << "the failed run was waited for too long";
  EXPECT_EQ(starts + 1, g_starts);
  ASSERT_EQ(1u, script.messages.size());
  EXPECT_EQ("quarnex stopped with an error:\r\n" + missing + ": No such file or directory",
            script.messages[0].text);
  EXPECT_EQ(kFailedStatus, control_text(app.form1.controls[form1::Label1]));
  EXPECT_EQ(running_before, quarnex_processes()) << "a quarnex was left running";
  close_app(&app);

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((destination + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileA((destination + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(destination.c_str());
  for (const std::string& member : members) DeleteFileA(member.c_str());
  RemoveDirectoryA(work.c_str());
}

// Every file of a folder (wide names, as UTF-8) with its bytes.
std::map<std::string, std::string> folder_files(const std::string& folder) {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wide(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string name = utf8(found.cFileName);
    HANDLE file = CreateFileW(wide(folder + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    files[name] = bytes;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

void remove_folder(const std::string& folder) {
  for (const auto& file : folder_files(folder)) DeleteFileW(wide(folder + "\\" + file.first).c_str());
  RemoveDirectoryW(wide(folder).c_str());
}

bool exists_wide(const std::string& path) {
  return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Handed a set's path as its command line, "&Extract all files" extracts
// it; a set in a folder whose name lies outside the code page (Cyrillic and
// Japanese) extracts to such a folder byte for byte alike; a destination
// with a double quote in it runs nothing and deletes nothing.
TEST(EndToEnd, HandedSetNamesOutsideTheCodePageAndQuotesInAField) {
  const char* examples_env = std::getenv("QUARNEX_EXAMPLES");
  ASSERT_TRUE(examples_env != nullptr && *examples_env != '\0') << "QUARNEX_EXAMPLES is not set";
  std::string examples = windows_path(examples_env);
  wchar_t temp_wide[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp_wide);
  std::string temp = utf8(temp_wide);
  std::string pid = std::to_string(GetCurrentProcessId());
  std::string plain = temp + "quarnpad handed " + pid;
  // "Папка 映画": a folder no Western code page can name.
  std::string foreign = temp + "\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0 \xe6\x98\xa0\xe7\x94\xbb " + pid;
  std::vector<std::string> members = copy_example_set(examples, plain);
  ASSERT_GE(members.size(), 2u);
  ASSERT_TRUE(CreateDirectoryW(wide(foreign).c_str(), nullptr)) << foreign;
  std::vector<std::string> foreign_members;
  for (const std::string& member : members) {
    std::string to = foreign + member.substr(member.rfind('\\'));
    ASSERT_TRUE(CopyFileW(wide(member).c_str(), wide(to).c_str(), FALSE)) << to;
    foreign_members.push_back(to);
  }
  int running_before = quarnex_processes_queue_drained();

  Script script;
  Platform platform = watched_platform(&script);
  App app;
  init_app(&app, &platform, GetModuleHandleA(nullptr));
  ASSERT_TRUE(form1_load(&app));

  // 8. Started as "Open with" starts it: the set's path fills the field.
  open_set_from_command_line(&app, wide("\"C:\\Quarnpad\\Quarnpad.exe\" \"" + members[0] + "\"").c_str());
  EXPECT_EQ(members[0], control_text(app.form1.controls[form1::Text1]));
  std::string plain_out = plain + "\\out";
  set_control_text(app.form1.controls[form1::Text2], plain_out);
  int starts = g_starts;
  SendMessageA(app.form1.controls[form1::Command2], BM_CLICK, 0, 0);
  EXPECT_EQ(starts + 1, g_starts);
  for (const MessageCall& m : script.messages) ADD_FAILURE() << "message box: " << m.text;
  EXPECT_EQ(kDoneStatus, control_text(app.form1.controls[form1::Label1]));
  std::map<std::string, std::string> extracted = folder_files(plain_out);
  EXPECT_GE(extracted.size(), 5u);
  EXPECT_EQ(1u, extracted.count("VTS_01_1.VOB")) << "the set was not extracted";

  // 7. The same set in the foreign folder, to a foreign destination.
  std::string foreign_out = foreign + "\\\xd0\xb2\xd1\x8b\xd0\xb2\xd0\xbe\xd0\xb4";  // "вывод"
  set_control_text(app.form1.controls[form1::Text1], foreign_members[0]);
  set_control_text(app.form1.controls[form1::Text2], foreign_out);
  SendMessageA(app.form1.controls[form1::Command2], BM_CLICK, 0, 0);
  EXPECT_EQ(starts + 2, g_starts);
  for (const MessageCall& m : script.messages) ADD_FAILURE() << "message box: " << m.text;
  EXPECT_EQ(kDoneStatus, control_text(app.form1.controls[form1::Label1]));
  EXPECT_TRUE(folder_files(foreign_out) == extracted) << "the foreign folder's outputs differ";

  // 1. Options hidden in the destination: refused, nothing run or deleted.
  std::string second = plain + "\\q2";
  set_control_text(app.form1.controls[form1::Text1], members[0]);
  set_control_text(app.form1.controls[form1::Text2], plain + "\\q\" -r -d \"" + second);
  SendMessageA(app.form1.controls[form1::Command2], BM_CLICK, 0, 0);
  EXPECT_EQ(starts + 2, g_starts) << "quarnex was started";
  ASSERT_EQ(1u, script.messages.size());
  EXPECT_EQ(quote_in_field_message(kDestinationField), script.messages[0].text);
  for (const std::string& member : members) EXPECT_TRUE(exists_wide(member)) << member;
  EXPECT_FALSE(exists_wide(second));
  EXPECT_FALSE(exists_wide(plain + "\\q"));
  EXPECT_EQ(running_before, quarnex_processes()) << "a quarnex was left running";
  close_app(&app);

  remove_folder(plain_out);
  remove_folder(foreign_out);
  for (const std::string& member : foreign_members) DeleteFileW(wide(member).c_str());
  RemoveDirectoryW(wide(foreign).c_str());
  for (const std::string& member : members) DeleteFileW(wide(member).c_str());
  RemoveDirectoryW(wide(plain).c_str());
}

}  // namespace
}  // namespace quarnpad
