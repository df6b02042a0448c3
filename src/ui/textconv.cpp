#include "ui/textconv.h"

#include "platform/text.h"

namespace ui {

QString ToQt(const std::string& cp932) {
  const std::string utf8 = platform::Cp932ToUtf8(cp932);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQt(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return platform::Utf8ToCp932(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace ui
