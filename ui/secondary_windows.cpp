#include "ui/secondary_windows.h"

#include "text/gbk.h"
#include "ui/version_file.h"

namespace lumetra::ui {
namespace {
using K = ControlKind;

// Borderless, not in the taskbar, centred when loaded.
std::unique_ptr<Form> small_window(const char* name, int width, int height) {
  auto form = std::make_unique<Form>(name, width, height);
  Window& w = form->window();
  w.in_taskbar = false;
  w.centred = true;
  return form;
}

}  // namespace

std::unique_ptr<Form> make_menu_form() {
  using namespace menu_window;
  auto form = small_window("菜单窗口", 100, 116);
  form->window().closed_by_escape = true;
  form->add(make_control(border, K::shape_box, "", 0, 0, 100, 175, {}, "menu.border"));
  form->add(make_control(menu_window::body, K::canvas, "", 1, 1, 98, 119, {}, "menu.body"));
  form->add(make_control(check_update, K::button, body, 0, 5, 100, 26, gbk<"检查更新">()));
  form->add(make_control(feedback, K::button, body, 1, 31, 100, 26, gbk<"反馈建议">()));
  form->add(make_control(contact, K::button, body, 0, 57, 100, 26, gbk<"联系作者">()));
  form->add(make_control(about, K::button, body, 0, 85, 100, 26, gbk<"关于">()));
  return form;
}

std::unique_ptr<Form> make_exit_confirmation_form() {
  using namespace exit_window;
  auto form = small_window("退出确认", 360, 150);
  Window& w = form->window();
  w.topmost = true;
  w.draggable = true;
  w.close_control = close_button;
  form->add(make_control(title_bar, K::picture_box, "", 0, 0, 360, 36, {}, "confirm.title_bar"));
  form->add(make_control(caption, K::transparent_label, title_bar, 16, 8, 208, 24, gbk<"提示">()));
  Control close =
      make_control(close_button, K::picture_button, title_bar, 325, 4, 29, 29, {}, "button.close");
  close.tooltip = gbk<"关闭">();
  form->add(close);
  form->add(make_control(exit_window::body, K::canvas, "", 0, 36, 360, 114, {}, "confirm.body"));
  form->add(make_control(icon, K::picture_box, body, 32, 20, 16, 16, {}, "confirm.icon"));
  Control ask = make_control(question, K::transparent_label, body, 60, 17, 276, 54);
  ask.font.pixel_height = 14;
  form->add(ask);
  form->add(
      make_control(confirm_button, K::picture_button, body, 178, 80, 80, 26, {}, "confirm.ok"));
  form->add(
      make_control(cancel_picture, K::picture_box, body, 268, 80, 80, 26, {}, "confirm.cancel"));
  form->add(make_control(cancel_area, K::transparent_label, body, 268, 80, 80, 26));
  Control update = make_control(update_button, K::picture_button, body, 178, 80, 80, 26);
  update.visible = false;
  form->add(update);
  Control spare = make_control(spare_label, K::transparent_label, body, 268, 80, 80, 26);
  spare.visible = false;
  form->add(spare);
  return form;
}

std::unique_ptr<Form> make_about_form() {
  using namespace about_window;
  auto form = small_window("关于", 460, 280);
  Window& w = form->window();
  w.draggable = true;
  w.close_control = close_button;
  form->add(make_control(background, K::label, "", 1, 1, 458, 278, {}, "about.background"));
  form->add(make_control(logo, K::picture_box, "", 154, 25, 150, 150, {}, "about.logo"));
  Control version = make_control(version_line, K::transparent_label, "", 130, 182, 200, 24,
                                 gbk<"版本：1.0.0.0650">());
  version.font.pixel_height = 14;
  form->add(version);
  form->add(make_control(credits, K::transparent_label, "", 0, 221, 460, 24,
                         gbk<"Lumetra 网络小说下载工具">()));
  Control close = make_control(close_button, K::button, "", 425, 9, 26, 26, gbk<"×">());
  close.font = Font{"", 16, false};
  close.tooltip = gbk<"关闭">();
  form->add(close);
  return form;
}

void check_for_update(Toolkit& toolkit, Form& menu) {
  toolkit.message_box(gbk<"已是最新版本">());
  // On a desktop the box took the activation and the menu closed itself; where it did not, the
  // menu must not stay open behind it.
  toolkit.destroy(menu);
}

void open_link_from_menu(Toolkit& toolkit, Form& menu, const std::string& link) {
  toolkit.open_in_shell(link);
  toolkit.destroy(menu);
}

void open_about_from_menu(Toolkit& toolkit, Form& menu) {
  toolkit.load(window_kind::about);
  toolkit.destroy(menu);
}

void show_version(Toolkit& toolkit, Form& about, const std::filesystem::path& version_file,
                  Text& version_text) {
  using namespace about_window;
  version_text = read_ini_value(version_file, version_section, version_key);
  toolkit.set_text(about, credits, toolkit.text(about, credits) + " " + version_text);
  toolkit.set_text(about, version_line, gbk<"版本：">() + version_text);
}

void register_secondary_windows(Toolkit& toolkit, SecondaryWindowSettings settings) {
  struct Held : SecondaryWindowSettings {
    Text own_version_text;
  };
  auto shared = std::make_shared<Held>(Held{std::move(settings), {}});
  if (!shared->version_text) shared->version_text = &shared->own_version_text;
  Toolkit* tk = &toolkit;

  toolkit.register_window(window_kind::menu, [tk, shared] {
    using namespace menu_window;
    auto form = make_menu_form();
    Form* f = form.get();
    f->on("", Event::deactivated, [tk, f] { tk->destroy(*f); });
    f->on(check_update, Event::clicked, [tk, f] { check_for_update(*tk, *f); });
    f->on(feedback, Event::clicked,
          [tk, f, shared] { open_link_from_menu(*tk, *f, shared->links.feedback); });
    f->on(contact, Event::clicked,
          [tk, f, shared] { open_link_from_menu(*tk, *f, shared->links.contact); });
    f->on(about, Event::clicked, [tk, f] { open_about_from_menu(*tk, *f); });
    return form;
  });

  toolkit.register_window(window_kind::exit_confirmation, [tk, shared] {
    using namespace exit_window;
    auto form = make_exit_confirmation_form();
    Form* f = form.get();
    f->on(confirm_button, Event::clicked, [tk] { tk->exit(0); });
    f->on(cancel_area, Event::left_button_pressed, [tk, f] { tk->destroy(*f); });
    f->on(close_button, Event::clicked, [tk, f] { tk->destroy(*f); });
    if (shared->extend_exit_confirmation) shared->extend_exit_confirmation(*f);
    return form;
  });

  toolkit.register_window(window_kind::about, [tk, shared] {
    using namespace about_window;
    auto form = make_about_form();
    Form* f = form.get();
    f->on("", Event::created,
          [tk, f, shared] { show_version(*tk, *f, shared->version_file, *shared->version_text); });
    f->on(close_button, Event::clicked, [tk, f] { tk->destroy(*f); });
    return form;
  });
}

}  // namespace lumetra::ui
