#include "app/skin/skin_format.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <array>

namespace dorvane::skin {
namespace {

struct PaletteColor {
  const char* name;
  QPalette::ColorRole role;
};
constexpr std::array kPaletteColors{
    PaletteColor{"window", QPalette::Window},
    PaletteColor{"window_text", QPalette::WindowText},
    PaletteColor{"base", QPalette::Base},
    PaletteColor{"text", QPalette::Text},
    PaletteColor{"button", QPalette::Button},
    PaletteColor{"button_text", QPalette::ButtonText},
    PaletteColor{"accent", QPalette::Highlight},
    PaletteColor{"highlighted_text", QPalette::HighlightedText},
    PaletteColor{"link", QPalette::Link},
};

const QRegularExpression& placeholder() {
  static const QRegularExpression pattern(QString::fromLatin1("\\$\\{([a-z_]+)\\}"));
  return pattern;
}

QColor mix(const QColor& a, const QColor& b, double share_of_b) {
  const auto channel = [share_of_b](int x, int y) {
    return static_cast<int>(x + (y - x) * share_of_b + 0.5);
  };
  return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                channel(a.blue(), b.blue()));
}

}  // namespace

std::optional<Skin> parse_skin(const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  Skin skin;
  enum class Section { kHead, kColors, kStyle } section = Section::kHead;
  bool signed_in = false;
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (section == Section::kStyle) {
      skin.style_template += line + QLatin1Char('\n');
      continue;
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) continue;
    if (!signed_in) {
      if (trimmed != QLatin1String("DorvaneSkin 1")) return std::nullopt;
      signed_in = true;
    } else if (trimmed == QLatin1String("[colors]")) {
      section = Section::kColors;
    } else if (trimmed == QLatin1String("[style]")) {
      section = Section::kStyle;
    } else {
      const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
      if (equals < 1) return std::nullopt;
      const QString key = trimmed.left(equals).trimmed();
      const QString value = trimmed.mid(equals + 1).trimmed();
      if (section == Section::kHead) {
        if (key != QLatin1String("name")) return std::nullopt;
        skin.name = value;
      } else {
        const QColor color(value);
        if (!value.startsWith(QLatin1Char('#')) || value.size() != 7 || !color.isValid()) {
          return std::nullopt;
        }
        skin.colors.insert(key, color);
      }
    }
  }
  for (const PaletteColor& entry : kPaletteColors) {
    if (!skin.colors.contains(QLatin1String(entry.name))) return std::nullopt;
  }
  // Every value the style names must exist, so a typo cannot leave a property empty.
  for (const QRegularExpressionMatch& match : placeholder().globalMatch(skin.style_template)) {
    const QString key = match.captured(1);
    if (key != QLatin1String("radius") && !skin.colors.contains(key)) return std::nullopt;
  }
  if (!signed_in) return std::nullopt;
  return skin;
}

std::optional<Aero> aero_from_values(const int (&values)[9]) {
  const Aero aero{values[0], values[1], values[2], values[3], values[4]};
  const bool in_range = aero.glass >= 0 && aero.glass <= 255 && aero.hue >= 0 && aero.hue < 360 &&
                        aero.saturation >= -100 && aero.saturation <= 100 && aero.radius >= 0 &&
                        aero.radius <= 8 && aero.shade >= -100 && aero.shade <= 100;
  const bool reserved_zero = std::all_of(values + 5, values + 9, [](int v) { return v == 0; });
  if (!in_range || !reserved_zero) return std::nullopt;
  return aero;
}

QMap<QString, QColor> adjusted_colors(const Skin& skin, const Aero& aero) {
  QMap<QString, QColor> colors = skin.colors;
  const QString accent_key = QString::fromLatin1("accent");
  const QString window_key = QString::fromLatin1("window");
  QColor accent = colors.value(accent_key).toHsv();
  const int saturation = std::clamp(accent.hsvSaturation() * (100 + aero.saturation) / 100, 0, 255);
  const int hue = accent.hsvHue() < 0 ? 0 : (accent.hsvHue() + aero.hue) % 360;
  accent.setHsv(hue, saturation, accent.value());
  colors.insert(accent_key, accent.toRgb());
  // Full glass gives the window background a fifth of the accent colour.
  QColor window = mix(colors.value(window_key), accent.toRgb(), aero.glass / 255.0 * 0.2);
  window = aero.shade >= 0 ? mix(window, Qt::black, aero.shade / 100.0)
                           : mix(window, Qt::white, -aero.shade / 100.0);
  colors.insert(window_key, window);
  return colors;
}

QPalette make_palette(const QMap<QString, QColor>& colors) {
  QPalette palette;
  for (const PaletteColor& entry : kPaletteColors) {
    palette.setColor(entry.role, colors.value(QLatin1String(entry.name)));
  }
  return palette;
}

QString make_style_sheet(const Skin& skin, const QMap<QString, QColor>& colors, const Aero& aero) {
  QString sheet;
  qsizetype copied = 0;
  for (const QRegularExpressionMatch& match : placeholder().globalMatch(skin.style_template)) {
    sheet += skin.style_template.mid(copied, match.capturedStart() - copied);
    const QString key = match.captured(1);
    sheet +=
        key == QLatin1String("radius") ? QString::number(aero.radius) : colors.value(key).name();
    copied = match.capturedEnd();
  }
  sheet += skin.style_template.mid(copied);
  return sheet;
}

}  // namespace dorvane::skin
