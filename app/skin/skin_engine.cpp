#include "app/skin/skin_engine.h"

#include <QApplication>
#include <QFile>
#include <optional>

#include "app/skin/skin_format.h"
#include "core/windows_path.h"

namespace {

using dorvane::skin::Aero;
using dorvane::skin::Skin;

std::optional<Skin>& attached_skin() {
  static std::optional<Skin> skin;
  return skin;
}

void apply(const Skin& skin, const Aero& aero) {
  const QMap<QString, QColor> colors = dorvane::skin::adjusted_colors(skin, aero);
  QApplication::setPalette(dorvane::skin::make_palette(colors));
  qApp->setStyleSheet(dorvane::skin::make_style_sheet(skin, colors, aero));
}

}  // namespace

extern "C" std::int32_t SkinH_AttachEx(const char* skin_path, const char* /*password*/) {
  if (skin_path == nullptr ||
      qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return 0;
  }
  QFile file(QString::fromStdString(dorvane::to_native_path(skin_path)));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  std::optional<Skin> skin = dorvane::skin::parse_skin(QString::fromUtf8(file.readAll()));
  if (!skin) return 0;
  attached_skin() = std::move(skin);
  apply(*attached_skin(), Aero{});
  return 1;
}

extern "C" std::int32_t SkinH_AdjustAero(std::int32_t glass, std::int32_t hue,
                                         std::int32_t saturation, std::int32_t radius,
                                         std::int32_t shade, std::int32_t reserved1,
                                         std::int32_t reserved2, std::int32_t reserved3,
                                         std::int32_t reserved4) {
  const int values[9] = {glass,     hue,       saturation, radius,   shade,
                         reserved1, reserved2, reserved3,  reserved4};
  const std::optional<Aero> aero = dorvane::skin::aero_from_values(values);
  if (!attached_skin() || !aero || qApp == nullptr) return 0;
  apply(*attached_skin(), *aero);
  return 1;
}
