// The program's start: the process-wide state, the windows, the event loop, and the one
// clean-up at the end.
//
// Usage: `return start(toolkit);` from main over the platform's toolkit; tests run it over a
// `HeadlessToolkit` on a thread of their own with `StartOptions` pointing at a local site and
// temporary folders, and end it through the exit confirmation as a person would. `start`
// returns when the toolkit's exit operation has ended the event loop and every thread of the
// job has ended; the toolkit's windows must not be used after that.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "collect/collector.h"
#include "collect/sites.h"
#include "ui/secondary_windows.h"
#include "ui/toolkit.h"

namespace lumetra {

struct StartOptions {
  std::optional<SiteTable> sites;      // default: the built-in sites
  std::filesystem::path program_dir;   // empty: `program_directory()`
  std::filesystem::path version_file;  // empty: `ui::version_file_path()`
  CollectorOptions collector;
  ui::ShellLinks links;
  // UI thread, once the main window is loaded, before the event loop runs.
  std::function<void(ui::Form& main)> started;
  // At the end of the exit-time clean-up, on the thread that ended the program.
  std::function<void()> cleaned_up;
};

// Runs the program over the toolkit; returns the exit code (0).
int start(ui::Toolkit& toolkit, const StartOptions& options = {});

}  // namespace lumetra
