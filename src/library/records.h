#pragma once
// The fixed-layout records exchanged between the program and the signal library. Every record is packed and
// little-endian with no implicit alignment; the sizes are asserted below. Booleans are 16-bit: 0 false, -1 true
// (readers take any non-zero value as true). Text fields are single-byte characters, blank padded; FileName
// carries one NUL after the name.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vemra {

// The "no value" result of a parameter that cannot be computed (single 1E+38, bit pattern 0x7E967699).
inline constexpr float NoValue = 1e38f;

using Bool16 = std::int16_t;
inline constexpr Bool16 True16 = -1;
inline constexpr Bool16 False16 = 0;
inline constexpr bool isTrue(Bool16 v) { return v != 0; }
inline constexpr Bool16 toBool16(bool v) { return v ? True16 : False16; }

// Packed so that no padding enters the layout; aligned to 4 bytes (every record's size and every field's offset
// is a multiple of its own size), so a record placed anywhere, even inside another packed structure, is read with
// aligned accesses.
#pragma pack(push, 1)

// Measurement information: header bytes 312..347.
struct alignas(4) MeasurementInfo {
    std::int32_t time = 0;            // seconds since 1 Jan 1980 00:00, local time; 0 = none
    std::int16_t versionMajor = 0;
    std::int16_t versionMinor = 0;
    std::int16_t versionRevision = 0;
    std::int16_t AvgCount = 0;
    std::int16_t Stimulus = 0;        // StimulusCode 1..6
    std::int16_t Receiver = 0;        // ReceiverCode 0..6
    std::int16_t SourceFilter = 0;    // SourceFilterCode 0..4
    std::int16_t padding = 0;
    float ProbeDist = 0;              // mm (reflection-index results: metres to the reference plane)
    float Temperature = 20;           // degrees Celsius
    std::int32_t IRStart[2] = {-1, -1}; // first sample of the response per channel; negative = none stored
};

// Gains and calibration: header bytes 1628..1971.
struct alignas(4) MeasurementGains {
    float channelFactor[2] = {1, 1};  // sample -> true amplitude, per channel
    float GainIntOut = 0;             // dB
    float GainExtOut = 0;             // dB
    float GainIntCha[2] = {0, 0};     // dB
    float GainExtCha[2] = {0, 0};     // dB
    float GainCalCh1[7] = {};         // dB, octave bands 2..8 (63 Hz .. 4 kHz)
    float GainCalCh2[7] = {};
    char CalID[256];                  // blank padded; empty or "Not Calibrated" = uncalibrated
    MeasurementGains() { std::memset(CalID, ' ', sizeof CalID); }
};

// The factor that turns channel `channel`'s samples (0..1) into true amplitude; a missing or broken factor (0, not
// finite) counts as 1.
inline double sampleFactor(const MeasurementGains& gains, int channel)
{
    const double f = gains.channelFactor[channel];
    return std::isfinite(f) && f != 0 ? std::abs(f) : 1.0;
}

// The Windows PCM wave-format block.
struct alignas(4) PcmWaveFormat {
    std::int16_t formatTag = 1;
    std::int16_t Channels = 0;
    std::int32_t SampleFrequency = 0;
    std::int32_t avgBytesPerSec = 0;
    std::int16_t blockAlign = 0;
    std::int16_t bitsPerSample = 16;
};

struct alignas(4) WaveHeader {
    char FileName[260];
    std::int32_t reserved1[2] = {0, 0}; // the library's own
    std::int32_t reserved2[2] = {0, 0}; // the library's own
    std::int32_t ProcCount = 0;         // points of the processed view (written by the library only)
    std::int32_t DataBytes = 0;
    std::int32_t SampleCount = 0;       // frames
    PcmWaveFormat format;
    std::int16_t MaxDataValue[2] = {0, 0};
    std::int16_t MinDataValue[2] = {0, 0};
    MeasurementInfo info;
    char Project[256];
    char Position[256];
    char Engineer[256];
    char Copyright[256];
    char Comments[256];
    MeasurementGains gains;

