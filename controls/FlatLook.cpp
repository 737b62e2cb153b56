#include "controls/FlatLook.h"

#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Form.h"
#include "platform/toolkit/gui/MaskEdit.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/Tabs.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The width of a scroll thumb, which sizes the combo button and the check and radio boxes.
constexpr int kThumb = 16;
// A control or container with this tag keeps its standard look.
constexpr int kKeepStandardLook = 999;
// A control with this tag takes its face from its parent's colour.
constexpr int kParentFace = 1000;

QColor Q(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

void Fill(QPainter& canvas, const TFlatRect& r, TColor color)
{
    if (!r.IsEmpty()) canvas.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Q(color));
}

void Pixel(QPainter& canvas, int x, int y, TColor color)
{
    canvas.fillRect(QRect(x, y, 1, 1), Q(color));
}

// A one-pixel outline on the rectangle's inner edge.
void Frame(QPainter& canvas, const TFlatRect& r, TColor color)
{
    if (r.IsEmpty()) return;
    Fill(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, color);
    Fill(canvas, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
    Fill(canvas, {r.Left, r.Top, r.Left + 1, r.Bottom}, color);
    Fill(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, color);
}

// From (x1, y1) up to, not including, (x2, y2).
void Line(QPainter& canvas, int x1, int y1, int x2, int y2, TColor color)
{
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    while (x1 != x2 || y1 != y2) {
        Pixel(canvas, x1, y1, color);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

void Polyline(QPainter& canvas, std::initializer_list<QPoint> points, TColor color)
{
    const QPoint* previous = nullptr;
    for (const QPoint& p : points) {
        if (previous) Line(canvas, previous->x(), previous->y(), p.x(), p.y(), color);
        previous = &p;
    }
}

// Top and left edges in `topLeft`, bottom and right in `bottomRight`, `width` times inwards.
void Frame3D(QPainter& canvas, TFlatRect& r, TColor topLeft, TColor bottomRight, int width)
{
    for (int i = 0; i < width && !r.IsEmpty(); ++i) {
        Fill(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
        Fill(canvas, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
        Fill(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
        Fill(canvas, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
}

// Outline with the pen and inside with the brush, as one shape.
void Shape(QPainter& canvas, const TFlatRect& r, TColor pen, std::optional<TColor> brush, bool ellipse, int corner = 0)
{
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(Q(pen));
    canvas.setBrush(brush ? QBrush(Q(*brush)) : QBrush(Qt::NoBrush));
    const QRect shape(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    if (ellipse)
        canvas.drawEllipse(shape);
    else if (corner > 0)
        canvas.drawRoundedRect(shape, corner / 2.0, corner / 2.0);
    else
        canvas.drawRect(shape);
    canvas.restore();
}

TFlatRect Shrunk(const TFlatRect& r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right - dx, r.Bottom - dy}; }

int QtAlignment(unsigned flags)
{
    int align = Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::AlignVCenter;
    align |= (flags & DT_CENTER) ? Qt::AlignHCenter : (flags & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    return align;
}

// The colours a display of 256 colours always has.
constexpr std::array<TColor, 20> kStaticPalette = {
    RGBColor(0, 0, 0),       RGBColor(128, 0, 0),     RGBColor(0, 128, 0),     RGBColor(128, 128, 0),
    RGBColor(0, 0, 128),     RGBColor(128, 0, 128),   RGBColor(0, 128, 128),   RGBColor(192, 192, 192),
    RGBColor(192, 220, 192), RGBColor(166, 202, 240), RGBColor(255, 251, 240), RGBColor(160, 160, 164),
    RGBColor(128, 128, 128), RGBColor(255, 0, 0),     RGBColor(0, 255, 0),     RGBColor(255, 255, 0),
    RGBColor(0, 0, 255),     RGBColor(255, 0, 255),   RGBColor(0, 255, 255),   RGBColor(255, 255, 255),
};

int TagOf(const QWidget* widget)
{
    const TControl* control = widget ? TControl::Of(widget) : nullptr;
    return control && control->Widget() == widget ? control->Tag() : 0;
}

bool ClassIs(const QWidget* widget, const char* name)
{
    return qstrcmp(widget->metaObject()->className(), name) == 0;
}

TColor BackgroundOf(const QWidget* widget)
{
    return widget ? FromQColor(widget->palette().color(widget->backgroundRole())) : ColorToRGB(clBtnFace);
}

// Every toolkit widget the form has, nested forms included, in creation order.
std::vector<QObject*> OwnedBy(QObject* owner)
{
    const QList<QObject*> all = owner->findChildren<QObject*>();
    return {all.begin(), all.end()};
}

}  // namespace

// --- kinds -------------------------------------------------------------------------------------

std::optional<TFlatControl> FlatControlKind(const QWidget* control)
{
    if (!control) return std::nullopt;
    if (ClassIs(control, "TDBLookupComboBox") || ClassIs(control, "TButton") || ClassIs(control, "TUpDown") ||
        ClassIs(control, "TDBNavigator"))
        return xcButton;
    if (ClassIs(control, "TMaskEdit") || ClassIs(control, "TDBEdit")) return xcMaskEdit;
    if (qobject_cast<const TComboBox*>(control)) return xcCombo;
    if (qobject_cast<const TEdit*>(control)) return xcEdit;
    if (qobject_cast<const TMemo*>(control)) return xcMemo;
    if (qobject_cast<const TListBox*>(control)) return xcListBox;
    if (qobject_cast<const TCheckBox*>(control)) return xcCheckBox;
    if (qobject_cast<const TRadioButton*>(control)) return xcRadioButton;
    if (qobject_cast<const TPanel*>(control)) return xcPanel;
    if (qobject_cast<const TGroupBox*>(control)) return xcGroupBox;
    return std::nullopt;
}

std::optional<TFlatContainer> FlatContainerKind(const QWidget* parent)
{
    if (!parent) return std::nullopt;
    if (qobject_cast<const TForm*>(parent)) return xccForm;
    if (qobject_cast<const TToolBar*>(parent)) return xccToolbar;
    if (qobject_cast<const TPanel*>(parent)) return xccPanel;
    if (qobject_cast<const TScrollBox*>(parent)) return xccScrollBox;
    if (qobject_cast<const TGroupBox*>(parent)) return xccGroupBox;
    if (qobject_cast<const TTabSheet*>(parent)) return xccTabSheet;
    return std::nullopt;
}

QWidget* FlatContainerOf(const QWidget* control)
{
    // Plain Qt widgets between (a scroll area's viewport, a window's client area) do not count.
    for (QWidget* parent = control ? control->parentWidget() : nullptr; parent; parent = parent->parentWidget())
        if (const TControl* owner = TControl::Of(parent)) return owner->Widget();
    return nullptr;
}

// --- the component -----------------------------------------------------------------------------

TFlatLook::TFlatLook(TForm* owner) : TComponent(owner), form_(owner), font_(QApplication::font("QMenu"))
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) trueColor_ = screen->depth() > 15;
    selectFontColor_ = fontColor_;
    SetGlobalColors();
    // Menus made on the form later are told from the other components made there.
    if (owner) owner->installEventFilter(this);
}

TFlatLook::~TFlatLook()
{
    Destroying();
    // The form may be half gone already; only what this component planted is taken back.
    for (const QPointer<TMenuItem>& item : hookedItems_) {
        if (!item) continue;
        item->OnDrawItem = nullptr;
        item->OnMeasureItem = nullptr;
    }
    for (const QPointer<QWidget>& bar : hookedBars_) {
        if (auto* toolBar = qobject_cast<TToolBar*>(bar.data())) toolBar->OnCustomDrawButton = nullptr;
        if (auto* controlBar = qobject_cast<TControlBar*>(bar.data())) controlBar->OnBandPaint = nullptr;
    }
}

void TFlatLook::SetActive(bool active)
{
    if (active == active_) return;
    active_ = active;
    if (form_) HookComponents(form_, active, true);
    RedrawMenuBar();
}

void TFlatLook::SetFont(const QFont& font)
{
    font_ = font;
    RedrawMenuBar();
}

void TFlatLook::SetMenuBarColor(TColor color)
{
    menuBarColor_ = color;
    RedrawMenuBar();
}

void TFlatLook::SetUseSystemColors(bool on)
{
    useSystemColors_ = on;
    RedrawMenuBar();
}

void TFlatLook::SetFlatControls(TFlatControls controls)
{
    if (controls == flatControls_) return;
    if (!active_) {
        flatControls_ = controls;
        return;
    }
    active_ = false;
    HookComponents(form_, false, true);
    active_ = true;
    flatControls_ = controls;
    HookComponents(form_, true, true);
}

void TFlatLook::SetFlatContainers(TFlatContainers containers)
{
    if (containers == flatContainers_) return;
    if (!active_) {
        flatContainers_ = containers;
        return;
    }
    active_ = false;
    HookComponents(form_, false, true);
    active_ = true;
    flatContainers_ = containers;
    HookComponents(form_, true, true);
}

void TFlatLook::RedrawMenuBar()
{
    if (!form_) return;
    QMenuBar* bar = form_->findChild<QMenuBar*>();
    if (!bar) return;
    // Qt fills the bar around its items from the palette, where the system would use its menu
    // colour; the flat items are painted in the bar colour, so the bar must match them.
    const TMainMenu* menu = form_->Menu();
    if (active_ && menu && flatControls_.Contains(xcMainMenu) && menu->Tag() != kKeepStandardLook) {
        SetGlobalColors();
        QPalette palette;
        palette.setColor(QPalette::Window, ToQColor(drawMenuBar_ ? colors_.MenuBar : clMenu));
        bar->setPalette(palette);
    } else {
        bar->setPalette(QPalette());
    }
    bar->update();
}

// --- colours -----------------------------------------------------------------------------------

TColor TFlatLook::LightenColor(TColor color, int percent) const
{
    return GetNearestColor(FlatLightenColor(ColorToRGB(color), percent));
}

TColor TFlatLook::DarkenColor(TColor color, int amount) { return FlatDarkenColor(ColorToRGB(color), amount); }

TColor TFlatLook::GrayColor(TColor color, int amount) { return FlatGrayColor(ColorToRGB(color), amount); }

TColor TFlatLook::GetContrastTextColor(TColor color) const
{
    const TColor rgb = ColorToRGB(color);
    if ((GetRValue(rgb) + GetBValue(rgb)) / 2 > 150 || GetGValue(rgb) > 200) return ColorToRGB(fontColor_);
    return LightenColor(rgb, 90);
}

TColor TFlatLook::GetNearestColor(TColor color) const
{
    const TColor rgb = ColorToRGB(color);
    if (trueColor_) return rgb;
    auto distance = [rgb](TColor c) {
        const int r = GetRValue(c) - GetRValue(rgb), g = GetGValue(c) - GetGValue(rgb), b = GetBValue(c) - GetBValue(rgb);
        return r * r + g * g + b * b;
    };
    return *std::min_element(kStaticPalette.begin(), kStaticPalette.end(),
                             [&](TColor a, TColor b) { return distance(a) < distance(b); });
}

void TFlatLook::SetGlobalColors()
{
    const bool tc = trueColor_;
    TFlatLookColors& c = colors_;
    if (useSystemColors_) {
        c.Menu = tc ? LightenColor(clBtnFace, 86) : clWhite;
        c.IconColumn = tc ? LightenColor(clBtnFace, 16) : ColorToRGB(clBtnFace);
        c.Select = tc ? LightenColor(clHighlight, 68) : clWhite;
        c.SelectBorder = ColorToRGB(clHighlight);
        c.SelectFont = ColorToRGB(fontColor_);
        c.CheckArea = tc ? LightenColor(clHighlight, 80) : clWhite;
        c.CheckAreaSelected = tc ? LightenColor(clHighlight, 50) : clWhite;
        c.Checked = ColorToRGB(clHighlight);
        c.MenuBar = ColorToRGB(clBtnFace);
        c.Disabled = tc ? LightenColor(clBtnShadow, 10) : ColorToRGB(clBtnShadow);
        c.Separator = tc ? LightenColor(clBtnShadow, 25) : ColorToRGB(clBtnShadow);
    } else {
        auto dimmed = [&](int level) { return useDimColor_ ? LightenColor(selectColor_, level) : ColorToRGB(selectColor_); };
        c.Menu = ColorToRGB(color_);
        c.IconColumn = ColorToRGB(iconBackColor_);
        c.Select = tc ? dimmed(68) : ColorToRGB(selectColor_);
        c.SelectBorder = ColorToRGB(selectBorderColor_);
        c.SelectFont = ColorToRGB(selectFontColor_);
        c.CheckArea = tc ? dimmed(80) : clWhite;
        c.CheckAreaSelected = tc ? dimmed(50) : clSilver;
        c.Checked = ColorToRGB(checkedColor_);
        c.MenuBar = ColorToRGB(menuBarColor_);
        c.Disabled = ColorToRGB(disabledColor_);
        c.Separator = ColorToRGB(separatorColor_);
    }
    c.PopupBorder = tc ? DarkenColor(clBtnFace, 90) : ColorToRGB(clBtnShadow);
    c.PopupShadow = tc ? DarkenColor(clBtnFace, 76) : ColorToRGB(clBtnShadow);
    c.ParentLevel = 16;
    c.ParentHotLevel = 40;
}

// --- hooking -----------------------------------------------------------------------------------

void TFlatLook::HookComponents(QObject* owner, bool hook, bool repaint)
{
    for (QObject* component : OwnedBy(owner)) HookComponent(component, hook, repaint);
}

void TFlatLook::HookComponent(QObject* component, bool hook, bool repaint)
{
    if (auto* mainMenu = qobject_cast<TMainMenu*>(component)) {
        if (flatControls_.Contains(xcMainMenu) && mainMenu->Tag() != kKeepStandardLook) HookMenu(mainMenu->Items(), hook);
        return;
    }
    if (auto* popup = qobject_cast<TPopupMenu*>(component)) {
        if (flatControls_.Contains(xcPopupMenu)) {
            HookMenu(popup->Items(), hook);
            if (hook && flatMenu_) {
                popup->Menu()->installEventFilter(this);
                borderedMenus_.emplace_back(popup->Menu());
            }
        }
        return;
    }
    if (auto* toolBar = qobject_cast<TToolBar*>(component)) {
        if (flatControls_.Contains(xcToolbar)) HookToolBar(toolBar, hook, repaint);
        return;
    }
    if (auto* controlBar = qobject_cast<TControlBar*>(component)) {
        if (flatControls_.Contains(xcControlbar)) HookControlBar(controlBar, hook, repaint);
        return;
    }
    if (auto* control = qobject_cast<QWidget*>(component)) HookControl(control, hook, repaint);
}

bool TFlatLook::HooksBar(const QWidget* bar) const
{
    return std::any_of(hookedBars_.begin(), hookedBars_.end(), [bar](const auto& p) { return p == bar; });
}

void TFlatLook::HookToolBar(TToolBar* bar, bool hook, bool repaint)
{
    bar->SetFlat(true);
    if (hook && !HooksBar(bar) && (!bar->OnCustomDrawButton || overrideOwnerDraw_)) {
        bar->OnCustomDrawButton = [this](TToolBar* sender, TToolButton* button, QPainter& canvas,
                                         TCustomDrawState state, bool& defaultDraw) {
            ToolBarDrawButton(sender, button, canvas, state, defaultDraw);
        };
        hookedBars_.emplace_back(bar);
    } else if (!hook && HooksBar(bar)) {
        bar->OnCustomDrawButton = nullptr;
        std::erase_if(hookedBars_, [bar](const auto& p) { return p == bar || !p; });
    }
    if (repaint) {
        bar->update();
        for (int i = 0; i < bar->ButtonCount(); ++i) bar->Buttons(i)->update();
    }
}

void TFlatLook::HookControlBar(TControlBar* bar, bool hook, bool repaint)
{
    if (hook && !HooksBar(bar) && (!bar->OnBandPaint || overrideOwnerDraw_)) {
        bar->OnBandPaint = [this](TControlBar* sender, QWidget* control, QPainter& canvas, const QRect& rect,
                                  TBandPaintOptions& options) { ControlBarPaintBand(sender, control, canvas, rect, options); };
        hookedBars_.emplace_back(bar);
    } else if (!hook && HooksBar(bar)) {
        bar->OnBandPaint = nullptr;
        std::erase_if(hookedBars_, [bar](const auto& p) { return p == bar || !p; });
    }
    if (repaint) bar->update();
}

void TFlatLook::HookControl(QWidget* control, bool hook, bool repaint)
{
    const std::optional<TFlatControl> kind = FlatControlKind(control);
    if (!kind || !flatControls_.Contains(*kind)) return;
    QWidget* container = FlatContainerOf(control);
    const std::optional<TFlatContainer> containerKind = FlatContainerKind(container);
    if (!containerKind || !flatContainers_.Contains(*containerKind)) return;
    if (hook && TagOf(control) != kKeepStandardLook && TagOf(container) != kKeepStandardLook && !HookOf(control))
        new TControlSubClass(this, control);
    if (repaint) control->update();
}

TControlSubClass* TFlatLook::HookOf(const QWidget* control) const
{
    for (TControlSubClass* hook : findChildren<TControlSubClass*>(Qt::FindDirectChildrenOnly))
        if (hook->Control() == control) return hook;
    return nullptr;
}

void TFlatLook::HookMenu(TMenuItem* root, bool hook)
{
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        HookItem(item, hook);
        if (item->Count() > 0 && hook && flatMenu_) {
            item->SubMenu()->installEventFilter(this);
            borderedMenus_.emplace_back(item->SubMenu());
        }
        HookMenu(item, hook);
    }
}

bool TFlatLook::HooksItem(const TMenuItem* item) const
{
    return std::any_of(hookedItems_.begin(), hookedItems_.end(), [item](const auto& p) { return p == item; });
}

void TFlatLook::HookItem(TMenuItem* item, bool hook)
{
    if (!hook) {
        if (!HooksItem(item)) return;
        item->OnDrawItem = nullptr;
        item->OnMeasureItem = nullptr;
        std::erase_if(hookedItems_, [item](const auto& p) { return p == item || !p; });
        return;
    }
    if (item->Tag() == kKeepStandardLook || HooksItem(item)) return;
    if (item->OnDrawItem && !overrideOwnerDraw_) return;
    item->OnDrawItem = [this](QObject* sender, QPainter& canvas, const QRect& rect, bool selected) {
        MenuDrawItem(sender, canvas, rect, selected);
    };
    if (!item->OnMeasureItem || overrideOwnerDraw_)
        item->OnMeasureItem = [this](QObject* sender, int& width, int& height) { MenuMeasureItem(sender, width, height); };
    hookedItems_.emplace_back(item);
    // The menu lays its items out again with the new sizes.
    QAction* action = item->Action();
    const QString iconText = action->iconText();
    action->setIconText(iconText + QLatin1Char(' '));
    action->setIconText(iconText);
}

void TFlatLook::HookMenuItems(TMenuItem* item)
{
    TMenuItem* parent = item->Parent();
    if (!parent) return;
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* node) {
        for (int i = 0; i < node->Count(); ++i) {
            TMenuItem* child = node->Items(i);
            if (child->Tag() != kKeepStandardLook && !HooksItem(child)) HookItem(child, true);
            walk(child);
        }
    };
    walk(parent);
}

void TFlatLook::WatchLateChild(QObject* child)
{
    // Still being made: what it is shows only once it is whole, at the latest when it opens.
    if (!child->isWidgetType()) child->installEventFilter(this);
}

bool TFlatLook::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && watched == form_) {
        if (active_ && autoDetect_) WatchLateChild(static_cast<QChildEvent*>(event)->child());
        return false;
    }
    if (event->type() == MenuShowingEvent()) {
        if (auto* late = qobject_cast<TMenu*>(watched)) {
            late->removeEventFilter(this);
            if (active_ && autoDetect_) {
                HookComponent(late, true, true);
                if (late == form_->Menu()) RedrawMenuBar();
            }
        }
        return false;
    }
    auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu || event->type() != QEvent::Paint || paintingBorder_ || !active_ || !flatMenu_) return false;
    paintingBorder_ = true;
    QCoreApplication::sendEvent(menu, event);
    paintingBorder_ = false;
    SetGlobalColors();
    QPainter canvas(menu);
    DrawWindowBorder(canvas, menu->width(), menu->height());
    return true;
}

// --- menu items --------------------------------------------------------------------------------

bool TFlatLook::IsBarItem(const TMenuItem* item) const
{
    return qobject_cast<TMainMenu*>(item->GetParentMenu()) && item->Parent() && !item->Parent()->Parent();
}

void TFlatLook::MenuMeasureItem(QObject* sender, int& width, int& height)
{
    auto* item = qobject_cast<TMenuItem*>(sender);
    if (!active_ || !item) return;
    const QFontMetrics metrics(font_);
    QString text = item->IsLine() ? QString() : item->Caption();
    const QString shortCut = ShortCutToText(item->ShortCut()).trimmed();
    if (!shortCut.isEmpty()) text = item->Caption() + QStringLiteral("WWW") + shortCut;
    int w = metrics.horizontalAdvance(text) + 5;
    if (text.contains(QLatin1Char('&'))) w -= metrics.horizontalAdvance(QLatin1Char('&'));
    const bool barItem = IsBarItem(item);
    if (!barItem) w += iconWidth_;
    else w += 8;
    width = std::max(width, w);
    if (item->IsLine()) {
        height = std::max(height, 4);
        return;
    }
    const int textHeight = metrics.height();
    const int h = std::max(textHeight + int(std::lround(textHeight * 0.75)), 6);
    height = std::max(height, h);
}

void TFlatLook::MenuDrawItem(QObject* sender, QPainter& canvas, const QRect& rect, bool selected)
{
    if (auto* item = qobject_cast<TMenuItem*>(sender); item && active_) DrawMenuItem(item, canvas, rect, selected);
}

void TFlatLook::DrawMenuItem(TMenuItem* item, QPainter& canvas, QRect rect, bool selected)
{
    SetGlobalColors();
    const bool separator = item->IsLine();
    const bool barItem = IsBarItem(item);
    canvas.save();
    canvas.setFont(font_);
    TFlatRect r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height() + 1};
    const QString text = QStringLiteral(" ") + item->Caption();
    const QImage image;  // menus carry no pictures

    const TFlatRect iconColumn{r.Left, r.Top, r.Left + iconWidth_, r.Bottom};
    TFlatRect checkBox{iconColumn.Left + (iconColumn.Width() - 10) / 2, iconColumn.Top + (iconColumn.Height() - 10) / 2,
                       0, 0};
    checkBox.Right = checkBox.Left + 10;
    checkBox.Bottom = checkBox.Top + 10;
    if (barItem) checkBox.Offset(0, -1);
    TFlatRect textRect = barItem ? r : TFlatRect{r.Left + iconWidth_, r.Top, r.Right, r.Bottom};

    if (barItem)
        Fill(canvas, r, colors_.MenuBar);
    else if (trueColor_ && gradient_)
        DrawGradient(canvas, {r.Left, r.Top, r.Right + 2, r.Bottom});
    else {
        Fill(canvas, r, colors_.Menu);
        Fill(canvas, iconColumn, colors_.IconColumn);
    }

    const bool enabled = item->Enabled();
    if (selected && drawSelect_) {
        if (barItem)
            DrawTopMenuItem(canvas, menuBarColor_, r);
        else if (enabled) {
            const TFlatRect selection{r.Left, r.Top + 1, r.Right - (flatMenu_ ? 1 : 0), r.Bottom - 1};
            Fill(canvas, selection, colors_.Select);
            Frame(canvas, selection, colors_.SelectBorder);
        }
    }

    if (item->Checked()) DrawCheckedItem(item, canvas, selected, checkBox, !image.isNull(), enabled);
    DrawIcon(canvas, false, barItem, item->Checked(), enabled, false, selected, iconColumn, image);
    if (separator) {
        const int y = r.Top + int(std::nearbyint(r.Height() / 2.0));
        Fill(canvas, {textRect.Left + 7, y, textRect.Right, y + 1}, colors_.Separator);
    } else {
        const QFontMetrics metrics(font_);
        TFlatRect place = textRect;
        if (!barItem) place.Left += 3;
        place.Top += (place.Height() - metrics.height()) / 2;
        place.Bottom = place.Top + metrics.height();
        const TColor background = selected && enabled && drawSelect_ ? colors_.Select : barItem ? colors_.MenuBar : colors_.Menu;
        DrawItemText(canvas, barItem ? item->Caption() : text, barItem ? DT_CENTER : DT_LEFT, font_, barItem, false,
                     enabled, selected, place, barItem ? QString() : ShortCutToText(item->ShortCut()), background);
    }
    canvas.restore();
    HookMenuItems(item);
}

