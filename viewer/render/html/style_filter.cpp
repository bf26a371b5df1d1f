#include "viewer/render/html/style_filter_p.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace viewer::render::html {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

// Declarations Qt's engine draws with; everything else (mso-*, position, behaviour, ...)
// would be ignored by it or is not wanted in a mail.
constexpr std::array<std::string_view, 24> kPlainProperties = {
    "background-color", "border-collapse", "border-color",  "border-style",
    "color",            "direction",       "font-family",   "font-style",
    "font-variant",     "font-weight",     "list-style",    "list-style-type",
    "text-align",       "text-decoration", "text-transform", "vertical-align",
    "white-space",      "background",      "border",        "border-top",
    "border-right",     "border-bottom",   "border-left",   "border-width",
};

constexpr std::array<std::string_view, 16> kLengthProperties = {
    "width",        "height",      "margin",         "margin-top",   "margin-right",
    "margin-bottom", "margin-left", "padding",        "padding-top",  "padding-right",
    "padding-bottom", "padding-left", "text-indent",  "border-spacing", "min-width",
    "min-height",
};

constexpr std::array<std::string_view, 3> kFontLengthProperties = {"font-size", "font",
                                                                    "line-height"};

template <std::size_t N> bool Contains(const std::array<std::string_view, N>& set, std::string_view name)
{
    return std::find(set.begin(), set.end(), name) != set.end();
}

// A value that names another resource or could smuggle one past this filter.
bool Dangerous(std::string_view value)
{
    const std::string lower = LowerCase(value);
    for (std::string_view bad : {"url(", "expression(", "@import", "javascript:", "image("}) {
        if (lower.find(bad) != std::string::npos) {
            return true;
        }
    }
    return lower.find_first_of("\\<>{}") != std::string::npos;
}

double PixelsPerUnit(std::string_view unit)
{
    struct Unit {
        std::string_view name;
        double pixels;
    };
    static constexpr Unit kUnits[] = {{"px", 1},     {"pt", 4.0 / 3}, {"pc", 16},  {"in", 96},
                                      {"cm", 37.8},  {"mm", 3.78},    {"em", 16},  {"rem", 16},
                                      {"ex", 8},     {"ch", 8},       {"", 1}};
    for (const Unit& u : kUnits) {
        if (u.name == unit) {
            return u.pixels;
        }
    }
    return 0;
}

// Every length of `value` at most `cap` pixels long; percentages at most 1000%.
std::string CapLengths(std::string_view value, double cap)
{
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        const bool signedNumber = (value[i] == '-' || value[i] == '+') && i + 1 < value.size() &&
                                  (IsDigit(value[i + 1]) || value[i + 1] == '.');
        const bool startsNumber =
            (IsDigit(value[i]) || value[i] == '.' || signedNumber) &&
            (i == 0 || !(std::isalnum(static_cast<unsigned char>(value[i - 1])) ||
                         value[i - 1] == '-' || value[i - 1] == '#'));
        if (!startsNumber) {
            out.push_back(value[i++]);
            continue;
        }
        std::size_t j = i + (signedNumber ? 1 : 0);
        while (j < value.size() && (IsDigit(value[j]) || value[j] == '.')) {
            ++j;
        }
        std::size_t k = j;
        while (k < value.size() && (std::isalpha(static_cast<unsigned char>(value[k])) ||
                                    value[k] == '%')) {
            ++k;
        }
        const std::string number(value.substr(i, j - i));
        const std::string unit = LowerCase(value.substr(j, k - j));
        const double magnitude = std::fabs(std::atof(number.c_str()));
        const bool negative = number.front() == '-';
        if (unit == "%") {
            out += magnitude > 1000 ? (negative ? "-1000%" : "1000%") : number + unit;
        } else if (const double perUnit = PixelsPerUnit(unit);
                   perUnit > 0 && magnitude * perUnit > cap) {
            char capped[32];
            std::snprintf(capped, sizeof capped, "%s%gpx", negative ? "-" : "", cap);
            out += capped;
        } else {
            out.append(value.substr(i, k - i));
        }
        i = k;
    }
    return out;
}

// The positions of `separator` in `text` outside quotes and parentheses.
template <typename Visit> void SplitOutside(std::string_view text, char separator, Visit visit)
{
    std::size_t start = 0;
    int parentheses = 0;
    char quote = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : separator;
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++parentheses;
        } else if (c == ')' && parentheses > 0) {
            --parentheses;
        } else if (c == separator && parentheses == 0) {
            visit(text.substr(start, i - start));
            start = i + 1;
        }
    }
}

