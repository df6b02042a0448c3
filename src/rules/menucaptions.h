// The captions of the main window's menu items, Japanese and English, from
// one table so that the form and its English twin never drift apart.
#pragma once
#include <string>
#include <vector>

namespace rules {

struct MenuCaption {
  const char* item;      // the menu item's object name
  const char* japanese;  // the caption the form is built with
  const char* english;   // the caption when the texts are not Japanese
};

// Every caption, in menu order.
const std::vector<MenuCaption>& MenuCaptions();
// The caption of item in the chosen language; empty for an unknown item.
std::string MenuCaptionOf(const std::string& item, bool japanese);

}  // namespace rules
