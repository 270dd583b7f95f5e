#pragma once
// Conversions of stored and typed number texts. Pure functions, no widgets.

#include <QString>
#include <cstdint>
#include <optional>

namespace numbertext {

// A number as the user or the settings file writes it: optional blanks around it, an optional
// sign, digits with an optional decimal part (".5" and "5." count), an optional exponent.
std::optional<double> parse(const QString& text);

// The stored port ("puerto") on reading: rounded to the nearest whole number (halves to even);
// 0 (the default port) to 65535. Anything else is not a port: nullopt.
std::optional<std::uint16_t> portFromSetting(const QString& text);

// The stored transfer type ("Transferencia") on reading: rounded like the port, any 32-bit value.
std::optional<std::int32_t> transferTypeFromSetting(const QString& text);

// What the configuration window saves for the port text typed by the user.
struct PortChoice {
    QString text;         // the text to save (the typed text unchanged, or "21")
    std::uint16_t port;   // the port in effect from now on: the number rounded down
};
// Empty text, text that is not a number, or a number whose whole part lies outside 1..65535
// becomes "21".
PortChoice portFromTyped(const QString& typed);

}  // namespace numbertext