void TFlatLook::DrawCheckedItem(TMenuItem* item, QPainter& canvas, bool selected, const TFlatRect& box, bool hasImage,
                                bool enabled)
{
    const TColor fill = selected ? colors_.CheckAreaSelected : colors_.CheckArea;
    if (item->RadioItem()) {
        Shape(canvas, box, enabled ? colors_.SelectBorder : colors_.Disabled, fill, !hasImage, hasImage ? 6 : 0);
        return;
    }
    if (hasImage) {
        Shape(canvas, box, enabled ? colors_.SelectBorder : colors_.Disabled, fill, false);
        return;
    }
    Shape(canvas, box, enabled ? colors_.Checked : colors_.Disabled,
          enabled ? std::optional<TColor>(fill) : std::nullopt, false);
    const TColor tick = enabled ? clBlack : colors_.Disabled;
    const int L = box.Left, T = box.Top, R = box.Right, B = box.Bottom;
    Line(canvas, L + 1, T + 5, L + 4, B - 2, tick);
    Line(canvas, L + 2, T + 5, L + 4, B - 3, tick);
    Line(canvas, L + 2, T + 4, L + 5, B - 3, tick);
    Line(canvas, L + 4, B - 3, R + 2, T - 1, tick);
    Line(canvas, L + 4, B - 2, R - 2, T + 3, tick);
}

