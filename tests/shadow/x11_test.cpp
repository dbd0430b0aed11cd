// The shadow on a real X server, with a window manager (openbox) and a compositing manager
// (xcompmgr) as on a desktop: clicks on its band reach the window beneath, and it stays just below
// its owner when the owner is raised. The test starts its own Xvfb and skips, saying why, when
// Xvfb is not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shadow/shadow.h"
#include "tests/shadow/sanitizers.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/shadow_view.h"

extern char** environ;

namespace lumetra::shadow {
namespace {

std::string skip_reason;  // set by main when there is no X server to test against

bool wait_until(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

xcb_connection_t* connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The child of the root that holds the window: its window manager frame, or itself.
xcb_window_t top_level(xcb_window_t window) {
  for (;;) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
    if (!tree) return window;
    const xcb_window_t parent = tree->parent, root = tree->root;
    std::free(tree);
    if (parent == root) return window;
    window = parent;
  }
}

// Position of the widget's top-level window in the root's stacking order (0 is the bottom).
int stacking_index(QWidget* w) {
  const xcb_window_t frame = top_level(static_cast<xcb_window_t>(w->winId()));
  xcb_connection_t* c = connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
  if (!tree) return -1;
  const xcb_window_t* children = xcb_query_tree_children(tree);
  const int count = xcb_query_tree_children_length(tree);
  const int index = static_cast<int>(std::find(children, children + count, frame) - children);
  std::free(tree);
  return index < count ? index : -1;
}

// Runs a program to its end, its output dropped. Spawned rather than forked: the test runs
// threads of Qt's, and a forked child of a threaded process may not start any of its own.
pid_t spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed ? 0 : pid;
}
void run(std::vector<std::string> args) {
  if (pid_t pid = spawn(std::move(args)); pid > 0) waitpid(pid, nullptr, 0);
}

// True when both windows are on the screen and the first lies above the second.
bool above(QWidget* a, QWidget* b) {
  const int ia = stacking_index(a), ib = stacking_index(b);
  return ia >= 0 && ib >= 0 && ia > ib;
}

// A plain window that counts the presses that reach it.
class Beneath : public QWidget {
 public:
  Beneath() {
    setWindowTitle(QStringLiteral("beneath"));
    setGeometry(100, 100, 700, 600);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x3080c0));
    setPalette(p);
    setAutoFillBackground(true);
  }
  int presses = 0;
  QPoint last;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    ++presses;
    last = e->globalPosition().toPoint();
  }
};

