// A fresh temporary data folder for one test, removed afterwards.
#pragma once

#include <QString>
#include <QTemporaryDir>

class TempFolder {
public:
    TempFolder() : m_dir(QStringLiteral("/tmp/kovral-test-XXXXXX")) {}
    // The folder path with a trailing "/".
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    bool valid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};
