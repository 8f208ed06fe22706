// Makes a top-level window and its controls from a layout: client area and
// control rectangles scaled from twips, controls made in tab order, tool
// tips, one font for all.
#pragma once

#include "app.h"
#include "layout.h"

namespace quarnpad {

extern const wchar_t kForm1Class[];
extern const wchar_t kForm2Class[];

// Control identifiers are kFirstControlId + row.
const int kFirstControlId = 1000;

// Registers one window class unless it is registered already; its windows
// are made with the App as the creation parameter (see app_of_form).
bool register_form_class(HINSTANCE instance, const wchar_t* class_name, WNDPROC window_proc);

// Makes the window hidden, with every control of the layout.
bool create_form(App* app, const FormLayout& layout, const wchar_t* class_name,
                 FormWindow* form);

// True for the windows of Form1 and Form2.
bool is_form_window(HWND window);

// For every form window procedure, first: stores the App at WM_NCCREATE,
// and gives it when the window is that App's form (app->*form), else null
// (messages that come before create_form has kept the window's handle).
App* app_of_form(HWND window, UINT message, LPARAM lparam, FormWindow App::*form);

// The row of a control identifier, or -1.
int row_of_id(int id, const FormLayout& layout);

// Focus handling on WM_ACTIVATE: remembered when the window goes inactive,
// given back (or to the first control) when it is active again.
void keep_focus_on_activate(FormWindow* form, WPARAM wparam);

// Shows the window and brings it to the front.
void show_form(FormWindow* form);

}  // namespace quarnpad
