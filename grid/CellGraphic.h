// The one graphic a cell may carry besides its text (a check box, radio group, picture, node
// glyph, button, progress bar, ...), held by the cell's properties. This file holds its data; the
// operations that create, toggle, measure and draw graphics build on it.
//
// Ownership: a graphic holds at most one object (a bitmap, picture, file picture, image index list
// or radio choice list, by type) and an icon. Each is either owned by the graphic (CellCreated: it
// is destroyed with the graphic) or lent to it by the application (never destroyed here). A cell
// owns its graphic, except a virtual check box, whose graphic the application shares between
// cells: the cell only points at it.
#pragma once

#include <QString>
#include <memory>
#include <typeindex>

enum class TCellType {
    ctBitmap,
    ctIcon,
    ctNone,
    ctImageList,
    ctCheckBox,
    ctDataCheckBox,
    ctRotated,
    ctDataImage,
    ctNode,
    ctRadio,
    ctEmpty,
    ctImages,
    ctPicture,
    ctFilePicture,
    ctValue,
    ctProgress,
    ctComment,
    ctButton,
    ctBitButton,
    ctVirtCheckBox,
    ctProgressPie,
    ctSummary
};

enum class TCellVAlign { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum class TCellHAlign { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };

// An object of any type, owned or lent; typed access answers nullptr for another type.
class TGraphicObjectSlot {
public:
    template <typename T> void Own(std::unique_ptr<T> object) {
        type_ = typeid(T);
        pointer_ = object.get();
        owner_ = std::shared_ptr<T>(std::move(object));
    }
    template <typename T> void Lend(T* object) {
        type_ = typeid(T);
        pointer_ = object;
        owner_.reset();
    }
    template <typename T> T* Get() const {
        return pointer_ && type_ == typeid(T) ? static_cast<T*>(pointer_) : nullptr;
    }
    bool Empty() const { return pointer_ == nullptr; }
    bool Owned() const { return owner_ != nullptr; }
    void Reset() {
        owner_.reset();
        pointer_ = nullptr;
        type_ = typeid(void);
    }

private:
    std::shared_ptr<void> owner_;
    void* pointer_ = nullptr;
    std::type_index type_ = typeid(void);
};

class TCellGraphic {
public:
    TCellGraphic() = default;
    TCellGraphic(const TCellGraphic&) = delete;
    TCellGraphic& operator=(const TCellGraphic&) = delete;
    virtual ~TCellGraphic() = default;

    TCellType CellType = TCellType::ctNone;
    TCellVAlign CellVAlign = TCellVAlign::vaTop;
    TCellHAlign CellHAlign = TCellHAlign::haLeft;
    // Image index, radio item index, node span, picture margin or button size (low 16 bits width,
    // high 16 bits height), by type.
    int CellIndex = 0;
    bool CellTransparent = false;
    // The graphic owns its object (set by SetObject).
    bool CellCreated = false;
    // Check state of a check box; contracted state of a node; radio items side by side.
    bool CellBoolean = false;
    // Rotation angle; for pictures the stretch mode in the low byte.
    int CellAngle = 0;
    // Progress value; for buttons the offset (low 16 bits X, high 16 bits Y of the whole value).
    double CellValue = 0;
    // A marked range of the text (1-based start, length).
    short CellErrFrom = 0, CellErrLen = 0;
    // Comment text.
    QString CellText;

    // The graphic's object: owned when given as a unique_ptr, lent when given as a pointer.
    template <typename T> void SetObject(std::unique_ptr<T> object) {
        object_.Own(std::move(object));
        CellCreated = true;
    }
    template <typename T> void SetObject(T* object) {
        object_.Lend(object);
        CellCreated = false;
    }
    template <typename T> T* Object() const { return object_.Get<T>(); }
    bool HasObject() const { return !object_.Empty(); }
    bool OwnsObject() const { return object_.Owned(); }
    template <typename T> void SetIcon(std::unique_ptr<T> icon) { icon_.Own(std::move(icon)); }
    template <typename T> void SetIcon(T* icon) { icon_.Lend(icon); }
    template <typename T> T* Icon() const { return icon_.Get<T>(); }
    bool OwnsIcon() const { return icon_.Owned(); }

    // Copies every field but the object and the icon (CellCreated included).
    void Assign(const TCellGraphic& other) {
        CellType = other.CellType;
        CellVAlign = other.CellVAlign;
        CellHAlign = other.CellHAlign;
        CellIndex = other.CellIndex;
        CellTransparent = other.CellTransparent;
        CellCreated = other.CellCreated;
        CellBoolean = other.CellBoolean;
        CellAngle = other.CellAngle;
        CellValue = other.CellValue;
        CellErrFrom = other.CellErrFrom;
        CellErrLen = other.CellErrLen;
        CellText = other.CellText;
    }

private:
    TGraphicObjectSlot object_, icon_;
};

// A cell's hold on its graphic: owned (the graphic goes with the cell) or shared (a virtual check
// box's graphic, which the application keeps alive and the cell never destroys).
class TCellGraphicSlot {
public:
    TCellGraphic* get() const { return pointer_; }
    TCellGraphic* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    bool Owned() const { return owned_ != nullptr; }
    TCellGraphicSlot& operator=(std::unique_ptr<TCellGraphic> graphic) {
        owned_ = std::move(graphic);
        pointer_ = owned_.get();
        return *this;
    }
    TCellGraphicSlot& operator=(std::nullptr_t) {
        reset();
        return *this;
    }
    void Share(TCellGraphic* graphic) {
        owned_.reset();
        pointer_ = graphic;
    }
    // Empties the slot; an owned graphic goes to the caller, a shared one stays with its owner.
    std::unique_ptr<TCellGraphic> Detach() {
        pointer_ = nullptr;
        return std::move(owned_);
    }
    void reset() {
        owned_.reset();
        pointer_ = nullptr;
    }

private:
    std::unique_ptr<TCellGraphic> owned_;
    TCellGraphic* pointer_ = nullptr;
};

// Check boxes, radio groups and buttons answer clicks and keys themselves: no editor opens on them.
inline bool IsClickableGraphic(TCellType type) {
    return type == TCellType::ctCheckBox || type == TCellType::ctDataCheckBox ||
           type == TCellType::ctVirtCheckBox || type == TCellType::ctRadio || type == TCellType::ctButton;
}
inline bool IsCheckBoxGraphic(TCellType type) {
    return type == TCellType::ctCheckBox || type == TCellType::ctDataCheckBox ||
           type == TCellType::ctVirtCheckBox;
}
