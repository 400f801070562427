// A label without a background of its own: its caption is drawn over whatever lies
// beneath it, sibling controls included, so an older, longer caption leaves no trace.
// The caption is kept as the program's text and only converted when it is drawn, so
// setting it many times a second costs next to nothing.
#pragma once

#include <QColor>
#include <QWidget>

#include "core/text.h"

namespace dorvane {

class TransparentLabel : public QWidget {
 public:
  // multi_line: starts at the top, wraps at the right edge and honours line breaks;
  // otherwise one vertically centred line.
  TransparentLabel(QWidget* parent, bool multi_line, QColor color);

  const Text& text() const { return text_; }
  // Returns false when the caption was already this text (nothing to redraw).
  bool set_text(const Text& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString display_text() const;

  Text text_;
  bool repaint_asked_ = false;  // spares a flood of captions the cost of asking each time
  bool multi_line_;
  QColor color_;
};

}  // namespace dorvane
