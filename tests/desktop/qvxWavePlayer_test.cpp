// Wave sounds: the RIFF/WAVE reader, and TqvxWav's sources and flags as the null sink and a
// recorded set of system sounds see them.

#include "desktop/qvxAudioSink.h"
#include "desktop/qvxSystemSounds.h"
#include "desktop/qvxWavePlayer.h"
#include "platform/os/TestTempFolder.h"

#include <QtEndian>

#include <tuple>

#include <gtest/gtest.h>

namespace {

QByteArray U16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray U32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Chunk(const char* id, const QByteArray& data, quint32 size) {
    return QByteArray(id, 4) + U32(size) + data + (data.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

QByteArray Fmt(quint16 format = 1, quint16 channels = 2, quint32 rate = 8000, quint16 bits = 16,
               quint16 align = 4) {
    return U16(format) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
}

QByteArray Wave(const QByteArray& fmt, const QByteArray& samples, quint32 dataSize) {
    const QByteArray body =
        "WAVE" + Chunk("LIST", "abc", 3) + Chunk("fmt ", fmt, fmt.size()) + Chunk("data", samples, dataSize);
    return "RIFF" + U32(body.size()) + body;
}

QByteArray Wave(const QByteArray& samples = QByteArray(16, '\x11')) {
    return Wave(Fmt(), samples, samples.size());
}

TEST(WaveReader, ReadsFormatAndWholeFramesSkippingOtherChunks) {
    const TqvxWaveSound sound = qvxReadWave(Wave(QByteArray(12, '\x22')));
    EXPECT_EQ(std::tuple(sound.format.channels, sound.format.sampleRate, sound.format.bitsPerSample),
              std::tuple(2, 8000, 16));
    EXPECT_EQ(sound.samples, QByteArray(12, '\x22'));
    // A data size past the end is cut to whole frames; extensible PCM is PCM.
    EXPECT_EQ(qvxReadWave(Wave(Fmt(), QByteArray(10, 'a'), 0xFFFFFFFF)).samples.size(), 8);
    QByteArray fmt = Fmt(0xFFFE) + U16(22) + U16(16) + U32(3) + U16(1) + QByteArray(14, '\0');
    EXPECT_EQ(qvxReadWave(Wave(fmt, QByteArray(4, 'a'), 4)).samples.size(), 4);
}

struct TBadWave {
    const char* what;
    QByteArray bytes;
};

class WaveReaderRefuses : public testing::TestWithParam<TBadWave> {};

TEST_P(WaveReaderRefuses, WithTheReason) {
    try {
        qvxReadWave(GetParam().bytes);
        FAIL() << "accepted";
    } catch (const EqvxWaveFile& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().what), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, WaveReaderRefuses,
    testing::Values(TBadWave{"no RIFF/WAVE header", "RIFX0000WAVE"}, TBadWave{"no RIFF/WAVE header", "RIFF"},
                    TBadWave{"compressed samples (format 85)", Wave(Fmt(85), "ab", 2)},
                    TBadWave{"0 channels", Wave(Fmt(1, 0), "ab", 2)},
                    TBadWave{"12 bits per sample", Wave(Fmt(1, 1, 8000, 12, 2), "ab", 2)},
                    TBadWave{"sample rate 0", Wave(Fmt(1, 1, 0, 16, 2), "ab", 2)},
                    TBadWave{"block size does not match", Wave(Fmt(1, 2, 8000, 16, 3), "ab", 2)},
                    TBadWave{"format chunk too short", Wave(Fmt().left(10), "ab", 2)},
                    TBadWave{"no data chunk", "RIFF" + U32(28) + "WAVE" + Chunk("fmt ", Fmt(), 16)},
                    TBadWave{"no format chunk", "RIFF" + U32(4) + "WAVE"},
                    TBadWave{"data before the format chunk",
                             "RIFF" + U32(14) + "WAVE" + Chunk("data", "ab", 2)}));

// System sounds that play only the names listed in `available`.
struct TRecordedSounds : TqvxSystemSounds {
    QStringList available{"bell", "dialog-warning"};
    QStringList* log;
    bool playing = false;
    bool Play(const QString& name) override {
        *log << "theme " + name;
        return playing = available.contains(name);
    }
    void Stop() override { playing = false; }
    bool Playing() const override { return playing; }
    void Beep() override { *log << "beep"; }
};

class Wav : public testing::Test {
protected:
    void SetUp() override {
        auto s = std::make_unique<TqvxNullSink>();
        sink = s.get();
        wav.SetSink(std::move(s));
        auto r = std::make_unique<TRecordedSounds>();
        sounds = r.get();
        sounds->log = &log;
        wav.SetSystemSounds(std::move(r));
        folder.Write("beep.wav", Wave().toStdString());
        wav.SetFileName(Path("beep.wav"));
    }
    QString Path(const std::string& name) const { return QString::fromStdString(folder.Path(name)); }

    TTestTempFolder folder;
    TqvxWav wav;
    TqvxNullSink* sink = nullptr;
    TRecordedSounds* sounds = nullptr;
    QStringList log;
};

TEST_F(Wav, AsyncFilePlayStartsAndReturnsAtOnce) {
    QStringList order;
    wav.OnPlayBefore = [&](QObject*) { order << QString("before %1").arg(wav.Playing()); };
    wav.OnPlayAfter = [&](QObject*) { order << QString("after %1").arg(wav.Playing()); };
    ASSERT_TRUE(wav.Play());
    EXPECT_EQ(order, (QStringList{"before 1", "after 1"}));
    EXPECT_FALSE(wav.Playing());
    EXPECT_EQ(sink->starts, 1);
    EXPECT_EQ(sink->waits, 0);
    EXPECT_TRUE(sink->Playing());
    EXPECT_EQ(sink->lastSound.samples, QByteArray(16, '\x11'));
    EXPECT_FALSE(sink->lastWaitIfBusy); // NoWaitIfBusy by default
}

TEST_F(Wav, SynchronousPlayWaitsAndLoopedPlayNeverDoes) {
    wav.SetAsyncPlay(false);
    ASSERT_TRUE(wav.Play());
    EXPECT_EQ(sink->waits, 1);
    wav.SetLooped(true);
    ASSERT_TRUE(wav.Play());
    EXPECT_TRUE(sink->lastLooped);
    EXPECT_EQ(sink->waits, 1);
    EXPECT_TRUE(sink->Playing());
    wav.Stop();
    EXPECT_FALSE(sink->Playing());
}

TEST_F(Wav, NoStopSoundRefusesWhileASoundPlays) {
    wav.NoStopSound = true;
    ASSERT_TRUE(wav.Play());
    EXPECT_FALSE(wav.Play());
    EXPECT_EQ(sink->starts, 1);
    sink->Finish();
    EXPECT_TRUE(wav.Play());
    wav.NoStopSound = false;
    EXPECT_TRUE(wav.Play()); // replaces the playing sound
    EXPECT_EQ(sink->starts, 3);
}

TEST_F(Wav, BusyDeviceRefusesOnlyWithNoWait) {
    sink->busy = true;
    EXPECT_FALSE(wav.Play());
    wav.SetNoWaitIfBusy(false);
    EXPECT_TRUE(wav.Play());
    EXPECT_TRUE(sink->lastWaitIfBusy);
}

TEST_F(Wav, UnreadableSoundPlaysTheDefaultUnlessNoDefaultSound) {
    wav.SetFileName(Path("missing.wav"));
    EXPECT_FALSE(wav.Play());
    EXPECT_TRUE(log.isEmpty());
    wav.NoDefaultSound = false;
    EXPECT_FALSE(wav.Play());
    EXPECT_EQ(log, QStringList{"theme bell"});
    sounds->available.clear();
    folder.Write("bad.wav", "RIFF junk");
    wav.SetFileName(Path("bad.wav"));
    EXPECT_FALSE(wav.Play());
    EXPECT_EQ(log, (QStringList{"theme bell", "theme bell", "beep"}));
    EXPECT_EQ(sink->starts, 0);
}

TEST_F(Wav, SystemEventsPlayTheirThemeSound) {
    wav.SetPlayFrom(TqvxWavPlayFrom::pfSystemEvent);
    EXPECT_TRUE(wav.Play()); // ".Default"
    wav.SetEventAlias("SystemExclamation");
    EXPECT_TRUE(wav.Play());
    wav.SetEventAlias("SystemHand");
    EXPECT_FALSE(wav.Play());
    EXPECT_EQ(log, (QStringList{"theme bell", "theme dialog-warning", "theme dialog-error"}));
    EXPECT_EQ(sink->starts, 0);
}

TEST_F(Wav, StoredBytesFollowPlayFrom) {
    wav.SetPlayFrom(TqvxWavPlayFrom::pfDFM);
    EXPECT_EQ(wav.Data(), Wave());
    folder.Write("beep.wav", "changed on disk");
    ASSERT_TRUE(wav.Play()); // plays the stored bytes, not the file
    EXPECT_EQ(sink->lastSound.samples, QByteArray(16, '\x11'));
    EXPECT_EQ(wav.PrepareSound().bytes, Wave());
    wav.SetPlayFrom(TqvxWavPlayFrom::pfFile);
    EXPECT_EQ(wav.DataSize(), 0u);
}

TEST_F(Wav, ResourceNamesAQtResource) {
    wav.SetPlayFrom(TqvxWavPlayFrom::pfResource);
    EXPECT_EQ(wav.PrepareSound().name, ":/WAVE1");
    wav.SetResourceName(":/sounds/x");
    EXPECT_EQ(wav.PrepareSound().name, ":/sounds/x");
    EXPECT_FALSE(wav.Play()); // no such resource
}

TEST_F(Wav, LoopedChangedWhilePlayingRestartsTheSound) {
    wav.OnPlayAfter = [&](QObject*) {
        wav.OnPlayAfter = nullptr;
        wav.SetLooped(true); // restarts at once as a looped sound
    };
    ASSERT_TRUE(wav.Play());
    EXPECT_EQ(sink->starts, 2);
    EXPECT_TRUE(sink->lastLooped);
    EXPECT_TRUE(sink->Playing());
    wav.SetLooped(false); // not playing any more (outside Play): only the flag changes
    EXPECT_TRUE(sink->Playing());
}

// ALSA's "null" device takes the samples and plays nothing: the worker thread runs for real.
TEST(AlsaSink, PlaysToTheEndAndStopsALoopAtOnce) {
    auto sink = qvxAlsaSink("null");
    const TqvxWaveSound sound = qvxReadWave(Wave(QByteArray(4 * 800, '\0'))); // 0.1 s
    if (!sink->Start(sound, false, false)) GTEST_SKIP() << "no ALSA null device";
    sink->Wait();
    EXPECT_FALSE(sink->Playing());
    ASSERT_TRUE(sink->Start(sound, true, false));
    EXPECT_TRUE(sink->Playing());
    sink->Stop();
    EXPECT_FALSE(sink->Playing());
}

TEST(AlsaSink, WithoutADeviceRefusesQuietly) {
    auto sink = qvxAlsaSink("centrprg-no-such-device");
    EXPECT_FALSE(sink->Start(qvxReadWave(Wave()), false, false));
    EXPECT_FALSE(sink->Playing());
}

} // namespace
