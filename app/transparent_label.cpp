#include "app/transparent_label.h"

#include <QPainter>

#include "app/qt_text.h"

namespace dorvane {

TransparentLabel::TransparentLabel(QWidget* parent, bool multi_line, QColor color)
    : QWidget(parent), multi_line_(multi_line), color_(color) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

bool TransparentLabel::set_text(const Text& text) {
  if (text == text_) return false;
  text_ = text;
  if (!repaint_asked_) {
    repaint_asked_ = true;
    update();
  }
  return true;
}

QString TransparentLabel::display_text() const { return to_qstring_lines(text_); }

void TransparentLabel::paintEvent(QPaintEvent*) {
  repaint_asked_ = false;
  if (text_.empty()) return;
  QPainter painter(this);
  painter.setPen(color_);
  const int flags = multi_line_ ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap
                                : Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  painter.drawText(rect(), flags, display_text());
}

}  // namespace dorvane
