#include "tools/contentgen/music.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace solvane::contentgen {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Every frequency is rounded to a whole number of cycles per loop, and every envelope and event
// repeats with the loop, so the piece continues into its own start without a seam.
struct Loop {
  double seconds;
  double Snap(double frequency) const { return std::round(frequency * seconds) / seconds; }
};

double MidiToHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12);
}

// A fixed generator, so the piece never depends on a library's random engine.
struct Random {
  uint32_t state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 24);
  }
};

// Raised-cosine weight of the position `t` (seconds, wrapping at `length`) inside a window of
// `width` centred on `centre`: 1 in the middle, 0 outside.
double Window(double t, double centre, double width, double length) {
  double d = std::fabs(t - centre);
  d = std::fmin(d, length - d);
  return d >= width / 2 ? 0 : 0.5 + 0.5 * std::cos(kTwoPi * d / width);
}

struct Voice {
  double frequency;
  double pan;  // 0 left .. 1 right
  double level;
};

// Schroeder reverberator per channel: four combs in parallel into two all-passes, with delay
// lengths a little different left and right for width.
class Reverb {
 public:
  explicit Reverb(int channelOffset) {
    const int combs[4] = {1557, 1617, 1491, 1422};
    const int passes[2] = {225, 556};
    for (int i = 0; i < 4; ++i) comb_[size_t(i)].assign(size_t(combs[i] + channelOffset), 0.0);
    for (int i = 0; i < 2; ++i) pass_[size_t(i)].assign(size_t(passes[i] + channelOffset), 0.0);
  }
  double Process(double in) {
    double out = 0;
    for (size_t i = 0; i < comb_.size(); ++i) {
      std::vector<double>& line = comb_[i];
      size_t& at = combAt_[i];
      const double delayed = line[at];
      filter_[i] = delayed * 0.8 + filter_[i] * 0.2;  // damping: highs die first
      line[at] = in + filter_[i] * 0.86;
      at = (at + 1) % line.size();
      out += delayed;
    }
    for (size_t i = 0; i < pass_.size(); ++i) {
      std::vector<double>& line = pass_[i];
      size_t& at = passAt_[i];
      const double delayed = line[at];
      line[at] = out + delayed * 0.5;
      out = delayed - out * 0.5;
      at = (at + 1) % line.size();
    }
    return out * 0.25;
  }

 private:
  std::array<std::vector<double>, 4> comb_;
  std::array<size_t, 4> combAt_{};
  std::array<double, 4> filter_{};
  std::array<std::vector<double>, 2> pass_;
  std::array<size_t, 2> passAt_{};
};

// The mix, as amplitudes before the whole piece is brought to its loudness. The layers sit in
// different registers so that no single one dominates: the drone and the bass below 150 Hz, the
// pad from 150 Hz to 1 kHz, the shimmer and the bells' partials above, and a breath of air
// higher still. A speaker that cannot play the low end still carries the harmony and the bells.
constexpr double kDroneLevel = 0.085;    // A1, under every chord
constexpr double kBassLevel = 0.105;     // each chord's root in the second octave
constexpr double kPadLevel = 0.05;       // each of a chord's twelve pad voices
constexpr double kShimmerLevel = 0.085;  // each chord tone two octaves and a fifth up
constexpr double kBellLevel = 0.3;
constexpr double kAirLevel = 0.19;
// Loudness of the finished piece: RMS at -16 dBFS, peaks held under -1.9 dBFS by a soft knee
// (the encoder's rounding may add a little).
constexpr double kTargetRms = 0.158;
constexpr double kKnee = 0.6, kCeiling = 0.8;

// Leaves samples under the knee alone and bends the rest smoothly towards the ceiling. It has no
// memory, so the loop point stays as seamless as the signal it is given.
double SoftLimit(double x) {
  const double size = std::fabs(x);
  if (size <= kKnee) return x;
  const double bent = kKnee + (kCeiling - kKnee) * std::tanh((size - kKnee) / (kCeiling - kKnee));
  return x < 0 ? -bent : bent;
}

}  // namespace

