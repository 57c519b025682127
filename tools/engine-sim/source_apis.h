#pragma once

#include <httplib.h>

#include <string>

namespace sim {

// Stand-ins for the link-index services the shipped source presets ask. Each
// checks the request as the service documents it (method, path, credentials,
// body shape) and answers in the service's format, its error envelope
// included. They accept only the fixed test credentials:
//   Moz       Basic sim-id:sim-secret      Majestic  app_api_key=sim-key
//   DataForSEO Basic sim-login:sim-password Ahrefs  Bearer sim-token
//   Mojeek    api_key=sim-key
// The count of a target is 100 times its length in bytes, so a test can
// predict it. Moz also takes the token x-moz-token: sim-token; DataForSEO's
// logins sim-broke and sim-busy meet an empty balance and a rate limit;
// Ahrefs's token sim-spent has used its units. /quote/FORM quotes back what
// it received; /hop/same/PATH and /hop/localhost/PATH redirect to PATH on
// 127.0.0.1 or on "localhost", another host to the client.
void addSourceRoutes(httplib::Server& server);
long long sourceCount(const std::string& target);

}  // namespace sim
