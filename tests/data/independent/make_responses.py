#!/usr/bin/env python3
"""Room responses with known parameters, made without the program's own code, for its acceptance test.

Pure Python 3 (random, math, cmath, wave): no third-party package. Every response is a random realisation
(Gaussian noise or random signs) times the square root of an energy envelope, written as a 16-bit WAV without
any chunk of the program's own (so the program takes the ISO 3382-1 impulse start of the samples).

The known values are computed here from each realisation itself, by direct summation, not from the envelope's
closed form (a realisation scatters around it, the more so in narrow bands):
  - impulse start: the first sample whose square reaches 1/100 of the peak's square, searched up to the peak;
  - from that start: C50, C80 (10 lg of early over late energy), D50 (early over total), Ts (first moment of the
    energy over the energy), ST early / late / total (energy 20-100, 100-1000, 20-1000 ms over 0-10 ms);
  - EDT, T10, T20, T30: least-squares lines through Schroeder's backward integral (0..-10, -5..-15, -5..-25,
    -5..-35 dB) of the response without its noise floor, -60 dB over the slope;
  - octave bands 125 Hz to 4 kHz (and third octaves for two files): the same from the realisation filtered by a
    Butterworth band-pass of order 6 per side designed here (base-ten band edges, bilinear transform with
    pre-warped edges, 0 dB at the mid-band frequency, at the file's own rate); decay times from the
    time-reversed filtering, energy parameters from the forward filtering with the time windows moved by the
    filter's energy delay (the centre time of its squared impulse response).
With a noise floor the known values are those of the response without the noise (its true parameters), the
INR of the unfiltered response is the one the noise was made with, an octave band's INR is its own (the line of
its decay at the start over its noise, see band_inr), and a decay time whose range ends less than 5 dB above
the noise is known to have no value ("none"; ISO 3382-1 wants at least 10 dB, so from 5 to 10 dB either verdict
stands and no row is written; a band needs BAND_MARGIN_DB more for a row with a value).

  python3 make_responses.py OUTDIR [--set committed|explore]

writes the WAV files and OUTDIR/known.csv (file, channel, band, parameter, known value, closed-form value of the
envelope or empty). Band -1 is the unfiltered response; bands use the program's indices (octaves 3 = 125 Hz ..
8 = 4 kHz, third octaves 21 = 125 Hz .. 36 = 4 kHz). Deterministic: the same command writes the same files.
"""

import cmath
import math
import os
import random
import struct
import sys
import wave

LN10 = math.log(10.0)
DECAY_K = 6.0 * LN10  # 13.8155: energy exp(-DECAY_K t / T) falls 60 dB in T
FULL_SCALE = 30000.0

OCTAVE_BANDS = range(3, 9)           # 125 Hz .. 4 kHz
THIRD_OCTAVE_BANDS = range(21, 37)   # 125 Hz .. 4 kHz
G = 10.0 ** 0.3
ORDER = 6                            # Butterworth order per side of the band-pass filters


def band_edges(index):
    """Exact base-ten bands: octave i (0..10) mid-band 1000 G^(i-6), edges G^(+-1/2) around it; third octave i
    (11..43) mid-band 1000 G^((i-30)/3), edges G^(+-1/6)."""
    if index <= 10:
        fm = 1000.0 * G ** (index - 6)
        return fm * G ** -0.5, fm, fm * G ** 0.5
    fm = 1000.0 * G ** ((index - 30) / 3.0)
    return fm * G ** (-1 / 6.0), fm, fm * G ** (1 / 6.0)


# ---------------------------------------------------------------------------------------------- band filters

