#pragma once
// The field codec: every stored value is kept as two decimal digits per
// character, its position in a fixed code table.
#include <string>

namespace kestrion {

std::string EncryptText(const std::string& s);
std::string DecryptText(const std::string& s);

}  // namespace kestrion
