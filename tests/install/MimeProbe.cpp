// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, for each file given, the MIME type that the shared MIME database
// gives it and that type's comment in the current language, one line each:
//
//   <file>\t<type>\t<comment>
//
// This is the lookup a file manager makes. The shell test points
// XDG_DATA_DIRS at a database built from the installed files and decides
// whether the answers are right.
#include <cstdio>

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QMimeType>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (files.isEmpty()) {
        std::fputs("usage: ohmrada_mime_probe FILE...\n", stderr);
        return 2;
    }
    const QMimeDatabase database;
    for (const QString& file : files) {
        const QMimeType type = database.mimeTypeForFile(file);
        const QString line = file + QLatin1Char('\t') + type.name() + QLatin1Char('\t') +
                             type.comment() + QLatin1Char('\n');
        std::fputs(line.toUtf8().constData(), stdout);
    }
    return 0;
}
