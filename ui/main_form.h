// The main window as a form: every control with its place, text and initial state.
//
// Usage: `make_main_form(entries)` with the site list's entries (GBK); the list sorts them.
// The job's own creation steps and event bindings are added by the collector.
#pragma once

#include <memory>
#include <vector>

#include "text/text.h"
#include "ui/form.h"

namespace lumetra::ui {

inline constexpr int main_form_width = 1000;
inline constexpr int main_form_height = 723;

std::unique_ptr<Form> make_main_form(std::vector<Text> site_entries);

}  // namespace lumetra::ui