void TFlatLook::DrawIcon(QPainter& canvas, bool toolButton, bool barItem, bool checked, bool enabled, bool pressed,
                         bool selected, const TFlatRect& rect, const QImage& source)
{
    if (source.isNull() || source.width() == 0) return;
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    int y = rect.Top + 3;
    int x = image.width() < iconWidth_ ? rect.Left + (iconWidth_ - image.width()) / 2 - 1 : rect.Left + 2;
    if (toolButton) {
        x = rect.Left;
        y = rect.Top + 1;
    }
    if (barItem) x = rect.Left + 1;
    if (selected && enabled && !checked && !barItem && !pressed) {
        --x;
        --y;
    }
    auto eachPixel = [&image](auto change) {
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px)
                image.setPixel(px, py, FlatToQRgb(change(FlatFromQRgb(image.pixel(px, py)))));
    };
    const TColor key = FlatFromQRgb(image.pixel(0, image.height() - 1));
    if (!selected && enabled && !checked && trueColor_) eachPixel([&](TColor c) { return LightenColor(c, dimLevel_); });
    if (!enabled) eachPixel([&](TColor c) { return LightenColor(GrayColor(c, grayLevel_), 40); });
    if (selected && enabled && !checked) {
        const TColor select = toolButton && trueColor_ && !useSystemColors_ ? LightenColor(selectColor_, 68) : colors_.Select;
        const TColor shadow = DarkenColor(select, 50);
        for (int py = 0; py < source.height(); ++py)
            for (int px = 0; px < source.width(); ++px)
                if (FlatFromQRgb(source.pixel(px, py)) != FlatFromQRgb(source.pixel(0, source.height() - 1)))
                    Pixel(canvas, x + 2 + px, y + 2 + py, shadow);
    }
    const TColor newKey = FlatFromQRgb(image.pixel(0, image.height() - 1));
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            if (FlatFromQRgb(image.pixel(px, py)) != newKey || key != FlatFromQRgb(source.pixel(px, py)))
                Pixel(canvas, x + px, y + py, FlatFromQRgb(image.pixel(px, py)));
}

