#include "NumberText.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace numbertext {

std::optional<double> parse(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!number.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

namespace {
std::optional<double> roundedHalfEven(const QString& text) {
    auto v = parse(text);
    if (!v) return std::nullopt;
    return std::nearbyint(*v);  // default rounding mode: to nearest, halves to even
}
}  // namespace

std::optional<std::uint16_t> portFromSetting(const QString& text) {
    auto v = roundedHalfEven(text);
    if (!v || *v < 0 || *v > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

std::optional<std::int32_t> transferTypeFromSetting(const QString& text) {
    auto v = roundedHalfEven(text);
    if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

PortChoice portFromTyped(const QString& typed) {
    const PortChoice fallback{QStringLiteral("21"), 21};
    auto v = parse(typed);
    if (!v) return fallback;
    const double whole = std::floor(*v);
    if (whole < 1 || whole > 65535) return fallback;
    return {typed, static_cast<std::uint16_t>(whole)};
}

}  // namespace numbertext
