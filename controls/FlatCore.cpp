#include "controls/FlatCore.h"

#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

QString FlatAboutBanner()
{
    return QStringLiteral("Flat controls for the workshop program");
}

// -- TFlatCustomComponent

TFlatCustomComponent::TFlatCustomComponent(QObject* owner) : TComponent(owner), about_(FlatAboutBanner()) {}

QString TFlatCustomComponent::GetVersion() const
{
    return QString();
}

// -- TFlatStyleManager

TFlatStyleManager::TFlatStyleManager(QObject* owner) : TFlatCustomComponent(owner)
{
    TMessageRequest request;
    request.Caption = Application() ? Application()->Title() : QGuiApplication::applicationDisplayName();
    request.Text = QStringLiteral("The \"TFlatStyleManager\" component is currently in beta state and has no functionality yet!");
    request.Type = mtInformation;
    request.Buttons = mbOK;
    UiHost().MessageBox(request);
    SetTheme(WindowsXP);
}

TFlatStyleManager::~TFlatStyleManager()
{
    Destroying();
    InvalidateControls();
}

QString TFlatStyleManager::GetVersion() const
{
    return QStringLiteral("1.0.0");
}

void TFlatStyleManager::SetTheme(TFlatTheme theme)
{
    if (theme == theme_)
        return;
    theme_ = theme;
    InvalidateControls();
}

void TFlatStyleManager::RegisterControl(TFlatCustomControl* control)
{
    if (control && std::find(controls_.begin(), controls_.end(), control) == controls_.end())
        controls_.push_back(control);
}

void TFlatStyleManager::UnregisterControl(TFlatCustomControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void TFlatStyleManager::InvalidateControls()
{
    for (TFlatCustomControl* control : controls_)
        control->update();
}

// -- TFlatCustomControl

TFlatCustomControl::TFlatCustomControl(QWidget* parent)
    : QWidget(parent), TControl(this), about_(FlatAboutBanner())
{
    setFocusPolicy(Qt::StrongFocus);
    // The whole face is painted into a buffer and copied out in one go.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TFlatCustomControl::~TFlatCustomControl()
{
    if (styleManager_)
        styleManager_->UnregisterControl(this);
}

QString TFlatCustomControl::GetVersion() const
{
    return QString();
}

TFlatTheme TFlatCustomControl::GetTheme() const
{
    return styleManager_ ? styleManager_->Theme() : WindowsXP;
}

void TFlatCustomControl::SetStyleManager(TFlatStyleManager* manager)
{
    if (manager == styleManager_)
        return;
    if (styleManager_)
        styleManager_->UnregisterControl(this);
    if (manager)
        manager->RegisterControl(this);
    styleManager_ = manager;
    update();
}

void TFlatCustomControl::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    DoTextChanged();
}

void TFlatCustomControl::SetTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TFlatCustomControl::Click()
{
    QPointer<TFlatCustomControl> self(this);
    if (TForm* form = TForm::ParentForm(this))
        form->SetModalResult(modalResult_);
    // Without an OnClick of its own the control runs its action.
    if (self)
        ClickOrExecute();
}

void TFlatCustomControl::SetState(TFlatControlState state)
{
    state_ = state;
}

bool TFlatCustomControl::DialogChar(QChar ch, TShiftState shift)
{
    if (!IsAccel(ch, caption_) || !CanFocus())
        return false;
    if (!hasFocus() && !(shift & Qt::AltModifier))
        return false;
    Click();
    return true;
}

void TFlatCustomControl::FocusChanged(QWidget* active)
{
    DoFocusChanged(active);
}

// -- hooks

void TFlatCustomControl::DoEnabledChanged()
{
    update();
}

void TFlatCustomControl::DoFocusChanged(QWidget* active)
{
    if (hasFocus())
        state_ |= fcsFocused;
    else
        state_ &= ~TFlatControlState(fcsFocused | fcsPressed);
    activeIsDx_ = qobject_cast<TFlatCustomControl*>(active) != nullptr;
    update();
}

void TFlatCustomControl::DoPress()
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    state_ |= fcsPressed;
    update();
}

