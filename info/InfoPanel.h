#pragma once
// What the two information windows share: a plain fixed-size window with a
// rounded yellow panel, a bold centred title, a block of text and a small
// "Close" button standing inside the text's place.
#include <string>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace kestrion::info {

struct Place {
  int left, top, width, height;
};

struct InfoLayout {
  Place panel;
  Place title;
  Place text;
  Place button;
  const char* title_text;
  std::string body_text;
};

// The window's properties: titled, of the given size, fixed, created hidden.
void ApplyWindowProperties(fw::Window& w, const char* title, int width, int height);

// Creates RoundRectangle1, Label1, Label2 and BevelButton1 in that order and
// returns the button, so that the window can bind its Action.
fw::BevelButton& CreateInfoControls(fw::Window& w, const InfoLayout& layout);

}  // namespace kestrion::info
