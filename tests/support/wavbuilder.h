#pragma once

#include <QByteArray>

#include <cmath>

// A RIFF WAVE image of 8-bit unsigned mono PCM: a sine tone, or silence for freqHz = 0.
inline QByteArray makeToneWav(double freqHz, int milliseconds, int rate = 22050)
{
    const int frames = rate * milliseconds / 1000;
    QByteArray data(frames, char(128));
    for (int i = 0; i < frames && freqHz > 0; ++i)
        data[i] = char(128 + int(std::lround(100 * std::sin(2 * M_PI * freqHz * i / rate))));
    auto le32 = [](quint32 v) {
        return QByteArray(reinterpret_cast<const char *>(&v), 4); // test machines are little-endian
    };
    auto le16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char *>(&v), 2); };
    QByteArray wav = "RIFF" + le32(36 + frames) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
                     le32(rate) + le32(rate) + le16(1) + le16(8) + "data" + le32(frames) + data;
    return wav;
}
