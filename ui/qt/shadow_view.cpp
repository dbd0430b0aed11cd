#include "ui/qt/shadow_view.h"

#include <xcb/xcb.h>

#include <QBitmap>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <map>
#include <string>

#include "shadow/shadow.h"
#include "ui/qt/qt_toolkit.h"

namespace lumetra::ui::qt {
namespace {

xcb_connection_t* x11_connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// The screen number of DISPLAY ("host:display.screen"), as the connection was opened with.
int screen_number() {
  const QByteArray display = qgetenv("DISPLAY");
  const int colon = display.lastIndexOf(':');
  const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
  return dot < 0 ? 0 : display.mid(dot + 1).toInt();
}

// The child of the root window that holds `window`: the window manager's frame around it, or
// the window itself when nothing reparented it.
xcb_window_t top_level_of(xcb_connection_t* c, xcb_window_t window) {
  for (int depth = 0; depth < 16; ++depth) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (!tree) return window;
    const xcb_window_t parent = tree->parent, root = tree->root;
    std::free(tree);
    if (parent == root || parent == XCB_WINDOW_NONE) return window;
    window = parent;
  }
  return window;
}

QColor from_bgr(std::uint32_t bgr) {
  return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
}

// One shadow window on the screen.
class ShadowWindow : public QWidget {
 public:
  ShadowWindow(QtToolkit& toolkit, Form& form)
      : QWidget(nullptr, flags_for(false)), toolkit_(toolkit), form_(form) {
    setObjectName(QStringLiteral("shadow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

  // Re-reads the form and its layer and shows what they say.
  void sync() {
    if (retired_) return;
    const std::optional<shadow::Layer> layer = shadow::layer_of(form_);
    const Window win = toolkit_.window(form_);

    const bool click_through = layer && layer->click_through;
    if (click_through != click_through_) {
      click_through_ = click_through;
      const bool was_shown = isVisible();
      setWindowFlags(flags_for(click_through));  // hides the window; shown again below
      if (was_shown) show();
    }
    const QRect rect(win.left, win.top, win.width, win.height);
    if (geometry() != rect) setGeometry(rect);
    if (win.shape_picture != shape_bytes_) {
      shape_bytes_ = win.shape_picture;
      const QImage shape = QImage::fromData(reinterpret_cast<const uchar*>(shape_bytes_.data()),
                                            static_cast<int>(shape_bytes_.size()));
      if (shape.isNull())
        clearMask();
      else  // the pixels of the shape's colour are outside the window: the mask image marks
            // them with its index 1, which is white, and white bits are outside a QBitmap's region
        setMask(QBitmap::fromImage(
            shape.createMaskFromColor(from_bgr(win.shape_colour).rgb(), Qt::MaskInColor)));
    }
    const Bytes picture = layer ? layer->picture : Bytes{};
    if (picture != picture_bytes_) {
      picture_bytes_ = picture;
      image_ = QImage::fromData(reinterpret_cast<const uchar*>(picture.data()),
                                static_cast<int>(picture.size()))
                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
      update();
    }

    QWidget* owner = nullptr;
    if (layer && layer->owner && toolkit_.is_loaded(*layer->owner))
      owner = toolkit_.window_of(*layer->owner);
    if (owner != owner_) {
      if (owner_) owner_->removeEventFilter(this);
      owner_ = owner;
      if (owner_) owner_->installEventFilter(this);
    }
    // Shown only beside a shown owner, and only where translucent pixels are composited. A
    // minimise the program itself asks for reaches the form as no event, so the window's own
    // state counts too.
    const bool shown = layer && layer->shown && owner_ && owner_->isVisible() &&
                       !(owner_->windowState() & Qt::WindowMinimized) &&
                       compositing_manager_running();
    if (shown != isVisible()) setVisible(shown);
    if (shown) {
      restack();
      // The window manager may raise the owner only after telling it that it was activated.
      QTimer::singleShot(100, this, [this] { restack(); });
    }
  }

  void retire() {
    retired_ = true;
    if (owner_) owner_->removeEventFilter(this);
    hide();
    deleteLater();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    if (!image_.isNull()) p.drawImage(0, 0, image_);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // The owner appearing, going or being minimised brings the shadow with it.
    if (watched == owner_ && !retired_ &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
         event->type() == QEvent::WindowStateChange))
      QTimer::singleShot(0, this, [this] { sync(); });
    return QWidget::eventFilter(watched, event);
  }

 private:
  static Qt::WindowFlags flags_for(bool click_through) {
    // Unmanaged: a window manager's frame would take the clicks and the focus.
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    if (click_through) flags |= Qt::WindowTransparentForInput;
    return flags;
  }

  // Just below the owner's top-level frame: Qt cannot stack top-level windows, X11 can.
  void restack() {
    xcb_connection_t* c = x11_connection();
    if (!c || retired_ || !owner_ || !isVisible()) return;
    const xcb_window_t frame = top_level_of(c, static_cast<xcb_window_t>(owner_->winId()));
    const xcb_window_t self = top_level_of(c, static_cast<xcb_window_t>(winId()));
    if (frame == self) return;
    const std::uint32_t values[] = {frame, XCB_STACK_MODE_BELOW};
    xcb_configure_window(c, self, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(c);
  }

  QtToolkit& toolkit_;
  Form& form_;
  bool retired_ = false;
  bool click_through_ = false;
  Bytes shape_bytes_;
  Bytes picture_bytes_;
  QImage image_;
  QPointer<QWidget> owner_;
};

// UI thread. Never destroyed: a view may outlive its toolkit until the process ends.
std::map<const Form*, ShadowWindow*>& views() {
  static auto* all = new std::map<const Form*, ShadowWindow*>;
  return *all;
}

ShadowWindow* view(const Form& form) {
  auto it = views().find(&form);
  return it == views().end() ? nullptr : it->second;
}

}  // namespace

bool shadow_view_takes(QtToolkit& toolkit, const Change& change) {
  if (!change.form || !shadow::is_shadow_window(*change.form)) return false;
  Form* form = change.form;
  if (!toolkit.on_ui_thread()) {
    // The shadow is changed on the UI thread; anything else is carried there.
    toolkit.post([&toolkit, form] {
      if (ShadowWindow* w = view(*form); w && toolkit.is_loaded(*form)) w->sync();
    });
    return true;
  }
  switch (change.what) {
    case Change::What::loaded: {
      static const bool listening = [] {
        shadow::set_layer_listener([](Form& window) {
          if (ShadowWindow* w = view(window)) w->sync();
        });
        return true;
      }();
      (void)listening;
      if (ShadowWindow* old = view(*form)) old->retire();  // a form of a toolkit long gone
      auto* w = new ShadowWindow(toolkit, *form);
      views()[form] = w;
      w->sync();
      return true;
    }
    case Change::What::destroyed:
      if (ShadowWindow* w = view(*form)) w->retire();
      views().erase(form);
      return true;
    default:
      if (ShadowWindow* w = view(*form)) w->sync();
      return true;
  }
}

QWidget* shadow_view_of(const Form& window) {
  return view(window);
}

bool compositing_manager_running() {
  xcb_connection_t* c = x11_connection();
  if (!c) return false;
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen_number());
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
  if (!atom) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
  std::free(atom);
  const bool running = owner && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return running;
}

}  // namespace lumetra::ui::qt