std::vector<float> SynthesizeMusic(double seconds) {
  const Loop loop{seconds};
  const size_t frames = size_t(seconds * kMusicRate);

  // Four slow chords (A minor colours), each held a quarter of the loop and crossfaded.
  const std::array<std::array<int, 4>, 4> chords = {{
      {57, 60, 64, 71},  // Am(add9)
      {53, 57, 60, 67},  // Fmaj(add9)
      {55, 59, 62, 69},  // G6
      {52, 55, 59, 66},  // Em(add9)
  }};
  std::vector<Voice> pads, shimmer;
  std::vector<double> roots;
  for (const auto& chord : chords) {
    for (size_t n = 0; n < chord.size(); ++n) {
      for (double detune : {-0.07, 0.0, 0.06}) {  // a chorus of three slightly detuned tones
        pads.push_back(
            {loop.Snap(MidiToHz(chord[n] + detune)), 0.2 + 0.6 * double(n) / 3, kPadLevel});
      }
      // Panned against the pad, so the high voices spread the other way.
      shimmer.push_back({loop.Snap(MidiToHz(chord[n] + 31)), 0.8 - 0.6 * double(n) / 3, 0});
    }
    // Every chord here has its root as its lowest note.
    roots.push_back(loop.Snap(MidiToHz(chord[0] - 12)));
  }
  const double drone = loop.Snap(MidiToHz(33));  // A1

  // Sparse bells from a pentatonic set at fixed moments of the loop.
  struct Bell {
    double start, frequency, pan;
  };
  std::vector<Bell> bells;
  Random random{20261206};
  const int scale[] = {69, 72, 74, 76, 79, 81, 84, 88};
  for (double t = 2.5; t < seconds - 1; t += 3.0 + 4.0 * random.Next()) {
    bells.push_back(
        {t, loop.Snap(MidiToHz(scale[size_t(random.Next() * 8) % 8])), 0.15 + 0.7 * random.Next()});
  }

  // Two loops are rendered into the reverb and the second kept: by then the reverb carries the
  // tail of the first, exactly what it carries when the music wraps round.
  std::vector<double> mix(frames * 2);
  Reverb left(0), right(23);
  const double chordLength = seconds / chords.size();
  // Air: noise with its lows taken out and its highest highs softened, swelling slowly. Each
  // pass draws the same noise, so it repeats with the loop too.
  double lowL = 0, lowR = 0, airL = 0, airR = 0;
  for (size_t pass = 0; pass < 2; ++pass) {
    Random noise{77};
    for (size_t i = 0; i < frames; ++i) {
      const double t = double(i) / kMusicRate;
      // The dry part that bypasses the reverb (the low end, which the reverb would only blur)
      // and the part that goes through it.
      double dryL = 0, dryR = 0, l = 0, r = 0;
      for (size_t c = 0; c < chords.size(); ++c) {
        const double weight =
            Window(t, (double(c) + 0.5) * chordLength, chordLength * 1.6, seconds);
        if (weight == 0) continue;
        for (size_t v = c * 12; v < c * 12 + 12; ++v) {
          const Voice& voice = pads[v];
          // A soft tone: the fundamental with a little second and third harmonic.
          const double phase = kTwoPi * voice.frequency * t;
          const double sine = std::sin(phase), cosine = std::cos(phase);
          // sin 2x = 2 sin x cos x and sin 3x = 3 sin x - 4 sin³ x: one sine and cosine a voice.
          const double tone =
              sine + 0.25 * (2 * sine * cosine) + 0.1 * (3 * sine - 4 * sine * sine * sine);
          const double s = tone * voice.level * weight;
          l += s * (1 - voice.pan);
          r += s * voice.pan;
        }
        for (size_t v = c * 4; v < c * 4 + 4; ++v) {
          const Voice& voice = shimmer[v];
          // Each high voice breathes at its own whole number of times a loop.
          const double tremolo =
              0.55 + 0.45 * std::sin(kTwoPi * double(5 + v % 4 * 2) * t / seconds + double(v));
          const double s =
              kShimmerLevel * weight * tremolo * std::sin(kTwoPi * voice.frequency * t);
          l += s * (1 - voice.pan);
          r += s * voice.pan;
        }
        const double bass = kBassLevel * weight * std::sin(kTwoPi * roots[c] * t);
        dryL += bass;
        dryR += bass;
      }
      const double swell = 0.85 + 0.15 * std::sin(kTwoPi * t * 2 / seconds);
      dryL += kDroneLevel * swell * std::sin(kTwoPi * drone * t);
      dryR += kDroneLevel * swell * std::sin(kTwoPi * drone * t);
      for (const Bell& bell : bells) {
        double age = t - bell.start;
        if (age < 0) age += seconds;  // a bell near the end rings on into the start
        if (age > 6) continue;
        // A struck bell: an inharmonic partial modulates the tone, both fading.
        const double envelope = std::exp(-age * 0.9) * std::fmin(1.0, age * 200);
        const double modulation =
            2.2 * std::exp(-age * 1.6) * std::sin(kTwoPi * bell.frequency * 3.5 * age);
        const double s =
            kBellLevel * envelope * std::sin(kTwoPi * bell.frequency * age + modulation);
        l += s * (1 - bell.pan);
        r += s * bell.pan;
      }
      const double breath = kAirLevel * (0.6 + 0.4 * std::sin(kTwoPi * t * 3 / seconds + 1.0));
      const double whiteL = noise.Next() * 2 - 1, whiteR = noise.Next() * 2 - 1;
      lowL += 0.25 * (whiteL - lowL);
      lowR += 0.25 * (whiteR - lowR);
      airL += 0.5 * ((whiteL - lowL) - airL);
      airR += 0.5 * ((whiteR - lowR) - airR);
      l += breath * airL;
      r += breath * airR;
      const double wetL = left.Process(l + 0.3 * r), wetR = right.Process(r + 0.3 * l);
      if (pass == 1) {
        mix[2 * i] = dryL + l * 0.55 + wetL * 0.9;
        mix[2 * i + 1] = dryR + r * 0.55 + wetR * 0.9;
      }
    }
  }
  double sum = 0;
  for (double s : mix) sum += s * s;
  const double rms = std::sqrt(sum / double(mix.size()));
  const double gain = rms > 0 ? kTargetRms / rms : 0;
  std::vector<float> out(mix.size());
  for (size_t i = 0; i < mix.size(); ++i) out[i] = float(SoftLimit(mix[i] * gain));
  return out;
}

std::vector<uint8_t> EncodeVorbis(const std::vector<float>& stereo, float quality,
                                  std::string& error) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, kMusicRate, quality) != 0) {
    vorbis_info_clear(&info);
    error = "the Vorbis encoder refused its settings";
    return {};
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", "Solvane");
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 0x536C766E);  // a fixed serial number keeps the file reproducible

  std::vector<uint8_t> out;
  const auto writePage = [&](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet header, commentHeader, codeHeader;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codeHeader);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) writePage(page);

  const size_t frames = stereo.size() / 2;
  constexpr size_t kChunk = 4096;
  for (size_t at = 0;; at += kChunk) {
    const size_t count = at < frames ? std::min(kChunk, frames - at) : 0;
    if (count == 0) {
      vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, int(count));
      for (size_t i = 0; i < count; ++i) {
        buffer[0][i] = stereo[2 * (at + i)];
        buffer[1][i] = stereo[2 * (at + i) + 1];
      }
      vorbis_analysis_wrote(&dsp, int(count));
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) writePage(page);
      }
    }
    if (count == 0) break;
  }
  while (ogg_stream_flush(&stream, &page) != 0) writePage(page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace solvane::contentgen