class Butterworth:
    """Band-pass, Butterworth of the given order per side: as many second-order sections, each with one
    conjugate pair of the band-pass poles, 0 dB at the mid-band frequency."""

    def __init__(self, index, fs, order=ORDER):
        f1, fm, f2 = band_edges(index)
        w1 = 2 * fs * math.tan(math.pi * f1 / fs)
        w2 = 2 * fs * math.tan(math.pi * f2 / fs)
        w0sq, bw = w1 * w2, w2 - w1
        poles = []
        for k in range(order):
            p = cmath.exp(1j * math.pi * (2 * k + order + 1) / (2.0 * order))
            d = cmath.sqrt((p * bw) ** 2 - 4 * w0sq)
            for s in ((p * bw + d) / 2, (p * bw - d) / 2):
                poles.append((2 * fs + s) / (2 * fs - s))
        upper = sorted((z for z in poles if z.imag > 0), key=lambda z: z.imag)
        assert len(upper) == order
        # Each section: (1 - z^-2) / (1 - 2 Re(p) z^-1 + |p|^2 z^-2)
        self.sections = [[1.0, 0.0, -1.0, -2 * z.real, abs(z) ** 2] for z in upper]
        zinv = cmath.exp(-2j * math.pi * fm / fs)
        h = 1
        for b0, b1, b2, a1, a2 in self.sections:
            h *= (b0 + b1 * zinv + b2 * zinv ** 2) / (1 + a1 * zinv + a2 * zinv ** 2)
        g = 1.0 / abs(h)
        s = self.sections[0]
        self.sections[0] = [s[0] * g, s[1] * g, s[2] * g, s[3], s[4]]
        self.fs = fs
        self.energy_delay = self._energy_delay()

    def apply(self, x):
        y = list(x)
        for b0, b1, b2, a1, a2 in self.sections:
            z1 = z2 = 0.0
            out = [0.0] * len(y)
            for n, v in enumerate(y):
                o = b0 * v + z1
                z1 = b1 * v - a1 * o + z2
                z2 = b2 * v - a2 * o
                out[n] = o
            y = out
        return y

    def apply_reversed(self, x):
        return self.apply(x[::-1])[::-1]

    def _energy_delay(self):
        n = int(self.fs)  # one second: far longer than any of these filters rings
        h = self.apply([1.0] + [0.0] * (n - 1))
        e = sum(v * v for v in h)
        m = sum(i * v * v for i, v in enumerate(h))
        return m / e / self.fs


# ---------------------------------------------------------------------------------------------- parameters

def iso_start(x):
    peak_i, peak = -1, 0.0
    for i, v in enumerate(x):
        if v * v > peak:
            peak, peak_i = v * v, i
    if peak_i < 0:
        return -1
    for i in range(peak_i):
        if x[i] * x[i] >= peak / 100.0:
            return i
    return peak_i


def energy_parameters(x, fs, start, delay_s=0.0):
    """C50, C80, D50, Ts, ST early/late/total from sample `start` on; windows moved by delay_s."""
    e = [v * v for v in x[start:]]
    prefix = [0.0]
    for v in e:
        prefix.append(prefix[-1] + v)
    n = len(e)

    def at(t):
        return min(n, max(0, int(round((t + delay_s) * fs)))) if t > 0 else 0

    def energy(t0, t1):
        return prefix[at(t1)] - prefix[at(t0)]

    total = prefix[n]
    out = {}
    for name, te in (("C50", 0.05), ("C80", 0.08)):
        early, late = energy(0, te), total - energy(0, te)
        out[name] = 10 * math.log10(early / late) if early > 0 and late > 0 else None
    out["D50"] = energy(0, 0.05) / total if total > 0 else None
    origin = delay_s * fs
    out["Ts"] = sum((i - origin) * v for i, v in enumerate(e)) / total / fs if total > 0 else None
    direct = energy(0, 0.010)
    for name, t0, t1 in (("STearly", 0.02, 0.1), ("STlate", 0.1, 1.0), ("STtotal", 0.02, 1.0)):
        s = energy(t0, t1)
        out[name] = 10 * math.log10(s / direct) if s > 0 and direct > 0 else None
    return out


def schroeder(x, start):
    """Schroeder's backward integral of the energy of x from start on, and that whole energy."""
    e = [v * v for v in x[start:]]
    back = [0.0] * (len(e) + 1)
    for i in range(len(e) - 1, -1, -1):
        back[i] = back[i + 1] + e[i]
    return back, back[0]


