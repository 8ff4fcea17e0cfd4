#pragma once
#include <string>

namespace fw {

// The system clipboard's text.
class Clipboard {
 public:
  Clipboard() = default;
  std::string Text() const;
  // Takes its own copy: a long text is handed over a slice at a time (the
  // event loop runs between slices).
  void SetText(std::string text);
  bool TextAvailable() const;
  void Close() {}
};

}  // namespace fw
