#pragma once
// Response files for tests: one fluent builder for every well-formed file a test writes, through the program's own
// writer, into the test's private folder (a relative name) or at an absolute path.
//
//   const std::string path = test::ResponseFile("one.wav").channels(1).frames(3000).receiver(2).write();
//
// Samples, all in 16-bit units: interleaved frames (samples), one vector per channel as the response generator
// makes them (perChannel), or a generator (sample) over frames(); floating values are rounded to the nearest
// sample and clipped at full scale. Without any the file holds frames() of silence. Channels 1 (default) or 2, rate 48000 Hz unless set. The header starts from
// WaveHeader's defaults (no stored impulse start, 20 degrees C, factors 1); the setters below and header() change
// it, and the format block, counts and extremes follow the samples. The kind follows the extension: .txt a text
// file, .tim a time file (needs the set-up template), anything else WAV. Malformed files are not its business: the
// reader tests keep their byte-level fixtures. No Qt.
#include "library/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vemra::test {

class ResponseFile {
public:
    using Generator = std::function<double(std::int64_t frame, int channel)>;
    using HeaderEdit = std::function<void(WaveHeader&)>;

    explicit ResponseFile(std::string name);

    ResponseFile& channels(int count);
    ResponseFile& rate(std::int32_t fs_Hz);
    ResponseFile& frames(std::int64_t count);
    ResponseFile& samples(std::vector<std::int16_t> interleaved);
    // One vector per channel (equal lengths); sets the channel count.
    ResponseFile& perChannel(const std::vector<std::vector<float>>& channels);
    ResponseFile& sample(Generator generator);

    ResponseFile& receiver(std::int16_t code);
    ResponseFile& stimulus(std::int16_t code);
    ResponseFile& probeDistance(float distance);
    ResponseFile& averages(std::int16_t count);
    ResponseFile& temperature(float celsius);
    ResponseFile& project(const std::string& text);
    ResponseFile& engineer(const std::string& text);
    // Any other header field; edits run in the order given, before the sample fields are set.
    ResponseFile& header(HeaderEdit edit);

    // Where the file goes.
    const std::string& path() const { return path_; }
    // The interleaved frames the file will hold.
    std::vector<std::int16_t> interleaved() const;
    // Writes the file (a failure fails the calling test) and returns its path.
    std::string write() const;

private:
    std::string path_;
    int channels_ = 1;
    std::int32_t rate_ = 48000;
    std::int64_t frames_ = 0;
    std::vector<std::int16_t> samples_;
    bool haveSamples_ = false;
    Generator generator_;
    std::vector<HeaderEdit> edits_;
};

} // namespace vemra::test
