#include "document/clsWave.h"

#include "core/Errors.h"
#include "core/ErrorGuard.h"
#include "core/NativePath.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_files.h"
#include "library/dsp/ViewProcessing.h"
#include "library/files/ResponseFile.h"

#include <QCursor>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include <cmath>

namespace vemra {

namespace {

WaveViewerFactory& viewerFactory()
{
    static WaveViewerFactory factory;
    return factory;
}

// Header texts are UTF-8; a text cut to its field keeps whole characters.
std::string fitUtf8(const QString& text, std::size_t size)
{
    std::string s = text.toStdString();
    if (s.size() <= size)
        return s;
    std::size_t n = size;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return s.substr(0, n);
}

QString fieldText(const char* field, std::size_t size)
{
    return QString::fromStdString(readTextField(field, size));
}

// The busy pointer while the library loads, when there is a screen to show it on.
class BusyPointer {
public:
    BusyPointer() : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (active_)
            QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    }
    ~BusyPointer()
    {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
    }

private:
    bool active_;
};

// The long time format without its time-zone part ('t' outside quoted text).
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

void clsWave::setViewerFactory(WaveViewerFactory factory) { viewerFactory() = std::move(factory); }

clsWave::clsWave(QObject* parent) : QObject(parent)
{
    // The header starts empty: no file name, nothing open.
    std::memset(static_cast<void*>(&header_), 0, sizeof header_);
    valid_ = false;
    changed_ = false;
    newRecording_ = false;
    validInfo_ = false;
    playing_ = false;
    view_ = ViewBlock{};
    view_.FilterType = -1;
    view_.ViewType = dsp::ViewPressure;
    view_.AutoScale = False16;
    view_.Smooth = False16;
    view_.dBRange = 60;
    ResetFlags();
}

clsWave::~clsWave()
{
    if (playing_)
        StopPlay();
    if (valid_)
        CloseWave(header_);
    if (viewer_) {
        WaveViewer* v = viewer_;
        viewer_ = nullptr;
        v->unload();
    }
}

void clsWave::createViewer()
{
    if (!viewer_ && viewerFactory())
        viewer_ = viewerFactory()(*this);
}

bool clsWave::QuitFile() { return viewer_ ? viewer_->quitFile() : true; }

void clsWave::SetFocus()
{
    if (viewer_)
        viewer_->setFocus();
}

QString clsWave::FileName() const { return PathFromNative(readFileNameField(header_)); }

void clsWave::setFileName(const QString& path)
{
    const std::string name = NativePath(path);
    // The header's field holds at most 259 bytes; a longer path cannot be named to the library.
    if (name.size() > sizeof header_.FileName - 1) {
        HandleError(msg::PathTooLong, path);
        return;
    }
    writeFileNameField(header_, name);
    if (const VResult r = GetWaveHeader(header_); r != Ok) {
        HandleError(r, path);
        return;
    }
    if (header_.format.bitsPerSample != 16) {
        HandleError(msg::Only16Bit, path);
        return;
    }
    if (header_.format.SampleFrequency < files::kMinRate || header_.format.SampleFrequency > files::kMaxRate) {
        HandleError(msg::UnsupportedSampleRate, path);
        return;
    }
    const double frames =
        header_.format.blockAlign != 0 ? double(header_.DataBytes) / double(header_.format.blockAlign) : 0.0;
    if (frames > double(files::kMaxFrames)) {
        HandleError(msg::FileTooLong, path);
        return;
    }
    if (frames < double(files::kMinFrames)) {
        HandleError(msg::FileTooShort, path);
        return;
    }

    BusyPointer busy;
    // Every failed load is said, naming the file: callers only look at Valid afterwards.
    if (const VResult r = OpenWave(header_); r != Ok) {
        valid_ = false;
        HandleError(r, path);
        return;
    }
    valid_ = true;
    setChanged(false);
    viewDirty_ = true;
    // A recording handed over under a temporary name becomes an untitled document; the library keeps the
    // samples. Only names the library issued are temporary: a user's own "*.tmp" is an ordinary file.
    if (path.toUpper().endsWith(QLatin1String(".TMP")) && IsTempName(name)) {
        DeleteTempFile(name);
        writeFileNameField(header_, "Untitled-" + key_.toStdString());
    }
}

void clsWave::setChanged(bool changed)
{
    changed_ = changed;
    if (changed)
        emit WaveChange();
}

void clsWave::Destroy()
{
    CloseWave(header_);
    DeleteTempFile(readFileNameField(header_));
    valid_ = false;
    changed_ = false;
}

void clsWave::Die()
{
    guarded("Wave.Die", [&] {
        emit WaveExit();
        if (valid_) {
            CloseWave(header_);
            // Deleting goes through the library, which refuses every name it did not issue.
            if (newRecording_)
                DeleteTempFile(readFileNameField(header_));
            valid_ = false;
        }
        if (viewer_) {
            WaveViewer* v = viewer_;
            viewer_ = nullptr;
            v->unload();
        }
        RemoveWave(key_);
    });
}

bool clsWave::SaveAs(const QString& fileName)
{
    const VResult r = SaveWaveAs(header_, NativePath(fileName));
    if (r == Ok) {
        newRecording_ = false;
        return true;
    }
    HandleError(r, fileName);
    return false;
}

void clsWave::checkChannel(int channel)
{
    if (channel < 0 || channel > 1)
        throw VemraError::range();
}

void clsWave::checkBand(int band)
{
    if (band < 0 || band >= dsp::kBandCount)
        throw VemraError::range();
}

RTResult& clsWave::rtCache(int channel, int band)
{
    checkChannel(channel);
    if (band < -2 || band >= dsp::kBandCount)
        throw VemraError::range();
    return rt_[channel][band + 2];
}

EnergyResult& clsWave::energyCache(int channel, int band)
{
    checkChannel(channel);
    if (band < -2 || band >= dsp::kBandCount)
        throw VemraError::range();
    return energy_[channel][band + 2];
}

std::int16_t clsWave::MaxDataValue(int channel) const
{
    checkChannel(channel);
    return header_.MaxDataValue[channel];
}

std::int16_t clsWave::MinDataValue(int channel) const
{
    checkChannel(channel);
    return header_.MinDataValue[channel];
}

void clsWave::markViewDirtyIfChanged(bool differs)
{
    if (differs)
        viewDirty_ = true;
}

void clsWave::setdBRange(float range)
{
    markViewDirtyIfChanged(range != view_.dBRange);
    view_.dBRange = range;
}

void clsWave::setViewType(std::int16_t type)
{
    markViewDirtyIfChanged(type != view_.ViewType);
    view_.ViewType = type;
}

void clsWave::setFilterType(std::int16_t band)
{
    markViewDirtyIfChanged(band != view_.FilterType);
    view_.FilterType = band;
}

void clsWave::setAutoScale(bool on)
{
    markViewDirtyIfChanged(on != isTrue(view_.AutoScale));
    view_.AutoScale = toBool16(on);
}

QString clsWave::VemraVersion() const
{
    return QStringLiteral("%1.%2.%3")
        .arg(header_.info.versionMajor)
        .arg(header_.info.versionMinor)
        .arg(header_.info.versionRevision);
}

void clsWave::setText(char* field, const QString& text)
{
    std::memset(field, 0, 256);
    writeTextField(field, 256, fitUtf8(text, 256));
    setChanged(true);
}

QString clsWave::Project() const { return fieldText(header_.Project, 256); }
void clsWave::setProject(const QString& text) { setText(header_.Project, text); }
QString clsWave::Position() const { return fieldText(header_.Position, 256); }
void clsWave::setPosition(const QString& text) { setText(header_.Position, text); }
QString clsWave::Engineer() const { return fieldText(header_.Engineer, 256); }
void clsWave::setEngineer(const QString& text) { setText(header_.Engineer, text); }
QString clsWave::Copyright() const { return fieldText(header_.Copyright, 256); }
void clsWave::setCopyright(const QString& text) { setText(header_.Copyright, text); }
QString clsWave::Comments() const { return fieldText(header_.Comments, 256); }
void clsWave::setComments(const QString& text) { setText(header_.Comments, text); }

QString clsWave::DateTime() const
{
    QDateTime when;
    if (header_.info.time != 0) {
        // Seconds of local wall-clock time since 1980-01-01 00:00: counted without time zone or daylight
        // saving, then read as local time.
        const QDateTime wall = QDateTime(QDate(1980, 1, 1), QTime(0, 0), Qt::UTC).addSecs(header_.info.time);
        when = QDateTime(wall.date(), wall.time(), Qt::LocalTime);
    } else if (FileName().toUpper().startsWith(QLatin1String("UNTITLED"))) {
        when = QDateTime::currentDateTime();
    } else {
        const QFileInfo file(FileName());
        if (!file.exists())
            throw VemraError::fileNotFound();
        when = file.lastModified();
    }
    const QLocale locale;
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QTime time = when.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + QLatin1Char(' ') + locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

void clsWave::setGain(float& field, float value)
{
    if (field == value)
        return;
    field = value;
    setChanged(true);
}

void clsWave::setGainIntOut(float dB) { setGain(header_.gains.GainIntOut, dB); }
void clsWave::setGainExtOut(float dB) { setGain(header_.gains.GainExtOut, dB); }

float clsWave::GainIntCha(int channel) const
{
    checkChannel(channel);
    return header_.gains.GainIntCha[channel];
}

void clsWave::setGainIntCha(int channel, float dB)
{
    checkChannel(channel);
    setGain(header_.gains.GainIntCha[channel], dB);
}

float clsWave::GainExtCha(int channel) const
{
    checkChannel(channel);
    return header_.gains.GainExtCha[channel];
}

void clsWave::setGainExtCha(int channel, float dB)
{
    checkChannel(channel);
    setGain(header_.gains.GainExtCha[channel], dB);
}

namespace {
int calibrationSlot(int band)
{
    if (band < 2 || band > 8)
        throw VemraError::range();
    return band - 2;
}
} // namespace

float clsWave::GainCalCh1(int band) const { return header_.gains.GainCalCh1[calibrationSlot(band)]; }
void clsWave::setGainCalCh1(int band, float dB) { setGain(header_.gains.GainCalCh1[calibrationSlot(band)], dB); }
float clsWave::GainCalCh2(int band) const { return header_.gains.GainCalCh2[calibrationSlot(band)]; }
void clsWave::setGainCalCh2(int band, float dB) { setGain(header_.gains.GainCalCh2[calibrationSlot(band)], dB); }

void clsWave::setTemperature(float celsius) { setGain(header_.info.Temperature, celsius); }

QString clsWave::CalID() const { return fieldText(header_.gains.CalID, sizeof header_.gains.CalID); }

void clsWave::setCalID(const QString& id) { setText(header_.gains.CalID, id); }

bool clsWave::Calibrated() const
{
    const QString id = CalID();
    return !(id.isEmpty() || id == QLatin1String("Not Calibrated"));
}

float clsWave::TotalGain(int channel) const
{
    checkChannel(channel);
    const MeasurementGains& g = header_.gains;
    // With the omni and figure-of-eight switched both channels went through input channel 0.
    const int c = header_.info.Receiver == ReceiverOmniFig8Switched ? 0 : channel;
    double sum;
    switch (header_.info.Stimulus) {
    case StimulusInternalMls:
    case StimulusInternalSweep:
        sum = double(g.GainIntOut) + g.GainExtOut + g.GainExtCha[c] + g.GainIntCha[c];
        break;
    case StimulusExternalNoise:
        sum = double(g.GainIntCha[0]) + g.GainExtCha[0] - g.GainExtCha[1] - g.GainIntCha[1];
        break;
    default:
        sum = double(g.GainIntCha[c]) + g.GainExtCha[c];
        break;
    }
    return static_cast<float>(sum);
}

void clsWave::ResetFlags()
{
    for (std::int32_t& start : irStart_)
        start = -1;
    viewDirty_ = true;
    for (int ch = 0; ch < 2; ++ch) {
        for (int slot = 0; slot < kBandSlots; ++slot) {
            rt_[ch][slot].computed = False16;
            EnergyResult& e = energy_[ch][slot];
            e.C50valid = e.C80valid = e.tsValid = e.STearlyValid = e.STlateValid = e.STtotalValid = false;
        }
        for (int band = 0; band < dsp::kBandCount; ++band)
            mtfComputed_[ch][band] = false;
    }
    for (int band = 0; band < dsp::kBandCount; ++band) {
        iacc_[band].computed = False16;
        lf1Computed_[band] = lf2Computed_[band] = lfcComputed_[band] = false;
    }
    riComputed_ = false;
    for (auto& index : speechIndexComputed_)
        index[0] = index[1] = false;
}

} // namespace vemra