def schroeder_line(back, total, fs, hi, lo):
    """Least-squares line through the integral's levels (dB re the whole energy) from hi down to lo dB, every
    sample: (slope in dB/s, level at the start in dB), or None with fewer than three points."""
    sx = sy = sxx = sxy = 0.0
    k = 0
    for i in range(len(back) - 1):
        if back[i] <= 0:
            break
        level = 10 * math.log10(back[i] / total)
        if level < lo:
            break
        if level <= hi:
            t = i / fs
            k += 1
            sx += t
            sy += level
            sxx += t * t
            sxy += t * level
    if k <= 2:
        return None
    slope = (k * sxy - sx * sy) / (k * sxx - sx * sx)
    return slope, (sy - slope * sx) / k


def decay_times(x, fs, start):
    """EDT, T10, T20, T30 from the Schroeder integral of x from start on (least squares, every sample)."""
    back, total = schroeder(x, start)
    out = {}
    for name, hi, lo in (("EDT", 0, -10), ("T10", -5, -15), ("T20", -5, -25), ("T30", -5, -35)):
        line = schroeder_line(back, total, fs, hi, lo)
        out[name] = -60.0 / line[0] if line and line[0] < 0 else None
    return out


def band_inr(decay, noise, fs, start, end):
    """INR of a band: the energy per sample at the start of the line through the T20 range of the decay's
    Schroeder integral (an exponential's energy per sample is its integral times its decay rate) over the mean
    energy per sample of the noise in [start, end), in dB."""
    back, total = schroeder(decay, start)
    slope, level = schroeder_line(back, total, fs, -5, -25)
    rate = -slope * LN10 / 10 / fs  # per sample
    noise_energy = sum(v * v for v in noise[start:end]) / (end - start)
    return 10 * math.log10(total * rate / noise_energy) + level


FIT_BOTTOM = {"EDT": 10, "T10": 15, "T20": 25, "T30": 35}  # dB below the start
# A band's decay and its noise both scatter over the stretches a fit and a noise estimate use, the more so the
# narrower the band: a decay time is known in a band only with this much more range above the noise than the
# unfiltered response needs. (In 16 realisations at INR 37 dB, T = 1 s, the 125 and 250 Hz octaves' T20 from the
# noisy response scattered by 3 to 4 % about the clean one's, the 2 to 4 kHz octaves' by 0.5 %.)
BAND_MARGIN_DB = 3.0


def closed_form(T):
    tau = T / DECAY_K
    return {"C50": 10 * math.log10(math.exp(0.05 / tau) - 1), "C80": 10 * math.log10(math.exp(0.08 / tau) - 1),
            "D50": 1 - math.exp(-0.05 / tau), "Ts": tau, "EDT": T, "T10": T, "T20": T, "T30": T}


# ---------------------------------------------------------------------------------------------- responses

def decay_envelope(T, level_db=0.0):
    """Energy envelope of a single exponential decay, level_db re the first sample."""
    k = DECAY_K / T
    g = 10 ** (level_db / 10)
    return lambda t: g * math.exp(-k * t)


def make_channel(rng, fs, length_s, lead_s, envelopes, kind="gauss", direct=0.0, tail_from_s=0.0):
    """Clean channel: `lead_s` of silence, then an optional direct impulse of energy `direct` and from
    tail_from_s on the noise carrying the sum of the envelopes (energy per sample)."""
    n = int(round(length_s * fs))
    lead = int(round(lead_s * fs))
    tail = int(round(tail_from_s * fs))
    x = [0.0] * n
    for i in range(lead + tail, n):
        t = (i - lead - tail) / fs
        env = sum(f(t) for f in envelopes)
        r = rng.gauss(0.0, 1.0) if kind == "gauss" else (1.0 if rng.random() < 0.5 else -1.0)
        x[i] = r * math.sqrt(env)
    if direct > 0:
        x[lead] += math.sqrt(direct)
    return x


def quantise(x):
    return [max(-32768, min(32767, int(round(v)))) for v in x]


def write_wav(path, fs, channels):
    with wave.open(path, "wb") as w:
        w.setnchannels(len(channels))
        w.setsampwidth(2)
        w.setframerate(fs)
        frames = bytearray()
        for i in range(len(channels[0])):
            for c in channels:
                frames += struct.pack("<h", c[i])
        w.writeframes(bytes(frames))


