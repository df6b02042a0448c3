#include "ui/micomversionpage.h"

#include <QHeaderView>

#include "link/targetcontrol.h"
#include "ui/textconv.h"

namespace ui {

MicomVersionReader TargetMicomVersionReader(TTargetControl& target) {
  return [&target](std::vector<std::string>& names, std::vector<std::string>& values) {
    return target.ReadMicomVersion(names, values);
  };
}

}  // namespace ui

TMicomVersionPage::TMicomVersionPage(TTargetControl& target, QWidget* parent) : QTableWidget(10, 2, parent) {
  setObjectName(QStringLiteral("sGridMiconVer"));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  reader_ = ui::TargetMicomVersionReader(target);
}

void TMicomVersionPage::SetBackColor(int color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  setPalette(pal);
}

void TMicomVersionPage::ReadVersions(int pageWidth) {
  const int width = pageWidth / 2 - 10;
  setColumnWidth(0, width);
  setColumnWidth(1, width);
  names_.clear();
  values_.clear();
  if (reader_) reader_(names_, values_);
  if (names_.empty()) return;
  setRowCount(static_cast<int>(names_.size()));
  for (size_t i = 0; i < names_.size(); ++i) {
    const int row = static_cast<int>(i);
    const std::string text = i < values_.size() ? values_[i] : std::string();
    for (int col = 0; col < 2; ++col) {
      auto* item = new QTableWidgetItem(ui::ToQt(col == 0 ? names_[i] : text));
      item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      setItem(row, col, item);
    }
  }
}
