#include "gui/beep.h"

#include <cmath>
#include <numbers>

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

namespace tw {

BeepPlayer::BeepPlayer(QObject* parent) : QObject(parent) {}

BeepPlayer::~BeepPlayer() {
    if (sink_) sink_->stop();
}

QByteArray BeepPlayer::makeTone(const QAudioFormat& format) {
    const int rate = format.sampleRate();
    const int channels = std::max(1, format.channelCount());
    const int frames = rate * ToneMs / 1000;
    const int bytes = format.bytesPerSample();
    QByteArray out;
    if (rate <= 0 || bytes <= 0) return out;
    out.resize(static_cast<qsizetype>(frames) * channels * bytes);
    char* p = out.data();
    for (int i = 0; i < frames; ++i) {
        // A third of full scale: audible without being harsh.
        const double v = 0.33 * std::sin(2.0 * std::numbers::pi * ToneHz * i / rate);
        for (int c = 0; c < channels; ++c) {
            switch (format.sampleFormat()) {
            case QAudioFormat::UInt8:
                *reinterpret_cast<uint8_t*>(p) = static_cast<uint8_t>(128 + std::lround(v * 127));
                break;
            case QAudioFormat::Int16:
                *reinterpret_cast<int16_t*>(p) = static_cast<int16_t>(std::lround(v * 32767));
                break;
            case QAudioFormat::Int32:
                *reinterpret_cast<int32_t*>(p) = static_cast<int32_t>(std::lround(v * 2147483647.0));
                break;
            case QAudioFormat::Float:
                *reinterpret_cast<float*>(p) = static_cast<float>(v);
                break;
            default:
                return {};
            }
            p += bytes;
        }
    }
    return out;
}

void BeepPlayer::open() {
    opened_ = true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(22050);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    tone_ = makeTone(format);
    if (tone_.isEmpty()) return;
    sink_ = std::make_unique<QAudioSink>(device, format);
}

void BeepPlayer::beep() {
    ++beeps_;
    if (!opened_) open();
    if (!sink_) return;
    // A beep that comes while the last one still sounds starts it again.
    sink_->stop();
    buffer_.close();
    buffer_.setData(tone_);
    if (!buffer_.open(QIODevice::ReadOnly)) return;
    sink_->start(&buffer_);
}

}  // namespace tw
