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

}  // namespace

bool QtChoosers::ChooseColor(int initial, int& chosen) {
  const QColor c = QColorDialog::getColor(ToQColor(initial), ActiveOwner());
  if (!c.isValid()) return false;
  chosen = RgbToColor(c.red(), c.green(), c.blue());
  return true;
}

bool QtChoosers::ChooseFont(FontChoice& font, bool withColor) {
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

bool QtChoosers::ChooseFolder(const std::string& caption, std::string& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(ActiveOwner(), ToQt(caption), ToQt(folder));
  if (chosen.isEmpty()) return false;
  folder = FromQt(chosen);
  return true;
}

bool QtChoosers::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(path)));
}

}  // namespace ui
