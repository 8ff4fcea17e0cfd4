#pragma once
// The field codec: every stored value is kept as two decimal digits per
// character, its position in a fixed code table.
#include <string>

namespace kestrion {

// Both take their own copy of the text: they yield as they go, and a handler
// that runs meanwhile may change the caller's string.
std::string EncryptText(std::string s);
std::string DecryptText(std::string s);

}  // namespace kestrion
