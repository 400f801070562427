#include "app/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <cstdio>

#include "app/qt_text.h"
#include "app/test_mode.h"
#include "core/codepage.h"

namespace dorvane {
namespace {

constexpr std::int32_t kErrorIconStyle = 0x10;

struct ButtonResult {
  QMessageBox::StandardButton button;
  std::int32_t result;
};
constexpr std::array kResults{
    ButtonResult{QMessageBox::Ok, 0},     ButtonResult{QMessageBox::Cancel, 1},
    ButtonResult{QMessageBox::Abort, 2},  ButtonResult{QMessageBox::Retry, 3},
    ButtonResult{QMessageBox::Ignore, 4}, ButtonResult{QMessageBox::Yes, 5},
    ButtonResult{QMessageBox::No, 6},
};

QMessageBox::StandardButtons buttons_of(std::int32_t style) {
  switch (style & 0xF) {
    case 1:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
      return QMessageBox::Yes | QMessageBox::No;
    case 5:
      return QMessageBox::Retry | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon icon_of(std::int32_t style) {
  switch (style & 0xF0) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

std::int32_t show_message_box(const Text& text, std::int32_t style, const Text& title) {
  QMessageBox box(icon_of(style), to_qstring(title), to_qstring_lines(text), buttons_of(style));
  // Task-modal and system-modal alike: every window of the program waits for the box.
  box.setWindowModality(Qt::ApplicationModal);
  const QList<QAbstractButton*> buttons = box.buttons();
  const int default_index = (style >> 8) & 0xF;
  if (default_index < buttons.size()) {
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons[default_index]));
  }
  if (test_autoclose()) {
    std::printf("message box: %s: %s\n", cp936_to_utf8(title).c_str(), cp936_to_utf8(text).c_str());
    std::fflush(stdout);
    QTimer::singleShot(0, &box, [&box] {
      QAbstractButton* button = box.defaultButton();
      (button != nullptr ? button : box.buttons().first())->click();
    });
  }
  box.exec();
  const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
  for (const ButtonResult& entry : kResults) {
    if (entry.button == pressed) return entry.result;
  }
  return 0;  // closed without a button: a box with only OK counts as OK
}

void present_fatal_box(const Text& title, const Text& text) {
  show_message_box(text, kErrorIconStyle, title);
}

}  // namespace dorvane
