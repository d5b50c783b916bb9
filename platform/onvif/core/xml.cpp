#include "xml.h"

#include <cstdint>
#include <cstring>

namespace tarn::onvif::xml {

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool nameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool nameChar(unsigned char c)
{
    return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendUtf8(std::string &out, std::uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xc0 | c >> 6);
        out += char(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += char(0xe0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3f));
        out += char(0x80 | (c & 0x3f));
    } else {
        out += char(0xf0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3f));
        out += char(0x80 | (c >> 6 & 0x3f));
        out += char(0x80 | (c & 0x3f));
    }
}

class Parser
{
public:
    Parser(std::string_view text, const Limits &limits) : m_text(text), m_limits(limits) {}

    std::optional<Node> document()
    {
        if (m_text.size() > m_limits.maxBytes) {
            fail("the document is larger than " + std::to_string(m_limits.maxBytes) + " bytes");
            return std::nullopt;
        }
        if (m_text.substr(0, 3) == "\xef\xbb\xbf")
            m_pos = 3;
        if (!misc())
            return std::nullopt;
        if (!at("<") || m_pos + 1 >= m_text.size() || !nameStart(static_cast<unsigned char>(m_text[m_pos + 1]))) {
            fail("no document element");
            return std::nullopt;
        }
        Node root;
        if (!element(root, 1) || !misc())
            return std::nullopt;
        if (m_pos != m_text.size()) {
            fail("content after the document element");
            return std::nullopt;
        }
        return root;
    }

    std::string error;

private:
    bool fail(const std::string &why)
    {
        if (error.empty())
            error = why + " (at byte " + std::to_string(m_pos) + ")";
        return false;
    }

    bool at(std::string_view s) const { return m_text.compare(m_pos, s.size(), s) == 0; }

    void skipSpace()
    {
        while (m_pos < m_text.size() && space(m_text[m_pos]))
            ++m_pos;
    }

    // Moves past the next `end`; false when the text ends first.
    bool skipPast(std::string_view end)
    {
        const std::size_t found = m_text.find(end, m_pos);
        if (found == std::string_view::npos)
            return false;
        m_pos = found + end.size();
        return true;
    }

    // White space, comments and processing instructions around the document element.
    bool misc()
    {
        for (;;) {
            skipSpace();
            if (at("<?")) {
                if (!skipPast("?>"))
                    return fail("unterminated processing instruction");
            } else if (at("<!--")) {
                if (!skipPast("-->"))
                    return fail("unterminated comment");
            } else if (at("<!")) {
                return fail("document type declarations are not accepted");
            } else {
                return true;
            }
        }
    }

