#pragma once

// A small XML reader for the answers of devices nobody vouches for. It takes only what SOAP needs:
// elements, attributes, namespaces, text, CDATA and comments. A document type declaration, an
// entity other than the five predefined ones and a character reference, or a document past its
// limits is refused as a whole, so nothing is ever expanded or fetched.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::onvif::xml {

struct Limits
{
    std::size_t maxBytes = 256 * 1024;
    int maxDepth = 32;
    std::size_t maxElements = 8192;
    std::size_t maxAttributes = 32;  // per element
};

struct Node
{
    std::string ns;    // namespace name (URI); empty when none is in scope
    std::string name;  // local name
    std::vector<std::pair<std::string, std::string>> attributes;  // local name, value
    std::string text;  // the element's own character data, children's left out
    std::vector<Node> children;

    // First child with this local name (in any namespace), or null.
    const Node *child(std::string_view local) const;
    // Follows local names down, first match at each step.
    const Node *find(std::initializer_list<std::string_view> path) const;
    std::vector<const Node *> all(std::string_view local) const;
    std::string attribute(std::string_view local) const;
    // The text without surrounding white space.
    std::string value() const;
};

// The document element, or nothing with `error` saying why.
std::optional<Node> parse(std::string_view text, std::string *error = nullptr, const Limits &limits = {});

// Text made safe for element content and attribute values.
std::string escape(std::string_view text);
// The same, appended to `out` (which grows by at most six times the text).
void escapeInto(std::string &out, std::string_view text);

} // namespace tarn::onvif::xml
