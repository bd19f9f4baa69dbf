#include "script/regexp.h"

#include "system/code_page.h"
#include "system/local_text.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <climits>
#include <map>
#include <memory>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gw {
namespace {

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextFree {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using CodeHandle = std::unique_ptr<pcre2_code, CodeFree>;
using CompileContextHandle = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using MatchDataHandle = std::unique_ptr<pcre2_match_data, MatchDataFree>;

// The converter writes well-formed UTF-8, so its lead byte tells the length.
bool is_one_character(const std::string& utf8) {
    return !utf8.empty() && utf8_lead_length(static_cast<unsigned char>(utf8[0])) == utf8.size();
}

// One character of local text: its length in bytes and its UTF-8.
struct Piece {
    size_t length;
    std::string utf8;
};

// Bytes that make no character of code page 936 become "?" one byte at a
// time, so that the bytes after them are read as they stand.
Piece convert_character(std::string_view local, size_t at) {
    if (at + 1 < local.size()) {
        std::string two = cp936_to_utf8(local.substr(at, 2));
        if (two != "?" && is_one_character(two)) return {2, std::move(two)};
    }
    std::string one = cp936_to_utf8(local.substr(at, 1));  // 0x80 is the euro sign on its own
    if (one != "?" && is_one_character(one)) return {1, std::move(one)};
    return {1, "?"};
}

// The subject as the engine sees it. `local_at[i]` is the local offset of
// the character that UTF-8 offset i belongs to; one entry more for the end.
struct EngineText {
    std::string utf8;
    std::vector<uint32_t> local_at;
};

// Converted one character at a time: converting the whole text at once
// would lose track of which local bytes each UTF-8 character came from.
EngineText to_engine(std::string_view local) {
    EngineText text;
    text.utf8.reserve(local.size() + local.size() / 2);
    text.local_at.reserve(local.size() + local.size() / 2 + 1);
    std::unordered_map<uint32_t, Piece> seen;  // texts repeat their characters
    size_t at = 0;
    while (at < local.size()) {
        const auto b = static_cast<unsigned char>(local[at]);
        if (b < 0x80) {
            text.utf8 += local[at];
            text.local_at.push_back(static_cast<uint32_t>(at));
            ++at;
            continue;
        }
        uint32_t key = b << 9 | (at + 1 < local.size() ? static_cast<unsigned char>(local[at + 1]) : 0x100u);
        auto it = seen.find(key);
        if (it == seen.end()) it = seen.emplace(key, convert_character(local, at)).first;
        const Piece& piece = it->second;
        text.utf8 += piece.utf8;
        text.local_at.insert(text.local_at.end(), piece.utf8.size(), static_cast<uint32_t>(at));
        at += piece.length;
    }
    text.local_at.push_back(static_cast<uint32_t>(local.size()));
    return text;
}

CodeHandle compile(const std::string& pattern, uint32_t options) {
    CompileContextHandle context(pcre2_compile_context_create(nullptr));
    if (!context) return nullptr;
    // A Windows line break is CR LF: "." must match neither byte, and ^ $
    // must see one break, not two.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    std::string utf8 = cp936_to_utf8(pattern);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    return CodeHandle(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options, &error,
                                    &error_offset, context.get()));
}

using SharedCode = std::shared_ptr<pcre2_code>;

// Compiling costs far more than matching a short subject, and the same few
// patterns come back on every request, so each thread keeps what it compiled.
SharedCode compile_cached(const std::string& pattern, uint32_t options) {
    thread_local std::map<std::pair<std::string, uint32_t>, SharedCode> cache;
    auto key = std::make_pair(pattern, options);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    SharedCode code(compile(pattern, options).release(), pcre2_code_free);
    if (!code) return nullptr;
    if (cache.size() >= 32) cache.clear();
    cache.emplace(std::move(key), code);
    return code;
}

// Calls found(ovector, pairs) for the first match, or for every match when
// global. False when the engine fails part way.
template <typename Found>
bool for_each_match(const pcre2_code* code, bool global, const std::string& subject, Found found) {
    MatchDataHandle data(pcre2_match_data_create_from_pattern(code, nullptr));
    if (!data) return false;
    const auto* s = reinterpret_cast<PCRE2_SPTR>(subject.data());
    size_t start = 0;
    uint32_t options = 0;
    while (start <= subject.size()) {
        int rc = pcre2_match(code, s, subject.size(), start, options, data.get(), nullptr);
        options = PCRE2_NO_UTF_CHECK;  // checked once; later searches see the same text
        if (rc == PCRE2_ERROR_NOMATCH) return true;
        if (rc <= 0) return false;
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
        if (ov[0] > ov[1]) return false;  // \K can set the start after the end
        found(ov, pcre2_get_ovector_count(data.get()));
        if (!global) return true;
        if (ov[1] > ov[0]) {
            start = ov[1];
            continue;
        }
        // After an empty match the next search starts one whole character
        // on, taking CR LF as one, or the same place would match again.
        size_t at = ov[1];
        if (at >= subject.size()) return true;
        if (subject[at] == '\r' && at + 1 < subject.size() && subject[at + 1] == '\n') {
            at += 2;
        } else {
            ++at;
            while (at < subject.size() && (static_cast<unsigned char>(subject[at]) & 0xC0) == 0x80) ++at;
        }
        start = at;
    }
    return true;
}

} // namespace

