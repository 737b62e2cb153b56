#pragma once
// Placing a window's controls: each made on its parent, named (the caption files and the tests
// find controls by name) and put at its place.

#include "platform/toolkit/gui/Menus.h"

#include <QString>
#include <QWidget>

template <class TControlClass>
TControlClass* Place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* control = new TControlClass(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

// The same with a caption.
template <class TControlClass>
TControlClass* Place(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                     int height)
{
    auto* control = Place<TControlClass>(parent, name, left, top, width, height);
    control->SetCaption(caption);
    return control;
}

// A menu item of `owner`'s, named and captioned, added last under `parent`.
inline TMenuItem* PlaceMenuItem(QObject* owner, TMenuItem* parent, const char* name, const QString& caption)
{
    auto* item = new TMenuItem(owner);
    item->setObjectName(QString::fromLatin1(name));
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}