// An owner window of 300 x 200 with a shadow of 20, over a window beneath it.
class X11Shadow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skip_reason.empty()) GTEST_SKIP() << skip_reason;
    ASSERT_TRUE(wait_until([] { return ui::qt::compositing_manager_running(); }))
        << "xcompmgr did not take the compositing selection";
    beneath_window = std::make_unique<Beneath>();
    Beneath& beneath = *beneath_window;
    // A window mapped while the window manager is still starting is sometimes left unframed;
    // mapping it again lets the manager take it.
    bool framed = false;
    for (int attempt = 0; attempt < 4 && !framed; ++attempt) {
      beneath.show();
      framed = wait_until([&] { return top_level(beneath.winId()) != beneath.winId(); }, 2000);
      if (!framed) beneath.hide();
    }
    ASSERT_TRUE(framed) << "the window manager did not frame the window beneath";
    toolkit = std::make_unique<ui::qt::QtToolkit>();
    shadows_of_test = std::make_unique<Shadows>(*toolkit);
    ui::qt::QtToolkit& tk = *toolkit;
    Shadows& shadows = *shadows_of_test;
    auto form = std::make_unique<ui::Form>("owner", 300, 200);
    form->window().centred = false;
    form->window().left = 300;
    form->window().top = 300;
    shadows.wire_main_window(*form, 20);
    owner = &tk.load(std::move(form));
    pool = shadows.shadow_window_of(shadows.main_shadow_window);
    ASSERT_NE(pool, nullptr);
    view = ui::qt::shadow_view_of(*pool);
    owner_window = tk.window_of(*owner);
    ASSERT_TRUE(view && owner_window);
    ASSERT_TRUE(wait_until([&] { return view->isVisible() && owner_window->isVisible(); }))
        << "the shadow was not shown";
    // Settled: the owner framed by the window manager and its shadow just below it.
    ASSERT_TRUE(wait_until([&] {
      return top_level(owner_window->winId()) != owner_window->winId();
    })) << "the window manager did not frame the owner";
    // The window manager may still lift the window beneath over the newer owner: then the owner
    // is activated again, as a person would click it.
    for (int attempt = 0; attempt < 5 && !above(owner_window, beneath_window.get()); ++attempt) {
      activate(owner_window);
      wait_until([&] { return above(owner_window, beneath_window.get()); }, 1000);
    }
    ASSERT_TRUE(above(owner_window, beneath_window.get()));
    ASSERT_TRUE(wait_until([&] { return just_below_owner(); }));
  }
  static void activate(QWidget* w) {
    run({"xdotool", "windowactivate", std::to_string(w->winId())});
  }
  // True once the shadow lies directly below its owner's frame.
  bool just_below_owner() {
    const int shadow = stacking_index(view), owner_at = stacking_index(owner_window);
    return shadow >= 0 && shadow == owner_at - 1;
  }

  void TearDown() override {
    if (shadows_of_test) {
      shadows_of_test->detach_shadow(shadows_of_test->main_shadow_window);
      if (owner) toolkit->destroy(*owner);
    }
    shadows_of_test.reset();
    toolkit.reset();
    beneath_window.reset();
  }

  std::unique_ptr<Beneath> beneath_window;
  std::unique_ptr<ui::qt::QtToolkit> toolkit;
  std::unique_ptr<Shadows> shadows_of_test;
  ui::Form* owner = nullptr;
  ui::Form* pool = nullptr;
  QWidget* view = nullptr;
  QWidget* owner_window = nullptr;
};

TEST_F(X11Shadow, AClickOnTheBandReachesTheWindowBeneath) {
  Beneath& beneath = *beneath_window;
  // The shadow covers the window beneath there, so only a click-through lets the press pass.
  ASSERT_TRUE(above(view, &beneath));
  const QRect band = view->geometry();
  const ui::Rect at = toolkit->window_rect(*owner);
  EXPECT_EQ(band, QRect(at.left - 20, at.top - 20, at.width + 40, at.height + 40));
  const QPoint point(band.left() + 10, band.center().y());
  ASSERT_TRUE(beneath.geometry().contains(point));
  ASSERT_TRUE(view->mask().contains(point - band.topLeft()));  // the band is there, not cut out

  run({"xdotool", "mousemove", "5", "5", "sleep", "0.2", "mousemove", std::to_string(point.x()),
       std::to_string(point.y()), "sleep", "0.2", "click", "1"});
  EXPECT_TRUE(wait_until([&] { return beneath.presses == 1; }, 3000))
      << "the press did not reach the window beneath the shadow";
  EXPECT_EQ(beneath.last, point);
}

TEST_F(X11Shadow, StaysJustBelowItsOwnerWhenTheOwnerIsRaised) {
  Beneath& beneath = *beneath_window;
  // Another window comes over both, then the owner is raised again as a person would.
  beneath.raise();
  beneath.activateWindow();
  ASSERT_TRUE(wait_until([&] { return above(&beneath, owner_window); }));
  EXPECT_TRUE(above(&beneath, view));

  activate(owner_window);
  ASSERT_TRUE(wait_until([&] { return above(owner_window, &beneath); }))
      << "the window manager did not raise the owner";
  EXPECT_TRUE(wait_until([&] { return just_below_owner(); }, 2000))
      << "shadow at " << stacking_index(view) << ", owner at " << stacking_index(owner_window);
  EXPECT_TRUE(above(view, &beneath));
  EXPECT_TRUE(view->isVisible());
}

