#pragma once
// The push button of every window: a rounded, thin-bordered face filled with a vertical colour
// gradient that follows the state (normal, hot, focused, pressed). The four gradients are
// rendered ahead, whenever the size, the colours or the quality change, and only copied when
// painting. It behaves as a dialog button: Default and Cancel keys, its ModalResult handed to
// the form on a click, accelerator keys, Space to press it.

#include "controls/FlatCore.h"
#include "platform/toolkit/gui/Actions.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Pictures.h"

#include <QImage>

class TFlatButton;

enum TFlatLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The gradients have 8, 16 or 64 bands; bqHigh also dithers the band seams.
enum TFlatQuality { bqLow, bqMiddle, bqHigh };

// The button's colour set; each change rebuilds the button's gradients.
class TFlatColors {
public:
    explicit TFlatColors(TFlatButton* owner) : owner_(owner) {}
    virtual ~TFlatColors() = default;
    TFlatColors(const TFlatColors&) = delete;
    TFlatColors& operator=(const TFlatColors&) = delete;

    TColor BackgroundFrom() const { return backgroundFrom_; }
    TColor BackgroundTo() const { return backgroundTo_; }
    TColor BorderEdges() const { return borderEdges_; }
    TColor BorderLine() const { return borderLine_; }
    TColor ClickedFrom() const { return clickedFrom_; }
    TColor ClickedTo() const { return clickedTo_; }
    TColor FocusedFrom() const { return focusedFrom_; }
    TColor FocusedTo() const { return focusedTo_; }
    TColor HighlightFrom() const { return highlightFrom_; }
    TColor HighlightTo() const { return highlightTo_; }
    TColor HotTrack() const { return hotTrack_; }

    virtual void SetBackgroundFrom(TColor color) { Change(backgroundFrom_, color); }
    virtual void SetBackgroundTo(TColor color) { Change(backgroundTo_, color); }
    virtual void SetBorderEdges(TColor color) { Change(borderEdges_, color); }
    virtual void SetBorderLine(TColor color) { Change(borderLine_, color); }
    virtual void SetClickedFrom(TColor color) { Change(clickedFrom_, color); }
    virtual void SetClickedTo(TColor color) { Change(clickedTo_, color); }
    virtual void SetFocusedFrom(TColor color) { Change(focusedFrom_, color); }
    virtual void SetFocusedTo(TColor color) { Change(focusedTo_, color); }
    virtual void SetHighlightFrom(TColor color) { Change(highlightFrom_, color); }
    virtual void SetHighlightTo(TColor color) { Change(highlightTo_, color); }
    virtual void SetHotTrack(TColor color) { Change(hotTrack_, color); }

private:
    void Change(TColor& field, TColor color);

    TFlatButton* owner_;
    TColor backgroundFrom_ = 0xFFFFFF;
    TColor backgroundTo_ = 0xE7EBEF;
    TColor borderEdges_ = 0xC0C0C0;
    TColor borderLine_ = 0x808080;
    TColor clickedFrom_ = 0xC6CFD6;
    TColor clickedTo_ = 0xEBF3F7;
    TColor focusedFrom_ = 0xFFE7CE;
    TColor focusedTo_ = 0xEF846D;
    TColor highlightFrom_ = 0xCEF3FF;
    TColor highlightTo_ = 0x0096E7;
    TColor hotTrack_ = 0x0000FF;
};

// The button's link to its action: besides caption, enabled state, hint and help context it
// always follows the action's image index; going away repaints the button.
class TFlatButtonActionLink : public TWinControlActionLink {
public:
    explicit TFlatButtonActionLink(TControl* client);
    ~TFlatButtonActionLink() override;

    bool IsImageIndexLinked() const override { return true; }
    void SetImageIndex(int index) override;

private:
    TFlatButton* button_;
};

class TFlatButton : public TFlatCustomControl {
    Q_OBJECT
public:
    explicit TFlatButton(QWidget* parent = nullptr);
    ~TFlatButton() override;

    QString GetVersion() const override;

    bool AutoGray() const { return autoGray_; }
    virtual void SetAutoGray(bool autoGray);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool cancel) { cancel_ = cancel; }
    bool Default() const { return default_; }
    // Also has every flat control of the form look again whether it shows the Default ring.
    virtual void SetDefault(bool isDefault);
    // Drawn with its key colour left out (the bottom-left pixel's, unless one is set).
    const TBitmap& Glyph() const { return glyph_; }
    // Always copies the bitmap and repaints.
    virtual void SetGlyph(const TBitmap& glyph);
    bool HotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool hotTrack);
    TFlatLayout Layout() const { return layout_; }
    virtual void SetLayout(TFlatLayout layout);
    TFlatColors& Colors() { return colors_; }
    const TFlatColors& Colors() const { return colors_; }
    TFlatQuality Quality() const { return quality_; }
    virtual void SetQuality(TFlatQuality quality);
    bool ShowAccelChar() const { return showAccelChar_; }
    virtual void SetShowAccelChar(bool show);
    bool ShowFocusRect() const { return showFocusRect_; }
    virtual void SetShowFocusRect(bool show);
    // Stored and repaints; the corner lines are drawn either way.
    bool SmoothEdges() const { return smoothEdges_; }
    virtual void SetSmoothEdges(bool smooth);
    int Spacing() const { return spacing_; }
    virtual void SetSpacing(int spacing);
    bool WordWrap() const { return wordWrap_; }
    virtual void SetWordWrap(bool wordWrap);

    // Whether the face shows a ring: dragged off while pressed, or hot or focused while not;
    // unless `ownStateOnly`, also a Default button while the focus is on no flat control.
    bool IsHighlighted(bool ownStateOnly) const;
    // The entry of the action list's Images the face shows; -1 for none (then the Glyph).
    int ImageIndex() const { return imageIndex_; }
    // Renders the four gradients for the current size, colours and quality, then repaints.
    void CreateGradients();

    // Enter clicks the focused button, or the Default one while the focus is on no flat
    // control; Escape without Shift, Ctrl or Alt clicks the Cancel button.
    bool DialogKey(int key, TShiftState shift) override;

protected:
    void DoResize() override;
    void Paint(TFlatCanvas& canvas) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

    // The image the face shows: the action's image list entry or the Glyph.
    virtual TBitmap ButtonImage() const;

    // The inherited update, then the image: listens to the action list's Images and takes the
    // action's ImageIndex when that list has it.
    void ActionChange(QObject* sender, bool checkDefaults) override;
    TControlActionLinkClass GetActionLinkClass() const override;
    // The action list's Images changed: the action's ImageIndex while the list has it, else -1.
    void ImageListChange(QObject* sender);

private:
    TFlatColors colors_;
    bool autoGray_ = true;
    QImage background_;
    bool cancel_ = false;
    QImage clicked_;
    bool default_ = false;
    QImage focused_;
    TBitmap glyph_;
    QImage highlight_;
    bool hotTrack_ = false;
    TFlatLayout layout_ = blGlyphLeft;
    TFlatQuality quality_ = bqMiddle;
    bool showAccelChar_ = true;
    bool showFocusRect_ = true;
    bool smoothEdges_ = true;
    int spacing_ = 3;
    bool wordWrap_ = true;
    TChangeLink imageChangeLink_;
    int imageIndex_ = -1;

    friend class TFlatButtonActionLink;
    // The image list of the action's action list; nullptr when any of them is missing.
    TImageList* ActionImages() const;
};

// Greys an image for a disabled button: every pixel becomes the grey (average / 2 + 96), so
// greys from 96 to 223.
QImage FlatGrayImage(const QImage& image);
int FlatDisabledGray(TColor color);
