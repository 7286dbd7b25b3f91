#pragma once
// TqvxWav: plays a wave sound from a file, a Qt resource, its own stored bytes or a system event.
//
// Source by PlayFrom: pfFile FileName; pfResource the resource ":/<ResourceName>" (a name that
// starts with ":" is taken as it is); pfDFM the stored bytes (PlayFrom set to pfDFM loads them from
// FileName, any other value clears them); pfSystemEvent EventAlias, played from the desktop's sound
// theme (qvxSystemSounds.h). Wave sounds go to the audio sink (qvxAudioSink.h).
// Flags: AsyncPlay returns at once (else Play waits for the end); Looped repeats until Stop (a
// looped sound is always played asynchronously: waiting for its end would never return);
// NoStopSound refuses to play while a sound of this component is still playing; NoWaitIfBusy
// refuses when another program holds the sound device (else waits for it); NoDefaultSound: a sound
// that cannot be found or read plays nothing (else the theme's "bell", or the window system's
// bell). Play answers whether the sound was started.
// The playing flag is set only while Play runs (around OnPlayBefore, the start and OnPlayAfter);
// the setters that play again look at it.

#include "desktop/qvxFileStorage.h"
#include "platform/ui/EnumSet.h"

#include <memory>

class TqvxAudioSink;
class TqvxSystemSounds;

enum class TqvxWavPlayFrom { pfFile, pfResource, pfDFM, pfSystemEvent };
enum class TqvxSoundFlag { sndAsync, sndLoop, sndNoDefault, sndNoStop, sndNoWait };
using TqvxSoundFlags = TSet<TqvxSoundFlag>;

// What PrepareSound gathers for one Play.
struct TqvxSoundRequest {
    TqvxSoundFlags flags;
    TqvxWavPlayFrom source = TqvxWavPlayFrom::pfFile;
    QString name;     // the file, resource or event alias
    QByteArray bytes; // pfDFM: the stored bytes
};

using TqvxNotifyEvent = std::function<void(QObject* sender)>;

class TqvxWav : public TqvxCustomFileStorage {
    Q_OBJECT
public:
    explicit TqvxWav(QObject* owner = nullptr);
    ~TqvxWav() override;

    // Replace the sound card and the desktop's event sounds (tests, machines without sound).
    void SetSink(std::unique_ptr<TqvxAudioSink> sink);
    void SetSystemSounds(std::unique_ptr<TqvxSystemSounds> sounds);

    bool AsyncPlay() const { return asyncPlay_; }
    QString EventAlias() const { return eventAlias_; }
    bool Looped() const { return looped_; }
    bool NoDefaultSound = true;
    bool NoStopSound = false;
    bool NoWaitIfBusy() const { return noWaitIfBusy_; }
    TqvxWavPlayFrom PlayFrom() const { return playFrom_; }
    QString ResourceName() const { return resourceName_; }
    bool Playing() const { return playing_; }
    TqvxNotifyEvent OnPlayAfter;
    TqvxNotifyEvent OnPlayBefore;

    void SetFileName(const QString& value) override;
    virtual TqvxSoundRequest PrepareSound() const;
    virtual void SetAsyncPlay(bool value);
    virtual void SetEventAlias(const QString& value);
    virtual void SetLooped(bool value);
    virtual void SetNoWaitIfBusy(bool value);
    virtual void SetPlayFrom(TqvxWavPlayFrom value);
    virtual void SetResourceName(const QString& value);
    virtual bool Play();
    virtual void Stop();

private:
    bool PlaySound(const TqvxSoundRequest& request);
    bool PlayWave(const TqvxSoundRequest& request);
    void DefaultSound(const TqvxSoundRequest& request);
    TqvxAudioSink& Sink();
    TqvxSystemSounds& Sounds();

    bool asyncPlay_ = true;
    QString eventAlias_ = QStringLiteral(".Default");
    bool looped_ = false;
    bool noWaitIfBusy_ = true;
    TqvxWavPlayFrom playFrom_ = TqvxWavPlayFrom::pfFile;
    QString resourceName_ = QStringLiteral("WAVE1");
    bool playing_ = false;
    std::unique_ptr<TqvxAudioSink> sink_;
    std::unique_ptr<TqvxSystemSounds> sounds_;
};
