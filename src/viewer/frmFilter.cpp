#include "viewer/frmFilter.h"

#include "core/BandsAndParameters.h"
#include "core/Twips.h"
#include "document/Waves.h"
#include "document/clsWave.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

namespace vemra {
namespace {

struct Column {
    int first, last;          // button indices
    int left, top, step, width, height; // twips
};

const Column kColumns[] = {
    {1, 5, 60, 60, 900, 615, 855},
    {14, 28, 720, 60, 300, 615, 255},
    {6, 10, 1380, 60, 900, 615, 855},
    {29, 43, 2040, 60, 300, 615, 255},
};

int buttonOfFilter(int filterType)
{
    return filterType == -2 ? 98 : filterType == -1 ? 99 : filterType;
}

} // namespace

frmFilter::frmFilter(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(QString());
    setModal(true);
    setFixedSize(TwipsToPixelsX(this, 2715), TwipsToPixelsY(this, 5295));
    auto place = [&](int index, const QString& caption, int left, int top, int width, int height) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("cmdFilter(%1)").arg(index));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setGeometry(TwipsToPixelsX(this, left), TwipsToPixelsY(this, top), TwipsToPixelsX(this, width),
                       TwipsToPixelsY(this, height));
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, index] { cmdFilter_Click(index); });
        buttons_.insert(index, b);
    };
    for (const Column& c : kColumns)
        for (int i = c.first; i <= c.last; ++i)
            place(i, BandName(i), c.left, c.top + (i - c.first) * c.step, c.width, c.height);
    place(98, QStringLiteral("WideBand"), 60, 4560, 2595, 315);
    place(99, QStringLiteral("AllPass"), 60, 4920, 2595, 315);
}

void frmFilter::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmFilter::Form_Activate()
{
    const clsWave* wave = WaveByKey(Key);
    if (!wave)
        return;
    for (auto it = buttons_.begin(); it != buttons_.end(); ++it)
        if (it.key() < 98)
            it.value()->setEnabled(BandBelowNyquist(it.key(), float(wave->SampleFrequency())));
    if (QPushButton* b = buttons_.value(buttonOfFilter(wave->FilterType())))
        b->setChecked(true);
    highlight(wave->FilterType(), true);
}

void frmFilter::highlight(int filterType, bool on)
{
    QPushButton* b = buttons_.value(buttonOfFilter(filterType));
    if (!b)
        return;
    b->setStyleSheet(on ? QStringLiteral("background-color: rgb(128, 255, 255);") : QString());
}

void frmFilter::cmdFilter_Click(int index)
{
    clsWave* wave = WaveByKey(Key);
    if (!wave)
        return;
    highlight(wave->FilterType(), false);
    wave->setFilterType(std::int16_t(index == 98 ? -2 : index == 99 ? -1 : index));
    update();
    wave->UpdateViewer();
}

bool frmFilter::eventFilter(QObject* watched, QEvent* event)
{
    // Releasing the button over a band closes the palette: a click chooses and closes in one gesture.
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* b = qobject_cast<QPushButton*>(watched);
        const auto* me = static_cast<QMouseEvent*>(event);
        if (b && b->rect().contains(me->position().toPoint())) {
            if (b->isEnabled())
                b->click();
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFilter::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vemra
