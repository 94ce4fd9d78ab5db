#include "platform/db/SqlLexer.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/DbError.h"

namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || (c & 0x80); }

// Skips blanks and comments; answers the next position that starts a token.
size_t SkipBlank(const std::string& sql, size_t pos)
{
    while (pos < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[pos]))) ++pos;
        else if (sql.compare(pos, 2, "--") == 0) pos = std::min(sql.find('\n', pos), sql.size());
        else if (sql.compare(pos, 2, "/*") == 0) {
            const size_t end = sql.find("*/", pos + 2);
            if (end == std::string::npos) DatabaseError("SQL syntax error: unterminated comment");
            pos = end + 2;
        } else break;
    }
    return pos;
}

// A quoted token from `pos` (the opening quote); a doubled quote stands for one.
size_t ReadQuoted(const std::string& sql, size_t pos, char close, std::string& value)
{
    for (size_t i = pos + 1; i < sql.size(); ++i) {
        if (sql[i] != close) {
            value += sql[i];
            continue;
        }
        if (i + 1 < sql.size() && sql[i + 1] == close && close != ']') {
            value += close;
            ++i;
            continue;
        }
        return i + 1;
    }
    DatabaseError("SQL syntax error: unterminated quoted text from position " + std::to_string(pos + 1));
}

size_t ReadWhile(const std::string& sql, size_t pos, bool (*accept)(char))
{
    while (pos < sql.size() && accept(sql[pos])) ++pos;
    return pos;
}

bool IsNumberChar(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; }

TSqlToken NextToken(const std::string& sql, size_t pos)
{
    TSqlToken token;
    token.Start = pos;
    const char c = sql[pos];
    size_t end = pos + 1;
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
        token.Kind = c == '\'' ? TSqlTokenKind::String : TSqlTokenKind::QuotedName;
        end = ReadQuoted(sql, pos, c == '[' ? ']' : c, token.Value);
    } else if (c == ':' && pos + 1 < sql.size() && IsWordChar(sql[pos + 1])) {
        token.Kind = TSqlTokenKind::Parameter;
        end = ReadWhile(sql, pos + 1, IsWordChar);
        token.Value = sql.substr(pos + 1, end - pos - 1);
    } else if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && pos + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[pos + 1])))) {
        token.Kind = TSqlTokenKind::Number;
        end = ReadWhile(sql, pos, IsNumberChar);
        token.Value = sql.substr(pos, end - pos);
    } else if (IsWordChar(c)) {
        token.Kind = TSqlTokenKind::Word;
        end = ReadWhile(sql, pos, IsWordChar);
        token.Value = sql.substr(pos, end - pos);
    } else {
        token.Value = std::string(1, c);
    }
    token.Length = end - pos;
    return token;
}

bool IsAggregate(const TSqlToken& token)
{
    static const char* const kAggregates[] = {"COUNT", "SUM", "AVG", "MIN", "MAX", "TOTAL", "GROUP_CONCAT"};
    return std::any_of(std::begin(kAggregates), std::end(kAggregates), [&](const char* name) { return token.Is(name); });
}

}  // namespace

std::string IsoDateOfText(const std::string& text)
{
    const TFormatSettings& settings = FormatSettings();
    if (std::count(text.begin(), text.end(), settings.DateSeparator) != 2) return "";
    if (!std::all_of(text.begin(), text.end(), [&](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == settings.DateSeparator; }))
        return "";
    TDateTime date = 0;
    if (!TryStrToDate(text, date, settings)) return "";
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    char iso[16];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", y, m, d);
    return iso;
}

bool TSqlToken::Is(const char* word) const
{
    return (Kind == TSqlTokenKind::Word || Kind == TSqlTokenKind::Symbol) && strcasecmp(Value.c_str(), word) == 0;
}

std::vector<TSqlToken> TokenizeSql(const std::string& sql)
{
    std::vector<TSqlToken> tokens;
    for (size_t pos = SkipBlank(sql, 0); pos < sql.size(); pos = SkipBlank(sql, pos)) {
        tokens.push_back(NextToken(sql, pos));
        pos += tokens.back().Length;
    }
    return tokens;
}

std::vector<std::string> SqlParameterNames(const std::vector<TSqlToken>& tokens)
{
    std::vector<std::string> names;
    for (const TSqlToken& token : tokens)
        if (token.Kind == TSqlTokenKind::Parameter && std::find(names.begin(), names.end(), token.Value) == names.end())
            names.push_back(token.Value);
    return names;
}

size_t LiveSelectInsertPoint(const std::vector<TSqlToken>& tokens)
{
    if (tokens.empty() || !tokens[0].Is("SELECT")) return std::string::npos;
    static const char* const kBlocking[] = {"DISTINCT", "GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "JOIN", "SELECT", "LIMIT"};
    bool inFrom = false, inOrder = false;
    int depth = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const TSqlToken& t = tokens[i];
        if (std::any_of(std::begin(kBlocking), std::end(kBlocking), [&](const char* w) { return t.Is(w); })) return std::string::npos;
        if (IsAggregate(t) && i + 1 < tokens.size() && tokens[i + 1].Is("(")) return std::string::npos;
        if (t.Is("(")) ++depth;
        if (t.Is(")")) --depth;
        if (t.Is("FROM")) inFrom = true;
        if (t.Is("WHERE") || t.Is("ORDER")) inFrom = false;
        inOrder = inOrder || t.Is("ORDER");
        if (inOrder && t.Kind == TSqlTokenKind::Number) return std::string::npos;  // ORDER BY 1 counts result columns
        if (inFrom && depth == 0 && t.Is(",")) return std::string::npos;  // a second table
    }
    return tokens[0].Start + tokens[0].Length;
}

std::string RewriteDateLiterals(const std::string& sql, const std::vector<TSqlToken>& tokens)
{
    std::string out;
    size_t copied = 0;
    for (const TSqlToken& token : tokens) {
        if (token.Kind != TSqlTokenKind::String) continue;
        const std::string iso = IsoDateOfText(token.Value);
        if (iso.empty()) continue;
        out.append(sql, copied, token.Start - copied);
        out += "'" + iso + "'";
        copied = token.Start + token.Length;
    }
    out.append(sql, copied, std::string::npos);
    return out;
}

std::string SqlQuotedName(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}
