#include "desktop/qvxWavePlayer.h"

#include "desktop/qvxAudioSink.h"
#include "desktop/qvxSystemSounds.h"

#include <QFile>

using Flag = TqvxSoundFlag;
using From = TqvxWavPlayFrom;

namespace {

constexpr qint64 MaxSoundBytes = qint64(256) << 20;

// The bytes of a file or resource; empty when it cannot be read.
QByteArray ReadSound(const QString& name) {
    QFile file(name);
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxSoundBytes) return {};
    return file.readAll();
}

QString ResourcePath(const QString& name) {
    return name.startsWith(':') ? name : ":/" + name;
}

} // namespace

TqvxWav::TqvxWav(QObject* owner) : TqvxCustomFileStorage(owner) {}

TqvxWav::~TqvxWav() {
    Stop();
}

void TqvxWav::SetSink(std::unique_ptr<TqvxAudioSink> sink) {
    if (sink_) sink_->Stop();
    sink_ = std::move(sink);
}

void TqvxWav::SetSystemSounds(std::unique_ptr<TqvxSystemSounds> sounds) {
    if (sounds_) sounds_->Stop();
    sounds_ = std::move(sounds);
}

TqvxAudioSink& TqvxWav::Sink() {
    if (!sink_) sink_ = qvxAlsaSink();
    return *sink_;
}

TqvxSystemSounds& TqvxWav::Sounds() {
    if (!sounds_) sounds_ = qvxDesktopSystemSounds();
    return *sounds_;
}

TqvxSoundRequest TqvxWav::PrepareSound() const {
    TqvxSoundRequest request;
    if (asyncPlay_) request.flags.Include(Flag::sndAsync);
    if (looped_) request.flags.Include(Flag::sndLoop);
    if (NoDefaultSound) request.flags.Include(Flag::sndNoDefault);
    if (NoStopSound) request.flags.Include(Flag::sndNoStop);
    if (noWaitIfBusy_) request.flags.Include(Flag::sndNoWait);
    request.source = playFrom_;
    switch (playFrom_) {
    case From::pfFile:
        request.name = FileName();
        break;
    case From::pfResource:
        request.name = ResourcePath(resourceName_);
        break;
    case From::pfDFM:
        request.bytes = data_;
        break;
    case From::pfSystemEvent:
        request.name = eventAlias_;
        break;
    }
    return request;
}

bool TqvxWav::Play() {
    const TqvxSoundRequest request = PrepareSound();
    playing_ = true;
    if (OnPlayBefore) OnPlayBefore(this);
    const bool started = PlaySound(request);
    if (OnPlayAfter) OnPlayAfter(this);
    playing_ = false;
    return started;
}

void TqvxWav::Stop() {
    playing_ = false;
    if (sink_) sink_->Stop();
    if (sounds_) sounds_->Stop();
}

bool TqvxWav::PlaySound(const TqvxSoundRequest& request) {
    const bool busy = (sink_ && sink_->Playing()) || (sounds_ && sounds_->Playing());
    if (request.flags.Contains(Flag::sndNoStop) && busy) return false;
    Stop();
    playing_ = true;
    if (request.source != From::pfSystemEvent) return PlayWave(request);
    if (Sounds().Play(qvxSoundThemeName(request.name))) return true;
    DefaultSound(request);
    return false;
}

bool TqvxWav::PlayWave(const TqvxSoundRequest& request) {
    TqvxWaveSound sound;
    try {
        sound = qvxReadWave(request.source == From::pfDFM ? request.bytes : ReadSound(request.name));
    } catch (const EqvxWaveFile&) {
        DefaultSound(request);
        return false;
    }
    const bool looped = request.flags.Contains(Flag::sndLoop);
    if (!Sink().Start(sound, looped, !request.flags.Contains(Flag::sndNoWait))) return false;
    if (!looped && !request.flags.Contains(Flag::sndAsync)) Sink().Wait();
    return true;
}

void TqvxWav::DefaultSound(const TqvxSoundRequest& request) {
    if (request.flags.Contains(Flag::sndNoDefault)) return;
    if (!Sounds().Play(qvxSoundThemeName(".Default"))) Sounds().Beep();
}

void TqvxWav::SetFileName(const QString& value) {
    StoreFileName(value);
    if (playFrom_ != From::pfDFM) return;
    if (Designing()) LoadFromFile(value);
    if (playing_)
        Play();
    else
        Stop();
}

void TqvxWav::SetAsyncPlay(bool value) {
    asyncPlay_ = value;
    if (value && playing_) Stop();
}

void TqvxWav::SetEventAlias(const QString& value) {
    eventAlias_ = value;
    if (playFrom_ != From::pfSystemEvent) return;
    if (playing_)
        Play();
    else
        Stop();
}

void TqvxWav::SetLooped(bool value) {
    if (value == looped_) return;
    const bool wasPlaying = playing_;
    if (wasPlaying) Stop();
    looped_ = value;
    if (wasPlaying && value) Play();
}

void TqvxWav::SetNoWaitIfBusy(bool value) {
    noWaitIfBusy_ = value;
    if (!value || !playing_) return;
    Stop();
    Play();
}

void TqvxWav::SetPlayFrom(TqvxWavPlayFrom value) {
    playFrom_ = value;
    if (value == From::pfDFM)
        LoadFromFile(FileName());
    else
        Clear();
}

void TqvxWav::SetResourceName(const QString& value) {
    resourceName_ = value;
    if (playFrom_ == From::pfResource && playing_) Play();
}
