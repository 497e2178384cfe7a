// What Save writes: for each table, receiver, calibration, sample rate and number format, the exact text of the
// file, against an expectation that spells out the layout (labels, headings, row order, empty lines, the columns
// each row covers) and fills in the document's own values.
#include "tables_fixture.h"

#include "core/Globals.h"
#include "tables/frmTableMTF.h"

#include <QFile>
#include <QStringList>

#include <functional>

using namespace tabletest;

namespace {

// The expected text of one document, in the case's number format.
class Expect {
public:
    Expect(clsWave& wave, QChar point, int channel = 0) : w_(wave), point_(point), ch_(channel) {}

    QString number(double v, int decimals) const
    {
        if (std::round(std::abs(v) * std::pow(10.0, decimals)) == 0)
            v = 0;
        return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), point_);
    }
    // The band columns from `firstBand`: a value in each of columns 0 .. last (each must have one: the responses
    // are clean), then `beyond` up to column `through`.
    QString cells(const std::function<double(int band)>& value, int decimals, int firstBand, int last,
                  int through = -1, const QString& beyond = QStringLiteral(" ")) const
    {
        QString s;
        for (int k = 0; k <= last; ++k) {
            const double v = value(firstBand + k);
            EXPECT_LT(std::abs(v), 1e6) << "band " << firstBand + k << " has no value";
            s += QLatin1Char('\t') + number(v, decimals);
        }
        for (int k = last + 1; k <= through; ++k)
            s += QLatin1Char('\t') + beyond;
        return s;
    }
    // The same with the cell texts given.
    static QString texts(const std::function<QString(int band)>& text, int firstBand, int last)
    {
        QString s;
        for (int k = 0; k <= last; ++k)
            s += QLatin1Char('\t') + text(firstBand + k);
        return s;
    }
    // The impulse-to-noise ratios, a lower bound written as ">" and its size; a band without a decay has none.
    QString inr(int last) const
    {
        return texts([this](int b) {
            const float v = w_.INR(ch_, b);
            if (v == NoValue)
                return QStringLiteral(" ");
            return (v < 0 ? QStringLiteral(">") : QString()) + number(std::abs(v), 0);
        }, 2, last);
    }
    // The signal-to-noise ratios of the speech table: none where no noise floor bounds them.
    QString snr(int last) const
    {
        return texts([this](int b) {
            const float v = w_.SNR(ch_, b);
            return v == NoValue ? QStringLiteral(" --  ") : number(v, 0);
        }, 3, last);
    }
    std::function<double(int)> member(float (clsWave::*m)(int, int), double scale = 1) const
    {
        return [this, m, scale](int b) { return (w_.*m)(ch_, b) * scale; };
    }
    std::function<double(int)> member(float (clsWave::*m)(int)) const
    {
        return [this, m](int b) { return (w_.*m)(b); };
    }
    QString index(float v) const
    {
        return number(v, 2) + QStringLiteral(" (") + clsWave::Rating(v) + QLatin1Char(')');
    }
    QString alc(float v) const { return number(clsWave::ALC(v), 1) + QStringLiteral("  "); }
    clsWave& wave() const { return w_; }
    int channel() const { return ch_; }

private:
    clsWave& w_;
    QChar point_;
    int ch_;
};

const QString kOctaves7 = QStringLiteral("         \t63\t125\t250\t500\t1000\t2000\t4000");

QStringList isoCommon(const Expect& e, bool calibrated, bool head, int last)
{
    QStringList l{kOctaves7, ""};
    if (calibrated && !head)
        l << "G   [dB]:" + e.cells(e.member(&clsWave::G), 2, 2, last) << "";
    if (!head)
        l << "EDT  [s]:" + e.cells(e.member(&clsWave::EDT), 2, 2, last)
          << "T20  [s]:" + e.cells(e.member(&clsWave::RT20time), 2, 2, last)
          << "T30  [s]:" + e.cells(e.member(&clsWave::RT30time), 2, 2, last) << "";
    l << "Ts  [ms]:" + e.cells(e.member(&clsWave::ts, 1000), 1, 2, last)
      << "C80 [dB]:" + e.cells(e.member(&clsWave::C80), 2, 2, last)
      << "D50  [-]:" + e.cells(e.member(&clsWave::D50), 2, 2, last, 6);
    if (!head)
        l << "";
    return l;
}

