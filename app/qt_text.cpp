#include "app/qt_text.h"

#include "core/codepage.h"

namespace dorvane {

QString to_qstring(std::string_view text) {
  return QString::fromStdU16String(cp936_to_utf16(text));
}

Text from_qstring(const QString& text) {
  return utf16_to_cp936(text.toStdU16String());
}

QString to_qstring_lines(std::string_view text) {
  QString result = to_qstring(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

Text from_qstring_lines(const QString& text) {
  QString windows = text;
  windows.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return from_qstring(windows);
}

}  // namespace dorvane
