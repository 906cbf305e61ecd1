#include "core/text/JsonString.h"

#include "core/text/Utf8.h"

namespace raumfuchs {

void appendJsonString(std::string& out, std::string_view bytes, JsonBytes rule) {
    std::string decoded;
    if (rule == JsonBytes::Utf8 && !isValidUtf8(bytes)) {
        decoded = decodeUtf8Lossy(bytes);
        bytes = decoded;
    }
    out += '"';
    std::size_t plain = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7f) {
            continue;
        }
        out.append(bytes.substr(plain, i - plain));
        plain = i + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default: {
                static const char hex[] = "0123456789abcdef";
                const char escaped[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                out.append(escaped, 6);
            }
        }
    }
    out.append(bytes.substr(plain));
    out += '"';
}

}  // namespace raumfuchs
