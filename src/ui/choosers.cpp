#include "ui/choosers.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QUrl>

#include "platform/files.h"
#include "rules/mainwindowrules.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

namespace ui {
namespace {

QColor ToQColor(int color) {
  const Rgb c = ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

class QtChoosers : public Choosers {
 public:
  bool ChooseColor(int initial, int& chosen) override {
    const QColor c = QColorDialog::getColor(ToQColor(initial), ActiveOwner());
    if (!c.isValid()) return false;
    chosen = RgbToColor(c.red(), c.green(), c.blue());
    return true;
  }

  bool ChooseFont(FontChoice& font, bool withColor) override {
    QFont initial(ToQt(font.name));
    initial.setPointSize(font.size > 0 ? font.size : 9);
    initial.setBold(TestFontStyleBit(font.style, 0));
    initial.setItalic(TestFontStyleBit(font.style, 1));
    initial.setUnderline(TestFontStyleBit(font.style, 2));
    initial.setStrikeOut(TestFontStyleBit(font.style, 3));
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, ActiveOwner());
    if (!ok) return false;
    font.name = FromQt(f.family());
    font.size = f.pointSize() > 0 ? f.pointSize() : font.size;
    font.style = 0;
    if (f.bold()) SetFontStyleBit(font.style, 0);
    if (f.italic()) SetFontStyleBit(font.style, 1);
    if (f.underline()) SetFontStyleBit(font.style, 2);
    if (f.strikeOut()) SetFontStyleBit(font.style, 3);
    // Qt's font dialog has no text colour: ask for it right after.
    if (withColor) {
      const QColor c = QColorDialog::getColor(ToQColor(font.color), ActiveOwner());
      if (c.isValid()) font.color = RgbToColor(c.red(), c.green(), c.blue());
    }
    return true;
  }

  bool ChooseFolder(const std::string& caption, std::string& folder) override {
    const QString chosen = QFileDialog::getExistingDirectory(ActiveOwner(), ToQt(caption), ToQt(folder));
    if (chosen.isEmpty()) return false;
    folder = FromQt(chosen);
    return true;
  }

  bool OpenDocument(const std::string& path) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(path)));
  }
};

QtChoosers g_qtChoosers;
Choosers* g_choosers = &g_qtChoosers;

}  // namespace

Choosers& GetChoosers() { return *g_choosers; }
void SetChoosers(Choosers* choosers) { g_choosers = choosers ? choosers : &g_qtChoosers; }

}  // namespace ui
