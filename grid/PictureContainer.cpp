#include "grid/PictureContainer.h"

#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <cassert>
#include <new>

namespace {

int Word(const QByteArray& bytes, qsizetype at) {
    return int(quint8(bytes[at])) | (int(quint8(bytes[at + 1])) << 8);
}

// A frame of a GIF starts at offset o: a graphic control block ("!", label 0xF9, block size 4)
// right before an image separator.
bool FrameStartsAt(const QByteArray& bytes, qsizetype o) {
    return bytes[o] == '!' && o + 9 < bytes.size() && quint8(bytes[o + 1]) == 0xF9 && bytes[o + 2] == 4 &&
           bytes[o + 8] == ',';
}

int CountFrames(const QByteArray& bytes) {
    int count = 0;
    for (qsizetype o = 0; o < bytes.size(); ++o)
        if (FrameStartsAt(bytes, o)) ++count;
    return count;
}

// The GIF's bytes with every frame before the chosen one left out; the chosen frame's rectangle
// is given back (empty when the GIF has no such frame).
QByteArray FrameCopy(const QByteArray& bytes, int frame, TRect& frameRect) {
    QByteArray copy;
    copy.reserve(bytes.size());
    int counter = 1;
    bool skip = false;
    for (qsizetype o = 0; o < bytes.size(); ++o) {
        if (FrameStartsAt(bytes, o)) {
            // The frame's words follow the separator at o + 8; they must lie inside the bytes.
            if (counter == frame && o + 16 < bytes.size())
                frameRect =
                    Bounds(Word(bytes, o + 9), Word(bytes, o + 11), Word(bytes, o + 13), Word(bytes, o + 15));
            ++counter;
            skip = frame >= counter;
        }
        if (!skip) copy.append(bytes[o]);
    }
    return copy;
}

} // namespace

bool IsGIF(const QByteArray& bytes) {
    return bytes.size() >= 5 && bytes.startsWith("GIF8");
}

void THTMLPicture::Reset() {
    empty_ = true;
    image_.Clear();
    frameCount_ = -1;
    frame_ = 1;
}

void THTMLPicture::Decode() {
    frameRect_ = {};
    screenWidth_ = screenHeight_ = 0;
    empty_ = true;
    image_.Clear();
    QByteArray data;
    const int frames = FrameCount();
    try {
        if (frames >= 1) {
            data = FrameCopy(bytes_, frame_, frameRect_);
            // A frame count above 0 means a frame block inside the bytes, so the header is there.
            assert(bytes_.size() > 9);
            if (frames > 1) {
                screenWidth_ = Word(bytes_, 6);
                screenHeight_ = Word(bytes_, 8);
            }
        } else {
            data = bytes_;
        }
    } catch (const std::bad_alloc&) {
        throw EVozAvozError("Could not allocate memory for image");
    }
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) throw EVozAvozError("Could not create image stream");
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull()) {
        const auto error = reader.error();
        if (error == QImageReader::UnsupportedFormatError || error == QImageReader::InvalidDataError)
            throw EVozAvozError("Could not load image. Invalid format");
        throw EVozAvozError("Could not load image");
    }
    // The decoder paints a GIF frame into the whole logical screen: the frame alone is kept, and
    // drawn at its place in the frame area by whoever shows the picture.
    if (frames > 1 && !frameRect_.IsEmpty()) {
        const TRect inside = IntersectRect(frameRect_, Bounds(0, 0, image.width(), image.height()));
        if (!inside.IsEmpty()) image = image.copy(ToQRect(inside));
    }
    image_ = TBitmap(std::move(image));
    empty_ = false;
}

void THTMLPicture::DecodeAndNotify() {
    Decode();
    if (OnChange) OnChange(*this);
}

int THTMLPicture::FrameCount() {
    if (!IsGIF(bytes_)) return -1;
    if (frameCount_ < 0) frameCount_ = CountFrames(bytes_);
    return frameCount_;
}

void THTMLPicture::SetFrame(int n) {
    frame_ = n;
    if (bytes_.isEmpty()) return;
    Decode();
    if (OnFrameChange) OnFrameChange(*this);
}

