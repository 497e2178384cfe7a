#include "viewer/frmEditInfo.h"

#include "core/ErrorGuard.h"
#include "core/HelpKey.h"
#include "core/NumberFormat.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/api_edit.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vemra {
namespace {

constexpr int kHelpContext = 32;

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kGrey(0xC0, 0xC0, 0xC0);
const QString kThree = QStringLiteral("0.000");

void setBackground(QLabel* cell, const QColor& colour)
{
    QPalette p = cell->palette();
    p.setColor(QPalette::Window, colour);
    cell->setPalette(p);
}

// The seven values of the last GetSinfo, in row order, formatted.
std::array<QString, 7> statisticsTexts(const clsWave& wave)
{
    auto sample = [](float v) { return FormatNumber(v, std::fabs(v) < 100 ? kThree : QStringLiteral("0")); };
    const float dt60 = wave.DT60();
    return {sample(wave.MinSampleValue()),
            sample(wave.MaxSampleValue()),
            FormatNumber(wave.AvgSampleValue(), kThree),
            FormatNumber(wave.Power(), kThree),
            frmEditInfo::FormatClipped(wave.Slope(), kThree),
            // The document's mark of a decay it could not fit.
            dt60 == NoDecayTime_s ? QStringLiteral("--") : FormatNumber(dt60, kThree),
            frmEditInfo::FormatClipped(wave.Decay(), kThree)};
}

} // namespace

QString frmEditInfo::FormatClipped(float value, const QString& format)
{
    if (value > 1000)
        return QStringLiteral(">1000");
    if (value < -1000)
        return QStringLiteral("<-1000");
    return FormatNumber(value, format);
}

frmEditInfo::frmEditInfo(const QString& key, std::int32_t start, std::int32_t length, QWidget* parent)
    : QDialog(parent), Key(key), Start(start), Length(length)
{
    setObjectName(QStringLiteral("frmEditInfo"));
    setWindowTitle(QStringLiteral("Info"));
    InstallHelpKey(this, kHelpContext);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* fraTabs = new QFrame(this);
    fraTabs->setObjectName(QStringLiteral("fraTabs"));
    fraTabs->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(fraTabs);
    auto* head1 = new QLabel(QStringLiteral("Channel 1"), fraTabs);
    head1->setObjectName(QStringLiteral("lblCh1h"));
    auto* head2 = new QLabel(QStringLiteral("Channel 2"), fraTabs);
    head2->setObjectName(QStringLiteral("lblCh2h"));
    grid->addWidget(head1, 0, 1, Qt::AlignHCenter);
    grid->addWidget(head2, 0, 2, Qt::AlignHCenter);
    const char* const captions[7] = {"Minimum Sample Value: ", "Maximum Sample Value: ", "Average Sample Value: ",
                                     "RMS Level [dB]: ",        "Slope [dB/s]: ",         "DT60 [s]: ",
                                     "Decay [dB]: "};
    for (int i = 0; i < 7; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(captions[i]), fraTabs);
        caption->setObjectName(QStringLiteral("lblInfo(%1)").arg(i));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, i + 1, 0);
        for (int ch = 0; ch < 2; ++ch) {
            auto* cell = new QLabel(fraTabs);
            cell->setObjectName(QStringLiteral("lblCh%1(%2)").arg(ch + 1).arg(i));
            cell->setAutoFillBackground(true);
            cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cell->setMinimumWidth(90);
            cell->setFrameShape(QFrame::Panel);
            cell->setFrameShadow(QFrame::Sunken);
            setBackground(cell, ch == 0 ? kWhite : kGrey);
            grid->addWidget(cell, i + 1, ch + 1);
            (ch == 0 ? lblCh1_ : lblCh2_)[std::size_t(i)] = cell;
        }
    }

    auto* cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmEditInfo::cmdOK_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmEditInfo::cmdHelp_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraTabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void frmEditInfo::Form_Load()
{
    guarded("frmEditInfo::Load", [&] {
        clsWave* wave = WaveByKey(Key);
        if (!wave)
            throw VemraError::objectNotSet();
        // A snapshot of a document that has gone means nothing any more.
        connect(wave, &clsWave::WaveExit, this, &QWidget::close);

        if (const std::int16_t result = wave->GetSinfo(0, Start, Length); result == 0) {
            const std::array<QString, 7> texts = statisticsTexts(*wave);
            for (int i = 0; i < 7; ++i)
                lblCh1_[std::size_t(i)]->setText(texts[std::size_t(i)]);
        } else {
            HandleError(result);
        }
        if (wave->Channels() == 2) {
            if (const std::int16_t result = wave->GetSinfo(1, Start, Length); result == 0) {
                const std::array<QString, 7> texts = statisticsTexts(*wave);
                for (int i = 0; i < 7; ++i) {
                    setBackground(lblCh2_[std::size_t(i)], kWhite);
                    lblCh2_[std::size_t(i)]->setText(texts[std::size_t(i)]);
                }
            } else {
                HandleError(result);
            }
        }
    });
}

void frmEditInfo::cmdOK_Click() { close(); }

void frmEditInfo::cmdHelp_Click() { ShowHelp(this, kHelpContext); }

} // namespace vemra
