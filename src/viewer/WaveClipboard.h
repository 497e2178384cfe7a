#pragma once
// The system clipboard as the library's clipboard of wave data: a copied selection goes onto QClipboard as
// "audio/wav" (another program can paste it), and a WAV another program put there (as "audio/wav", "audio/x-wav"
// or "audio/vnd.wave") pastes in.
#include <QString>
#include <QStringList>

class QMimeData;

namespace vemra {

// The MIME types a wave is read under, the first one also written.
const QStringList& WaveMimeTypes();
// True when the data holds a wave under one of them.
bool HoldsWave(const QMimeData* data);
// Registers the clipboard hooks of the library (library/api_edit.h); called once at start-up.
void InstallWaveClipboard();

} // namespace vemra
