// Quarnpad: gathers an image set, a destination and three options, and
// starts quarnex on them.
#include "app.h"
#include "browse.h"
#include "form1.h"
#include "message_pump.h"

#include <commctrl.h>
#include <ole2.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  OleInitialize(nullptr);  // the folder dialog wants COM
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  quarnpad::App app;
  quarnpad::init_app(&app, quarnpad::system_platform(), instance);
  if (!quarnpad::form1_load(&app)) return 1;
  quarnpad::open_set_from_command_line(&app, GetCommandLineW());
  int code = quarnpad::run_message_loop();
  quarnpad::close_app(&app);
  OleUninitialize();
  return code;
}
