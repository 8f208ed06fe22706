#include "front_end_test.h"

#include "controls.h"
#include "form1.h"
#include "message_pump.h"

namespace quarnpad {

void FrontEndTest::SetUp() {
  init_script(&script_);
  init_app(&app_, &script_.platform, GetModuleHandleA(nullptr));
  ASSERT_TRUE(form1_load(&app_));
  drain_messages();
}

void FrontEndTest::TearDown() {
  close_app(&app_);
  drain_messages();
}

void FrontEndTest::fill(const std::string& image, const std::string& destination) {
  SetWindowTextA(form1(form1::Text1), image.c_str());
  SetWindowTextA(form1(form1::Text2), destination.c_str());
}

void FrontEndTest::set_checks(int c1, int c2, int c3) {
  set_check(form1(form1::Check1), c1 != 0);
  set_check(form1(form1::Check2), c2 != 0);
  set_check(form1(form1::Check3), c3 != 0);
}

void FrontEndTest::expect_check_box_runs(const std::vector<CheckBoxRun>& rows,
                                         const std::function<void(const CheckBoxRun&)>& press,
                                         const std::string& words) {
  for (const CheckBoxRun& row : rows) {
    SCOPED_TRACE(testing::Message() << row.c1 << row.c2 << row.c3);
    set_checks(row.c1, row.c2, row.c3);
    press(row);
    ASSERT_FALSE(script_.starts.empty());
    EXPECT_EQ(std::string(row.prefix) + words, script_.starts.back().command_line);
    EXPECT_EQ(row.show, script_.starts.back().show_state);
  }
}

void click(HWND control) { SendMessageA(control, BM_CLICK, 0, 0); }

void set_check(HWND check_box, bool set) {
  if ((SendMessageA(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED) != set) click(check_box);
}

void type_text(HWND text_box, const std::string& text) {
  SetFocus(text_box);
  SendMessageA(text_box, EM_SETSEL, GetWindowTextLengthA(text_box), GetWindowTextLengthA(text_box));
  for (char c : text) SendMessageA(text_box, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void press_key(UINT key) {
  MSG msg = {};
  msg.hwnd = GetFocus();
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  msg.lParam = 1;
  dispatch_message(&msg);
  msg.message = WM_KEYUP;
  msg.lParam = 1 | (1u << 30) | (1u << 31);
  dispatch_message(&msg);
  drain_messages();
}

void press_alt(char letter) {
  MSG msg = {};
  msg.hwnd = GetFocus();
  msg.message = WM_SYSCHAR;
  msg.wParam = static_cast<unsigned char>(letter);
  msg.lParam = 1 | (1 << 29);  // Alt is down
  dispatch_message(&msg);
  drain_messages();
}

void select_entries(HWND list_box, const std::vector<int>& indices) {
  for (int index : indices) SendMessageA(list_box, LB_SETSEL, TRUE, index);
}

void drain_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) dispatch_message(&msg);
  }
}

void expect_laid_out(const App& app, const FormWindow& form, const FormLayout& layout) {
  RECT client;
  GetClientRect(form.window, &client);
  PixelRect expected_client = client_rect(layout, app.dpi_x, app.dpi_y);
  EXPECT_EQ(expected_client.width, client.right);
  EXPECT_EQ(expected_client.height, client.bottom);
  for (int row = 0; row < layout.control_count; ++row) {
    SCOPED_TRACE(layout.controls[row].name);
    RECT r;
    GetWindowRect(form.controls[row], &r);
    MapWindowPoints(nullptr, form.window, reinterpret_cast<POINT*>(&r), 2);
    PixelRect expected = control_rect(layout, row, app.dpi_x, app.dpi_y);
    EXPECT_EQ(expected.left, r.left);
    EXPECT_EQ(expected.top, r.top);
    EXPECT_EQ(expected.width, r.right - r.left);
    EXPECT_EQ(expected.height, r.bottom - r.top);
  }
}

std::string text_of(HWND window) { return control_text(window); }

void FrontEndTest::open_file_picking(const std::string& list) {
  script_.run_writes[script_.temp_folder + "pdilist.txt"] = list;
  fill("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
}

}  // namespace quarnpad