// The reverberation table's file: columns up to `last` and "-" above it, the curvature with /FEATURE.
QStringList reverberation(const Expect& e, int last, bool curvature)
{
    QStringList l{"         \t31.5\t63\t125\t250\t500\t1000\t2000\t4000\t8000\t16000", ""};
    const std::pair<const char*, float (clsWave::*)(int, int)> rows[] = {
        {"EDT  [s]:", &clsWave::EDT},      {"cc   [-]:", &clsWave::EDTcorr}, {"T10  [s]:", &clsWave::RT10time},
        {"cc   [-]:", &clsWave::RT10corr}, {"T20  [s]:", &clsWave::RT20time}, {"cc   [-]:", &clsWave::RT20corr},
        {"T30  [s]:", &clsWave::RT30time}, {"cc   [-]:", &clsWave::RT30Corr}};
    for (const auto& [label, member] : rows)
        l << QString::fromLatin1(label) + e.cells(e.member(member), 3, 1, last, 9, QStringLiteral("-"));
    if (curvature)
        l << "C    [%]:" + e.cells(e.member(&clsWave::Curvature), 1, 1, last, 9, QStringLiteral("-"));
    return l << "";
}

struct ExportCase {
    const char* name;
    Response response;
    std::function<frmTable*(clsWave&)> open;
    std::function<QStringList(const Expect&)> expected;
    QLocale::Language language = QLocale::C;
    bool featureMode = false;
};

frmTable* table(ParameterTable kind, clsWave& w)
{
    frmTable* t = ShowParameterTable(kind, w.Key());
    finish(t);
    return t;
}

Response response(int fs, std::int16_t receiver, bool calibrated = false)
{
    Response r;
    r.fs = fs;
    r.receiver = receiver;
    r.calibrated = calibrated;
    return r;
}

// A dual-omni response whose second channel is silent, shown for that channel: nothing has a value.
Response silentSecond()
{
    Response r = response(48000, ReceiverDualOmni);
    r.silentSecondChannel = true;
    return r;
}

frmTable* secondChannel(ParameterTable kind, clsWave& w)
{
    frmTable* t = table(kind, w);
    t->optChannel_Click(1);
    finish(t, 2);
    return t;
}

