#pragma once
// A tool bar of tool buttons with pictures from an image list, hints and check buttons; a
// handler of the bar may paint its buttons itself.

#include "platform/toolkit/gui/Control.h"

#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <functional>

class QPainter;
class TImageList;
class TMenuItem;
class TToolBar;
class TToolButton;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// What a tool button being painted is: pressed (selected), checked, disabled, under the mouse.
enum TCustomDrawStateItem : unsigned {
    cdsSelected = 1 << 0,
    cdsGrayed = 1 << 1,
    cdsDisabled = 1 << 2,
    cdsChecked = 1 << 3,
    cdsFocused = 1 << 4,
    cdsDefault = 1 << 5,
    cdsHot = 1 << 6,
    cdsMarked = 1 << 7,
    cdsIndeterminate = 1 << 8,
};
using TCustomDrawState = unsigned;
// Paints `button` on `canvas`, in the button's own coordinates; with `defaultDraw` left true
// the button is then drawn as usual over it.
using TTBCustomDrawBtnEvent = std::function<void(TToolBar* sender, TToolButton* button, QPainter& canvas,
                                                 TCustomDrawState state, bool& defaultDraw)>;

class TToolButton : public QToolButton, public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    // Joins the tool bar as its last button.
    explicit TToolButton(TToolBar* toolBar);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle style);
    // A check button stays down until clicked again.
    bool Down() const { return isChecked(); }
    void SetDown(bool down);
    // Shows the caption beside the picture (the bar's ShowCaptions).
    void UpdateLook();
    bool ClicksOnMouseUp() const override { return false; }
    TToolBar* ToolBar() const { return toolBar_; }
    // The mouse is over the button.
    bool Hot() const { return hot_; }
    TCustomDrawState DrawState() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TToolBar* toolBar_;
    bool hot_ = false;
    QString caption_;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
};

class TToolBar : public QToolBar, public TControl {
    Q_OBJECT
public:
    explicit TToolBar(QWidget* parent = nullptr);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool show);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat) { flat_ = flat; }
    void SetButtonSize(int width, int height);
    int ButtonCount() const;
    TToolButton* Buttons(int index) const;
    // Set, it paints every button instead of the style (unless it leaves the default drawing on).
    TTBCustomDrawBtnEvent OnCustomDrawButton;

private:
    friend class TToolButton;
    void AddButton(TToolButton* button);
    void UpdateButtons();
    QPointer<TImageList> images_;
    bool showCaptions_ = false;
    bool flat_ = true;
};
