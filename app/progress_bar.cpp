#include "app/progress_bar.h"

#include <algorithm>

namespace dorvane {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(false);
  setOrientation(Qt::Horizontal);
}

bool ProgressBar::set_position(std::int32_t position) {
  position_ = position;
  const int shown = std::clamp(position, minimum(), maximum());
  if (value() == shown) return false;
  // QProgressBar paints at once on a visible change; with updates off it only asks for it.
  setUpdatesEnabled(false);
  setValue(shown);
  setUpdatesEnabled(true);
  return true;
}

}  // namespace dorvane
