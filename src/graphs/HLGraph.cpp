// The band graph control's data: points, series, cursor and saved properties. The drawing is in
// HLGraphDrawing.cpp.
#include "graphs/HLGraph.h"

#include "core/VemraError.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace vemra {

HLGraph::HLGraph(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pictGraph"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    backColor_ = palette().color(QPalette::Window);
    for (std::size_t s = 0; s < values_.size(); ++s) {
        values_[s].assign(1, 0.0);
        set_[s].assign(1, false);
    }
    // A new control reads its saved properties, of which it has none yet: the defaults apply.
    ReadProperties({});
}

void HLGraph::setXCount(int count)
{
    if (count < 0 || count > 32767)
        throw VemraError::range();
    const std::size_t size = std::size_t(count) + 1;
    xValues_.resize(size);
    for (std::size_t s = 0; s < values_.size(); ++s) {
        values_[s].resize(size, 0.0);
        set_[s].resize(size, false);
        // The spare entry past the last point holds no point: one dropped there must not come back.
        set_[s][std::size_t(count)] = false;
    }
    xCount_ = count;
}

void HLGraph::setYCount(int count)
{
    // The values hold six series; more could never be filled.
    if (count < 0 || count > kMaxSeries)
        throw VemraError::range();
    const std::size_t size = std::size_t(count) + 1;
    colours_.resize(size, 0);
    styles_.resize(size, 0);
    widths_.resize(size, 0);
    yCount_ = count;
}

void HLGraph::setYAutoMin(bool on)
{
    yAutoMin_ = on;
    Refresh();
}

void HLGraph::setYAutoMax(bool on)
{
    yAutoMax_ = on;
    Refresh();
}

void HLGraph::setXScaleType(int type)
{
    xScaleType_ = type;
    Refresh();
}

void HLGraph::setShowGrid(bool on)
{
    if (on == grid_)
        return;
    grid_ = on;
    Refresh();
}

void HLGraph::setCurrentX(int point)
{
    if (point >= 0 && point < xCount_)
        currentX_ = point;
}

void HLGraph::setCurrentY(int series)
{
    if (series >= 0 && series < yCount_)
        currentY_ = series;
}

void HLGraph::checkPoint(int series, int point) const
{
    if (series < 0 || series >= kMaxSeries || point < 0 || std::size_t(point) >= values_[0].size())
        throw VemraError::range();
}

void HLGraph::checkSeries(int series, std::size_t size) const
{
    if (series < 0 || std::size_t(series) >= size)
        throw VemraError::range();
}

double HLGraph::value(int series, int point) const
{
    checkPoint(series, point);
    return values_[std::size_t(series)][std::size_t(point)];
}

bool HLGraph::isSet(int series, int point) const
{
    checkPoint(series, point);
    return set_[std::size_t(series)][std::size_t(point)];
}

void HLGraph::stepSeries()
{
    currentX_ = 0;
    currentY_ = currentY_ >= yCount_ - 1 ? 0 : currentY_ + 1;
}

double HLGraph::YValue() const { return value(currentY_, currentX_); }

void HLGraph::setYValue(double value)
{
    checkPoint(currentY_, currentX_);
    values_[std::size_t(currentY_)][std::size_t(currentX_)] = value;
    set_[std::size_t(currentY_)][std::size_t(currentX_)] = true;
    if (!autoStep_)
        return;
    if (currentX_ >= xCount_ - 1)
        stepSeries();
    else
        ++currentX_;
}

QVariant HLGraph::XValue() const
{
    checkSeries(currentX_, xValues_.size());
    return xValues_[std::size_t(currentX_)];
}

void HLGraph::setXValue(const QVariant& value)
{
    checkSeries(currentX_, xValues_.size());
    xValues_[std::size_t(currentX_)] = value;
    if (!autoStep_)
        return;
    currentX_ = currentX_ >= xCount_ - 1 ? 0 : currentX_ + 1;
}

void HLGraph::EndLine()
{
    if (autoStep_ && currentX_ != 0)
        stepSeries();
}

std::uint32_t HLGraph::YColor(int series) const
{
    checkSeries(series, colours_.size());
    return colours_[std::size_t(series)];
}

void HLGraph::setYColor(int series, std::uint32_t colour)
{
    checkSeries(series, colours_.size());
    colours_[std::size_t(series)] = colour;
}

int HLGraph::YStyle(int series) const
{
    checkSeries(series, styles_.size());
    return styles_[std::size_t(series)];
}

void HLGraph::setYStyle(int series, std::int32_t style)
{
    checkSeries(series, styles_.size());
    styles_[std::size_t(series)] = std::int16_t(style);
}

int HLGraph::YWidth(int series) const
{
    checkSeries(series, widths_.size());
    return widths_[std::size_t(series)];
}

void HLGraph::setYWidth(int series, std::int32_t width)
{
    checkSeries(series, widths_.size());
    widths_[std::size_t(series)] = std::int16_t(width);
}

void HLGraph::Home()
{
    currentX_ = 0;
    currentY_ = 0;
}

void HLGraph::Init()
{
    title1_.clear();
    title2_.clear();
    for (auto& flags : set_)
        flags.assign(1, false);
    setXCount(0);
    setYCount(0);
    // Through the property writes, as a client would: with no points their redraws draw nothing.
    setAutoStep(true);
    setYAutoMax(true);
    setYAutoMin(true);
    setShowGrid(true);
    Home();
}

void HLGraph::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        ClipSavePicture();
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {
const QString kTitle1 = QStringLiteral("Title1"), kTitle2 = QStringLiteral("Title2"),
              kXTitle = QStringLiteral("XTitle"), kYTitle = QStringLiteral("YTitle"),
              kXScaleType = QStringLiteral("XScaleType"), kYAutoMax = QStringLiteral("YAutoMax"),
              kYAutoMin = QStringLiteral("YAutoMin"), kAutoStep = QStringLiteral("AutoStep");
}

QVariantMap HLGraph::WriteProperties() const
{
    QVariantMap bag;
    auto text = [&](const QString& key, const QString& value) {
        if (!value.isEmpty())
            bag.insert(key, value);
    };
    text(kTitle1, title1_);
    text(kTitle2, title2_);
    text(kXTitle, xTitle_);
    text(kYTitle, yTitle_);
    if (xScaleType_ != 0)
        bag.insert(kXScaleType, xScaleType_);
    if (!yAutoMax_)
        bag.insert(kYAutoMax, false);
    if (!yAutoMin_)
        bag.insert(kYAutoMin, false);
    if (!autoStep_)
        bag.insert(kAutoStep, false);
    return bag;
}

void HLGraph::ReadProperties(const QVariantMap& bag)
{
    title1_ = bag.value(kTitle1, QString()).toString();
    title2_ = bag.value(kTitle2, QString()).toString();
    xTitle_ = bag.value(kXTitle, QString()).toString();
    yTitle_ = bag.value(kYTitle, QString()).toString();
    xScaleType_ = std::int16_t(bag.value(kXScaleType, 0).toInt());
    yAutoMax_ = bag.value(kYAutoMax, true).toBool();
    yAutoMin_ = bag.value(kYAutoMin, true).toBool();
    autoStep_ = bag.value(kAutoStep, true).toBool();
}

} // namespace vemra
