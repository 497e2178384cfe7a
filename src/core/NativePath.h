#pragma once
// File names between the system and the program. On Linux a file name is a string of bytes, usually but not always
// UTF-8; the program holds names as QString. Qt's own conversions (QFile::decodeName, QCoreApplication::arguments,
// QString::fromStdString) turn every byte that is not UTF-8 into U+FFFD, so such a file could be neither opened
// nor named again. Here the UTF-8 parts become their characters and every other byte b becomes the lone surrogate
// U+DC00 + b, which no UTF-8 text decodes to: the name goes back to exactly its bytes.
// No state; any thread.
#include <QString>

#include <string>
#include <string_view>

namespace vemra {

QString PathFromNative(std::string_view bytes);
std::string NativePath(const QString& path);

// True when the name's bytes are UTF-8 text (it holds no escaped byte).
bool IsUtf8Path(const QString& path);

} // namespace vemra