TEST_F(X11Shadow, GoesWhileItsOwnerIsMinimisedAndComesBackWithIt) {
  // As the title bar's 最小化 does it: the program asks, the window system minimises.
  toolkit->set_window_state(*owner, ui::WindowState::minimised);
  ASSERT_TRUE(wait_until([&] { return owner_window->isMinimized(); }));
  EXPECT_TRUE(wait_until([&] { return !view->isVisible(); }, 2000));

  // As a click on its taskbar entry: the window manager is asked to activate it.
  bool restored = false;
  for (int attempt = 0; attempt < 5 && !restored; ++attempt) {
    activate(owner_window);
    restored = wait_until([&] { return !owner_window->isMinimized(); }, 1000);
  }
  ASSERT_TRUE(restored) << "the window manager did not restore the owner";
  EXPECT_TRUE(wait_until([&] { return view->isVisible() && just_below_owner(); }, 2000));
  const ui::Rect at = toolkit->window_rect(*owner);
  EXPECT_EQ(view->geometry(), QRect(at.left - 20, at.top - 20, at.width + 40, at.height + 40));
}

// Xvfb, openbox and xcompmgr for the life of the test program.
class Desktop {
 public:
  ~Desktop() {
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
      kill(*it, SIGTERM);
      waitpid(*it, nullptr, 0);
    }
  }
  // The display name, or empty with `why` set.
  std::string start(std::string& why) {
    int fds[2];
    if (pipe(fds) != 0) return why = "no pipe", "";
    const std::string fd = std::to_string(fds[1]);
    const pid_t xvfb =
        spawn({"Xvfb", "-displayfd", fd, "-screen", "0", "1280x900x24", "-nolisten", "tcp"});
    close(fds[1]);
    if (xvfb <= 0) {
      close(fds[0]);
      return why = "Xvfb is not installed: the X11 shadow tests need it (scripts/setup)", "";
    }
    std::string number;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    if (number.empty()) return why = "Xvfb did not start", "";
    const std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    if (spawn({"openbox", "--sm-disable"}) <= 0) return why = "openbox is not installed", "";
    if (spawn({"xcompmgr"}) <= 0) return why = "xcompmgr is not installed", "";
    if (!ready(display)) return why = "openbox or xcompmgr did not take the screen", "";
    return display;
  }

 private:
  pid_t spawn(std::vector<std::string> args) {
    const pid_t pid = lumetra::shadow::spawn(std::move(args));
    if (pid > 0) pids_.push_back(pid);
    return pid;
  }
  // True once a window manager announces itself on the root and a compositing manager owns
  // the screen's selection, so the tests start on a settled desktop.
  static bool ready(const std::string& display) {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display.c_str(), &screen);
    if (xcb_connection_has_error(c)) return xcb_disconnect(c), false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto atom = [&](const std::string& name) {
      xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
          c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
      const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
      std::free(r);
      return a;
    };
    const xcb_atom_t wm_check = atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t cm = atom("_NET_WM_CM_S" + std::to_string(screen));
    bool settled = false;
    for (int i = 0; i < 200 && !settled; ++i) {
      xcb_get_property_reply_t* p = xcb_get_property_reply(
          c, xcb_get_property(c, 0, root, wm_check, XCB_ATOM_WINDOW, 0, 1), nullptr);
      const bool wm = p && xcb_get_property_value_length(p) > 0;
      std::free(p);
      xcb_get_selection_owner_reply_t* o =
          xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, cm), nullptr);
      const bool composited = o && o->owner != XCB_WINDOW_NONE;
      std::free(o);
      settled = wm && composited;
      if (!settled) usleep(50 * 1000);
    }
    xcb_disconnect(c);
    return settled;
  }

  std::vector<pid_t> pids_;
};

}  // namespace
}  // namespace lumetra::shadow

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  lumetra::shadow::Desktop desktop;
  if (desktop.start(lumetra::shadow::skip_reason).empty()) {
    std::fprintf(stderr, "x11 shadow tests skipped: %s\n", lumetra::shadow::skip_reason.c_str());
    return RUN_ALL_TESTS();
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
