#pragma once

#include <QString>
#include <optional>

namespace savedSearch {

// The saved search an address's history goes into when a whole list is saved:
// the host without a leading "www.", then the path without its outer slashes,
// every character that may not stand in a name replaced by "_"
// ("http://www.example.com/blog/" gives "example.com_blog"). An address
// without a scheme is read as http. Nothing when the address has no host.
std::optional<QString> nameForAddress(const QString& address);

}  // namespace savedSearch
