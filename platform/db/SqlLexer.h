#pragma once
// Tokens of a local SQL text. The engine reads them to run its own DDL, to find the parameters,
// to decide whether a SELECT can give an editable result and to turn date literals written in
// the program's date format into the ISO form that date columns hold.
#include <string>
#include <vector>

enum class TSqlTokenKind { Word, String, QuotedName, Number, Parameter, Symbol };

struct TSqlToken {
    TSqlTokenKind Kind = TSqlTokenKind::Symbol;
    std::string Value;  // unquoted text; a parameter without its ':'
    size_t Start = 0;   // position and length of the token in the SQL text
    size_t Length = 0;
    bool Is(const char* word) const;  // a word or symbol equal to `word`, case ignored
};

// Comments and blanks are dropped; unterminated quotes raise EDatabaseError.
std::vector<TSqlToken> TokenizeSql(const std::string& sql);

// A table or field name in double quotes for a statement; a quote inside it is doubled.
std::string SqlQuotedName(const std::string& name);

// Parameter names in order of first appearance, without ':' (case kept).
std::vector<std::string> SqlParameterNames(const std::vector<TSqlToken>& tokens);

// Where a SELECT over one table can be edited row by row: no DISTINCT, grouping, aggregates,
// set operations, joins or sub-selects. Answers the position just after the SELECT word, or
// std::string::npos when the statement cannot give an editable result.
size_t LiveSelectInsertPoint(const std::vector<TSqlToken>& tokens);

// The SQL text with every quoted literal that is a whole date in the program's short date
// format written as 'YYYY-MM-DD', the form date columns compare with.
std::string RewriteDateLiterals(const std::string& sql, const std::vector<TSqlToken>& tokens);

// A whole date in the program's short date format as 'YYYY-MM-DD'; "" for any other text.
std::string IsoDateOfText(const std::string& text);
