// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// Paths and names are bytes in the system's narrow encoding. A widget shows a
// decoded copy; the original bytes ride along in the item's data under
// kBytesRole, and every action reads them from there, never from the text.
namespace itembytes {

constexpr int kBytesRole = 0x0100;  // Qt::UserRole

inline QByteArray toBytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<int>(text.size()));
}
inline std::string fromBytes(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
inline QString display(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<int>(text.size()));
}

}  // namespace itembytes
