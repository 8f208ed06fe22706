#include "file_picking.h"

#include "command_line.h"
#include "controls.h"
#include "form1.h"
#include "form2.h"
#include "layout.h"
#include "list_path.h"
#include "runs.h"
#include "texts.h"
#include "wide_text.h"

namespace quarnpad {

void form1_command5_click(App* app) {
  if (app->run_under_way) return;
  const Platform* platform = app->platform;
  if (!take_path_fields(app, app->form1.window, kImagePath)) return;
  std::string list_file = list_file_path(platform->temp_folder(platform->context));
  // A list left by an earlier run must never pass for this one's.
  platform->delete_file(platform->context, list_file);
  std::string image = control_text(app->form1.controls[form1::Text1]);
  RunOutcome outcome = run_quarnex(app, app->form1.window, compose_list_run(list_file, image),
                                   list_run_window());
  if (!outcome.ended) return;
  std::string list;
  std::string reason = outcome.reason;
  if (outcome.ok && !platform->read_text_file(platform->context, list_file, &list)) {
    reason = no_list_file_reason(list_file);
  }
  list = utf8_from_names(list);
  if (!reason.empty()) {
    // An open file-picking window holds an earlier run's list: it goes, so
    // that no file is picked from a list this run could not confirm.
    if (app->form2.window != nullptr) SendMessageA(app->form2.window, WM_CLOSE, 0, 0);
    set_status(app, kFailedStatus);
    report_failure(app, app->form1.window, list_failed_message(reason));
    return;
  }
  set_status(app, kDoneStatus);
  // A set named anew while the run went on is not the one listed.
  if (control_text(app->form1.controls[form1::Text1]) != image) return;
  show_form2(app, list);
}

}  // namespace quarnpad
