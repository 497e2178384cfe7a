#include "viewer/WaveClipboard.h"

#include "library/api_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace vemra {

const QStringList& WaveMimeTypes()
{
    static const QStringList types{QStringLiteral("audio/wav"), QStringLiteral("audio/x-wav"),
                                   QStringLiteral("audio/vnd.wave")};
    return types;
}

bool HoldsWave(const QMimeData* data)
{
    if (!data)
        return false;
    for (const QString& type : WaveMimeTypes())
        if (data->hasFormat(type))
            return true;
    return false;
}

void InstallWaveClipboard()
{
    ClipboardHooks hooks;
    hooks.put = [](const std::vector<std::uint8_t>& wav) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return false;
        auto* data = new QMimeData;
        data->setData(WaveMimeTypes().first(),
                      QByteArray(reinterpret_cast<const char*>(wav.data()), qsizetype(wav.size())));
        clipboard->setMimeData(data);
        return true;
    };
    hooks.get = [](std::vector<std::uint8_t>& wav) {
        wav.clear();
        const QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return false;
        const QMimeData* data = clipboard->mimeData();
        if (!data)
            return true;
        for (const QString& type : WaveMimeTypes()) {
            if (!data->hasFormat(type))
                continue;
            const QByteArray bytes = data->data(type);
            wav.assign(bytes.begin(), bytes.end());
            break;
        }
        return true;
    };
    SetClipboardHooks(std::move(hooks));
}

} // namespace vemra
