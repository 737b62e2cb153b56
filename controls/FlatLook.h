#pragma once
// The flat look of a whole window: dropped on a form, the component owner-draws every item of the
// form's main and pop-up menus flat (a shaded icon column, a filled selection with a thin border,
// square check marks, a flat pop-up border with a shadow), paints the buttons of its tool bars and
// the bands of its control bars flat, and hooks each qualifying standard control, so that the
// control paints itself and then gets a flat frame, button and marks over it. With AutoDetect on,
// a menu made after the component was attached is made flat when it is first shown.

#include "controls/FlatCanvas.h"
#include "platform/toolkit/Component.h"
#include "platform/toolkit/gui/ControlBar.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;
class QWidget;
class TForm;
class TMenuItem;

// What kinds of menu and control the component hooks, in their order.
enum TFlatControl {
    xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcEdit, xcMaskEdit, xcMemo, xcListBox,
    xcRichEdit, xcCheckBox, xcRadioButton, xcButton, xcBitBtn, xcSpeedButton, xcPanel, xcGroupBox,
};
// Which parents' children are hooked.
enum TFlatContainer {
    xccForm, xccFrame, xccToolbar, xccCoolbar, xccControlbar, xccPanel, xccScrollBox, xccGroupBox,
    xccTabSheet, xccPageScroller,
};

// A small set of one of the two enumerations above.
template <class E>
class TFlatSet {
public:
    constexpr TFlatSet() = default;
    constexpr TFlatSet(std::initializer_list<E> members)
    {
        for (E m : members) bits_ |= Bit(m);
    }
    // Every member from the first up to `last`.
    static constexpr TFlatSet UpTo(E last)
    {
        TFlatSet set;
        set.bits_ = (Bit(last) << 1) - 1;
        return set;
    }
    constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
    constexpr TFlatSet Without(E m) const
    {
        TFlatSet set = *this;
        set.bits_ &= ~Bit(m);
        return set;
    }
    constexpr bool operator==(const TFlatSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E m) { return std::uint32_t(1) << int(m); }
    std::uint32_t bits_ = 0;
};
using TFlatControls = TFlatSet<TFlatControl>;
using TFlatContainers = TFlatSet<TFlatContainer>;

// The colours painting uses, recomputed before every paint.
struct TFlatLookColors {
    TColor Menu = 0;
    TColor IconColumn = 0;
    TColor Select = 0;
    TColor SelectBorder = 0;
    TColor SelectFont = 0;
    TColor CheckArea = 0;
    TColor CheckAreaSelected = 0;
    TColor Checked = 0;
    TColor MenuBar = 0;
    TColor Disabled = 0;
    TColor Separator = 0;
    TColor PopupBorder = 0;
    TColor PopupShadow = 0;
    // How far a Tag 1000 control lightens its parent's colour, normally and hot.
    int ParentLevel = 16;
    int ParentHotLevel = 40;
    bool operator==(const TFlatLookColors&) const = default;
};

// The kind a control counts as, and the container kind of a parent; none when they have no row.
std::optional<TFlatControl> FlatControlKind(const QWidget* control);
std::optional<TFlatContainer> FlatContainerKind(const QWidget* parent);
// The control whose container kind counts for `control`: its nearest toolkit control above it.
QWidget* FlatContainerOf(const QWidget* control);

class TControlSubClass;

class TFlatLook : public TComponent {
    Q_OBJECT
public:
    // `owner` is the form it gives the look to.
    explicit TFlatLook(TForm* owner);
    ~TFlatLook() override;

    TForm* Form() const { return form_; }

