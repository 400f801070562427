#include "app/hyperlink_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace dorvane {

HyperlinkLabel::HyperlinkLabel(QWidget* parent, const QString& caption, const QString& address)
    : QLabel(caption, parent), address_(address) {
  setTextFormat(Qt::PlainText);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
  setToolTip(address);
  setStyleSheet(
      QStringLiteral("color: #0645ad; text-decoration: underline; background: transparent;"));
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QLabel::mousePressEvent(event);
  // The desktop's own opener (xdg-open) stands for the shell's "open"; a failure is not reported.
  QDesktopServices::openUrl(QUrl(address_));
}

}  // namespace dorvane
