#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh application folder for one test: Saved/ and Lists/ inside, made the
// program's application folder while this object lives.
class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes to a file below the folder (creating folders as needed).
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// Reads or writes a whole file; small helpers for tests.
QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);
