// The program's one window: a tab control with the pages "解析中心" and "下载中心", the
// controls of both pages, the progress label over the tab control and the two timers, all
// built from the window's description. Each control's objectName is its name.
#pragma once

#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <array>

#include "app/window_description.h"
#include "core/window_ops.h"

namespace dorvane {

class MainWindow : public QWidget {
 public:
  MainWindow();

  // The control's widget, or nullptr for a timer.
  QWidget* control(Control control) const;
  // The timer, or nullptr for a control that is not one.
  QTimer* timer(Control control) const;
  QTabWidget* tab_control() const;

  // Places the window's outer frame at the centre of its screen.
  void centre_on_screen();

 protected:
  bool event(QEvent* event) override;

 private:
  // The description gives the outer size; the client area is what the frame leaves.
  void fit_outer_size();
  void show_page(int index);

  std::array<QObject*, static_cast<std::size_t>(Control::时钟1) + 1> objects_{};
};

}  // namespace dorvane
