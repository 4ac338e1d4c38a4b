#include "tds_sql.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>

namespace tdsserver::sql {

namespace {

bool isIdentStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}

bool isIdentChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

bool isSymbol(const Token& t, std::string_view s) {
    return t.kind == Tok::Symbol && t.text == s;
}

bool isName(const Token& t) {
    return (t.kind == Tok::Word && t.text[0] != '@') || t.kind == Tok::QIdent;
}

std::size_t nextSignificant(const std::vector<Token>& t, std::size_t i) {
    while (i < t.size() && !isSignificant(t[i]))
        ++i;
    return i;
}

// Index of the significant token before i, or npos.
std::size_t prevSignificant(const std::vector<Token>& t, std::size_t i) {
    while (i > 0) {
        --i;
        if (isSignificant(t[i]) && !t[i].text.empty())
            return i;
    }
    return std::string::npos;
}

bool inList(const std::string& u, std::initializer_list<const char*> list) {
    for (const char* w : list)
        if (u == w)
            return true;
    return false;
}

struct SplitState {
    bool has = false;
    std::string first;
    std::string prev;
    int depth = 0;
    bool inBody = false;
    int caseDepth = 0;
    bool sawTrigger = false;
    bool insertBodySeen = false;
    bool withMainSeen = false;
    bool updatePending = false;
};

bool cteFollows(const std::vector<Token>& toks, std::size_t i) {
    std::size_t j = nextSignificant(toks, i + 1);
    if (j < toks.size() && isWord(toks[j], "RECURSIVE"))
        j = nextSignificant(toks, j + 1);
    if (j >= toks.size() || !isName(toks[j]))
        return false;
    j = nextSignificant(toks, j + 1);
    return j < toks.size() && (isWord(toks[j], "AS") || isSymbol(toks[j], "("));
}

bool startsStatement(const std::vector<Token>& toks, std::size_t i, const SplitState& st) {
    const std::string u = upper(toks[i].text);
    const std::string& prev = st.prev;
    const std::string& first = st.first;
    if (prev == "," || prev == ".")
        return false;
    if (u == "SELECT") {
        if (inList(prev, {"UNION", "ALL", "EXCEPT", "INTERSECT", "AS", "DISTINCT", "FOR"}))
            return false;
        if ((first == "INSERT" || first == "REPLACE") && !st.insertBodySeen)
            return false;
        if (first == "WITH" && !st.withMainSeen)
            return false;
        return true;
    }
    if (u == "INSERT" || u == "DELETE" || u == "UPDATE") {
        if (inList(prev, {"AFTER", "BEFORE", "OF", "ON", "DO", "FOR", "INSTEAD", "OR"}))
            return false;
        if (first == "WITH" && !st.withMainSeen)
            return false;
        return true;
    }
    if (u == "SET") {
        if (st.updatePending || first == "ALTER" || prev == "DELETE" || prev == "UPDATE")
            return false;
        return true;
    }
    if (u == "WITH") {
        if (prev == "AS")
            return false;
        return cteFollows(toks, i);
    }
    if (u == "BEGIN")
        return !(first == "CREATE" && st.sawTrigger);
    if (u == "COMMIT" || u == "ROLLBACK")
        return !inList(prev, {"CONFLICT", "OR"});
    if (u == "DROP")
        return first != "ALTER";
    if (u == "IF")
        return first != "CREATE" && first != "DROP";
    return inList(u,
                  {"CREATE", "ALTER", "TRUNCATE", "PRINT", "RAISERROR", "WAITFOR", "USE", "DECLARE",
                   "EXEC", "EXECUTE", "SHUTDOWN", "SAVE", "WHILE", "RETURN", "PRAGMA", "VACUUM"});
}

int lineAt(std::string_view text, std::size_t offset) {
    return 1 + int(std::count(text.begin(), text.begin() + std::min(offset, text.size()), '\n'));
}

Token makeToken(Tok kind, std::string text) {
    Token t;
    t.kind = kind;
    t.text = std::move(text);
    return t;
}

const std::set<std::string>& plusDelimiters() {
    static const std::set<std::string> s = {
        "SELECT", "FROM",   "WHERE",   "AND",   "OR",    "NOT",       "WHEN",  "THEN",
        "ELSE",   "END",    "AS",      "ON",    "SET",   "VALUES",    "ORDER", "GROUP",
        "BY",     "HAVING", "LIKE",    "IN",    "IS",    "BETWEEN",   "UNION", "ALL",
        "EXCEPT", "JOIN",   "LEFT",    "INNER", "PRINT", "CASE",      "LIMIT", "INTO",
        "RETURN", "ESCAPE", "COLLATE", "WITH",  "OUTER", "INTERSECT", "CROSS", "DISTINCT"};
    return s;
}

// '+' next to a string literal concatenates in T-SQL; SQLite spells it '||'.
void rewritePlus(std::vector<Token>& t) {
    struct Segment {
        std::vector<std::size_t> plus;
        bool hasString = false;
    };
    std::vector<Segment> stack(1);
    auto close = [&](Segment& s) {
        if (s.hasString)
            for (std::size_t i : s.plus)
                t[i].text = "||";
        s = Segment{};
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const Token& k = t[i];
        if (!isSignificant(k))
            continue;
        if (isSymbol(k, "(")) {
            stack.emplace_back();
        } else if (isSymbol(k, ")")) {
            close(stack.back());
            if (stack.size() > 1)
                stack.pop_back();
        } else if (isSymbol(k, "+")) {
            stack.back().plus.push_back(i);
        } else if (k.kind == Tok::String && k.text[0] != 'X' && k.text[0] != 'x') {
            stack.back().hasString = true;
        } else if (k.kind == Tok::Symbol && (k.text == "," || k.text == "=" || k.text == "<" ||
                                             k.text == ">" || k.text == "<=" || k.text == ">=" ||
                                             k.text == "<>" || k.text == "!=" || k.text == "==")) {
            close(stack.back());
        } else if (k.kind == Tok::Word && plusDelimiters().count(upper(k.text))) {
            close(stack.back());
        }
    }
    for (auto& s : stack)
        close(s);
}

std::string atAtFunction(const std::string& u) {
    if (u == "@@VERSION")
        return "vx_version()";
    if (u == "@@SPID")
        return "vx_spid()";
    return {};
}

bool ieq(const std::string& a, const char* b) {
    return upper(a) == upper(b);
}

} // namespace

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

