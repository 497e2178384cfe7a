// The document window's Edit commands: Cut, Copy, Paste, Delete, Rotate, Silence and the window shapes, on the
// selection of the window through the document's edit members.
//
// A failed edit shows its message and leaves the graph, the selection and Changed as they were. After a change
// the graph is redrawn, and File > Save and the Save button are offered (the response now differs from its file).
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "library/api_files.h"
#include "library/files/ResponseFile.h"
#include "viewer/BusyCursor.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vemra {
namespace {

// Shows a failed edit's message; true when the edit succeeded.
bool succeeded(std::int16_t result)
{
    if (result == 0)
        return true;
    HandleError(result);
    return false;
}

// Deletes a temporary file of the clipboard whatever happens to the paste.
struct TemporaryFile {
    QString name;
    ~TemporaryFile()
    {
        if (!name.isEmpty())
            DeleteTempFile(name.toStdString());
    }
};

} // namespace

void frmView::connectEditCommands()
{
    setCommand(QStringLiteral("mnEditCut"), [this] { mnEditCut_Click(); });
    setCommand(QStringLiteral("mnEditCopy"), [this] { mnEditCopy_Click(); });
    setCommand(QStringLiteral("mnEditPaste"), [this] { mnEditPaste_Click(); });
    setCommand(QStringLiteral("mnEditDelete"), [this] { mnEditDelete_Click(); });
    setCommand(QStringLiteral("mnEditRotate"), [this] { mnEditRotate_Click(); });
    setCommand(QStringLiteral("mnEditSilence"), [this] { mnEditSilence_Click(); });
    for (int i = 0; i < 12; ++i)
        setCommand(QStringLiteral("mnEditWindowItem(%1)").arg(i), [this, i] { mnEditWindowItem_Click(i); });
}

bool frmView::selectionReady() const
{
    return mSelectionActive && !mDragging && mSelLength >= 1 && mTimeView;
}

void frmView::mnEditCopy_Click()
{
    guarded("EditCopy", [&] {
        clsWave* wave = WaveFile();
        if (!wave || !selectionReady())
            return;
        const BusyCursor busy;
        succeeded(wave->Copy(mSelStart, mSelLength));
    });
}

void frmView::mnEditCut_Click()
{
    guarded("EditCut", [&] { cutOrDelete(true); });
}

void frmView::mnEditDelete_Click()
{
    guarded("EditDelete", [&] { cutOrDelete(false); });
}

void frmView::cutOrDelete(bool cut)
{
    clsWave* wave = WaveFile();
    if (!wave || !selectionReady())
        return;
    // A response keeps its shortest length: of a longer selection only what may go goes.
    std::int32_t length = mSelLength;
    if (std::int64_t(wave->SampleCount()) - length < files::kMinFrames)
        length = std::int32_t(wave->SampleCount() - files::kMinFrames);
    if (length <= 0)
        return;
    const BusyCursor busy;
    if (cut && !succeeded(wave->Copy(mSelStart, length)))
        return;
    if (!succeeded(wave->Delete(mSelStart, length)))
        return;
    ClearSelection();
    afterSamplesChanged(true);
}

void frmView::mnEditPaste_Click()
{
    guarded("EditPaste", [&] {
        clsWave* wave = WaveFile();
        if (!wave || !mTimeView)
            return;
        const BusyCursor busy;
        TemporaryFile clip;
        if (!succeeded(wave->Clip2File(clip.name)))
            return;
        if (!wave->Valid()) {
            // The empty window takes the clipboard's response as its own (the load takes the file over).
            const QString name = std::exchange(clip.name, QString());
            wave->setFileName(name);
            if (!wave->Valid())
                return; // the load has said why
            wave->setChanged(true);
            wave->setNewRecording(true);
            EnableAll();
            InitView();
            return;
        }
        const std::int32_t before = wave->SampleCount();
        const bool wasChanged = wave->Changed();
        if (mSelectionActive && !mDragging && mSelLength >= 1) {
            // The clipboard replaces the selection: inserted after it first, so that a refused insert changes
            // nothing, then the selection goes (and a refused removal takes the insert back).
            const std::int32_t end = mSelStart + mSelLength;
            if (!succeeded(wave->InsertFile(end, clip.name)))
                return;
            if (const std::int16_t r = wave->Delete(mSelStart, mSelLength); r != 0) {
                wave->Delete(end, wave->SampleCount() - before);
                wave->setChanged(wasChanged);
                succeeded(r);
                return;
            }
        } else if (!succeeded(wave->InsertFile(0, clip.name))) {
            return;
        }
        ClearSelection();
        afterSamplesChanged(true);
    });
}

void frmView::mnEditRotate_Click()
{
    guarded("EditRotate", [&] {
        clsWave* wave = WaveFile();
        // Rotating by nothing changes nothing.
        if (!wave || !mSelectionActive || mDragging || !mTimeView || mSelStart == 0)
            return;
        const BusyCursor busy;
        if (succeeded(wave->Rotate(mSelStart)))
            afterSamplesChanged(false);
    });
}

void frmView::mnEditSilence_Click()
{
    guarded("EditSilence", [&] {
        clsWave* wave = WaveFile();
        if (!wave || !selectionReady())
            return;
        const BusyCursor busy;
        if (succeeded(wave->Silence(mSelStart, mSelLength)))
            afterSamplesChanged(false);
    });
}

void frmView::mnEditWindowItem_Click(int index)
{
    guarded("EditWindow", [&] {
        clsWave* wave = WaveFile();
        if (!wave || !selectionReady() || index < 0 || index > 11)
            return;
        const BusyCursor busy;
        if (succeeded(wave->Window(mSelStart, mSelLength, std::int16_t(index + 1))))
            afterSamplesChanged(false);
    });
}

void frmView::afterSamplesChanged(bool lengthChanged)
{
    if (lengthChanged) {
        // The pan bar and the zoom follow the new length; the zoom level stays where the response allows it.
        const clsWave* wave = WaveFile();
        const double maxZoom = std::log2(double(wave->SampleCount()) * 0.1);
        mMaxZoomLevel = std::int16_t(std::clamp<std::int64_t>(
            std::isfinite(maxZoom) ? std::int64_t(std::nearbyint(maxZoom)) : 0, 0, 13));
        if (mZoomLevel > mMaxZoomLevel) {
            mZoomLevel = mMaxZoomLevel;
            setZoomCommandsEnabled(false, mZoomLevel > 0);
        }
        UpdatePan();
        DrawGraph();
        DrawXaxis();
    } else {
        DrawGraph();
    }
    setMenuEnabled(QStringLiteral("mnFileSave"), true);
    setButtonEnabled(QStringLiteral("Save"), true);
    UpdateEditMenu();
    RefreshPointerReadout();
}

} // namespace vemra
