#include "desktop/qvxAudioSink.h"

#include <alsa/asoundlib.h>

#include <QLoggingCategory>

#include <atomic>
#include <string>
#include <thread>

Q_LOGGING_CATEGORY(lcqvxSound, "qvx.sound", QtWarningMsg)

namespace {

constexpr unsigned LatencyUs = 200000;
constexpr snd_pcm_uframes_t FramesPerWrite = 1024;

snd_pcm_format_t AlsaFormat(int bitsPerSample) {
    switch (bitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    default:
        return SND_PCM_FORMAT_S32_LE;
    }
}

class TAlsaSink : public TqvxAudioSink {
public:
    explicit TAlsaSink(const char* device) : device_(device) {}
    ~TAlsaSink() override { Stop(); }

    bool Start(const TqvxWaveSound& sound, bool looped, bool waitIfBusy) override {
        Stop();
        snd_pcm_t* pcm = Open(waitIfBusy);
        if (pcm == nullptr) return false;
        const TqvxWaveFormat& f = sound.format;
        const int error = snd_pcm_set_params(pcm, AlsaFormat(f.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                                             unsigned(f.channels), unsigned(f.sampleRate), 1, LatencyUs);
        if (error < 0) {
            qCWarning(lcqvxSound) << "sound format refused:" << snd_strerror(error);
            snd_pcm_close(pcm);
            return false;
        }
        playing_ = true;
        worker_ = std::jthread([this, pcm, sound, looped](std::stop_token stop) {
            Feed(pcm, sound, looped, stop);
            playing_ = false;
        });
        return true;
    }

    void Wait() override {
        if (worker_.joinable()) worker_.join();
    }

    void Stop() override {
        worker_.request_stop();
        Wait();
    }

    bool Playing() const override { return playing_; }

private:
    snd_pcm_t* Open(bool waitIfBusy) const {
        snd_pcm_t* pcm = nullptr;
        int error = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (error == -EBUSY && waitIfBusy)
            error = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0); // waits for the device
        if (error < 0) {
            qCWarning(lcqvxSound) << "no sound device:" << snd_strerror(error);
            return nullptr;
        }
        snd_pcm_nonblock(pcm, 0);
        return pcm;
    }

    // Writes the frames (again and again when looped) until the end or a stop request.
    static void Feed(snd_pcm_t* pcm, const TqvxWaveSound& sound, bool looped, std::stop_token stop) {
        const int frameBytes = sound.format.BlockAlign();
        const snd_pcm_uframes_t frames = sound.samples.size() / frameBytes;
        do {
            for (snd_pcm_uframes_t at = 0; at < frames && !stop.stop_requested();) {
                const snd_pcm_uframes_t count = std::min(FramesPerWrite, frames - at);
                snd_pcm_sframes_t written =
                    snd_pcm_writei(pcm, sound.samples.constData() + at * frameBytes, count);
                if (written < 0) written = snd_pcm_recover(pcm, int(written), 1);
                if (written < 0) {
                    qCWarning(lcqvxSound) << "sound output failed:" << snd_strerror(int(written));
                    snd_pcm_close(pcm);
                    return;
                }
                at += snd_pcm_uframes_t(written);
            }
        } while (looped && frames > 0 && !stop.stop_requested());
        if (stop.stop_requested())
            snd_pcm_drop(pcm);
        else
            snd_pcm_drain(pcm);
        snd_pcm_close(pcm);
    }

    std::string device_;
    std::atomic<bool> playing_ = false;
    std::jthread worker_;
};

} // namespace

std::unique_ptr<TqvxAudioSink> qvxAlsaSink(const char* device) {
    return std::make_unique<TAlsaSink>(device);
}

bool TqvxNullSink::Start(const TqvxWaveSound& sound, bool looped, bool waitIfBusy) {
    lastWaitIfBusy = waitIfBusy;
    if (busy && !waitIfBusy) return false;
    ++starts;
    lastSound = sound;
    lastLooped = looped;
    playing_ = true;
    return true;
}

void TqvxNullSink::Wait() {
    ++waits;
    if (!lastLooped) playing_ = false;
}
