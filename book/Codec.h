#pragma once
// The field codec: every stored value is kept as two decimal digits per
// character, its position in a fixed code table.
#include <string>
#include <string_view>

namespace kestrion {

// Each takes its own copy of the text: they yield as they go, and a handler
// that runs meanwhile may change the caller's string.
std::string EncryptText(std::string s);
std::string DecryptText(std::string s);
// The same, appended to `out`, for a caller that decodes many values: no text
// of its own for each. Both `s` and `out` must be the caller's own, which no
// handler run during a yield can reach.
void DecryptAppend(std::string_view s, std::string& out);

// The codec keeps the printable ASCII characters, CR and LF; any other
// character would come back as another one, or as nothing. This is the
// message that refuses a field whose text holds such a character, or "" when
// the codec keeps all of it. It names the field by its label and the first
// such character, which a masked field does not show. `not_stored` ends its
// first sentence ("the entry was not saved"), `holder` says what can hold
// what ("An entry").
std::string UnstorableTextMessage(const std::string& text, const std::string& label, bool masked,
                                  const std::string& not_stored, const std::string& holder);

}  // namespace kestrion
