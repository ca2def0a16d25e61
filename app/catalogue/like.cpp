// The original engine's LIKE for SQLite: '*' any run, '?' one character, '#'
// one digit, [abc], [a-c] and [!abc] character lists, always ignoring letter
// case. Exports LikeMatch and RegisterLike (declared in like.h); patterns are
// compiled once per statement and kept as SQLite auxiliary data.
#include "app/catalogue/like.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <QList>

#include <sqlite3.h>

namespace qlm {

namespace {

QString Utf8(const unsigned char* text, int bytes) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text), bytes);
}

struct LikeToken {
    enum Type { Literal, One, Digit, Run, Set } type = Literal;
    char32_t ch = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};
using LikePattern = std::vector<LikeToken>;

char32_t Fold(char32_t c) { return QChar::toCaseFolded(c); }

bool CompileLike(const QString& pattern, LikePattern* out) {
    const QList<uint> p = pattern.toUcs4();
    out->clear();
    for (qsizetype i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        LikeToken token;
        if (c == U'*') {
            if (!out->empty() && out->back().type == LikeToken::Run)
                continue;
            token.type = LikeToken::Run;
        } else if (c == U'?') {
            token.type = LikeToken::One;
        } else if (c == U'#') {
            token.type = LikeToken::Digit;
        } else if (c == U'[') {
            qsizetype j = i + 1;
            token.type = LikeToken::Set;
            if (j < p.size() && p[j] == U'!') {
                token.negate = true;
                ++j;
            }
            bool closed = false;
            while (j < p.size()) {
                const char32_t a = p[j];
                if (a == U']') {
                    closed = true;
                    break;
                }
                if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
                    const char32_t lo = Fold(a), hi = Fold(p[j + 2]);
                    if (lo > hi)
                        return false;
                    token.ranges.emplace_back(lo, hi);
                    j += 3;
                } else {
                    token.ranges.emplace_back(Fold(a), Fold(a));
                    ++j;
                }
            }
            if (!closed)
                return false;
            i = j;
            // "[]" stands for nothing at all.
            if (token.ranges.empty() && !token.negate)
                continue;
        } else {
            token.ch = Fold(c);
        }
        out->push_back(std::move(token));
    }
    return true;
}

bool TokenMatches(const LikeToken& t, char32_t c) {
    switch (t.type) {
    case LikeToken::Literal:
        return t.ch == Fold(c);
    case LikeToken::One:
        return true;
    case LikeToken::Digit:
        return c >= U'0' && c <= U'9';
    case LikeToken::Set: {
        const char32_t f = Fold(c);
        const bool in =
            std::any_of(t.ranges.begin(), t.ranges.end(), [f](const auto& r) { return f >= r.first && f <= r.second; });
        return in != t.negate;
    }
    case LikeToken::Run:
        break;
    }
    return false;
}

// Greedy match with backtracking to the last '*': linear for patterns with one
// run, never exponential.
bool MatchCompiled(const LikePattern& p, const QList<uint>& text) {
    size_t pi = 0;
    qsizetype ti = 0;
    size_t starP = SIZE_MAX;
    qsizetype starT = 0;
    while (ti < text.size()) {
        if (pi < p.size() && p[pi].type == LikeToken::Run) {
            starP = pi++;
            starT = ti;
        } else if (pi < p.size() && TokenMatches(p[pi], text[ti])) {
            ++pi;
            ++ti;
        } else if (starP != SIZE_MAX) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].type == LikeToken::Run)
        ++pi;
    return pi == p.size();
}

void SqlLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!compiled) {
        const QString pattern = Utf8(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]));
        auto owned = std::make_unique<LikePattern>();
        if (!CompileLike(pattern, owned.get())) {
            sqlite3_result_error(ctx, "Invalid pattern string in LIKE", -1);
            return;
        }
        compiled = owned.release();
        sqlite3_set_auxdata(ctx, 0, compiled, [](void* p) { delete static_cast<LikePattern*>(p); });
        // set_auxdata may have freed it already when it could not keep it.
        compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) {
            LikePattern once;
            CompileLike(pattern, &once);
            const QString text = Utf8(sqlite3_value_text(argv[1]), sqlite3_value_bytes(argv[1]));
            sqlite3_result_int(ctx, MatchCompiled(once, text.toUcs4()) ? 1 : 0);
            return;
        }
    }
    const QString text = Utf8(sqlite3_value_text(argv[1]), sqlite3_value_bytes(argv[1]));
    sqlite3_result_int(ctx, MatchCompiled(*compiled, text.toUcs4()) ? 1 : 0);
}

}  // namespace

bool LikeMatch(const QString& pattern, const QString& text, bool* badPattern) {
    LikePattern compiled;
    const bool ok = CompileLike(pattern, &compiled);
    if (badPattern)
        *badPattern = !ok;
    return ok && MatchCompiled(compiled, text.toUcs4());
}

void RegisterLike(sqlite3* db) {
    sqlite3_create_function(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, SqlLike, nullptr, nullptr);
}

}  // namespace qlm
