// Texts crossing between the program (code page 936) and Qt (UTF-16).
#pragma once

#include <QString>
#include <string_view>

#include "core/text.h"

namespace dorvane {

QString to_qstring(std::string_view text);
Text from_qstring(const QString& text);

// A Windows line break ("\r\n") and a lone "\r" become "\n", which Qt draws as a line break.
QString to_qstring_lines(std::string_view text);
// Every "\n" becomes "\r\n", as a Windows edit box reports its lines.
Text from_qstring_lines(const QString& text);

}  // namespace dorvane
