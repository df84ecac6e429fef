#include "core/printusing.h"

#include <algorithm>

#include "core/errors.h"
#include "eval/numtext.h"

namespace tw {

namespace {

bool isLeadByte(char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 0x81 && c <= 0x9F) || c >= 0xE0;
}

// Byte length of the character at `pos`: 2 for a complete double-byte pair.
size_t charLen(std::string_view s, size_t pos) {
    return isLeadByte(s[pos]) && pos + 1 < s.size() ? 2 : 1;
}

constexpr char kCurrency = '\x5C';

struct NumField {
    bool leadPlus = false;
    bool star = false;
    bool currency = false;
    bool grouping = false;
    bool point = false;
    bool exponent = false;
    bool trailPlus = false;
    bool trailMinus = false;
    bool hasHash = false;
    int intWidth = 0;  // template positions before the point: '+', "**", currency, '#', ','
    int decimals = 0;  // '#' after the point
};

enum class Kind { None, Number, FirstChar, Fixed };

struct Field {
    Kind kind = Kind::None;
    size_t end = 0;    // template position after the field
    size_t width = 0;  // string fields
    NumField num;
};

char at(std::string_view t, size_t i) {
    return i < t.size() ? t[i] : '\0';
}

bool startsNumber(std::string_view t, size_t p) {
    char c = at(t, p);
    char c1 = at(t, p + 1);
    if (c == '#' || (c == '.' && c1 == '#') || (c == '*' && c1 == '*')) {
        return true;
    }
    return c == '+' && (c1 == '#' || (c1 == '.' && at(t, p + 2) == '#') ||
                        (c1 == '*' && at(t, p + 2) == '*'));
}

Field numberField(std::string_view t, size_t p) {
    Field f;
    f.kind = Kind::Number;
    NumField& n = f.num;
    if (at(t, p) == '+') {
        n.leadPlus = true;
        ++n.intWidth;
        ++p;
    }
    if (at(t, p) == '*' && at(t, p + 1) == '*') {
        n.star = true;
        n.intWidth += 2;
        p += 2;
        if (at(t, p) == kCurrency) {
            n.currency = true;
            ++n.intWidth;
            ++p;
        }
    }
    for (;;) {
        char c = at(t, p);
        if (c == '#') {
            n.hasHash = true;
        } else if (c == ',' && (n.hasHash || n.star)) {
            // A comma groups only inside the digits; one that ends them is text.
            size_t q = p;
            while (at(t, q) == ',') {
                ++q;
            }
            if (at(t, q) != '#' && at(t, q) != '.') {
                break;
            }
            n.grouping = true;
        } else {
            break;
        }
        ++n.intWidth;
        ++p;
    }
    if (at(t, p) == '.') {
        n.point = true;
        ++p;
        while (at(t, p) == '#') {
            n.hasHash = true;
            ++n.decimals;
            ++p;
        }
    }
    if (t.substr(std::min(p, t.size()), 4) == "^^^^") {
        n.exponent = true;
        p += 4;
    }
    if (!n.leadPlus) {
        if (at(t, p) == '+') {
            n.trailPlus = true;
            ++p;
        } else if (at(t, p) == '-') {
            n.trailMinus = true;
            ++p;
        }
    }
    f.end = p;
    return f;
}

// The field that starts at `p`, or Kind::None when `p` holds literal text.
Field fieldAt(std::string_view t, size_t p) {
    Field f;
    char c = t[p];
    if (c == '!' || c == '@') {
        f.kind = Kind::FirstChar;
        f.end = p + 1;
        f.width = 1;
        return f;
    }
    if (c == '&') {
        for (size_t q = p + 1; q < t.size(); q += charLen(t, q)) {
            if (t[q] == '&') {
                f.kind = Kind::Fixed;
                f.end = q + 1;
                f.width = q + 1 - p;
                return f;
            }
        }
        return f;  // an unpaired '&' is text
    }
    if (startsNumber(t, p)) {
        return numberField(t, p);
    }
    return f;
}

// Groups integer digits in threes: "1234567" -> "1,234,567".
std::string group(const std::string& digits) {
    std::string out;
    size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
    return out;
}

bool allZero(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == '0'; });
}