void TFlatCustomControl::DoMouseEnter()
{
    state_ |= fcsMouseInside;
    update();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TFlatCustomControl::DoMouseLeave()
{
    state_ &= ~TFlatControlState(fcsMouseInside);
    update();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TFlatCustomControl::DoMouseMove() {}

void TFlatCustomControl::DoRelease()
{
    state_ &= ~TFlatControlState(fcsPressed);
    update();
    // The press may have been dragged onto a neighbour, which saw no enter while the mouse
    // was held here.
    const QPoint at = lastMouseKnown_ ? lastMouseGlobal_ : QCursor::pos();
    QWidget* under = QApplication::widgetAt(at);
    if (!under)
        under = window()->childAt(window()->mapFromGlobal(at));
    auto* neighbour = qobject_cast<TFlatCustomControl*>(under);
    if (neighbour && neighbour != this && !(neighbour->state_ & fcsMouseInside))
        neighbour->DoMouseEnter();
}

void TFlatCustomControl::DoParentColorChanged()
{
    update();
}

void TFlatCustomControl::DoResize() {}

void TFlatCustomControl::DoTextChanged()
{
    update();
}

void TFlatCustomControl::Paint(TFlatCanvas& canvas)
{
    canvas.SetBrushColor(PaintColor());
    canvas.FillRect(TFlatRect{0, 0, width(), height()});
}

TColor TFlatCustomControl::PaintColor() const
{
    if (Color() == clDefault)
        return FromQColor(palette().color(QPalette::Window));
    return ColorToRGB(Color());
}

TColor TFlatCustomControl::PaintFontColor() const
{
    return ColorToRGB(FontColor() == clDefault ? clBtnText : FontColor());
}

QPoint TFlatCustomControl::CursorPos() const
{
    // While a press is held the last mouse event here is where the pointer is.
    return mapFromGlobal(mouseDown_ && lastMouseKnown_ ? lastMouseGlobal_ : QCursor::pos());
}

void TFlatCustomControl::DrawCaption(TFlatCanvas& canvas, const QString& text, unsigned flags, TFlatRect& rect,
                                     bool showAccelChar, bool enabled, const QFont& font, TColor fontColor) const
{
    QString shown = text;
    // A blank keeps the measured rectangle one line high.
    if (((flags & DT_CALCRECT) && shown.isEmpty()) || (showAccelChar && shown == QStringLiteral("&")))
        shown += u' ';
    if (!showAccelChar)
        flags |= DT_NOPREFIX;
    if (layoutDirection() == Qt::RightToLeft) {
        if (flags & DT_RIGHT)
            flags &= ~unsigned(DT_RIGHT);
        else if (!(flags & DT_CENTER))
            flags |= DT_RIGHT;
        flags |= DT_RTLREADING;
    }
    canvas.SetFont(font);
    if (enabled) {
        canvas.SetFontColor(ColorToRGB(fontColor));
        canvas.DrawText(shown, rect, flags);
        return;
    }
    rect.Offset(1, 1);
    canvas.SetFontColor(ColorToRGB(clBtnHighlight));
    canvas.DrawText(shown, rect, flags);
    rect.Offset(-1, -1);
    canvas.SetFontColor(ColorToRGB(clBtnShadow));
    canvas.DrawText(shown, rect, flags);
}

// -- Qt events onto the hooks

void TFlatCustomControl::paintEvent(QPaintEvent*)
{
    QImage buffer(size(), QImage::Format_RGB32);
    if (buffer.isNull())
        return;
    buffer.fill(Qt::black);
    TFlatCanvas canvas(buffer);
    Paint(canvas);
    QPainter painter(this);
    painter.drawImage(0, 0, buffer);
}

void TFlatCustomControl::mousePressEvent(QMouseEvent* event)
{
    lastMouseGlobal_ = event->globalPosition().toPoint();
    lastMouseKnown_ = true;
    if (event->button() == Qt::LeftButton) {
        mouseDown_ = true;
        clickPending_ = true;
        DoPress();
    }
    event->accept();
}

void TFlatCustomControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is a second press, so it makes a second click.
    mousePressEvent(event);
}

void TFlatCustomControl::mouseReleaseEvent(QMouseEvent* event)
{
    QPointer<TFlatCustomControl> self(this);
    lastMouseGlobal_ = event->globalPosition().toPoint();
    lastMouseKnown_ = true;
    const bool click = event->button() == Qt::LeftButton && clickPending_ && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        clickPending_ = false;
    if (click)
        Click();
    if (self && mouseDown_) {
        mouseDown_ = false;
        DoRelease();
    }
    event->accept();
}

void TFlatCustomControl::mouseMoveEvent(QMouseEvent* event)
{
    lastMouseGlobal_ = event->globalPosition().toPoint();
    lastMouseKnown_ = true;
    DoMouseMove();
    // A held button keeps the mouse to itself, so leaving and coming back is seen here.
    if (mouseDown_)
        MouseInside(rect().contains(event->position().toPoint()));
    event->accept();
}

void TFlatCustomControl::MouseInside(bool inside)
{
    if (inside && !(state_ & fcsMouseInside))
        DoMouseEnter();
    else if (!inside && (state_ & fcsMouseInside))
        DoMouseLeave();
}

void TFlatCustomControl::enterEvent(QEnterEvent* event)
{
    lastMouseGlobal_ = event->globalPosition().toPoint();
    lastMouseKnown_ = true;
    MouseInside(true);
}

void TFlatCustomControl::leaveEvent(QEvent*)
{
    MouseInside(false);
}

void TFlatCustomControl::resizeEvent(QResizeEvent*)
{
    DoResize();
}

void TFlatCustomControl::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        DoEnabledChanged();
        break;
    case QEvent::PaletteChange:
        DoParentColorChanged();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TFlatCustomControl::focusInEvent(QFocusEvent* event)
{
    // The form tells every flat control of a focus move; a window that loses or regains the
    // activation is told here.
    TForm* form = TForm::ParentForm(this);
    DoFocusChanged(form ? form->ActiveControl() : window()->focusWidget());
    QWidget::focusInEvent(event);
}

void TFlatCustomControl::focusOutEvent(QFocusEvent* event)
{
    TForm* form = TForm::ParentForm(this);
    DoFocusChanged(form ? form->ActiveControl() : window()->focusWidget());
    QWidget::focusOutEvent(event);
}

// -- drawing routines

void DrawLine(TFlatCanvas& canvas, int x1, int y1, int x2, int y2, bool extend)
{
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
    // Moving the end point one pixel further would bend a horizontal or vertical line (and
    // miss the end pixel of a shallow one); the end pixel itself is what has to be drawn.
    if (extend)
        canvas.SetPixel(x2, y2, canvas.PenColor());
}

std::vector<TColor> MakeColorRamp(TColor fromColor, TColor toColor, int steps, int style)
{
    TColor start = ColorToRGB(fromColor);
    TColor end = ColorToRGB(toColor);
    if (style > 1)
        std::swap(start, end);
    steps = std::clamp(steps, 2, 256);
    auto delta = [steps](int from, int to) { return double(to - from) / (steps - 1); };
    const double dr = delta(GetRValue(start), GetRValue(end));
    const double dg = delta(GetGValue(start), GetGValue(end));
    const double db = delta(GetBValue(start), GetBValue(end));
    // Rounding to nearest, ties to even.
    auto channel = [](int from, int i, double d) { return (from + int(std::nearbyint(i * d))) & 0xFF; };
    std::vector<TColor> ramp(static_cast<size_t>(steps));
    for (int i = 0; i < steps; ++i)
        ramp[size_t(i)] = RGBColor(channel(GetRValue(start), i, dr), channel(GetGValue(start), i, dg),
                                   channel(GetBValue(start), i, db));
    return ramp;
}

void FillGradient(int width, int height, TColor fromColor, TColor toColor, int steps, int style,
                  bool dither, QImage& bitmap)
{
    bitmap = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    if (bitmap.isNull())
        return;
    steps = std::clamp(steps, 2, 256);
    const std::vector<TColor> ramp = MakeColorRamp(fromColor, toColor, steps, style);
    bitmap.fill(FlatToQRgb(ColorToRGB(fromColor)));
    TFlatCanvas canvas(bitmap);
    const bool vertical = style == 1 || style == 3;
    const int length = vertical ? height : width;
    QRandomGenerator& random = *QRandomGenerator::global();
    auto noise = [&random](int j) { return j > 0 ? int(random.bounded(j)) : 0; };
    for (int i = 0; i < steps; ++i) {
        const int begin = FlatMulDiv(i, length, steps);
        const int extent = FlatMulDiv(i + 1, length, steps);
        canvas.SetBrushColor(ramp[size_t(i)]);
        // Each band reaches past its end; the next one paints over the rest.
        canvas.FillRect(vertical ? TFlatRect{0, begin, width, begin + extent} : TFlatRect{begin, 0, begin + extent, height});
        if (!dither || i == 0)
            continue;
        for (int across = 0; across < 16; ++across) {
            for (int j = 0; j <= length / (steps - 1); ++j) {
                if (vertical)
                    canvas.SetPixel(across, begin + noise(j), ramp[size_t(i - 1)]);
                else
                    canvas.SetPixel(begin + noise(j), across, ramp[size_t(i - 1)]);
            }
        }
    }
    if (!dither)
        return;
    // The noise is drawn on one 16-pixel strip only and repeated across.
    const QImage strip = vertical ? bitmap.copy(0, 0, std::min(16, width), height) : bitmap.copy(0, 0, width, std::min(16, height));
    if (vertical) {
        for (int k = 0; k <= width / 16; ++k)
            canvas.CopyFrom(16 * k, 0, strip);
    } else {
        for (int k = 1; k <= height / 16; ++k)
            canvas.CopyFrom(0, 16 * k, strip);
    }
}
