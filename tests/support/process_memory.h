#pragma once

#include <QByteArray>
#include <QFile>

// This process's memory as the kernel counts it, in bytes: "VmRSS" for the
// resident memory now, "VmHWM" for the most it has been resident.
inline qint64 processMemory(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = status.readAll();
    const QByteArray key = QByteArray(field) + ':';
    const qsizetype at = text.indexOf(key);
    if (at < 0) {
        return 0;
    }
    const qsizetype end = text.indexOf('\n', at);
    return text.mid(at + key.size(), end - at - key.size())
               .trimmed()
               .split(' ')
               .value(0)
               .toLongLong() *
           1024;
}
