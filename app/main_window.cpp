#include "app/main_window.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "app/hyperlink_label.h"
#include "app/progress_bar.h"
#include "app/qt_text.h"
#include "app/transparent_label.h"

namespace dorvane {
namespace {

constexpr std::size_t index_of(Control control) {
  return static_cast<std::size_t>(control);
}

// White, black text, a one-pixel single-line border: the form's own setting, kept under any skin.
const char kEditBoxStyle[] =
    "%1 { border: 1px solid #7a7a7a; background: #ffffff; color: #000000; padding: 0 2px; }";

QWidget* make_widget(const ControlDescription& description, QWidget* parent) {
  const QString text = to_qstring(description.text);
  switch (description.kind) {
    case ControlKind::kEditBox: {
      auto* edit = new QLineEdit(text, parent);
      edit->setStyleSheet(QString::fromLatin1(kEditBoxStyle).arg(QStringLiteral("QLineEdit")));
      return edit;
    }
    case ControlKind::kMultiLineEditBox: {
      auto* edit = new QPlainTextEdit(text, parent);
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setTabChangesFocus(true);
      edit->setStyleSheet(QString::fromLatin1(kEditBoxStyle).arg(QStringLiteral("QPlainTextEdit")));
      return edit;
    }
    case ControlKind::kButton:
      return new QPushButton(text, parent);
    case ControlKind::kHyperlink:
      return new HyperlinkLabel(parent, text, to_qstring(kHyperlinkAddress));
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kTransparentLabel: {
      const bool magenta = description.control == Control::透明标签3;
      auto* label = new TransparentLabel(parent, description.control == Control::透明标签1,
                                         magenta ? QColor(255, 0, 255) : QColor(0, 0, 0));
      label->set_text(description.text);
      return label;
    }
    case ControlKind::kProgressBar:
      return new ProgressBar(parent);
    case ControlKind::kTabControl:
    case ControlKind::kTimer:
      break;
  }
  return nullptr;
}

}  // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
  setWindowTitle(to_qstring(kWindowTitle));
  // The stand-in for the system's default GUI font: its family, at the 12-pixel size the
  // layout was made for.
  QFont gui_font = font();
  gui_font.setPixelSize(12);
  setFont(gui_font);

  QTabWidget* tabs = nullptr;
  for (const ControlDescription& description : main_window_controls()) {
    QObject* object = nullptr;
    if (description.kind == ControlKind::kTabControl) {
      tabs = new QTabWidget(this);
      tabs->setTabPosition(QTabWidget::North);
      tabs->addTab(new QWidget, to_qstring(kResolvePageTitle));
      tabs->addTab(new QWidget, to_qstring(kDownloadPageTitle));
      tabs->setGeometry(description.left, description.top, description.width, description.height);
      object = tabs;
    } else if (description.kind == ControlKind::kTimer) {
      object = new QTimer(this);
    } else {
      // Page controls are children of the tab control itself, placed in its coordinates.
      QWidget* parent = description.page == Page::kWindow ? static_cast<QWidget*>(this) : tabs;
      QWidget* widget = make_widget(description, parent);
      widget->setGeometry(description.left, description.top, description.width, description.height);
      const bool takes_focus = description.kind == ControlKind::kEditBox ||
                               description.kind == ControlKind::kMultiLineEditBox ||
                               description.kind == ControlKind::kButton;
      widget->setFocusPolicy(takes_focus ? Qt::StrongFocus : Qt::NoFocus);
      object = widget;
    }
    object->setObjectName(to_qstring(description.name));
    objects_[index_of(description.control)] = object;
  }
  connect(tabs, &QTabWidget::currentChanged, this, [this](int index) { show_page(index); });
  tabs->setCurrentIndex(0);
  show_page(0);
  fit_outer_size();
}

QWidget* MainWindow::control(Control control) const {
  return qobject_cast<QWidget*>(objects_[index_of(control)]);
}

QTimer* MainWindow::timer(Control control) const {
  return qobject_cast<QTimer*>(objects_[index_of(control)]);
}

QTabWidget* MainWindow::tab_control() const {
  return static_cast<QTabWidget*>(objects_[index_of(Control::选择夹1)]);
}

void MainWindow::centre_on_screen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  // move() places the outer frame of a window.
  move(area.x() + (area.width() - kWindowWidth) / 2,
       area.y() + (area.height() - kWindowHeight) / 2);
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The frame's size is only known once the window manager has framed the window.
  if (event->type() == QEvent::Show || event->type() == QEvent::Move ||
      event->type() == QEvent::WindowActivate) {
    fit_outer_size();
  }
  return handled;
}

void MainWindow::fit_outer_size() {
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize client(kWindowWidth - frame.width(), kWindowHeight - frame.height());
  if (minimumSize() != client || maximumSize() != client) setFixedSize(client);
}

void MainWindow::show_page(int index) {
  for (const ControlDescription& description : main_window_controls()) {
    if (description.page == Page::kWindow || description.kind == ControlKind::kTimer) continue;
    const bool on_page = (description.page == Page::kResolve) == (index == 0);
    control(description.control)->setVisible(on_page);
  }
}

}  // namespace dorvane
