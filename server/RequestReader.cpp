#include "RequestReader.h"

#include "Encoding.h"
#include "Gzip.h"

#include <algorithm>
#include <cctype>

namespace demo {

namespace {

std::string Lower(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

// RFC 2046 boundary characters.
bool IsBoundaryChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("'()+_,-./:=? ").find(c) != std::string_view::npos;
}

// Name of a part from its header block; empty when the block is not a
// form-data part header.
bool PartName(std::string_view headers, std::string& name, std::string& error)
{
    bool disposition = false;
    std::size_t pos = 0;
    while (pos < headers.size()) {
        std::size_t end = headers.find("\r\n", pos);
        if (end == std::string_view::npos)
            end = headers.size();
        const std::string_view line = headers.substr(pos, end - pos);
        pos = end + 2;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            error = "malformed part header line";
            return false;
        }
        if (Lower(Trim(line.substr(0, colon))) != "content-disposition")
            continue;
        if (disposition) {
            error = "two Content-Disposition lines in one part";
            return false;
        }
        disposition = true;
        std::string_view value = line.substr(colon + 1);
        std::size_t semi = value.find(';');
        if (Lower(Trim(value.substr(0, semi))) != "form-data") {
            error = "part is not form-data";
            return false;
        }
        while (semi != std::string_view::npos) {
            value.remove_prefix(semi + 1);
            semi = value.find(';');
            const std::string_view param = Trim(value.substr(0, semi));
            const std::size_t eq = param.find('=');
            if (eq == std::string_view::npos)
                continue;
            if (Lower(Trim(param.substr(0, eq))) == "name")
                name = std::string(Unquote(Trim(param.substr(eq + 1))));
        }
    }
    if (!disposition) {
        error = "part without Content-Disposition";
        return false;
    }
    return true;
}

}  // namespace

bool ParseMultipartBoundary(std::string_view contentType, std::string& boundary)
{
    const std::size_t semi = contentType.find(';');
    if (semi == std::string_view::npos || Lower(Trim(contentType.substr(0, semi))) != "multipart/form-data")
        return false;
    std::string_view rest = contentType.substr(semi + 1);
    while (!rest.empty()) {
        const std::size_t next = rest.find(';');
        const std::string_view param = Trim(rest.substr(0, next));
        const std::size_t eq = param.find('=');
        if (eq != std::string_view::npos && Lower(Trim(param.substr(0, eq))) == "boundary") {
            const std::string_view value = Unquote(Trim(param.substr(eq + 1)));
            if (value.empty() || value.size() > 70 || !std::all_of(value.begin(), value.end(), IsBoundaryChar))
                return false;
            boundary = std::string(value);
            return true;
        }
        if (next == std::string_view::npos)
            break;
        rest.remove_prefix(next + 1);
    }
    return false;
}

bool ExtractPostPart(std::string_view body, std::string_view boundary, std::string& part, std::string& error)
{
    const std::string opening = "--" + std::string(boundary);
    const std::string delimiter = "\r\n" + opening;
    if (body.substr(0, opening.size()) != opening || body.substr(opening.size(), 2) != "\r\n") {
        error = "body does not start with the boundary";
        return false;
    }
    std::size_t pos = opening.size() + 2;
    bool found = false;
    for (std::size_t parts = 0;; ++parts) {
        if (parts == kMaxParts) {
            error = "too many parts";
            return false;
        }
        const std::size_t headerEnd = body.find("\r\n\r\n", pos);
        if (headerEnd == std::string_view::npos || headerEnd - pos > kMaxPartHeaders) {
            error = "part headers not terminated";
            return false;
        }
        std::string name;
        if (!PartName(body.substr(pos, headerEnd - pos), name, error))
            return false;
        const std::size_t dataStart = headerEnd + 4;
        const std::size_t dataEnd = body.find(delimiter, dataStart);
        if (dataEnd == std::string_view::npos) {
            error = "body ends inside a part (no closing boundary)";
            return false;
        }
        if (name == "POST") {
            if (found) {
                error = "two parts named POST";
                return false;
            }
            found = true;
            part.assign(body.substr(dataStart, dataEnd - dataStart));
        }
        pos = dataEnd + delimiter.size();
        const std::string_view after = body.substr(pos, 2);
        if (after == "--") {
            const std::string_view tail = body.substr(pos + 2);
            if (!tail.empty() && tail != "\r\n") {
                error = "data after the closing boundary";
                return false;
            }
            break;
        }
        if (after != "\r\n") {
            error = "malformed boundary line";
            return false;
        }
        pos += 2;
    }
    if (!found) {
        error = "no part named POST";
        return false;
    }
    return true;
}

bool ReadRequest(std::string_view contentType, std::string_view body, std::string& elements, std::string& error)
{
    if (body.size() > kMaxRequestBody) {
        error = "request body too large";
        return false;
    }
    std::string boundary;
    if (!ParseMultipartBoundary(contentType, boundary)) {
        error = "not a multipart/form-data request with a boundary";
        return false;
    }
    std::string gz;
    if (!ExtractPostPart(body, boundary, gz, error))
        return false;
    std::string text;
    if (!order::GunzipSoleMember(gz, text, kMaxRequestText)) {
        error = "the POST part is not exactly one valid gzip member";
        return false;
    }
    if (!order::IsValidUtf8(text)) {
        error = "the request text is not UTF-8";
        return false;
    }
    constexpr std::string_view kHead = "VALUE=<POST_DATA>";
    constexpr std::string_view kTail = "</POST_DATA>";
    if (text.size() < kHead.size() + kTail.size() || text.compare(0, kHead.size(), kHead) != 0 ||
        text.compare(text.size() - kTail.size(), kTail.size(), kTail) != 0) {
        error = "the request text is not VALUE=<POST_DATA>...</POST_DATA>";
        return false;
    }
    elements = text.substr(kHead.size(), text.size() - kHead.size() - kTail.size());
    return true;
}

}  // namespace demo
