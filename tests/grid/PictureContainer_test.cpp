// Pictures of mini-HTML texts: decoding, GIF frames, the named container, the URL cache and URLs.
#include "grid/PictureContainer.h"
#include "TestPictures.h"
#include "grid/GridError.h"
#include "platform/ui/RecordingDevice.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Load(THTMLPicture& picture, QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    picture.LoadFromStream(buffer);
}

struct TFormatCase {
    const char* Name;
    QByteArray Bytes;
    int Width, Height;
    int Frames; // -1: not a GIF
};

class DecodesWhole : public testing::TestWithParam<TFormatCase> {};

TEST_P(DecodesWhole, AndItsFrameAreaIsItsSize) {
    THTMLPicture picture;
    int changes = 0;
    picture.OnChange = [&changes](THTMLPicture&) { ++changes; };
    Load(picture, GetParam().Bytes);
    EXPECT_FALSE(picture.GetEmpty());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picture.GetWidth(), GetParam().Width);
    EXPECT_EQ(picture.GetHeight(), GetParam().Height);
    EXPECT_EQ(picture.FrameAreaWidth(), picture.GetWidth());
    EXPECT_EQ(picture.FrameAreaHeight(), picture.GetHeight());
    EXPECT_EQ(picture.FrameCount(), GetParam().Frames);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodesWhole,
    testing::Values(TFormatCase{"gif", BuildGif(7, 5, {{0, 0, 7, 5, 2}}), 7, 5, 1},
                    TFormatCase{"png", EncodeImage(SolidImage(9, 4, Qt::red), "PNG"), 9, 4, -1},
                    TFormatCase{"jpeg", EncodeImage(SolidImage(16, 8, Qt::blue), "JPEG"), 16, 8, -1},
                    TFormatCase{"bmp", EncodeImage(SolidImage(3, 6, Qt::green), "BMP"), 3, 6, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

class GifFrames : public testing::Test {
protected:
    GifFrames() { Load(picture_, BuildGif(20, 10, {{0, 0, 20, 10, 1}, {5, 2, 6, 4, 2}, {10, 5, 4, 3, 3}})); }
    THTMLPicture picture_;
};

TEST_F(GifFrames, ChoosingAFrameDecodesItWithoutTheEarlierOnes) {
    EXPECT_EQ(picture_.FrameRect(), Bounds(0, 0, 20, 10)); // the first frame, on the whole screen
    EXPECT_EQ(picture_.FrameAreaWidth(), 20);
    EXPECT_EQ(picture_.FrameAreaHeight(), 10);
    EXPECT_EQ(picture_.Bitmap().Pixel(0, 0), clRed);
    int frameChanges = 0;
    picture_.OnFrameChange = [&frameChanges](THTMLPicture&) { ++frameChanges; };
    picture_.SetFrame(2);
    EXPECT_EQ(frameChanges, 1);
    EXPECT_EQ(picture_.FrameCount(), 3);
    EXPECT_EQ(picture_.FrameRect(), Bounds(5, 2, 6, 4));
    // The frame alone: its own size, and none of the first frame's red.
    EXPECT_EQ(picture_.GetWidth(), 6);
    EXPECT_EQ(picture_.GetHeight(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(picture_.Bitmap().Pixel(x, y), clLime) << x << "," << y;
    EXPECT_EQ(picture_.FrameAreaWidth(), 20);

    picture_.SetFrame(3);
    EXPECT_EQ(picture_.FrameRect(), Bounds(10, 5, 4, 3));
    EXPECT_EQ(picture_.Bitmap().Pixel(0, 0), clBlue);
}

TEST_F(GifFrames, AssignCopiesTheBytesAndStartsAtTheFirstFrame) {
    picture_.SetFrame(2);
    THTMLPicture copy;
    copy.Assign(&picture_);
    EXPECT_EQ(copy.Frame(), 1);
    EXPECT_EQ(copy.FrameCount(), 3);
    EXPECT_EQ(copy.GetWidth(), 20);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.GetEmpty());
    EXPECT_EQ(copy.FrameCount(), -1);
    copy.SetFrame(2); // no bytes: nothing to decode
    EXPECT_TRUE(copy.GetEmpty());
}

TEST(HTMLPicture, BytesThatAreNoPictureRaiseFromAStreamAndStayEmptyFromAFile) {
    THTMLPicture picture;
    try {
        Load(picture, QByteArray("this is no picture"));
        ADD_FAILURE() << "no error";
    } catch (const EVozAvozError& e) {
        EXPECT_STREQ(e.what(), "Could not load image. Invalid format");
    }
    EXPECT_TRUE(picture.GetEmpty());

    QTemporaryDir dir;
    QFile file(dir.filePath("bad.gif"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a but nothing else");
    file.close();
    Load(picture, EncodeImage(SolidImage(2, 2, Qt::red), "PNG"));
    EXPECT_NO_THROW(picture.LoadFromFile(file.fileName()));
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_NO_THROW(picture.LoadFromFile(dir.filePath("missing.png")));
    EXPECT_TRUE(picture.GetEmpty());
}

TEST(HTMLPicture, DrawsAtItsSizeOrStretched) {
    THTMLPicture picture;
    TRecordingDevice device;
    TCanvas canvas(&device);
    picture.Draw(canvas, Bounds(0, 0, 10, 10)); // empty: nothing
    EXPECT_TRUE(device.Ops.empty());
    Load(picture, EncodeImage(SolidImage(4, 3, Qt::red), "PNG"));
    picture.Draw(canvas, Bounds(10, 20, 40, 30));
    picture.Stretch = true;
    picture.Draw(canvas, Bounds(10, 20, 40, 30));
    const auto images = device.OfKind(TCanvasOpKind::Image);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0]->Rect, Bounds(10, 20, 4, 3));
    EXPECT_EQ(images[1]->Rect, Bounds(10, 20, 40, 30));
}

TEST(PictureContainer, FindsNamesIgnoringCaseTheCacheComparesURLsExactly) {
    TPictureContainer container;
    TPictureItem& logo = container.Items().Add();
    logo.Name = "Logo";
    logo.Tag = 7;
    THTMLPicture source;
    Load(source, EncodeImage(SolidImage(2, 2, Qt::red), "PNG"));
    logo.SetPicture(source);
    EXPECT_EQ(container.FindPicture("LOGO"), &logo.Picture());
    EXPECT_EQ(container.FindPicture("other"), nullptr);
    EXPECT_EQ(&logo.Collection().Owner(), &container);

    TPictureItem& copy = container.Items().Add();
    copy.Assign(logo);
    EXPECT_EQ(copy.Name, "Logo");
    EXPECT_EQ(copy.Tag, 7);
    EXPECT_EQ(copy.Picture().GetWidth(), 2);
    EXPECT_NE(&copy.Picture(), &logo.Picture());

    THTMLPictureCache cache;
    THTMLPicture& cached = cache.AddPicture();
    cached.SetAsynchronous(false);
    cached.SetURL("http://host/Pic.png");
    EXPECT_EQ(cache.FindPicture("http://host/Pic.png"), &cached);
    EXPECT_EQ(cache.FindPicture("http://host/pic.png"), nullptr);
    EXPECT_EQ(&cache.Items(0), &cached);
    EXPECT_THROW(cache.Items(1), EVozAvozError);
}

TEST(HTMLPictureURL, FileAndResourcePrefixesLoadInAnyCase) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeImage(SolidImage(6, 2, Qt::red), "PNG"));
    file.close();

    THTMLPicture fromFile;
    fromFile.SetURL("FiLe://" + path);
    EXPECT_EQ(fromFile.URL(), "FiLe://" + path);
    EXPECT_FALSE(fromFile.GetEmpty());
    EXPECT_EQ(fromFile.GetWidth(), 6);

    THTMLPicture fromResource;
    fromResource.SetURL("res://grid-tests/green3x2.png");
    EXPECT_FALSE(fromResource.GetEmpty());
    EXPECT_EQ(fromResource.GetWidth(), 3);
    EXPECT_EQ(fromResource.Bitmap().Pixel(0, 0), clGreen);

    THTMLPicture missing;
    missing.SetURL("RES://grid-tests/none.png");
    EXPECT_TRUE(missing.GetEmpty());
    EXPECT_EQ(missing.URL(), "RES://grid-tests/none.png");
}

TEST(HTMLPictureURL, NetworkURLIsRecordedOnceAndNeverFetched) {
    THTMLPicture picture;
    picture.SetURL("http://host/a.gif");
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_TRUE(picture.DownloadBusy());
    EXPECT_EQ(picture.PendingURL(), "http://host/a.gif");
    picture.SetURL("http://host/b.gif"); // ignored while the first counts as busy
    EXPECT_EQ(picture.PendingURL(), "http://host/a.gif");
    EXPECT_TRUE(picture.URL().isEmpty());

    THTMLPicture synchronous;
    synchronous.SetAsynchronous(false);
    synchronous.SetURL("https://host/c.gif");
    EXPECT_EQ(synchronous.URL(), "https://host/c.gif");
    EXPECT_EQ(synchronous.PendingURL(), "https://host/c.gif");
    EXPECT_FALSE(synchronous.DownloadBusy());
    EXPECT_TRUE(synchronous.GetEmpty());
}

} // namespace
