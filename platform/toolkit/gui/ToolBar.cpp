#include "platform/toolkit/gui/ToolBar.h"

#include "platform/toolkit/gui/ImageList.h"

#include <QPainter>

TToolButton::TToolButton(TToolBar* toolBar) : QToolButton(toolBar), TControl(this), toolBar_(toolBar)
{
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] {
        Guarded([this] {
            if (OnClick) OnClick(this);
        });
    });
    toolBar_->AddButton(this);
}

void TToolButton::SetCaption(const QString& caption)
{
    caption_ = caption;
    UpdateLook();
}

void TToolButton::SetImageIndex(int index)
{
    imageIndex_ = index;
    UpdateLook();
}

void TToolButton::SetStyle(TToolButtonStyle style)
{
    style_ = style;
    setCheckable(style == tbsCheck);
    setEnabled(style != tbsSeparator && style != tbsDivider);
    UpdateLook();
}

void TToolButton::SetDown(bool down)
{
    setCheckable(true);
    const QSignalBlocker quiet(this);
    setChecked(down);
    if (style_ != tbsCheck && !down) setCheckable(false);
}

void TToolButton::UpdateLook()
{
    const bool separator = style_ == tbsSeparator || style_ == tbsDivider;
    setText(separator ? QString() : StripAccel(caption_));
    QIcon icon;
    if (!separator && toolBar_->Images()) icon = toolBar_->Images()->GetIcon(imageIndex_);
    setIcon(icon);
    if (icon.isNull()) setToolButtonStyle(Qt::ToolButtonTextOnly);
    else setToolButtonStyle(toolBar_->ShowCaptions() ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
}

TCustomDrawState TToolButton::DrawState() const
{
    TCustomDrawState state = 0;
    if (isDown()) state |= cdsSelected;
    if (isChecked()) state |= cdsChecked;
    if (!isEnabled()) state |= cdsDisabled;
    if (hot_ && isEnabled()) state |= cdsHot;
    if (hasFocus()) state |= cdsFocused;
    return state;
}

void TToolButton::paintEvent(QPaintEvent* event)
{
    if (toolBar_->OnCustomDrawButton) {
        bool defaultDraw = true;
        {
            QPainter canvas(this);
            toolBar_->OnCustomDrawButton(toolBar_, this, canvas, DrawState(), defaultDraw);
        }
        if (!defaultDraw) return;
    }
    QToolButton::paintEvent(event);
}

void TToolButton::enterEvent(QEnterEvent* event)
{
    hot_ = true;
    QToolButton::enterEvent(event);
    update();
}

void TToolButton::leaveEvent(QEvent* event)
{
    hot_ = false;
    QToolButton::leaveEvent(event);
    update();
}

TToolBar::TToolBar(QWidget* parent) : QToolBar(parent), TControl(this) { setMovable(false); }

void TToolBar::SetImages(TImageList* images)
{
    images_ = images;
    if (images) {
        setIconSize(QSize(images->Width(), images->Height()));
        images->OnChange = [this](TImageList*) { UpdateButtons(); };
    }
    UpdateButtons();
}

void TToolBar::SetShowCaptions(bool show)
{
    showCaptions_ = show;
    UpdateButtons();
}

void TToolBar::SetButtonSize(int width, int height)
{
    for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->setFixedSize(width, height);
}

int TToolBar::ButtonCount() const { return int(findChildren<TToolButton*>(Qt::FindDirectChildrenOnly).size()); }

TToolButton* TToolBar::Buttons(int index) const
{
    const auto buttons = findChildren<TToolButton*>(Qt::FindDirectChildrenOnly);
    return index >= 0 && index < buttons.size() ? buttons[index] : nullptr;
}

void TToolBar::AddButton(TToolButton* button)
{
    addWidget(button);
    button->UpdateLook();
}

void TToolBar::UpdateButtons()
{
    for (TToolButton* button : findChildren<TToolButton*>(Qt::FindDirectChildrenOnly)) button->UpdateLook();
}
