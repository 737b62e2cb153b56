#pragma once
// What the desktop gives: opening a document or link with its application, and the clipboard.
// Opening goes through the UI host, so a test sees what would have been opened.

#include <QString>

// The shell's answers to an "Open": above 32 when it worked, 2 when the file or link was not found.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_OPEN_OK = 33;
int ShellOpen(const QString& target);

// The system clipboard's text.
class TClipboard {
public:
    QString AsText() const;
    void SetAsText(const QString& text);
    bool HasText() const;
    void Clear();
};

TClipboard& Clipboard();
