#include "Sounds.h"

#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace clipvoice::characters {

namespace {

constexpr int kRate = 22050;
constexpr double kTau = 2 * std::numbers::pi;

// A small deterministic noise source in -1..1.
class Noise
{
public:
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return double(m_state >> 8) / double(1u << 23) - 1.0;
    }

private:
    std::uint32_t m_state = 12345u;
};

QByteArray wave(const QList<double>& samples)
{
    const auto dataBytes = quint32(samples.size() * 2);
    QByteArray out;
    out.reserve(qsizetype(44 + dataBytes));
    const auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    const auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out.append("RIFF", 4);
    u32(36 + dataBytes);
    out.append("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    out.append("data", 4);
    u32(dataBytes);
    for (double s : samples)
        u16(quint16(qint16(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0))));
    return out;
}

// `seconds` of samples from `f(t)`, with short fades at both ends against clicks.
QList<double> render(double seconds, const std::function<double(double)>& f)
{
    const int n = int(seconds * kRate);
    QList<double> s(n);
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double edge = std::min({1.0, t / 0.002, (seconds - t) / 0.004});
        s[i] = f(t) * edge;
    }
    return s;
}

} // namespace

QMap<QString, QByteArray> makeSounds(double pitch)
{
    QMap<QString, QByteArray> sounds;

    // A soft pop: a sine gliding quickly down.
    {
        double phase = 0;
        sounds.insert(QStringLiteral("pop"), wave(render(0.12, [&](double t) {
                          const double f = pitch * (260 + 640 * std::exp(-t / 0.02));
                          phase += kTau * f / kRate;
                          return 0.6 * std::sin(phase) * std::exp(-t / 0.03);
                      })));
    }
    // A whoosh: noise through a low-pass filter that opens and closes.
    {
        Noise noise;
        double low = 0;
        const double length = 0.38;
        sounds.insert(QStringLiteral("whoosh"), wave(render(length, [&](double t) {
                          const double u = t / length;
                          const double open = std::sin(std::numbers::pi * u);
                          const double a = std::min(0.9, 0.02 + 0.25 * pitch * open);
                          low += a * (noise.next() - low);
                          return 0.9 * low * open * open;
                      })));
    }
    // A chime: two bell notes with a slightly inharmonic overtone.
    {
        const double notes[][2] = {{1318.5, 0.0}, {1975.5, 0.09}, {2637.0, 0.18}};
        sounds.insert(QStringLiteral("chime"), wave(render(0.8, [&](double t) {
                          double s = 0;
                          for (const auto& n : notes) {
                              const double u = t - n[1];
                              if (u < 0)
                                  continue;
                              const double f = n[0] * pitch;
                              s += (std::sin(kTau * f * u) + 0.3 * std::sin(kTau * f * 2.76 * u)) *
                                   std::exp(-u / 0.22) * std::min(1.0, u / 0.003);
                          }
                          return 0.22 * s;
                      })));
    }
    // Turning a page: two short, bright bursts of noise.
    {
        Noise noise;
        double low = 0;
        sounds.insert(QStringLiteral("page"), wave(render(0.2, [&](double t) {
                          const double n = noise.next();
                          low += 0.3 * (n - low);
                          const double env = std::exp(-t / 0.03) +
                                             0.6 * (t > 0.08 ? std::exp(-(t - 0.08) / 0.04) : 0);
                          return 0.5 * (n - low) * env;
                      })));
    }
    // Scribbling: noise pulsed a few times.
    {
        Noise noise;
        double low = 0;
        sounds.insert(QStringLiteral("scribble"), wave(render(0.35, [&](double t) {
                          low += 0.2 * (noise.next() - low);
                          const double pulse = 0.5 + 0.5 * std::sin(kTau * 14 * t);
                          return 0.8 * low * pulse * pulse;
                      })));
    }
    // A little fanfare: two notes with odd harmonics and vibrato.
    {
        double phase = 0;
        sounds.insert(QStringLiteral("fanfare"), wave(render(0.5, [&](double t) {
                          const double base = t < 0.14 ? 523.25 : 783.99;
                          const double f = pitch * base * (1 + 0.006 * std::sin(kTau * 6 * t));
                          phase += kTau * f / kRate;
                          double s = 0;
                          for (int h = 1; h <= 7; h += 2)
                              s += std::sin(h * phase) / h;
                          const double u = t < 0.14 ? t : t - 0.14;
                          const double env = std::min(1.0, u / 0.015) * (t < 0.14 ? 0.8 : 1.0) *
                                             (t > 0.36 ? std::exp(-(t - 0.36) / 0.05) : 1.0);
                          return 0.28 * s * env;
                      })));
    }
    // A boing for surprise: a sine bending up with a wobble.
    {
        double phase = 0;
        sounds.insert(QStringLiteral("boing"), wave(render(0.32, [&](double t) {
                          const double f =
                              pitch * (220 + 380 * (1 - std::exp(-t / 0.05))) *
                              (1 + 0.08 * std::sin(kTau * 18 * t) * std::exp(-t / 0.1));
                          phase += kTau * f / kRate;
                          return 0.5 * std::sin(phase) * std::exp(-t / 0.12);
                      })));
    }
    return sounds;
}

} // namespace clipvoice::characters