void TFlatLook::DrawItemText(QPainter& canvas, const QString& text, unsigned flags, const QFont& font, bool barItem,
                             bool isDefault, bool enabled, bool selected, const TFlatRect& rect, const QString& shortCut,
                             TColor background)
{
    canvas.save();
    canvas.setFont(font);
    TColor c = selected ? colors_.SelectFont : ColorToRGB(fontColor_);
    if (!enabled) c = colors_.Disabled;
    if (selected && barItem && useSystemColors_) c = GetContrastTextColor(colors_.IconColumn);
    const int align = QtAlignment(flags);
    auto draw = [&](const TFlatRect& r, TColor color, const QString& t, int a) {
        canvas.setPen(Q(color));
        canvas.drawText(QRect(r.Left, r.Top, r.Width(), r.Height()), a, t);
    };
    if (isDefault && enabled) {
        const TFlatRect& r = rect;
        draw({r.Left + 1, r.Top, r.Right, r.Bottom}, DarkenColor(background, 30), text, align);
        draw({r.Left + 1, r.Top + 2, r.Right + 1, r.Bottom}, DarkenColor(background, 30), text, align);
        draw({r.Left, r.Top + 1, r.Right, r.Bottom}, DarkenColor(background, 40), text, align);
        draw({r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom}, DarkenColor(background, 60), text, align);
    }
    draw(rect, c, text, align);
    if (!shortCut.isEmpty()) {
        const TColor shortCutColor = trueColor_ ? DarkenColor(c, -40) : c;
        draw({rect.Left, rect.Top, rect.Right - 10, rect.Bottom}, shortCutColor, shortCut + QStringLiteral(" "),
             (align & ~Qt::AlignLeft & ~Qt::AlignHCenter) | Qt::AlignRight);
    }
    canvas.restore();
}

