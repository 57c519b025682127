#pragma once

#include <httplib.h>

#include <string>

namespace sim {

// A published list of top domains, as a CSV in the layout of the real
// download, at /lists/million.csv. Query switches:
//   rows=N    how many rows (default 2000, at most 2,000,000)
//   bom=1     start with a UTF-8 byte order mark
//   crlf=1    CR LF line ends (else LF)
//   quoted=1  every field in double quotes
//   header=X  a first line of X instead of the real one
// The first rows are fixed (see kFixedRows in list_csv.cpp); row r after them
// is d<r>.test with RefSubNets = rows - r + 1.
void addListRoutes(httplib::Server& server);
std::string listCsv(long rows, bool bom, bool crlf, bool quoted, const std::string& header);

}  // namespace sim
