#include "mainwindow/log_view.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace gw {
namespace {

// One paragraph break per line break: QTextCursor turns "\r" and "\n"
// each into a break of its own, so "\r\n" would show an empty line.
QString normalise_breaks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

} // namespace

LogView::LogView(QWidget* parent, qsizetype limit) : QPlainTextEdit(parent), limit_(limit) {
    setReadOnly(true);
    // An undo history would keep every appended text for ever.
    setUndoRedoEnabled(false);
    // A logged request can be a megabyte without a line break; wrapping
    // it would hold the GUI thread, and every worker waiting on it, for
    // many seconds.
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void LogView::append_text(const QString& text) {
    const QString normalised = normalise_breaks(text);
    if (normalised.isEmpty()) return;

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(normalised);
    entries_.push_back(normalised.size());
    kept_ += normalised.size();

    if (kept_ > limit_) drop_oldest();

    moveCursor(QTextCursor::End);
    ensureCursorVisible();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::drop_oldest() {
    const qsizetype target = limit_ - limit_ / 4;
    qsizetype drop = 0;
    while (entries_.size() > 1 && kept_ > target) {
        drop += entries_.front();
        kept_ -= entries_.front();
        entries_.pop_front();
    }
    if (drop == 0) return;
    QTextCursor cursor(document());
    cursor.setPosition(0);
    cursor.setPosition(static_cast<int>(drop), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace gw