class Case:
    """One file: per channel a clean response; optional stationary noise floor (INR in dB re the decay line at
    the start) added before quantisation."""

    def __init__(self, name, fs, seed, channels, inr=None, bands=True, nominal=None, silence_from_s=None,
                 third_octaves=False):
        self.name, self.fs, self.seed, self.channels = name, fs, seed, channels
        self.third_octaves = third_octaves
        self.inr, self.bands, self.nominal = inr, bands, nominal or {}
        self.silence_from_s = silence_from_s  # the samples from here on are set to 0 (a silenced tail)


def build(case):
    rng = random.Random(case.seed)
    clean = [make(rng, case.fs) for make in case.channels]
    scale = FULL_SCALE / max(max(abs(v) for v in c) for c in clean)
    clean = [[v * scale for v in c] for c in clean]
    noisy = []
    for ch, c in enumerate(clean):
        inr = case.inr[ch] if isinstance(case.inr, (list, tuple)) else case.inr
        if inr is None:
            noisy.append(c)
            continue
        # The decay's envelope starts at energy 1 per sample before scaling: the line at the start is scale^2.
        sigma = scale * 10 ** (-inr / 20)
        noisy.append([v + rng.gauss(0.0, sigma) for v in c])
    pcm = [quantise(c) for c in noisy]
    if case.silence_from_s is not None:
        n = int(round(case.silence_from_s * case.fs))
        pcm = [p[:n] + [0] * (len(p) - n) for p in pcm]
    return pcm, clean


def known_rows(case, pcm, clean):
    rows = []
    for ch, (q, c) in enumerate(zip(pcm, clean)):
        inr = case.inr[ch] if isinstance(case.inr, (list, tuple)) else case.inr
        has_noise = inr is not None
        ref = [float(v) for v in q] if not has_noise else c  # noise-free: exactly what the program reads
        start = iso_start([float(v) for v in q])
        nominal = closed_form(case.nominal[ch]) if ch in case.nominal else {}
        rows.append((case.name, ch, -1, "IRStart", start, ""))
        if start < 0:
            continue
        def add(band, values, band_inr_db=None):
            extra = BAND_MARGIN_DB if band >= 0 else 0.0
            for p, v in values.items():
                if v is None or (band >= 0 and p.startswith("ST")):
                    continue
                if has_noise and p in FIT_BOTTOM and inr < FIT_BOTTOM[p] + 5:
                    v = "none"  # ISO 3382-1 wants the bottom of the range 10 dB above the noise: far from it
                elif has_noise and p in FIT_BOTTOM and inr <= FIT_BOTTOM[p] + 10 + extra:
                    continue    # near the limit either verdict is sound
                rows.append((case.name, ch, band, p, v, nominal.get(p, "")))
            if has_noise and band <= 10:
                # Unfiltered: the INR as made. An octave band: its own, from the realisation through the same
                # filtering as its decay times (third octaves get no row). A narrow band's decay scatters about
                # the envelope, and the time-reversed filter moves the band's decay earlier by its energy delay,
                # which lowers its line at the start by that delay times the decay rate (0.7 dB at 250 Hz for
                # T = 0.7 s).
                rows.append((case.name, ch, band, "INR", float(inr) if band < 0 else band_inr_db, ""))

        values = dict(energy_parameters(ref, case.fs, start))
        values.update(decay_times(ref, case.fs, start))
        add(-1, values)
        if not case.bands:
            continue
        # The noise as the file holds it (none where its tail was silenced).
        end = len(q) if case.silence_from_s is None else int(round(case.silence_from_s * case.fs))
        noise = [float(a) - b if i < end else 0.0 for i, (a, b) in enumerate(zip(q, c))] if has_noise else None
        for band in list(OCTAVE_BANDS) + (list(THIRD_OCTAVE_BANDS) if case.third_octaves else []):
            f = Butterworth(band, case.fs)
            values = dict(energy_parameters(f.apply(ref), case.fs, start, f.energy_delay))
            decay = f.apply_reversed(ref)
            values.update(decay_times(decay, case.fs, start))
            inr_db = None
            if has_noise and band <= 10:
                inr_db = band_inr(decay, f.apply_reversed(noise), case.fs, start, end)
            add(band, values, inr_db)
    return rows


