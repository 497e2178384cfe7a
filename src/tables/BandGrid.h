#pragma once
// The grid of a table window: column headings over framed groups of rows, each row a caption and one cell per
// column. Every caption and every cell of all groups has the same fixed width, so the columns line up from the
// headings down through every frame. Cells are named "<array>(k)" (as "lblG(3)") and start as "--".
// Calling thread: the user-interface thread.
#include <QFrame>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace vemra::tables {

class BandGrid : public QWidget {
    Q_OBJECT
public:
    // `headings` head the columns; `widestCell` is the widest text a cell shows.
    BandGrid(const QStringList& headings, const QString& widestCell, QWidget* parent = nullptr);

    // A framed group of rows, below the previous ones.
    QFrame* addFrame(const QString& name);
    // A row of `frame`: its caption (named `captionName`) and one cell per column, named `cells`(k).
    QVector<QLabel*> addRow(QFrame* frame, const QString& captionName, const QString& caption,
                            const QString& cells);
    // A row whose cells are the given widgets (one per column), as the weights boxes of the speech table.
    void addWidgetRow(QFrame* frame, const QString& captionName, const QString& caption,
                      const QVector<QWidget*>& cells);
    // A caption in row `row` of the frame's grid (column 0, as wide as every other caption), for rows a table lays
    // out itself in the columns after it.
    QLabel* addCaption(QFrame* frame, int row, const QString& name, const QString& caption);
    QGridLayout* frameGrid(QFrame* frame) const;
    // The row a new row of the frame goes into.
    int nextRow(QFrame* frame) const;
    // The column headings (lblFreq).
    QLabel* heading(int column) const { return headings_.value(column); }
    int cellWidth() const { return cellWidth_; }

private:
    void alignCaptions();

    QVBoxLayout* layout_ = nullptr;
    QHBoxLayout* headingRow_ = nullptr;
    QLabel* headingCaption_ = nullptr;
    QVector<QLabel*> headings_;
    QVector<QLabel*> captions_;
    QVector<QFrame*> frames_;
    int cellWidth_ = 0;
};

} // namespace vemra::tables
