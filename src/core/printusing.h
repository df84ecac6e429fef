// The PRINT USING formatter: lays items out in the fields of a template.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "eval/value.h"

namespace tw {

// Formats items into a PRINT USING template. `next` is called for each field to get the next item
// (returns false when no items remain). Returns the output text. Throws tw::BasicError for an
// unusable template (Illegal function call: items remain but the template has no field), a
// numeric field with neither '#' nor '.' (Syntax error), or a string item in a numeric field /
// number in a string field (Type mismatch).
//
// Fields: '#' digit, '.' point, ',' grouping (after a digit, before more digits or the point),
// leading '+' / trailing '+' or '-' signs, "**" asterisk fill, "**" + 0x5C currency sign,
// "^^^^" exponent, '!' / '@' first character, "&...&" fixed width, '_' literal next character.
// Double-byte characters (CP932) are kept whole. When the template ends and items remain it is
// used again from the start; when the items run out, output stops at the next field or at the
// end of the template.
std::string formatUsing(std::string_view tmpl, const std::function<bool(Value&)>& next);

}  // namespace tw
