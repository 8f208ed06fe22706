#include "file_picking.h"

#include "command_line.h"
#include "controls.h"
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
  StartResult started = start_quarnex(
      app, app->form1.window,
      compose_list_run(list_file, control_text(app->form1.controls[form1::Text1])),
      list_run_window(), true);
  if (!started.started) return;

  RunEnd end = platform->wait_for_run(platform->context, started.process);
  if (end.quit) return;
  if (end.exit_code != 0) {
    // Whatever the list file holds now is not this image's list.
    platform->message_box(platform->context, app->form1.window,
                          list_run_failed_message(end.exit_code).c_str(), kMessageTitle,
                          MB_OK | MB_ICONWARNING);
    show_form2(app, nullptr);
    return;
  }
  show_form2(app, &list_file);
}

}  // namespace quarnpad
