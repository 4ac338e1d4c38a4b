// The small T-SQL layer: tokenizer, batch splitter and rewriting of T-SQL
// spellings into SQLite's dialect.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tdsserver::sql {

enum class Tok { Space, Comment, Word, QIdent, String, Number, Symbol };

struct Token {
    Tok kind;
    std::string text;
    std::size_t offset = 0; // byte offset in the batch
};

std::vector<Token> tokenize(std::string_view text);

struct Statement {
    std::vector<Token> tokens; // with whitespace and comments, without the ending ';'
    int line = 1;              // 1-based line of the first significant token in the batch
};

// Splits a batch into statements: at ';' and, as T-SQL allows statements
// without separators, before a keyword that starts a new statement.
std::vector<Statement> splitBatch(std::string_view batch);

std::string upper(std::string_view s);
bool isSignificant(const Token& t);
// Word token equal to `upperWord` (given in upper case), compared without case.
bool isWord(const Token& t, std::string_view upperWord);
// Name of an identifier token: [a]]b] -> a]b, "a""b" -> a"b, abc -> abc.
std::string identName(const Token& t);
// Quotes a name for SQLite ("a""b").
std::string quoteName(std::string_view name);
// Quotes text as a SQL string literal.
std::string quoteString(std::string_view text);

// Significant tokens only.
std::vector<Token> significant(const std::vector<Token>& tokens);

// Joins token texts back into SQL text.
std::string joinTokens(const std::vector<Token>& tokens, std::size_t from = 0,
                       std::size_t to = std::string::npos);

struct RewriteContext {
    // Maps a database named in a three-part name onto a SQLite schema name
    // ("main", an attached name); may throw std::runtime_error with a T-SQL message.
    std::function<std::string(const std::string& db)> schemaFor;
    bool usesSysDatabases = false; // set when the statement reads the database list
};

// Rewrites a statement (or an expression) from T-SQL spelling into SQLite SQL.
std::string rewrite(const std::vector<Token>& tokens, RewriteContext& ctx);

} // namespace tdsserver::sql