    WaveHeader()
    {
        std::memset(FileName, ' ', sizeof FileName);
        FileName[0] = '\0';
        for (char* t : {Project, Position, Engineer, Copyright, Comments})
            std::memset(t, ' ', 256);
    }
};

struct alignas(4) RTResult {
    float level = 0;       // dB
    float INR = 0;         // dB
    float SNR = 0;         // dB
    float EDT = 0;         // s
    float T10 = 0;
    float T20 = 0;
    float T30 = 0;
    float EDTcorr = 0;     // signed correlation coefficients of the line fits
    float T10corr = 0;
    float T20corr = 0;
    float T30corr = 0;
    Bool16 EDTvalid = 0;
    Bool16 T10valid = 0;
    Bool16 T20valid = 0;
    Bool16 T30valid = 0;
    Bool16 computed = 0;   // set by the library when filled; cleared by the program
    std::int16_t padding1 = 0;
    std::int32_t decayEnd = 0;     // sample index where the usable decay ends
    Bool16 decayEndValid = 0;
    std::int16_t padding2 = 0;
};

struct alignas(4) IACCResult {
    float IACC1 = 0;       // "IACC 0,+"
    float IACC2 = 0;       // "IACC 0,80"
    float IACC3 = 0;       // "IACC 80,+"
    Bool16 computed = 0;
    std::int16_t padding = 0;
};

struct alignas(4) SinfoBlock {
    std::int32_t first = 0;    // written by the program
    std::int32_t length = 0;   // written by the program
    float MinSampleValue = 0;
    float MaxSampleValue = 0;
    float AvgSampleValue = 0;
    float Slope = 0;           // dB/s
    float DT60 = 0;            // s
    float Decay = 0;           // dB
    float Power = 0;           // RMS level, dB
};

struct alignas(4) MTFResult {
    float m[21] = {};  // 0..13 STI modulation frequencies; 14 STITEL; 15..19 RASTI; 20 unused
};

struct alignas(4) RIResult {
    float ri[44] = {}; // per BandIndex 0..43
};

struct alignas(4) DrawRequest {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t firstPoint = 0;
    std::int32_t pointCount = 0;
    std::int32_t deviceContext = 0;  // handle of a painter registered with the drawing layer
    std::int16_t channel = 0;
    std::int16_t padding = 0;
};

struct alignas(4) ViewBlock {
    std::int16_t FilterType = -1;  // -2 wide band, -1 all-pass, 0..43 a band
    std::int16_t ViewType = 0;     // 0 Pressure .. 7 Log Spectrum
    Bool16 AutoScale = 0;
    Bool16 Smooth = 0;
    float dBRange = 60;
    float featureValue[2] = {0, 0};
    float bestRevTime[2] = {0, 0};
};

// The parameters of one waterfall (the waterfall window owns the record; every waterfall call takes it by
// reference, from CreateWaterfall to DestroyWaterfall). Flags are Bool16.
struct alignas(4) WaterfallParams {
    std::int32_t LibraryData = 0;      // the library's handle of the waterfall; the window never touches it
    std::int16_t WaterfallType = 0;    // 0 TSS waterfall, 1 CSD waterfall, 2 TSS spectrogram, 3 CSD spectrogram
    std::int16_t Channel = 0;          // 0 first, 1 second
    std::int16_t Slices = 0;           // 1..1000
    std::int16_t reserved1[3] = {};
    std::int32_t LogN = 0;             // FFT size as a power of two, 8..16
    std::int32_t StartSample = 0;      // first sample of the analysed stretch
    std::int32_t SampleCount = 0;      // samples of the stretch
    std::int32_t reserved2[2] = {};
    std::int32_t hDC = 0;              // device context (drawing-layer handle) of the plot, set before each drawing
    std::int16_t PlotWidth = 0;        // pixels
    std::int16_t PlotHeight = 0;       // pixels
    std::int16_t WindowType = 0;       // 0 Rectangular, 1 Hanning, 4 Hamming, 7 Blackman, 10 Blackman-Harris
    std::int16_t CSDShift = 0;         // samples between the starts of successive CSD slices, 0..32767
    float CSDRise = 0;                 // rise time of each CSD slice's start, ms, 0..100
    float Range = 0;                   // level range shown, dB, 1..120
    std::int16_t MinFreqBand = 0;      // lowest octave band shown, band index 1..10
    std::int16_t MaxFreqBand = 0;      // highest octave band shown, band index 1..10
    Bool16 Smooth = 0;                 // third-octave smoothing of the spectra
    Bool16 LinScale = 0;               // linear frequency axis (else logarithmic)
    std::int16_t Colors = 0;           // 0 colour on black, 1 colour on white, 2 greyscale on white
    std::int16_t reserved3 = 0;
};

