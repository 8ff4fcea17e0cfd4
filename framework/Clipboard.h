#pragma once
#include <string>

namespace fw {

// The system clipboard's text.
class Clipboard {
 public:
  Clipboard() = default;
  std::string Text() const;
  void SetText(const std::string& text);
  bool TextAvailable() const;
  void Close() {}
};

}  // namespace fw
