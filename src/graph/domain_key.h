#pragma once

#include <QString>

// The name under which the web graph counts an address: its registrable
// domain by the ICANN section of the Public Suffix List, IDNA-encoded, labels
// reversed ("www.sub.example.co.uk" -> "uk.co.example"). The releases fold
// hosts that way, so a site under a private suffix is counted under the
// suffix's owner ("someone.github.io" -> "io.github"). Empty when the address
// has no such domain (an IP address, a bare public suffix, no host at all).
namespace domainKey {

// The host of an address typed with or without a scheme, lower case, IDNA-encoded.
QString hostOf(const QString& address);
// The domain of a host as the web graph folds it, as written ("example.co.uk", "github.io").
QString graphDomain(const QString& host);
// "example.co.uk" -> "uk.co.example".
QString reversed(const QString& domain);
// All three in one.
QString forAddress(const QString& address);

}  // namespace domainKey
