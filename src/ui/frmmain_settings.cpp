// The main window's settings at start, its captions and status bar texts.
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QWindow>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "rules/mainwindowrules.h"
#include "rules/menucaptions.h"
#include "ui/frmmain.h"
#include "ui/registergrid.h"
#include "ui/registergridtabcontrol.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

namespace {

QColor ToQColor(int color) {
  const ui::Rgb c = ui::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

void SetBaseColor(QWidget* w, int color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, ToQColor(color));
  w->setPalette(p);
}

QFont MakeFont(const std::string& storedName, TFontStyles style, int size) {
  const std::string family = ui::ResolveFontFamily(
      storedName, [](const std::string& name) { return QFontDatabase::hasFamily(ui::ToQt(name)); });
  QFont f(ui::ToQt(family));
  if (size > 0) f.setPointSize(size);
  f.setBold(TestFontStyleBit(style, 0));
  f.setItalic(TestFontStyleBit(style, 1));
  f.setUnderline(TestFontStyleBit(style, 2));
  f.setStrikeOut(TestFontStyleBit(style, 3));
  return f;
}

}  // namespace

void TFrmMain::ApplySettings() {
  int* rect = ws_.settings.GetMainWindowRect();
  int nameWidth = 0, valueWidth = 0, rowHeight = 0;
  ws_.settings.GetRegGridSizes(nameWidth, valueWidth, rowHeight);
  tabs_->SetGridSizes(nameWidth, valueWidth, rowHeight);
  ws_.settings.GetStatusGridSizes(nameWidth, valueWidth, rowHeight);
  status_->SetGridSizes(nameWidth, valueWidth, rowHeight);

  std::vector<ui::ScreenRect> screens;
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    const QRect g = primary->geometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  for (QScreen* s : QGuiApplication::screens()) {
    if (s == QGuiApplication::primaryScreen()) continue;
    const QRect g = s->geometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  if (!screens.empty()) ui::BringOnScreen(rect[0], rect[1], screens);
  PlaceWindow();

  ApplyColours();
  ApplyFonts();
  ApplyEnglishCaptions();
}

void TFrmMain::PlaceWindow() {
  const int* rect = ws_.settings.GetMainWindowRect();
  // The stored size is that of the frame, title bar included, and all of it
  // stays on the screen's area for windows.
  ui::ScreenRect frame{rect[0], rect[1], rect[2], rect[3]};
  QScreen* screen = QGuiApplication::screenAt(QPoint(frame.left, frame.top));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect a = screen->availableGeometry();
    ui::KeepInside(frame, {a.x(), a.y(), a.width(), a.height()});
  }
  QMargins margins;
  if (const QWindow* w = windowHandle()) margins = w->frameMargins();
  // Until the window manager has framed the window its frame is unknown: it
  // is placed again once the frame is there.
  placePending_ = margins.isNull() && isVisible();
  move(frame.left, frame.top);  // a window's position is that of its frame
  resize(std::max(1, frame.width - margins.left() - margins.right()),
         std::max(1, frame.height - margins.top() - margins.bottom()));
  // Lay the window out now, so the splitters know their room.
  if (layout()) layout()->activate();
  if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
  const int total1 = Splitter1->width() - Splitter1->handleWidth();
  Splitter1->setSizes({rect[4], std::max(1, total1 - rect[4])});
  const int total2 = Splitter2->height() - Splitter2->handleWidth();
  Splitter2->setSizes({rect[5], std::max(1, total2 - rect[5])});
}

void TFrmMain::PlaceWhenFramed() {
  if (!placePending_) return;
  const QWindow* w = windowHandle();
  if (!w || w->frameMargins().isNull()) return;
  PlaceWindow();
}

void TFrmMain::ApplyColours() {
  ws_.settings.GetColors(backColor_, msgBackColor_, selRegBackColor_);
  ApplyEditWindowColor(backColor_);
  ApplyMessageWindowColors();
}

void TFrmMain::ApplyEditWindowColor(int color) {
  backColor_ = color;
  // The cells paint their own colours; the palette fills the rest of each grid.
  SetBaseColor(RegisterGrid, color);
  SetBaseColor(StatusGrid, color);
  tabs_->SetColors(color, selRegBackColor_);
  status_->SetEditWindowColor(color);
  emit EditWindowColorChanged(color);
}

void TFrmMain::ApplySelRegBackColor(int color) {
  selRegBackColor_ = color;
  tabs_->SetColors(backColor_, color);
}

void TFrmMain::ApplyMessageWindowColors() {
  QPalette p = VundMemo->palette();
  p.setColor(QPalette::Base, ToQColor(msgBackColor_));
  p.setColor(QPalette::Text, ToQColor(msgFontColor_));
  VundMemo->setPalette(p);
}

void TFrmMain::ApplyFonts() {
  fontStyle_ = 0;
  msgFontStyle_ = 0;
  ws_.settings.GetFonts(fontName_, fontStyle_, fontSize_, msgFontName_, msgFontStyle_, msgFontSize_, msgFontColor_);
  ApplyEditFont(fontName_, fontStyle_, fontSize_);
  ApplyMessageFont();
}

void TFrmMain::ApplyEditFont(const std::string& name, TFontStyles style, int size) {
  fontName_ = name;
  fontStyle_ = style;
  fontSize_ = size;
  // The menus keep the desktop's font, as menus do.
  menuBar()->setFont(QApplication::font(menuBar()));
  setFont(MakeFont(name, style, size));
  emit EditWindowFontChanged();
}

void TFrmMain::ApplyMessageFont() {
  VundMemo->setFont(MakeFont(msgFontName_, msgFontStyle_, msgFontSize_));
  ApplyMessageWindowColors();
}

void TFrmMain::ApplyEnglishCaptions() {
  if (ws_.ui.GetLanguageId() != 17) {
    for (const ui::MenuCaption& c : ui::MenuCaptions())
      if (QAction* a = MenuAction(c.item)) a->setText(ui::ToQt(c.english));
  }
  if (QAction* a = MenuAction("mnuEditSreg")) a->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
  if (QAction* a = MenuAction("mnuHregEdit")) a->setShortcut(QKeySequence(Qt::ALT | Qt::Key_H));
}

void TFrmMain::UpdateCaption() {
  setWindowTitle(ui::ToQt(
      ui::FormatMainCaption(sRegFileName_, ws_.SRegisters.GetMiconVer(), hRegFileName_, ws_.HRegisters.GetMiconVer())));
}

void TFrmMain::ShowComStatus() {
  MainStatusPanels[0]->setText(
      ui::ToQt(ui::FormatComStatus(ws_.settings.GetComPort(), ws_.TargetControl.GetBaudIndex())));
}