void TFlatLook::DrawTopMenuItem(QPainter& canvas, TColor barColor, const TFlatRect& r)
{
    barColor = ColorToRGB(barColor);
    if (!trueColor_) {
        Fill(canvas, {r.Left, r.Top, r.Right - 3, r.Bottom}, colors_.Select);
        const TColor brush = DarkenColor(barColor, 70);
        Polyline(canvas, {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right - 3, r.Top}, {r.Right - 3, r.Bottom}},
                 colors_.SelectBorder);
        Fill(canvas, {r.Right - 2, r.Top + 2, r.Right, r.Bottom}, brush);
        Fill(canvas, {r.Right - 2, r.Top, r.Right, r.Top + 2}, barColor);
        return;
    }
    const int R = r.Right, T = r.Top, B = r.Bottom;
    Fill(canvas, {r.Left, T, R - 8, B}, colors_.Select);
    Polyline(canvas, {{r.Left, B}, {r.Left, T}, {R - 8, T}, {R - 8, B}}, colors_.SelectBorder);
    Fill(canvas, {R - 7, T, R, B}, DarkenColor(barColor, 10));
    Fill(canvas, {R - 7, T + 3, R - 2, B}, DarkenColor(barColor, 30));
    Fill(canvas, {R - 7, T + 5, R - 3, B}, DarkenColor(barColor, 60));
    Fill(canvas, {R - 7, T + 6, R - 5, B}, DarkenColor(barColor, 100));
    Polyline(canvas, {{R - 5, T + 1}, {R - 1, T + 1}, {R - 1, T + 6}}, barColor);
    Polyline(canvas, {{R - 3, T + 2}, {R - 2, T + 2}, {R - 2, T + 3}, {R - 3, T + 3}}, barColor);
    Polyline(canvas, {{R - 6, T + 3}, {R - 3, T + 3}, {R - 3, T + 6}, {R - 4, T + 6}, {R - 4, T + 3}},
             DarkenColor(barColor, 10));
    Polyline(canvas, {{R - 5, T + 5}, {R - 4, T + 5}, {R - 4, T + 9}}, DarkenColor(barColor, 30));
    Polyline(canvas, {{R - 6, T + 5}, {R - 6, T + 7}}, DarkenColor(barColor, 40));
}

void TFlatLook::DrawGradient(QPainter& canvas, const TFlatRect& r)
{
    int level = 0;
    for (int x = r.Left; x <= r.Right; ++x) {
        Fill(canvas, {x, r.Top, x + 1, r.Bottom}, LightenColor(colors_.IconColumn, level));
        level = std::min(96, level + (x > r.Left && x < r.Left + iconWidth_ + 5 ? 3 : 1));
    }
}

void TFlatLook::DrawWindowBorder(QPainter& canvas, int width, int height)
{
    const int L = 0, T = 0, R = width, B = height;
    Frame(canvas, {L, T, R - 2, B - 2}, colors_.PopupBorder);
    if (gradient_ && trueColor_)
        DrawGradient(canvas, {L + 1, T + 1, R - 5, T + 3});
    else {
        Fill(canvas, {L + 1, T + 1, R - 3, T + 3}, colors_.Menu);
        Line(canvas, L + 1, T + 2, L + iconWidth_ + 3, T + 2, colors_.IconColumn);
    }
    Fill(canvas, {L + 1, T + 2, L + 3, B - 3}, colors_.IconColumn);
    Fill(canvas, {L + 2, B - 2, R, B}, colors_.PopupShadow);
    Fill(canvas, {R - 2, T + 2, R, B}, colors_.PopupShadow);
    Fill(canvas, {L, B - 2, L + 2, B}, clBtnFace);
    Fill(canvas, {R - 2, T, R, T + 2}, clBtnFace);
}

// --- tool bars and control bars -----------------------------------------------------------------