    bool Active() const { return active_; }
    // Hooks or unhooks everything the form has and repaints it.
    void SetActive(bool active);
    // Menus made later on the form are made flat when first shown.
    bool AutoDetect() const { return autoDetect_; }
    void SetAutoDetect(bool on) { autoDetect_ = on; }
    QFont Font() const { return font_; }
    void SetFont(const QFont& font);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color) { fontColor_ = color; }
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    TColor IconBackColor() const { return iconBackColor_; }
    void SetIconBackColor(TColor color) { iconBackColor_ = color; }
    TColor MenuBarColor() const { return menuBarColor_; }
    void SetMenuBarColor(TColor color);
    TColor SelectColor() const { return selectColor_; }
    void SetSelectColor(TColor color) { selectColor_ = color; }
    TColor SelectBorderColor() const { return selectBorderColor_; }
    void SetSelectBorderColor(TColor color) { selectBorderColor_ = color; }
    TColor SelectFontColor() const { return selectFontColor_; }
    void SetSelectFontColor(TColor color) { selectFontColor_ = color; }
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor color) { disabledColor_ = color; }
    TColor SeparatorColor() const { return separatorColor_; }
    void SetSeparatorColor(TColor color) { separatorColor_ = color; }
    TColor CheckedColor() const { return checkedColor_; }
    void SetCheckedColor(TColor color) { checkedColor_ = color; }
    int IconWidth() const { return iconWidth_; }
    void SetIconWidth(int width) { iconWidth_ = width; }
    bool DrawSelect() const { return drawSelect_; }
    void SetDrawSelect(bool on) { drawSelect_ = on; }
    bool UseSystemColors() const { return useSystemColors_; }
    void SetUseSystemColors(bool on);
    bool UseDimColor() const { return useDimColor_; }
    void SetUseDimColor(bool on) { useDimColor_ = on; }
    bool OverrideOwnerDraw() const { return overrideOwnerDraw_; }
    void SetOverrideOwnerDraw(bool on) { overrideOwnerDraw_ = on; }
    bool Gradient() const { return gradient_; }
    void SetGradient(bool on) { gradient_ = on; }
    bool FlatMenu() const { return flatMenu_; }
    void SetFlatMenu(bool on) { flatMenu_ = on; }
    bool DrawMenuBar() const { return drawMenuBar_; }
    void SetDrawMenuBar(bool on) { drawMenuBar_ = on; }
    int DimLevel() const { return dimLevel_; }
    void SetDimLevel(int level) { dimLevel_ = level; }
    int GrayLevel() const { return grayLevel_; }
    void SetGrayLevel(int level) { grayLevel_ = level; }
    TFlatControls FlatControls() const { return flatControls_; }
    void SetFlatControls(TFlatControls controls);
    TFlatContainers FlatContainers() const { return flatContainers_; }
    void SetFlatContainers(TFlatContainers containers);

    // A display of more than 15 bits per pixel; taken from the screen at creation.
    bool TrueColor() const { return trueColor_; }
    void SetTrueColor(bool trueColor) { trueColor_ = trueColor; }

    // Colour arithmetic on RGB (system colours are converted first).
    // Each channel `percent` (at most 100) of the way to white, then the display's nearest colour.
    TColor LightenColor(TColor color, int percent) const;
    static TColor DarkenColor(TColor color, int amount);
    static TColor GrayColor(TColor color, int amount);
    // The font colour on a light background, else the background lightened 90 percent.
    TColor GetContrastTextColor(TColor color) const;
    // The colour itself on a true-colour display, else the nearest of the static palette.
    TColor GetNearestColor(TColor color) const;

    // Recomputes the effective colours.
    void SetGlobalColors();
    const TFlatLookColors& Colors() const { return colors_; }

    void HookComponents(QObject* owner, bool hook, bool repaint);
    void HookComponent(QObject* component, bool hook, bool repaint);
    // Gives `item`, its siblings and all their sub-items the handlers they still lack.
    void HookMenuItems(TMenuItem* item);
    // True when `item` carries this component's draw handler.
    bool HooksItem(const TMenuItem* item) const;
    // True when the bar carries this component's paint handler.
    bool HooksBar(const QWidget* bar) const;
    // The hook on `control`; null when it has none.
    TControlSubClass* HookOf(const QWidget* control) const;

    // The handlers planted in the menu items.
    void MenuMeasureItem(QObject* sender, int& width, int& height);
    void MenuDrawItem(QObject* sender, QPainter& canvas, const QRect& rect, bool selected);

    void DrawMenuItem(TMenuItem* item, QPainter& canvas, QRect rect, bool selected);
    void DrawCheckedItem(TMenuItem* item, QPainter& canvas, bool selected, const TFlatRect& checkRect, bool hasImage,
                         bool enabled);
    // `toolButton`: the picture of a tool button, at the rectangle's corner; else of a menu item.
    void DrawIcon(QPainter& canvas, bool toolButton, bool barItem, bool checked, bool enabled, bool pressed,
                  bool selected, const TFlatRect& rect, const QImage& image);
    // `background` is the colour under the text, for the underlays of a default item.
    void DrawItemText(QPainter& canvas, const QString& text, unsigned flags, const QFont& font, bool barItem,
                      bool isDefault, bool enabled, bool selected, const TFlatRect& rect, const QString& shortCut,
                      TColor background);
    void DrawTopMenuItem(QPainter& canvas, TColor barColor, const TFlatRect& rect);
    void DrawGradient(QPainter& canvas, const TFlatRect& rect);
    // The flat border and shadow of a pop-up `width` x `height`, drawn over its edge.
    void DrawWindowBorder(QPainter& canvas, int width, int height);

    // The handlers planted in tool bars and control bars.
    void ToolBarDrawButton(TToolBar* bar, TToolButton* button, QPainter& canvas, TCustomDrawState state,
                           bool& defaultDraw);
    void ControlBarPaintBand(TControlBar* bar, QWidget* control, QPainter& canvas, const QRect& rect,
                             TBandPaintOptions& options);
    // A downward triangle of three rows, five pixels wide at its top row, which starts at (x, y).
    static void DrawArrow(QPainter& canvas, int x, int y, TColor color = clBlack);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HookMenu(TMenuItem* root, bool hook);
    void HookItem(TMenuItem* item, bool hook);
    void HookControl(QWidget* control, bool hook, bool repaint);
    void HookToolBar(TToolBar* bar, bool hook, bool repaint);
    void HookControlBar(TControlBar* bar, bool hook, bool repaint);
    // A separator or divider between tool buttons.
    void DrawToolSeparator(TToolButton* separator, QPainter& canvas, TColor face, TColor barColor);
    void DrawToolButtonPicture(TToolBar* bar, TToolButton* button, QPainter& canvas, const TFlatRect& rect,
                               TCustomDrawState state, TColor brush);
    // Made later on the form: watched until it shows whether it is a menu, and hooked then.
    void WatchLateChild(QObject* child);
    bool IsBarItem(const TMenuItem* item) const;
    void RedrawMenuBar();
    void Rehook();

    TForm* form_;
    bool active_ = false;
    bool autoDetect_ = false;
    QFont font_;
    TColor fontColor_ = clMenuText;
    TColor color_ = clBtnFace;
    TColor iconBackColor_ = clBtnFace;
    TColor menuBarColor_ = clBtnFace;
    TColor selectColor_ = clHighlight;
    TColor selectBorderColor_ = clHighlight;
    TColor selectFontColor_ = clMenuText;
    TColor disabledColor_ = clInactiveCaption;
    TColor separatorColor_ = clBtnFace;
    TColor checkedColor_ = clHighlight;
    int iconWidth_ = 24;
    bool drawSelect_ = true;
    bool useSystemColors_ = true;
    bool useDimColor_ = false;
    bool overrideOwnerDraw_ = false;
    bool gradient_ = false;
    bool flatMenu_ = false;
    bool drawMenuBar_ = false;
    int dimLevel_ = 30;
    int grayLevel_ = 10;
    TFlatControls flatControls_ = TFlatControls::UpTo(xcGroupBox);
    TFlatContainers flatContainers_ = TFlatContainers::UpTo(xccPageScroller);
    bool trueColor_ = true;
    TFlatLookColors colors_;
    std::vector<QPointer<TMenuItem>> hookedItems_;
    std::vector<QPointer<QWidget>> hookedBars_;
    std::vector<QPointer<QWidget>> borderedMenus_;
    bool paintingBorder_ = false;
};

