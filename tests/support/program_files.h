#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

// The path of a file beside the test program, where it finds the pictures
// and the picture reader as the program does.
inline QString besideProgram(const QString &name) {
    return QCoreApplication::applicationDirPath() + u'/' + name;
}

// A file's bytes; none when it cannot be read.
inline QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
