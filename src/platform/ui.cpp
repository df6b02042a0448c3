#include "platform/ui.h"

#include <cstdio>

#include "platform/text.h"

namespace platform {
namespace {

class HeadlessUi : public Ui {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override {
    std::fprintf(stderr, "[%s] %s\n", Cp932ToUtf8(caption).c_str(), Cp932ToUtf8(text).c_str());
    switch (flags & 0x0F) {
      case 0: return kIdOk;
      case 4: return kIdNo;
      default: return kIdCancel;
    }
  }
  bool OpenFileDialog(const FileDialogOptions&, std::string&) override { return false; }
  bool SaveFileDialog(const FileDialogOptions&, std::string&) override { return false; }
  bool InputBox(const std::string&, const std::string&, std::string&, char) override { return false; }
  bool ShowComPortDialog() override { return false; }
  void ScreenSize(int& width, int& height) override {
    width = 1024;
    height = 768;
  }
};

HeadlessUi g_headless;
Ui* g_ui = &g_headless;

}  // namespace

Ui& GetUi() { return *g_ui; }
void SetUi(Ui* ui) { g_ui = ui ? ui : &g_headless; }

}  // namespace platform
