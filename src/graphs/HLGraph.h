#pragma once
// HLGraph, the band graph control: up to six series of values over consecutive frequency bands, drawn as broken
// lines in a white plot box (a value whose neighbours have none as a dot), with band labels on the X axis, a
// nice-number Y axis, two titles and an optional grid. It copies itself to the clipboard and prints itself, both
// on white with a grid that prints.
//
// Filling protocol (the parameter graph window's order): Init; XScaleType, Title1, Title2, XCount, XMin,
// YAutoMin, YAutoMax, YMax, YMin, ShowGrid, YCount, Home; per series: YColor, YStyle, YWidth of CurrentY, then per
// point a YValue write (which stores, marks the point set and steps the cursor) or CurrentX + 1 to leave a gap,
// then EndLine; finally Refresh. Only Refresh and the members that call it (a resize, YAutoMin, YAutoMax,
// XScaleType, a changing ShowGrid) draw.
//
// Cursor writes outside 0..XCount-1 / 0..YCount-1 are ignored; YColor, YStyle, YWidth, YValue and XValue at an
// index or cursor outside their arrays throw the range failure (VemraError 9). YCount above 6 is refused the same
// way. Colours are 32-bit values with red in the low byte, as the graph window writes them.
//
// Geometry is in twips (1440 per inch) with y growing upwards from the bottom edge, kept in floating point, so
// any window or page size draws. The drawing goes to a persistent image (shown on screen and copied) and, for
// printing, straight to the printer in vectors. A drawing error is reported once under the failing procedure's
// name and ends that drawing; the same error is not reported again until a drawing succeeds.
// Calling thread: the user-interface thread.
#include "graphs/GraphAxes.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;
class QPrinter;

namespace vemra {

class HLGraph : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxSeries = 6;

    explicit HLGraph(QWidget* parent = nullptr);

    // Background outside the plot box, shown from the next drawing.
    void setBackColor(const QColor& colour) { backColor_ = colour; }
    QColor BackColor() const { return backColor_; }

    // Number of points; a write resizes the per-point arrays, keeping the points that remain (new ones unset).
    int XCount() const { return xCount_; }
    void setXCount(int count);
    // Number of series, 0..6; a write resizes the colours, styles and widths, keeping existing entries.
    int YCount() const { return yCount_; }
    void setYCount(int count);

    // Redraws the whole graph when XCount >= 1 and YCount >= 1; otherwise the picture stays as it is.
    void Refresh();

    // Fixed Y ends (used when the matching automatic flag is off); XMin is the band index of point 0.
    double YMin() const { return yMin_; }
    void setYMin(double value) { yMin_ = value; }
    double YMax() const { return yMax_; }
    void setYMax(double value) { yMax_ = value; }
    double XMin() const { return xMin_; }
    void setXMin(double value) { xMin_ = value; }
    double XMax() const { return xMax_; }
    void setXMax(double value) { xMax_ = value; }
    bool YAutoMin() const { return yAutoMin_; }
    void setYAutoMin(bool on);
    bool YAutoMax() const { return yAutoMax_; }
    void setYAutoMax(bool on);
    // 1 octave band labels, 2 third-octave band labels, anything else none.
    int XScaleType() const { return xScaleType_; }
    void setXScaleType(int type);

    // The cursor: point and series that YValue and XValue address.
    int CurrentX() const { return currentX_; }
    void setCurrentX(int point);
    int CurrentY() const { return currentY_; }
    void setCurrentY(int series);
    bool AutoStep() const { return autoStep_; }
    void setAutoStep(bool on) { autoStep_ = on; }
    double YValue() const;
    void setYValue(double value);
    QVariant XValue() const;
    void setXValue(const QVariant& value);

    // A colour value (red in the low byte, blue in the third) as a colour.
    static QColor colourOf(std::uint32_t value);
    std::uint32_t YColor(int series) const;
    void setYColor(int series, std::uint32_t colour);
    // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 invisible, 6 inside solid.
    int YStyle(int series) const;
    void setYStyle(int series, std::int32_t style);
    // Pixels (of a 96 dpi screen; printed at the same size).
    int YWidth(int series) const;
    void setYWidth(int series, std::int32_t width);

