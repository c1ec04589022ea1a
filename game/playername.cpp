// SPDX-License-Identifier: GPL-3.0-or-later
#include "playername.h"

namespace {

// Characters that change how the text around them reads: the explicit embeddings, overrides and
// isolates, and the marks that only steer where neutral characters go.
bool turnsText(QChar c)
{
    switch (c.direction()) {
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI:
        return true;
    default:
        return c == u'\u200E' || c == u'\u200F' || c == u'\u061C';
    }
}

} // namespace

QString cleanName(QStringView typed)
{
    QString name = typed.toString();
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || turnsText(c))
            c = QLatin1Char(' ');
    }
    return name;
}

QString cleanStoredName(QStringView stored)
{
    qsizetype end = stored.size();
    if (stored.endsWith(u"\r\n"))
        end -= 2;
    else if (stored.endsWith(u'\n') || stored.endsWith(u'\r'))
        end -= 1;
    return cleanName(stored.first(end)).append(stored.sliced(end));
}
