// BEEP: an 800 Hz tone of 40 ms through the default audio output. Without
// an audio device (or when the tone cannot be played) a beep is silent.
#pragma once

#include <memory>

#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QObject>

class QAudioSink;

namespace tw {

class BeepPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int ToneHz = 800;
    static constexpr int ToneMs = 40;

    explicit BeepPlayer(QObject* parent = nullptr);
    ~BeepPlayer() override;

    void beep();
    int beeps() const { return beeps_; }
    // A sound device was found and the tone is played there.
    bool audible() const { return sink_ != nullptr; }

    // The tone's samples in `format` (every channel the same).
    static QByteArray makeTone(const QAudioFormat& format);

private:
    void open();

    bool opened_ = false;
    int beeps_ = 0;
    std::unique_ptr<QAudioSink> sink_;
    QByteArray tone_;
    QBuffer buffer_;
};

}  // namespace tw
