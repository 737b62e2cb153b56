#include "platform/toolkit/gui/Shell.h"

#include "platform/toolkit/gui/UiHost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

int ShellOpen(const QString& target) { return UiHost().OpenDocument(target) ? SE_OPEN_OK : SE_ERR_FNF; }

QString TClipboard::AsText() const { return QGuiApplication::clipboard()->text(); }

void TClipboard::SetAsText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

bool TClipboard::HasText() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

void TClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}
