#pragma once

#include <QString>
#include <initializer_list>
#include <span>
#include <variant>

namespace vx {

using FormatArg = std::variant<QString, qint64>;

// The system's Format: %s, %d, %x and %% with optional "-", width and ".precision"
// (Delphi's rules: precision pads %d with zeros and cuts %s, counting UTF-16 units, but stops
// before a surrogate pair it would cut in two). The pattern is data, never a printf
// format; a wrong directive or a missing or mismatched argument raises vx::Error.
QString format(const QString& pattern, std::initializer_list<FormatArg> args);
QString format(const QString& pattern, std::span<const FormatArg> args);

// Locale-free decimal text of a number, whatever locale the process runs in.
QString formatNumber(qint64 value);
QString formatNumber(double value);

} // namespace vx