// Skips a CSS comment at `i`; false when there is none.
bool SkipComment(std::string_view sheet, std::size_t& i)
{
    if (sheet.substr(i, 2) != "/*") {
        return false;
    }
    const std::size_t end = sheet.find("*/", i + 2);
    i = end == std::string_view::npos ? sheet.size() : end + 2;
    return true;
}

// Skips from `i` past the block that opens at the next '{', braces balanced, or past the
// next ';' when it comes first (a statement at-rule).
void SkipAtRule(std::string_view sheet, std::size_t& i)
{
    int depth = 0;
    for (; i < sheet.size(); ++i) {
        if (sheet[i] == ';' && depth == 0) {
            ++i;
            return;
        }
        if (sheet[i] == '{') {
            ++depth;
        } else if (sheet[i] == '}' && --depth <= 0) {
            ++i;
            return;
        }
    }
}

} // namespace

std::string FilterDeclarations(std::string_view declarations, const StyleLimits& limits)
{
    std::string out;
    SplitOutside(declarations, ';', [&](std::string_view declaration) {
        const std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        const std::string name = LowerCase(Trim(declaration.substr(0, colon)));
        std::string_view value = Trim(declaration.substr(colon + 1));
        if (value.empty() || Dangerous(value)) {
            return;
        }
        if (Contains(kPlainProperties, name)) {
            out += name + ':' + std::string(value) + ';';
        } else if (Contains(kLengthProperties, name)) {
            out += name + ':' + CapLengths(value, limits.maxLengthPixels) + ';';
        } else if (Contains(kFontLengthProperties, name)) {
            out += name + ':' + CapLengths(value, limits.maxFontPixels) + ';';
        }
    });
    return out;
}

std::string FilterStyleSheet(std::string_view sheet, const StyleLimits& limits)
{
    std::string out;
    std::size_t i = 0;
    int groups = 0; // open @media blocks
    while (i < sheet.size() && out.size() < limits.maxSheetBytes) {
        if (IsSpace(sheet[i])) {
            ++i;
            continue;
        }
        if (SkipComment(sheet, i)) {
            continue;
        }
        if (sheet[i] == '}') {
            if (groups > 0) {
                --groups;
                out += "}\n";
            }
            ++i;
            continue;
        }
        if (sheet[i] == '@') {
            const std::size_t open = sheet.find_first_of("{;", i);
            const std::string rule = LowerCase(sheet.substr(i, open == std::string_view::npos
                                                                   ? std::string_view::npos
                                                                   : open - i));
            if (rule.rfind("@media", 0) == 0 && open != std::string_view::npos &&
                sheet[open] == '{' && !Dangerous(rule)) {
                out += rule + "{\n";
                ++groups;
                i = open + 1;
            } else {
                SkipAtRule(sheet, i);
            }
            continue;
        }
        // A rule: selectors up to '{', declarations up to '}'.
        const std::size_t open = sheet.find('{', i);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = sheet.find('}', open + 1);
        const std::string_view selectors = Trim(sheet.substr(i, open - i));
        const std::string_view body = sheet.substr(
            open + 1, (close == std::string_view::npos ? sheet.size() : close) - open - 1);
        i = close == std::string_view::npos ? sheet.size() : close + 1;
        std::string kept;
        std::size_t j = 0;
        while (j < body.size()) { // comments inside the block
            if (!SkipComment(body, j)) {
                kept.push_back(body[j++]);
            }
        }
        const std::string declarations = FilterDeclarations(kept, limits);
        // A selector with '<' could end the <style> element.
        if (!declarations.empty() && !selectors.empty() &&
            selectors.find_first_of("<{}\\") == std::string_view::npos &&
            selectors.find("/*") == std::string_view::npos) {
            out += std::string(selectors) + '{' + declarations + "}\n";
        }
    }
    while (groups-- > 0) {
        out += "}\n";
    }
    return out;
}

std::string CapLengthAttribute(std::string_view value, double maxPixels)
{
    value = Trim(value);
    std::size_t digits = 0;
    while (digits < value.size() && IsDigit(value[digits])) {
        ++digits;
    }
    if (digits == 0 || digits > 9) {
        return digits > 9 && (digits == value.size() || value.substr(digits) == "px")
                   ? std::to_string(static_cast<long>(maxPixels))
                   : std::string();
    }
    const long number = std::stol(std::string(value.substr(0, digits)));
    const std::string_view rest = value.substr(digits);
    if (rest == "%") {
        return std::to_string(std::min(number, 100L)) + '%';
    }
    if (rest.empty() || LowerCase(rest) == "px") {
        return std::to_string(std::min(number, static_cast<long>(maxPixels)));
    }
    return {};
}

} // namespace viewer::render::html
