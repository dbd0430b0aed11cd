// The names of the main window's controls, shared by its form, its handlers and the collector,
// so a name is spelt in one place.
#pragma once

namespace lumetra::ui::main_window {

inline constexpr const char* title_bar = "图片框_标题栏";
inline constexpr const char* logo = "图片框1";
inline constexpr const char* title = "透明标签_标题";
inline constexpr const char* menu_button = "菜单";
inline constexpr const char* minimize_button = "最小化";
inline constexpr const char* close_button = "关闭";
inline constexpr const char* body = "画板_底面";
inline constexpr const char* tabs = "高级选择夹1";
inline constexpr const char* page1 = "高级选择夹1:1";
inline constexpr const char* page2 = "高级选择夹1:2";
inline constexpr const char* site_list = "组合框1";
inline constexpr const char* address_box = "编辑框_链接";
inline constexpr const char* start_button = "超级按钮_采集";
inline constexpr const char* start_frame = "标_13";
inline constexpr const char* open_site_button = "超级按钮_打开网页";
inline constexpr const char* open_site_frame = "标_1";
inline constexpr const char* chapter_list = "超级列表框_章节列表";
inline constexpr const char* body_pane = "编辑框_正文";
inline constexpr const char* total_label = "透明标签3";
inline constexpr const char* downloaded_label = "透明标签4";
inline constexpr const char* running_label = "透明标签2";
inline constexpr const char* timer = "时钟1";
inline constexpr const char* left_caption = "透明标签6";
inline constexpr const char* left_box = "编辑框_章节左侧";
inline constexpr const char* right_caption = "透明标签8";
inline constexpr const char* right_box = "编辑框_章节右侧";

}  // namespace lumetra::ui::main_window
