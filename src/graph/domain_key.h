#pragma once

#include <QString>

// The name under which the web graph counts an address: its registrable
// domain by the Public Suffix List, IDNA-encoded, labels reversed
// ("www.sub.example.co.uk" -> "uk.co.example"). Empty when the address has no
// registrable domain (an IP address, a bare public suffix, no host at all).
namespace domainKey {

// The host of an address typed with or without a scheme, lower case, IDNA-encoded.
QString hostOf(const QString& address);
// The registrable domain of a host, as written ("example.co.uk").
QString registrableDomain(const QString& host);
// "example.co.uk" -> "uk.co.example".
QString reversed(const QString& domain);
// All three in one.
QString forAddress(const QString& address);

}  // namespace domainKey
