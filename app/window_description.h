// The main window's description: every control with its kind, page, place, size and
// initial text. The window is built from this table.
#pragma once

#include <span>

#include "core/window_ops.h"

namespace dorvane {

enum class ControlKind {
  kTabControl,
  kTransparentLabel,
  kEditBox,           // single line
  kMultiLineEditBox,  // wraps, grows downwards, no scroll bars
  kButton,
  kHyperlink,
  kLabel,
  kProgressBar,
  kTimer,
};

// The tab page a control sits on; kWindow for the controls of the window itself.
enum class Page { kWindow, kResolve, kDownload };

struct ControlDescription {
  Control control;
  const char* name;  // the control's name, also its objectName
  ControlKind kind;
  Page page;
  int left, top, width, height;  // on the window, or on the tab control for page controls
  const char* text;              // initial text or caption
};

inline constexpr int kWindowWidth = 437;  // outer size: frame and caption included
inline constexpr int kWindowHeight = 344;
inline constexpr char kWindowTitle[] = "Dorvane ";
inline constexpr char kResolvePageTitle[] = "解析中心";
inline constexpr char kDownloadPageTitle[] = "下载中心";
inline constexpr char kHyperlinkAddress[] = "https://www.example.com/forum/";

// In creation order: later controls lie above earlier ones, and Tab moves in this order.
std::span<const ControlDescription> main_window_controls();
const ControlDescription& control_description(Control control);

}  // namespace dorvane