const ExportCase kCases[] = {
    {"iso_omni_uncalibrated_48k", response(48000, ReceiverOmni), [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) { return isoCommon(e, false, false, 6) << ""; }},
    {"iso_omni_calibrated_44k1", response(44100, ReceiverOmni, true),
     [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) { return isoCommon(e, true, false, 6) << ""; }},
    {"iso_omni_decimal_comma", response(48000, ReceiverOmni), [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) { return isoCommon(e, false, false, 6) << ""; }, QLocale::German},
    {"iso_switched_figure_of_eight", response(48000, ReceiverOmniFig8Switched),
     [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) {
         return isoCommon(e, false, false, 6) << "LF  [-]:" + e.cells(e.member(&clsWave::LF), 2, 2, 6) << "";
     }},
    {"iso_head_calibrated", response(48000, ReceiverHead, true),
     [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) {
         return isoCommon(e, true, true, 6) << "IACC1  [-]:" + e.cells(e.member(&clsWave::IACC1), 2, 2, 6)
                                            << "IACC2  [-]:" + e.cells(e.member(&clsWave::IACC2), 2, 2, 6)
                                            << "IACC3  [-]:" + e.cells(e.member(&clsWave::IACC3), 2, 2, 6) << "";
     }},
    {"iso_probe_44k1", response(44100, ReceiverOmniOmniProbe),
     [](clsWave& w) { return table(ParameterTable::Iso, w); },
     [](const Expect& e) {
         return isoCommon(e, false, false, 6) << "LFC  [-]:" + e.cells(e.member(&clsWave::LFC), 2, 2, 6) << "";
     }},
    {"levels_switched_44k1", response(44100, ReceiverOmniFig8Switched),
     [](clsWave& w) { return table(ParameterTable::Levels, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7, "", "INR [dB]:" + e.inr(6),
                            "G   [dB]:" + e.cells(e.member(&clsWave::G), 2, 2, 6)};
     }},
    {"levels_figure_of_eight_channel_has_no_strength", response(48000, ReceiverOmniFig8Switched),
     [](clsWave& w) {
         frmTable* t = table(ParameterTable::Levels, w);
         t->optChannel_Click(1);
         finish(t, 2);
         return t;
     },
     [](const Expect& e) {
         const Expect second(e.wave(), '.', 1);
         return QStringList{kOctaves7, "", "INR [dB]:" + second.inr(6),
                            "G   [dB]:\t \t \t \t \t \t \t "};
     }},
    {"energy_omni_decimal_comma", response(44100, ReceiverOmni),
     [](clsWave& w) { return table(ParameterTable::EnergyRatios, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7, "", "Ts  [ms]:" + e.cells(e.member(&clsWave::ts, 1000), 1, 2, 6, 6),
                            "C80 [dB]:" + e.cells(e.member(&clsWave::C80), 2, 2, 6, 6),
                            "D50  [-]:" + e.cells(e.member(&clsWave::D50), 2, 2, 6, 6), ""};
     },
     QLocale::German},
    {"reverberation_44k1_marks_the_16k_column", response(44100, ReceiverOmni),
     [](clsWave& w) { return table(ParameterTable::Reverberation, w); },
     [](const Expect& e) { return reverberation(e, 8, false); }},
    {"reverberation_48k_feature_mode_curvature", response(48000, ReceiverOmni),
     [](clsWave& w) { return table(ParameterTable::Reverberation, w); },
     [](const Expect& e) { return reverberation(e, 9, true); }, QLocale::C, true},
    {"space_switched", response(48000, ReceiverOmniFig8),
     [](clsWave& w) { return table(ParameterTable::Spaciousness, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7, "", "LF  [-]:" + e.cells(e.member(&clsWave::LF), 2, 2, 6), ""};
     }},
    {"space_probe_lf_before_lfc", response(48000, ReceiverOmniOmniProbe),
     [](clsWave& w) { return table(ParameterTable::Spaciousness, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7, "", "LF  [-]:" + e.cells(e.member(&clsWave::LF), 2, 2, 6),
                            "LFC  [-]:" + e.cells(e.member(&clsWave::LFC), 2, 2, 6), ""};
     }},
    {"space_head", response(44100, ReceiverHead), [](clsWave& w) { return table(ParameterTable::Spaciousness, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7,
                            "",
                            "IACC1  [-]:" + e.cells(e.member(&clsWave::IACC1), 2, 2, 6),
                            "IACC2  [-]:" + e.cells(e.member(&clsWave::IACC2), 2, 2, 6),
                            "IACC3  [-]:" + e.cells(e.member(&clsWave::IACC3), 2, 2, 6),
                            ""};
     }},
    {"stage_omni", response(48000, ReceiverOmni), [](clsWave& w) { return table(ParameterTable::Stage, w); },
     [](const Expect& e) {
         return QStringList{kOctaves7, "", "ST early [dB]:" + e.cells(e.member(&clsWave::STearly), 2, 2, 6, 6),
                            "ST late [dB]:" + e.cells(e.member(&clsWave::STlate), 2, 2, 6, 6),
                            "ST total [dB]:" + e.cells(e.member(&clsWave::STtotal), 2, 2, 6, 6)};
     }},
    {"no_values_stage", silentSecond(), [](clsWave& w) { return secondChannel(ParameterTable::Stage, w); },
     [](const Expect&) {
         return QStringList{kOctaves7, "", "ST early [dB]:\t \t \t \t \t \t \t ", "ST late [dB]:\t \t \t \t \t \t \t ",
                            "ST total [dB]:\t \t \t \t \t \t \t "};
     }},
    {"no_values_energy_ratios_d50_included", silentSecond(),
     [](clsWave& w) { return secondChannel(ParameterTable::EnergyRatios, w); },
     [](const Expect&) {
         return QStringList{kOctaves7, "", "Ts  [ms]:\t \t \t \t \t \t \t ", "C80 [dB]:\t \t \t \t \t \t \t ",
                            "D50  [-]:\t \t \t \t \t \t \t ", ""};
     }},
    {"no_values_reverberation_with_curvature", silentSecond(),
     [](clsWave& w) { return secondChannel(ParameterTable::Reverberation, w); },
     [](const Expect&) {
         const QString none = "\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-";
         const QString zero = "\t0.000\t0.000\t0.000\t0.000\t0.000\t0.000\t0.000\t0.000\t0.000\t0.000";
         return QStringList{"         \t31.5\t63\t125\t250\t500\t1000\t2000\t4000\t8000\t16000", "",
                            "EDT  [s]:" + none, "cc   [-]:" + zero, "T10  [s]:" + none, "cc   [-]:" + zero,
                            "T20  [s]:" + none, "cc   [-]:" + zero, "T30  [s]:" + none, "cc   [-]:" + zero,
                            "C    [%]:" + none, ""};
     },
     QLocale::C, true},
    {"no_values_levels", silentSecond(), [](clsWave& w) { return secondChannel(ParameterTable::Levels, w); },
     [](const Expect& e) {
         const Expect second(e.wave(), '.', 1);
         return QStringList{kOctaves7, "", "INR [dB]:" + second.inr(6), "G   [dB]:\t \t \t \t \t \t \t "};
     }},
    {"speech_omni_48k", response(48000, ReceiverOmni), [](clsWave& w) { return table(ParameterTable::Speech, w); },
     [](const Expect& e) {
         clsWave& w = e.wave();
         QStringList l{"         \t125\t250\t500\t1000\t2000\t4000\t8000\t", "",
                       "SNR [dB]:" + e.snr(6),
                       "EDT  [s]:" + e.cells(e.member(&clsWave::EDT), 2, 3, 6),
                       "D50     :" + e.cells(e.member(&clsWave::D50), 2, 3, 6), ""};
         const std::pair<const char*, float> indices[] = {
             {"STI female    ", w.STI_female(0)}, {"STI male      ", w.STI_male(0)}, {"RASTI         ", w.RASTI(0)},
             {"STITEL        ", w.STITEL(0)}};
         for (const auto& [caption, v] : indices)
             l << QString::fromLatin1(caption) + "\t" + e.index(v) << "% ALC         \t" + e.alc(v) << "";
         l << "weight        " + e.cells([&w](int b) { return w.STI_Weight(b - 3); }, 3, 3, 6) << "";
         l << "STI           \t" + e.index(w.STI(0)) << "% ALC         \t" + e.alc(w.STI(0)) << "";
         return l;
     }},
    {"mtf_dual_omni_44k1_second_channel", response(44100, ReceiverDualOmni),
     [](clsWave& w) {
         auto* t = new frmTableMTF(w.Key());
         t->show();
         finish(t);
         t->optChannel_Click(1);
         finish(t, 2);
         return t;
     },
     [](const Expect& e) {
         const Expect second(e.wave(), '.', 1);
         QStringList l{"         \t125\t250\t500\t1000\t2000\t4000\t8000\t", ""};
         const char* const modulations[] = {"0.63", "0.8", "1.0", "1.25", "1.6", "2.0", "2.5",
                                            "3.15", "4.0", "5.0", "6.3", "8.0", "10",  "12.5"};
         for (int m = 0; m < 14; ++m)
             l << QString::fromLatin1(modulations[m]).leftJustified(14) +
                      second.cells([&](int b) { return e.wave().MTF(1, b, m); }, 3, 3, 6);
         l << "" << "MTI           " + second.cells([&](int b) { return e.wave().MTI(1, b); }, 2, 3, 6) << "";
         return l;
     }},
};

void PrintTo(const ExportCase& c, std::ostream* os) { *os << c.name; }

class TableExport : public TableTest, public testing::WithParamInterface<ExportCase> {
protected:
    void TearDown() override
    {
        FeatureMode = false;
        TableTest::TearDown();
    }
};

TEST_P(TableExport, SaveWritesTheExactText)
{
    const ExportCase& c = GetParam();
    QLocale::setDefault(QLocale(c.language));
    FeatureMode = c.featureMode;
    clsWave& wave = openDocument(c.response);
    frmTable* t = c.open(wave);
    ASSERT_NE(t, nullptr);
    const QChar point = c.language == QLocale::German ? QLatin1Char(',') : QLatin1Char('.');
    const QString expected = c.expected(Expect(wave, point)).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    EXPECT_EQ(t->ExportText(), expected);

    const QString path = QString::fromStdString(test::privateRoot()) + "/" + c.name + ".txt";
    t->SaveTable(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected.toLocal8Bit());
    EXPECT_TRUE(scripted().messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, TableExport, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ExportCase>& info) { return std::string(info.param.name); });

} // namespace
