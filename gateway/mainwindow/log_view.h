#pragma once
// 编辑框1, the message log: read-only, appended to at its very end, and
// scrolled to show that end.
//
// Memory stays bounded over weeks of running: once the kept text exceeds
// the limit (two million characters by default, about 4 MB of text plus
// its layout, which holds a thousand or more logged requests of the
// largest size the callback server accepts), the oldest appended texts are
// dropped whole until at most three quarters of the limit remain. Trimming
// in steps keeps the cost of removing text at the front rare. What is kept
// is always a run of whole appended texts in the order they came; the
// newest text is kept even when it alone exceeds the limit. Only
// append_text may change the text, or the count of what is kept goes wrong.
#include <QPlainTextEdit>

#include <deque>

namespace gw {

class LogView : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultLimit = 2'000'000;

    explicit LogView(QWidget* parent = nullptr, qsizetype limit = kDefaultLimit);

    // A "\r\n" in the text is one line break, as is a lone "\r" or "\n".
    void append_text(const QString& text);

    qsizetype limit() const { return limit_; }
    // Characters of the appended texts still kept.
    qsizetype kept_characters() const { return kept_; }

private:
    void drop_oldest();

    qsizetype limit_;
    std::deque<qsizetype> entries_;  // length of each kept text, oldest first
    qsizetype kept_ = 0;
};

} // namespace gw
