// Pictures that mini-HTML texts show by name or by URL.
//
// THTMLPicture keeps an image file's bytes exactly as loaded and decodes them with QImageReader
// (bmp, png, jpeg, gif, ico). Sizes are in pixels at 96 dots per inch. An animated GIF is shown
// one frame at a time: to decode frame n, a copy of the file is made that holds the GIF's header
// and everything from frame n's graphic control block on (earlier frames left out), and the
// copy's first image is decoded. A frame starts where the bytes "!" 0xF9 0x04 are followed, 8
// bytes after the "!", by the image separator ","; the frame's left, top, width and height are
// the four 16-bit little-endian words after that separator, and the GIF's logical screen size is
// the pair of 16-bit little-endian words at byte offsets 6 and 8.
//
// TPictureContainer is a named store of pictures (names compared ignoring letter case);
// THTMLPictureCache holds the pictures met by URL (URLs compared exactly). Both own their
// pictures.
//
// Pictures are never fetched from the network: a network URL is recorded and its picture stays
// empty.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;

class THTMLPicture {
public:
    using TNotifyEvent = std::function<void(THTMLPicture& sender)>;
    using TDownloadProgressEvent =
        std::function<void(THTMLPicture& sender, std::uint32_t size, std::uint32_t total)>;
    using TDownloadCancelEvent = std::function<void(THTMLPicture& sender, bool& cancel)>;
    using TDownloadCompleteEvent = std::function<void(THTMLPicture& sender)>;
    using TDownloadErrorEvent = std::function<void(THTMLPicture& sender, const QString& error)>;

    THTMLPicture() = default;
    THTMLPicture(const THTMLPicture&) = delete;
    THTMLPicture& operator=(const THTMLPicture&) = delete;
    virtual ~THTMLPicture() = default;

    // Drawn stretched into the rectangle given to Draw (else at its own size).
    bool Stretch = false;
    // Fires after new bytes were loaded and decoded.
    TNotifyEvent OnChange;
    // Fires after a change of Frame decoded the new frame.
    TNotifyEvent OnFrameChange;
    // Kept with the picture for its owners; nothing fetches pictures, so nothing fires them.
    TDownloadProgressEvent OnDownLoadProgress;
    TDownloadCancelEvent OnDownLoadCancel;
    TDownloadCompleteEvent OnDownLoadComplete;
    TDownloadErrorEvent OnDownLoadError;

    // Resets the picture (empty, frame 1); from a picture its bytes are copied and decoded and
    // OnChange fires; from nothing (nullptr) the bytes are cleared.
    void Assign(const THTMLPicture* source);
    // Nothing when empty; with Stretch the whole picture fills the rectangle, otherwise it is drawn
    // at its own size at the rectangle's top-left corner.
    void Draw(TCanvas& canvas, const TRect& rect) const;
    // True until bytes have been decoded.
    bool GetEmpty() const { return empty_; }
    // The decoded picture's size in pixels; 0 when nothing is decoded.
    int GetWidth() const { return image_.Width(); }
    int GetHeight() const { return image_.Height(); }
    // The decoded picture (the current frame of an animated GIF).
    const TBitmap& Bitmap() const { return image_; }

