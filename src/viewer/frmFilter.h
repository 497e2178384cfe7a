#pragma once
// frmFilter, the band palette: one push button per band that the document's sample rate allows, the wide band
// and all-pass. A click sets the document's band filter and redraws its window; releasing the mouse over a band
// button closes the palette, Esc closes it without a change. Modal; holds only the document's Key.
#include <QDialog>
#include <QHash>
#include <QString>

class QPushButton;

namespace vemra {

class frmFilter : public QDialog {
    Q_OBJECT

public:
    explicit frmFilter(QWidget* parent = nullptr);

    QString Key;

    // Button index = band index, 98 wide band, 99 all-pass; nullptr for other indices.
    QPushButton* cmdFilter(int index) const { return buttons_.value(index); }
    void cmdFilter_Click(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Activate();
    void highlight(int filterType, bool on);

    QHash<int, QPushButton*> buttons_;
};

} // namespace vemra
