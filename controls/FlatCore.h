#pragma once
// The base classes of the flat button library: a non-visual base with its banner texts, a theme
// holder that repaints the controls registered with it, and the visual base that folds focus,
// mouse, enable and text changes into one small state set (mouse inside, focused, pressed),
// handles accelerator keys and hands its ModalResult to its form on a click. Also the drawing
// routines the flat controls share: lines, colour ramps, banded gradients.

#include "controls/FlatCanvas.h"
#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/Control.h"
#include "platform/toolkit/gui/Form.h"

#include <QFlags>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

class TFlatCustomControl;

enum TFlatTheme { WindowsXP, OfficeXP };

enum TFlatControlStateItem { fcsMouseInside = 0x1, fcsFocused = 0x2, fcsPressed = 0x4 };
Q_DECLARE_FLAGS(TFlatControlState, TFlatControlStateItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFlatControlState)

// The one-line banner every flat component and control reports as About.
QString FlatAboutBanner();

class TFlatCustomComponent : public TComponent {
public:
    explicit TFlatCustomComponent(QObject* owner = nullptr);

    QString About() const { return about_; }
    // Accepted and ignored, so that a stored value does no harm.
    void SetAbout(const QString&) {}
    QString Version() const { return GetVersion(); }
    void SetVersion(const QString&) {}

    virtual QString GetVersion() const;

private:
    QString about_;
};

class TFlatStyleManager : public TFlatCustomComponent {
public:
    // Tells the user, in an information box, that the component has no functionality yet.
    explicit TFlatStyleManager(QObject* owner = nullptr);
    ~TFlatStyleManager() override;

    QString GetVersion() const override;

    TFlatTheme Theme() const { return theme_; }
    virtual void SetTheme(TFlatTheme theme);

    void RegisterControl(TFlatCustomControl* control);
    void UnregisterControl(TFlatCustomControl* control);
    // Repaints every registered control, in the order they registered.
    void InvalidateControls();
    const std::vector<TFlatCustomControl*>& Controls() const { return controls_; }

private:
    std::vector<TFlatCustomControl*> controls_;
    TFlatTheme theme_ = WindowsXP;
};

class TFlatCustomControl : public QWidget, public TControl, public TDialogKeyTarget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TFlatCustomControl(QWidget* parent = nullptr);
    ~TFlatCustomControl() override;

    QString About() const { return about_; }
    void SetAbout(const QString&) {}
    QString Version() const { return GetVersion(); }
    void SetVersion(const QString&) {}

    virtual QString GetVersion() const;
    // The style manager's theme, WindowsXP without one.
    virtual TFlatTheme GetTheme() const;

    TFlatControlState State() const { return state_; }
    // True while the form's active control is itself a flat control.
    bool ActiveIsDx() const { return activeIsDx_; }

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // Not owned; a manager that goes away is forgotten.
    TFlatStyleManager* StyleManager() const { return styleManager_; }
    void SetStyleManager(TFlatStyleManager* manager);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool tabStop);

    // The form's ModalResult := this control's (also when it is 0), then OnClick, or the
    // action when there is no OnClick.
    virtual void Click();

    // Draws, or with DT_CALCRECT measures, a caption; a disabled one comes out embossed.
    void DrawCaption(TFlatCanvas& canvas, const QString& text, unsigned flags, TFlatRect& rect,
                     bool showAccelChar, bool enabled, const QFont& font, TColor fontColor) const;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // The form's dispatch: the accelerator letter clicks a focused control, or any with Alt held.
    bool DialogChar(QChar ch, TShiftState shift) override;
    void FocusChanged(QWidget* active) override;
    bool ClicksOnMouseUp() const override { return false; }
    bool TakesText() const override { return false; }

protected:
    // The hooks every state change goes through; each base version repaints.
    virtual void DoEnabledChanged();
    virtual void DoFocusChanged(QWidget* active);
    virtual void DoPress();
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    virtual void DoMouseMove();
    virtual void DoRelease();
    virtual void DoParentColorChanged();
    virtual void DoResize();
    virtual void DoTextChanged();

    // Paints the whole control into the double buffer.
    virtual void Paint(TFlatCanvas& canvas);
    // The control's Color as RGB; the default colour is the parent's.
    TColor PaintColor() const;
    // The font colour as RGB; the default is the button text colour.
    TColor PaintFontColor() const;
    // Where the pointer is now, in this control's coordinates.
    QPoint CursorPos() const;

    void SetState(TFlatControlState state);
    bool MouseIsDown() const { return mouseDown_; }
    // Forgets the outstanding mouse press, so that its release does not click again.
    void CancelMouseClick() { clickPending_ = false; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void MouseInside(bool inside);

    QString about_;
    QString caption_;
    bool mouseDown_ = false;
    bool clickPending_ = false;
    TFlatControlState state_;
    bool activeIsDx_ = false;
    TModalResult modalResult_ = mrNone;
    QPointer<TFlatStyleManager> styleManager_;
    QPoint lastMouseGlobal_;
    bool lastMouseKnown_ = false;
};

// Draws a line from (x1, y1) to (x2, y2); with `extend` the end pixel is drawn as well.
void DrawLine(TFlatCanvas& canvas, int x1, int y1, int x2, int y2, bool extend);
// The `steps` colours (2 to 256) from `fromColor` to `toColor`; styles 2 and 3 run backwards.
std::vector<TColor> MakeColorRamp(TColor fromColor, TColor toColor, int steps, int style);
// A banded gradient of `steps` bands: styles 1 and 3 top to bottom, 0 and 2 left to right;
// `dither` scatters the colour of each band into the seam below (or right of) it.
void FillGradient(int width, int height, TColor fromColor, TColor toColor, int steps, int style,
                  bool dither, QImage& bitmap);
