// The window operations over the widgets of the main window.
//
// Painting is paced: a changed label or bar always holds its new value at once, but
// the window is painted at most every kPaintIntervalMs while a long handler keeps the
// event loop from running, so that a fast download is not slowed down by its own
// progress display. Whatever is still unpainted is painted before a message box shows.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "app/main_window.h"
#include "core/window_ops.h"

namespace dorvane {

class QtWindowOps : public WindowOps {
 public:
  static constexpr int kPaintIntervalMs = 16;  // about 60 paints a second at most

  explicit QtWindowOps(MainWindow& window) : window_(window) {}

  Text control_text(Control control) override;
  void set_control_text(Control control, const Text& text) override;
  void append_control_text(Control control, const Text& text) override;
  void set_progress_position(Control control, std::int32_t value) override;
  void set_timer_period(Control control, std::int32_t milliseconds) override;
  std::int32_t message_box(const Text& text, std::int32_t style,
                           const std::optional<Text>& title = std::nullopt) override;

  // Paints every control changed since the last paint.
  void paint_pending();

 private:
  // Notes a changed control and paints when the last paint is long enough ago.
  void changed(QWidget* widget);

  MainWindow& window_;
  QElapsedTimer last_paint_;
  std::vector<QPointer<QWidget>> unpainted_;
};

}  // namespace dorvane
