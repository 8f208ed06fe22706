#include "form1.h"

#include "browse.h"
#include "controls.h"
#include "enabling.h"
#include "file_picking.h"
#include "form_window.h"
#include "layout.h"
#include "path_field.h"
#include "runs.h"

namespace quarnpad {

namespace {

void enable(HWND button, bool enabled) {
  if (button != nullptr) EnableWindow(button, enabled);
}

// What each control's notification runs.
struct CommandHandler {
  int row;
  int code;
  void (*handle)(App*);
};
const CommandHandler kCommandHandlers[] = {
    {form1::Text1, EN_CHANGE, form1_text1_change},     {form1::Text2, EN_CHANGE, form1_text2_change},
    {form1::Command1, BN_CLICKED, form1_command1_click}, {form1::Command2, BN_CLICKED, form1_command2_click},
    {form1::Command3, BN_CLICKED, form1_command3_click}, {form1::Command4, BN_CLICKED, form1_command4_click},
    {form1::Command5, BN_CLICKED, form1_command5_click}, {form1::Command6, BN_CLICKED, form1_command6_click},
};

void on_command(App* app, int id, int code) {
  int row = row_of_id(id, form1_layout());
  for (const CommandHandler& handler : kCommandHandlers) {
    if (handler.row == row && handler.code == code) {
      handler.handle(app);
      return;
    }
  }
}

}  // namespace

LRESULT CALLBACK form1_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  App* app = app_of_form(window, message, lparam, &App::form1);
  switch (message) {
    case WM_COMMAND:
      if (app != nullptr) on_command(app, LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_ACTIVATE:
      if (app != nullptr) keep_focus_on_activate(&app->form1, wparam);
      return 0;
    case WM_CLOSE:
      if (app != nullptr && app->run_under_way) {
        ask_to_stop_run(app, window);
        return 0;
      }
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_DROPFILES:
      if (app != nullptr) form1_drop(app, reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_DESTROY:
      if (app != nullptr) {
        // The main window going ends the program, the file-picking window
        // with it.
        app->form1 = FormWindow{};
        if (app->form2.window != nullptr) DestroyWindow(app->form2.window);
        PostQuitMessage(0);
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool form1_load(App* app) {
  if (!create_form(app, form1_layout(), kForm1Class, &app->form1)) return false;
  form1_form_load(app);
  DragAcceptFiles(app->form1.window, TRUE);
  show_form(&app->form1);
  SetFocus(app->form1.controls[form1::Command1]);
  return true;
}

void form1_drop(App* app, HDROP drop) {
  std::vector<std::string> files = app->platform->dropped_files(app->platform->context, drop);
  if (app->run_under_way) return;  // the path field waits for the run too
  for (const std::string& file : files) {
    if (!is_set_file(file)) continue;
    open_set(app, file);
    return;
  }
}

void form1_form_load(App* app) {
  const FormWindow& form = app->form1;
  app->enabling = enabling_at_load(CommandEnabling{true, true, true},
                                   control_text(form.controls[form1::Text1]).empty(),
                                   control_text(form.controls[form1::Text2]).empty());
  show_enabling(app);
}

void form1_text1_change(App* app) {
  app->enabling = enabling_after_text1_change(app->enabling);
  show_enabling(app);
  if (app->form2.window != nullptr) SendMessageA(app->form2.window, WM_CLOSE, 0, 0);
}

void form1_text2_change(App* app) {
  app->enabling = enabling_after_text2_change(app->enabling);
  show_enabling(app);
}

void show_enabling(App* app) {
  bool idle = !app->run_under_way;
  // What a run was started from waits with it; Exit stays, to stop it.
  for (int row : {form1::Text1, form1::Text2, form1::Command1, form1::Command4, form1::Check1,
                  form1::Check2, form1::Check3}) {
    enable(app->form1.controls[row], idle);
  }
  enable(app->form1.controls[form1::Command2], idle && app->enabling.command2);
  enable(app->form1.controls[form1::Command5], idle && app->enabling.command5);
  enable(app->form1.controls[form1::Command6], idle && app->enabling.command6);
  enable(app->form2.controls[form2::Command2], idle);
}

void set_status(App* app, const char* text) {
  set_control_text(app->form1.controls[form1::Label1], text);
}

void form1_command3_click(App* app) {
  if (app->run_under_way) {
    ask_to_stop_run(app, app->form1.window);
    return;
  }
  app->platform->quit(app->platform->context);
}

}  // namespace quarnpad
