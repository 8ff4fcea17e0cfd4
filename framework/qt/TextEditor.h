#pragma once
// The editor behind a text control: the single-line field and the text area
// each implement it over their own Qt widget.
#include <string>

#include "framework/controls/TextControl.h"
#include "framework/qt/ControlImpl.h"

namespace fw {

struct TextControl::Editor : Control::Impl {
  using Control::Impl::Impl;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  // Positions and lengths count characters.
  virtual int SelStart() const = 0;
  virtual void SetSelStart(int start) = 0;
  virtual int SelLength() const = 0;
  virtual void Select(int start, int length) = 0;
  virtual std::string SelText() const = 0;
  virtual void SetSelText(const std::string& text) = 0;
  virtual void SetReadOnly(bool on) = 0;
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  virtual void SelectAll() = 0;
};

}  // namespace fw
