#pragma once
// The drawings of the measurement window's receiver buttons (100 x 30 pixels): the microphones of each receiver
// code on the inputs Ch1 (left) and Ch2 (right), each as an icon with its normal and greyed (disabled) picture.
// The noise variants of receivers 0 and 1 show the loudspeaker on Ch2, whose input then records the source.
#include <QIcon>

namespace vemra {

// receiver: 0..5; noiseSource: Ch2 records the source (receivers 0 and 1 only).
QIcon ReceiverIcon(int receiver, bool noiseSource = false);
inline constexpr int kReceiverPictureWidth = 100;
inline constexpr int kReceiverPictureHeight = 30;

} // namespace vemra
