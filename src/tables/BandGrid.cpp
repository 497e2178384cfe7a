#include "tables/BandGrid.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace vemra::tables {
namespace {

constexpr int kSpacing = 6;      // between columns
constexpr int kFrameMargin = 6;  // inside a frame
constexpr int kCellPadding = 10; // around the widest text of a cell

} // namespace

BandGrid::BandGrid(const QStringList& headings, const QString& widestCell, QWidget* parent) : QWidget(parent)
{
    const QFontMetrics fm(font());
    int widest = fm.horizontalAdvance(widestCell);
    for (const QString& h : headings)
        widest = std::max(widest, fm.horizontalAdvance(h));
    cellWidth_ = widest + kCellPadding;

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(kSpacing);
    headingRow_ = new QHBoxLayout;
    headingRow_->setSpacing(kSpacing);
    // The frames' border and margin before the captions.
    QFrame probe;
    probe.setFrameShape(QFrame::StyledPanel);
    headingRow_->setContentsMargins(probe.frameWidth() + kFrameMargin, 0, probe.frameWidth() + kFrameMargin, 0);
    headingCaption_ = new QLabel(QStringLiteral("[Hz]"), this);
    headingCaption_->setObjectName(QStringLiteral("lblFreqUnit"));
    headingCaption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    captions_.append(headingCaption_);
    headingRow_->addWidget(headingCaption_);
    for (int k = 0; k < headings.size(); ++k) {
        auto* label = new QLabel(headings[k], this);
        label->setObjectName(QStringLiteral("lblFreq(%1)").arg(k));
        label->setAlignment(Qt::AlignCenter);
        label->setFixedWidth(cellWidth_);
        headings_.append(label);
        headingRow_->addWidget(label);
    }
    layout_->addLayout(headingRow_);
    alignCaptions();
}

QFrame* BandGrid::addFrame(const QString& name)
{
    auto* frame = new QFrame(this);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(kFrameMargin, kFrameMargin, kFrameMargin, kFrameMargin);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(2);
    // Every frame has the band columns at the same width and spacing, also one whose rows span several of them
    // (the speech indices), so that what stands in a column lines up across the frames: a column minimum would
    // not do, as the layout leaves out the spacing of a column in which no widget starts.
    for (int k = 1; k <= headings_.size(); ++k) {
        auto* filler = new QWidget(frame);
        filler->setFixedSize(cellWidth_, 0);
        grid->addWidget(filler, 0, k);
    }
    frames_.append(frame);
    layout_->addWidget(frame);
    return frame;
}

QGridLayout* BandGrid::frameGrid(QFrame* frame) const { return static_cast<QGridLayout*>(frame->layout()); }

int BandGrid::nextRow(QFrame* frame) const
{
    const QGridLayout* grid = frameGrid(frame);
    return grid->count() == 0 ? 0 : grid->rowCount();
}

QVector<QLabel*> BandGrid::addRow(QFrame* frame, const QString& captionName, const QString& caption,
                                  const QString& cells)
{
    QVector<QWidget*> widgets;
    QVector<QLabel*> labels;
    for (int k = 0; k < headings_.size(); ++k) {
        auto* cell = new QLabel(QStringLiteral("--"), frame);
        cell->setObjectName(QStringLiteral("%1(%2)").arg(cells).arg(k));
        cell->setAlignment(Qt::AlignCenter);
        labels.append(cell);
        widgets.append(cell);
    }
    addWidgetRow(frame, captionName, caption, widgets);
    return labels;
}

void BandGrid::addWidgetRow(QFrame* frame, const QString& captionName, const QString& caption,
                            const QVector<QWidget*>& cells)
{
    QGridLayout* grid = frameGrid(frame);
    const int row = nextRow(frame);
    addCaption(frame, row, captionName, caption);
    const int height = QFontMetrics(font()).height() + 2;
    for (int k = 0; k < cells.size(); ++k) {
        // A fixed size keeps a changed text from laying the window out again.
        cells[k]->setFixedSize(cellWidth_, std::max(height, cells[k]->sizeHint().height()));
        grid->addWidget(cells[k], row, k + 1);
    }
}

QLabel* BandGrid::addCaption(QFrame* frame, int row, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, frame);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    captions_.append(label);
    frameGrid(frame)->addWidget(label, row, 0);
    alignCaptions();
    return label;
}

void BandGrid::alignCaptions()
{
    int widest = 0;
    for (QLabel* c : captions_)
        widest = std::max(widest, c->fontMetrics().horizontalAdvance(c->text()));
    for (QLabel* c : captions_)
        c->setFixedWidth(widest + kCellPadding);
}

} // namespace vemra::tables
