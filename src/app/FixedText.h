#pragma once

// A "text n" field: at most n bytes in code page 949; a longer value is cut
// when stored, never splitting a character.

#include "Encoding.h"

#include <QString>

namespace order {

inline QString CutText(const QString& value, std::size_t maxBytes)
{
    const QByteArray utf8 = value.toUtf8();
    const std::string cut = CutToCp949Bytes(std::string_view(utf8.constData(), std::size_t(utf8.size())), maxBytes);
    return QString::fromUtf8(cut.data(), qsizetype(cut.size()));
}

template <std::size_t N>
class FixedText {
public:
    FixedText() = default;
    FixedText(const QString& v) : value_(CutText(v, N)) {}  // NOLINT(google-explicit-constructor)
    FixedText& operator=(const QString& v)
    {
        value_ = CutText(v, N);
        return *this;
    }
    operator const QString&() const { return value_; }  // NOLINT(google-explicit-constructor)
    const QString& get() const { return value_; }
    std::string str() const { return value_.toStdString(); }
    bool isEmpty() const { return value_.isEmpty(); }
    void clear() { value_.clear(); }
    static constexpr std::size_t Capacity = N;

private:
    QString value_;
};

}  // namespace order