void TFlatLook::DrawArrow(QPainter& canvas, int x, int y, TColor color)
{
    Fill(canvas, {x, y, x + 5, y + 1}, color);
    Fill(canvas, {x + 1, y + 1, x + 4, y + 2}, color);
    Fill(canvas, {x + 2, y + 2, x + 3, y + 3}, color);
}

void TFlatLook::ToolBarDrawButton(TToolBar* bar, TToolButton* button, QPainter& canvas, TCustomDrawState state,
                                  bool& defaultDraw)
{
    defaultDraw = false;
    SetGlobalColors();
    const TColor barColor = BackgroundOf(bar);
    const TColor hotColor = trueColor_ && !useSystemColors_ ? LightenColor(selectColor_, 68) : colors_.Select;
    const TColor face = trueColor_ ? LightenColor(barColor, 16) : barColor;
    TFlatRect r{0, 0, button->width(), button->height()};
    if (button->Style() == tbsSeparator || button->Style() == tbsDivider) {
        DrawToolSeparator(button, canvas, face, barColor);
        return;
    }
    Fill(canvas, r, face);
    const bool hot = state & cdsHot;
    const bool hasMenu = button->menu() != nullptr;
    std::optional<TColor> brush;
    bool framed = false;
    if (hot) {
        brush = (state & (cdsChecked | cdsSelected)) || button->Down() ? colors_.CheckAreaSelected : hotColor;
        framed = true;
    } else if (state & cdsChecked) {
        brush = colors_.CheckArea;
        framed = true;
    } else if (state & cdsIndeterminate) {
        brush = hotColor;
    } else if (hasMenu && state == 0) {
        brush = barColor;
    }
    r.Top += 1;
    if (brush) Fill(canvas, r, *brush);
    const bool dropDown = button->Style() == tbsDropDown;
    if (framed) {
        if (dropDown) {
            // The arrow's part is framed on its own, 13 pixels from the right.
            Frame(canvas, {r.Left, r.Top + 1, r.Right - 12, r.Bottom - 1}, colors_.SelectBorder);
            Frame(canvas, {r.Right - 13, r.Top + 1, r.Right - 1, r.Bottom - 1}, colors_.SelectBorder);
        } else {
            Frame(canvas, {r.Left, r.Top + 1, r.Right - 1, r.Bottom - 1}, colors_.SelectBorder);
        }
    }
    if ((state & cdsSelected) && hasMenu) DrawTopMenuItem(canvas, barColor, r);
    if (dropDown) DrawArrow(canvas, r.Right - 10, r.Top + (r.Height() - 3) / 2 + 1);
    DrawToolButtonPicture(bar, button, canvas, r, state, brush.value_or(face));
}

void TFlatLook::DrawToolButtonPicture(TToolBar* bar, TToolButton* button, QPainter& canvas, const TFlatRect& rect,
                                      TCustomDrawState state, TColor brush)
{
    const bool hot = state & cdsHot;
    const bool enabled = !(state & cdsDisabled);
    TFlatRect r = rect;
    if (button->Style() == tbsDropDown) r.Right -= 12;
    const TImageList* images = bar->Images();
    const int index = button->ImageIndex();
    const bool hasImage = images && index >= 0 && index < images->Count();
    if (hasImage) {
        // The picture is laid on the button's face, which its transparent pixels show.
        QImage picture(images->Width(), images->Height(), QImage::Format_RGB32);
        picture.fill(Q(brush));
        {
            QPainter onFace(&picture);
            images->Draw(onFace, 0, 0, index, true);
        }
        TFlatRect place = r;
        place.Left = int(std::lround((r.Width() - picture.width()) / 2.0 + r.Left));
        place.Top += 2;
        place.Bottom = place.Top + picture.height() + 6;
        DrawIcon(canvas, true, false, state & cdsChecked, enabled, state & cdsSelected, hot, place, picture);
    }
    const QString caption = StripAccel(button->Caption());
    if (caption.isEmpty() || (hasImage && !bar->ShowCaptions())) return;
    TFlatRect text = r;
    if (hasImage) text.Top = text.Bottom - QFontMetrics(font_).height() - 6;
    if (button->Down() && !enabled) text = Shrunk(text, 1, 1);
    DrawItemText(canvas, caption, DT_CENTER, font_, false, false, enabled, hot, text, QString(), brush);
}

void TFlatLook::DrawToolSeparator(TToolButton* separator, QPainter& canvas, TColor face, TColor barColor)
{
    const TFlatRect r{0, 0, separator->width(), separator->height()};
    Fill(canvas, r, face);
    if (separator->Tag() <= 0) return;
    const int middle = r.Left + r.Width() / 2;
    Fill(canvas, {middle, r.Top + 2, middle + 1, r.Bottom - 1}, DarkenColor(barColor, 30));
}

void TFlatLook::ControlBarPaintBand(TControlBar* bar, QWidget*, QPainter& canvas, const QRect& rect,
                                    TBandPaintOptions& options)
{
    SetGlobalColors();
    options = 0;
    const TColor barColor = BackgroundOf(bar);
    const TFlatRect r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    Fill(canvas, r, trueColor_ ? LightenColor(barColor, 6) : barColor);
    int darkness = 30;
    for (int y = r.Top + 5; y <= r.Bottom - 5; ++y) {
        if (y % 2 != 0) continue;
        Line(canvas, r.Left + 3, y, r.Left + 6, y, DarkenColor(barColor, darkness));
        darkness += 7;
    }
}

// --- the hook on a control ---------------------------------------------------------------------

TControlSubClass::TControlSubClass(TFlatLook* flatLook, QWidget* control)
    : TComponent(flatLook), control_(control), flatLook_(flatLook)
{
    control->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::toggled, this, [this] {
            hot_ = false;
            Changed();
        });
    }
    connect(control, &QObject::destroyed, this, [this] { delete this; });
    // Done here, not by the painters: switching the frame from a paint would ask for another.
    if (qobject_cast<QComboBox*>(control) || qobject_cast<TEdit*>(control) || qobject_cast<TMemo*>(control) ||
        qobject_cast<TListBox*>(control))
        TurnFrameOff();
}

TControlSubClass::~TControlSubClass()
{
    Destroying();
    if (control_) control_->removeEventFilter(this);
}

void TControlSubClass::Changed()
{
    if (control_) control_->update();
}

void TControlSubClass::Detach()
{
    if (control_) {
        control_->removeEventFilter(this);
        if (frameSaved_) {
            if (auto* edit = qobject_cast<QLineEdit*>(control_.data())) edit->setFrame(oldFrame_);
            if (auto* combo = qobject_cast<QComboBox*>(control_.data())) combo->setFrame(oldFrame_);
            if (auto* frame = qobject_cast<QFrame*>(control_.data())) {
                frame->setFrameStyle(oldFrameStyle_);
                frame->setLineWidth(oldLineWidth_);
            }
        }
        control_->update();
    }
    control_ = nullptr;
    delete this;
}

