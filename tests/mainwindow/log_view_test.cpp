#include "window_test_support.h"

#include "callback/settings.h"
#include "mainwindow/log_view.h"
#include "system/event_pump.h"
#include "system/log_sink.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>

#include <thread>
#include <vector>

namespace gw::test {
namespace {

struct BreakCase {
    const char* what;
    std::vector<const char*> appends;  // UTF-8
    const char* shown;
};

TEST(LogView, ShowsLineBreaksOnceAndAppendsAtTheEnd) {
    const BreakCase cases[] = {
        {"CR LF is one break", {"a\r\nb\r\n"}, "a\nb\n"},
        {"a log line keeps its empty lines", {"[t]\r\nmsg\r\n\r\n\r\n"}, "[t]\nmsg\n\n\n"},
        {"texts follow each other on the same line", {"one", "two\r\n", "three"}, "onetwo\nthree"},
        {"lone CR and LF are breaks too", {"x\ry\nz"}, "x\ny\nz"},
        {"Chinese text", {"收到Token验证\r\n"}, "收到Token验证\n"},
        {"empty text adds nothing", {"", "a", ""}, "a"},
    };
    for (const BreakCase& c : cases) {
        SCOPED_TRACE(c.what);
        LogView view;
        for (const char* text : c.appends) view.append_text(QString::fromUtf8(text));
        EXPECT_EQ(view.toPlainText(), QString::fromUtf8(c.shown));
    }
}

// Appends entries of varied lengths to a small log and checks after every
// append that what is kept is the newest entries, whole and in order, within
// the limit, and that no undo history grows behind it.
TEST(LogView, DropsTheOldestWholeTextsBeyondItsLimit) {
    constexpr qsizetype kLimit = 100;
    LogView view(nullptr, kLimit);
    std::vector<QString> appended;
    bool trimmed = false;
    for (int i = 0; i < 120; ++i) {
        SCOPED_TRACE(i);
        QString entry = QStringLiteral("<%1:%2>\r\n").arg(i).arg(QString((i * 7) % 31, QLatin1Char('x')));
        view.append_text(entry);
        appended.push_back(entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        const QString shown = view.toPlainText();
        QString tail;
        size_t first = appended.size();
        while (first > 0 && tail.size() < shown.size()) tail.prepend(appended[--first]);
        ASSERT_EQ(shown, tail);
        EXPECT_LE(shown.size(), kLimit);
        EXPECT_EQ(view.document()->availableUndoSteps(), 0);
        if (first > 0) trimmed = true;
    }
    EXPECT_TRUE(trimmed);

    // A text longer than the limit is kept whole, alone.
    const QString big(150, QLatin1Char('B'));
    view.append_text(big);
    EXPECT_EQ(view.toPlainText(), big);
    view.append_text(QStringLiteral("after"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("after"));
}

TEST_F(WindowTest, LogScrollsToItsEnd) {
    auto* log = window_->log_view();
    for (int i = 0; i < 300; ++i) append_log("[" + std::to_string(i) + "]\r\nline\r\n\r\n");
    QScrollBar* bar = log->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(0);
    append_log("one more\r\n");
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(log_text().endsWith(QStringLiteral("one more\n")));
}

// Worker threads append two-line texts while the GUI thread answers
// verification requests: every text arrives whole, each thread's texts in
// the order it appended them, and the callbacks are all answered.
TEST_F(WindowTest, LogKeepsEveryWorkerTextWholeAndInOrderWhileCallbacksRun) {
    constexpr int kThreads = 4;
    constexpr int kTexts = 150;
    constexpr int kRequests = 20;
    write_setting("Token", "tok");
    ASSERT_TRUE(window_->start_service(0, nullptr));
    const quint16 port = window_->service_port();

    std::vector<std::string> bodies;
    run_blocking([&] {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < kTexts; ++i) {
                    const std::string n = std::to_string(t) + " " + std::to_string(i);
                    append_log(local("工作线程 ") + n + "\r\n" + local("续 ") + n + "\r\n");
                }
            });
        }
        threads.emplace_back([&] {
            for (int k = 0; k < kRequests; ++k)
                bodies.push_back(
                    split_response(http_exchange(port, verification_request("tok", "e" + std::to_string(k))).response)
                        .body);
        });
        for (auto& thread : threads) thread.join();
    });

    ASSERT_EQ(bodies.size(), static_cast<size_t>(kRequests));
    for (int k = 0; k < kRequests; ++k) EXPECT_EQ(bodies[k], "e" + std::to_string(k));

    const QStringList lines = log_text().split(QLatin1Char('\n'));
    const QRegularExpression first_line(QStringLiteral("^工作线程 (\\d+) (\\d+)$"));
    std::vector<int> next(kThreads, 0);
    int verifications = 0;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        if (lines[at] == QStringLiteral("收到Token验证")) ++verifications;
        auto match = first_line.match(lines[at]);
        if (!match.hasMatch()) continue;
        const int t = match.captured(1).toInt();
        const int i = match.captured(2).toInt();
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
        ASSERT_LT(at + 1, lines.size());
        EXPECT_EQ(lines[at + 1], QStringLiteral("续 %1 %2").arg(t).arg(i));
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kTexts) << "thread " << t;
    EXPECT_EQ(verifications, kRequests);
}

} // namespace
} // namespace gw::test