bool isSignificant(const Token& t) {
    return t.kind != Tok::Space && t.kind != Tok::Comment;
}

bool isWord(const Token& t, std::string_view upperWord) {
    if (t.kind != Tok::Word || t.text.size() != upperWord.size())
        return false;
    for (std::size_t i = 0; i < upperWord.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(t.text[i])) != upperWord[i])
            return false;
    return true;
}

std::string identName(const Token& t) {
    if (t.kind != Tok::QIdent || t.text.size() < 2)
        return t.text;
    char close = t.text[0] == '[' ? ']' : t.text[0];
    std::string r;
    for (std::size_t i = 1; i + 1 < t.text.size(); ++i) {
        r += t.text[i];
        if (t.text[i] == close && t.text[i + 1] == close)
            ++i;
    }
    return r;
}

std::string quoteName(std::string_view name) {
    std::string r = "\"";
    for (char c : name) {
        r += c;
        if (c == '"')
            r += '"';
    }
    return r + "\"";
}

std::string quoteString(std::string_view text) {
    std::string r = "'";
    for (char c : text) {
        r += c;
        if (c == '\'')
            r += '\'';
    }
    return r + "'";
}

std::vector<Token> significant(const std::vector<Token>& tokens) {
    std::vector<Token> r;
    for (const Token& t : tokens)
        if (isSignificant(t) && !t.text.empty())
            r.push_back(t);
    return r;
}

