#pragma once
// A paint device that records what is drawn on it (texts with their positions, lines with their pens) instead of
// rasterising it, so tests can check a drawing's content. Coordinates are the painter's device coordinates.
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QString>
#include <QTextItem>

#include <vector>

namespace graphstest {

struct DrawnText {
    QString text;
    QPointF baseline; // left end of the baseline
};

struct DrawnLine {
    QLineF line;
    QPen pen;
};

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & QPaintEngine::DirtyPen)
            pen_ = state.pen();
        if (state.state() & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        texts.push_back({item.text(), transform_.map(p)});
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            this->lines.push_back({transform_.map(lines[i]), pen_});
    }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;

private:
    QPen pen_;
    QTransform transform_;
};

class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine_; }
    RecordingEngine& engine() const { return engine_; }

    // The texts drawn, in order.
    std::vector<QString> texts() const
    {
        std::vector<QString> t;
        for (const DrawnText& d : engine_.texts)
            t.push_back(d.text);
        return t;
    }
    const DrawnText* find(const QString& text) const
    {
        for (const DrawnText& d : engine_.texts)
            if (d.text == text)
                return &d;
        return nullptr;
    }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 20000;
        case PdmHeight: return 20000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 1440;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 1;
        }
    }

private:
    mutable RecordingEngine engine_;
};

} // namespace graphstest
