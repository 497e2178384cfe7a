// Drawing waterfalls: where a tone lands in a spectrogram, slices hiding what lies behind them, and the refusals
// of DrawWaterfall.
#include "library/api_waterfall.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "library/dsp/WaterfallDisplay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <vector>

using namespace vemra;

namespace {

constexpr double kFs = 48000;

// A picture of hand-made slices: `levels[i]` is the flat level of slice i, with an optional peak.
struct HandPicture {
    dsp::WaterfallSettings settings;
    std::vector<std::vector<float>> data;
    WaterfallPicture picture;

    HandPicture(const std::vector<float>& levels, double peak_Hz = 0)
    {
        settings.mode = dsp::DecayMode::Cumulative;
        settings.logN = 10;
        settings.slices = int(levels.size());
        settings.count = 4096;
        settings.csdShift = 100;
        settings.fs_Hz = kFs;
        picture.settings = settings;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            std::vector<float> slice(settings.bins(), levels[i]);
            if (peak_Hz > 0)
                slice[std::size_t(std::lround(peak_Hz / (kFs / double(settings.fftSize()))))] = 0;
            data.push_back(std::move(slice));
        }
        for (std::size_t i = 0; i < data.size(); ++i) {
            picture.numbers.push_back(int(i));
            picture.times_s.push_back(dsp::sliceTime_s(settings, int(i)));
            picture.slices.emplace_back(data[i]);
        }
    }
};

QImage paint(const WaterfallPicture& picture, const WaterfallStyle& style, QSize size = QSize(800, 500))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(waterfallBackground(style.colors));
    QPainter painter(&image);
    PaintWaterfall(painter, QRectF(QPointF(0, 0), size), picture, style);
    return image;
}

// The smallest rectangle holding every pixel that is not the background.
QRect paintedBounds(const QImage& image, QRgb background)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

WaterfallStyle style(bool spectrogram, bool linear)
{
    WaterfallStyle s;
    s.spectrogram = spectrogram;
    s.linear = linear;
    s.range_dB = 40;
    s.fLow_Hz = 100;
    s.fHigh_Hz = 20000;
    return s;
}

} // namespace

// A tone shows as the loudest row of the spectrogram, at the height of its frequency on a linear and on a
// logarithmic axis.
TEST(WaterfallDrawing, SpectrogramPutsAToneOnTheRowOfItsFrequency)
{
    const HandPicture hand({-30, -30, -30, -30}, 3000);
    // Colours back to their place on the scale; a pixel of another colour is no part of the plot.
    const QVector<QRgb> table = waterfallColourTable(0);
    auto scaleIndex = [&](QRgb c) { return int(table.indexOf(c | 0xFF000000)); };
    for (const bool linear : {false, true}) {
        SCOPED_TRACE(linear ? "linear" : "logarithmic");
        const WaterfallStyle s = style(true, linear);
        const QImage image = paint(hand.picture, s);
        const int x = image.width() / 2;
        int top = -1, bottom = -1, hottest = -1, hottestIndex = -1;
        for (int y = 0; y < image.height(); ++y) {
            const int index = scaleIndex(image.pixel(x, y));
            if (index < 30) // the background, the frame and the labels
                continue;
            if (top < 0)
                top = y;
            bottom = y;
            if (index > hottestIndex) {
                hottestIndex = index;
                hottest = y;
            }
        }
        ASSERT_GT(bottom - top, 100);
        EXPECT_GT(hottestIndex, 240);
        // Rows count up from the lowest frequency at the bottom of the plot.
        const dsp::FrequencyAxis axis{s.fLow_Hz, s.fHigh_Hz, s.linear, double(bottom - top + 1)};
        EXPECT_NEAR(hottest, bottom + 0.5 - axis.positionOf(3000), 2.0);
    }
}

// Painted from the back to the front, each slice covers the lines behind it: below the front slice's line there
// is only background down to the frequency axis.
TEST(WaterfallDrawing, FrontSlicesHideTheSlicesBehindThem)
{
    // The back slice lies at the bottom of the range (its line on its own floor, which runs behind the front
    // slice); the front slice is loud everywhere.
    const HandPicture hand({-100, 0});
    const WaterfallStyle s = style(false, false);
    const QImage image = paint(hand.picture, s);
    const QRgb background = waterfallBackground(0).rgb() & 0xFFFFFF;
    const QRgb axis = waterfallForeground(0).rgb() & 0xFFFFFF;
    const int x = image.width() * 2 / 5;

    // From the bottom: the frequency axis is the lowest foreground row that spans the column's neighbourhood.
    int axisRow = -1;
    for (int y = image.height() - 1; y >= 0 && axisRow < 0; --y)
        if ((image.pixel(x, y) & 0xFFFFFF) == axis && (image.pixel(x + 3, y) & 0xFFFFFF) == axis)
            axisRow = y;
    ASSERT_GT(axisRow, 0);
    // Up from the axis: background until the front slice's line.
    int y = axisRow - 1;
    while (y > 0 && (image.pixel(x, y) & 0xFFFFFF) == background)
        --y;
    const int lineRow = y;
    EXPECT_LT(lineRow, axisRow - image.height() / 5) << "something drawn between the front slice and its axis";
    // The front slice is at the top of the range: its line (smoothed over a row or two) shows the red of the loudest
    // level.
    int strongest = lineRow;
    for (int y = lineRow; y > lineRow - 3; --y)
        if (qRed(image.pixel(x, y)) > qRed(image.pixel(x, strongest)))
            strongest = y;
    const QRgb line = image.pixel(x, strongest);
    EXPECT_GT(qRed(line), 120);
    EXPECT_LT(qGreen(line) + qBlue(line), qRed(line) / 4);
}

