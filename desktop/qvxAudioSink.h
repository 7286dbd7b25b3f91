#pragma once
// Where wave sounds are played: the sound card through ALSA (a worker thread writes the samples),
// or a null sink that plays nothing and records what it was given (tests, machines without sound).

#include "desktop/qvxWaveFile.h"

#include <memory>

class TqvxAudioSink {
public:
    virtual ~TqvxAudioSink() = default;
    // Stops any sound and starts this one (repeated until Stop when looped). waitIfBusy: when
    // another program holds the device, wait for it instead of failing. False when the sound
    // could not be started.
    virtual bool Start(const TqvxWaveSound& sound, bool looped, bool waitIfBusy) = 0;
    virtual void Wait() = 0; // until a sound that is not looped has ended
    virtual void Stop() = 0; // at once
    virtual bool Playing() const = 0;
};

// The ALSA device (default: the user's default device).
std::unique_ptr<TqvxAudioSink> qvxAlsaSink(const char* device = "default");

// Plays nothing. A started sound counts as playing until Stop, Finish or (not looped) Wait.
class TqvxNullSink : public TqvxAudioSink {
public:
    bool busy = false; // the device is held by another program
    int starts = 0;
    int waits = 0;
    bool lastLooped = false;
    bool lastWaitIfBusy = false;
    TqvxWaveSound lastSound;

    bool Start(const TqvxWaveSound& sound, bool looped, bool waitIfBusy) override;
    void Wait() override;
    void Stop() override { playing_ = false; }
    bool Playing() const override { return playing_; }
    void Finish() { playing_ = false; } // the sound came to its end

private:
    bool playing_ = false;
};