bool TControlSubClass::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != control_ || painting_) return false;
    if (!flatLook_->Active()) {
        Detach();
        return false;
    }
    lastEvent_ = event->type();
    switch (event->type()) {
    case QEvent::Paint: {
        recreating_ = false;
        painting_ = true;
        QCoreApplication::sendEvent(control_, event);
        painting_ = false;
        QPainter canvas(control_);
        ControlPaint(canvas);
        return true;
    }
    case QEvent::FocusIn:
        hot_ = true;
        Changed();
        break;
    case QEvent::FocusOut:
        hot_ = false;
        Changed();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        recreating_ = true;
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            spaceDown_ = true;
            if (!spacePainted_) {
                ++spacePaints_;
                Changed();
            }
            spacePainted_ = true;
        }
        break;
    case QEvent::KeyRelease:
        if (const auto* key = static_cast<QKeyEvent*>(event); key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
            spaceDown_ = spacePainted_ = false;
            Changed();
        }
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            mouseDown_ = true;
            Changed();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            mouseDown_ = false;
            Changed();
        }
        break;
    case QEvent::MouseButtonDblClick:
        // A double click on a button or check box is a second press.
        if (qobject_cast<TButton*>(control_) || qobject_cast<TCheckBox*>(control_)) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            QMouseEvent press(QEvent::MouseButtonPress, mouse->position(), mouse->scenePosition(),
                              mouse->globalPosition(), mouse->button(), mouse->buttons(), mouse->modifiers());
            QCoreApplication::sendEvent(control_, &press);
            return true;
        }
        break;
    case QEvent::PaletteChange:
    case QEvent::FontChange:
        Changed();
        break;
    case QEvent::EnabledChange:
        if (!control_->isEnabled()) {
            hot_ = false;
            Changed();
        }
        break;
    case QEvent::Enter:
    case QEvent::Leave:
        if (control_->isEnabled()) {
            hot_ = event->type() == QEvent::Enter;
            Changed();
        }
        break;
    default:
        break;
    }
    return false;
}

TColor TControlSubClass::ParentColor() const { return BackgroundOf(control_->parentWidget()); }

TColor TControlSubClass::ControlColor() const { return BackgroundOf(control_); }

void TControlSubClass::TurnFrameOff()
{
    if (frameSaved_) return;
    recreating_ = true;
    frameSaved_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control_.data())) {
        oldFrame_ = edit->hasFrame();
        edit->setFrame(false);
    } else if (auto* combo = qobject_cast<QComboBox*>(control_.data())) {
        oldFrame_ = combo->hasFrame();
        combo->setFrame(false);
    } else if (auto* frame = qobject_cast<QFrame*>(control_.data())) {
        oldFrameStyle_ = frame->frameStyle();
        oldLineWidth_ = frame->lineWidth();
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
    }
}

void TControlSubClass::ControlPaint(QPainter& canvas)
{
    if (!control_) return;
    focused_ = control_->hasFocus();
    flatLook_->SetGlobalColors();
    QWidget* c = control_;
    if (ClassIs(c, "TDBLookupComboBox"))
        PaintCombo(canvas, true);
    else if (qobject_cast<QComboBox*>(c))
        PaintCombo(canvas, false);
    if (qobject_cast<TEdit*>(c) || qobject_cast<TMemo*>(c) || qobject_cast<TListBox*>(c)) PaintBorder(canvas);
    if (qobject_cast<TCheckBox*>(c)) PaintCheckBox(canvas);
    if (qobject_cast<TRadioButton*>(c)) PaintRadioButton(canvas);
    if (qobject_cast<TButton*>(c)) PaintButton(canvas);
    if (qobject_cast<TPanel*>(c) && lastEvent_ == QEvent::Paint) PaintPanel(canvas);
    if (qobject_cast<TGroupBox*>(c) && lastEvent_ == QEvent::Paint) PaintGroupBox(canvas);
}

void TControlSubClass::PaintCombo(QPainter& canvas, bool lookup)
{
    const TFlatLookColors& colors = flatLook_->Colors();
    auto* combo = static_cast<QComboBox*>(control_.data());
    const TColor parent = ParentColor();
    const TColor color = ControlColor();
    const bool enabled = combo->isEnabled();
    TColor arrow = enabled ? clBlack : clWhite;
    TColor v, a;
    if (hot_) {
        v = flatLook_->LightenColor(colors.SelectBorder, 60);
        a = colors.Select;
    } else {
        v = TFlatLook::DarkenColor(parent, 60);
        a = !lookup && TagOf(combo) == kParentFace ? flatLook_->LightenColor(parent, colors.ParentLevel)
                                                    : ColorToRGB(clBtnFace);
        if (focused_) {
            v = flatLook_->LightenColor(colors.SelectBorder, 60);
            a = colors.CheckArea;
        }
    }
    const TFlatRect client{0, 0, combo->width(), combo->height()};
    TFlatRect r = client;
    if (lookup)
        Frame(canvas, r, color);
    else {
        Frame(canvas, r, parent);
        r = Shrunk(r, 1, 1);
        Fill(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, parent);
        r = Shrunk(r, 0, 1);
        if (hot_ || focused_) r = Shrunk(r, -1, -1);
        Frame(canvas, r, color);
        r.Bottom += 1;
        Frame(canvas, r, v);
    }
    if (combo->view() && combo->view()->isVisible()) {
        v = colors.SelectBorder;
        arrow = clWhite;
        a = colors.CheckAreaSelected;
    }
    r = Shrunk(r, 1, 1);
    TFlatRect button{r.Right - (kThumb + 1), r.Top, r.Right, r.Bottom};
    if (hot_ || focused_) button.Left -= 1;
    Fill(canvas, button, a);
    if (lookup)
        Frame(canvas, button, v);
    else {
        Fill(canvas, {button.Left - 5, button.Top, button.Left, button.Bottom}, color);
        Fill(canvas, {button.Left - 1, button.Top, button.Left, button.Bottom}, v);
    }
    TFlatLook::DrawArrow(canvas, client.Right - 10, client.Top + (lookup ? 8 : 10), arrow);
}

void TControlSubClass::PaintBorder(QPainter& canvas)
{
    const TFlatLookColors& colors = flatLook_->Colors();
    const bool singleBorder = !qobject_cast<TListBox*>(control_.data());
    TColor color;
    if (hot_ || focused_)
        color = flatLook_->LightenColor(colors.SelectBorder, singleBorder ? 60 : 80);
    else
        color = singleBorder ? TFlatLook::DarkenColor(ParentColor(), 60) : ParentColor();
    Frame(canvas, {0, 0, control_->width(), control_->height()}, color);
}