std::string joinTokens(const std::vector<Token>& tokens, std::size_t from, std::size_t to) {
    std::string r;
    to = std::min(to, tokens.size());
    for (std::size_t i = from; i < to; ++i)
        r += tokens[i].text;
    return r;
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    const std::size_t n = s.size();
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> unsigned char { return k < n ? (unsigned char)s[k] : 0; };
    auto push = [&](Tok kind, std::size_t start, std::size_t end) {
        Token t;
        t.kind = kind;
        t.text = std::string(s.substr(start, end - start));
        t.offset = start;
        out.push_back(std::move(t));
    };
    auto quoted = [&](std::size_t start, char close) {
        std::size_t k = start + 1;
        while (k < n) {
            if (s[k] == close) {
                if (at(k + 1) == (unsigned char)close) {
                    k += 2;
                    continue;
                }
                return k + 1;
            }
            ++k;
        }
        return n;
    };
    while (i < n) {
        const unsigned char c = at(i);
        const std::size_t start = i;
        if (std::isspace(c)) {
            while (i < n && std::isspace(at(i)))
                ++i;
            push(Tok::Space, start, i);
        } else if (c == '-' && at(i + 1) == '-') {
            while (i < n && s[i] != '\n')
                ++i;
            push(Tok::Comment, start, i);
        } else if (c == '/' && at(i + 1) == '*') {
            int depth = 0;
            while (i < n) {
                if (s[i] == '/' && at(i + 1) == '*') {
                    ++depth;
                    i += 2;
                } else if (s[i] == '*' && at(i + 1) == '/') {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
            push(Tok::Comment, start, i);
        } else if ((c == 'N' || c == 'n' || c == 'X' || c == 'x') && at(i + 1) == '\'') {
            i = quoted(i + 1, '\'');
            push(Tok::String, start, i);
        } else if (c == '\'') {
            i = quoted(i, '\'');
            push(Tok::String, start, i);
        } else if (c == '[') {
            i = quoted(i, ']');
            push(Tok::QIdent, start, i);
        } else if (c == '"' || c == '`') {
            i = quoted(i, char(c));
            push(Tok::QIdent, start, i);
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
            if (c == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
                i += 2;
                while (i < n && std::isxdigit(at(i)))
                    ++i;
            } else {
                while (i < n && std::isdigit(at(i)))
                    ++i;
                if (at(i) == '.') {
                    ++i;
                    while (i < n && std::isdigit(at(i)))
                        ++i;
                }
                if ((at(i) == 'e' || at(i) == 'E') &&
                    (std::isdigit(at(i + 1)) ||
                     ((at(i + 1) == '+' || at(i + 1) == '-') && std::isdigit(at(i + 2))))) {
                    i += 2;
                    while (i < n && std::isdigit(at(i)))
                        ++i;
                }
            }
            push(Tok::Number, start, i);
        } else if (isIdentStart(c)) {
            while (i < n && isIdentChar(at(i)))
                ++i;
            push(Tok::Word, start, i);
        } else {
            static const char* two[] = {"<=", ">=", "<>", "!=", "||", "==", "!<", "!>", "<<", ">>"};
            std::size_t len = 1;
            for (const char* op : two)
                if (c == (unsigned char)op[0] && at(i + 1) == (unsigned char)op[1])
                    len = 2;
            i += len;
            push(Tok::Symbol, start, i);
        }
    }
    return out;
}

std::vector<Statement> splitBatch(std::string_view batch) {
    std::vector<Token> toks = tokenize(batch);
    std::vector<Statement> out;
    Statement cur;
    SplitState st;
    auto finish = [&] {
        if (st.has) {
            for (const Token& t : cur.tokens)
                if (isSignificant(t)) {
                    cur.line = lineAt(batch, t.offset);
                    break;
                }
            out.push_back(std::move(cur));
        }
        cur = Statement{};
        st = SplitState{};
    };
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const Token& t = toks[i];
        if (!isSignificant(t)) {
            cur.tokens.push_back(t);
            continue;
        }
        const bool free = st.depth == 0 && !st.inBody;
        if (free && isSymbol(t, ";")) {
            finish();
            continue;
        }
        const std::string u = t.kind == Tok::Word ? upper(t.text) : std::string();
        if (st.has && free && t.kind == Tok::Word && startsStatement(toks, i, st))
            finish();
        if (!st.has) {
            st.has = true;
            st.first = u.empty() ? t.text : u;
            st.updatePending = u == "UPDATE";
        } else if (t.kind == Tok::Word) {
            if (u == "UPDATE")
                st.updatePending = true;
            else if (u == "SET")
                st.updatePending = false;
            if (st.depth == 0) {
                if ((st.first == "INSERT" || st.first == "REPLACE") &&
                    (u == "SELECT" || u == "VALUES" || u == "DEFAULT"))
                    st.insertBodySeen = true;
                if (st.first == "WITH" &&
                    (u == "SELECT" || u == "INSERT" || u == "UPDATE" || u == "DELETE"))
                    st.withMainSeen = true;
            }
        }
        if (isSymbol(t, "("))
            ++st.depth;
        else if (isSymbol(t, ")") && st.depth > 0)
            --st.depth;
        if (u == "CASE")
            ++st.caseDepth;
        else if (u == "END") {
            if (st.caseDepth > 0)
                --st.caseDepth;
            else
                st.inBody = false;
        } else if (u == "TRIGGER" && st.first == "CREATE")
            st.sawTrigger = true;
        else if (u == "BEGIN" && st.first == "CREATE" && st.sawTrigger)
            st.inBody = true;
        st.prev = u.empty() ? t.text : u;
        cur.tokens.push_back(t);
    }
    finish();
    return out;
}

std::string rewrite(const std::vector<Token>& in, RewriteContext& ctx) {
    std::vector<Token> t;
    t.reserve(in.size());
    for (const Token& k : in) {
        if (k.kind == Tok::Comment)
            t.push_back(makeToken(Tok::Space, " "));
        else
            t.push_back(k);
    }
    // Single tokens.
    for (std::size_t i = 0; i < t.size(); ++i) {
        Token& k = t[i];
        if (k.kind == Tok::String && (k.text[0] == 'N' || k.text[0] == 'n')) {
            k.text.erase(0, 1);
        } else if (k.kind == Tok::Number && k.text.size() >= 2 &&
                   (k.text[1] == 'x' || k.text[1] == 'X')) {
            std::string hex = k.text.substr(2);
            if (hex.size() % 2)
                hex = "0" + hex;
            k.kind = Tok::String;
            k.text = "X'" + hex + "'";
        } else if (k.kind == Tok::Word && k.text.rfind("@@", 0) == 0) {
            std::string f = atAtFunction(upper(k.text));
            if (!f.empty())
                k.text = f;
        } else if (isWord(k, "MAX")) {
            std::size_t p = prevSignificant(t, i);
            std::size_t pp = p == std::string::npos ? p : prevSignificant(t, p);
            std::size_t n = nextSignificant(t, i + 1);
            if (p != std::string::npos && isSymbol(t[p], "(") && pp != std::string::npos &&
                t[pp].kind == Tok::Word && n < t.size() && isSymbol(t[n], ")")) {
                std::string ty = upper(t[pp].text);
                if (ty == "VARCHAR" || ty == "NVARCHAR" || ty == "VARBINARY")
                    k.text = "-1";
            }
        }
    }
    // Multi-part names.
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!isName(t[i]))
            continue;
        if (i > 0 && isSymbol(t[i - 1], "."))
            continue;
        std::vector<const Token*> parts{&t[i]};
        std::size_t j = i + 1;
        while (j < t.size() && isSymbol(t[j], ".")) {
            if (j + 1 < t.size() && isName(t[j + 1])) {
                parts.push_back(&t[j + 1]);
                j += 2;
            } else if (j + 1 < t.size() && isSymbol(t[j + 1], ".")) {
                parts.push_back(nullptr); // db..table
                j += 1;
            } else {
                break;
            }
        }
        auto name = [&](std::size_t k) { return parts[k] ? identName(*parts[k]) : std::string(); };
        auto text = [&](std::size_t k) { return parts[k] ? parts[k]->text : std::string(); };
        std::string repl;
        bool replace = false;
        if (parts.size() == 1) {
            if (t[i].kind == Tok::Word && ieq(t[i].text, "sysdatabases")) {
                std::size_t n = nextSignificant(t, i + 1);
                if (!(n < t.size() && isSymbol(t[n], "("))) {
                    repl = "temp.vx_sysdatabases";
                    replace = true;
                }
            }
        } else if (parts.size() == 2 || (parts.size() >= 3 && ieq(name(0), "dbo"))) {
            const std::string a = name(0), b = name(1);
            if ((ieq(a, "sys") && ieq(b, "databases")) ||
                (ieq(a, "dbo") && ieq(b, "sysdatabases"))) {
                repl = "temp.vx_sysdatabases";
                replace = true;
            } else if (ieq(a, "dbo")) {
                repl = text(1);
                replace = true;
            }
            for (std::size_t k = 2; replace && k < parts.size(); ++k)
                repl += "." + text(k);
        } else if (parts.size() >= 3) {
            const std::string db = name(0), schema = name(1), obj = name(2);
            if (ieq(obj, "sysdatabases") || (ieq(schema, "sys") && ieq(obj, "databases"))) {
                repl = "temp.vx_sysdatabases";
                replace = true;
            } else if (schema.empty() || ieq(schema, "dbo")) {
                repl = quoteName(ctx.schemaFor(db)) + "." + text(2);
                replace = true;
            }
            for (std::size_t k = 3; replace && k < parts.size(); ++k)
                repl += "." + text(k);
        }
        if (!replace)
            continue;
        if (repl == "temp.vx_sysdatabases")
            ctx.usesSysDatabases = true;
        t[i] = makeToken(Tok::Word, repl);
        t.erase(t.begin() + std::ptrdiff_t(i + 1), t.begin() + std::ptrdiff_t(j));
    }
    rewritePlus(t);
    return joinTokens(t);
}

} // namespace tdsserver::sql