void THTMLPicture::Assign(const THTMLPicture* source) {
    // Copied first: the source may be this picture.
    const QByteArray bytes = source ? source->bytes_ : QByteArray();
    Reset();
    bytes_ = bytes;
    if (source) DecodeAndNotify();
}

void THTMLPicture::Draw(TCanvas& canvas, const TRect& rect) const {
    if (empty_ || image_.Empty()) return;
    if (Stretch)
        canvas.StretchDraw(rect, image_);
    else
        canvas.Draw(rect.Left, rect.Top, image_);
}

void THTMLPicture::ReadData(QIODevice& stream) {
    LoadFromStream(stream);
}

void THTMLPicture::WriteData(QIODevice& stream) const {
    SaveToStream(stream);
}

void THTMLPicture::LoadFromStream(QIODevice& stream) {
    QByteArray bytes = stream.read(inputlimits::kMaxPictureBytes + 1);
    if (bytes.size() > inputlimits::kMaxPictureBytes) {
        bytes_.clear();
        Reset();
        throw EVozAvozError("Image too large");
    }
    LoadBytes(std::move(bytes));
}

void THTMLPicture::LoadBytes(QByteArray bytes) {
    bytes_ = std::move(bytes);
    frameCount_ = -1;
    DecodeAndNotify();
}

void THTMLPicture::LoadFromFile(const QString& fileName) {
    try {
        std::optional<QByteArray> bytes = ReadRegularFile(fileName, inputlimits::kMaxPictureBytes);
        if (!bytes) throw EVozAvozError("Could not open image file");
        LoadBytes(std::move(*bytes));
    } catch (const EVozAvozError&) {
        bytes_.clear();
        Reset();
    }
}

void THTMLPicture::SaveToStream(QIODevice& stream) const {
    stream.write(bytes_);
}

void THTMLPicture::LoadFromResourceName(const QString& name) {
    QFile resource(QStringLiteral(":/") + name);
    if (name.isEmpty() || !resource.exists() || !resource.open(QIODevice::ReadOnly)) return;
    LoadFromStream(resource);
}

void THTMLPicture::SetURL(const QString& url) {
    const QString upper = url.toUpper();
    if (upper.startsWith(QLatin1String("RES://"))) {
        url_ = url;
        LoadFromResourceName(url.mid(6));
    } else if (upper.startsWith(QLatin1String("FILE://"))) {
        url_ = url;
        LoadFromFile(url.mid(7));
    } else if (!asynchronous_) {
        pendingURL_ = url_ = url;
    } else if (!downloadBusy_) {
        // Nothing fetches pictures: the URL is recorded and the picture stays empty and busy, so
        // that later network URLs are ignored.
        pendingURL_ = url;
        downloadBusy_ = true;
    }
}

THTMLPicture& THTMLPictureCache::AddPicture() {
    items_.push_back(std::make_unique<THTMLPicture>());
    return *items_.back();
}

THTMLPicture* THTMLPictureCache::FindPicture(const QString& url) const {
    for (const auto& picture : items_)
        if (picture->URL() == url) return picture.get();
    return nullptr;
}

THTMLPicture& THTMLPictureCache::Items(int index) const {
    if (index < 0 || index >= Count()) throw EVozAvozError("List index out of bounds");
    return *items_[size_t(index)];
}

void TPictureItem::Assign(const TPictureItem& source) {
    Name = source.Name;
    Tag = source.Tag;
    picture_->Assign(source.picture_.get());
}

TPictureItem& TPictureCollection::Add() {
    items_.push_back(std::make_unique<TPictureItem>(*this));
    return *items_.back();
}

TPictureItem& TPictureCollection::Items(int index) const {
    if (index < 0 || index >= Count()) throw EVozAvozError("List index out of bounds");
    return *items_[size_t(index)];
}

THTMLPicture* TPictureContainer::FindPicture(const QString& name) const {
    for (int i = 0; i < items_.Count(); ++i) {
        const TPictureItem& item = items_.Items(i);
        if (item.Name.compare(name, Qt::CaseInsensitive) == 0) return &item.Picture();
    }
    return nullptr;
}
