#pragma once
// Settings are 8-bit text; the widgets show them as QString. Text that is not UTF-8 shows
// as Latin-1, and a field the user left as shown is written back with its original bytes.
#include <QString>
#include <string>

namespace blenvar {

QString ShownText(const std::string& stored);
// The bytes to store for what a field holds now, given what it was loaded with.
std::string StoredText(const QString& now, const std::string& loaded);

}  // namespace blenvar
