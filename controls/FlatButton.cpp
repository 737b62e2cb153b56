#include "controls/FlatButton.h"

#include <QKeyEvent>
#include <algorithm>

void TFlatColors::Change(TColor& field, TColor color)
{
    if (field == color)
        return;
    field = color;
    owner_->CreateGradients();
}

namespace {

int DisabledGray(int red, int green, int blue)
{
    return (red + green + blue) / 3 / 2 + 96;
}

} // namespace

int FlatDisabledGray(TColor color)
{
    const int v = DisabledGray(GetRValue(color), GetGValue(color), GetBValue(color));
    return RGBColor(v, v, v);
}

QImage FlatGrayImage(const QImage& image)
{
    QImage gray = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < gray.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(gray.scanLine(y));
        for (int x = 0; x < gray.width(); ++x) {
            const int v = DisabledGray(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
            line[x] = qRgba(v, v, v, qAlpha(line[x]));
        }
    }
    return gray;
}

TFlatButton::TFlatButton(QWidget* parent) : TFlatCustomControl(parent), colors_(this)
{
    resize(73, 25);
    imageChangeLink_.OnChange = [this](QObject* sender) { ImageListChange(sender); };
    CreateGradients();
}

TFlatButton::~TFlatButton()
{
    // The link repaints the button as it goes, so it goes while the button is whole.
    SetAction(nullptr);
    imageChangeLink_.OnChange = nullptr;
}

QString TFlatButton::GetVersion() const
{
    return QStringLiteral("1.0.2g");
}

