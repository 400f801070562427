// Closes the program's message boxes from a test: while it lives, every modal
// QMessageBox that shows up is recorded and then answered with a button.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <vector>

namespace dorvane::testing {

struct SeenBox {
  QString title;
  QString text;
  std::vector<QMessageBox::StandardButton> buttons;
  QMessageBox::Icon icon;
  Qt::WindowModality modality;
};

class BoxCloser {
 public:
  // `answer` picks the button to press; by default the first one.
  explicit BoxCloser(QMessageBox::StandardButton answer = QMessageBox::NoButton) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      SeenBox seen{box->windowTitle(), box->text(), {}, box->icon(), box->windowModality()};
      for (QAbstractButton* button : box->buttons()) {
        seen.buttons.push_back(box->standardButton(button));
      }
      if (on_box) on_box(seen);
      boxes.push_back(seen);
      QAbstractButton* button =
          answer != QMessageBox::NoButton ? box->button(answer) : box->buttons().value(0);
      button->click();
    });
    timer_.start();
  }

  std::vector<SeenBox> boxes;
  std::function<void(const SeenBox&)> on_box;  // runs while the box is still open

 private:
  QTimer timer_;
};

}  // namespace dorvane::testing
