// Test entry for the Qt tests: offscreen unless told otherwise (test discovery
// runs this binary at build time, before any CTest environment applies).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <cstdlib>

// A box still open a minute into a test is closed, and the test fails naming
// it: a box nobody answers cannot hang the run.
class BoxGuard : public ::testing::EmptyTestEventListener {
 public:
  BoxGuard() { QObject::connect(&timer_, &QTimer::timeout, [this] { CloseBoxes(); }); }
  void OnTestStart(const ::testing::TestInfo&) override { timer_.start(60000); }
  void OnTestEnd(const ::testing::TestInfo&) override { timer_.stop(); }

 private:
  void CloseBoxes() {
    timer_.setInterval(100);  // and any box that comes after it
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    const auto* message = qobject_cast<QMessageBox*>(box);
    ADD_FAILURE() << "a box nobody answered within a minute, closed: " << box->metaObject()->className() << " \""
                  << box->windowTitle().toStdString() << "\" " << (message ? message->text().toStdString() : "");
    if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->done(QDialog::Rejected);  // a message box, too
    box->close();
  }
  QTimer timer_;
};

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new BoxGuard);
  return RUN_ALL_TESTS();
}
