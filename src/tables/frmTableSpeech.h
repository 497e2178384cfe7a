#pragma once
// frmTableSpeech, speech intelligibility of one channel: per octave band 125 Hz .. 8 kHz the signal-to-noise ratio,
// EDT and D50, and the indices STI (female and male weighting), RASTI, STITEL and the STI weighted with the band
// weights of the boxes under More..., each with its rating and its articulation loss of consonants.
//
// The weights: a new table starts the document from the stored default weights; a box takes a number of 0 or more
// (in the user's number format) and the indices follow at once; OK stores the weights as the new defaults,
// Cancel keeps the stored ones. The file and the page write the weights that gave the STI they show.
#include "tables/frmTable.h"

#include <QVector>

class QLineEdit;

namespace vemra {

class frmTableSpeech final : public frmTable {
    Q_OBJECT
public:
    explicit frmTableSpeech(const QString& key, QWidget* parent = nullptr);

    void cmdOK_Click() override;
    void cmdCancel_Click();
    void cmdMore_Click();
    void cmdMTF_Click();
    // Takes the text of weight box k: true when it was a weight (then the indices are calculated again); a text
    // that is not a finite number of 0 or more is refused with a beep and the box shows the weight in use.
    bool Weight_Validate(int index);

    QLineEdit* txtWeight(int index) const { return txtWeight_[index]; }
    bool weightsShown() const { return weightsShown_; }

protected:
    void Form_Load(clsWave& wave) override;
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Index { Female, Male, Rasti, Stitel, Weighted, IndexCount };
    struct IndexValue {
        bool valid;
        float value;
    };
    IndexValue index(clsWave& wave, Index which) const;
    void showIndices(clsWave& wave);

    QVector<QLineEdit*> txtWeight_;
    QFrame* fraCustom_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdMore_ = nullptr;
    QPushButton* cmdMTF_ = nullptr;
    bool weightsShown_ = false;
};

} // namespace vemra