def single(T, length_s, lead_s, kind="gauss", level_db=0.0):
    return lambda rng, fs: make_channel(rng, fs, length_s, lead_s, [decay_envelope(T, level_db)], kind)


def committed_cases():
    double_slope = lambda rng, fs: make_channel(rng, fs, 2.3, 0.010,
                                                [decay_envelope(0.4), decay_envelope(2.0, -15.0)])
    # Direct sound of energy D, then from 10 ms a tail (T 1.5 s) whose energy per 10 ms starts equal to D.
    direct_tail = lambda rng, fs: make_channel(rng, fs, 1.6, 0.004,
                                               [decay_envelope(1.5, -10 * math.log10(0.010 * fs))],
                                               direct=1.0, tail_from_s=0.010)
    peak_first = lambda rng, fs: make_channel(rng, fs, 0.5, 0.0, [decay_envelope(0.3, -25.0)], direct=1.0,
                                              tail_from_s=1.0 / fs)
    return [
        Case("decay_t05_48k.wav", 48000, 5, [single(0.5, 0.9, 0.020)], nominal={0: 0.5}),
        Case("decay_t1_signs_44k.wav", 44100, 10, [single(1.0, 1.5, 0.005, "signs")], nominal={0: 1.0},
             third_octaves=True),
        Case("decay_t2_noise55_48k.wav", 48000, 20, [single(2.0, 2.6, 0.030)], inr=55, nominal={0: 2.0},
             third_octaves=True),
        Case("double_slope_48k.wav", 48000, 30, [double_slope]),
        Case("direct_tail_44k.wav", 44100, 40, [direct_tail], bands=False),
        Case("stereo_noise50_48k.wav", 48000, 50, [single(0.7, 1.2, 0.015), single(1.2, 1.2, 0.025)],
             inr=[50, None], nominal={0: 0.7, 1: 1.2}),
        Case("peak_first_44k.wav", 44100, 60, [peak_first], bands=False),
        Case("decay_t1_noise37_44k.wav", 44100, 70, [single(1.0, 1.2, 0.010)], inr=37, nominal={0: 1.0}),
        # The decay meets the noise at 0.68 s; the noise after 0.98 s was silenced.
        Case("silenced_tail_44k.wav", 44100, 80, [single(1.0, 1.3, 0.010)], inr=40, nominal={0: 1.0},
             silence_from_s=0.98),
    ]


def explore_cases():
    cases = []
    for T in (0.5, 1.0, 2.0):
        for seed in range(5):
            for fs in (44100, 48000):
                cases.append(Case("seed%d_t%g_%dk.wav" % (seed, T, fs // 1000), fs, 1000 + seed * 7 + int(T * 10),
                                  [single(T, 1.3 * T + 0.3, 0.012)], nominal={0: T}))
        for inr in (50, 60):
            cases.append(Case("noise%d_t%g.wav" % (inr, T), 48000, 77 + inr, [single(T, 1.6 * T + 0.6, 0.03)],
                              inr=inr, nominal={0: T}))
    return cases


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    which = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--set" else "committed"
    os.makedirs(out, exist_ok=True)
    cases = committed_cases() if which == "committed" else explore_cases()
    rows = []
    for case in cases:
        pcm, clean = build(case)
        write_wav(os.path.join(out, case.name), case.fs, pcm)
        rows += known_rows(case, pcm, clean)
        print(case.name, file=sys.stderr)
    # Extra files without known values: a response too short for any window, and silence.
    rng = random.Random(99)
    write_wav(os.path.join(out, "short_48k.wav"), 48000,
              [quantise(make_channel(rng, 48000, 0.004, 0.0, [decay_envelope(0.05, 80.0)]))])
    write_wav(os.path.join(out, "silence_44k.wav"), 44100, [[0] * 4410])
    with open(os.path.join(out, "known.csv"), "w") as f:
        f.write("file,channel,band,parameter,known,closed_form\n")
        for name, ch, band, p, v, cf in rows:
            fmt = lambda v: v if isinstance(v, str) else ("%d" % v if isinstance(v, int) else "%.6g" % v)
            f.write("%s,%d,%d,%s,%s,%s\n" % (name, ch, band, p, fmt(v), fmt(cf)))


if __name__ == "__main__":
    main()
