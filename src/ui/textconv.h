// The only place where program text (CP932) meets Qt's strings.
#pragma once
#include <QString>
#include <string>

namespace ui {

QString ToQt(const std::string& cp932);
std::string FromQt(const QString& text);

}  // namespace ui
