#include "platform/toolkit/TextBoxAccessible.h"

#include <QFontMetrics>
#include <QLineEdit>

#include <algorithm>

namespace tarvix::detail {

TextBoxAccessible::TextBoxAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

QLineEdit* TextBoxAccessible::edit() const
{
    return static_cast<QLineEdit*>(widget());
}

QAccessible::State TextBoxAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    // Qt calls every line edit editable, a locked one too.
    s.readOnly = edit()->isReadOnly();
    s.editable = !s.readOnly;
    s.selectableText = true;
    return s;
}

QString TextBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return edit()->text();
    return QAccessibleWidget::text(t);
}

void TextBoxAccessible::setText(QAccessible::Text t, const QString& text)
{
    if (t == QAccessible::Value && !edit()->isReadOnly())
        edit()->setText(text);
    else if (t != QAccessible::Value)
        QAccessibleWidget::setText(t, text);
}

void* TextBoxAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void TextBoxAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !edit()->hasSelectedText())
        return;
    *startOffset = edit()->selectionStart();
    *endOffset = *startOffset + edit()->selectionLength();
}

int TextBoxAccessible::selectionCount() const
{
    return edit()->hasSelectedText() ? 1 : 0;
}

void TextBoxAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TextBoxAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        edit()->deselect();
}

void TextBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        edit()->setSelection(startOffset, endOffset - startOffset);
}

int TextBoxAccessible::cursorPosition() const
{
    return edit()->cursorPosition();
}

void TextBoxAccessible::setCursorPosition(int position)
{
    edit()->setCursorPosition(position);
}

QString TextBoxAccessible::text(int startOffset, int endOffset) const
{
    if (startOffset > endOffset)
        return QString();
    return edit()->text().mid(startOffset, endOffset - startOffset);
}

int TextBoxAccessible::characterCount() const
{
    return static_cast<int>(edit()->text().size());
}

QRect TextBoxAccessible::characterRect(int offset) const
{
    QLineEdit* e = edit();
    const QString shown = e->displayText();
    if (offset < 0 || offset >= shown.size())
        return QRect();
    // Measured from where the cursor stands, so the box's own scrolling counts and nothing moves.
    const QFontMetrics fm(e->font());
    const QRect cursor = e->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const int cursorX = fm.horizontalAdvance(shown.left(e->cursorPosition()));
    const int left = cursor.left() + fm.horizontalAdvance(shown.left(offset)) - cursorX;
    const int width = std::max(1, fm.horizontalAdvance(shown.mid(offset, 1)));
    return QRect(e->mapToGlobal(QPoint(left, cursor.top())), QSize(width, cursor.height()));
}

int TextBoxAccessible::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = edit()->mapFromGlobal(point);
    if (!edit()->rect().contains(local))
        return -1;
    return edit()->cursorPositionAt(local);
}

void TextBoxAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Q_UNUSED(startIndex);
    edit()->setCursorPosition(endIndex);
}

QString TextBoxAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void TextBoxAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void TextBoxAccessible::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void TextBoxAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    if (edit()->isReadOnly() || startOffset < 0 || endOffset < startOffset || endOffset > characterCount())
        return;
    // As typing would: one undoable change, within the box's length.
    edit()->setSelection(startOffset, endOffset - startOffset);
    edit()->insert(text);
}

}  // namespace tarvix::detail
