// The window operations through which the commands read and write the controls
// of the main window and show message boxes. The application implements them
// over its widgets; tests implement them over plain texts. All texts are code
// page 936.
#pragma once

#include <cstdint>
#include <optional>

#include "core/text.h"

namespace dorvane {

// The controls, named as in the window's description.
enum class Control {
  选择夹1,
  透明标签1,
  编辑框_地址,
  按钮1,
  编辑框_解析,
  超级链接框1,
  透明标签2,
  透明标签3,
  时钟2,
  标签2,
  编辑框_路径,
  标签3,
  编辑框_名称,
  进度条1,
  下载,
  透明标签4,
  时钟1,
};

class WindowOps {
 public:
  virtual ~WindowOps() = default;
  // The control's current text as the user sees it.
  virtual Text control_text(Control control) = 0;
  // Replaces an edit box's whole content, or a label's caption.
  virtual void set_control_text(Control control, const Text& text) = 0;
  // Adds text at the end of an edit box's content, whatever the caret or selection.
  virtual void append_control_text(Control control, const Text& text) = 0;
  virtual void set_progress_position(Control control, std::int32_t value) = 0;
  virtual void set_timer_period(Control control, std::int32_t milliseconds) = 0;
  // A modal box; the title "信息：" when none is given. Returns the button pressed.
  virtual std::int32_t message_box(const Text& text, std::int32_t style,
                                   const std::optional<Text>& title = std::nullopt) = 0;
};

}  // namespace dorvane
