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

    std::string get_pattern() const;
    std::string replace(const std::string& replacement) const;
    int match_count() const;
    // Match and group numbers count from 1. `position`, when given,
    // receives the 0-based byte offset in the subject (local text).
    std::string match_text(int match, int* position = nullptr) const;
    std::string group_text(int match, int group, int* position = nullptr) const;
    int group_count() const;

private:
    struct Expression;
    struct Matches;
    std::shared_ptr<Expression> expression_;
    std::shared_ptr<Matches> matches_;
    std::string subject_;
};

} // namespace gw
