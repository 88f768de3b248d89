#include "dataaccess/MyParser.h"

namespace tarrow {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters of any script (every byte of a multi-byte character), digits, "_" and "$".
bool IsNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || IsDigit(c) || c == '_' || c == '$' || u >= 0x80;
}

}  // namespace

std::size_t TMyParser::QuotedEnd(std::size_t pos, char quote) const
{
    // pos is just after the opening quote. A backslash escapes the next character inside string
    // literals; a quoted name knows no escapes.
    for (std::size_t i = pos; i < text_.size(); ++i) {
        if (text_[i] == '\\' && quote != '`') {
            ++i;
            continue;
        }
        if (text_[i] == quote) return i + 1;
    }
    return text_.size();
}

TMyParser::TToken TMyParser::Next()
{
    TToken token;
    token.Offset = pos_;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    const auto at = [&](std::size_t i) { return i < text_.size() ? text_[i] : '\0'; };
    std::size_t end = pos_ + 1;
    if (IsBlank(c)) {
        token.Kind = TTokenKind::Blank;
        while (end < text_.size() && IsBlank(text_[end])) ++end;
    } else if (c == '#' || (c == '-' && at(pos_ + 1) == '-' && pos_ + 2 < text_.size() &&
                            static_cast<unsigned char>(text_[pos_ + 2]) <= 32)) {
        token.Kind = TTokenKind::Comment;
        while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    } else if (c == '/' && at(pos_ + 1) == '*') {
        token.Kind = TTokenKind::Comment;
        const auto close = text_.find("*/", pos_ + 2);
        end = close == std::string_view::npos ? text_.size() : close + 2;
    } else if (c == '\'' || c == '"') {
        token.Kind = TTokenKind::Literal;
        end = QuotedEnd(pos_ + 1, c);
    } else if (c == '`') {
        token.Kind = TTokenKind::QuotedName;
        end = QuotedEnd(pos_ + 1, c);
    } else if (IsDigit(c)) {
        token.Kind = TTokenKind::Number;
        while (end < text_.size() && (IsNameChar(text_[end]) || text_[end] == '.')) ++end;
    } else if (IsNameChar(c)) {
        token.Kind = TTokenKind::Word;
        while (end < text_.size() && IsNameChar(text_[end])) ++end;
    } else {
        token.Kind = TTokenKind::Symbol;
    }
    token.Length = end - pos_;
    pos_ = end;
    return token;
}

TMyParsedSql ParseSqlParameters(std::string_view text)
{
    TMyParsedSql parsed;
    if (text.find(':') == std::string_view::npos) {
        parsed.Text = std::string(text);
        return parsed;
    }
    parsed.Text.reserve(text.size());
    TMyParser parser(text);
    using K = TMyParser::TTokenKind;
    std::size_t copied = 0;
    for (auto token = parser.Next(); token.Kind != K::End; token = parser.Next()) {
        if (token.Kind != K::Symbol || text[token.Offset] != ':') continue;
        // A marker is the colon, an optional "@", and a name right after them.
        TMyParser lookahead(text.substr(token.Offset + 1));
        auto name = lookahead.Next();
        std::size_t markerLength = 1;
        if (name.Kind == K::Symbol && text[token.Offset + 1] == '@') {
            name = lookahead.Next();
            ++markerLength;
        }
        std::string paramName;
        if (name.Kind == K::Word) {
            paramName = std::string(lookahead.TextOf(name));
        } else if (name.Kind == K::QuotedName && name.Length >= 2 && lookahead.TextOf(name).back() == '`') {
            paramName = std::string(lookahead.TextOf(name).substr(1, name.Length - 2));
        } else {
            continue;
        }
        markerLength += name.Length;
        parsed.Text.append(text.substr(copied, token.Offset - copied));
        parsed.Text += '?';
        parsed.Params.push_back(std::move(paramName));
        copied = token.Offset + markerLength;
        parser.Seek(copied);
    }
    parsed.Text.append(text.substr(copied));
    return parsed;
}

}  // namespace tarrow
