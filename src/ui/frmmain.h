// The main window.
#pragma once
#include <QMainWindow>

class TFrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFrmMain(QWidget* parent = nullptr);
  ~TFrmMain() override;

 private:
  void CreateMenus();
};

// The one main window while it exists.
extern TFrmMain* FrmMain;
