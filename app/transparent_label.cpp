#include "app/transparent_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

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

QString TransparentLabel::display_text() const {
  return to_qstring_lines(text_);
}

void TransparentLabel::paintEvent(QPaintEvent*) {
  repaint_asked_ = false;
  if (text_.empty()) return;
  QPainter painter(this);
  painter.setPen(color_);
  if (!multi_line_) {
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, display_text());
    return;
  }
  // Lines set as closely as the default GUI font sets them on the system the layout was
  // made for, so that the progress report's four lines fit the label's 54 pixels.
  const QFontMetrics metrics(font());
  const int pitch = std::min(metrics.lineSpacing(), metrics.ascent() + 2);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int top = 0;
  for (const QString& paragraph : display_text().split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, font());
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width());
      line.setPosition(QPointF(0, top));
      top += pitch;
    }
    layout.endLayout();
    layout.draw(&painter, QPointF(0, 0));
  }
}

}  // namespace dorvane
