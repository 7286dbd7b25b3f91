// Files kept inside a component: loading, saving, the stored form and the design-state rules.

#include "desktop/qvxFileStorage.h"
#include "platform/os/TestTempFolder.h"
#include "qvxMessageRecorder.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

class FileStorage : public testing::Test {
protected:
    void SetUp() override {
        storage.OnLoad = [this](QObject*, bool ok) { events << QString("load %1").arg(ok); };
        storage.OnSave = [this](QObject*, bool ok) { events << QString("save %1").arg(ok); };
    }
    QString Path(const std::string& name) const { return QString::fromStdString(folder.Path(name)); }

    static QByteArray Stored(const TqvxCustomFileStorage& s) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        s.WriteData(buffer);
        return buffer.data();
    }

    TTestTempFolder folder;
    TqvxFileStorage storage;
    QStringList events;
    TMessageRecorder recorder;
};

TEST_F(FileStorage, LoadAndSaveRoundTripTheBytes) {
    const std::string bytes("\x00\x01\xff\r\n zero", 10);
    folder.Write("in.bin", bytes);
    ASSERT_TRUE(storage.LoadFromFile(Path("in.bin")));
    EXPECT_EQ(storage.DataSize(), 10u);
    ASSERT_TRUE(storage.SaveToFile(Path("out.bin")));
    EXPECT_EQ(folder.Read("out.bin"), bytes);
    EXPECT_EQ(events, (QStringList{"load 1", "save 1"}));

    TqvxFileStorage copy;
    QBuffer form;
    form.setData(Stored(storage));
    form.open(QIODevice::ReadOnly);
    copy.ReadData(form);
    EXPECT_EQ(copy.Data(), storage.Data());
}

TEST_F(FileStorage, StoredFormIsALittleEndianCountAndTheBytes) {
    folder.Write("empty", "");
    ASSERT_TRUE(storage.LoadFromFile(Path("empty")));
    EXPECT_EQ(Stored(storage), QByteArray(4, '\0'));
    folder.Write("f", std::string(258, 'a'));
    storage.LoadFromFile(Path("f"));
    EXPECT_EQ(Stored(storage), QByteArray("\x02\x01\x00\x00", 4) + QByteArray(258, 'a'));
}

TEST_F(FileStorage, MissingFileClearsAndAnswersFalse) {
    folder.Write("f", "abc");
    storage.LoadFromFile(Path("f"));
    EXPECT_FALSE(storage.LoadFromFile(Path("missing")));
    EXPECT_EQ(storage.DataSize(), 0u);
    EXPECT_EQ(events.last(), "load 0");
}

TEST_F(FileStorage, RefusedOverrideWritesNothingAndReportsFalse) {
    folder.Write("target", "old");
    folder.Write("f", "new");
    storage.LoadFromFile(Path("f"));
    storage.OnConfirmOverride = [](QObject*, bool& overrideFile) {
        EXPECT_TRUE(overrideFile);
        overrideFile = false;
    };
    EXPECT_FALSE(storage.SaveToFile(Path("target")));
    EXPECT_EQ(folder.Read("target"), "old");
    EXPECT_EQ(events.last(), "save 0");
    EXPECT_TRUE(storage.SaveToFile(Path("fresh"))); // not asked for a new file
    EXPECT_EQ(folder.Read("fresh"), "new");
}

TEST_F(FileStorage, FailuresRaiseTheStorageErrorAfterTheEvent) {
    folder.Write("dir/x", "");
    try {
        storage.LoadFromFile(Path("dir"));
        FAIL();
    } catch (const EqvxFileStorage& e) {
        EXPECT_EQ(std::string(e.what()), "Can not load data from the \"" + folder.Path("dir") + "\" file");
    }
    try {
        storage.SaveToFile(Path("no/such/folder/f"));
        FAIL();
    } catch (const EqvxFileStorage& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can not save data to the \"" + folder.Path("no/such/folder/f") + "\" file");
    }
    EXPECT_EQ(events, (QStringList{"load 0", "save 0"}));
}

TEST_F(FileStorage, DamagedFormIsRefused) {
    for (const QByteArray& form : {QByteArray("\x01\x00", 2), QByteArray("\x05\x00\x00\x00"
                                                                         "abc",
                                                                         7)}) {
        QBuffer buffer;
        buffer.setData(form);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_THROW(storage.ReadData(buffer), EqvxFileStorage);
        EXPECT_EQ(storage.DataSize(), 0u);
    }
}

TEST_F(FileStorage, AutoSaveNeedsAUsableNameInTheDesignState) {
    storage.SetDesigning(true);
    storage.SetSaveName(Path("missing/out"));
    storage.SetAutoSave(true);
    EXPECT_FALSE(storage.AutoSave());
    EXPECT_EQ(recorder.Messages,
              QStringList{"Warning|AutoSave can not be set because the SaveName property contains a wrong "
                          "file name"});
    storage.SetSaveName(Path("out"));
    storage.SetAutoSave(true);
    EXPECT_TRUE(storage.AutoSave());
    storage.SetSaveName(Path("missing/out"));
    EXPECT_FALSE(storage.AutoSave());
}

TEST_F(FileStorage, DesignStateLoadsTheFileAtOnceAndAutoSaveWritesAtStart) {
    folder.Write("src", "payload");
    storage.SetDesigning(true);
    storage.SetFileName(Path("src"));
    EXPECT_EQ(storage.Data(), "payload");
    storage.SetSaveName(Path("written"));
    storage.SetAutoSave(true);
    storage.Loaded();
    EXPECT_FALSE(folder.Exists("written"));
    storage.SetDesigning(false);
    storage.Loaded();
    EXPECT_EQ(folder.Read("written"), "payload");
}

} // namespace
