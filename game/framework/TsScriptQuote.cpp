#include "game/framework/TsScriptQuote.h"

std::string TsScriptQuote(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\000"; break;
        default: out.push_back(c); break;
        }
    }
    out.push_back('"');
    return out;
}

bool TsIsScriptIdentifier(const char* text)
{
    if (!text || !*text || (*text >= '0' && *text <= '9'))
        return false;
    for (const char* c = text; *c; ++c) {
        const bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        if (!letter && !(*c >= '0' && *c <= '9') && *c != '_')
            return false;
    }
    return true;
}
