// A field value: null, an integer, a real or a text.
#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace tarvix {

class Variant {
public:
    Variant() = default;
    Variant(int v) : v_(static_cast<std::int64_t>(v)) {}
    Variant(std::int64_t v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(QString v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(QString::fromUtf8(v)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool IsText() const { return std::holds_alternative<QString>(v_); }
    bool IsReal() const { return std::holds_alternative<double>(v_); }
    // Numbers become decimal digits; null becomes the empty text.
    QString ToText() const;
    // Raises Overflow past 32 bits and TypeMismatch for a text that is not a number.
    std::int32_t ToInt32() const;
    std::int64_t ToInt64() const;
    // Raises as ToInt64 does for a text that is not a number or for null.
    double ToDouble() const;

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, std::int64_t, double, QString> v_;
};

struct Field {
    Variant Value;
};

}  // namespace tarvix
