#include "core/clsMRUlist.h"

#include "core/Settings.h"

namespace vemra {
namespace {
const QString kSection = QStringLiteral("MRUfiles");
}

clsMRUlist::clsMRUlist(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < Size; ++i)
        files_[size_t(i)] = ReadPath(kSection, QString::number(i)).value_or(QString());
}

clsMRUlist::~clsMRUlist()
{
    for (int i = 0; i < Size; ++i)
        SavePath(kSection, QString::number(i), files_[size_t(i)]);
    FlushSettings();
}

QString clsMRUlist::GetMRUfile(int position) const
{
    if (position < 0 || position >= Size)
        return {};
    return files_[size_t(position)];
}

void clsMRUlist::setMRUfile(const QString& name)
{
    int found = -1;
    for (int i = 0; i < Size && found < 0; ++i)
        if (files_[size_t(i)] == name)
            found = i;
    if (found == 0)
        return;
    // Everything above the found entry (or all but the last when it is new) moves one place down.
    const int last = found > 0 ? found : Size - 1;
    for (int j = last; j > 0; --j)
        files_[size_t(j)] = files_[size_t(j - 1)];
    files_[0] = name;
    emit MRUlistChange();
}

} // namespace vemra
