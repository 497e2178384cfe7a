#pragma once
// One input level meter of the measurement window: a vertical bar of 16 segments (0 at the bottom; 0..11 green,
// 12..15 red) with a held peak. update() takes the index of the highest segment to light (-1 none; anything
// outside -1..15 is limited to it) and writes only the segments whose state changes: a rise lights from the
// previous level up, a fall darkens above the new level, the held peak costs at most one write. The peak stays lit
// for kHoldUpdates updates after its last rise (half a second at the recorder's 20 ms poll).
// Calling thread: the user-interface thread.
#include <QWidget>

#include <array>
#include <cstdint>

namespace vemra {

class VUMeter final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSegments = 16;
    static constexpr int kFirstRed = 12;
    static constexpr int kHoldUpdates = 25;

    explicit VUMeter(QWidget* parent = nullptr);

    void update(int level);
    // All segments dark and the state back to 0 (as a freshly loaded window has it).
    void reset();
    // As drawing reaches the segments, for the window and its tests.
    bool lit(int segment) const { return lit_[std::size_t(segment)]; }
    QColor colour(int segment) const;
    int rememberedLevel() const { return level_; }
    int peak() const { return peak_; }
    int hold() const { return hold_; }
    // Segment writes since the meter was made (repaints are the changed segments only).
    long writes() const { return writes_; }
    // Forgets the level (the channel is not drawn): the next drawn update starts from nothing.
    void forget() { level_ = -1; }

    QSize sizeHint() const override { return {26, 16 * 9 + 4}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void write(int segment, bool lit);
    QRect segmentRect(int segment) const;

    std::array<bool, kSegments> lit_{};
    int level_ = 0;
    int peak_ = 0;
    int hold_ = 0;
    long writes_ = 0;
};

} // namespace vemra
