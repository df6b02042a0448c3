// The "Micom Ver" page of the status window: the names of the Micom version
// items and the version texts read from the target, read again on every
// visit of the page.
#pragma once
#include <QTableWidget>
#include <functional>
#include <string>
#include <vector>

class TTargetControl;

namespace ui {
// Fills names and texts of the version items (the target-control object's
// ReadMicomVersion by default).
using MicomVersionReader = std::function<bool(std::vector<std::string>& names, std::vector<std::string>& values)>;
MicomVersionReader TargetMicomVersionReader(TTargetControl& target);
}  // namespace ui

class TMicomVersionPage : public QTableWidget {
  Q_OBJECT
 public:
  // The versions are read from target.
  explicit TMicomVersionPage(TTargetControl& target, QWidget* parent = nullptr);

  // Sizes both columns from the page's width, reads the versions and shows
  // them; when no name came back the rows stay as they were.
  void ReadVersions(int pageWidth);
  // The grid's background (0x00BBGGRR, the edit-window colour).
  void SetBackColor(int color);

  const std::vector<std::string>& Names() const { return names_; }
  // Seam for tests: where the versions come from.
  void SetReader(ui::MicomVersionReader reader) { reader_ = std::move(reader); }

 private:
  ui::MicomVersionReader reader_;
  std::vector<std::string> names_;
  std::vector<std::string> values_;
};
