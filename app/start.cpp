#include "app/start.h"

#include <memory>
#include <mutex>

#include "app/program_dir.h"
#include "graphics/flat.h"
#include "pattern/regex.h"
#include "shadow/shadow.h"
#include "text/gbk.h"
#include "ui/main_form.h"
#include "ui/main_window.h"
#include "ui/version_file.h"

namespace lumetra {
namespace {

// The state the whole process shares; the job's own state lives in its collector.
struct ProcessState {
  std::unique_ptr<Regex> shared_regex = std::make_unique<Regex>();
  Text version_text;
  std::unique_ptr<Collector> collector;
  std::uintptr_t graphics_token = 0;  // the layer is never shut down
};

}  // namespace

int start(ui::Toolkit& toolkit, const StartOptions& options) {
  const SiteTable sites = options.sites ? *options.sites : built_in_sites();
  const std::filesystem::path program_dir =
      options.program_dir.empty() ? program_directory() : options.program_dir;
  const std::filesystem::path version_file =
      options.version_file.empty() ? ui::version_file_path() : options.version_file;

  ProcessState state;
  std::mutex collector_mutex;  // the clean-up may run on any thread
  toolkit.set_exit_cleanup([&] {
    {
      std::lock_guard lock(collector_mutex);
      // A running job ends at once, so the program does not wait on it.
      if (state.collector) state.collector->cancel();
    }
    // The job's texts and the shared regex are released once its threads have ended, when the
    // event loop is over: a thread of the job may still be reading them now.
    state.version_text.clear();
    state.version_text.shrink_to_fit();
    if (options.cleaned_up) options.cleaned_up();
  });

  // Started before any window exists; its result is not examined, as a failed start only leaves
  // the pictures empty.
  flat::StartupInput graphics_input;
  flat::GdiplusStartup(&state.graphics_token, &graphics_input, nullptr);

  std::vector<std::string> home_pages;
  for (const Site& site : sites.sites) home_pages.push_back(gbk_to_utf8(site.home_page));
  shadow::Shadows shadows(toolkit);  // the pool of shadow windows, their slots and sizes
  ui::SecondaryWindowSettings secondary;
  secondary.links = options.links;
  secondary.version_file = version_file;
  secondary.version_text = &state.version_text;
  secondary.extend_exit_confirmation = [&](ui::Form& f) { shadows.wire_exit_confirmation(f); };
  ui::register_secondary_windows(toolkit, std::move(secondary));
  toolkit.register_window(ui::window_kind::main, [&] {
    auto form = ui::make_main_form(sites.entries());
    // The window's own creation steps come before the job's.
    ui::MainWindowSettings settings;
    settings.home_pages = home_pages;
    settings.version_file = version_file;
    ui::bind_main_window(toolkit, *form, std::move(settings));
    shadows.wire_main_window(*form);
    std::lock_guard lock(collector_mutex);
    state.collector = std::make_unique<Collector>(toolkit, *form, sites, program_dir,
                                                  *state.shared_regex, options.collector);
    state.collector->bind();
    return form;
  });

  ui::Form* main = nullptr;
  toolkit.run_on_ui([&] {
    main = &toolkit.load(ui::window_kind::main);
    if (options.started) options.started(*main);
  });
  int code = toolkit.run(*main);

  {
    std::lock_guard lock(collector_mutex);
    state.collector.reset();  // waits for the job's threads
  }
  toolkit.set_exit_cleanup({});
  return code;
}

}  // namespace lumetra
