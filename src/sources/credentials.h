#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// Where API keys are kept: the desktop keyring when one answers, else the file
// $XDG_CONFIG_HOME/Quillmark/credentials.ini, one section per source NAME.
// The file is written with mode 0600 from its first byte, and read only while
// neither group nor others can read it.
namespace credentials {

QString path();

struct Read {
    QHash<QString, QString> values;  // key -> value of the source's section
    QString error;                   // why the file was not read, naming it
};
// The keys of source name in the file; a missing file or section is no error,
// a file that cannot be read (no permission, too large, not a file) is.
Read read(const QString& name, const QStringList& keys, const QString& file = path());
// Writes one key to the file; false with error set when it cannot be written or is refused.
bool write(const QString& name, const QString& key, const QString& value, QString* error,
           const QString& file = path());
// The refusal for a file others can read, or nullopt.
std::optional<QString> modeProblem(const QString& file);

// The keys of source name, each from the keyring first, then from the file.
// error is set when the request must not go out: the file could not be
// read, or a key is in neither place (the message says where it looked).
struct Lookup {
    QHash<QString, QString> values;
    QString error;
};
// A window only showing what is stored passes retryKeyring false: it must not wait.
Lookup lookup(const QString& name, const QStringList& keys, bool retryKeyring = true);

// Stores one key where the window stores it: the keyring when one takes it
// (a copy in the file is then emptied), else the file. where names the
// place used; false with error set when neither took it.
bool store(const QString& name, const QString& key, const QString& value, QString* where, QString* error);

// How long to wait before asking a keyring that did not answer once more: at
// login the keyring may come up after a timer's first run.
int retryDelayMs();

}  // namespace credentials
