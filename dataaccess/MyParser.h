#pragma once
// The lexer of the MySQL dialect that finds parameter markers (":name") in statement text, outside
// literals, quoted names and comments.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

class TMyParser {
public:
    enum class TTokenKind { End, Blank, Comment, Literal, QuotedName, Word, Number, Symbol };

    struct TToken {
        TTokenKind Kind = TTokenKind::End;
        std::size_t Offset = 0;
        std::size_t Length = 0;
    };

    explicit TMyParser(std::string_view text) : text_(text) {}

    // The next token; a literal or a comment left open runs to the end of the text.
    TToken Next();
    std::string_view TextOf(const TToken& token) const { return text_.substr(token.Offset, token.Length); }
    // Goes on at a token boundary found earlier.
    void Seek(std::size_t pos) noexcept { pos_ = pos; }

private:
    std::size_t QuotedEnd(std::size_t pos, char quote) const;

    std::string_view text_;
    std::size_t pos_ = 0;
};

struct TMyParsedSql {
    std::string Text;                 // markers replaced by "?"
    std::vector<std::string> Params;  // one name per marker, in order of appearance
};

// A text without any colon is returned as it is, unscanned.
TMyParsedSql ParseSqlParameters(std::string_view text);

}  // namespace tarrow