void TControlSubClass::PaintCheckBox(QPainter& canvas)
{
    const TFlatLookColors& colors = flatLook_->Colors();
    auto* box = static_cast<TCheckBox*>(control_.data());
    TColor a = clWhite;
    TColor v = ColorToRGB(clBtnShadow);
    if (hot_ || focused_) {
        a = colors.Select;
        v = colors.SelectBorder;
    }
    if (spaceDown_ || mouseDown_) a = colors.CheckAreaSelected;
    const TFlatRect r = Shrunk({0, 0, box->width(), box->height()}, 0, 3);
    const int top = r.Top + (r.Height() - kThumb) / 2;
    TFlatRect square = box->Alignment() == taLeftJustify
                           ? TFlatRect{r.Right - kThumb + 1, top, r.Right, top + kThumb}
                           : TFlatRect{r.Left, top, r.Left + kThumb - 1, top + kThumb};
    Fill(canvas, square, ControlColor());
    square = Shrunk(square, 2, 2);
    const bool grayed = box->State() == cbGrayed;
    Shape(canvas, square, v, grayed ? clSilver : a, false);
    if (box->State() == cbUnchecked) return;
    TColor tick = ColorToRGB(clHighlight);
    if (!box->isEnabled()) tick = colors.Disabled;
    else if (box->isDown()) tick = ColorToRGB(clWindow);
    else if (grayed) tick = clGray;
    const int x = square.Left, y = square.Bottom;
    for (int i = 0; i <= 2; ++i)
        Polyline(canvas, {{x + 2, y - i - 5}, {x + 4, y - i - 3}, {x + 9, y - i - 8}}, tick);
}

void TControlSubClass::PaintRadioButton(QPainter& canvas)
{
    const TFlatLookColors& colors = flatLook_->Colors();
    auto* radio = static_cast<TRadioButton*>(control_.data());
    TColor a = ColorToRGB(clWindow);
    TColor v = ColorToRGB(clBtnShadow);
    if (hot_) {
        a = colors.Select;
        v = colors.SelectBorder;
    } else if (focused_)
        a = colors.Select;
    const TFlatRect r = Shrunk({0, 0, radio->width(), radio->height()}, 0, 4);
    const int size = kThumb - 1;
    const int top = r.Top + (r.Height() - size) / 2;
    TFlatRect circle{r.Left, top, r.Left + size, top + size};
    Fill(canvas, circle, ControlColor());
    circle = Shrunk(circle, 2, 2);
    Shape(canvas, circle, v, a, true);
    if (!radio->isChecked()) return;
    const TColor mark = radio->isEnabled() ? ColorToRGB(clHighlight) : colors.Disabled;
    Shape(canvas, Shrunk(circle, 2, 2), mark, mark, true);
}

void TControlSubClass::PaintButton(QPainter& canvas)
{
    const TFlatLookColors& colors = flatLook_->Colors();
    auto* button = static_cast<TButton*>(control_.data());
    const bool parentFace = TagOf(button) == kParentFace;
    TColor face, b;
    if (hot_) {
        face = parentFace ? flatLook_->LightenColor(ParentColor(), colors.ParentHotLevel) : RGBColor(0xF5, 0xF5, 0xF5);
        b = flatLook_->LightenColor(colors.SelectBorder, 60);
    } else {
        face = parentFace ? flatLook_->LightenColor(ParentColor(), colors.ParentLevel) : clWhite;
        b = focused_ ? flatLook_->LightenColor(colors.SelectBorder, 60) : ColorToRGB(clBtnShadow);
    }
    const TFlatRect r{0, 0, button->width(), button->height()};
    Fill(canvas, r, clWhite);
    Shape(canvas, r, flatLook_->LightenColor(b, 30), face, false, 4);
    if (button->isEnabled()) {
        const TColor edge = TFlatLook::DarkenColor(b, 50);
        if (spaceDown_ || (mouseDown_ && hot_))
            Polyline(canvas, {{r.Left, r.Bottom - 2}, {r.Left, r.Top + 1}, {r.Left + 1, r.Top}, {r.Right - 1, r.Top}},
                     edge);
        else
            Polyline(canvas,
                     {{r.Right - 1, r.Top + 1}, {r.Right - 1, r.Bottom - 2}, {r.Right - 2, r.Bottom - 1},
                      {r.Left, r.Bottom - 1}},
                     edge);
    }
    flatLook_->DrawItemText(canvas, button->Caption(), DT_CENTER, button->font(), false, button->Default(),
                            button->isEnabled(), false, r, QString(), face);
}

void TControlSubClass::PaintPanel(QPainter& canvas)
{
    auto* panel = static_cast<TPanel*>(control_.data());
    const TColor color = ControlColor();
    const TColor d = TFlatLook::DarkenColor(color, 60);
    const TColor l = flatLook_->LightenColor(color, 60);
    TFlatRect r{0, 0, panel->width(), panel->height()};
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvLowered) Frame3D(canvas, r, d, l, panel->BevelWidth());
        else if (cut == bvRaised || cut == bvSpace) Frame3D(canvas, r, l, d, panel->BevelWidth());
    };
    bevel(panel->BevelOuter());
    r = Shrunk(r, panel->BorderWidth(), panel->BorderWidth());
    bevel(panel->BevelInner());
}

void TControlSubClass::PaintGroupBox(QPainter& canvas)
{
    auto* group = static_cast<TGroupBox*>(control_.data());
    const QFontMetrics metrics(group->font());
    const QString caption = group->title().isEmpty() ? QStringLiteral(" ") : group->title();
    const int h = metrics.height();
    const int w = metrics.horizontalAdvance(StripAccel(caption));
    const TColor color = ControlColor();
    const TColor d = TFlatLook::DarkenColor(color, 60);
    const TColor l = flatLook_->LightenColor(color, 60);
    const TFlatRect r{0, 0, group->width(), group->height()};
    // The style's own frame and title go first; the children paint over the box afterwards.
    Fill(canvas, {r.Left, r.Top, r.Right, r.Bottom}, color);
    TFlatRect frame{r.Left, r.Top + h / 2 - 1, r.Right, r.Bottom};
    Frame3D(canvas, frame, l, d, 1);
    Fill(canvas, {r.Left, r.Top, r.Right, r.Top + h / 2 - 1}, ParentColor());
    const int left = r.Left + 9;
    const TFlatRect title{left, r.Top, left + w, r.Top + h};
    Fill(canvas, title, color);
    canvas.save();
    canvas.setFont(group->font());
    canvas.setPen(Q(clBtnText));
    canvas.drawText(QRect(title.Left, title.Top, title.Width(), title.Height()), QtAlignment(DT_LEFT), caption);
    canvas.restore();
    const int y = r.Top + h / 2 - 1;
    Fill(canvas, {r.Left, y, title.Left, y + 1}, l);
    Fill(canvas, {title.Right, y, r.Right - 1, y + 1}, l);
}
