#include "document/Waves.h"

#include "document/clsWave.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>

namespace vemra {

namespace {

struct Collection {
    std::vector<clsWave*> waves; // creation order; the collection owns them
    std::int32_t counter = 0;    // next key; never reused within a run
};

Collection& collection()
{
    static Collection c;
    return c;
}

} // namespace

QString NewWave() { return NewWave(true); }

QString NewWave(bool createViewer)
{
    Collection& c = collection();
    auto* wave = new clsWave;
    wave->setKey(QString::number(c.counter));
    c.waves.push_back(wave);
    ++c.counter;
    // The window looks its document up by key, so it is made once the document is in the collection.
    if (createViewer)
        wave->createViewer();
    return wave->Key();
}

int FindWaveByKey(const QString& key)
{
    const auto& waves = collection().waves;
    for (std::size_t i = 0; i < waves.size(); ++i)
        if (waves[i]->Key() == key)
            return static_cast<int>(i) + 1;
    return 0;
}

clsWave* WaveByKey(const QString& key)
{
    const int position = FindWaveByKey(key);
    return position ? collection().waves[position - 1] : nullptr;
}

clsWave* WaveAt(int position)
{
    const auto& waves = collection().waves;
    if (position < 1 || position > static_cast<int>(waves.size()))
        return nullptr;
    return waves[position - 1];
}

int WaveCount() { return static_cast<int>(collection().waves.size()); }

std::vector<clsWave*> WavesSnapshot() { return collection().waves; }

void RemoveWave(const QString& key)
{
    auto& waves = collection().waves;
    const auto it = std::find_if(waves.begin(), waves.end(), [&](clsWave* w) { return w->Key() == key; });
    if (it == waves.end())
        return;
    clsWave* wave = *it;
    waves.erase(it);
    if (QCoreApplication::instance())
        wave->deleteLater();
    else
        delete wave;
}

} // namespace vemra