    // Reading and writing the picture kept with a form: the bytes, unchanged.
    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream) const;
    // Replaces the bytes by the stream's remaining content and decodes them; a decoding failure
    // raises EVozAvozError with the decoder's message and leaves the picture empty, and so does
    // a content larger than a picture may be (InputLimits.h).
    void LoadFromStream(QIODevice& stream);
    // As LoadFromStream from the file, read once and only when it is a regular file; any failure
    // (no file, not a regular file, too large, not a picture) leaves the picture empty without an
    // error.
    void LoadFromFile(const QString& fileName);
    void SaveToStream(QIODevice& stream) const;
    // Loads the program's resource ":/<name>" as by LoadFromStream; nothing when there is none.
    void LoadFromResourceName(const QString& name);

    // "RES://name" loads the resource, "FILE://path" the file (prefixes in any letter case); any
    // other URL is recorded: without asynchronous loading as both the pending URL and URL, else as
    // the pending URL, once: the picture then counts as busy and later network URLs are ignored.
    void SetURL(const QString& url);
    const QString& URL() const { return url_; }
    const QString& PendingURL() const { return pendingURL_; }
    bool Asynchronous() const { return asynchronous_; }
    void SetAsynchronous(bool on) { asynchronous_ = on; }
    bool DownloadBusy() const { return downloadBusy_; }

    // The GIF's logical screen size when a multi-frame GIF was decoded, else the picture's size.
    int FrameAreaWidth() const { return screenWidth_ != 0 ? screenWidth_ : GetWidth(); }
    int FrameAreaHeight() const { return screenHeight_ != 0 ? screenHeight_ : GetHeight(); }
    // The number of frames of a GIF; -1 when the bytes are not a GIF.
    int FrameCount();
    // The frame shown, counted from 1.
    int Frame() const { return frame_; }
    // Stores n; when there are bytes, decodes frame n and fires OnFrameChange.
    void SetFrame(int n);
    // Where the decoded frame lies in the GIF's logical screen; empty unless a frame was found.
    TRect FrameRect() const { return frameRect_; }

private:
    void Reset();
    void LoadBytes(QByteArray bytes);
    // Decodes the bytes (the chosen frame of a GIF); raises EVozAvozError on failure.
    void Decode();
    // Decode and OnChange; on failure the picture is left empty and the error raised.
    void DecodeAndNotify();

    QByteArray bytes_;
    bool empty_ = true;
    TBitmap image_;
    QString pendingURL_, url_;
    bool asynchronous_ = true, downloadBusy_ = false;
    int frame_ = 1;
    int frameCount_ = -1; // -1 until counted
    TRect frameRect_;
    int screenWidth_ = 0, screenHeight_ = 0;
};

// A GIF's bytes: the file starts with "GIF8" and is at least 5 bytes long.
bool IsGIF(const QByteArray& bytes);

// The pictures met by URL; owns them.
class THTMLPictureCache {
public:
    THTMLPicture& AddPicture();
    // The first picture whose URL equals url exactly (letter case counts); nullptr when none.
    THTMLPicture* FindPicture(const QString& url) const;
    int Count() const { return int(items_.size()); }
    THTMLPicture& Items(int index) const;

private:
    std::vector<std::unique_ptr<THTMLPicture>> items_;
};

class TPictureCollection;
class TPictureContainer;

// One named picture of a container; the picture is owned and created with the item.
class TPictureItem {
public:
    explicit TPictureItem(TPictureCollection& collection) : collection_(collection) {}
    TPictureItem(const TPictureItem&) = delete;
    TPictureItem& operator=(const TPictureItem&) = delete;

    THTMLPicture& Picture() const { return *picture_; }
    // Copies the picture into the item's own.
    void SetPicture(const THTMLPicture& picture) { picture_->Assign(&picture); }
    QString Name;
    int Tag = 0;
    // Copies name, tag and picture.
    void Assign(const TPictureItem& source);
    TPictureCollection& Collection() const { return collection_; }

private:
    TPictureCollection& collection_;
    std::unique_ptr<THTMLPicture> picture_ = std::make_unique<THTMLPicture>();
};

class TPictureCollection {
public:
    explicit TPictureCollection(TPictureContainer& owner) : owner_(owner) {}
    TPictureCollection(const TPictureCollection&) = delete;
    TPictureCollection& operator=(const TPictureCollection&) = delete;

    TPictureItem& Add();
    int Count() const { return int(items_.size()); }
    TPictureItem& Items(int index) const;
    TPictureContainer& Owner() const { return owner_; }

private:
    TPictureContainer& owner_;
    std::vector<std::unique_ptr<TPictureItem>> items_;
};

class TPictureContainer {
public:
    TPictureContainer() = default;
    TPictureContainer(const TPictureContainer&) = delete;
    TPictureContainer& operator=(const TPictureContainer&) = delete;

    TPictureCollection& Items() { return items_; }
    const TPictureCollection& Items() const { return items_; }
    // The picture of the first item whose name equals name ignoring letter case; nullptr when none.
    THTMLPicture* FindPicture(const QString& name) const;

private:
    TPictureCollection items_{*this};
};
