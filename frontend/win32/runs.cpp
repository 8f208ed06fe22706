#include "runs.h"

#include "command_line.h"
#include "common_dialog.h"
#include "controls.h"
#include "error_line.h"
#include "form1.h"
#include "iso_name.h"
#include "layout.h"
#include "path_field.h"
#include "program_start.h"
#include "texts.h"

namespace quarnpad {

namespace {

// One field: its quotes off, then refused if a quote is left.
bool take_path_field(App* app, HWND owner, HWND box, const char* field) {
  std::string text = control_text(box);
  std::string path = without_surrounding_quotes(text);
  if (path != text) set_control_text(box, path);
  if (!holds_double_quote(path)) return true;
  const Platform* platform = app->platform;
  platform->message_box(platform->context, owner, quote_in_field_message(field).c_str(),
                        kMessageTitle, MB_OK | MB_ICONWARNING);
  SetFocus(box);
  return false;
}

}  // namespace

bool take_path_fields(App* app, HWND owner, int fields) {
  const FormWindow& form = app->form1;
  if ((fields & kImagePath) != 0 &&
      !take_path_field(app, owner, form.controls[form1::Text1], kImageField)) {
    return false;
  }
  return (fields & kDestinationPath) == 0 ||
         take_path_field(app, owner, form.controls[form1::Text2], kDestinationField);
}

namespace {

// The button pressed loses the focus when it is disabled; it gets it back
// afterwards, so that the keyboard goes on where the user left it.
void set_run_under_way(App* app, bool under_way) {
  if (under_way) app->focus_before_run = GetFocus();
  app->run_under_way = under_way;
  show_enabling(app);
  HWND before = app->focus_before_run;
  if (!under_way && GetFocus() == nullptr && before != nullptr && IsWindow(before) &&
      IsWindowEnabled(before)) {
    SetFocus(before);
  }
}

// The run the user asked to stop has ended: what it left is told, then the
// program ends.
void end_after_stop(App* app, const RunEnd& end) {
  std::string text = app->run_stopped ? stopped_message(end.error_output) : kEndedBeforeStop;
  report_failure(app, app->form1.window, text, MB_ICONINFORMATION);
  app->platform->quit(app->platform->context);
}

}  // namespace

RunOutcome run_quarnex(App* app, HWND owner, const std::string& command_line,
                       StartWindow window) {
  const Platform* platform = app->platform;
  set_run_under_way(app, true);
  set_status(app, kRunningStatus);
  StartResult started =
      platform->start_program(platform->context, command_line, static_cast<int>(window));
  if (!started.started) {
    set_run_under_way(app, false);
    set_status(app, "");
    platform->message_box(platform->context, owner,
                          start_failed_message(system_error_text(started.error)).c_str(),
                          kMessageTitle, MB_OK | MB_ICONERROR);
    return RunOutcome{false, false, std::string(), std::string()};
  }
  app->current_run = started;
  RunEnd end = platform->wait_for_run(platform->context, started);
  app->current_run = StartResult{};
  set_run_under_way(app, false);
  if (app->end_after_run) {
    set_status(app, "");
    end_after_stop(app, end);
    return RunOutcome{false, false, std::string(), std::string()};
  }
  if (end.quit) return RunOutcome{false, false, std::string(), std::string()};
  RunOutcome outcome = {true, end.exit_code == 0, std::string(), std::string()};
  if (!outcome.ok) {
    FailureLine line = split_failure_line(quarnex_error_line(end.error_output));
    outcome.reason = line.reason;
    outcome.progress = line.progress;
    if (outcome.reason.empty()) outcome.reason = exit_status_reason(end.exit_code);
  }
  return outcome;
}

void ask_to_stop_run(App* app, HWND owner) {
  const Platform* platform = app->platform;
  if (app->end_after_run) return;  // asked and answered already
  if (platform->message_box(platform->context, owner, kStillRunningQuestion, kMessageTitle,
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  if (!app->run_under_way) {  // it ended while the question was up
    platform->quit(platform->context);
    return;
  }
  app->end_after_run = true;
  app->run_stopped = platform->stop_run(platform->context, app->current_run);
}

namespace {

// The console window of a run outlives its process by a moment. One shown
// minimised and activated takes the foreground with it when it goes, after
// the message box is up, and under Wine no window then gets the keyboard
// until one is clicked. While the box is shown a timer gives it the
// foreground back whenever no window has it.
HWND g_box_owner = nullptr;

BOOL CALLBACK find_box(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (lstrcmpA(name, "#32770") != 0 || !IsWindowVisible(window) ||
      GetWindow(window, GW_OWNER) != g_box_owner) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK keep_box_in_front(HWND, UINT, UINT_PTR, DWORD) {
  if (GetForegroundWindow() != nullptr) return;
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_box, reinterpret_cast<LPARAM>(&box));
  if (box != nullptr) SetForegroundWindow(box);
}

}  // namespace

void report_failure(App* app, HWND owner, const std::string& text, UINT icon) {
  if (owner == nullptr || !IsWindow(owner)) owner = app->form1.window;
  if (owner != nullptr) {
    if (IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
    SetForegroundWindow(owner);
  }
  g_box_owner = owner;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, keep_box_in_front);
  const Platform* platform = app->platform;
  platform->message_box(platform->context, owner, text.c_str(), kMessageTitle,
                        MB_OK | icon | MB_SETFOREGROUND);
  if (timer != 0) KillTimer(nullptr, timer);
  g_box_owner = nullptr;
}

void run_and_report(App* app, HWND owner, const std::string& command_line,
                    StartWindow window) {
  RunOutcome outcome = run_quarnex(app, owner, command_line, window);
  if (!outcome.ended) return;
  set_status(app, outcome.ok ? kDoneStatus : kFailedStatus);
  if (!outcome.ok) {
    report_failure(app, owner, run_failed_message(outcome.reason, outcome.progress));
  }
}

void form1_command2_click(App* app) {
  if (app->run_under_way) return;
  const FormWindow& form = app->form1;
  if (!take_path_fields(app, form.window, kImagePath | kDestinationPath)) return;
  RunChoice choice = extract_all_choice(check_value(form.controls[form1::Check1]),
                                        check_value(form.controls[form1::Check2]),
                                        check_value(form.controls[form1::Check3]));
  run_and_report(app, form.window,
                 compose_run(choice.prefix, control_text(form.controls[form1::Text2]),
                             control_text(form.controls[form1::Text1])),
                 choice.window);
}

namespace {

// The save dialog until a name is settled: false when the user cancels.
// The name quarnex writes (the name chosen, ".iso" added when it lacks it)
// is asked about when that file exists; the dialog asks nothing itself, as
// it would ask about the name as typed. No goes back to the dialog.
bool choose_iso_name(App* app) {
  const Platform* platform = app->platform;
  HWND owner = app->form1.window;
  while (true) {
    if (!show_save(platform, owner, &app->common_dialog1)) return false;
    std::string written = iso_output_name(app->common_dialog1.file_name);
    if (!platform->file_exists(platform->context, written)) return true;
    if (platform->message_box(platform->context, owner, replace_question(written).c_str(),
                              kMessageTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
        IDYES) {
      return true;
    }
  }
}

}  // namespace

void form1_command6_click(App* app) {
  if (app->run_under_way) return;
  const FormWindow& form = app->form1;
  const Platform* platform = app->platform;
  if (!take_path_fields(app, form.window, kImagePath)) return;
  app->common_dialog1.filter = kIsoFilter;
  // Cancel or Escape ends the action: no question, no run, Text2 as it was.
  if (!choose_iso_name(app)) return;
  set_control_text(form.controls[form1::Text2], app->common_dialog1.file_name);
  RunChoice choice = convert_choice(check_value(form.controls[form1::Check1]),
                                    check_value(form.controls[form1::Check3]));
  if (platform->message_box(platform->context, form.window, kFat32Prompt, kFat32Title,
                            MB_YESNO) != IDYES) {
    return;
  }
  run_and_report(app, form.window,
                 compose_run(choice.prefix, control_text(form.controls[form1::Text2]),
                             control_text(form.controls[form1::Text1])),
                 choice.window);
}

}  // namespace quarnpad