// The hook on one standard control: it follows focus, hover, mouse, space key and enabled
// changes, lets the control paint itself and paints the flat frame, button and marks over it.
// It detaches at the first event after its component turned inactive, restoring the frame the
// control had, and goes away with the control.
class TControlSubClass : public TComponent {
    Q_OBJECT
public:
    TControlSubClass(TFlatLook* flatLook, QWidget* control);
    ~TControlSubClass() override;

    QWidget* Control() const { return control_; }
    bool Hot() const { return hot_; }
    bool MouseDown() const { return mouseDown_; }
    bool SpaceDown() const { return spaceDown_; }
    // How many times a space press asked for the pressed look (once per press).
    int SpacePaints() const { return spacePaints_; }

    // Paints every painter whose kind the control has, over what the control painted.
    void ControlPaint(QPainter& canvas);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Detach();
    void Changed();
    TColor ParentColor() const;
    TColor ControlColor() const;
    void TurnFrameOff();
    void PaintCombo(QPainter& canvas, bool lookup);
    void PaintBorder(QPainter& canvas);
    void PaintCheckBox(QPainter& canvas);
    void PaintRadioButton(QPainter& canvas);
    void PaintButton(QPainter& canvas);
    void PaintPanel(QPainter& canvas);
    void PaintGroupBox(QPainter& canvas);

    QPointer<QWidget> control_;
    TFlatLook* flatLook_;
    bool recreating_ = false;
    bool hot_ = false;
    bool mouseDown_ = false;
    bool spaceDown_ = false;
    bool spacePainted_ = false;
    bool focused_ = false;
    int spacePaints_ = 0;
    bool painting_ = false;
    bool frameSaved_ = false;
    bool oldFrame_ = true;
    int oldFrameStyle_ = 0;
    int oldLineWidth_ = 1;
    int lastEvent_ = 0;
};
