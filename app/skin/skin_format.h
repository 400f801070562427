// The skin file format of the skin engine: a small text file.
//
//   ; a comment
//   DorvaneSkin 1            first line: the format and its version
//   name = Win8
//   [colors]                 named colours, "#rrggbb"
//   window = #f0f0f0
//   ...
//   [style]                  a Qt style sheet; ${colour} and ${radius} are filled in
//   QPushButton { background: ${button}; border-radius: ${radius}px; }
//
// The colours window, window_text, base, text, button, button_text, accent,
// highlighted_text and link are required: they make the application's palette.
#pragma once

#include <QColor>
#include <QMap>
#include <QPalette>
#include <QString>
#include <optional>

namespace dorvane::skin {

struct Skin {
  QString name;
  QMap<QString, QColor> colors;
  QString style_template;
};

// The nine values of SkinH_AdjustAero, as this engine reads them.
struct Aero {
  int glass = 0;       // 0..255: how strongly the window background takes the accent colour
  int hue = 0;         // 0..359: degrees added to the accent's hue
  int saturation = 0;  // -100..100: percent change of the accent's saturation
  int radius = 0;      // 0..8: corner radius of buttons, tabs and bars, in pixels
  int shade = 0;       // -100..100: percent by which the window background is darkened
};

// nullopt when the text is not a skin file, a colour is malformed or missing, or the
// style names a value the skin does not have.
std::optional<Skin> parse_skin(const QString& text);

// nullopt when a value is out of range or one of the four reserved values is not 0.
std::optional<Aero> aero_from_values(const int (&values)[9]);

// The skin's colours after the aero adjustment.
QMap<QString, QColor> adjusted_colors(const Skin& skin, const Aero& aero);
QPalette make_palette(const QMap<QString, QColor>& colors);
QString make_style_sheet(const Skin& skin, const QMap<QString, QColor>& colors, const Aero& aero);

}  // namespace dorvane::skin
