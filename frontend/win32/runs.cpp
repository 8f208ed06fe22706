#include "runs.h"

#include "command_line.h"
#include "controls.h"
#include "drive_root.h"
#include "layout.h"
#include "program_start.h"
#include "texts.h"

namespace quarnpad {

void apply_drive_root_rule(HWND text_box) {
  std::string text = control_text(text_box);
  if (is_drive_root(text)) set_control_text(text_box, apply_drive_root(text));
}

StartResult start_quarnex(App* app, HWND owner, const std::string& command_line,
                          StartWindow window, bool list_run) {
  const Platform* platform = app->platform;
  StartResult result = platform->start_program(platform->context, command_line,
                                               static_cast<int>(window), list_run);
  if (!result.started) {
    platform->message_box(platform->context, owner,
                          start_failed_message(system_error_text(result.error)).c_str(),
                          kMessageTitle, MB_OK | MB_ICONERROR);
  }
  return result;
}

void form1_command2_click(App* app) {
  const FormWindow& form = app->form1;
  apply_drive_root_rule(form.controls[form1::Text2]);
  RunChoice choice = extract_all_choice(check_value(form.controls[form1::Check1]),
                                        check_value(form.controls[form1::Check2]),
                                        check_value(form.controls[form1::Check3]));
  start_quarnex(app, form.window,
                compose_run(choice.prefix, control_text(form.controls[form1::Text2]),
                            control_text(form.controls[form1::Text1])),
                choice.window, false);
}

void form1_command6_click(App* app) {
  const FormWindow& form = app->form1;
  const Platform* platform = app->platform;
  app->common_dialog1.filter = kIsoFilter;
  show_save(platform, form.window, &app->common_dialog1);
  // A cancel is not told apart from a choice: the box gets the last name
  // chosen since the program started, or nothing.
  set_control_text(form.controls[form1::Text2], app->common_dialog1.file_name);
  RunChoice choice = convert_choice(check_value(form.controls[form1::Check1]),
                                    check_value(form.controls[form1::Check3]));
  if (platform->message_box(platform->context, form.window, kFat32Prompt, kFat32Title,
                            MB_YESNO) != IDYES) {
    return;
  }
  start_quarnex(app, form.window,
                compose_run(choice.prefix, control_text(form.controls[form1::Text2]),
                            control_text(form.controls[form1::Text1])),
                choice.window, false);
}

}  // namespace quarnpad
