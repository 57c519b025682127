#pragma once

#include <QString>

// The desktop keyring (Secret Service: GNOME Keyring, KWallet, KeePassXC),
// asked through QtKeychain. Its jobs are asynchronous; these calls wait for
// one on a local event loop that takes no user input, bounded by a timeout,
// so a keyring that never answers costs seconds, not a hang. Without a
// session bus the keyring is not asked at all: there is nobody to ask, and
// D-Bus would only time out.
namespace keyring {

// A session bus is named in the environment.
bool sessionBusPresent();

enum class Outcome {
    Found,      // value holds the secret
    Absent,     // the keyring answered and holds no such secret
    NoKeyring,  // no keyring answered; error says why
};

struct Answer {
    Outcome outcome = Outcome::NoKeyring;
    QString value;
    QString error;
};

// The secret stored for key of source.
Answer read(const QString& source, const QString& key);
// Stores it; false with error set when no keyring took it.
bool write(const QString& source, const QString& key, const QString& value, QString* error);

// How long one job may take before the keyring counts as not answering.
int timeoutMs();

}  // namespace keyring
