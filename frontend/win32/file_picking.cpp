#include "file_picking.h"

#include "command_line.h"
#include "controls.h"
#include "error_line.h"
#include "form2.h"
#include "layout.h"
#include "list_path.h"
#include "runs.h"
#include "texts.h"

namespace quarnpad {

void form1_command5_click(App* app) {
  const Platform* platform = app->platform;
  apply_drive_root_rule(app->form1.controls[form1::Text2]);
  std::string list_file = list_file_path(platform->temp_folder(platform->context));
  // A list left by an earlier run must never pass for this one's.
  platform->delete_file(platform->context, list_file);
  StartResult started = start_quarnex(
      app, app->form1.window,
      compose_list_run(list_file, control_text(app->form1.controls[form1::Text1])),
      list_run_window(), true);
  if (!started.started) return;

  RunEnd end = platform->wait_for_run(platform->context, started);
  if (end.quit) return;
  std::string list;
  std::string reason;
  if (end.exit_code != 0) {
    reason = quarnex_error_line(end.error_output);
    if (reason.empty()) reason = exit_status_reason(end.exit_code);
  } else if (!platform->read_text_file(platform->context, list_file, &list)) {
    reason = no_list_file_reason(list_file);
  }
  if (!reason.empty()) {
    // An open file-picking window holds an earlier run's list: it goes, so
    // that no file is picked from a list this run could not confirm.
    if (app->form2.window != nullptr) SendMessageA(app->form2.window, WM_CLOSE, 0, 0);
    platform->message_box(platform->context, app->form1.window,
                          list_failed_message(reason).c_str(), kMessageTitle,
                          MB_OK | MB_ICONERROR);
    return;
  }
  show_form2(app, list);
}

}  // namespace quarnpad
