// SPDX-License-Identifier: MIT
#include "app/SystemFontFaces.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QString>

#include "util/platform/SystemFont.h"
#include "util/platform/Wine.h"

void useSystemFontFaces() {
    if (!platform::runningUnderWine()) return;
    // The faces the theme names: the one of every widget, and the fixed one.
    // Nothing may ask Qt to resolve them before the substitution: it would
    // keep the fallback it found in its cache.
    for (const QFont& font :
         {QApplication::font(), QFontDatabase::systemFont(QFontDatabase::FixedFont)}) {
        const QString family = font.family();
        const QString drawn =
            QString::fromStdString(platform::systemFontFace(family.toStdString()));
        if (drawn.isEmpty() || drawn == family || !QFontDatabase::hasFamily(drawn)) continue;
        QFont::insertSubstitution(family, drawn);
    }
}