struct RegExp::Expression {
    std::string pattern;  // local text, as given to the engine
    SharedCode code;      // null when the engine rejected the pattern
    bool global = true;
};

struct RegExp::Matches {
    struct Part {
        std::string text;
        int position = -1;  // -1 for a group that took no part
    };
    struct Match {
        Part whole;
        std::vector<Part> groups;
    };
    std::vector<Match> list;
};

RegExp::RegExp() = default;
RegExp::~RegExp() = default;
RegExp::RegExp(const RegExp& other) = default;
RegExp& RegExp::operator=(const RegExp& other) = default;

bool RegExp::execute(const std::string& pattern, const std::string& subject, bool case_sensitive,
                     bool multi_line, bool global, bool quote_flag) {
    expression_.reset();
    matches_.reset();
    subject_ = subject;

    auto expression = std::make_shared<Expression>();
    expression->pattern = quote_flag ? replace_quote_marker(pattern) : pattern;
    expression->global = global;
    // ALT_BSUX and DOLLAR_ENDONLY give \uhhhh, \xhh and a final $ as the
    // script engines read them.
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_DOLLAR_ENDONLY;
    if (!case_sensitive) options |= PCRE2_CASELESS;
    if (multi_line) options |= PCRE2_MULTILINE;
    expression->code = compile_cached(expression->pattern, options);
    expression_ = expression;
    if (!expression->code || subject_.size() >= static_cast<size_t>(INT_MAX)) return false;

    EngineText text = to_engine(subject_);
    auto matches = std::make_shared<Matches>();
    auto part = [&](PCRE2_SIZE begin, PCRE2_SIZE end) {
        Matches::Part p;
        if (begin == PCRE2_UNSET) return p;
        size_t b = text.local_at[begin];
        p.position = static_cast<int>(b);
        p.text = subject_.substr(b, text.local_at[end] - b);
        return p;
    };
    bool ok = for_each_match(expression->code.get(), global, text.utf8, [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        Matches::Match m;
        m.whole = part(ov[0], ov[1]);
        for (uint32_t g = 1; g < pairs; ++g) m.groups.push_back(part(ov[2 * g], ov[2 * g + 1]));
        matches->list.push_back(std::move(m));
    });
    if (!ok) return false;
    matches_ = std::move(matches);
    return true;
}

std::string RegExp::get_pattern() const { return expression_ ? expression_->pattern : std::string(); }

std::string RegExp::replace(const std::string& replacement) const {
    if (!expression_ || !expression_->code || subject_.size() >= static_cast<size_t>(INT_MAX)) return {};
    EngineText text = to_engine(subject_);
    std::string out;
    size_t copied = 0;  // local offset up to which the subject is in `out`
    bool ok = for_each_match(expression_->code.get(), expression_->global, text.utf8,
                             [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        const size_t begin = text.local_at[ov[0]];
        const size_t end = text.local_at[ov[1]];
        out.append(subject_, copied, begin - copied);
        copied = end;
        // "$" is ASCII and never the second byte of a character.
        for (size_t i = 0; i < replacement.size(); ++i) {
            const char c = replacement[i];
            const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
            if (c != '$') {
                out += c;
            } else if (next == '$') {
                out += '$';
                ++i;
            } else if (next == '&') {
                out.append(subject_, begin, end - begin);
                ++i;
            } else if (next == '`') {
                out.append(subject_, 0, begin);
                ++i;
            } else if (next == '\'') {
                out.append(subject_, end);
                ++i;
            } else if (next >= '1' && next <= '9' && static_cast<uint32_t>(next - '0') < pairs) {
                const uint32_t g = static_cast<uint32_t>(next - '0');
                if (ov[2 * g] != PCRE2_UNSET) {
                    const size_t gb = text.local_at[ov[2 * g]];
                    out.append(subject_, gb, text.local_at[ov[2 * g + 1]] - gb);
                }
                ++i;
            } else {
                out += c;  // a "$" that names nothing stays as written
            }
        }
    });
    if (!ok) return {};
    out.append(subject_, copied);
    return out;
}

int RegExp::match_count() const { return matches_ ? static_cast<int>(matches_->list.size()) : 0; }

std::string RegExp::match_text(int match, int* position) const {
    if (position) *position = -1;
    if (match < 1 || match > match_count()) return {};
    const auto& whole = matches_->list[static_cast<size_t>(match - 1)].whole;
    if (position) *position = whole.position;
    return whole.text;
}

std::string RegExp::group_text(int match, int group, int* position) const {
    if (position) *position = -1;
    if (match < 1 || match > match_count()) return {};
    const auto& groups = matches_->list[static_cast<size_t>(match - 1)].groups;
    if (group < 1 || static_cast<size_t>(group) > groups.size()) return {};
    const auto& part = groups[static_cast<size_t>(group - 1)];
    if (position) *position = part.position;
    return part.text;
}

int RegExp::group_count() const {
    return match_count() > 0 ? static_cast<int>(matches_->list.front().groups.size()) : 0;
}

} // namespace gw
