#pragma once

#include "agent/reading/TextRewrite.h"

#include <QString>

namespace clipvoice::agent::reading {

// Switches for how a line is read; each is off unless the user turns it on.
struct ReadingRules
{
    // Web addresses and e-mail addresses are said as their host name
    // ("https://www.example.org/a/b?c" as "example.org", "ann@example.org" as
    // "example.org"); an address without one is said as "URL".
    bool addressesAsHostName = false;
    // A run of one character ("wwwwww", "ーーーー", "!!!!!") is said at most
    // three times. Digits and spaces are left as they are: a number keeps its
    // value.
    bool shortenRepeats = false;

    bool operator==(const ReadingRules&) const = default;
};

// `line` rewritten by the rules that are on.
QString applyReadingRules(const QString& line, const ReadingRules& rules);
// The same, with where each rule replaced part of the line.
TextRewrite rewriteByReadingRules(const QString& line, const ReadingRules& rules);

// The single rules, for tests and for callers that need one.
QString sayAddressesAsHostName(const QString& line);
QString shortenRepeatedCharacters(const QString& line, int keep = 3);

} // namespace clipvoice::agent::reading
