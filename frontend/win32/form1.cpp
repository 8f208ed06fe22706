#include "form1.h"

#include "browse.h"
#include "controls.h"
#include "enabling.h"
#include "file_picking.h"
#include "form_window.h"
#include "layout.h"
#include "runs.h"

namespace quarnpad {

namespace {

CommandEnabling current_enabling(const FormWindow& form) {
  return CommandEnabling{IsWindowEnabled(form.controls[form1::Command2]) != 0,
                         IsWindowEnabled(form.controls[form1::Command5]) != 0,
                         IsWindowEnabled(form.controls[form1::Command6]) != 0};
}

void set_enabling(const FormWindow& form, CommandEnabling enabling) {
  EnableWindow(form.controls[form1::Command2], enabling.command2);
  EnableWindow(form.controls[form1::Command5], enabling.command5);
  EnableWindow(form.controls[form1::Command6], enabling.command6);
}

void on_command(App* app, int id, int code) {
  switch (row_of_id(id, form1_layout())) {
    case form1::Text1:
      if (code == EN_CHANGE) form1_text1_change(app);
      break;
    case form1::Text2:
      if (code == EN_CHANGE) form1_text2_change(app);
      break;
    case form1::Command1:
      if (code == BN_CLICKED) form1_command1_click(app);
      break;
    case form1::Command2:
      if (code == BN_CLICKED) form1_command2_click(app);
      break;
    case form1::Command3:
      if (code == BN_CLICKED) form1_command3_click(app);
      break;
    case form1::Command4:
      if (code == BN_CLICKED) form1_command4_click(app);
      break;
    case form1::Command5:
      if (code == BN_CLICKED) form1_command5_click(app);
      break;
    case form1::Command6:
      if (code == BN_CLICKED) form1_command6_click(app);
      break;
    default:
      break;
  }
}

}  // namespace

LRESULT CALLBACK form1_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  remember_app(window, message, lparam);
  App* app = app_of(window);
  bool ours = app != nullptr && app->form1.window == window;
  switch (message) {
    case WM_COMMAND:
      if (ours) on_command(app, LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_ACTIVATE:
      if (ours) keep_focus_on_activate(&app->form1, wparam);
      return 0;
    case WM_DESTROY:
      if (ours) {
        app->form1 = FormWindow{};
        if (app->form2.window == nullptr) PostQuitMessage(0);
      }
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

bool form1_load(App* app) {
  if (!create_form(app, form1_layout(), kForm1Class, &app->form1)) return false;
  form1_form_load(app);
  show_form(&app->form1);
  SetFocus(app->form1.controls[form1::Command1]);
  return true;
}

void form1_form_load(App* app) {
  const FormWindow& form = app->form1;
  set_enabling(form, enabling_at_load(current_enabling(form),
                                      control_text(form.controls[form1::Text1]).empty(),
                                      control_text(form.controls[form1::Text2]).empty()));
}

void form1_text1_change(App* app) {
  set_enabling(app->form1, enabling_after_text1_change(current_enabling(app->form1)));
}

void form1_text2_change(App* app) {
  set_enabling(app->form1, enabling_after_text2_change(current_enabling(app->form1)));
}

void form1_command3_click(App* app) { app->platform->quit(app->platform->context); }

}  // namespace quarnpad
