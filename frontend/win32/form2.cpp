#include "form2.h"

#include "command_line.h"
#include "controls.h"
#include "form1.h"
#include "form_window.h"
#include "layout.h"
#include "list_fields.h"
#include "name_list.h"
#include "partial_pick.h"
#include "run_choice.h"
#include "runs.h"
#include "texts.h"

namespace quarnpad {

LRESULT CALLBACK form2_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  App* app = app_of_form(window, message, lparam, &App::form2);
  switch (message) {
    case WM_COMMAND:
      if (app == nullptr) return 0;
      if (row_of_id(LOWORD(wparam), form2_layout()) == form2::Command2 &&
          HIWORD(wparam) == BN_CLICKED) {
        form2_command2_click(app);
      } else if (LOWORD(wparam) == IDCANCEL) {
        // Escape, as the dialog keys send it: the close box's way out.
        SendMessageA(window, WM_CLOSE, 0, 0);
      }
      return 0;
    case DM_GETDEFID:
      // Enter presses "&Extract file(s)".
      return MAKELRESULT(kFirstControlId + form2::Command2, DC_HASDEFID);
    case WM_ACTIVATE:
      if (app != nullptr) keep_focus_on_activate(&app->form2, wparam);
      return 0;
    case WM_DESTROY:
      if (app != nullptr) app->form2 = FormWindow{};  // the main window alone ends the program
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool show_form2(App* app, const std::string& list) {
  if (app->form2.window == nullptr) {
    if (!create_form(app, form2_layout(), kForm2Class, &app->form2)) {
      if (app->form2.window != nullptr) DestroyWindow(app->form2.window);
      return false;
    }
    // The name list is written here at every press of the button; typing
    // into the box could change nothing.
    SendMessageA(app->form2.controls[form2::Text1], EM_SETREADONLY, TRUE, 0);
    SendMessageA(app->form2.controls[form2::Command2], BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    form2_form_load(app, list);
  }
  show_form(&app->form2);
  return true;
}

void form2_form_load(App* app, const std::string& list) {
  HWND list_box = app->form2.controls[form2::List1];
  SendMessageA(list_box, LB_RESETCONTENT, 0, 0);
  for (const std::string& field : read_fields(list)) add_list_entry(list_box, field);
}

void form2_command2_click(App* app) {
  if (app->run_under_way) return;
  const Platform* platform = app->platform;
  const FormWindow& main = app->form1;
  const FormWindow& picking = app->form2;
  HWND list = picking.controls[form2::List1];
  if (!take_path_fields(app, picking.window, kImagePath | kDestinationPath)) return;
  LRESULT picked = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  if (picked <= 0) {
    // No file words would make quarnex extract every file.
    platform->message_box(platform->context, picking.window, kNothingSelectedMessage,
                          kMessageTitle, MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The members hold every file's bytes: deleting them after a partial
  // pick is asked about, No (the default) extracting without deleting.
  int check1 = check_value(main.controls[form1::Check1]);
  LRESULT listed = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (deleting_loses_files(check1 != 0, static_cast<std::size_t>(picked),
                           static_cast<std::size_t>(listed)) &&
      platform->message_box(
          platform->context, picking.window,
          partial_delete_question(static_cast<std::size_t>(picked),
                                  static_cast<std::size_t>(listed))
              .c_str(),
          kMessageTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
    check1 = 0;
  }
  RunChoice choice = selected_files_choice(check1, check_value(main.controls[form1::Check2]),
                                           check_value(main.controls[form1::Check3]));
  set_control_text(picking.controls[form2::Text1],
                   build_name_list(list_entries(list), list_selection(list)));
  run_and_report(app, picking.window,
                 compose_selected_run(choice.prefix, control_text(main.controls[form1::Text2]),
                                      control_text(main.controls[form1::Text1]),
                                      control_text(picking.controls[form2::Text1])),
                 choice.window);
}

}  // namespace quarnpad
