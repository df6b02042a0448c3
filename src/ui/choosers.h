// Modal pickers that platform::Ui does not cover (colour, font, folder) and
// opening a document with the desktop's handler. The windows that use them
// are handed them; tests hand scripted ones.
#pragma once
#include <string>

#include "model/systemfunc.h"

class QFont;
namespace platform {
class Ui;
}

namespace ui {

struct FontChoice {
  std::string name;
  TFontStyles style = 0;
  int size = 9;    // points
  int color = 0;   // 0x00BBGGRR
};

// The font a choice is drawn with: a stored name that is not installed (a
// font of another system) is drawn with an installed Japanese font.
QFont FontOf(const FontChoice& choice);

class Choosers {
 public:
  virtual ~Choosers() = default;
  // Colours are 0x00BBGGRR; true and chosen set when confirmed.
  virtual bool ChooseColor(int initial, int& chosen) = 0;
  // withColor: the text colour is chosen too.
  virtual bool ChooseFont(FontChoice& font, bool withColor) = 0;
  virtual bool ChooseFolder(const std::string& caption, std::string& folder) = 0;
  // Opens a file with the program the desktop associates with it.
  virtual bool OpenDocument(const std::string& path) = 0;
};

// Qt's dialogs and the desktop; the dialogs belong to where the boxes of ui
// belong (ActiveOwner).
class QtChoosers : public Choosers {
 public:
  explicit QtChoosers(const platform::Ui* ui = nullptr) : ui_(ui) {}
  bool ChooseColor(int initial, int& chosen) override;
  bool ChooseFont(FontChoice& font, bool withColor) override;
  bool ChooseFolder(const std::string& caption, std::string& folder) override;
  bool OpenDocument(const std::string& path) override;

 private:
  const platform::Ui* ui_;
};

}  // namespace ui
