// A progress bar that keeps the position it was given, which may lie beyond its range,
// and shows it limited to that range. A change does not paint at once: the window
// operations decide when to paint.
#pragma once

#include <QProgressBar>
#include <cstdint>

namespace dorvane {

class ProgressBar : public QProgressBar {
 public:
  explicit ProgressBar(QWidget* parent);

  std::int32_t position() const { return position_; }
  // Returns true when what the bar shows changed.
  bool set_position(std::int32_t position);

 private:
  std::int32_t position_ = 0;
};

}  // namespace dorvane
