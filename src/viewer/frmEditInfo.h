#pragma once
// frmEditInfo, the modeless "Info" window: statistics of a range of samples of a response, per channel, as the
// document computes them through its current band filter (clsWave::GetSinfo). The values are a snapshot taken
// when the window loads; they do not follow later changes of the selection or the samples. The window keeps only
// the document's Key and closes when that document goes away. Several may be open at once.
// Calling thread: the user-interface thread.
#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QLabel;

namespace vemra {

class frmEditInfo : public QDialog {
    Q_OBJECT

public:
    // Fills the table from document `key`, points start .. start + length - 1. Deletes itself when closed.
    frmEditInfo(const QString& key, std::int32_t start, std::int32_t length, QWidget* parent = nullptr);

    QString Key;
    std::int32_t Start = 0;
    std::int32_t Length = 0;

    void cmdOK_Click();
    void cmdHelp_Click();

    QLabel* lblCh1(int row) const { return lblCh1_[std::size_t(row)]; }
    QLabel* lblCh2(int row) const { return lblCh2_[std::size_t(row)]; }

    // ">1000" above 1000, "<-1000" below -1000, else the value in the pattern ("0", "0.0", ...).
    static QString FormatClipped(float value, const QString& format);

private:
    void Form_Load();

    std::array<QLabel*, 7> lblCh1_{};
    std::array<QLabel*, 7> lblCh2_{};
};

} // namespace vemra
