// A caption shown as a link; pressing the left mouse button on it opens its address.
#pragma once

#include <QLabel>
#include <QString>

namespace dorvane {

class HyperlinkLabel : public QLabel {
 public:
  HyperlinkLabel(QWidget* parent, const QString& caption, const QString& address);
  const QString& address() const { return address_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString address_;
};

}  // namespace dorvane
