#pragma once
// A read-only view of a parsed XML document: elements with their local names, namespaces,
// attributes and text. The SOAP rules are written once over it; each platform's XML library stands
// behind it in one adapter file, and the build links exactly one.

#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

struct TXmlAdapter;

// An element of a live TXmlDocument; the empty element (false) stands for "none". Valid only while
// its document lives.
class TXmlElement {
public:
    TXmlElement() noexcept = default;
    TXmlElement(const TXmlElement& other) noexcept;
    TXmlElement(TXmlElement&& other) noexcept : Node_(other.Node_) { other.Node_ = nullptr; }
    TXmlElement& operator=(TXmlElement other) noexcept
    {
        std::swap(Node_, other.Node_);
        return *this;
    }
    ~TXmlElement();

    explicit operator bool() const noexcept { return Node_ != nullptr; }

    std::string LocalName() const;
    // Empty when the element is in no namespace.
    std::string NamespaceUri() const;
    // The value of the attribute with this local name in this namespace (empty: in none).
    std::optional<std::string> Attribute(std::string_view localName, std::string_view namespaceUri = {}) const;
    TXmlElement FirstChildElement() const;
    TXmlElement NextSiblingElement() const;
    // Any child at all: element, text, comment.
    bool HasChildNodes() const;
    // All text below the element, UTF-8.
    std::string Text() const;
    // The element with everything below it as UTF-8 markup, without a declaration.
    std::string Markup() const;

private:
    friend struct TXmlAdapter;
    explicit TXmlElement(void* node) noexcept : Node_(node) {}
    void* Node_ = nullptr;
};

class TXmlDocument {
public:
    // Parses the bytes as they came, their own declaration or byte-order mark naming the encoding.
    // Raises EDOMParseError for bytes that are not a well-formed, namespace-well-formed document or
    // that carry a document type declaration.
    explicit TXmlDocument(std::string_view bytes);
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;
    ~TXmlDocument();

    TXmlElement Root() const;

private:
    friend struct TXmlAdapter;
    void* Doc_ = nullptr;
};

// ---- shared by the adapters ------------------------------------------------------------------

// The error of a body that did not parse: the library's reason, the line it names and the first 40
// characters of that line.
[[noreturn]] void ThrowXmlParseError(std::string reason, int line, std::string_view lineText);

// The line of the body with this number (from 1), without its line end; empty past the end.
std::string_view XmlBodyLine(std::string_view body, int lineNumber);

// Raises the refusal of a document type declaration, naming the line of the body it is on.
[[noreturn]] void ThrowXmlDocumentTypeRefused(std::string_view body);

}  // namespace tarrow
