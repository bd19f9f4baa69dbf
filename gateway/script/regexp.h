#pragma once
// The regular-expression object: one expression over one subject, with its
// matches and groups. Texts are local text (code page 936); the engine sees
// UTF-8, so a match never starts or ends inside a double-byte character.
// Defaults: letter case ignored, ^ and $ at line breaks, all matches, "."
// not matching a line break. Every failure yields an empty value.
#include <memory>
#include <string>

namespace gw {

class RegExp {
public:
    RegExp();
    ~RegExp();
    // A copy shares the expression and the matches and keeps its own subject.
    RegExp(const RegExp& other);
    RegExp& operator=(const RegExp& other);

    // With `quote_flag`, "#引号" in the pattern stands for a double quote.
    // True when the pattern compiled, even with no match.
    bool execute(const std::string& pattern, const std::string& subject, bool case_sensitive = false,
                 bool multi_line = true, bool global = true, bool quote_flag = false);

    // The pattern of the last `execute` (after the quote flag took effect),
    // even when it was rejected; empty before any.
    std::string get_pattern() const;
    // The subject with the first match (all matches when global) replaced;
    // the replacement may use $1..$9, $&, $`, $' and $$.
    std::string replace(const std::string& replacement) const;
    int match_count() const;
    // Match and group numbers count from 1. `position`, when given,
    // receives the 0-based byte offset in the subject (local text), or -1
    // when there is no such match or the group took no part in it.
    std::string match_text(int match, int* position = nullptr) const;
    std::string group_text(int match, int group, int* position = nullptr) const;
    // The groups of the first match; 0 when nothing matched.
    int group_count() const;

private:
    struct Expression;
    struct Matches;
    std::shared_ptr<const Expression> expression_;
    std::shared_ptr<const Matches> matches_;
    std::string subject_;
};

} // namespace gw