namespace {

template <typename T>
bool Store(T& field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void TFlatButton::SetAutoGray(bool autoGray)
{
    if (Store(autoGray_, autoGray))
        update();
}

void TFlatButton::SetDefault(bool isDefault)
{
    if (!Store(default_, isDefault))
        return;
    if (TForm* form = TForm::ParentForm(this))
        form->NotifyFocusChanged();
    update();
}

void TFlatButton::SetGlyph(const TBitmap& glyph)
{
    glyph_ = glyph;
    glyph_.SetImage(glyph.Image().copy());
    update();
}

void TFlatButton::SetHotTrack(bool hotTrack)
{
    if (Store(hotTrack_, hotTrack))
        update();
}

void TFlatButton::SetLayout(TFlatLayout layout)
{
    if (Store(layout_, layout))
        update();
}

void TFlatButton::SetQuality(TFlatQuality quality)
{
    if (Store(quality_, quality))
        CreateGradients();
}

void TFlatButton::SetShowAccelChar(bool show)
{
    if (Store(showAccelChar_, show))
        update();
}

void TFlatButton::SetShowFocusRect(bool show)
{
    if (Store(showFocusRect_, show))
        update();
}

void TFlatButton::SetSmoothEdges(bool smooth)
{
    if (Store(smoothEdges_, smooth))
        update();
}

void TFlatButton::SetSpacing(int spacing)
{
    if (Store(spacing_, std::clamp(spacing, 0, 255)))
        update();
}

void TFlatButton::SetWordWrap(bool wordWrap)
{
    if (Store(wordWrap_, wordWrap))
        update();
}

bool TFlatButton::IsHighlighted(bool ownStateOnly) const
{
    const TFlatControlState state = State();
    const bool highlighted = (state & fcsPressed) ? !(state & fcsMouseInside)
                                                  : bool(state & (fcsMouseInside | fcsFocused));
    if (ownStateOnly || highlighted)
        return highlighted;
    return default_ && CanFocus() && !ActiveIsDx();
}

void TFlatButton::CreateGradients()
{
    const int steps = quality_ == bqLow ? 8 : quality_ == bqMiddle ? 16 : 64;
    const bool dither = quality_ == bqHigh;
    constexpr int topToBottom = 1;
    const int k = IsHighlighted(true) ? 1 : 0;
    const int w = width();
    const int h = height();
    FillGradient(w - 2 - 4 * k, h - 2 - 4 * k, colors_.BackgroundFrom(), colors_.BackgroundTo(), steps, topToBottom,
                 dither, background_);
    FillGradient(w - 2, h - 2, colors_.ClickedFrom(), colors_.ClickedTo(), steps, topToBottom, dither, clicked_);
    FillGradient(w - 2, h - 2, colors_.FocusedFrom(), colors_.FocusedTo(), steps, topToBottom, dither, focused_);
    FillGradient(w - 2, h - 2, colors_.HighlightFrom(), colors_.HighlightTo(), steps, topToBottom, dither,
                 highlight_);
    update();
}

void TFlatButton::DoResize()
{
    CreateGradients();
}

namespace {

// An image-list picture keeps its mask in the alpha channel; the key colour the face leaves out
// must then be one that none of its opaque pixels has.
TBitmap ImageListPicture(const QPixmap& pixmap)
{
    TBitmap bitmap(pixmap.toImage().convertToFormat(QImage::Format_ARGB32));
    const QImage& image = bitmap.Image();
    if (image.isNull() || qAlpha(image.pixel(0, image.height() - 1)) != 0)
        return bitmap;
    std::vector<QRgb> used;
    used.reserve(size_t(image.width()) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                used.push_back(image.pixel(x, y) & 0xFFFFFF);
    std::sort(used.begin(), used.end());
    QRgb key = 0xFF00FF;
    while (std::binary_search(used.begin(), used.end(), key))
        key = (key + 1) & 0xFFFFFF;
    bitmap.SetTransparentColor(FlatFromQRgb(key | 0xFF000000));
    return bitmap;
}

} // namespace

TImageList* TFlatButton::ActionImages() const
{
    auto* action = qobject_cast<TCustomAction*>(Action());
    if (!action || !action->ActionList())
        return nullptr;
    return action->ActionList()->Images();
}

TBitmap TFlatButton::ButtonImage() const
{
    TImageList* images = ActionImages();
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count())
        return ImageListPicture(images->GetBitmap(imageIndex_));
    return glyph_;
}

void TFlatButton::ActionChange(QObject* sender, bool checkDefaults)
{
    TFlatCustomControl::ActionChange(sender, checkDefaults);
    auto* action = qobject_cast<TCustomAction*>(sender);
    TImageList* images = action && action->ActionList() ? action->ActionList()->Images() : nullptr;
    if (!images)
        return;
    if (imageChangeLink_.Sender() != images)
        images->RegisterChanges(&imageChangeLink_);
    if (action->ImageIndex() >= 0 && action->ImageIndex() < images->Count())
        imageIndex_ = action->ImageIndex();
    update();
}

TControlActionLinkClass TFlatButton::GetActionLinkClass() const
{
    return ActionLinkClassOf<TFlatButtonActionLink>();
}

void TFlatButton::ImageListChange(QObject* sender)
{
    auto* action = qobject_cast<TCustomAction*>(Action());
    TImageList* images = ActionImages();
    if (!images || !qobject_cast<TImageList*>(sender))
        return;
    imageIndex_ = action->ImageIndex() < images->Count() ? action->ImageIndex() : -1;
    update();
}

// -- TFlatButtonActionLink

TFlatButtonActionLink::TFlatButtonActionLink(TControl* client)
    : TWinControlActionLink(client), button_(dynamic_cast<TFlatButton*>(client))
{
}

TFlatButtonActionLink::~TFlatButtonActionLink()
{
    if (button_)
        button_->update();
}

void TFlatButtonActionLink::SetImageIndex(int index)
{
    if (!button_)
        return;
    button_->imageIndex_ = index;
    button_->update();
}

void TFlatButton::Paint(TFlatCanvas& canvas)
{
    const int w = width();
    const int h = height();
    const int hi = IsHighlighted(false) ? 1 : 0;
    const bool pressedInside = (State() & fcsMouseInside) && (State() & fcsPressed);

    TFlatRect r{0, 0, w, h};
    canvas.SetBrushColor(PaintColor());
    canvas.FillRect(r);
    // The ring: the state's gradient, mostly covered by the face below.
    if (hi)
        canvas.CopyFrom(1, 1, (State() & fcsMouseInside) ? highlight_ : focused_);
    if (pressedInside)
        canvas.CopyFrom(1, 1, clicked_);
    else // the face was built for the state at the last resize: only what it holds is copied
        canvas.CopyFrom(1 + 2 * hi, 1 + 2 * hi, background_, TFlatRect{0, 0, w - 6 * hi, h - 6 * hi});

    canvas.SetPenColor(ColorToRGB(colors_.BorderLine()));
    canvas.SetBrushClear();
    canvas.RoundRect(TFlatRect{0, 0, w, h}, 5, 5);
    canvas.SetPenColor(ColorToRGB(colors_.BorderEdges()));
    DrawLine(canvas, 0, 1, 2, 0, false);
    DrawLine(canvas, w - 2, 0, w, 2, false);
    DrawLine(canvas, 0, h - 2, 2, h, false);
    DrawLine(canvas, w - 3, h, w, h - 3, false);

    unsigned flags = DT_END_ELLIPSIS;
    if (wordWrap_)
        flags |= DT_WORDBREAK;

    const TBitmap bitmap = ButtonImage();
    QImage image = bitmap.Image();
    TColor keyColor = bitmap.Empty() ? clBlack : ColorToRGB(bitmap.KeyColor());
    if (autoGray_ && !isEnabled() && !image.isNull()) {
        image = FlatGrayImage(image);
        keyColor = FlatDisabledGray(keyColor);
    }

    TColor fontColor = PaintFontColor();
    if (hotTrack_ && (State() & fcsMouseInside))
        fontColor = colors_.HotTrack();

    const bool hasImage = !image.isNull() && image.width() > 0 && image.height() > 0;
    const int iw = image.width();
    const int ih = image.height();
    const int s = spacing_;
    if (hasImage) {
        switch (layout_) {
        case blGlyphLeft:
            r.Left += iw + s;
            break;
        case blGlyphRight:
            r.Left -= iw + s;
            r.Right -= 2 * (iw + s);
            flags |= DT_RIGHT;
            break;
        case blGlyphTop:
            r.Top += ih + s;
            break;
        case blGlyphBottom:
            r.Top -= ih + s;
            break;
        }
    }

    DrawCaption(canvas, Caption(), flags | DT_CALCRECT, r, showAccelChar_, isEnabled(), font(), fontColor);
    r.Offset((w - r.Right) / 2, (h - r.Bottom) / 2);
    int p = 0;
    if (pressedInside) {
        r.Offset(1, 1);
        p = 1;
    }

    if (hasImage) {
        switch (layout_) {
        case blGlyphLeft:
            canvas.DrawTransparent(r.Left - iw - s, (h - ih) / 2 + p, image, keyColor);
            break;
        case blGlyphRight:
            canvas.DrawTransparent(r.Right + s, (h - ih) / 2 + p, image, keyColor);
            break;
        case blGlyphTop:
            canvas.DrawTransparent((w - iw) / 2 + p, r.Top - ih - s, image, keyColor);
            break;
        case blGlyphBottom:
            canvas.DrawTransparent((w - iw) / 2 + p, r.Bottom + s, image, keyColor);
            break;
        }
    }

    if ((State() & fcsFocused) && showFocusRect_) {
        canvas.SetBrushColor(PaintColor());
        canvas.DrawFocusRect(TFlatRect{3, 3, w - 3, h - 3});
    }

    canvas.SetTransparentText(true);
    DrawCaption(canvas, Caption(), flags, r, showAccelChar_, isEnabled(), font(), fontColor);
}

void TFlatButton::keyPressEvent(QKeyEvent* event)
{
    // Holding Space repeats the key; the press was taken at the first one.
    if (event->key() == Qt::Key_Space && event->isAutoRepeat()) {
        event->accept();
        return;
    }
    const TShiftState modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_Space && modifiers == Qt::NoModifier) {
        SetState(State() | fcsMouseInside);
        DoPress();
        event->accept();
        return;
    }
    TFlatCustomControl::keyPressEvent(event);
}

void TFlatButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    if (!(State() & fcsPressed)) {
        TFlatCustomControl::keyReleaseEvent(event);
        return;
    }
    // Any key's release ends the press and clicks; a mouse button still held then must not
    // click a second time when it comes up.
    TFlatControlState state = State();
    if (!rect().contains(CursorPos()))
        state &= ~TFlatControlState(fcsMouseInside);
    state &= ~TFlatControlState(fcsPressed);
    SetState(state);
    CancelMouseClick();
    update();
    event->accept();
    Click();
}

bool TFlatButton::DialogKey(int key, TShiftState shift)
{
    if (!CanFocus())
        return false;
    const bool enter = key == Qt::Key_Return && (hasFocus() || (default_ && !ActiveIsDx()));
    const bool escape = key == Qt::Key_Escape && cancel_
        && !(shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if (!enter && !escape)
        return false;
    Click();
    return true;
}