std::string formatNumber(const NumField& f, double v) {
    if (!f.hasHash && !f.point) {
        raise(err::Syntax);
    }
    bool neg = false;
    std::string ip;  // integer digits
    std::string fp;  // fraction digits
    std::string exp;
    int width = f.intWidth;
    if (f.exponent) {
        // One position stays free for the sign unless the field places it.
        bool signPlaced = f.leadPlus || f.trailPlus || f.trailMinus;
        int positions = width - (f.leadPlus ? 1 : 0) - (f.currency ? 1 : 0);
        int intDigits = std::max(positions - (signPlaced ? 0 : 1), 0);
        if (intDigits + f.decimals == 0) {
            intDigits = 1;
        }
        int decpt = 0;
        std::string d = numtext::ecvt(v, intDigits + f.decimals, &decpt, &neg);
        ip = d.substr(0, static_cast<size_t>(intDigits));
        fp = d.substr(static_cast<size_t>(intDigits));
        int e = allZero(d) ? 0 : decpt - intDigits;
        int a = e < 0 ? -e : e;
        exp = "E";
        exp += e < 0 ? '-' : '+';
        if (a < 10) {
            exp += '0';
        }
        exp += std::to_string(a);
        if (allZero(d)) {
            neg = false;
        }
    } else {
        int decpt = 0;
        std::string d = numtext::fcvt(v, f.decimals, &decpt, &neg);
        if (decpt > 0) {
            ip = d.substr(0, std::min(d.size(), static_cast<size_t>(decpt)));
            ip.resize(static_cast<size_t>(decpt), '0');
            fp = d.size() > ip.size() ? d.substr(ip.size()) : std::string();
        } else {
            fp = std::string(static_cast<size_t>(-decpt), '0') + d;
        }
        fp.resize(static_cast<size_t>(f.decimals), '0');
        size_t nz = ip.find_first_not_of('0');
        ip.erase(0, nz == std::string::npos ? ip.size() : nz);
        if (ip.empty() && allZero(fp)) {
            neg = false;  // a value that rounds to zero shows no minus sign
        }
        if (f.grouping) {
            ip = group(ip);
        }
    }

    std::string lead;
    if (f.leadPlus) {
        lead = neg ? "-" : "+";
    } else if (neg && !f.trailPlus && !f.trailMinus) {
        lead = "-";
    }
    if (f.currency) {
        lead += kCurrency;
    }
    std::string trail;
    if (f.trailPlus) {
        trail = neg ? "-" : "+";
    } else if (f.trailMinus) {
        trail = neg ? "-" : " ";
    }

    std::string body = lead;
    if (ip.empty() && !f.exponent &&
        (!f.point || static_cast<int>(lead.size()) + 1 <= width)) {
        body += '0';
    } else {
        body += ip;
    }
    std::string out;
    if (static_cast<int>(body.size()) > width) {
        out = "%";
    } else {
        out.assign(static_cast<size_t>(width) - body.size(), f.star ? '*' : ' ');
    }
    out += body;
    if (f.point) {
        out += '.';
        out += fp;
    }
    out += exp;
    out += trail;
    return out;
}

// `s` cut or padded with blanks to `width` bytes. A double-byte character
// that the cut would split is replaced by a blank.
std::string fitString(const std::string& s, size_t width) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        size_t len = charLen(s, i);
        if (out.size() + len > width) {
            break;
        }
        out.append(s, i, len);
        i += len;
    }
    out.resize(width, ' ');
    return out;
}

}  // namespace

std::string formatUsing(std::string_view tmpl, const std::function<bool(Value&)>& next) {
    std::string out;
    size_t pos = 0;
    bool anyField = false;
    bool have = false;  // `item` was fetched but not yet placed
    Value item;
    for (;;) {
        Field f;
        while (pos < tmpl.size()) {
            f = fieldAt(tmpl, pos);
            if (f.kind != Kind::None) {
                break;
            }
            if (tmpl[pos] == '_' && pos + 1 < tmpl.size()) {
                ++pos;
            }
            size_t len = charLen(tmpl, pos);
            out.append(tmpl, pos, len);
            pos += len;
        }
        if (pos >= tmpl.size()) {
            // End of the template: start over only when an item is left.
            if (!have) {
                if (!next(item)) {
                    break;
                }
                have = true;
            }
            if (!anyField) {
                raise(err::IllegalFunctionCall);
            }
            pos = 0;
            continue;
        }
        anyField = true;
        if (!have && !next(item)) {
            break;
        }
        have = false;
        if (f.kind == Kind::Number) {
            if (item.isStr()) {
                raise(err::TypeMismatch);
            }
            out += formatNumber(f.num, item.num);
        } else {
            if (!item.isStr()) {
                raise(err::TypeMismatch);
            }
            size_t width = f.width;
            if (f.kind == Kind::FirstChar && !item.str.empty()) {
                width = charLen(item.str, 0);
            }
            out += fitString(item.str, width);
        }
        pos = f.end;
    }
    return out;
}

}  // namespace tw