// Slices all on the floor have no level to show the others below: in place of a plane at the top of the range
// (or a spectrogram all in its hottest colour) the picture is one line of text in the middle of the plot. One bin
// above the floor in one slice is a picture like any other.
TEST(WaterfallDrawing, SilentSlicesPaintOnlyTheirReason)
{
    constexpr float kFloor = dsp::kWaterfallFloor_dB;
    const HandPicture silence({kFloor, kFloor, kFloor});
    HandPicture quiet({kFloor, kFloor, kFloor});
    quiet.data[1][40] = kFloor + 1;
    const struct {
        const char* name;
        const HandPicture& hand;
        bool silent;
    } pictures[] = {
        {"every slice silent", silence, true},
        {"one bin of one slice above the floor", quiet, false},
    };
    const QSize size(800, 500);
    for (const auto& c : pictures) {
        for (const bool spectrogram : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (spectrogram ? ", spectrogram" : ", waterfall"));
            const WaterfallStyle s = style(spectrogram, false);
            EXPECT_EQ(c.hand.picture.silent(), c.silent);
            QImage image(size, QImage::Format_RGB32);
            image.fill(waterfallBackground(s.colors));
            QPainter painter(&image);
            EXPECT_EQ(PaintWaterfall(painter, QRectF(QPointF(0, 0), size), c.hand.picture, s), !c.silent);
            painter.end();
            const QRect painted = paintedBounds(image, waterfallBackground(s.colors).rgb());
            ASSERT_FALSE(painted.isEmpty());
            if (c.silent) {
                EXPECT_LT(painted.height(), 40);
                EXPECT_GT(painted.width(), 150);
                EXPECT_NEAR(painted.center().y(), size.height() / 2, 10);
                EXPECT_NEAR(painted.center().x(), size.width() / 2, 10);
            } else {
                EXPECT_GT(painted.height(), size.height() * 3 / 4);
            }
        }
    }
}

TEST(WaterfallDrawing, DrawWaterfallRefusesWhatItCannotDraw)
{
    WaterfallParams p{};
    p.Range = 40;
    p.MinFreqBand = 1;
    p.MaxFreqBand = 10;
    p.PlotWidth = 100;
    p.PlotHeight = 100;
    EXPECT_EQ(DrawWaterfall(p), msg::NoWaveData);

    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    DeviceContext dc(painter);
    p.hDC = dc.handle();
    EXPECT_EQ(DrawWaterfall(p), msg::NoWaveData); // a device context, but no waterfall

    // A waterfall whose slices are all silent: nothing to draw.
    WaterfallStore::Entry silence;
    silence.channels = {std::vector<float>(4096, 0.0f)};
    silence.fs_Hz = kFs;
    p.Slices = 4;
    p.LogN = 9;
    p.WindowType = 1;
    p.SampleCount = 4096;
    ASSERT_TRUE(WaterfallStore::dimension(silence, p));
    p.LibraryData = WaterfallStore::add(std::move(silence));
    for (std::int16_t i = 0; i < p.Slices; ++i)
        ASSERT_EQ(SliceWaterfall(p, i), Ok);
    EXPECT_EQ(DrawWaterfall(p), msg::NoWaveData);
    // The same waterfall with a sample of 1 in the middle of the second slice's window draws.
    WaterfallStore::find(p.LibraryData)->channels[0][1450] = 1.0f;
    for (std::int16_t i = 0; i < p.Slices; ++i)
        ASSERT_EQ(SliceWaterfall(p, i), Ok);
    EXPECT_EQ(DrawWaterfall(p), Ok);
    DestroyWaterfall(p);
}

TEST(WaterfallDrawing, LinearAndLogarithmicTicksLabelRoundFrequencies)
{
    const dsp::FrequencyAxis log{22.4, 22387, false, 600};
    std::vector<QString> labels;
    for (const AxisTick& t : frequencyTicks(log, 30))
        if (t.major)
            labels.push_back(t.label);
    const std::vector<QString> expected{"50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"};
    EXPECT_EQ(labels, expected);

    const dsp::FrequencyAxis lin{0, 20000, true, 600};
    labels.clear();
    for (const AxisTick& t : frequencyTicks(lin, 100))
        if (t.major)
            labels.push_back(t.label);
    const std::vector<QString> linear{"0", "5k", "10k", "15k", "20k"};
    EXPECT_EQ(labels, linear);
}
