#include "platform/toolkit/gui/MaskEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

struct TMaskParts {
    QString mask;
    bool saveLiterals = true;
    QChar blank = QLatin1Char('_');
};

// "mask;1;_": the last two fields are the literal flag and the blank, when present.
TMaskParts SplitMask(const QString& editMask)
{
    TMaskParts parts;
    QStringList fields = editMask.split(QLatin1Char(';'));
    if (fields.size() >= 3) {
        const QString blank = fields.takeLast();
        if (!blank.isEmpty()) parts.blank = blank[0];
    }
    if (fields.size() >= 2) parts.saveLiterals = fields.takeLast().trimmed() != QLatin1String("0");
    parts.mask = fields.join(QLatin1Char(';'));
    return parts;
}

const QString kQtMeta = QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\");

QChar QtCode(QChar c)
{
    switch (c.unicode()) {
    case 'L':
        return QLatin1Char('A');
    case 'l':
        return QLatin1Char('a');
    case 'A':
        return QLatin1Char('N');
    case 'a':
        return QLatin1Char('n');
    case 'C':
        return QLatin1Char('X');
    case 'c':
        return QLatin1Char('x');
    case '0':
    case '9':
    case '#':
        return c;
    default:
        return QChar();
    }
}

}  // namespace

TMaskEdit::TMaskEdit(QWidget* parent) : TEdit(parent) {}

QString TMaskEdit::QtInputMask(const QString& editMask)
{
    const TMaskParts parts = SplitMask(editMask);
    QString out;
    for (qsizetype i = 0; i < parts.mask.size(); ++i) {
        const QChar c = parts.mask[i];
        if (c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('>') || c == QLatin1Char('<')) {
            out += c;
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < parts.mask.size()) {
            out += QLatin1Char('\\');
            out += parts.mask[++i];
            continue;
        }
        const QChar code = QtCode(c);
        if (!code.isNull()) {
            out += code;
        } else {
            if (kQtMeta.contains(c)) out += QLatin1Char('\\');
            out += c;
        }
    }
    if (out.isEmpty()) return {};
    return out + QLatin1Char(';') + parts.blank;
}

void TMaskEdit::Parse()
{
    const TMaskParts parts = SplitMask(editMask_);
    blank_ = parts.blank;
    saveLiterals_ = parts.saveLiterals;
    leadingBlanks_ = parts.mask.contains(QLatin1Char('!'));
    positions_.clear();
    for (qsizetype i = 0; i < parts.mask.size(); ++i) {
        const QChar c = parts.mask[i];
        if (c == QLatin1Char('!') || c == QLatin1Char('>') || c == QLatin1Char('<')) continue;
        if (c == QLatin1Char('\\') && i + 1 < parts.mask.size()) {
            positions_.push_back({true, parts.mask[++i]});
            continue;
        }
        positions_.push_back({QtCode(c).isNull(), c});
    }
}

void TMaskEdit::SetEditMask(const QString& mask)
{
    const QString kept = Text();
    editMask_ = mask;
    Parse();
    setInputMask(QtInputMask(mask));
    SetText(kept);
}

QString TMaskEdit::Text() const
{
    if (positions_.empty()) return TEdit::Text();
    const QString shown = displayText();
    QString out;
    for (size_t i = 0; i < positions_.size() && qsizetype(i) < shown.size(); ++i) {
        const QChar c = shown[qsizetype(i)];
        if (positions_[i].literal) {
            if (saveLiterals_) out += c;
        } else {
            out += c == blank_ ? QLatin1Char(' ') : c;
        }
    }
    if (!leadingBlanks_) {
        while (out.endsWith(QLatin1Char(' '))) out.chop(1);
    }
    return out;
}

void TMaskEdit::SetText(const QString& text)
{
    if (positions_.empty() || saveLiterals_) {
        TEdit::SetText(text);
        return;
    }
    // Without literals in the text, the characters go to the editable positions in turn.
    QString full;
    qsizetype next = 0;
    for (const TPosition& p : positions_) {
        if (p.literal) full += p.ch;
        else full += next < text.size() ? text[next++] : QLatin1Char(' ');
    }
    TEdit::SetText(full);
}

bool TMaskEdit::IsEmpty() const
{
    const QString shown = displayText();
    for (size_t i = 0; i < positions_.size() && qsizetype(i) < shown.size(); ++i)
        if (!positions_[i].literal && shown[qsizetype(i)] != blank_ && shown[qsizetype(i)] != QLatin1Char(' ')) return false;
    return true;
}

void TMaskEdit::focusInEvent(QFocusEvent* event)
{
    TEdit::focusInEvent(event);
    // Typing starts at the mask's beginning: text set before the focus came leaves the cursor
    // past its end, where the mask takes nothing.
    if (!positions_.empty() && event->reason() != Qt::MouseFocusReason) setCursorPosition(0);
}

void TMaskEdit::mousePressEvent(QMouseEvent* event)
{
    TEdit::mousePressEvent(event);
    if (!positions_.empty() && IsEmpty()) setCursorPosition(0);
}

void TMaskEdit::keyPressEvent(QKeyEvent* event)
{
    if (StepsOverSeparator(event->text())) {
        event->accept();
        return;
    }
    TEdit::keyPressEvent(event);
}

bool TMaskEdit::StepsOverSeparator(const QString& typed)
{
    // A separator typed where the mask has one steps over it, whichever separator the person
    // uses ("01.12.2026" into "##/##/####").
    if (positions_.empty() || typed.size() != 1 || hasSelectedText()) return false;
    const QChar c = typed[0];
    if (!c.isPunct() && !c.isSymbol()) return false;
    size_t pos = size_t(cursorPosition());
    if (pos < positions_.size() && positions_[pos].literal) {
        while (pos < positions_.size() && positions_[pos].literal) ++pos;
        setCursorPosition(int(pos));
        return true;
    }
    // The edit steps over a separator by itself once the blanks before it are filled.
    return pos > 0 && pos <= positions_.size() && positions_[pos - 1].literal;
}
