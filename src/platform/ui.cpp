#include "platform/ui.h"

#include <cstdio>

#include "platform/convert.h"
#include "platform/system.h"
#include "platform/text.h"

namespace platform {

uint16_t Ui::GetLanguageId() const {
  if (forceEnglish_) return 9;
  return static_cast<uint16_t>(SystemDefaultLangId() & 0x3FF);
}

int Ui::ShowMessageBoxJE(const std::string& captionJ, const std::string& textJ, const std::string& captionE,
                         const std::string& textE, int flags) {
  if ((GetLanguageId() & 0x3FF) == 17) return MessageBox(captionJ, textJ, flags);
  return MessageBox(captionE, textE, flags);
}

void Ui::ShowCheckSetting(const std::string& what) {
  ShowMessageBoxJE("エラー", Format(" %s の設定を確認して下さい", what.c_str()), "Error",
                   Format("Check setting. ( %s )", what.c_str()), 0x30);
}

int HeadlessUi::MessageBox(const std::string& caption, const std::string& text, int flags) {
  std::fprintf(stderr, "[%s] %s\n", Cp932ToUtf8(caption).c_str(), Cp932ToUtf8(text).c_str());
  switch (flags & 0x0F) {
    case 0:
      return kIdOk;
    case 4:
      return kIdNo;
    default:
      return kIdCancel;
  }
}

}  // namespace platform