#pragma pack(pop)

static_assert(sizeof(MeasurementInfo) == 36);
static_assert(sizeof(MeasurementGains) == 344);
static_assert(sizeof(PcmWaveFormat) == 16);
static_assert(sizeof(WaveHeader) == 1972);
static_assert(offsetof(WaveHeader, ProcCount) == 276);
static_assert(offsetof(WaveHeader, format) == 288);
static_assert(offsetof(WaveHeader, MaxDataValue) == 304);
static_assert(offsetof(WaveHeader, info) == 312);
static_assert(offsetof(WaveHeader, Project) == 348);
static_assert(offsetof(WaveHeader, Copyright) == 1116);
static_assert(offsetof(WaveHeader, Comments) == 1372);
static_assert(offsetof(WaveHeader, gains) == 1628);
static_assert(offsetof(MeasurementGains, CalID) == 88);
static_assert(sizeof(RTResult) == 64);
static_assert(offsetof(RTResult, decayEnd) == 56);
static_assert(sizeof(IACCResult) == 16);
static_assert(sizeof(SinfoBlock) == 36);
static_assert(sizeof(MTFResult) == 84);
static_assert(sizeof(RIResult) == 176);
static_assert(sizeof(DrawRequest) == 24);
static_assert(sizeof(ViewBlock) == 28);
static_assert(sizeof(WaterfallParams) == 68);
static_assert(offsetof(WaterfallParams, LogN) == 16);
static_assert(offsetof(WaterfallParams, hDC) == 36);
static_assert(offsetof(WaterfallParams, CSDRise) == 48);
static_assert(offsetof(WaterfallParams, MinFreqBand) == 56);
static_assert(offsetof(WaterfallParams, Colors) == 64);

// The document's cache of the energy parameters of one channel in one band; never passed to the library.
struct EnergyResult {
    float C50 = 0, C80 = 0, ts = 0, STearly = 0, STlate = 0, STtotal = 0, spare = 0;
    bool C50valid = false, C80valid = false, tsValid = false, STearlyValid = false, STlateValid = false,
         STtotalValid = false, spareValid = false;
};

// Fixed-length text fields: written left-aligned, blank padded (no terminator when full); read cut at the first
// NUL and trimmed of blanks at both ends. FileName: at most 259 characters, one NUL, blanks to the end.
inline void writeTextField(char* field, std::size_t size, const std::string& text)
{
    const std::size_t n = std::min(size, text.size());
    std::memcpy(field, text.data(), n);
    std::memset(field + n, ' ', size - n);
}

inline std::string readTextField(const char* field, std::size_t size)
{
    const char* end = std::find(field, field + size, '\0');
    std::string s(field, end);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

inline void writeFileNameField(WaveHeader& header, const std::string& path)
{
    constexpr std::size_t size = sizeof header.FileName;
    const std::size_t n = std::min(size - 1, path.size());
    std::memcpy(header.FileName, path.data(), n);
    header.FileName[n] = '\0';
    std::memset(header.FileName + n + 1, ' ', size - n - 1);
}

inline std::string readFileNameField(const WaveHeader& header)
{
    return readTextField(header.FileName, sizeof header.FileName);
}

} // namespace vemra
