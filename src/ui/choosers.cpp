#include "ui/choosers.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QUrl>

#include "platform/files.h"
#include "rules/mainwindowrules.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

namespace ui {
namespace {

QColor ToQColor(int color) {
  const rules::Rgb c = rules::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

}  // namespace

bool QtChoosers::ChooseColor(int initial, int& chosen) {
  const QColor c = QColorDialog::getColor(ToQColor(initial), ActiveOwner(ui_));
  if (!c.isValid()) return false;
  chosen = rules::RgbToColor(c.red(), c.green(), c.blue());
  return true;
}

QFont FontOf(const FontChoice& choice) {
  const std::string family = rules::ResolveFontFamily(
      choice.name, [](const std::string& name) { return QFontDatabase::hasFamily(ToQt(name)); });
  QFont f(ToQt(family));
  if (choice.size > 0) f.setPointSize(choice.size);
  f.setBold(TestFontStyleBit(choice.style, 0));
  f.setItalic(TestFontStyleBit(choice.style, 1));
  f.setUnderline(TestFontStyleBit(choice.style, 2));
  f.setStrikeOut(TestFontStyleBit(choice.style, 3));
  return f;
}

bool QtChoosers::ChooseFont(FontChoice& font, bool withColor) {
  QFont initial = FontOf(font);
  if (font.size <= 0) initial.setPointSize(9);
  // The dialog lists families by the names the font database gives them,
  // which in a Japanese session are the Japanese ones ("IPA Pゴシック" for
  // IPAPGothic): it opens on the family the font in use is drawn with.
  const QString inUse = QFontInfo(initial).family();
  initial.setFamily(inUse);
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, initial, ActiveOwner(ui_));
  if (!ok) return false;
  // The family in use confirmed keeps the name it is stored under.
  if (f.family() != inUse) font.name = FromQt(f.family());
  font.size = f.pointSize() > 0 ? f.pointSize() : font.size;
  font.style = 0;
  if (f.bold()) SetFontStyleBit(font.style, 0);
  if (f.italic()) SetFontStyleBit(font.style, 1);
  if (f.underline()) SetFontStyleBit(font.style, 2);
  if (f.strikeOut()) SetFontStyleBit(font.style, 3);
  // Qt's font dialog has no text colour: ask for it right after.
  if (withColor) {
    const QColor c = QColorDialog::getColor(ToQColor(font.color), ActiveOwner(ui_));
    if (c.isValid()) font.color = rules::RgbToColor(c.red(), c.green(), c.blue());
  }
  return true;
}

bool QtChoosers::ChooseFolder(const std::string& caption, std::string& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(ActiveOwner(ui_), ToQt(caption), ToQt(folder));
  if (chosen.isEmpty()) return false;
  folder = FromQt(chosen);
  return true;
}

bool QtChoosers::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(path)));
}

}  // namespace ui
