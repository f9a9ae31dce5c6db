#include "document/DecodeHTML.h"

#include "base/Diagnostics.h"
#include "base/Utf8.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string_view>

namespace brivane::document {

namespace {

struct DocFreer {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct CtxtFreer {
    void operator()(htmlParserCtxt* ctxt) const { htmlFreeParserCtxt(ctxt); }
};

void IgnoreGenericError(void*, const char*, ...) {}

bool IsNamed(const xmlNode* node, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) return true;
    return false;
}

// Block boundaries become one line break, so "<p>A</p><p>B</p>" reads "A\nB"
// rather than "AB"; text inside elements a browser never shows is dropped.
void AppendText(const xmlNode* node, std::string& out) {
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) out += reinterpret_cast<const char*>(node->content);
            continue;
        }
        if (node->type != XML_ELEMENT_NODE) continue;
        if (IsNamed(node, {"script", "style", "head", "template"})) continue;
        if (IsNamed(node, {"br"})) {
            out += '\n';
            continue;
        }
        const bool block = IsNamed(node, {"p", "div", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote",
                                          "pre", "ul", "ol", "table"});
        if (block && !out.empty() && out.back() != '\n') out += '\n';
        AppendText(node->children, out);
        if (block && !out.empty() && out.back() != '\n') out += '\n';
    }
}

std::string LastErrorOf(htmlParserCtxt* ctxt) {
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    std::string text = error && error->message ? error->message : "the HTML parser produced no document";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::string decodeHTML(const std::string& html) {
    if (!IsValidUtf8(html)) {
        Diagnostics::Line("Error: Unable to convert string to UTF-8 data.");
        return html;
    }
    if (html.size() > INT_MAX) {
        Diagnostics::Line("Error decoding HTML: input too large");
        return html;
    }
    // The parser would otherwise print its complaints to stderr on its own.
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);

    std::unique_ptr<htmlParserCtxt, CtxtFreer> ctxt(htmlNewParserCtxt());
    if (!ctxt) {
        Diagnostics::Line("Error decoding HTML: out of memory");
        return html;
    }
    const int options = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, DocFreer> doc(
        htmlCtxtReadMemory(ctxt.get(), html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", options));
    if (!doc) {
        Diagnostics::Line("Error decoding HTML: " + LastErrorOf(ctxt.get()));
        return html;
    }
    std::string text;
    AppendText(doc->children, text);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace brivane::document
