#include "app/qt_window_ops.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <algorithm>

#include "app/message_box.h"
#include "app/progress_bar.h"
#include "app/qt_text.h"
#include "app/transparent_label.h"
#include "app/window_description.h"

namespace dorvane {
namespace {

constexpr std::int32_t kMaxProgressPosition = 32767;
const char kDefaultBoxTitle[] = "信息：";

}  // namespace

Text QtWindowOps::control_text(Control control) {
  QWidget* widget = window_.control(control);
  switch (control_description(control).kind) {
    case ControlKind::kEditBox:
      return from_qstring(static_cast<QLineEdit*>(widget)->text());
    case ControlKind::kMultiLineEditBox:
      return from_qstring_lines(static_cast<QPlainTextEdit*>(widget)->toPlainText());
    case ControlKind::kButton:
      return from_qstring(static_cast<QPushButton*>(widget)->text());
    case ControlKind::kLabel:
    case ControlKind::kHyperlink:
      return from_qstring_lines(static_cast<QLabel*>(widget)->text());
    case ControlKind::kTransparentLabel:
      return static_cast<TransparentLabel*>(widget)->text();
    case ControlKind::kTabControl:
    case ControlKind::kProgressBar:
    case ControlKind::kTimer:
      break;
  }
  return {};
}

void QtWindowOps::set_control_text(Control control, const Text& text) {
  QWidget* widget = window_.control(control);
  switch (control_description(control).kind) {
    case ControlKind::kEditBox:
      static_cast<QLineEdit*>(widget)->setText(to_qstring(text));
      break;
    case ControlKind::kMultiLineEditBox:
      static_cast<QPlainTextEdit*>(widget)->setPlainText(to_qstring_lines(text));
      break;
    case ControlKind::kButton:
      static_cast<QPushButton*>(widget)->setText(to_qstring(text));
      break;
    case ControlKind::kLabel:
    case ControlKind::kHyperlink:
      static_cast<QLabel*>(widget)->setText(to_qstring_lines(text));
      break;
    case ControlKind::kTransparentLabel:
      if (static_cast<TransparentLabel*>(widget)->set_text(text)) changed(widget);
      break;
    case ControlKind::kTabControl:
    case ControlKind::kProgressBar:
    case ControlKind::kTimer:
      break;
  }
}

void QtWindowOps::append_control_text(Control control, const Text& text) {
  QWidget* widget = window_.control(control);
  const ControlKind kind = control_description(control).kind;
  if (kind == ControlKind::kMultiLineEditBox) {
    auto* edit = static_cast<QPlainTextEdit*>(widget);
    // Caret at the end with an empty selection, in view, then the text goes in there.
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    // An append cannot be undone.
    edit->setUndoRedoEnabled(false);
    cursor.insertText(to_qstring_lines(text));
    edit->setUndoRedoEnabled(true);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
  } else if (kind == ControlKind::kEditBox) {
    auto* edit = static_cast<QLineEdit*>(widget);
    edit->setText(edit->text() + to_qstring(text));  // also clears the undo history
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
  }
}

void QtWindowOps::set_progress_position(Control control, std::int32_t value) {
  if (control_description(control).kind != ControlKind::kProgressBar) return;
  auto* bar = static_cast<ProgressBar*>(window_.control(control));
  if (bar->set_position(std::clamp(value, 0, kMaxProgressPosition))) changed(bar);
}

void QtWindowOps::set_timer_period(Control control, std::int32_t milliseconds) {
  QTimer* timer = window_.timer(control);
  if (timer == nullptr) return;
  const int period = std::max(milliseconds, 0);
  const int current = timer->isActive() ? timer->interval() : 0;
  if (period == current) return;
  timer->stop();
  if (period > 0) timer->start(period);
}

std::int32_t QtWindowOps::message_box(const Text& text, std::int32_t style,
                                      const std::optional<Text>& title) {
  paint_pending();
  return show_message_box(text, style, title.value_or(Text(kDefaultBoxTitle)));
}

void QtWindowOps::changed(QWidget* widget) {
  if (std::find(unpainted_.begin(), unpainted_.end(), widget) == unpainted_.end()) {
    unpainted_.emplace_back(widget);
  }
  if (last_paint_.isValid() && last_paint_.elapsed() < kPaintIntervalMs) return;
  paint_pending();
}

void QtWindowOps::paint_pending() {
  for (const QPointer<QWidget>& widget : unpainted_) {
    if (widget != nullptr) widget->repaint();
  }
  unpainted_.clear();
  last_paint_.start();
}

}  // namespace dorvane
