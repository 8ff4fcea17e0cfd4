#pragma once
#include <string>

namespace fw {

// The system clipboard's text.
class Clipboard {
 public:
  Clipboard() = default;
  std::string Text() const;
  // Takes the text as it is: a long one costs no copy or conversion now.
  void SetText(std::string text);
  bool TextAvailable() const;
  void Close() {}
};

}  // namespace fw
