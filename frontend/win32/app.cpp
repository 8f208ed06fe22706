#include "app.h"

#include "form1.h"
#include "form2.h"
#include "form_window.h"

namespace quarnpad {

void init_app(App* app, const Platform* platform, HINSTANCE instance) {
  *app = App{};
  app->platform = platform;
  app->instance = instance;
  HDC screen = GetDC(nullptr);
  app->dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  app->dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (app->dpi_x <= 0) app->dpi_x = 96;
  if (app->dpi_y <= 0) app->dpi_y = 96;
  // 8 points of MS Sans Serif, the classic dialog font.
  app->font = CreateFontA(-MulDiv(8, app->dpi_y, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  register_form_class(instance, kForm1Class, form1_window_proc);
  register_form_class(instance, kForm2Class, form2_window_proc);
}

void close_app(App* app) {
  if (app->form2.window != nullptr) DestroyWindow(app->form2.window);
  if (app->form1.window != nullptr) DestroyWindow(app->form1.window);
  if (app->font != nullptr) DeleteObject(app->font);
  app->font = nullptr;
}

}  // namespace quarnpad
