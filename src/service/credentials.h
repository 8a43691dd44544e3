// The files both ends read their credentials from, read alike on both.
#pragma once
#include <string>

namespace vantel::service {

// A whole file (a certificate, a key); false with the reason.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);
// A bearer token: the file without trailing white space; false with the reason when it
// cannot be read or holds none.
bool ReadTokenFile(const std::string& path, std::string& token, std::string& error);

}  // namespace vantel::service
