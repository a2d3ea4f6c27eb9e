// SPDX-License-Identifier: MIT
#include "app/SpaceFormat.h"

#include <QDateTime>
#include <QLocale>

QString SpaceFormat::bytes(std::uint64_t count) {
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    if (count < 1024) return QStringLiteral("%1 字节").arg(count);
    double value = double(count) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit + 1 < int(std::size(kUnits))) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}

QString SpaceFormat::change(std::int64_t delta) {
    if (delta == 0) return QStringLiteral("0");
    // The magnitude as unsigned: the most negative value has no positive twin.
    const std::uint64_t magnitude =
        delta < 0 ? std::uint64_t(0) - std::uint64_t(delta) : std::uint64_t(delta);
    return (delta < 0 ? QStringLiteral("-") : QStringLiteral("+")) + bytes(magnitude);
}

QString SpaceFormat::share(double fraction) {
    return QStringLiteral("%1%").arg(qRound(fraction * 100.0));
}

QString SpaceFormat::count(std::uint64_t value) {
    return QLocale::c().toString(qulonglong(value));
}

QString SpaceFormat::time(std::int64_t secondsSince1970) {
    if (secondsSince1970 == 0) return QStringLiteral("未知");
    return QDateTime::fromSecsSinceEpoch(secondsSince1970)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
