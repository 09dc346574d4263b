// The tool's texts are GBK; Qt's are Unicode. These convert at the edge.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "text/gbk.h"

namespace zt::ui {

// GBK bytes to a QString (bytes that are not GBK show as U+FFFD).
inline QString Qs(std::string_view gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

// GBK bytes of received line data: bytes that are not GBK show as \xNN.
inline QString QsEscaped(std::string_view gbk) { return QString::fromStdString(GbkToUtf8Escaped(gbk)); }

// A QString to GBK bytes; characters GBK cannot hold become "?".
inline std::string Gbk(const QString& text) { return Utf8ToGbkLossy(text.toStdString()); }

// A file-system path as Qt gives it to the bytes the system uses (UTF-8).
inline std::string NativePath(const QString& path) { return path.toStdString(); }

}  // namespace zt::ui