    bool name(std::string_view &out)
    {
        const std::size_t start = m_pos;
        if (m_pos >= m_text.size() || !nameStart(static_cast<unsigned char>(m_text[m_pos])))
            return fail("a name was expected");
        while (m_pos < m_text.size() && nameChar(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
        out = m_text.substr(start, m_pos - start);
        return true;
    }

    // Decodes `raw` (text or an attribute value) into `out`.
    bool decode(std::string_view raw, std::string &out)
    {
        for (std::size_t i = 0; i < raw.size();) {
            const char c = raw[i];
            if (c != '&') {
                out += c;
                ++i;
                continue;
            }
            const std::size_t end = raw.find(';', i);
            if (end == std::string_view::npos || end - i > 12)
                return fail("a malformed reference");
            const std::string_view ref = raw.substr(i + 1, end - i - 1);
            i = end + 1;
            if (ref == "amp")
                out += '&';
            else if (ref == "lt")
                out += '<';
            else if (ref == "gt")
                out += '>';
            else if (ref == "quot")
                out += '"';
            else if (ref == "apos")
                out += '\'';
            else if (ref.size() >= 2 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                const std::string_view digits = ref.substr(hex ? 2 : 1);
                if (digits.empty() || digits.size() > 8)
                    return fail("a malformed character reference");
                std::uint32_t v = 0;
                for (char d : digits) {
                    int n = -1;
                    if (d >= '0' && d <= '9')
                        n = d - '0';
                    else if (hex && d >= 'a' && d <= 'f')
                        n = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F')
                        n = d - 'A' + 10;
                    if (n < 0)
                        return fail("a malformed character reference");
                    v = v * (hex ? 16 : 10) + std::uint32_t(n);
                }
                const bool allowed = v == 0x9 || v == 0xa || v == 0xd || (v >= 0x20 && v <= 0xd7ff)
                    || (v >= 0xe000 && v <= 0xfffd) || (v >= 0x10000 && v <= 0x10ffff);
                if (!allowed)
                    return fail("a character reference to a character XML does not allow");
                appendUtf8(out, v);
            } else {
                return fail("entity references are not accepted");
            }
        }
        return true;
    }

    std::string_view lookup(std::string_view prefix) const
    {
        if (prefix == "xml")
            return kXmlNamespace;
        for (auto it = m_scope.rbegin(); it != m_scope.rend(); ++it) {
            if (it->first == prefix)
                return it->second;
        }
        return prefix.empty() ? std::string_view() : std::string_view("\x01");  // \x01: unbound
    }

    bool element(Node &node, int depth)
    {
        if (depth > m_limits.maxDepth)
            return fail("elements nested deeper than " + std::to_string(m_limits.maxDepth));
        if (++m_elements > m_limits.maxElements)
            return fail("more than " + std::to_string(m_limits.maxElements) + " elements");
        ++m_pos;  // '<'
        std::string_view qname;
        if (!name(qname))
            return false;
        const std::size_t scopeMark = m_scope.size();
        std::vector<std::pair<std::string_view, std::string>> raw;
        bool empty = false;
        for (;;) {
            const std::size_t before = m_pos;
            skipSpace();
            if (at("/>")) {
                m_pos += 2;
                empty = true;
                break;
            }
            if (at(">")) {
                ++m_pos;
                break;
            }
            if (m_pos == before)
                return fail("white space was expected between attributes");
            std::string_view attribute;
            if (!name(attribute))
                return false;
            skipSpace();
            if (!at("="))
                return fail("'=' was expected");
            ++m_pos;
            skipSpace();
            if (m_pos >= m_text.size() || (m_text[m_pos] != '"' && m_text[m_pos] != '\''))
                return fail("a quoted attribute value was expected");
            const char quote = m_text[m_pos++];
            const std::size_t end = m_text.find(quote, m_pos);
            if (end == std::string_view::npos)
                return fail("unterminated attribute value");
            const std::string_view value = m_text.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            if (value.find('<') != std::string_view::npos)
                return fail("'<' in an attribute value");
            if (raw.size() >= m_limits.maxAttributes)
                return fail("too many attributes");
            std::string decoded;
            if (!decode(value, decoded))
                return false;
            if (attribute == "xmlns")
                m_scope.emplace_back(std::string(), decoded);
            else if (attribute.substr(0, 6) == "xmlns:")
                m_scope.emplace_back(std::string(attribute.substr(6)), decoded);
            else
                raw.emplace_back(attribute, std::move(decoded));
        }
        const std::size_t colon = qname.find(':');
        const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
        const std::string_view ns = lookup(prefix);
        if (ns == "\x01")
            return fail("an undeclared namespace prefix");
        node.ns = std::string(ns);
        node.name = std::string(colon == std::string_view::npos ? qname : qname.substr(colon + 1));
        for (auto &[attribute, value] : raw) {
            const std::size_t c = attribute.find(':');
            node.attributes.emplace_back(std::string(c == std::string_view::npos ? attribute : attribute.substr(c + 1)),
                                         std::move(value));
        }
        if (!empty && !content(node, qname, depth))
            return false;
        m_scope.resize(scopeMark);
        return true;
    }

    bool content(Node &node, std::string_view qname, int depth)
    {
        for (;;) {
            const std::size_t lt = m_text.find('<', m_pos);
            if (lt == std::string_view::npos)
                return fail("unterminated element " + std::string(qname));
            if (lt > m_pos) {
                const std::string_view chunk = m_text.substr(m_pos, lt - m_pos);
                if (chunk.find("]]>") != std::string_view::npos)
                    return fail("']]>' in text");
                if (!decode(chunk, node.text))
                    return false;
                m_pos = lt;
            }
            if (at("</")) {
                m_pos += 2;
                std::string_view closing;
                if (!name(closing))
                    return false;
                skipSpace();
                if (closing != qname || !at(">"))
                    return fail("mismatched end tag");
                ++m_pos;
                return true;
            }
            if (at("<!--")) {
                if (!skipPast("-->"))
                    return fail("unterminated comment");
            } else if (at("<![CDATA[")) {
                m_pos += 9;
                const std::size_t end = m_text.find("]]>", m_pos);
                if (end == std::string_view::npos)
                    return fail("unterminated CDATA section");
                node.text.append(m_text.substr(m_pos, end - m_pos));
                m_pos = end + 3;
            } else if (at("<?")) {
                if (!skipPast("?>"))
                    return fail("unterminated processing instruction");
            } else if (at("<!")) {
                return fail("document type declarations are not accepted");
            } else {
                node.children.emplace_back();
                if (!element(node.children.back(), depth + 1))
                    return false;
            }
        }
    }

    std::string_view m_text;
    const Limits &m_limits;
    std::size_t m_pos = 0;
    std::size_t m_elements = 0;
    std::vector<std::pair<std::string, std::string>> m_scope;  // prefix, namespace; innermost last
};

} // namespace

const Node *Node::child(std::string_view local) const
{
    for (const Node &c : children) {
        if (c.name == local)
            return &c;
    }
    return nullptr;
}

const Node *Node::find(std::initializer_list<std::string_view> path) const
{
    const Node *at = this;
    for (std::string_view step : path) {
        at = at->child(step);
        if (!at)
            return nullptr;
    }
    return at;
}

std::vector<const Node *> Node::all(std::string_view local) const
{
    std::vector<const Node *> found;
    for (const Node &c : children) {
        if (c.name == local)
            found.push_back(&c);
    }
    return found;
}

std::string Node::attribute(std::string_view local) const
{
    for (const auto &[name, value] : attributes) {
        if (name == local)
            return value;
    }
    return std::string();
}

std::string Node::value() const
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && space(text[begin]))
        ++begin;
    while (end > begin && space(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::optional<Node> parse(std::string_view text, std::string *error, const Limits &limits)
{
    Parser parser(text, limits);
    std::optional<Node> root = parser.document();
    if (!root && error)
        *error = parser.error;
    return root;
}

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    escapeInto(out, text);
    return out;
}

void escapeInto(std::string &out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
}

} // namespace tarn::onvif::xml
