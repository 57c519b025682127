#pragma once

#include <QHash>
#include <QString>
#include <optional>

// The one file that holds API keys: $XDG_CONFIG_HOME/Quillmark/credentials.ini,
// one section per source NAME. It is written with mode 0600 from its first
// byte, and read only while neither group nor others can read it.
namespace credentials {

QString path();

struct Read {
    QHash<QString, QString> values;  // key -> value of the source's section
    QString error;                   // the refusal, naming the file
};
// The keys of source name; a missing file or section is no error.
Read read(const QString& name, const QStringList& keys, const QString& file = path());
// Writes one key; false with error set when the file cannot be written or is refused.
bool write(const QString& name, const QString& key, const QString& value, QString* error,
           const QString& file = path());
// The refusal for a file others can read, or nullopt.
std::optional<QString> modeProblem(const QString& file);

}  // namespace credentials
