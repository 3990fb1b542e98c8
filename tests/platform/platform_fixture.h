#pragma once

// What the platform tests share: the error a call raises, and small files written and read back.

#include "base/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

namespace platformtest {

struct Raised {
    int number = 0;  // 0: nothing was raised
    QString description;
};

template <typename F>
Raised raised(F&& f) {
    try {
        f();
    } catch (const mrv::Error& e) {
        return {e.number(), e.description()};
    }
    return {};
}

template <typename F>
int errorOf(F&& f) {
    return raised(f).number;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace platformtest