    // A main title beginning with "$" names a symbol title: "$Alpha [-]" draws the Greek alpha and "[-]".
    QString Title1() const { return title1_; }
    void setTitle1(const QString& text) { title1_ = text; }
    QString Title2() const { return title2_; }
    void setTitle2(const QString& text) { title2_ = text; }
    QString Ylabel() const { return yTitle_; }
    void setYlabel(const QString& text) { yTitle_ = text; }
    // Stored and saved, not drawn.
    QString Xlabel() const { return xTitle_; }
    void setXlabel(const QString& text) { xTitle_ = text; }

    bool ShowGrid() const { return grid_; }
    void setShowGrid(bool on);

    void Home();
    // Empties the graph: no titles, no points, no series, automatic ends, grid on, cursor home. Axis titles, the
    // X scale type and the stored ends stay.
    void Init();
    // Ends the current series: the cursor moves to point 0 of the next series unless it is already at point 0.
    void EndLine();

    // Whether the graph holds a value to show (a set point of a series): without one, copying and printing would
    // give an empty frame.
    bool ShowsValues() const;
    // Puts the graph, drawn at its screen size for paper, on the clipboard as an image. With no value to show it
    // leaves the clipboard as it is and returns false.
    bool ClipSavePicture();
    // Prints the drawing, for paper, on one page at its screen size, centred across the page and as far from the
    // top as from the sides; a drawing wider or taller than the page is scaled down to fit. False when the printer
    // could not be started.
    bool PrintPicture(QPrinter& printer);
    // Where a drawing of that size goes on a page's printable area (same units): at its own size when it fits,
    // else scaled down to fit; centred across, as far from the top as from the sides where the page allows.
    static QRectF PrintArea(const QSizeF& drawing, const QSizeF& page);

    // The eight saved properties ("Title1", "Title2", "XTitle", "YTitle", "XScaleType", "YAutoMax", "YAutoMin",
    // "AutoStep"); a value equal to its default is not written, a missing one reads as the default. No redraw.
    QVariantMap WriteProperties() const;
    void ReadProperties(const QVariantMap& bag);

    // What the last drawing produced.
    const QImage& picture() const { return picture_; }
    graphs::AxisRange axis() const { return axis_; }
    // A stored value and whether it is set (series 0..5, point 0..XCount); range failure outside.
    double value(int series, int point) const;
    bool isSet(int series, int point) const;

    // The screen shows the graph on the back colour with a light grey grid; on paper and on the clipboard (which
    // mostly ends on paper) it stands on white with a grid dark enough to print.
    enum class Surface { Screen, Paper };
    // Draws the graph for a surface of width x height twips onto the painter, whose world coordinates are
    // twips with y growing downwards from the top-left corner. False after a reported drawing error.
    bool render(QPainter& painter, double width_tw, double height_tw, Surface surface = Surface::Screen);
    // The grid's colour on that surface.
    QColor gridColour(Surface surface) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Layout;
    void checkPoint(int series, int point) const;
    void checkSeries(int series, std::size_t size) const;
    void stepSeries();
    // Runs one drawing procedure; reports its error under its name unless the same error was the last reported.
    template <class Body>
    bool reportOnce(const char* procedure, Body&& body);
    void drawTitles(const Layout& l);
    void drawXaxis(const Layout& l);
    void drawYaxis(const Layout& l);
    void drawCurves(const Layout& l);
    std::pair<double, double> dataExtent() const;
    // The graph drawn at the widget's size for that surface; `drawn` false after a reported drawing error.
    QImage renderImage(Surface surface, bool& drawn);

    QString title1_, title2_, xTitle_, yTitle_;
    bool grid_ = false;
    int xCount_ = 0;
    std::vector<QVariant> xValues_ = std::vector<QVariant>(1);
    int xScaleType_ = 0;
    double xMin_ = 0, xMax_ = 0;
    std::array<std::vector<double>, kMaxSeries> values_;
    std::array<std::vector<bool>, kMaxSeries> set_;
    std::vector<std::uint32_t> colours_ = std::vector<std::uint32_t>(1);
    std::vector<std::int16_t> styles_ = std::vector<std::int16_t>(1);
    std::vector<std::int16_t> widths_ = std::vector<std::int16_t>(1);
    int yCount_ = 0;
    double yMin_ = 0, yMax_ = 0;
    bool yAutoMax_ = true, yAutoMin_ = false;
    int currentX_ = 0, currentY_ = 0;
    bool autoStep_ = true;
    graphs::AxisRange axis_;

    QColor backColor_;
    QImage picture_;
    QString lastReported_; // procedure and description of the last reported drawing error
};

} // namespace vemra
