#pragma once
// A tool bar of tool buttons with pictures from an image list, hints and check buttons.

#include "platform/toolkit/gui/Control.h"

#include <QPointer>
#include <QToolBar>
#include <QToolButton>

class TImageList;
class TMenuItem;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

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

private:
    TToolBar* toolBar_;
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

private:
    friend class TToolButton;
    void AddButton(TToolButton* button);
    void UpdateButtons();
    QPointer<TImageList> images_;
    bool showCaptions_ = false;
    bool flat_ = true;
};
